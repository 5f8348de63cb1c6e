#pragma once

#include <cstdint>
#include <string>

// The sound device as the rest of the program sees it: one buffer of interleaved signed
// 16-bit PCM is played and the call returns only when the device has played it.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Plays `lengthBytes` bytes of interleaved PCM at `sampleRate`. Returns 0 when the sound
    // was played and -1 when it could not be (the reason has been written to standard error:
    // "Unsupported waveform format/rate", "Unable to open waveform output device\n" or
    // "Error on write to wave out device\n"). Never throws.
    virtual int PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                        int channels) = 0;

    // The device this output plays on, for telling the operator which one did not play;
    // empty when there is nothing to tell.
    virtual std::string DescribeDevice() { return {}; }
};
