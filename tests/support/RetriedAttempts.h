#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <utility>

// The attempts of a test on a sound server that cannot tell a busy machine's lost frames from the
// program's (PipeWire tells its clients of none): an attempt heard differently from what was
// played is made again, and counted. Chance disturbances of a shared machine stay well below one
// attempt in three; a fault of the program that shows in one attempt of two does not, and fails
// the test although some attempt came out clean (one disturbed attempt alone is let pass, which a
// test of few attempts needs). The count is printed either way.
class RetriedAttempts {
public:
    explicit RetriedAttempts(std::string what) : What(std::move(what)) {}

    // Counts one attempt; true when it is to be made again.
    bool Again(bool heardAsSent)
    {
        ++Made;
        Disturbed += heardAsSent ? 0 : 1;
        return !heardAsSent;
    }

    void ExpectFewDisturbed() const
    {
        std::cout << "quorvex-test: " << What << ": " << Disturbed << " of " << Made
                  << " attempts heard differently from what was played" << std::endl;
        EXPECT_TRUE(Disturbed <= 1 || Disturbed * 3 <= Made)
            << What << ": too many attempts heard differently to be chance";
    }

private:
    std::string What;
    int Made = 0;
    int Disturbed = 0;
};
