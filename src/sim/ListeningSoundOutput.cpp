#include "ListeningSoundOutput.h"

#include "Clock.h"
#include "SoundFailure.h"

#include <cmath>

ListeningSoundOutput::ListeningSoundOutput(VirtualClock& clock, Ear ear)
    : clock_(clock)
    , ear_(std::move(ear))
{
}

Result<SoundPlayed> ListeningSoundOutput::PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate,
                                                  int bytesPerSample, int channels)
{
    const SoundFailure failure = CheckPcmRequest(buffer, lengthBytes, sampleRate, bytesPerSample, channels);
    if (failure != SoundFailure::None) {
        ReportSoundFailure(failure);
        return Failure{"The sound device did not play the sound"};
    }
    const int frames = lengthBytes / (bytesPerSample * channels);
    sound_.Samples.assign(buffer, buffer + static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
    sound_.SampleRate = sampleRate;
    sound_.Channels = channels;
    ++played_;
    if (ear_) {
        ear_(sound_);
    }
    // The clock counts whole milliseconds; the fractions are carried so that no time is lost.
    const double before = std::floor(playedMs_);
    playedMs_ += 1000.0 * frames / sampleRate;
    clock_.Advance(static_cast<std::uint32_t>(std::floor(playedMs_) - before));
    return SoundPlayed::Whole;
}
