// A whole rehearsal as `quorvex-sim run` makes it: 500 to 2000 Hz in 10 Hz steps (151 masker
// frequencies, the example file's first condition), the real run with its stimuli, the virtual
// listener's filter on every presentation, and the results files written. Wall time per session.
#include "VirtualRun.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

ParameterSet ExampleCondition(AttenuatorMode attenuator)
{
    ParameterSet set;
    set.Settings.Attenuator = attenuator;  // MaskerDuration 600, ToneDuration 400, RiseFall 20, ISI 200
    set.Settings.N_Cond = 1;
    TestCondition c;  // ToneF 1000, StartF 500, EndF 2000, FStep 10
    c.MaskerBW = 100.0f;
    c.SPLstep = 2.0f;
    c.MaxSPL = 85.0f;
    c.ToneSPL = 30.0f;
    c.MaskStartSPL = 40.0f;
    set.Conditions.push_back(c);
    return set;
}

void BM_FullSweep(benchmark::State& state)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quorvex-bench-session";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    const ParameterSet set = ExampleCondition(AttenuatorModeFromNumber(static_cast<int>(state.range(0))));
    VirtualRunOptions options;
    options.Listener.Seed = 1;
    int trials = 0;
    for (auto _ : state) {
        const VirtualRunResult result = RunWithVirtualListener(set, options);
        trials = result.Report.Trials;
        benchmark::DoNotOptimize(result.Points.data());
    }
    state.counters["trials"] = trials;
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FullSweep)->Arg(1)->Arg(2)->ArgName("attenuator")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
