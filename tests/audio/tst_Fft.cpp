#include "Fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

namespace {

using Complex = std::complex<long double>;
constexpr long double Pi = 3.141592653589793238462643383279502884L;

std::vector<float> RandomData(std::size_t count, unsigned seed)
{
    std::mt19937 engine(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> data(count);
    for (float& x : data) {
        x = uniform(engine);
    }
    return data;
}

// X(k) = sum over j of x(j) e^(direction 2 pi i j k / m), the slow way.
std::vector<Complex> NaiveDft(const std::vector<Complex>& x, int direction)
{
    const std::size_t m = x.size();
    std::vector<Complex> roots(m);  // e^(direction 2 pi i r / m), exact to long double
    for (std::size_t r = 0; r < m; ++r) {
        const long double angle = direction * 2.0L * Pi * static_cast<long double>(r) / m;
        roots[r] = Complex(std::cos(angle), std::sin(angle));
    }
    std::vector<Complex> result(m);
    for (std::size_t k = 0; k < m; ++k) {
        Complex sum = 0;
        for (std::size_t j = 0; j < m; ++j) {
            sum += x[j] * roots[(j * k) % m];
        }
        result[k] = sum;
    }
    return result;
}

// Rounding error of a radix-2 transform grows with log2(n) times the size of the values.
double Tolerance(std::size_t n, double magnitude)
{
    return 2.0e-7 * std::log2(static_cast<double>(n) + 1.0) * magnitude * 4.0;
}

class FftSize : public testing::TestWithParam<std::uint32_t> {};

TEST_P(FftSize, ComplexMatchesTheNaiveTransformBothWays)
{
    const std::uint32_t m = GetParam();
    for (const int direction : {1, -1}) {
        std::vector<float> data = RandomData(2 * m, m + static_cast<unsigned>(direction + 1));
        std::vector<Complex> input(m);
        for (std::uint32_t j = 0; j < m; ++j) {
            input[j] = Complex(data[2 * j], data[2 * j + 1]);
        }
        const std::vector<Complex> expected = NaiveDft(input, direction);
        ASSERT_TRUE(ComplexFft(data.data(), m, direction));
        const double tolerance = Tolerance(m, std::sqrt(static_cast<double>(m)));
        for (std::uint32_t k = 0; k < m; ++k) {
            ASSERT_NEAR(data[2 * k], static_cast<double>(expected[k].real()), tolerance) << "bin " << k;
            ASSERT_NEAR(data[2 * k + 1], static_cast<double>(expected[k].imag()), tolerance) << "bin " << k;
        }
    }
}

TEST_P(FftSize, RealForwardGivesThePackedHalfSpectrum)
{
    const std::uint32_t n = GetParam() * 2;
    std::vector<float> data = RandomData(n, n);
    const std::vector<Complex> expected = NaiveDft(std::vector<Complex>(data.begin(), data.end()), 1);
    ASSERT_TRUE(RealFft(data.data(), n, 1));
    const double tolerance = Tolerance(n, std::sqrt(static_cast<double>(n)));
    EXPECT_NEAR(data[0], static_cast<double>(expected[0].real()), tolerance);
    EXPECT_NEAR(data[1], static_cast<double>(expected[n / 2].real()), tolerance);
    for (std::uint32_t k = 1; k < n / 2; ++k) {
        ASSERT_NEAR(data[2 * k], static_cast<double>(expected[k].real()), tolerance) << "bin " << k;
        ASSERT_NEAR(data[2 * k + 1], static_cast<double>(expected[k].imag()), tolerance) << "bin " << k;
    }
}

TEST_P(FftSize, RealInverseGivesHalfNTimesTheSequence)
{
    const std::uint32_t n = GetParam() * 2;
    // Any packed spectrum is the transform of exactly one real sequence: n/2 x that sequence,
    // y(j) = X0/2 + X(n/2) (-1)^j / 2 + sum over 0 < k < n/2 of Re(X(k) e^(-2 pi i j k / n)).
    std::vector<float> spectrum = RandomData(n, 3 * n);
    std::vector<long double> cosines(n);
    std::vector<long double> sines(n);
    for (std::uint32_t r = 0; r < n; ++r) {
        cosines[r] = std::cos(2.0L * Pi * r / n);
        sines[r] = std::sin(2.0L * Pi * r / n);
    }
    std::vector<long double> expected(n);
    for (std::uint32_t j = 0; j < n; ++j) {
        long double y = spectrum[0] / 2.0L + spectrum[1] / 2.0L * ((j % 2) ? -1.0L : 1.0L);
        for (std::uint32_t k = 1; k < n / 2; ++k) {
            const std::uint64_t r = (std::uint64_t{j} * k) % n;
            y += spectrum[2 * k] * cosines[r] + spectrum[2 * k + 1] * sines[r];
        }
        expected[j] = y;
    }
    ASSERT_TRUE(RealFft(spectrum.data(), n, -1));
    const double tolerance = Tolerance(n, std::sqrt(static_cast<double>(n)));
    for (std::uint32_t j = 0; j < n; ++j) {
        ASSERT_NEAR(spectrum[j], static_cast<double>(expected[j]), tolerance) << "sample " << j;
    }
}

TEST_P(FftSize, RealRoundTripIsHalfNTimesTheInput)
{
    const std::uint32_t n = GetParam() * 2;
    const std::vector<float> input = RandomData(n, 5 * n);
    std::vector<float> data = input;
    ASSERT_TRUE(RealFft(data.data(), n, 1));
    ASSERT_TRUE(RealFft(data.data(), n, -1));
    const double tolerance = Tolerance(n, n / 2.0);
    for (std::uint32_t j = 0; j < n; ++j) {
        ASSERT_NEAR(data[j], input[j] * (n / 2.0), tolerance) << "sample " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(PowersOfTwo, FftSize, testing::Values(1u, 2u, 4u, 8u, 32u, 256u, 1024u, 4096u));

TEST(Fft, RefusesSizesThatAreNotPowersOfTwo)
{
    std::vector<float> data = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f};
    const std::vector<float> before = data;
    EXPECT_FALSE(ComplexFft(data.data(), 3, 1));
    EXPECT_FALSE(RealFft(data.data(), 6, 1));
    EXPECT_FALSE(RealFft(data.data(), 0, 1));
    EXPECT_FALSE(RealFft(data.data(), 1, -1));
    EXPECT_EQ(data, before);
}

}  // namespace
