#pragma once

#include "SoundOutput.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Forwards every sound to a real output's stream and keeps a copy of what was queued.
class CapturingStream final : public SoundStream {
public:
    CapturingStream(std::unique_ptr<SoundStream> device, std::vector<std::vector<std::int16_t>>& sent)
        : device_(std::move(device)), sent_(sent)
    {
    }

    int Channels() const override { return device_->Channels(); }
    int Queue(const std::int16_t* interleaved, std::size_t frames, SoundStart start, bool held) override
    {
        sent_.emplace_back(interleaved, interleaved + 2 * frames);
        return device_->Queue(interleaved, frames, start, held);
    }
    void Release(int ticket) override { device_->Release(ticket); }
    StreamedSound Wait(int ticket) override { return device_->Wait(ticket); }
    std::int64_t Position() override { return device_->Position(); }
    std::int64_t ExpectedOnset(int ticket) override { return device_->ExpectedOnset(ticket); }
    std::int64_t LeadFrames() override { return device_->LeadFrames(); }
    void WaitUntil(std::int64_t frame) override { device_->WaitUntil(frame); }

private:
    std::unique_ptr<SoundStream> device_;
    std::vector<std::vector<std::int16_t>>& sent_;
};

class CapturingOutput final : public SoundOutput {
public:
    explicit CapturingOutput(SoundOutput& device) : device_(device) {}

    Result<SoundPlayed> PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                                int channels) override
    {
        return device_.PlayPcm(buffer, lengthBytes, sampleRate, bytesPerSample, channels);
    }
    std::unique_ptr<SoundStream> OpenStream(int sampleRate, int channels, int prepareMs) override
    {
        return std::make_unique<CapturingStream>(device_.OpenStream(sampleRate, channels, prepareMs), Sent);
    }
    std::string UsedDevice() const override { return device_.UsedDevice(); }

    std::vector<std::vector<std::int16_t>> Sent;  // interleaved stereo, in the order queued

private:
    SoundOutput& device_;
};

struct LocatedSound {
    std::size_t Onset = 0;  // frame of the recording
    std::size_t Wrong = 0;  // samples heard differently from what was sent
};

// Where each sound of `sent` (interleaved stereo, in order) starts in `heard` (interleaved
// stereo, as JackRecorder gives it), found one after the other by the first sounding sample
// on `channel`, which the float path to the recorder carries unchanged. Stops at the first
// sound it cannot find.
inline std::vector<LocatedSound> LocateSounds(const std::vector<std::int32_t>& heard,
                                              const std::vector<std::vector<std::int16_t>>& sent, int channel)
{
    const auto ch = static_cast<std::size_t>(channel);
    std::vector<LocatedSound> located;
    std::size_t cursor = 0;
    for (const std::vector<std::int16_t>& sound : sent) {
        std::size_t firstSent = 0;
        while (2 * firstSent + 1 < sound.size() && sound[2 * firstSent + ch] == 0) {
            ++firstSent;
        }
        std::size_t found = cursor + firstSent;
        while (2 * found + 1 < heard.size() && heard[2 * found + ch] == 0) {
            ++found;
        }
        if (2 * found + 1 >= heard.size() || 2 * (found - firstSent) + sound.size() > heard.size()) {
            break;
        }
        LocatedSound l;
        l.Onset = found - firstSent;
        for (std::size_t i = 0; i < sound.size(); ++i) {
            l.Wrong += heard[2 * l.Onset + i] != sound[i];
        }
        located.push_back(l);
        cursor = l.Onset + sound.size() / 2;
    }
    return located;
}
