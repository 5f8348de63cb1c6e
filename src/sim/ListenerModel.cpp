#include "ListenerModel.h"

#include "SharedState.h"
#include "Stimuli.h"

#include <algorithm>
#include <cmath>

ListeningWindow ToneListeningWindow(const ExperimentSettings& settings)
{
    // The same sample arithmetic as the tone's gate, so the window lies exactly on the tone.
    const double rate = SharedState::SampleRate;
    const float leading = (settings.MaskerDuration - settings.ToneDuration) * 0.5f;
    const auto start = static_cast<std::size_t>(rate * leading / 1000.0);
    const auto on = static_cast<std::size_t>(rate * settings.ToneDuration / 1000.0);
    const auto ramp = std::min(on, static_cast<std::size_t>(rate * RunToneRampMs / 1000.0));
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
