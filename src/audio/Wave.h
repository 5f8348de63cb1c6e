#pragma once

#include "Result.h"
#include "SoundStream.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class SoundOutput;

// A sampled sound in memory: 32-bit float samples in 16-bit full-scale units (1.0 is one step
// of a 16-bit sample, full scale is +-32767) with its sample rate. A Wave is a value; copying
// one copies its samples. Every operation stays inside the buffer whatever it is given.
class Wave {
public:
    static constexpr float FullScale = 32767.0f;
    // The longest buffer this program makes (about 100 minutes at 44100 Hz). Asking for more
    // throws std::length_error instead of exhausting the machine's memory.
    static constexpr std::uint32_t MaxSampleCount = 1u << 28;

    // 500 ms of silence at 20000 Hz: the starting state of every Tone and Noise.
    Wave();
    // `durationMs` of silence at `sampleRate`: rate x duration x 0.001 samples, truncated.
    Wave(float durationMs, int sampleRate);

    std::span<float> Samples() { return samples_; }
    std::span<const float> Samples() const { return samples_; }
    std::uint32_t SampleCount() const { return static_cast<std::uint32_t>(samples_.size()); }
    int SampleRate() const { return sampleRate_; }

    // Root mean square of all samples (accumulated in double); 0 for an empty wave.
    double Rms() const;
    // The first sample of largest magnitude, with its sign; 0 for a silent or empty wave.
    double Peak() const;

    // Sets every sample to `value`, limited from above to full scale. Returns false if the
    // value had to be limited.
    bool Fill(float value);
    void AddConstant(float value);
    // Sample-by-sample product with a wave of the same length and rate. Any other wave ends
    // the program with a message on standard output and exit status -1.
    void Multiply(const Wave& other);
    // Adds a wave that is not longer than this one and has the same rate into its first
    // samples. Any other wave ends the program with a message and exit status -1.
    void Add(const Wave& other);

    // Multiplies every sample by `factor`, clipping at +-FullScale. Returns false if a sample
    // had to be clipped.
    bool Scale(double factor);
    // Scales to the given RMS (a silent wave stays silent). Returns Scale's result, or true.
    bool SetRms(float target);
    // Applies a gain in dB; returns Scale's result.
    bool ScaleDb(float gainDb);
    // Silence for `leadingMs`, `onMs` of sound with raised-cosine ramps of `rampMs` at both
    // ends, silence for `trailingMs`; samples after that are left alone. Spans that reach past
    // the buffer are cut at its end.
    void Gate(float leadingMs, float onMs, float trailingMs, float rampMs);
    // Adds `lengthMs` of `source` into this wave at `offsetMs`, from a start drawn with the
    // runtime generator uniformly over every start that fits (source length - section length
    // + 1 of them). A section that does not fit ends the program with a message, a
    // key prompt and exit status -1.
    void AddRandomSection(const Wave& source, float offsetMs, float lengthMs);

    // Writes a two-channel 16-bit WAV file with this wave's sample count and rate, the
    // samples taken from `left` and `right` (a channel shorter than this wave is padded with
    // silence). Ok when the whole file was written; a failure's one-line reason has also gone
    // to standard error. A file that could not be written whole is removed, so that no header
    // claims frames it lacks.
    Result<> WriteStereoWav(const std::string& path, const Wave& left, const Wave& right) const;
    // The same, telling standard error nothing, for a caller that tells the reason in its own words.
    Result<> SaveStereoWav(const std::string& path, const Wave& left, const Wave& right) const;
    // Plays `left` and `right` as one stereo sound of this wave's sample count and rate (in
    // floats where the output plays them, else in 16-bit samples) and returns when it has been
    // played: whole or with a dropout, or why the device did not play it (which it has already
    // reported on standard error).
    Result<SoundPlayed> PlayStereo(SoundOutput& output, const Wave& left, const Wave& right) const;
    // Queues the same sound on `stream` to start at `start` (held until released if `held`)
    // and returns its ticket.
    int QueueStereo(SoundStream& stream, const Wave& left, const Wave& right, SoundStart start, bool held) const;

protected:
    // Gives the wave a new rate and length, keeping its storage where it can; new samples are 0.0.
    void Reshape(int sampleRate, std::uint32_t sampleCount);

private:
    std::vector<float> samples_;
    int sampleRate_ = 20000;
};
