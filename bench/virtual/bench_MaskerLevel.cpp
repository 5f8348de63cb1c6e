// How far a run plays its masker from the level its results record, and how often two trials of
// a run play the same noise. One virtual run per seed of the default condition (software levels,
// 500-2000 Hz in 10 Hz steps, the virtual listener deciding); every stimulus is taken apart into
// tone and masker as the listener does, over the masker's flat part (between its ramps).
//   offset: recorded minus played masker level of the run, dB: the ratio of played to recorded
//           power averaged over the run's trials at 50 dB SPL and above (below that the 16-bit
//           steps of the played sound weigh in). The level convention makes it 3.01 dB (the band
//           shift halves the power of the noise it cuts).
//   shared: trial pairs of the run whose masker power envelopes (2 ms blocks) correlate above 0.95.
// Usage: bench_masker_level [seeds] (default 40); prints one line per seed and the spread.
#include "Clock.h"
#include "ListeningSoundOutput.h"
#include "SimKeyboard.h"
#include "Stimuli.h"
#include "TrackingRun.h"
#include "VirtualListener.h"
#include "VirtualRun.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <vector>

namespace {

constexpr std::size_t BlockFrames = 88;  // 2 ms
constexpr double SharedCorrelation = 0.95;
constexpr double MeasuredLevelDb = 50.0;

struct RunFigures {
    int Trials = 0;
    int MeasuredTrials = 0;  // at MeasuredLevelDb and above
    double MeanOffsetDb = 0.0;
    long SharedPairs = 0;
    long Pairs = 0;
};

double Correlation(const std::vector<double>& a, const std::vector<double>& b)
{
    const auto n = static_cast<double>(a.size());
    const double ma = std::accumulate(a.begin(), a.end(), 0.0) / n;
    const double mb = std::accumulate(b.begin(), b.end(), 0.0) / n;
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return ab / std::sqrt(aa * bb);
}

RunFigures MeasureRun(std::uint32_t seed)
{
    SharedState state;
    state.Conditions.resize(1);
    state.Settings.N_Cond = 1;
    state.ResultsFileName = "masker-level.dat";
    state.ResetResults();
    const ExperimentSettings& settings = state.Settings;
    const TestCondition& c = state.Current();
    const Tone tone = MakeRunTone(settings, c, c.ToneSPL);
    const auto ramp = static_cast<std::size_t>(settings.RiseFall * 44.1f);
    const auto channel = static_cast<std::size_t>(EarChannel(state.Ear));

    VirtualClock clock;
    SimKeyboard keyboard;
    ListenerSettings listenerSettings;
    listenerSettings.Seed = seed;
    VirtualListener listener(state, listenerSettings, keyboard, nullptr);
    std::vector<double> playedDb;
    std::vector<std::vector<double>> envelopes;
    ListeningSoundOutput headphones(clock, [&](const HeardSound& sound) {
        listener.Hear(sound);
        const std::size_t frames = sound.Samples.size() / 2;
        double sum = 0.0;
        std::vector<double>& envelope = envelopes.emplace_back();
        double block = 0.0;
        for (std::size_t i = ramp; i + ramp < frames; ++i) {
            const double masker = sound.Samples[2 * i + channel] - tone.Samples()[i];
            sum += masker * masker;
            block += masker * masker;
            if ((i - ramp + 1) % BlockFrames == 0) {
                envelope.push_back(block);
                block = 0.0;
            }
        }
        const double rms = std::sqrt(sum / static_cast<double>(frames - 2 * ramp));
        playedDb.push_back(settings.CalibFactor + 20.0 * std::log10(rms / SharedState::ReferenceRMS));
    });
    RunDevices devices;
    devices.sound = &headphones;
    devices.clock = &clock;
    devices.dispatcher = &keyboard;
    TrackingRun run(state, devices);
    run.NoiseSeed = seed;
    keyboard.Attach(run);
    std::vector<double> recordedDb;
    const std::int64_t limit = VirtualTrialLimit(state.FreqPointCount);
    run.OnTrial = [&](const TrialRecord& trial) {
        recordedDb.push_back(trial.Level);
        if (trial.Trial == limit) {
            keyboard.Press(27);
        }
    };
    run.Run();

    RunFigures figures;
    figures.Trials = static_cast<int>(recordedDb.size());
    double powerRatio = 0.0;
    for (std::size_t i = 0; i < recordedDb.size(); ++i) {
        if (recordedDb[i] >= MeasuredLevelDb) {
            powerRatio += std::pow(10.0, (playedDb[i] - recordedDb[i]) / 10.0);
            ++figures.MeasuredTrials;
        }
    }
    figures.MeanOffsetDb = -10.0 * std::log10(powerRatio / std::max(figures.MeasuredTrials, 1));
    for (std::size_t i = 0; i < envelopes.size(); ++i) {
        for (std::size_t j = i + 1; j < envelopes.size(); ++j) {
            ++figures.Pairs;
            figures.SharedPairs += Correlation(envelopes[i], envelopes[j]) > SharedCorrelation ? 1 : 0;
        }
    }
    return figures;
}

}  // namespace

int main(int argc, char** argv)
{
    const int seeds = argc > 1 ? std::atoi(argv[1]) : 40;
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quorvex-bench-masker-level";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    std::vector<double> offsets;
    long shared = 0, pairs = 0;
    int runsSharing = 0;
    std::printf("seed\ttrials\tmeasured\toffset_dB\tshared_pairs\tpairs\n");
    for (int seed = 1; seed <= seeds; ++seed) {
        const RunFigures f = MeasureRun(static_cast<std::uint32_t>(seed));
        std::printf("%d\t%d\t%d\t%.3f\t%ld\t%ld\n", seed, f.Trials, f.MeasuredTrials, f.MeanOffsetDb, f.SharedPairs,
                    f.Pairs);
        offsets.push_back(f.MeanOffsetDb);
        shared += f.SharedPairs;
        pairs += f.Pairs;
        runsSharing += f.SharedPairs > 0 ? 1 : 0;
    }
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);
    if (offsets.empty()) {
        return 0;
    }
    const double mean = std::accumulate(offsets.begin(), offsets.end(), 0.0) / static_cast<double>(offsets.size());
    double variance = 0.0;
    for (const double o : offsets) {
        variance += (o - mean) * (o - mean) / static_cast<double>(offsets.size());
    }
    const auto [low, high] = std::minmax_element(offsets.begin(), offsets.end());
    std::printf("runs %zu: offset mean %.3f dB, SD %.3f dB, range %.3f .. %.3f dB (convention 3.010)\n",
                offsets.size(), mean, std::sqrt(variance), *low, *high);
    std::printf("shared noise: %ld of %ld trial pairs (%.4f %%), in %d of %zu runs\n", shared, pairs,
                100.0 * static_cast<double>(shared) / static_cast<double>(pairs), runsSharing, offsets.size());
    return 0;
}
