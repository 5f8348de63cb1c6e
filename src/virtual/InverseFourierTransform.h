#pragma once

#include <cstdint>
#include <memory>

struct fftwf_plan_s;

// RealFft's inverse (a packed half of the bins into n/2 times the real sequence, in place) with
// FFTW's complex transform inside it, for the virtual runs' noise reservoirs: the same samples
// to within float rounding, several times faster, and in the samples' own storage. Planned with
// FFTW_ESTIMATE, so every result depends on the data alone.
class InverseFourierTransform {
public:
    // `length`: a power of two of at least 2.
    explicit InverseFourierTransform(std::uint32_t length);

    std::uint32_t Length() const { return length_; }
    // data[0 .. Length() - 1] in RealFft's layout (bin 0, bin n/2, then re, im of bins 1 to n/2 - 1).
    void Apply(float* data);

private:
    struct DestroyPlan {
        void operator()(fftwf_plan_s* plan) const;
    };

    std::uint32_t length_;
    std::unique_ptr<fftwf_plan_s, DestroyPlan> plan_;
};

// The transform for the reservoirs of this process: one plan per length, kept while the process
// runs, as a study's runs all use the same. For one thread, as FFTW's planner is.
void InverseTransformOfReservoir(float* data, std::uint32_t length);
