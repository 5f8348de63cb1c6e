// Costs of the stimulus synthesis: the run's noise reservoir (made once per run) and one
// trial's stimulus (made between trials, within the ISI), with FFTW's single-precision inverse
// real transform of the reservoir's length as the speed reference for our transform.
#include "Fft.h"
#include "Stimuli.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr std::uint32_t ReservoirSamples = 524288;

ExperimentSettings RunSettings()
{
    ExperimentSettings settings;  // MaskerDuration 600, ToneDuration 400, RiseFall 20
    settings.Attenuator = AttenuatorMode::Software;
    return settings;
}

std::vector<float> RandomSpectrum(std::size_t count)
{
    std::mt19937 engine(1);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> data(count);
    for (float& x : data) {
        x = uniform(engine);
    }
    return data;
}

void BM_NoiseReservoir(benchmark::State& state)
{
    const ExperimentSettings settings = RunSettings();
    TestCondition condition;
    condition.MaskerBW = static_cast<float>(state.range(0));
    std::uint32_t seed = 1;
    for (auto _ : state) {
        Noise reservoir = MakeNoiseReservoir(condition, seed++);
        benchmark::DoNotOptimize(reservoir.Samples().data());
    }
}
BENCHMARK(BM_NoiseReservoir)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Generate and SetRms alone, on a noise already made and sized, as the run does them.
void BM_NoiseGenerateAndSetRms(benchmark::State& state)
{
    Noise noise(ReservoirRequestMs, 44100, 1);
    noise.SetBands(1, 0.0f, 100.0f, 0.0f, 0.0f);
    for (auto _ : state) {
        noise.Generate();
        noise.SetRms(8000.0f);
        benchmark::DoNotOptimize(noise.Samples().data());
    }
}
BENCHMARK(BM_NoiseGenerateAndSetRms)->Unit(benchmark::kMillisecond)->UseRealTime();

// One trial in software mode: random 600 ms section, carrier, multiply, gain, gate, tone added.
void BM_TrialStimulus(benchmark::State& state)
{
    const ExperimentSettings settings = RunSettings();
    const TestCondition condition;
    const Noise reservoir = MakeNoiseReservoir(condition, 7);
    const Tone tone = MakeRunTone(settings, condition, condition.ToneSPL);
    Wave masker = MakeTrialBuffer(settings);
    Tone carrier = MakeCarrier(settings);
    float frequency = 500.0f;
    for (auto _ : state) {
        BuildTrialMasker(masker, carrier, reservoir, settings, frequency);
        LevelAndGateMasker(masker, settings, -60.0f);
        masker.Add(tone);
        benchmark::DoNotOptimize(masker.Samples().data());
        frequency = frequency < 2000.0f ? frequency + 10.0f : 500.0f;
    }
}
BENCHMARK(BM_TrialStimulus)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_OurInverseRealFft(benchmark::State& state)
{
    const std::vector<float> spectrum = RandomSpectrum(ReservoirSamples);
    std::vector<float> data(ReservoirSamples);
    for (auto _ : state) {
        state.PauseTiming();
        data = spectrum;
        state.ResumeTiming();
        if (const Result<> transformed = RealFft(data.data(), ReservoirSamples, -1); !transformed) {
            state.SkipWithError(transformed.Reason().c_str());
            break;
        }
        benchmark::DoNotOptimize(data.data());
    }
}
BENCHMARK(BM_OurInverseRealFft)->Unit(benchmark::kMillisecond)->UseRealTime();

struct FftwPlanDeleter {
    void operator()(fftwf_plan_s* plan) const { fftwf_destroy_plan(plan); }
};
struct FftwFree {
    void operator()(void* p) const { fftwf_free(p); }
};

// FFTW's complex-to-real transform of the same length (estimated plan, input preserved by a
// copy as ours is).
void BM_FftwInverseRealFft(benchmark::State& state)
{
    const std::vector<float> spectrum = RandomSpectrum(ReservoirSamples);
    const std::unique_ptr<fftwf_complex, FftwFree> in(
        static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * (ReservoirSamples / 2 + 1))));
    const std::unique_ptr<float, FftwFree> out(static_cast<float*>(fftwf_malloc(sizeof(float) * ReservoirSamples)));
    const std::unique_ptr<fftwf_plan_s, FftwPlanDeleter> plan(
        fftwf_plan_dft_c2r_1d(static_cast<int>(ReservoirSamples), in.get(), out.get(), FFTW_ESTIMATE));
    for (auto _ : state) {
        state.PauseTiming();
        for (std::uint32_t k = 0; k < ReservoirSamples / 2; ++k) {
            in.get()[k][0] = spectrum[2 * k];
            in.get()[k][1] = spectrum[2 * k + 1];
        }
        in.get()[ReservoirSamples / 2][0] = spectrum[1];
        in.get()[ReservoirSamples / 2][1] = 0.0f;
        in.get()[0][1] = 0.0f;
        state.ResumeTiming();
        fftwf_execute(plan.get());
        benchmark::DoNotOptimize(out.get());
    }
}
BENCHMARK(BM_FftwInverseRealFft)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
