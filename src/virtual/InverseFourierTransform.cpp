#include "InverseFourierTransform.h"

#include "Fft.h"

#include <fftw3.h>

#include <algorithm>
#include <new>

void InverseFourierTransform::DestroyPlan::operator()(fftwf_plan_s* plan) const
{
    fftwf_destroy_plan(plan);
}

InverseFourierTransform::InverseFourierTransform(std::uint32_t length)
    : length_(std::max<std::uint32_t>(length, 2))
{
    // RealFft's inverse ends with the complex transform of the n/2 values in the direction -1,
    // e^(-i): FFTW's forward one. Planned on a buffer of its own, freed at once; the plan runs
    // in place on the caller's data, aligned as FFTW's own buffers are.
    const std::uint32_t half = length_ / 2;
    float* const buffer = fftwf_alloc_real(std::size_t{length_});
    if (buffer == nullptr) {
        throw std::bad_alloc();
    }
    auto* const values = reinterpret_cast<fftwf_complex*>(buffer);
    plan_.reset(fftwf_plan_dft_1d(static_cast<int>(half), values, values, FFTW_FORWARD, FFTW_ESTIMATE));
    fftwf_free(buffer);
    if (!plan_) {
        throw std::bad_alloc();
    }
}

void InverseFourierTransform::Apply(float* data)
{
    // Data that FFTW's plan cannot take as it is aligned gets the program's own transform.
    if (fftwf_alignment_of(data) != 0) {
        static_cast<void>(RealFft(data, length_, -1));
        return;
    }
    static_cast<void>(RealFftWith(data, length_, -1, [this](float* values, std::uint32_t, int) {
        auto* const complexValues = reinterpret_cast<fftwf_complex*>(values);
        fftwf_execute_dft(plan_.get(), complexValues, complexValues);
    }));
}

void InverseTransformOfReservoir(float* data, std::uint32_t length)
{
    static std::unique_ptr<InverseFourierTransform> kept;
    if (!kept || kept->Length() != length) {
        kept.reset();
        kept = std::make_unique<InverseFourierTransform>(length);
    }
    kept->Apply(data);
}
