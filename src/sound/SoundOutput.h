#pragma once

#include "OutputDeviceStatus.h"
#include "SoundStream.h"

#include <cstdint>
#include <memory>
#include <string>

// The sound device as the rest of the program sees it: one buffer of interleaved signed
// 16-bit PCM is played and the call returns only when the device has played it; or a stream
// kept open for many sounds, each queued at its frame.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Plays `lengthBytes` bytes of interleaved PCM at `sampleRate`: how it was played (whole or
    // with a dropout), or why it could not be, in one line for the operator: the fixed message
    // and, where known, what is wrong with the device. The fixed message has also been written
    // to standard error ("Unsupported waveform format/rate\n", "Unable to open waveform output
    // device\n" or "Error on write to wave out device\n"). Never throws.
    virtual Result<SoundPlayed> PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate,
                                        int bytesPerSample, int channels) = 0;

    // The device this output plays on, for telling the operator which one did not play;
    // empty when there is nothing to tell.
    virtual std::string DescribeDevice() { return {}; }

    // A stream for a series of sounds (a run, a calibration's repetitions) of 16-bit PCM at
    // `sampleRate`. `prepareMs` is how long the caller needs to build a sound before it is
    // handed over, which the stream's LeadFrames includes. A device's stream reports each
    // reason for not playing once, however many sounds it concerns. This one plays each sound
    // with PlayPcm when it is queued, which reports as PlayPcm does.
    virtual std::unique_ptr<SoundStream> OpenStream(int sampleRate, int channels, int prepareMs);

    // Whether this output can play now, and on what: looked at again on every call (a sound
    // server may have come or gone). An output that plays nowhere real says it can.
    virtual OutputDeviceStatus CheckDevice();

    // The device the latest sound was sent to, as the sound library names it; empty if none.
    virtual std::string UsedDevice() const { return {}; }
};
