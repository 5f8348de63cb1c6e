#include "PortAudioOutput.h"

#include "OutputDeviceList.h"
#include "PcmStreamFeed.h"
#include "PortAudioSession.h"
#include "SoundFailure.h"

#include <portaudio.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A device that has not finished this long after the sound should have ended is taken as hung.
constexpr std::chrono::seconds FinishMargin{3};
constexpr std::chrono::milliseconds PollInterval{1};

int DeviceIndexFor(const std::string& wanted)
{
    const OutputDeviceList list = ListOutputDevices();
    return ChooseOutputDevice(list.Devices, list.DefaultIndex, wanted);
}

int StreamCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* timeInfo,
                   PaStreamCallbackFlags, void* userData)
{
    const Clock::time_point now = Clock::now();
    // PortAudio's estimate of when this block reaches the converter; distrusted when absurd.
    double delaySeconds = 0.0;
    if (timeInfo != nullptr && timeInfo->outputBufferDacTime > timeInfo->currentTime) {
        delaySeconds = std::min(timeInfo->outputBufferDacTime - timeInfo->currentTime, 1.0);
    }
    auto* feed = static_cast<PcmStreamFeed*>(userData);
    const bool last = feed->Fill(static_cast<std::int16_t*>(output), frames, now,
                                 std::chrono::nanoseconds(static_cast<std::int64_t>(delaySeconds * 1e9)));
    return last ? paComplete : paContinue;
}

void StreamFinished(void* userData)
{
    static_cast<PcmStreamFeed*>(userData)->MarkFinished();
}

struct StreamCloser {
    void operator()(PaStream* stream) const { Pa_CloseStream(stream); }
};
using StreamHandle = std::unique_ptr<PaStream, StreamCloser>;

}  // namespace

PortAudioOutput::PortAudioOutput(std::string deviceName) : DeviceName(std::move(deviceName)) {}

int PortAudioOutput::PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                             int channels)
{
    Times = PlaybackTimes{};
    Times.Called = Clock::now();
    const SoundFailure failure = CheckPcmRequest(buffer, lengthBytes, sampleRate, bytesPerSample, channels);
    int result = -1;
    if (failure == SoundFailure::None) {
        result = Play(buffer, lengthBytes, sampleRate, channels);
    } else {
        ReportSoundFailure(failure);
    }
    Times.Returned = Clock::now();
    return result;
}

std::string PortAudioOutput::DescribeDevice()
{
    const OutputDeviceList list = ListOutputDevices();
    return DescribeOutputDeviceChoice(list.Devices, list.DefaultIndex, DeviceName);
}

int PortAudioOutput::Play(const std::int16_t* buffer, int lengthBytes, int sampleRate, int channels)
{
    const auto fail = [](SoundFailure failure) {
        ReportSoundFailure(failure);
        return -1;
    };
    const int device = DeviceIndexFor(DeviceName);
    if (device < 0 && !DeviceName.empty() && !DeviceNameReported) {
        std::fprintf(stderr, "No sound output device matches AudioDevice=%s\n", DeviceName.c_str());
        DeviceNameReported = true;
    }
    if (device < 0) {
        return fail(SoundFailure::UnsupportedFormat);
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(device);
    PaStreamParameters parameters{};
    parameters.device = device;
    parameters.channelCount = channels;
    parameters.sampleFormat = paInt16;
    parameters.suggestedLatency = info->defaultHighOutputLatency;
    if (Pa_IsFormatSupported(nullptr, &parameters, sampleRate) != paFormatIsSupported) {
        return fail(SoundFailure::UnsupportedFormat);
    }

    const std::size_t frameCount = static_cast<std::size_t>(lengthBytes) / (2 * static_cast<std::size_t>(channels));
    const auto feed = std::make_shared<PcmStreamFeed>(buffer, frameCount, channels, sampleRate);
    PaStream* opened = nullptr;
    if (Pa_OpenStream(&opened, nullptr, &parameters, sampleRate, paFramesPerBufferUnspecified, paClipOff | paDitherOff,
                      StreamCallback, feed.get()) != paNoError) {
        return fail(SoundFailure::CannotOpen);
    }
    // Declared after `feed`, so the stream is closed before the feed it reads goes away.
    StreamHandle stream(opened);
    if (Pa_SetStreamFinishedCallback(stream.get(), StreamFinished) != paNoError ||
        Pa_StartStream(stream.get()) != paNoError) {
        return fail(SoundFailure::WriteError);
    }

    const Clock::time_point deadline = Clock::now() + feed->Duration() + FinishMargin;
    while (!feed->Finished() && Clock::now() < deadline) {
        std::this_thread::sleep_for(PollInterval);
    }
    Times.FirstCallback = feed->FirstCallback();
    if (!feed->Finished()) {
        PortAudioSession::Instance().Abandon(stream.release(), feed);
        return fail(SoundFailure::WriteError);
    }
    // A stream that stopped before taking the last frame was cut off: the sound was not played.
    if (!feed->HandedOver()) {
        return fail(SoundFailure::WriteError);
    }
    // The stream stops when its last block has been handed over; the sound is not over until
    // that block has left the converter.
    std::this_thread::sleep_until(std::min(feed->PlayedBy(), deadline));
    return 0;
}
