#include "PortAudioStream.h"

#include "OutputDeviceStatus.h"
#include "Pcm16.h"
#include "PortAudioLibrary.h"
#include "StreamTimeline.h"

#include <portaudio.h>

#include <algorithm>
#include <cctype>
#include <atomic>
#include <cmath>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// A device that has not played a sound this long after it should have ended is taken as hung.
constexpr std::chrono::seconds FinishMargin{3};
// A device whose callbacks stopped this long ago, and for four of its blocks, is taken as lost;
// such a stream is not stopped gracefully, which could block.
constexpr std::chrono::milliseconds LostDevice{800};
constexpr int LostBlocks = 4;
// Tickets remembered for Wait after they were queued.
constexpr int KeptTickets = 16;
constexpr std::chrono::microseconds ShortestSleep{300};
constexpr std::chrono::milliseconds LongestSleep{20};
// A float sample of 1 is the full scale of 16-bit samples.
constexpr float FullScale = 1.0f / 32768.0f;
constexpr std::size_t ScratchFrames = 1024;

std::int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

}  // namespace

// What the audio thread shares with the caller; it lives as long as callbacks may come.
struct PortAudioStream::Shared {
    Shared(int channels, std::int64_t firstFrame) : Timeline(channels, firstFrame), Channels(channels) {}
    StreamTimeline Timeline;
    int Channels;
    std::atomic<bool> Finished{false};
    std::atomic<std::int64_t> OpenedNs{0};
    std::atomic<std::int64_t> FirstCallbackNs{0};
    std::atomic<std::int64_t> LastCallbackNs{0};
    std::atomic<std::int64_t> LatencyFrames{0};  // from handing a block over to its converter time
    std::atomic<std::int64_t> BlockFrames{0};    // the largest block asked for
    std::atomic<bool> Timed{true};               // the host API tells when blocks reach the converter
    int SampleRate = 0;
    bool Float = true;  // the device is fed 32-bit floats, not 16-bit samples
    // 16-bit devices: the block is made in floats here first, a piece at a time.
    std::vector<float> Scratch;
    double PreviousDac = 0.0;  // audio thread only: the block before's converter time and length
    unsigned long PreviousFrames = 0;
};

namespace {

int StreamCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* timeInfo,
                   PaStreamCallbackFlags flags, void* userData)
{
    auto* shared = static_cast<PortAudioStream::Shared*>(userData);
    const std::int64_t now = NowNs();
    std::int64_t never = 0;
    shared->FirstCallbackNs.compare_exchange_strong(never, now);
    shared->LastCallbackNs.store(now);
    double dacTime = 0.0;
    if (timeInfo != nullptr && timeInfo->outputBufferDacTime > 0.0 &&
        timeInfo->outputBufferDacTime >= timeInfo->currentTime) {
        dacTime = timeInfo->outputBufferDacTime;
        shared->LatencyFrames.store(static_cast<std::int64_t>(
            std::lround((timeInfo->outputBufferDacTime - timeInfo->currentTime) * shared->SampleRate)));
    } else {
        shared->Timed.store(false);
    }
    if (static_cast<std::int64_t>(frames) > shared->BlockFrames.load()) {
        shared->BlockFrames.store(static_cast<std::int64_t>(frames));
    }
    // The host API says the device ran out of frames (JACK's xruns arrive this way), or the
    // device's clock has passed the end of the block before this one by a whole block: it
    // played it all and then had nothing. (The clock is read when the callback runs, which may
    // be well into its period on a busy machine.)
    bool dropout = (flags & paOutputUnderflow) != 0;
    if (dacTime > 0.0 && shared->PreviousDac > 0.0) {
        const double previousEnd = shared->PreviousDac + static_cast<double>(shared->PreviousFrames) / shared->SampleRate;
        dropout = dropout || timeInfo->currentTime > previousEnd + static_cast<double>(frames) / shared->SampleRate;
    }
    shared->PreviousDac = dacTime;
    shared->PreviousFrames = frames;
    if (dropout) {
        shared->Timeline.MarkDropout();
    }
    if (shared->Float) {
        auto* out = static_cast<float*>(output);
        shared->Timeline.Fill(out, frames, dacTime);
        const std::size_t samples = frames * static_cast<std::size_t>(shared->Channels);
        // Saturated as 16-bit samples are: a sum that overshoots full scale is a flat top, and
        // the device's own conversion is never asked to wrap.
        for (std::size_t i = 0; i < samples; ++i) {
            const float x = out[i];
            out[i] = std::isnan(x) ? 0.0f : std::clamp(x, -32768.0f, 32767.0f) * FullScale;
        }
        return paContinue;
    }
    auto* out = static_cast<std::int16_t*>(output);
    const std::size_t piece = shared->Scratch.size() / static_cast<std::size_t>(shared->Channels);
    for (std::size_t done = 0; done < frames;) {
        const std::size_t n = std::min<std::size_t>(piece, frames - done);
        shared->Timeline.Fill(shared->Scratch.data(), n, dacTime + static_cast<double>(done) / shared->SampleRate);
        for (std::size_t i = 0; i < n * static_cast<std::size_t>(shared->Channels); ++i) {
            *out++ = ToPcm16(shared->Scratch[i]);
        }
        done += n;
    }
    return paContinue;
}

