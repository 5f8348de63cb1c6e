#pragma once

#include "SoundStream.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class ListeningSoundOutput;

// The stream of the virtual listener's headphones. Like a one-buffer output's stream, each sound
// plays the moment it is queued (or released) and the timeline moves by the sounds played and
// the frames waited for; but float sounds reach the listener as floats, without the 16-bit
// round trip of a device.
class ListeningSoundStream final : public SoundStream {
public:
    ListeningSoundStream(ListeningSoundOutput& output, int sampleRate, int channels);

    int Queue(const std::int16_t* interleaved, std::size_t frames, SoundStart start, bool held) override;
    int QueueFloat(const float* interleaved, std::size_t frames, SoundStart start, bool held) override;
    void Release(int ticket) override;
    StreamedSound Wait(int ticket) override;

    std::int64_t Position() override { return position_; }
    std::int64_t ExpectedOnset(int ticket) override;
    std::int64_t LeadFrames() override { return 0; }
    int Channels() const override { return channels_; }
    void WaitUntil(std::int64_t frame) override;

private:
    struct Sound {
        std::vector<float> Held;  // until released
        std::int64_t Onset = 0;
        bool Played = false;
        std::string Problem;
    };
    void Play(Sound& sound, const float* interleaved, std::size_t frames);

    ListeningSoundOutput& output_;
    int sampleRate_;
    int channels_;
    std::int64_t position_ = 0;
    int nextTicket_ = 0;
    std::map<int, Sound> sounds_;
    std::vector<float> converted_;  // Queue's samples as floats
};
