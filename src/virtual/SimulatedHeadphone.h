#pragma once

#include "HeadphoneResponse.h"
#include "ListeningSoundOutput.h"

#include <array>
#include <complex>
#include <cstddef>
#include <memory>
#include <vector>

struct fftwf_plan_s;

// A headphone that does not play what the program means: at each frequency it plays an ear's
// correction (HeadphoneResponse: a meter reading c dB high) c dB louder. Each sound is filtered
// channel by channel with the response of the ear the channel reaches, as a zero-phase filter
// over the whole sound, padded so that nothing wraps round. The filter is linear: a sound's
// parts pass it as the whole does, so a listener may filter the tone it listens for alike.
class SimulatedHeadphone {
public:
    // `channelEars`: the ear each output reaches (software levels: left and right; the KC35
    // routes both to the chosen ear).
    SimulatedHeadphone(HeadphoneResponse response, std::array<EarSide, 2> channelEars);
    ~SimulatedHeadphone();
    SimulatedHeadphone(const SimulatedHeadphone&) = delete;
    SimulatedHeadphone& operator=(const SimulatedHeadphone&) = delete;

    // The sound at the ears: valid until the next call. A sound of another channel count than
    // two passes unchanged.
    HeardSound Play(const HeardSound& sound);

    const HeadphoneResponse& Response() const { return response_; }

private:
    struct Transform;
    Transform& TransformFor(std::size_t frames, int sampleRate);
    void FilterChannel(Transform& transform, const HeardSound& sound, int channel);

    HeadphoneResponse response_;
    std::array<EarSide, 2> channelEars_;
    std::unique_ptr<Transform> transform_;  // for the length of the last sound; a run's are all alike
    std::vector<float> atEars_;
};
