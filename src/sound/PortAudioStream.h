#pragma once

#include "SoundFailure.h"
#include "SoundStream.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

typedef void PaStream;

// A PortAudio callback stream kept open for a series of sounds on one device, silent between
// them. It plays 32-bit floats where the device takes them (PortAudio then hands the device the
// best format it has, 24-bit where it takes nothing better), 16-bit samples otherwise. A sound has been played when the stream's clock says its last frame has reached the
// converter. When the device is lost the sound in progress is reported as not played and the
// next one opens the device again, as a one-off sound would. A device whose callbacks stop for
// longer than a few of its blocks (0.8 s at least) is taken as lost.
class PortAudioStream final : public SoundStream {
public:
    // Says what is wrong with the device when a sound was not played (see SoundProblem), or nothing.
    using Explanation = std::function<std::string(SoundFailure)>;

    // `device` is a PortAudio device index; a negative one has no device, and every sound fails
    // as an unsupported format.
    PortAudioStream(int device, int sampleRate, int channels, int prepareMs, Explanation explain = {});
    ~PortAudioStream() override;
    PortAudioStream(const PortAudioStream&) = delete;
    PortAudioStream& operator=(const PortAudioStream&) = delete;

    int Queue(const std::int16_t* interleaved, std::size_t frames, SoundStart start, bool held) override;
    int QueueFloat(const float* interleaved, std::size_t frames, SoundStart start, bool held) override;
    int Channels() const override { return channels_; }
    int SampleBits() const override;
    void Release(int ticket) override;
    StreamedSound Wait(int ticket) override;

    std::int64_t Position() override;
    std::int64_t ExpectedOnset(int ticket) override;
    std::int64_t LeadFrames() override;
    void WaitUntil(std::int64_t frame) override;

    // When the device first asked for frames; a default time_point before that.
    std::chrono::steady_clock::time_point FirstCallback() const;

    struct Shared;

private:
    struct Entry {
        std::shared_ptr<Shared> On;  // the device stream it was queued on; none when it failed
        int Ticket = -1;
        SoundFailure Failure = SoundFailure::None;
    };
    SoundFailure Open();
    int QueueSamples(std::vector<float> interleaved, SoundStart start, bool held);
    void Close();
    std::int64_t PositionOn(const Shared& shared);
    // The device has stopped asking for frames.
    bool Lost(const Shared& shared) const;
    StreamedSound Failed(SoundFailure failure);
    const Entry* Find(int ticket) const;

    int device_;
    int sampleRate_;
    int channels_;
    std::int64_t prepareFrames_;
    Explanation explain_;
    SoundMessages messages_;  // a device that fails every sound of a run says so once
    SoundFailure openFailure_ = SoundFailure::None;  // of the opening at construction, until a sound reports it
    std::shared_ptr<Shared> shared_;
    PaStream* stream_ = nullptr;
    int nextTicket_ = 0;
    std::map<int, Entry> entries_;
};
