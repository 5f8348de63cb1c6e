#pragma once

#include "SoundFailure.h"
#include "SoundOutput.h"

#include <cstdint>
#include <functional>
#include <vector>

// One buffer as it was handed to the output.
struct PlayedSound {
    std::vector<std::int16_t> Samples;  // interleaved, `Channels` per frame
    int SampleRate = 0;
    int Channels = 0;
};

// A sound output that plays nothing and keeps every buffer it is given, for tests of the logic
// above the device. It can be told to fail the way a real device fails, and an observer can
// listen to each buffer as it is "played".
class RecordingSoundOutput : public SoundOutput {
public:
    using Observer = std::function<void(const PlayedSound&)>;

    Result<SoundPlayed> PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                                int channels) override;

    // From now on every call fails with `failure`'s message (None: plays again).
    void FailWith(SoundFailure failure) { FailureToReport = failure; }
    // From now on every sound played is reported as played with a dropout (false: cleanly).
    void ReportDropouts(bool on) { Dropouts = on; }
    void SetObserver(Observer observer) { Listener = std::move(observer); }
    // Cannot play while told to fail, with that failure's message as the reason.
    OutputDeviceStatus CheckDevice() override;

    const std::vector<PlayedSound>& Played() const { return Sounds; }
    int FailedCount() const { return Failures; }

private:
    SoundFailure FailureToReport = SoundFailure::None;
    bool Dropouts = false;
    Observer Listener;
    std::vector<PlayedSound> Sounds;
    int Failures = 0;
};
