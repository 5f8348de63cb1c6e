#include "FileText.h"
#include "ScratchFolder.h"
#include "TextFileAppend.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

class TextFileAppend : public testing::Test {
protected:
    const ScratchFolder scratch{ScratchFolder::Mode::Stay};
    const std::filesystem::path dir = scratch.Path();
    const std::string path = scratch.Path("run.dat").string();
};

// A block of `lines` lines, each naming the writer and the block, so that a torn or mixed
// block shows.
std::string Block(char writer, int number, int lines)
{
    std::ostringstream block;
    block << ";---- " << writer << number << "\r\n";
    for (int i = 0; i < lines; ++i) {
        block << writer << number << '\t' << i << "\r\n";
    }
    return block.str();
}

}  // namespace

TEST_F(TextFileAppend, AppendsAndStartsEachBlockOnALineOfItsOwn)
{
    EXPECT_FALSE(AppendBlockToTextFile(path, "a\r\n"));
    EXPECT_FALSE(AppendBlockToTextFile(path, "b\r\n"));
    EXPECT_EQ(FileText(path), "a\r\nb\r\n");

    std::ofstream(path, std::ios::app | std::ios::binary) << "1000\t4";  // cut mid-line by someone else
    EXPECT_FALSE(AppendBlockToTextFile(path, "c\r\n"));
    EXPECT_EQ(FileText(path), "a\r\nb\r\n1000\t4\r\nc\r\n");

    const std::string csv = (dir / "log.csv").string();
    std::ofstream(csv, std::ios::binary) << "x,y";
    EXPECT_FALSE(AppendBlockToTextFile(csv, "1,2\n"));
    EXPECT_EQ(FileText(csv), "x,y\n1,2\n") << "a block with LF line ends adds LF";
}

TEST_F(TextFileAppend, ATornWriteLeavesTheFileAsItWas)
{
    ASSERT_FALSE(AppendBlockToTextFile(path, "kept\r\n"));
    int calls = 0;
    // The first write gets half the block onto the disk, the next finds the disk full.
    const BlockWriter tearing = [&calls](int descriptor, const char* data, std::size_t size) -> long {
        if (++calls > 1) {
            errno = ENOSPC;
            return -1;
        }
        return ::write(descriptor, data, size / 2);
    };
    const std::error_code error = AppendBlockToTextFile(path, Block('a', 1, 1000), tearing);
    EXPECT_EQ(error, std::errc::no_space_on_device) << error.message();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(FileText(path), "kept\r\n");
    EXPECT_FALSE(AppendBlockToTextFile(path, "next\r\n"));
    EXPECT_EQ(FileText(path), "kept\r\nnext\r\n");
}

TEST_F(TextFileAppend, TwoWritersAtOnceNeverMixTheirBlocks)
{
    constexpr int blocks = 50;
    constexpr int lines = 600;  // about 8 KB: more than one stdio buffer
    // Slow storage: each write takes at most 4 KB and a while, so the writers overlap.
    const BlockWriter slow = [](int descriptor, const char* data, std::size_t size) -> long {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        return ::write(descriptor, data, std::min<std::size_t>(size, 4096));
    };
    const auto writer = [this, &slow](char name) {
        for (int n = 0; n < blocks; ++n) {
            ASSERT_FALSE(AppendBlockToTextFile(path, Block(name, n, lines), slow));
        }
    };
    std::thread first(writer, 'a');
    std::thread second(writer, 'b');
    first.join();
    second.join();

    const std::string text = FileText(path);
    std::size_t at = 0;
    int found = 0;
    while (at < text.size()) {
        ASSERT_EQ(text.compare(at, 6, ";---- "), 0) << "a block starts mid-way at byte " << at;
        const char name = text[at + 6];
        const int number = std::stoi(text.substr(at + 7));
        const std::string expected = Block(name, number, lines);
        ASSERT_EQ(text.compare(at, expected.size(), expected), 0) << "block " << name << number << " is mixed";
        at += expected.size();
        ++found;
    }
    EXPECT_EQ(found, 2 * blocks);
}

TEST_F(TextFileAppend, FailuresGiveTheSystemsReason)
{
    EXPECT_EQ(AppendBlockToTextFile((dir / "no" / "run.dat").string(), "a\r\n"),
              std::errc::no_such_file_or_directory);
    EXPECT_EQ(AppendBlockToTextFile(dir.string(), "a\r\n"), std::errc::is_a_directory);
    EXPECT_EQ(AppendBlockToTextFile("/dev/full", "a\r\n"), std::errc::no_space_on_device);
    EXPECT_EQ(CheckAppendable(dir.string()), std::errc::is_a_directory);
    EXPECT_FALSE(CheckAppendable(path));
    EXPECT_EQ(FileText(path), "") << "the check writes nothing";

    const std::string fifo = (dir / "unread.dat").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(AppendBlockToTextFile(fifo, "a\r\n"), std::errc::no_such_device_or_address)
        << "a FIFO nobody reads is refused, not waited on";
    EXPECT_EQ(CheckAppendable(fifo), std::errc::no_such_device_or_address);
}
