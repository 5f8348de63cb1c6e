#include "RealFourierTransform.h"

#include <fftw3.h>

#include <algorithm>
#include <new>

namespace {

template <typename T>
T* Allocate(std::size_t count)
{
    void* buffer = fftwf_malloc(sizeof(T) * count);
    if (buffer == nullptr) {
        throw std::bad_alloc();
    }
    return static_cast<T*>(buffer);
}

}  // namespace

void RealFourierTransform::FreeBuffer::operator()(void* buffer) const
{
    fftwf_free(buffer);
}

void RealFourierTransform::DestroyPlan::operator()(fftwf_plan_s* plan) const
{
    fftwf_destroy_plan(plan);
}

RealFourierTransform::RealFourierTransform(std::size_t length)
    : length_(std::max<std::size_t>(length, 2))
    , input_(Allocate<float>(length_))
    , bins_(Allocate<std::complex<float>>(length_ / 2 + 1))
{
    std::fill_n(input_.get(), length_, 0.0f);
    // std::complex<float> has fftwf_complex's layout (two floats, real first).
    plan_.reset(fftwf_plan_dft_r2c_1d(static_cast<int>(length_), input_.get(),
                                      reinterpret_cast<fftwf_complex*>(bins_.get()), FFTW_ESTIMATE));
    if (!plan_) {
        throw std::bad_alloc();
    }
}

void RealFourierTransform::Transform()
{
    fftwf_execute(plan_.get());
}

std::span<const std::complex<float>> RealFourierTransform::Bins() const
{
    return {bins_.get(), length_ / 2 + 1};
}
