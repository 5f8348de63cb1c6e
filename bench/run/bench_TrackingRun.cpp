// A real run (the run class, real synthesis, real PortAudio output, real clock, a scripted
// listener) on each test sound server, recorded frame by frame by a client of this program's
// own: on JACK, and on PipeWire through ALSA's pipewire device as on a desktop. Prints, per
// server, how far each stimulus's onset-to-onset interval is from MaskerDuration + ISI, in
// samples, how many onsets came late and the process's CPU time as a share of the run's wall
// time (the recording client included). A server that is not running is skipped. With `kc35`
// the levels go to a KC35 on a pseudo-terminal, and on JACK each level command's margin is
// printed too: from the moment the command was written whole to its stimulus's onset as the
// recording heard it (a real 9600-baud line needs 3.4 ms of it to carry the command and the
// attenuator 5 ms to settle). Usage:
//   JACK_DEFAULT_SERVER=NAME scripts/with-test-pipewire.sh bench_tracking_run [trials] [ISI ms] [MaskerDuration ms] [kc35]
#include "CapturingOutput.h"
#include "Clock.h"
#include "JackRecorder.h"
#include "Kc35Attenuator.h"
#include "KeyChangingListener.h"
#include "PseudoTerminal.h"
#include "SerialPortLink.h"
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

// The serial link of the KC35, noting on JACK's clock when each level command was written whole.
class TimedLevelLink final : public SerialLink {
public:
    explicit TimedLevelLink(SerialLink& port) : port_(port) {}
    void Open() override { port_.Open(); }
    int Write(const char* buffer, int count) override
    {
        const int written = port_.Write(buffer, count);
        if (count > 0 && buffer[0] == 'I') {
            MaskerCommandEnds.push_back(jack_get_time());
        }
        return written;
    }
    void Close() override { port_.Close(); }
    bool Connected() const override { return port_.Connected(); }
    int BitsPerSecond() const override { return port_.BitsPerSecond(); }

    std::vector<jack_time_t> MaskerCommandEnds;

private:
    SerialLink& port_;
};

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs `trials` trials on `server` and prints what its recorder heard. False when nothing was found.
bool RunOn(const TestSoundServer& server, int trials, int isi, float maskerMs, bool kc35)
{
    SoundRecorder& recorder = *server.Recorder;
    PortAudioOutput device(server.AudioDevice);
    CapturingOutput output(device);

    SharedState state;
    state.Conditions.resize(1);
    state.Settings.Attenuator = kc35 ? AttenuatorMode::Kc35 : AttenuatorMode::Software;
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
    PseudoTerminal pty;
    SerialPortLink port(pty.SlavePath());
    TimedLevelLink link(port);
    Kc35Attenuator attenuator(link, events);
    TrackingRun run(state, RunDevices{&output, &clock, &events, kc35 ? &attenuator : nullptr});
    run.NoiseSeed = 3;
    run.OnTrial = KeyChangingListener(run, trials);

    const std::size_t mark = recorder.Mark();
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    const RunOutcome report = run.Run();
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
    const auto* jack = dynamic_cast<const JackRecorder*>(&recorder);
    if (kc35 && jack != nullptr && link.MaskerCommandEnds.size() >= onsets.size()) {
        // The run's last masker commands belong to its stimuli, in order.
        const std::size_t first = link.MaskerCommandEnds.size() - onsets.size();
        std::vector<double> margin;
        for (std::size_t k = 0; k < onsets.size(); ++k) {
            margin.push_back((static_cast<double>(jack->TimeOf(mark + onsets[k]))
                              - static_cast<double>(link.MaskerCommandEnds[first + k])) / 1000.0);
        }
        std::printf("KC35 level command written whole before the onset heard: min %.1f ms, p5 %.1f, median %.1f, "
                    "max %.1f (a real line needs %.1f ms)\n",
                    Quantile(margin, 0.0), Quantile(margin, 0.05), Quantile(margin, 0.5), Quantile(margin, 1.0),
                    3 * 11 * 1000.0 / 9600 + 5.0);
    }
    pty.ReadRest();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const int trials = argc > 1 ? std::max(3, std::atoi(argv[1])) : 25;
    const int isi = argc > 2 ? std::max(0, std::atoi(argv[2])) : 100;
    const float maskerMs = argc > 3 ? static_cast<float>(std::max(50, std::atoi(argv[3]))) : 300.0f;
    const bool kc35 = argc > 4 && std::string(argv[4]) == "kc35";

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
        } else if (RunOn(server, trials, isi, maskerMs, kc35)) {
            ++measured;
        }
    }
    return measured > 0 ? 0 : 1;
}
