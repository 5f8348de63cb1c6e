#include "ScratchFolder.h"
#include "SessionLock.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// One program at a time runs a session on a results name; the lock file goes with the lock.
TEST(SessionLock, IsHeldByOneHolderAndGoesWithIt)
{
    const ScratchFolder scratch{ScratchFolder::Mode::Stay};
    const std::string results = scratch.Path("s.dat").string();
    {
        const SessionLock first(results);
        ASSERT_TRUE(first.Held()) << first.Problem();
        const SessionLock second(results);
        EXPECT_FALSE(second.Held());
        EXPECT_NE(second.Problem().find("Another Quorvex is running a session"), std::string::npos) << second.Problem();
    }
    EXPECT_FALSE(std::filesystem::exists(scratch.Path("s.session.lock")));
    EXPECT_TRUE(SessionLock(results).Held());
}

}  // namespace
