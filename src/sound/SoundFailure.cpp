#include "SoundFailure.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

const char* MessageOf(SoundFailure failure)
{
    switch (failure) {
    case SoundFailure::None:
        break;
    case SoundFailure::UnsupportedFormat:
        return "Unsupported waveform format/rate";
    case SoundFailure::CannotOpen:
        return "Unable to open waveform output device";
    case SoundFailure::WriteError:
        return "Error on write to wave out device";
    }
    return nullptr;
}

void WriteLine(const std::string& line)
{
    std::fputs((line + '\n').c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

std::string SoundFailureMessage(SoundFailure failure)
{
    const char* message = MessageOf(failure);
    return message != nullptr ? message : "";
}

std::string SoundProblem(SoundFailure failure, const std::string& detail)
{
    const std::string message = SoundFailureMessage(failure);
    return detail.empty() ? message : message + ": " + detail;
}

void ReportSoundFailure(SoundFailure failure)
{
    if (const char* message = MessageOf(failure)) {
        WriteLine(message);
    }
}

void SoundMessages::Report(SoundFailure failure)
{
    if (const char* message = MessageOf(failure)) {
        Say(message);
    }
}

void SoundMessages::Say(const std::string& line)
{
    if (std::find(Said.begin(), Said.end(), line) == Said.end()) {
        Said.push_back(line);
        WriteLine(line);
    }
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
