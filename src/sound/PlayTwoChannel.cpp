#include "PlayTwoChannel.h"

#include <string>
#include <limits>
#include <new>
#include <vector>

Result<std::vector<std::int16_t>> InterleaveTwoChannel(std::uint32_t frameCount, const std::int16_t* left,
                                                       const std::int16_t* right)
{
    constexpr std::uint64_t bytesPerFrame = 4;
    const std::uint64_t lengthBytes = bytesPerFrame * frameCount;
    std::vector<std::int16_t> interleaved;
    try {
        if (lengthBytes > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
            throw std::bad_alloc();
        }
        interleaved.resize(static_cast<std::size_t>(frameCount) * 2);
    } catch (const std::bad_alloc&) {
        return Failure{"A sound of " + std::to_string(frameCount)
                       + " frames is too long to be played in one piece: no memory for it."};
    }
    for (std::uint32_t i = 0; i < frameCount; ++i) {
        interleaved[2 * static_cast<std::size_t>(i)] = left[i];
        interleaved[2 * static_cast<std::size_t>(i) + 1] = right[i];
    }
    return interleaved;
}

Result<SoundPlayed> PlayTwoChannel(SoundOutput& output, int sampleRate, std::uint32_t frameCount,
                                   const std::int16_t* left, const std::int16_t* right)
{
    const Result<std::vector<std::int16_t>> buffer = InterleaveTwoChannel(frameCount, left, right);
    if (!buffer) {
        return Failure{buffer.Reason()};
    }
    const std::vector<std::int16_t>& interleaved = buffer.Value();
    return output.PlayPcm(interleaved.data(), static_cast<int>(interleaved.size() * sizeof(std::int16_t)), sampleRate,
                          2, 2);
}
