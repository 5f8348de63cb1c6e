#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <span>

struct fftwf_plan_s;

// The forward transform of a fixed number of real samples, planned once with FFTW: fill
// Input(), call Transform(), read the Length() / 2 + 1 bins from 0 to n/2 (unscaled).
// Planned with FFTW_ESTIMATE, so that the plan, and with it every result, depends on the length
// alone and not on timings. FFTW's planner is not thread-safe: transform on one thread.
class RealFourierTransform {
public:
    // `length` of at least 2.
    explicit RealFourierTransform(std::size_t length);

    std::size_t Length() const { return length_; }
    std::span<float> Input() { return {input_.get(), length_}; }
    void Transform();
    std::span<const std::complex<float>> Bins() const;

private:
    struct FreeBuffer {
        void operator()(void* buffer) const;
    };
    struct DestroyPlan {
        void operator()(fftwf_plan_s* plan) const;
    };

    std::size_t length_;
    std::unique_ptr<float, FreeBuffer> input_;
    std::unique_ptr<std::complex<float>, FreeBuffer> bins_;
    std::unique_ptr<fftwf_plan_s, DestroyPlan> plan_;
};
