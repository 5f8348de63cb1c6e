// Says which tests were skipped, one line each ("quorvex-test: skipped Suite.Test: reason"),
// and tells CTest when a test program checked nothing: every test it ran was skipped, so it
// prints "QUORVEX-ALL-SKIPPED", which every test's SKIP_REGULAR_EXPRESSION matches. A program
// with a failure, or with a test that passed, shows as failed or passed as usual, so a skip
// never hides a failure.
#include <gtest/gtest.h>

#include <iostream>

namespace {

class SkipReport : public testing::EmptyTestEventListener {
    void OnTestProgramEnd(const testing::UnitTest& unit) override
    {
        if (unit.skipped_test_count() == 0) {
            return;
        }
        for (int s = 0; s < unit.total_test_suite_count(); ++s) {
            const testing::TestSuite& suite = *unit.GetTestSuite(s);
            for (int t = 0; t < suite.total_test_count(); ++t) {
                const testing::TestInfo& test = *suite.GetTestInfo(t);
                if (!test.result()->Skipped()) {
                    continue;
                }
                std::string reason;
                for (int p = 0; p < test.result()->total_part_count(); ++p) {
                    reason += test.result()->GetTestPartResult(p).message();
                }
                std::cout << "quorvex-test: skipped " << suite.name() << '.' << test.name() << ": " << reason
                          << std::endl;
            }
        }
        if (unit.successful_test_count() == 0 && unit.failed_test_count() == 0) {
            std::cout << "QUORVEX-ALL-SKIPPED" << std::endl;
        }
    }
};

// Registered before main runs, whichever main the program has.
const bool registered = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new SkipReport);
    return true;
}();

}  // namespace
