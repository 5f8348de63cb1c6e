#include "Fft.h"
#include "InverseFourierTransform.h"
#include "Stimuli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// FFTW's inverse gives the reservoir RealFft's inverse gives, to within float rounding: a
// random value in every bin, and a reservoir's band as the run makes it.
TEST(InverseFourierTransform, GivesRealFftsInverse)
{
    for (const std::uint32_t n : {2u, 8u, 4096u}) {
        std::vector<float> bins(n);
        for (std::uint32_t k = 0; k < n; ++k) {
            bins[k] = static_cast<float>(std::sin(1.7 * k + 0.3) * 100.0);
        }
        std::vector<float> expected = bins;
        ASSERT_TRUE(RealFft(expected.data(), n, -1).Ok());
        InverseFourierTransform inverse(n);
        inverse.Apply(bins.data());
        for (std::uint32_t j = 0; j < n; ++j) {
            ASSERT_NEAR(bins[j], expected[j], 1e-4 * n) << n << " values, sample " << j;
        }
    }
    const Noise exact = MakeNoiseReservoir(TestCondition{}, 12);
    const Noise fast = MakeNoiseReservoir(TestCondition{}, 12, InverseTransformOfReservoir);
    ASSERT_EQ(fast.SampleCount(), exact.SampleCount());
    double largest = 0.0;
    for (std::size_t i = 0; i < exact.SampleCount(); ++i) {
        largest = std::max(largest, std::fabs(static_cast<double>(fast.Samples()[i]) - exact.Samples()[i]));
    }
    EXPECT_LT(largest, 0.01);  // of samples at an RMS of 8000
    EXPECT_GT(largest, 0.0);  // made by the other transform
}

}  // namespace
