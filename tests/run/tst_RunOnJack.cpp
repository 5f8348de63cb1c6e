// One short measurement through the real sound output to the test's JACK server, with a
// scripted listener: every trial must reach the listener's ear, and only that ear, exactly as
// synthesised and at the level the track asked for.
#include "Csv.h"
#include "JackRecorder.h"
#include "PortAudioOutput.h"
#include "ScratchFolder.h"
#include "ScriptedListener.h"
#include "TrackingRun.h"
#include "WholeFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace {

using Key = ScriptedListener::Key;
using namespace std::chrono_literals;

// What one presentation sent to the device and what the recorder heard of it.
struct Presentation {
    std::vector<std::int16_t> Sent;     // interleaved stereo
    std::vector<std::int32_t> Heard;    // interleaved stereo, from before the sound to after it
};

// Forwards every sound to the real output and keeps what was sent beside what was recorded.
class ListeningOutput final : public SoundOutput {
public:
    ListeningOutput(SoundOutput& device, JackRecorder& recorder)
        : device_(device)
        , recorder_(recorder)
    {
    }

    int PlayPcm(const std::int16_t* buffer, int lengthBytes, int sampleRate, int bytesPerSample,
                int channels) override
    {
        const std::size_t mark = recorder_.Mark();
        const int result = device_.PlayPcm(buffer, lengthBytes, sampleRate, bytesPerSample, channels);
        const std::size_t samples = static_cast<std::size_t>(lengthBytes) / 2;
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (recorder_.Mark() < mark + samples / 2 + 4096 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(2ms);
        }
        Presentations.push_back({std::vector<std::int16_t>(buffer, buffer + samples), recorder_.Since(mark)});
        return result;
    }

    std::string UsedDevice() const override { return device_.UsedDevice(); }

    std::vector<Presentation> Presentations;

private:
    SoundOutput& device_;
    JackRecorder& recorder_;
};

double RightRms(const std::vector<std::int16_t>& stereo)
{
    double sum = 0.0;
    for (std::size_t i = 1; i < stereo.size(); i += 2) {
        sum += static_cast<double>(stereo[i]) * stereo[i];
    }
    return std::sqrt(sum / static_cast<double>(stereo.size() / 2));
}

}  // namespace

TEST(RunOnJack, EveryTrialIsHeardOnTheChosenEarAtItsLevel)
{
    JackRecorder recorder("quorvex-run-rec-" + std::to_string(::getpid()), 60 * 44100);
    ASSERT_EQ(recorder.Problem(), "") << "this test needs the JACK server that scripts/test.sh starts";
    PortAudioOutput device(recorder.Name());
    ListeningOutput output(device, recorder);

    SharedState state;
    state.Conditions.resize(1);
    TestCondition& c = state.Current();
    c.MaskStartSPL = 70.0f;
    c.SPLstep = 6.0f;
    c.ToneSPL = 0.0f;  // far below one sample step: the right channel carries the masker alone
    c.MaskerBW = 400.0f;  // a wide band keeps each section's level close to the band's level
    state.Settings.MaskerDuration = 300.0f;
    state.Settings.ToneDuration = 100.0f;
    state.Settings.ISI = 0;
    state.Ear = 1;
    const ScratchFolder scratch;  // the run writes "test.out" and its results here
    state.ResultsFileName = "jack.dat";

    TrialCountingClock clock;
    ScriptedListener listener(clock);
    TrackingRun run(state, RunDevices{&output, &clock, &listener, nullptr});
    run.NoiseSeed = 7;  // the same noise every time, so the level check cannot be unlucky
    listener.Attach(run);
    listener.During(1, {Key::Press, Key::Release, Key::Press, Key::Release});
    listener.During(2, {Key::Press});
    listener.During(4, {Key::Stop});
    const RunReport report = run.Run();

    EXPECT_EQ(report.Trials, 4);
    EXPECT_EQ(report.FailedPresentations, 0);
    ASSERT_EQ(output.Presentations.size(), 4u);
    const double levels[] = {70.0, 64.0, 70.0, 76.0};  // down, then up after the press
    for (std::size_t t = 0; t < output.Presentations.size(); ++t) {
        SCOPED_TRACE("trial " + std::to_string(t + 1));
        const Presentation& p = output.Presentations[t];
        // The recorder hears the stream from its first frame, after some silence.
        std::size_t start = 0;
        while (start * 2 + 1 < p.Heard.size() && p.Heard[start * 2 + 1] == 0) {
            ++start;
        }
        std::size_t firstSent = 0;
        while (firstSent * 2 + 1 < p.Sent.size() && p.Sent[firstSent * 2 + 1] == 0) {
            ++firstSent;
        }
        ASSERT_GE(start, firstSent);
        start -= firstSent;
        ASSERT_LE((start * 2) + p.Sent.size(), p.Heard.size());
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < p.Sent.size(); ++i) {
            wrong += p.Heard[start * 2 + i] != p.Sent[i];
        }
        EXPECT_EQ(wrong, 0u) << "samples heard differently from what was played";
        double left = 0.0;
        for (std::size_t i = 0; i < p.Heard.size(); i += 2) {
            left += std::abs(p.Heard[i]);
        }
        EXPECT_EQ(left, 0.0) << "the other ear hears nothing";
        // The masker band is the reservoir (RMS 8000) times a unit sine: RMS 8000/sqrt(2) at
        // CalibFactor, less its 20 ms ramps, scaled by the level below CalibFactor.
        const double ramps = 1.0 - 2.0 * 20.0 * (1.0 - 0.375) / 300.0;
        const double expected = 8000.0 / std::sqrt(2.0) * std::sqrt(ramps) * std::pow(10.0, (levels[t] - 100.0) / 20.0);
        EXPECT_NEAR(20.0 * std::log10(RightRms(p.Sent) / expected), 0.0, 1.5);
    }
    std::ifstream results(state.ResultsFileName, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(results), std::istreambuf_iterator<char>()};
    EXPECT_NE(text.find("; Ear = right\r\n"), std::string::npos);
    EXPECT_NE(text.find("500\t64\r\n"), std::string::npos) << text;

    // The session record names the device the stimuli went to.
    const auto record = ParseCsv(ReadWholeFile("jack.csv").Text);
    ASSERT_EQ(record.size(), 2u);
    const auto column = std::find(record[0].begin(), record[0].end(), "device") - record[0].begin();
    ASSERT_LT(static_cast<std::size_t>(column), record[1].size());
    EXPECT_NE(record[1][static_cast<std::size_t>(column)].find("(JACK Audio Connection Kit)"), std::string::npos)
        << record[1][static_cast<std::size_t>(column)];
}
