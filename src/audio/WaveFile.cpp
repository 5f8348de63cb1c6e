// The two-channel 16-bit PCM WAV file written from a pair of waves.
#include "Wave.h"

#include "Pcm16.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

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

// What went wrong with the file, with the system's reason.
Failure FileFailure(const char* what, const std::string& path, int error)
{
    return Failure{std::string(what) + " '" + path + "': " + std::strerror(error != 0 ? error : EIO)};
}

float SampleOrSilence(const Wave& wave, std::uint32_t i)
{
    return i < wave.SampleCount() ? wave.Samples()[i] : 0.0f;
}

}  // namespace

Result<> Wave::WriteStereoWav(const std::string& path, const Wave& left, const Wave& right) const
{
    Result<> saved = SaveStereoWav(path, left, right);
    if (!saved) {
        std::fprintf(stderr, "%s\n", saved.Reason().c_str());
    }
    return saved;
}

Result<> Wave::SaveStereoWav(const std::string& path, const Wave& left, const Wave& right) const
{
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return FileFailure("could not open", path, errno);
    }
    const std::uint32_t frames = SampleCount();
    const std::uint32_t dataBytes = frames * 2u * 2u;
    const auto rate = static_cast<std::uint32_t>(static_cast<double>(sampleRate_));

    std::array<unsigned char, 44> header{};
    PutId(header, 0, "RIFF");
    PutLe(header, 4, dataBytes + 36u, 4);
    PutId(header, 8, "WAVE");
    PutId(header, 12, "fmt ");
    PutLe(header, 16, 16, 4);
    PutLe(header, 20, 1, 2);          // integer PCM
    PutLe(header, 22, 2, 2);          // channels
    PutLe(header, 24, rate, 4);
    PutLe(header, 28, 2u * rate * 2u, 4);
    PutLe(header, 32, 2 * 2, 2);      // block alignment
    PutLe(header, 34, 16, 2);         // bits per sample
    PutId(header, 36, "data");
    PutLe(header, 40, dataBytes, 4);

    std::vector<unsigned char> bytes(header.begin(), header.end());
    bytes.reserve(header.size() + dataBytes);
    const auto putSample = [&bytes](float sample) {
        const auto value = static_cast<std::uint16_t>(ToPcm16(sample));
        bytes.push_back(static_cast<unsigned char>(value & 0xFF));
        bytes.push_back(static_cast<unsigned char>(value >> 8));
    };
    for (std::uint32_t i = 0; i < frames; ++i) {
        putSample(SampleOrSilence(left, i));
        putSample(SampleOrSilence(right, i));
    }
    // Bytes still buffered can fail only when the file is closed.
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    const int writeError = errno;
    struct stat status {};
    const bool regular = ::fstat(::fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode);
    errno = 0;
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) {
        const int error = !written ? writeError : errno;
        // A file cut short (a full disk) would keep a header that claims every frame: it goes.
        const bool removed = regular && ::unlink(path.c_str()) == 0;
        Failure failure = FileFailure("write error on", path, error);
        failure.Reason += removed ? "; the file was removed" : "";
        return failure;
    }
    return {};
}
