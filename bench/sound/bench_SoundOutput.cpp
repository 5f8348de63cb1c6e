// Plays 20 consecutive 600 ms stimuli and reports how long each call overran the sound and how
// long the device took to ask for the first frames. Usage:
//   JACK_DEFAULT_SERVER=NAME bench_sound_output [AudioDevice text] [count]
#include "PlayTwoChannel.h"
#include "PortAudioOutput.h"
#include "Quantile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int Rate = 44100;
constexpr std::uint32_t Frames = 26460;  // 600 ms
constexpr double DurationMs = 600.0;

double Ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void Report(const char* what, const std::vector<double>& v)
{
    std::printf("%-42s median %7.2f ms  IQR %6.2f ms  min %7.2f  max %7.2f\n", what, Quantile(v, 0.5),
                Quantile(v, 0.75) - Quantile(v, 0.25), Quantile(v, 0.0), Quantile(v, 1.0));
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string device = argc > 1 ? argv[1] : "";
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    std::vector<std::int16_t> left(Frames), right(Frames, 0);
    for (std::uint32_t i = 0; i < Frames; ++i) {
        left[i] = static_cast<std::int16_t>(std::lround(8000.0 * std::sin(2.0 * M_PI * 1000.0 * i / Rate)));
    }

    PortAudioOutput output(device);
    std::vector<double> overrun, firstCallback, afterStart;
    int failures = 0;
    for (int n = 0; n < count; ++n) {
        const Result<SoundPlayed> played = PlayTwoChannel(output, Rate, Frames, left.data(), right.data());
        if (!played || played.Value() != SoundPlayed::Whole) {
            ++failures;
            continue;
        }
        const PlaybackTimes& t = output.LastPlayback();
        overrun.push_back(Ms(t.Returned - t.Called) - DurationMs);
        firstCallback.push_back(Ms(t.FirstCallback - t.Called));
        afterStart.push_back(Ms(t.Returned - t.FirstCallback) - DurationMs);
    }
    std::printf("%d stimuli of 600 ms on AudioDevice='%s': %d played, %d failed\n", count, device.c_str(),
                count - failures, failures);
    if (overrun.empty()) {
        return 1;
    }
    Report("return time - sound duration", overrun);
    Report("call to first callback", firstCallback);
    Report("return time - first callback - duration", afterStart);
    return 0;
}
