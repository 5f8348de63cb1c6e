#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Why a sound was not played. Each reason has one fixed operator message on standard error.
enum class SoundFailure {
    None,
    UnsupportedFormat,  // "Unsupported waveform format/rate\n"
    CannotOpen,         // "Unable to open waveform output device\n"
    WriteError,         // "Error on write to wave out device\n"
};

// The reason's fixed message without its line end; empty for None.
std::string SoundFailureMessage(SoundFailure failure);

// The fixed message, and after a colon `detail` when there is one: what the operator is shown.
std::string SoundProblem(SoundFailure failure, const std::string& detail);

// Writes the reason's message, a line of its own, to standard error and flushes it. Nothing for None.
void ReportSoundFailure(SoundFailure failure);

// The sound output's messages to the operator during one run, one preview or one calibration:
// each on a line of its own and each said once, however many sounds it concerns, so that a
// device that refuses every stimulus of a run says so in one line.
class SoundMessages {
public:
    // The reason's message, unless said before. Nothing for None.
    void Report(SoundFailure failure);
    // `line` (without its line end) on standard error, unless said before.
    void Say(const std::string& line);

private:
    std::vector<std::string> Said;
};

// Checks a PlayPcm request before any device is touched: only signed 16-bit samples, at least
// one channel and a positive rate are a playable format; a negative length or a missing buffer
// cannot be written.
SoundFailure CheckPcmRequest(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                             int channels);
