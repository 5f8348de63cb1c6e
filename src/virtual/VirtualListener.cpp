#include "VirtualListener.h"

#include "CalibrationLevels.h"
#include "SimKeyboard.h"
#include "SimulatedHeadphone.h"
#include "SimulatedKc35Line.h"
#include "Stimuli.h"
#include "TrackingRun.h"

#include <cmath>
#include <limits>

namespace {

constexpr double ReferenceRms = SharedState::ReferenceRMS;

double Db(double energy)
{
    return energy > 0.0 ? 10.0 * std::log10(energy) : -std::numeric_limits<double>::infinity();
}

}  // namespace

VirtualListener::VirtualListener(const SharedState& state, ListenerSettings settings, SimKeyboard& keyboard,
                                 const SimulatedKc35Line* attenuator, const EarHearing& hearing,
                                 SimulatedHeadphone* headphone, RunKind kind)
    : settings_(settings)
    , keyboard_(keyboard)
    , attenuator_(attenuator)
    , mode_(state.Settings.Attenuator)
    , kind_(kind)
    , ear_(state.Ear)
    , calibFactor_(state.Settings.CalibFactor)
    , meter_(SharedState::SampleRate, ListeningCentre(hearing, state.Current().ToneF),
             ToneListeningWindow(state.Settings).Weights)
    , random_(settings.Seed)
{
    const ListeningWindow window = ToneListeningWindow(state.Settings);
    windowStart_ = window.Start;
    windowPower_ = 0.0;
    for (const float w : window.Weights) {
        windowPower_ += static_cast<double>(w) * w;
    }
    const double toneF = state.Current().ToneF;
    std::optional<double> threshold = ThresholdInQuiet(hearing, toneF);
    if (!threshold && kind_ == RunKind::Threshold) {
        threshold = ModelQuietThresholdDb;  // a tone alone needs a threshold to be missed at all
    }
    if (threshold) {
        const double passed = 10.0 * std::log10(RoexWeight(ListeningCentre(hearing, toneF), toneF));
        floorDb_ = *threshold + passed - settings_.CriterionDb;
    }
    if (mode_ == AttenuatorMode::Software) {
        const TestCondition& c = state.Current();
        const Tone tone = MakeRunTone(state.Settings, c, c.ToneSPL - StimulusCorrectionDb(state.Calibration, ear_, c.ToneF));
        const auto samples = tone.Samples();
        tone_.assign(window.Weights.size(), 0.0f);
        if (headphone != nullptr) {
            // The tone alone on the ear's output, through the headphone as the stimuli pass it.
            const auto channel = static_cast<std::size_t>(EarChannel(ear_));
            std::vector<float> stereo(2 * samples.size(), 0.0f);
            for (std::size_t i = 0; i < samples.size(); ++i) {
                stereo[2 * i + channel] = samples[i];
            }
            const HeardSound heard = headphone->Play(HeardSound{stereo, SharedState::SampleRate, 2});
            for (std::size_t i = 0; i < tone_.size() && windowStart_ + i < samples.size(); ++i) {
                tone_[i] = heard.Samples[2 * (windowStart_ + i) + channel];
            }
        } else {
            for (std::size_t i = 0; i < tone_.size() && windowStart_ + i < samples.size(); ++i) {
                tone_[i] = samples[windowStart_ + i];
            }
        }
        toneDb_ = Db(meter_.Energy(tone_) / (ReferenceRms * ReferenceRms * windowPower_)) + calibFactor_;
    }
}

void VirtualListener::Hear(const HeardSound& sound)
{
    ++presentations_;
    last_ = Listen(sound);
    last_.Noise = InternalNoise();
    // The floor adds to the masker in power: alone, it is what a tone at threshold just beats.
    const double masker = floorDb_ ? 10.0 * std::log10(std::pow(10.0, last_.MaskerDb / 10.0) + std::pow(10.0, *floorDb_ / 10.0))
                                   : last_.MaskerDb;
    last_.Heard = last_.ToneDb + last_.Noise - masker > settings_.CriterionDb;
    if (last_.Heard && !holding_) {
        keyboard_.Press(TrackingRun::SpaceKey);
    } else if (!last_.Heard && holding_) {
        keyboard_.Release(TrackingRun::SpaceKey);
    }
    holding_ = last_.Heard;
}

double VirtualListener::InternalNoise()
{
    if (settings_.Seed == 0 || settings_.NoiseDb == 0.0) {
        return 0.0;
    }
    // Box-Muller on the generator's raw output, so a seed gives the same listener everywhere.
    const double u1 = (static_cast<double>(random_()) + 0.5) / 4294967296.0;
    const double u2 = (static_cast<double>(random_()) + 0.5) / 4294967296.0;
    return settings_.NoiseDb * std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * 3.141592653589793 * u2);
}

VirtualListener::Decision VirtualListener::Listen(const HeardSound& sound)
{
    Decision decision;
    decision.ToneDb = -std::numeric_limits<double>::infinity();
    decision.MaskerDb = -std::numeric_limits<double>::infinity();
    if (sound.Channels != 2) {
        return decision;
    }
    if (kind_ == RunKind::Threshold) {
        // The tone alone, at the level the run gives it, taken whole: no masker, and the floor
        // of the threshold in quiet (Hear) decides.
        if (mode_ == AttenuatorMode::Software) {
            decision.ToneDb = ChannelEnergy(sound, EarChannel(ear_), calibFactor_);
        } else if (mode_ == AttenuatorMode::Kc35 && attenuator_ != nullptr && attenuator_->RoutedEar() == ear_) {
            if (const std::optional<int> toneLevel = attenuator_->Level(2)) {
                decision.ToneDb = ChannelEnergy(sound, 1, *toneLevel);
            }
        }
        return decision;
    }
    if (mode_ == AttenuatorMode::Software) {
        // Both components sound on the ear's own output, scaled alike by CalibFactor.
        const auto channel = static_cast<std::size_t>(EarChannel(ear_));
        const std::size_t first = 2 * windowStart_ + channel;
        const double energy = first < sound.Samples.size()
                                  ? meter_.HeardEnergy(sound.Samples.data() + first, sound.Samples.size() - first, 2, tone_)
                                  : 0.0;
        decision.MaskerDb = Db(energy / (ReferenceRms * ReferenceRms * windowPower_)) + calibFactor_;
        decision.ToneDb = toneDb_;
    } else if (mode_ == AttenuatorMode::Kc35 && attenuator_ != nullptr && attenuator_->RoutedEar() == ear_) {
        const std::optional<int> maskerLevel = attenuator_->Level(1);
        const std::optional<int> toneLevel = attenuator_->Level(2);
        if (maskerLevel) {
            decision.MaskerDb = ChannelEnergy(sound, 0, *maskerLevel);
        }
        if (toneLevel) {
            decision.ToneDb = ChannelEnergy(sound, 1, *toneLevel);
        }
    }
    return decision;
}

double VirtualListener::ChannelEnergy(const HeardSound& sound, int channel, double levelDb)
{
    const std::size_t first = 2 * windowStart_ + static_cast<std::size_t>(channel);
    if (first >= sound.Samples.size()) {
        return -std::numeric_limits<double>::infinity();
    }
    const double energy = meter_.HeardEnergy(sound.Samples.data() + first, sound.Samples.size() - first, 2);
    return Db(energy / (ReferenceRms * ReferenceRms * windowPower_)) + levelDb;
}