void StreamFinished(void* userData)
{
    static_cast<PortAudioStream::Shared*>(userData)->Finished.store(true);
}

void SleepFor(double seconds)
{
    const auto wanted = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::this_thread::sleep_for(std::clamp<Clock::duration>(wanted, ShortestSleep, LongestSleep));
}

}  // namespace

PortAudioStream::PortAudioStream(int device, int sampleRate, int channels, int prepareMs, Explanation explain)
    : device_(device),
      sampleRate_(sampleRate),
      channels_(channels),
      prepareFrames_(static_cast<std::int64_t>(prepareMs) * sampleRate / 1000),
      explain_(std::move(explain))
{
    PortAudioLibrary::Instance().StreamCreated();
    // Started at once, so that the device is running and its position known when the first
    // sound is queued: a device that starts with that sound (as ALSA's do) puts its first
    // frames at the stream's start, before any estimate of its onset. A failure here is the
    // first sound's.
    openFailure_ = Open();
}

PortAudioStream::~PortAudioStream()
{
    Close();
    PortAudioLibrary::Instance().StreamDestroyed();
}

SoundFailure PortAudioStream::Open()
{
    if (device_ < 0 || !PortAudioLibrary::Instance().Ready()) {
        return SoundFailure::UnsupportedFormat;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device_);
    if (info == nullptr) {
        return SoundFailure::UnsupportedFormat;
    }
    PaStreamParameters parameters{};
    parameters.device = device_;
    parameters.channelCount = channels_;
    parameters.sampleFormat = paFloat32;
    parameters.suggestedLatency = info->defaultHighOutputLatency;
    if (!DeviceTakesFormat(device_, channels_, sampleRate_, true)) {
        parameters.sampleFormat = paInt16;
        if (!DeviceTakesFormat(device_, channels_, sampleRate_, false)) {
            return SoundFailure::UnsupportedFormat;
        }
    }
    // A stream opened again goes on counting from where the last one stopped.
    const std::int64_t firstFrame = shared_ ? shared_->Timeline.HandedOver() : 0;
    auto shared = std::make_shared<Shared>(channels_, firstFrame);
    shared->SampleRate = sampleRate_;
    shared->OpenedNs.store(NowNs());
    shared->Float = parameters.sampleFormat == paFloat32;
    if (!shared->Float) {
        shared->Scratch.assign(ScratchFrames * static_cast<std::size_t>(channels_), 0.0f);
    }
    PaStream* opened = nullptr;
    if (Pa_OpenStream(&opened, nullptr, &parameters, sampleRate_, paFramesPerBufferUnspecified,
                      paClipOff | paDitherOff, StreamCallback, shared.get()) != paNoError) {
        return SoundFailure::CannotOpen;
    }
    if (const PaStreamInfo* streamInfo = Pa_GetStreamInfo(opened)) {
        shared->LatencyFrames.store(static_cast<std::int64_t>(std::lround(streamInfo->outputLatency * sampleRate_)));
    }
    if (Pa_SetStreamFinishedCallback(opened, StreamFinished) != paNoError || Pa_StartStream(opened) != paNoError) {
        Pa_CloseStream(opened);
        return SoundFailure::WriteError;
    }
    shared_ = std::move(shared);
    stream_ = opened;
    return SoundFailure::None;
}

