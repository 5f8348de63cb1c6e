// A real run (the run class, real synthesis, real PortAudio output, real clock, a scripted
// listener) on each test sound server, recorded frame by frame by a client of this program's
// own: on JACK, and on PipeWire through ALSA's pipewire device as on a desktop. Prints, per
// server, how far each stimulus's onset-to-onset interval is from MaskerDuration + ISI, in
// samples, how many onsets came late and the process's CPU time as a share of the run's wall
// time (the recording client included). A server that is not running is skipped. Usage:
//   JACK_DEFAULT_SERVER=NAME scripts/with-test-pipewire.sh bench_tracking_run [trials] [ISI ms] [MaskerDuration ms]
#include "CapturingOutput.h"
#include "Clock.h"
#include "EventDispatcher.h"
#include "PortAudioOutput.h"
#include "Quantile.h"
#include "TestSoundServer.h"
#include "TrackingRun.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 44100;

class NoEvents final : public EventDispatcher {
public:
    void ProcessEvents() override {}
};

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs `trials` trials on `server` and prints what its recorder heard. False when nothing was found.
bool RunOn(const TestSoundServer& server, int trials, int isi, float maskerMs)
{
    SoundRecorder& recorder = *server.Recorder;
    PortAudioOutput device(server.AudioDevice);
    CapturingOutput output(device);

    SharedState state;
    state.Conditions.resize(1);
    state.Settings.Attenuator = AttenuatorMode::Software;
    state.Settings.MaskerDuration = maskerMs;
    state.Settings.ToneDuration = maskerMs / 3.0f;
    state.Settings.ISI = isi;
    state.Ear = EarSide::Right;
    const auto dir = std::filesystem::temp_directory_path() / ("quorvex_bench_run_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    state.ResultsFileName = (dir / "bench.dat").string();

    SteadyClock clock;
    NoEvents events;
    TrackingRun run(state, RunDevices{&output, &clock, &events, nullptr});
    run.NoiseSeed = 3;
    // The listener changes the key every third trial and stops after the last.
    run.OnTrial = [&](const TrialRecord& trial) {
        if (trial.Trial >= trials) {
            run.KeyDown('Q');
        } else if (trial.Trial % 6 == 3) {
            run.KeyDown(TrackingRun::SpaceKey);
        } else if (trial.Trial % 6 == 0) {
            run.KeyUp(TrackingRun::SpaceKey);
        }
    };

    const std::size_t mark = recorder.Mark();
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    const RunReport report = run.Run();
    const double cpu = CpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    usleep(500000);  // the last frames reach the recorder
    const std::vector<std::int32_t> heard = recorder.Since(mark);
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(dir);

    std::size_t wrongSamples = 0;
    std::vector<std::size_t> onsets;
    for (const LocatedSound& sound : LocateSounds(heard, output.Sent, EarChannel(state.Ear))) {
        onsets.push_back(sound.Onset);
        wrongSamples += sound.Wrong;
    }

    const double expected = static_cast<double>(output.Sent.empty() ? 0 : output.Sent[0].size() / 2) +
                            static_cast<double>(static_cast<std::int64_t>(isi * (Rate / 1000.0)));
    std::vector<double> error;
    int late = 0;
    for (std::size_t k = 1; k < onsets.size(); ++k) {
        error.push_back(static_cast<double>(onsets[k] - onsets[k - 1]) - expected);
        late += error.back() > 1.0;
    }
    std::printf("%s run: %lld trials, MaskerDuration %.0f ms, ISI %d ms: %zu stimuli sent, %zu found in the "
                "recording, %zu samples differ, %lld not played, %zu played with a dropout\n",
                server.Name.c_str(), static_cast<long long>(report.Trials), maskerMs, isi, output.Sent.size(),
                onsets.size(), wrongSamples, static_cast<long long>(report.FailedPresentations),
                report.DropoutTrials.size());
    if (error.empty()) {
        return false;
    }
    std::printf("onset-to-onset - (MaskerDuration + ISI): median %.1f samples, p5 %.1f, p95 %.1f, min %.0f, max %.0f\n",
                Quantile(error, 0.5), Quantile(error, 0.05), Quantile(error, 0.95), Quantile(error, 0.0),
                Quantile(error, 1.0));
    std::printf("late onsets (more than 1 sample after MaskerDuration + ISI): %d of %zu; the run counted %lld, "
                "the latest by %.1f ms\n",
                late, error.size(), static_cast<long long>(report.LateStimuli), report.MostLateMs);
    std::printf("CPU: %.2f s in %.2f s of run = %.1f %% of a core\n", cpu, wall, 100.0 * cpu / wall);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const int trials = argc > 1 ? std::max(3, std::atoi(argv[1])) : 25;
    const int isi = argc > 2 ? std::max(0, std::atoi(argv[2])) : 100;
    const float maskerMs = argc > 3 ? static_cast<float>(std::max(50, std::atoi(argv[3]))) : 300.0f;

    // Every recorder is created before PortAudio starts, which fixes the devices it knows, and
    // records through both runs.
    const auto capacity = static_cast<std::size_t>(2 * (trials * (maskerMs + isi) / 1000.0 + 10.0) * Rate);
    const std::string client = "quorvex-bench-rec-" + std::to_string(getpid());
    std::vector<TestSoundServer> servers;
    servers.push_back(OpenTestSoundServer(TestServer::Jack, client, capacity));
    servers.push_back(OpenTestSoundServer(TestServer::PipeWire, client, capacity));
    int measured = 0;
    for (const TestSoundServer& server : servers) {
        if (!server.Recorder->Problem().empty()) {
            std::printf("%s: skipped: %s\n", server.Name.c_str(), server.Recorder->Problem().c_str());
        } else if (RunOn(server, trials, isi, maskerMs)) {
            ++measured;
        }
    }
    return measured > 0 ? 0 : 1;
}
