// The virtual listener measures what it measured before its model changed: the bias and spread
// of every estimator over 50 seeded runs per sweep direction (quorvex-sim validate at 1 kHz)
// against those listener model 1 gave for the same seeds. A faster listener that moved a
// statistic would fail here, whether or not its runs are the same run for run.
#include "ScratchFolder.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>

namespace {

struct Spread {
    double bias;
    double sd;
};

struct Estimator {
    const char* name;
    Spread upward;
    Spread downward;
};

// quorvex-sim validate --runs 50 --tones 1000 with listener model 1.
constexpr Estimator ModelOne[] = {
    {"tip frequency, smoothed minimum", {6.5, 14.8}, {-22.7, 19.4}},
    {"tip frequency, fitted parabola", {10.3, 6.0}, {-17.2, 11.4}},
    {"tip level, smoothed minimum", {0.44, 0.72}, {0.29, 0.88}},
    {"tip level, fitted parabola", {0.51, 0.63}, {0.37, 0.73}},
    {"Q10", {-0.016, 0.206}, {-0.078, 0.283}},
    {"low slope", {1.8, 2.4}, {0.9, 3.0}},
    {"high slope", {-0.7, 4.0}, {-3.3, 5.7}},
};
constexpr double Runs = 50.0;

// The bias within four standard errors of model 1's (for independent runs the difference has
// an SD of 1.4 standard errors: a false alarm on one of the 14 about once in 15 changes), the
// spread within the range an SD of 50 runs keeps (about 10 % each).
void ExpectSame(const std::string& what, const Spread& measured, const Spread& before)
{
    const double standardError = before.sd / std::sqrt(Runs);
    EXPECT_NEAR(measured.bias, before.bias, 4.0 * standardError) << what << ": bias";
    EXPECT_GT(measured.sd, 0.65 * before.sd) << what << ": SD";
    EXPECT_LT(measured.sd, 1.5 * before.sd) << what << ": SD";
}

TEST(ListenerStatistics, EveryEstimatorsBiasAndSpreadAreModelOnes)
{
    const ScratchFolder dir;
    const Outcome validate = Sim("validate --runs 50 --tones 1000", " 2>/dev/null");
    ASSERT_EQ(validate.status, 0) << validate.output;
    const std::string number = "(-?[0-9.]+)";
    const std::string cell = number + " ± " + number;
    for (const Estimator& e : ModelOne) {
        const std::regex row("\\| " + std::string(e.name) + " \\| [0-9.-]+ \\| " + cell + " \\| " + cell + " \\|");
        std::smatch found;
        ASSERT_TRUE(std::regex_search(validate.output, found, row)) << e.name << "\n" << validate.output;
        ExpectSame(std::string(e.name) + " upward", {std::stod(found[1]), std::stod(found[2])}, e.upward);
        ExpectSame(std::string(e.name) + " downward", {std::stod(found[3]), std::stod(found[4])}, e.downward);
    }
}

}  // namespace
