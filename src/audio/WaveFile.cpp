// The two-channel 16-bit PCM WAV file written from a pair of waves.
#include "Wave.h"

#include "Pcm16.h"

#include <array>
#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

template <std::size_t N>
void PutLe(std::array<unsigned char, N>& bytes, std::size_t at, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
    }
}

template <std::size_t N>
void PutId(std::array<unsigned char, N>& bytes, std::size_t at, const char (&id)[5])
{
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<unsigned char>(id[i]);
    }
}

void Report(const char* format, const std::string& path)
{
    std::fprintf(stderr, format, path.c_str());
}

float SampleOrSilence(const Wave& wave, std::uint32_t i)
{
    return i < wave.SampleCount() ? wave.Samples()[i] : 0.0f;
}

}  // namespace

bool Wave::WriteStereoWav(const std::string& path, const Wave& left, const Wave& right) const
{
    FileHandle file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        Report("could not open '%s'", path);
        return false;
    }
    bool whole = true;
    const std::uint32_t frames = SampleCount();
    const std::uint32_t dataBytes = frames * 2u * 2u;
    const auto rate = static_cast<std::uint32_t>(static_cast<double>(sampleRate_));

    std::array<unsigned char, 8> riff{};
    PutId(riff, 0, "RIFF");
    PutLe(riff, 4, dataBytes + 36u, 4);
    std::array<unsigned char, 28> format{};
    PutId(format, 0, "WAVE");
    PutId(format, 4, "fmt ");
    PutLe(format, 8, 16, 4);
    PutLe(format, 12, 1, 2);          // integer PCM
    PutLe(format, 14, 2, 2);          // channels
    PutLe(format, 16, rate, 4);
    PutLe(format, 20, 2u * rate * 2u, 4);
    PutLe(format, 24, 2 * 2, 2);      // block alignment
    PutLe(format, 26, 16, 2);         // bits per sample
    std::array<unsigned char, 8> data{};
    PutId(data, 0, "data");
    PutLe(data, 4, dataBytes, 4);

    const auto writeBlock = [&](const auto& block, const char* message) {
        if (std::fwrite(block.data(), 1, block.size(), file.get()) != block.size()) {
            Report(message, path);
            whole = false;
        }
    };
    writeBlock(riff, "RIFFheader error: '%s'");
    writeBlock(format, "RIFFwaveheader error: '%s'");
    writeBlock(data, "RIFFdataheader error: '%s'");

    const auto writeSample = [&](float sample) {
        const auto value = static_cast<std::uint16_t>(ToPcm16(sample));
        for (const int byte : {value & 0xFF, value >> 8}) {
            if (std::fputc(byte, file.get()) == EOF) {
                Report("write error on '%s'", path);
                whole = false;
            }
        }
    };
    for (std::uint32_t i = 0; i < frames; ++i) {
        writeSample(SampleOrSilence(left, i));
        writeSample(SampleOrSilence(right, i));
    }
    // Bytes still buffered can fail only now; a file that did not reach the disk whole is
    // reported like any other lost byte.
    if (std::fclose(file.release()) != 0) {
        Report("write error on '%s'", path);
        whole = false;
    }
    return whole;
}
