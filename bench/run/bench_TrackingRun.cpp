// A real run (the run class, real synthesis, real PortAudio output on a JACK server, real
// clock, a scripted listener) recorded frame by frame by a JACK client of this program's own.
// Prints how far each stimulus's onset-to-onset interval is from MaskerDuration + ISI, in
// samples, how many onsets came late and the process's CPU time as a share of the run's wall
// time (the recording client included). Usage:
//   JACK_DEFAULT_SERVER=NAME bench_tracking_run [trials] [ISI ms] [MaskerDuration ms]
#include "Clock.h"
#include "EventDispatcher.h"
#include "JackRecorder.h"
#include "PortAudioOutput.h"
#include "TrackingRun.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 44100;

// Forwards every sound to the device's stream and keeps a copy of what was sent.
class CapturingStream final : public SoundStream {
public:
    CapturingStream(std::unique_ptr<SoundStream> device, std::vector<std::vector<std::int16_t>>& sent)
        : device_(std::move(device)), sent_(sent)
    {
    }

    int Queue(const std::int16_t* interleaved, std::size_t frames, SoundStart start, bool held) override
    {
        sent_.emplace_back(interleaved, interleaved + 2 * frames);
        return device_->Queue(interleaved, frames, start, held);
    }
    void Release(int ticket) override { device_->Release(ticket); }
    StreamedSound Wait(int ticket) override { return device_->Wait(ticket); }
    std::int64_t Position() override { return device_->Position(); }
    std::int64_t ExpectedOnset(int ticket) override { return device_->ExpectedOnset(ticket); }
    std::int64_t LeadFrames() override { return device_->LeadFrames(); }
    void WaitUntil(std::int64_t frame) override { device_->WaitUntil(frame); }

private:
    std::unique_ptr<SoundStream> device_;
    std::vector<std::vector<std::int16_t>>& sent_;
};

class CapturingOutput final : public SoundOutput {
public:
    explicit CapturingOutput(SoundOutput& device) : device_(device) {}

    int PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                int channels) override
    {
        return device_.PlayPcm(buffer, lengthBytes, sampleRate, bytesPerSample, channels);
    }
    std::unique_ptr<SoundStream> OpenStream(int sampleRate, int channels, int prepareMs) override
    {
        return std::make_unique<CapturingStream>(device_.OpenStream(sampleRate, channels, prepareMs), Sent);
    }

    std::vector<std::vector<std::int16_t>> Sent;  // interleaved stereo, in the order queued

private:
    SoundOutput& device_;
};

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

double Quantile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    const double at = q * static_cast<double>(v.size() - 1);
    const std::size_t below = static_cast<std::size_t>(at);
    const std::size_t above = std::min(below + 1, v.size() - 1);
    return v[below] + (at - static_cast<double>(below)) * (v[above] - v[below]);
}

// The first frame of `stereo` (interleaved) with a non-zero sample on `channel`.
std::size_t FirstSounding(const std::vector<std::int32_t>& stereo, int channel, std::size_t from)
{
    for (std::size_t i = from; 2 * i + 1 < stereo.size(); ++i) {
        if (stereo[2 * i + static_cast<std::size_t>(channel)] != 0) {
            return i;
        }
    }
    return stereo.size() / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const int trials = argc > 1 ? std::max(3, std::atoi(argv[1])) : 25;
    const int isi = argc > 2 ? std::max(0, std::atoi(argv[2])) : 100;
    const float maskerMs = argc > 3 ? static_cast<float>(std::max(50, std::atoi(argv[3]))) : 300.0f;

    // Created before PortAudio starts, so that PortAudio lists it as an output device.
    JackRecorder recorder("quorvex-bench-rec-" + std::to_string(getpid()),
                          static_cast<std::size_t>((trials * (maskerMs + isi) / 1000.0 + 10.0) * Rate));
    if (!recorder.Problem().empty()) {
        std::fprintf(stderr, "bench_tracking_run: %s\n", recorder.Problem().c_str());
        return 1;
    }
    PortAudioOutput device(recorder.Name());
    CapturingOutput output(device);

    SharedState state;
    state.Conditions.resize(1);
    state.Settings.Attenuator = 1;
    state.Settings.MaskerDuration = maskerMs;
    state.Settings.ToneDuration = maskerMs / 3.0f;
    state.Settings.ISI = isi;
    state.Ear = 1;
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
    usleep(200000);  // the last frames reach the recorder
    const std::vector<std::int32_t> heard = recorder.Since(mark);
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(dir);

    // Each stimulus is found after the previous one by its first sounding sample, which the
    // float path to the recorder carries unchanged.
    const int channel = state.Ear;
    std::vector<std::size_t> onsets;
    std::size_t cursor = 0;
    std::size_t wrongSamples = 0;
    for (const std::vector<std::int16_t>& sent : output.Sent) {
        std::size_t firstSent = 0;
        while (2 * firstSent + 1 < sent.size() && sent[2 * firstSent + static_cast<std::size_t>(channel)] == 0) {
            ++firstSent;
        }
        const std::size_t found = FirstSounding(heard, channel, cursor + firstSent);
        if (found < firstSent || 2 * (found - firstSent) + sent.size() > heard.size()) {
            break;
        }
        const std::size_t onset = found - firstSent;
        for (std::size_t i = 0; i < sent.size(); ++i) {
            wrongSamples += heard[2 * onset + i] != sent[i];
        }
        onsets.push_back(onset);
        cursor = onset + sent.size() / 2;
    }

    const double expected = static_cast<double>(output.Sent.empty() ? 0 : output.Sent[0].size() / 2) +
                            static_cast<double>(static_cast<std::int64_t>(isi * (Rate / 1000.0)));
    std::vector<double> error;
    int late = 0;
    for (std::size_t k = 1; k < onsets.size(); ++k) {
        error.push_back(static_cast<double>(onsets[k] - onsets[k - 1]) - expected);
        late += error.back() > 1.0;
    }
    std::printf("run: %d trials, MaskerDuration %.0f ms, ISI %d ms: %zu stimuli sent, %zu found in the recording, "
                "%zu samples differ, %d not played\n",
                report.Trials, maskerMs, isi, output.Sent.size(), onsets.size(), wrongSamples,
                report.FailedPresentations);
    if (error.empty()) {
        return 1;
    }
    std::printf("onset-to-onset - (MaskerDuration + ISI): median %.1f samples, p5 %.1f, p95 %.1f, min %.0f, max %.0f\n",
                Quantile(error, 0.5), Quantile(error, 0.05), Quantile(error, 0.95), Quantile(error, 0.0),
                Quantile(error, 1.0));
    std::printf("late onsets (more than 1 sample after MaskerDuration + ISI): %d of %zu; the run counted %d, "
                "the latest by %.1f ms\n",
                late, error.size(), report.LateStimuli, report.MostLateMs);
    std::printf("CPU: %.2f s in %.2f s of run = %.1f %% of a core\n", cpu, wall, 100.0 * cpu / wall);
    return 0;
}
