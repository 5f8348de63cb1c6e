#pragma once

#include "RecordingSoundOutput.h"
#include "SoundOutput.h"

#include <functional>

class VirtualClock;

// The headphones of the simulated session: each buffer "plays" at once into the listener,
// moves the simulated clock on by the sound's duration, and is not kept.
class ListeningSoundOutput final : public SoundOutput {
public:
    using Ear = std::function<void(const PlayedSound&)>;

    ListeningSoundOutput(VirtualClock& clock, Ear ear);

    Result<SoundPlayed> PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                                int channels) override;

    std::string UsedDevice() const override { return "virtual listener"; }

    int Played() const { return played_; }

private:
    VirtualClock& clock_;
    Ear ear_;
    PlayedSound sound_;
    double playedMs_ = 0.0;
    int played_ = 0;
};
