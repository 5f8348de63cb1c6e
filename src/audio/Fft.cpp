#include "Fft.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

bool IsPowerOfTwo(std::uint32_t n)
{
    return n != 0 && (n & (n - 1)) == 0;
}

// ComplexFft for an `m` known to be a power of two.
void ComplexTransform(float* data, std::uint32_t m, int direction)
{
    const std::uint64_t n = 2 * std::uint64_t{m};
    // Bit-reversal permutation of the complex values.
    std::uint64_t j = 0;
    for (std::uint64_t i = 0; i < n; i += 2) {
        if (j > i) {
            std::swap(data[j], data[i]);
            std::swap(data[j + 1], data[i + 1]);
        }
        std::uint64_t half = m;
        while (half >= 2 && j >= half) {
            j -= half;
            half >>= 1;
        }
        j += half;
    }
    // Butterflies, stage length doubling; `span` counts floats. The twiddle factors of a stage
    // come from the recurrence first, then the butterflies run group by group through
    // neighbouring values (the butterflies of a stage are independent, so the order changes
    // no result, only the memory traffic).
    std::vector<double> twiddles;
    for (std::uint64_t span = 2; n > span; span <<= 1) {
        const std::uint64_t step = span << 1;
        const double theta = direction * (6.28318530717959 / static_cast<double>(span));
        const double sinHalf = std::sin(0.5 * theta);
        const double wpr = -2.0 * sinHalf * sinHalf;
        const double wpi = std::sin(theta);
        double wr = 1.0;
        double wi = 0.0;
        twiddles.resize(span);
        for (std::uint64_t offset = 0; offset < span; offset += 2) {
            twiddles[offset] = wr;
            twiddles[offset + 1] = wi;
            const double previous = wr;
            wr = previous * wpr - wi * wpi + previous;
            wi = wi * wpr + previous * wpi + wi;
        }
        for (std::uint64_t group = 0; group < n; group += step) {
            float* const low = data + group;
            float* const high = low + span;
            for (std::uint64_t offset = 0; offset < span; offset += 2) {
                const double tr = twiddles[offset];
                const double ti = twiddles[offset + 1];
                const float tempr = static_cast<float>(tr * high[offset] - ti * high[offset + 1]);
                const float tempi = static_cast<float>(tr * high[offset + 1] + ti * high[offset]);
                high[offset] = low[offset] - tempr;
                high[offset + 1] = low[offset + 1] - tempi;
                low[offset] += tempr;
                low[offset + 1] += tempi;
            }
        }
    }
}

}  // namespace

Result<> ComplexFft(float* data, std::uint32_t m, int direction)
{
    if (!IsPowerOfTwo(m)) {
        return Failure{"the complex transform's length " + std::to_string(m) + " is not a power of two"};
    }
    ComplexTransform(data, m, direction);
    return {};
}

Result<> RealFft(float* data, std::uint32_t n, int direction)
{
    return RealFftWith(data, n, direction, ComplexTransform);
}

Result<> RealFftWith(float* data, std::uint32_t n, int direction, const HalfLengthTransform& complexTransform)
{
    if (n < 2 || !IsPowerOfTwo(n)) {
        return Failure{"the real transform's length " + std::to_string(n) + " is not a power of two of at least 2"};
    }
    constexpr float c1 = 0.5f;
    float c2 = 0.0f;
    double theta = 3.141592653589793 / static_cast<double>(n >> 1);
    if (direction == 1) {
        c2 = -0.5f;
        complexTransform(data, n >> 1, 1);
    } else {
        c2 = 0.5f;
        theta = -theta;
    }
    const double sinHalf = std::sin(0.5 * theta);
    const double wpr = -2.0 * sinHalf * sinHalf;
    const double wpi = std::sin(theta);
    double wr = 1.0 + wpr;
    double wi = wpi;
    // Separates (or rejoins) bins k and n/2 - k of the half-length complex transform.
    for (std::uint32_t k = 1; k < (n >> 2); ++k) {
        const std::uint32_t i1 = 2 * k;
        const std::uint32_t i2 = i1 + 1;
        const std::uint32_t i3 = n - 2 * k;
        const std::uint32_t i4 = i3 + 1;
        const float h1r = c1 * (data[i1] + data[i3]);
        const float h1i = c1 * (data[i2] - data[i4]);
        const float h2r = -c2 * (data[i2] + data[i4]);
        const float h2i = c2 * (data[i1] - data[i3]);
        data[i1] = static_cast<float>(h1r + wr * h2r - wi * h2i);
        data[i2] = static_cast<float>(h1i + wr * h2i + wi * h2r);
        data[i3] = static_cast<float>(h1r - wr * h2r + wi * h2i);
        data[i4] = static_cast<float>(-h1i + wr * h2i + wi * h2r);
        const double previous = wr;
        wr = previous * wpr - wi * wpi + previous;
        wi = wi * wpr + previous * wpi + wi;
    }
    const float e0 = data[0];
    const float e1 = data[1];
    if (direction == 1) {
        data[0] = e0 + e1;
        data[1] = e0 - e1;
    } else {
        data[0] = c1 * (e0 + e1);
        data[1] = c1 * (e0 - e1);
        complexTransform(data, n >> 1, -1);
    }
    return {};
}
