#pragma once

#include "SoundStream.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class SoundOutput;

// The stream of an output that can only play one buffer at a time (PlayPcm): each sound plays
// the moment it is queued (or released), and the silence between sounds is the caller's own
// wait. Its timeline is virtual: it moves by the sounds played and the frames waited for, so it
// cannot say when a sound started.
class ImmediateSoundStream final : public SoundStream {
public:
    ImmediateSoundStream(SoundOutput& output, int sampleRate, int channels);

    int Queue(const std::int16_t* interleaved, std::size_t frames, SoundStart start, bool held) override;
    void Release(int ticket) override;
    StreamedSound Wait(int ticket) override;

    std::int64_t Position() override { return position_; }
    std::int64_t ExpectedOnset(int ticket) override;
    std::int64_t LeadFrames() override { return 0; }
    int Channels() const override { return channels_; }
    void WaitUntil(std::int64_t frame) override;

private:
    struct Sound {
        std::vector<std::int16_t> Held;  // until released
        std::int64_t Onset = 0;
        bool Played = false;
        bool Dropout = false;
        std::string Problem;
    };
    void Play(Sound& sound, const std::int16_t* interleaved, std::size_t frames);

    SoundOutput& output_;
    int sampleRate_;
    int channels_;
    std::int64_t position_ = 0;
    int nextTicket_ = 0;
    std::map<int, Sound> sounds_;
    std::string latestProblem_;  // why the sound played last was not played; empty when it was
};
