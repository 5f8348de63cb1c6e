#include "ScratchFolder.h"
#include "WholeFileSave.h"
#include "WholeFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

// A regular file is replaced whole; a device is written to and stays a device (as root, a save
// to /dev/full once replaced the device with a file and reported success).
TEST(WholeFileSave, ReplacesAFileAndWritesToADeviceAsItIs)
{
    const ScratchFolder scratch{ScratchFolder::Mode::Stay};
    const std::string path = scratch.Path("report.pdf").string();
    std::ofstream(path) << "an older and longer report";
    EXPECT_EQ(SaveWholeFile(QString::fromStdString(path), "new"), "");
    EXPECT_EQ(ReadWholeFile(path).Text, "new");

    EXPECT_EQ(SaveWholeFile("/dev/null", "anything"), "");
    struct stat null {};
    ASSERT_EQ(::stat("/dev/null", &null), 0);
    EXPECT_TRUE(S_ISCHR(null.st_mode));
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_NE(SaveWholeFile("/dev/full", QByteArray(1 << 16, 'x')), "") << "a full device is a failure";
        struct stat full {};
        ASSERT_EQ(::stat("/dev/full", &full), 0);
        EXPECT_TRUE(S_ISCHR(full.st_mode));
    }
}
