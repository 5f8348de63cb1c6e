#include "SoundFailure.h"

#include <cstdio>

void ReportSoundFailure(SoundFailure failure)
{
    const char* message = nullptr;
    switch (failure) {
    case SoundFailure::None:
        return;
    case SoundFailure::UnsupportedFormat:
        message = "Unsupported waveform format/rate";
        break;
    case SoundFailure::CannotOpen:
        message = "Unable to open waveform output device\n";
        break;
    case SoundFailure::WriteError:
        message = "Error on write to wave out device\n";
        break;
    }
    std::fputs(message, stderr);
    std::fflush(stderr);
}

SoundFailure CheckPcmRequest(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                             int channels)
{
    if (bytesPerSample != 2 || channels < 1 || sampleRate <= 0) {
        return SoundFailure::UnsupportedFormat;
    }
    if (lengthBytes < 0 || (lengthBytes > 0 && buffer == nullptr)) {
        return SoundFailure::WriteError;
    }
    return SoundFailure::None;
}