void PortAudioStream::Close()
{
    if (stream_ == nullptr) {
        return;
    }
    if (shared_->Finished.load()) {
        Pa_CloseStream(stream_);
    } else if (shared_->LastCallbackNs.load() != 0 && !Lost(*shared_)) {
        Pa_StopStream(stream_);
        Pa_CloseStream(stream_);
    } else {
        PortAudioLibrary::Instance().Abandon(stream_, shared_);
    }
    stream_ = nullptr;
}

int PortAudioStream::Queue(const std::int16_t* interleaved, std::size_t frames, SoundStart start, bool held)
{
    return QueueSamples(std::vector<float>(interleaved, interleaved + frames * static_cast<std::size_t>(channels_)), start,
                        held);
}

int PortAudioStream::SampleBits() const
{
    // Before its first sound the stream is not open yet: the format it will choose.
    const bool asFloat = shared_ ? shared_->Float
                                 : device_ >= 0 && PortAudioLibrary::Instance().Ready()
                                       && DeviceTakesFormat(device_, channels_, sampleRate_, true);
    return asFloat ? FloatStreamBits : 16;
}

int PortAudioStream::QueueFloat(const float* interleaved, std::size_t frames, SoundStart start, bool held)
{
    return QueueSamples(std::vector<float>(interleaved, interleaved + frames * static_cast<std::size_t>(channels_)), start,
                        held);
}

int PortAudioStream::QueueSamples(std::vector<float> interleaved, SoundStart start, bool held)
{
    const int ticket = nextTicket_++;
    entries_.erase(ticket - KeptTickets);
    Entry& entry = entries_[ticket];
    if (stream_ != nullptr && shared_->Finished.load()) {
        Close();
    }
    if (stream_ == nullptr) {
        entry.Failure = openFailure_ != SoundFailure::None ? std::exchange(openFailure_, SoundFailure::None) : Open();
        if (entry.Failure != SoundFailure::None) {
            return ticket;
        }
    }
    entry.On = shared_;
    entry.Ticket = shared_->Timeline.Queue(std::move(interleaved), start, held);
    if (entry.Ticket < 0) {
        entry.Failure = SoundFailure::WriteError;
    }
    return ticket;
}

const PortAudioStream::Entry* PortAudioStream::Find(int ticket) const
{
    const auto it = entries_.find(ticket);
    return it == entries_.end() ? nullptr : &it->second;
}

void PortAudioStream::Release(int ticket)
{
    if (const Entry* entry = Find(ticket); entry != nullptr && entry->On) {
        entry->On->Timeline.Release(entry->Ticket);
    }
}

StreamedSound PortAudioStream::Wait(int ticket)
{
    StreamedSound result;
    const Entry* entry = Find(ticket);
    SoundFailure failure = entry == nullptr ? SoundFailure::WriteError : entry->Failure;
    if (failure == SoundFailure::None) {
        Release(ticket);
        const std::shared_ptr<Shared> on = entry->On;
        const StreamTimeline& timeline = on->Timeline;
        const std::int64_t end = timeline.ExpectedOnset(entry->Ticket, PositionOn(*on)) + timeline.Of(entry->Ticket).Frames;
        const Clock::time_point deadline =
            Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                               static_cast<double>(std::max<std::int64_t>(end - PositionOn(*on), 0)) / sampleRate_)) +
            FinishMargin;
        for (;;) {
            const StreamTimeline::Progress p = timeline.Of(entry->Ticket);
            const bool handedOver = p.Now == StreamTimeline::State::HandedOver;
            const std::int64_t position = PositionOn(*on);
            if (handedOver && position > p.LastFrame) {
                result.Played = true;
                result.Onset = p.Onset;
                result.LateFrames = p.LateFrames;
                // A dropout is noticed at the next block handed over, when the frames before it
                // were still on their way to the converter.
                const std::int64_t block = on->BlockFrames.load();
                result.Dropout = timeline.DropoutBetween(p.Onset + 1, p.LastFrame + on->LatencyFrames.load() + 2 * block);
                break;
            }
            // A stream that stopped before taking the last frame was cut off; one that gives no
            // sign of life was lost. Either way the sound was not played.
            if (on->Finished.load() || Clock::now() > deadline || on != shared_ || Lost(*on)) {
                if (on == shared_) {
                    Close();
                }
                failure = SoundFailure::WriteError;
                break;
            }
            const std::int64_t until = handedOver ? p.LastFrame + 1 : timeline.ExpectedOnset(entry->Ticket, position) + p.Frames;
            SleepFor(static_cast<double>(until - position) / sampleRate_);
        }
    }
    return failure == SoundFailure::None ? result : Failed(failure);
}

