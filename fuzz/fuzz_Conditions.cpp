// A test-condition file as "Parameters" reads it, with its session protocol, then the checks
// of "Run PTC" on every condition it loaded.
#include "FuzzCheck.h"
#include "IniFile.h"
#include "ParameterFile.h"
#include "RunChecks.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char separator : {'.', ','}) {
        const ParameterLoad load = LoadParameters(IniFile::FromText(text), "fuzz.ini", separator);
        if (!load.Loaded) {
            FUZZ_CHECK(!load.Error.empty());
            continue;
        }
        const auto count = static_cast<std::size_t>(load.Parameters.Settings.N_Cond);
        FUZZ_CHECK(load.Parameters.Conditions.size() == count);
        // A session runs only conditions the file has, 1 to 1000 runs; anything else is refused.
        const SessionProtocol& session = load.Session;
        FUZZ_CHECK(session.Present || (session.Refusal.empty() && session.Runs.empty()));
        FUZZ_CHECK(!session.Runnable()
                   || (!session.Runs.empty() && session.Runs.size() <= static_cast<std::size_t>(MaxSessionRuns)));
        for (const SessionRun& run : session.Runs) {
            FUZZ_CHECK(run.Condition >= 1 && static_cast<std::size_t>(run.Condition) <= count);
        }
        SharedState state;
        state.Settings = load.Parameters.Settings;
        state.Conditions = load.Parameters.Conditions;
        // Checking every condition of a 10000-condition file would slow the search down.
        for (std::size_t i = 0; i < count && i < 4; ++i) {
            state.CurrentCondition = static_cast<int>(i);
            state.ResetResults();
            if (CheckRunConditions(state, separator).Ok()) {
                FUZZ_CHECK(state.FreqPointCount >= 1);
            }
        }
    }
    return 0;
}
