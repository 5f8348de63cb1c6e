#include "ListenerModel.h"

#include "SampleCount.h"
#include "SharedState.h"
#include "Stimuli.h"

#include <algorithm>
#include <cmath>

ListeningWindow ToneListeningWindow(const ExperimentSettings& settings)
{
    // The same sample counts as the tone's gate, so the window lies exactly on the tone.
    constexpr int rate = SharedState::SampleRate;
    const float leading = (settings.MaskerDuration - settings.ToneDuration) * 0.5f;
    const std::size_t start = SamplesFor(rate, leading);
    const std::size_t on = SamplesFor(rate, settings.ToneDuration);
    const std::size_t ramp = std::min<std::size_t>(on, SamplesFor(rate, RunToneRampMs));
    ListeningWindow window;
    window.Start = start;
    window.Weights.assign(on, 1.0f);
    for (std::size_t k = 0; k < ramp; ++k) {
        const auto w = static_cast<float>((1.0 - std::cos(3.1415927 / static_cast<double>(ramp) * k)) * 0.5);
        window.Weights[k] *= w;
        window.Weights[on - 1 - k] *= w;
    }
    return window;
}
