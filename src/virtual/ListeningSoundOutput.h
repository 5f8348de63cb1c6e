#pragma once

#include "SoundOutput.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <span>

class VirtualClock;

// One sound as the virtual listener hears it: the float samples as synthesised (16-bit units),
// interleaved, `Channels` per frame. A view, valid while the ear is called.
struct HeardSound {
    std::span<const float> Samples;
    int SampleRate = 0;
    int Channels = 0;
};

// The headphones of the simulated session: each buffer "plays" at once into the listener,
// moves the simulated clock on by the sound's duration, and is not kept. The stream of a run
// hands the listener the floats the run synthesised: the 16-bit step, far below anything its
// filter lets through, is no part of the listener's model. Its SampleBits stay those of a
// 16-bit device, so that a rehearsal reports a stimulus's resolution as the program would.
class ListeningSoundOutput final : public SoundOutput {
public:
    using Ear = std::function<void(const HeardSound&)>;

    ListeningSoundOutput(VirtualClock& clock, Ear ear);

    Result<SoundPlayed> PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                                int channels) override;
    std::unique_ptr<SoundStream> OpenStream(int sampleRate, int channels, int prepareMs) override;

    // Plays `frames` frames of interleaved floats at once.
    void PlayFloat(const float* interleaved, std::size_t frames, int sampleRate, int channels);

    std::string UsedDevice() const override { return "virtual listener"; }

    int Played() const { return played_; }

private:
    VirtualClock& clock_;
    Ear ear_;
    std::vector<float> converted_;  // PlayPcm's samples as floats
    double playedMs_ = 0.0;
    int played_ = 0;
};
