#include "Wave.h"
#include "WaveSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U32(const std::vector<unsigned char>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t U16(const std::vector<unsigned char>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

class WaveFile : public testing::Test {
protected:
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("quorvex-wav-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

private:
    std::filesystem::path dir_;
};

TEST_F(WaveFile, EmptyWaveGivesTheBareHeader)
{
    const Wave w(0.0f, 44100);
    ASSERT_TRUE(w.WriteStereoWav(Path("empty.wav"), w, w));
    const auto b = ReadBytes(Path("empty.wav"));
    ASSERT_EQ(b.size(), 44u);
    EXPECT_EQ(U32(b, 4), 36u);
    EXPECT_EQ(U32(b, 40), 0u);
}

TEST_F(WaveFile, OneSecondHasTheTabledHeader)
{
    const Wave w(1000.0f, 44100);
    ASSERT_TRUE(w.WriteStereoWav(Path("second.wav"), w, w));
    const auto b = ReadBytes(Path("second.wav"));
    ASSERT_EQ(b.size(), 176444u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(U32(b, 4), 176436u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(b, 16), 16u);
    EXPECT_EQ(U16(b, 20), 1u);
    EXPECT_EQ(U16(b, 22), 2u);
    EXPECT_EQ(U32(b, 24), 44100u);
    EXPECT_EQ(U32(b, 28), 176400u);
    EXPECT_EQ(U16(b, 32), 4u);
    EXPECT_EQ(U16(b, 34), 16u);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(U32(b, 40), 176400u);
}

TEST_F(WaveFile, FramesAreLeftThenRightLowByteFirstTruncatedAndSaturated)
{
    Wave left = WaveOfLength(4);
    Wave right = WaveOfLength(4);
    const float l[] = {1000.9f, 32767.0f, 40000.0f, 32768.0f};
    const float r[] = {-1000.9f, -40000.0f, -32768.5f, 0.9f};
    std::copy(std::begin(l), std::end(l), left.Samples().begin());
    std::copy(std::begin(r), std::end(r), right.Samples().begin());
    ASSERT_TRUE(left.WriteStereoWav(Path("frames.wav"), left, right));
    const auto b = ReadBytes(Path("frames.wav"));
    ASSERT_EQ(b.size(), 44u + 16u);
    const std::vector<unsigned char> expected = {0xE8, 0x03, 0x18, 0xFC, 0xFF, 0x7F, 0x00, 0x80,
                                                 0xFF, 0x7F, 0x00, 0x80, 0xFF, 0x7F, 0x00, 0x00};
    EXPECT_EQ(std::vector<unsigned char>(b.begin() + 44, b.end()), expected);
}

TEST_F(WaveFile, FrameCountComesFromTheWaveItIsCalledOn)
{
    const Wave shortWave = WaveOfLength(3);
    Wave longWave = WaveOfLength(5);
    longWave.Fill(7.0f);
    ASSERT_TRUE(shortWave.WriteStereoWav(Path("short.wav"), longWave, shortWave));
    EXPECT_EQ(ReadBytes(Path("short.wav")).size(), 44u + 12u);
    // Called on the longer wave, the shorter channel is padded with silence.
    ASSERT_TRUE(longWave.WriteStereoWav(Path("long.wav"), shortWave, longWave));
    const auto b = ReadBytes(Path("long.wav"));
    ASSERT_EQ(b.size(), 44u + 20u);
    EXPECT_EQ(U16(b, 44 + 16), 0u);
    EXPECT_EQ(U16(b, 44 + 18), 7u);
}

TEST_F(WaveFile, UnopenablePathIsReportedAndNothingIsWritten)
{
    const std::string path = Path("missing-folder/tone.wav");
    const Wave w(100.0f, 44100);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(w.WriteStereoWav(path, w, w));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "could not open '" + path + "': No such file or directory\n");
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A disk that fills part way through (here a file size limit) leaves no file whose header claims
// the whole second, and the reason is said once.
TEST_F(WaveFile, AFileCutShortIsRemoved)
{
    const std::string path = Path("cut.wav");
    const std::string messages = Path("stderr.txt");
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{10000, 10000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const int err = ::open(messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        ::dup2(err, STDERR_FILENO);
        const Wave w(1000.0f, 44100);
        ::_exit(w.WriteStereoWav(path, w, w) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_FALSE(std::filesystem::exists(path));
    std::ifstream in(messages);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(text, "write error on '" + path + "': File too large; the file was removed\n");
}

TEST_F(WaveFile, LostBytesAreReportedOnceWithTheReason)
{
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "/dev/full is needed to make every write fail";
    }
    const Wave w(100.0f, 44100);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(w.WriteStereoWav("/dev/full", w, w));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "write error on '/dev/full': No space left on device\n");
}

}  // namespace