StreamedSound PortAudioStream::Failed(SoundFailure failure)
{
    StreamedSound result;
    const std::string detail = explain_ ? explain_(failure) : std::string();
    result.Problem = SoundProblem(failure, detail);
    messages_.Report(failure);
    if (!detail.empty()) {
        std::string line = detail;
        line[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
        messages_.Say(line);
    }
    return result;
}

bool PortAudioStream::Lost(const Shared& shared) const
{
    const std::int64_t last = std::max(shared.LastCallbackNs.load(), shared.OpenedNs.load());
    const auto silent = std::chrono::nanoseconds(NowNs() - last);
    const auto blocks = std::chrono::nanoseconds(LostBlocks * shared.BlockFrames.load() * 1000000000LL / sampleRate_);
    return silent > std::max<std::chrono::nanoseconds>(LostDevice, blocks);
}

std::int64_t PortAudioStream::PositionOn(const Shared& shared)
{
    const StreamTimeline& timeline = shared.Timeline;
    std::int64_t blockFirst = 0;
    double blockDac = 0.0;
    if (!timeline.LastBlock(blockFirst, blockDac)) {
        return timeline.HandedOver();
    }
    std::int64_t position = 0;
    if (shared.Timed.load() && &shared == shared_.get() && stream_ != nullptr) {
        position = blockFirst + static_cast<std::int64_t>(std::floor((Pa_GetStreamTime(stream_) - blockDac) * sampleRate_));
    } else {
        // No converter times: the last block's frames count from when it was asked for, after the latency.
        const double since = static_cast<double>(NowNs() - shared.LastCallbackNs.load()) * 1e-9;
        position = blockFirst + static_cast<std::int64_t>(std::floor(since * sampleRate_)) - shared.LatencyFrames.load();
    }
    return std::min(position, timeline.HandedOver());
}

std::int64_t PortAudioStream::Position()
{
    return shared_ ? PositionOn(*shared_) : 0;
}

std::int64_t PortAudioStream::ExpectedOnset(int ticket)
{
    const Entry* entry = Find(ticket);
    if (entry == nullptr || !entry->On) {
        return Position();
    }
    return entry->On->Timeline.ExpectedOnset(entry->Ticket, PositionOn(*entry->On) + LeadFrames() - prepareFrames_);
}

std::int64_t PortAudioStream::LeadFrames()
{
    const std::int64_t latency = shared_ ? shared_->LatencyFrames.load() : 0;
    const std::int64_t block = shared_ ? shared_->BlockFrames.load() : 0;
    return latency + block + prepareFrames_;
}

void PortAudioStream::WaitUntil(std::int64_t frame)
{
    if (stream_ == nullptr) {
        return;
    }
    const Clock::time_point deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                           static_cast<double>(std::max<std::int64_t>(frame - Position(), 0)) / sampleRate_)) +
        FinishMargin;
    for (;;) {
        const std::int64_t position = Position();
        if (position >= frame || shared_->Finished.load() || Clock::now() > deadline || Lost(*shared_)) {
            return;
        }
        SleepFor(static_cast<double>(frame - position) / sampleRate_);
    }
}

Clock::time_point PortAudioStream::FirstCallback() const
{
    const std::int64_t ns = shared_ ? shared_->FirstCallbackNs.load() : 0;
    return Clock::time_point(std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(ns)));
}
