#include "RecordingSoundOutput.h"

Result<SoundPlayed> RecordingSoundOutput::PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate,
                                                  int bytesPerSample, int channels)
{
    SoundFailure failure = CheckPcmRequest(buffer, lengthBytes, sampleRate, bytesPerSample, channels);
    if (failure == SoundFailure::None) {
        failure = FailureToReport;
    }
    if (failure != SoundFailure::None) {
        ReportSoundFailure(failure);
        ++Failures;
        return Failure{SoundFailureMessage(failure)};
    }
    // Whole frames only, as a device would play them.
    const int frames = lengthBytes / (bytesPerSample * channels);
    PlayedSound sound;
    sound.Samples.assign(buffer, buffer + static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
    sound.SampleRate = sampleRate;
    sound.Channels = channels;
    Sounds.push_back(std::move(sound));
    if (Listener) {
        Listener(Sounds.back());
    }
    return Dropouts ? SoundPlayed::WithDropout : SoundPlayed::Whole;
}

OutputDeviceStatus RecordingSoundOutput::CheckDevice()
{
    OutputDeviceStatus status = SoundOutput::CheckDevice();
    status.CanPlay = FailureToReport == SoundFailure::None;
    status.Reason = SoundFailureMessage(FailureToReport);
    return status;
}
