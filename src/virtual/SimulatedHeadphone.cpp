#include "SimulatedHeadphone.h"

#include <fftw3.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>

namespace {

// Silence after a sound before the transform's end: the smooth response's filter rings far
// shorter than this, so nothing of a sound's end reaches its start.
constexpr std::size_t GuardFrames = 4096;

struct FftwFree {
    void operator()(void* buffer) const { fftwf_free(buffer); }
};
struct FftwDestroyPlan {
    void operator()(fftwf_plan_s* plan) const { fftwf_destroy_plan(plan); }
};

template <typename T>
std::unique_ptr<T, FftwFree> AllocateOwned(std::size_t count)
{
    void* buffer = fftwf_malloc(sizeof(T) * count);
    if (buffer == nullptr) {
        throw std::bad_alloc();
    }
    return std::unique_ptr<T, FftwFree>(static_cast<T*>(buffer));
}

}  // namespace

// A forward and inverse transform of one length and each ear's gain per bin, planned with
// FFTW_ESTIMATE so that the result depends on the data alone.
struct SimulatedHeadphone::Transform {
    std::size_t Frames = 0;
    int SampleRate = 0;
    std::size_t Length = 0;
    std::unique_ptr<float, FftwFree> Samples;
    std::unique_ptr<std::complex<float>, FftwFree> Bins;
    std::unique_ptr<fftwf_plan_s, FftwDestroyPlan> Forward;
    std::unique_ptr<fftwf_plan_s, FftwDestroyPlan> Inverse;
    std::array<std::vector<float>, 2> Gains;  // left, right: linear gain per bin, with the 1/Length of the round trip
};

SimulatedHeadphone::SimulatedHeadphone(HeadphoneResponse response, std::array<EarSide, 2> channelEars)
    : response_(std::move(response))
    , channelEars_(channelEars)
{
}

SimulatedHeadphone::~SimulatedHeadphone() = default;

SimulatedHeadphone::Transform& SimulatedHeadphone::TransformFor(std::size_t frames, int sampleRate)
{
    if (transform_ && transform_->Frames == frames && transform_->SampleRate == sampleRate) {
        return *transform_;
    }
    auto t = std::make_unique<Transform>();
    t->Frames = frames;
    t->SampleRate = sampleRate;
    t->Length = std::bit_ceil(frames + GuardFrames);
    const std::size_t bins = t->Length / 2 + 1;
    t->Samples = AllocateOwned<float>(t->Length);
    t->Bins = AllocateOwned<std::complex<float>>(bins);
    auto* complexBins = reinterpret_cast<fftwf_complex*>(t->Bins.get());
    t->Forward.reset(fftwf_plan_dft_r2c_1d(static_cast<int>(t->Length), t->Samples.get(), complexBins, FFTW_ESTIMATE));
    t->Inverse.reset(fftwf_plan_dft_c2r_1d(static_cast<int>(t->Length), complexBins, t->Samples.get(), FFTW_ESTIMATE));
    if (!t->Forward || !t->Inverse) {
        throw std::bad_alloc();
    }
    for (const EarSide ear : {EarSide::Left, EarSide::Right}) {
        std::vector<float>& gains = t->Gains[static_cast<std::size_t>(EarChannel(ear))];
        gains.resize(bins);
        for (std::size_t k = 0; k < bins; ++k) {
            const double hz = static_cast<double>(k) * sampleRate / static_cast<double>(t->Length);
            const double db = response_.CorrectionDb(ear, static_cast<float>(hz));
            gains[k] = static_cast<float>(std::pow(10.0, db / 20.0) / static_cast<double>(t->Length));
        }
    }
    transform_ = std::move(t);
    return *transform_;
}

void SimulatedHeadphone::FilterChannel(Transform& t, const HeardSound& sound, int channel)
{
    const auto channels = static_cast<std::size_t>(sound.Channels);
    const auto c = static_cast<std::size_t>(channel);
    float* samples = t.Samples.get();
    bool silent = true;
    for (std::size_t i = 0; i < t.Frames; ++i) {
        samples[i] = sound.Samples[i * channels + c];
        silent = silent && samples[i] == 0.0f;
    }
    if (silent) {
        return;  // the other ear's output in software mode: nothing to filter
    }
    std::fill(samples + t.Frames, samples + t.Length, 0.0f);
    fftwf_execute(t.Forward.get());
    const std::vector<float>& gains = t.Gains[static_cast<std::size_t>(EarChannel(channelEars_[c]))];
    std::complex<float>* bins = t.Bins.get();
    for (std::size_t k = 0; k < gains.size(); ++k) {
        bins[k] *= gains[k];
    }
    fftwf_execute(t.Inverse.get());
    for (std::size_t i = 0; i < t.Frames; ++i) {
        atEars_[i * channels + c] = samples[i];
    }
}

HeardSound SimulatedHeadphone::Play(const HeardSound& sound)
{
    if (sound.Channels != 2 || sound.Samples.empty()) {
        return sound;
    }
    const std::size_t frames = sound.Samples.size() / 2;
    Transform& transform = TransformFor(frames, sound.SampleRate);
    atEars_.assign(sound.Samples.begin(), sound.Samples.begin() + static_cast<std::ptrdiff_t>(frames * 2));
    for (int channel = 0; channel < 2; ++channel) {
        FilterChannel(transform, sound, channel);
    }
    return HeardSound{atEars_, sound.SampleRate, 2};
}
