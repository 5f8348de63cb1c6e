#include "InverseSpectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <new>

void InverseSpectrum::FreeBuffer::operator()(float* buffer) const
{
    fftwf_free(buffer);
}

void InverseSpectrum::DestroyPlan::operator()(fftwf_plan_s* plan) const
{
    fftwf_destroy_plan(plan);
}

InverseSpectrum::Buffer InverseSpectrum::MakeBuffer() const
{
    Buffer buffer(fftwf_alloc_real(std::size_t{length_} + 2));
    if (!buffer) {
        throw std::bad_alloc();
    }
    return buffer;
}

InverseSpectrum::InverseSpectrum(std::uint32_t length)
    : length_(std::max<std::uint32_t>(length, 2))
{
    // Planned on a buffer of its own; each transform gets a fresh one, aligned alike, that lives
    // only while it runs, so that no reservoir's worth of memory stays taken between runs.
    const Buffer buffer = MakeBuffer();
    plan_.reset(fftwf_plan_dft_c2r_1d(static_cast<int>(length_), reinterpret_cast<fftwf_complex*>(buffer.get()),
                                      buffer.get(), FFTW_ESTIMATE));
    if (!plan_) {
        throw std::bad_alloc();
    }
}

void InverseSpectrum::Apply(float* data)
{
    // RealFft's transform runs with e^(+i) forward, FFTW's c2r with e^(+i) backward: the
    // conjugate spectrum gives twice RealFft's inverse.
    const std::uint32_t n = length_;
    const Buffer buffer = MakeBuffer();
    float* const b = buffer.get();
    b[0] = data[0];
    b[1] = 0.0f;
    b[n] = data[1];
    b[n + 1] = 0.0f;
    for (std::uint32_t k = 1; k < n / 2; ++k) {
        b[2 * k] = data[2 * k];
        b[2 * k + 1] = -data[2 * k + 1];
    }
    fftwf_execute_dft_c2r(plan_.get(), reinterpret_cast<fftwf_complex*>(b), b);
    for (std::uint32_t j = 0; j < n; ++j) {
        data[j] = 0.5f * b[j];
    }
}

void InverseSpectrumOfReservoir(float* data, std::uint32_t length)
{
    static std::unique_ptr<InverseSpectrum> kept;
    if (!kept || kept->Length() != length) {
        kept.reset();
        kept = std::make_unique<InverseSpectrum>(length);
    }
    kept->Apply(data);
}
