// What a calibration profile costs a run: the same software-mode run (real synthesis, the
// recording sound output, a clock that never waits, a listener who stops after the last trial)
// without a profile and with a 10-point response for the ear, repeated in turn. Prints the
// median time per trial of each, its 10th to 90th percentiles, and the ratio of the medians.
// Usage: bench_calibrated_run [trials per run] [runs of each]
#include "Clock.h"
#include "KeyChangingListener.h"
#include "Quantile.h"
#include "RecordingSoundOutput.h"
#include "TrackingRun.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class NoWaiting final : public Clock {
public:
    std::uint32_t NowMs() override { return now_; }
    void Delay(std::uint32_t ms) override { now_ += ms; }

private:
    std::uint32_t now_ = 0;
};

CalibrationInUse TenPoints()
{
    CalibrationInUse calibration;
    calibration.Profile = "bench";
    const float hz[] = {250, 400, 500, 630, 800, 1000, 1250, 1600, 2000, 4000};
    for (int k = 0; k < 10; ++k) {
        calibration.Response.Set(EarSide::Right, hz[k], static_cast<float>((k * 7) % 5) - 2.0f);
    }
    return calibration;
}

// Milliseconds per trial of one run of `trials` trials.
double MsPerTrial(const CalibrationInUse& calibration, int trials, const std::filesystem::path& dir, int index)
{
    SharedState state;
    state.Conditions.resize(1);
    state.Conditions[0].FStep = 5.0f;
    state.Ear = EarSide::Right;
    state.Calibration = calibration;
    state.ResultsFileName = (dir / ("bench" + std::to_string(index) + ".dat")).string();
    RecordingSoundOutput sound;
    NoWaiting clock;
    NoEvents events;
    TrackingRun run(state, RunDevices{&sound, &clock, &events, nullptr});
    run.NoiseSeed = 3;
    run.OnTrial = KeyChangingListener(run, trials);
    const auto start = std::chrono::steady_clock::now();
    const RunOutcome report = run.Run();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return ms / static_cast<double>(std::max<std::int64_t>(report.Trials, 1));
}

}  // namespace

int main(int argc, char** argv)
{
    const int trials = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100;
    const int runs = argc > 2 ? std::max(3, std::atoi(argv[2])) : 11;
    const auto dir = std::filesystem::temp_directory_path() / ("quorvex_bench_calibrated_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);  // the run's test.out
    std::vector<double> flat;
    std::vector<double> corrected;
    for (int k = 0; k < runs; ++k) {
        flat.push_back(MsPerTrial({}, trials, dir, 2 * k));
        corrected.push_back(MsPerTrial(TenPoints(), trials, dir, 2 * k + 1));
    }
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(dir);
    std::printf("%d runs of %d trials each, software levels, 600 ms stimuli\n", runs, trials);
    std::printf("without a profile:      median %.3f ms per trial (p10 %.3f, p90 %.3f)\n", Quantile(flat, 0.5),
                Quantile(flat, 0.1), Quantile(flat, 0.9));
    std::printf("with a 10-point profile: median %.3f ms per trial (p10 %.3f, p90 %.3f)\n", Quantile(corrected, 0.5),
                Quantile(corrected, 0.1), Quantile(corrected, 0.9));
    std::printf("ratio of the medians (with / without): %.3f\n", Quantile(corrected, 0.5) / Quantile(flat, 0.5));
    return 0;
}
