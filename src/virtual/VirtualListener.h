#pragma once

#include "ListenerHearing.h"
#include "ListenerModel.h"
#include "ListeningSoundOutput.h"
#include "RoexFilter.h"
#include "SharedState.h"

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

class SimKeyboard;
class SimulatedHeadphone;
class SimulatedKc35Line;

// A listener in a swept-masker session. It hears what is played to its ear, passes it through
// a roex(p) auditory filter centred on the tone, and compares the tone's energy with the
// masker's over the tone's on-time (ListenerModel.h): it holds SPACE while the tone-to-masker
// ratio at the filter output, plus its internal noise, exceeds its criterion.
//
// The two components are taken apart exactly:
// - With the KC35 the masker comes on the first output and the tone on the second, each
//   sounding at its attenuator channel's level (an RMS of 8000 at level L sounds at L dB SPL),
//   and both reach the ear the attenuator routes them to; the listener hears them only if
//   that is its own ear.
// - In software mode its ear's output carries masker and tone summed. The listener knows the
//   tone it listens for (the run's tone as the stimulus code builds it for the condition, played
//   lower by the run's calibration correction at ToneF and heard through the headphone) and
//   takes it away sample by sample; what remains is the masker as synthesised.
//   Anything the run got wrong about the tone stays in that remainder and lowers the
//   tone-to-masker ratio, so a wrong tone still moves the curve.
// The energies are those of the components, not of their sum, which keeps the random
// tone-masker cross term (several dB when the masker covers the tone) out of the decision.
class VirtualListener {
public:
    struct Decision {
        double ToneDb = 0.0;    // the tone's level at the filter output over the window, dB SPL
        double MaskerDb = 0.0;  // the masker's
        double Noise = 0.0;     // the internal noise of this decision, dB
        bool Heard = false;
    };

    // Listens with the ear and for the tone of `state`'s current condition; `attenuator` is
    // the KC35's line in KC35 mode (nothing in software mode); `hearing`: the ear's threshold
    // in quiet and dead region, if any; `headphone`, where given, is what every sound passes
    // before it reaches the listener. In a threshold run (`kind`) the tone comes alone at a
    // level that changes: the listener hears it above its threshold in quiet, the audiogram's or,
    // without one, the model's own (ModelQuietThresholdDb), with the internal noise of every decision.
    VirtualListener(const SharedState& state, ListenerSettings settings, SimKeyboard& keyboard,
                    const SimulatedKc35Line* attenuator, const EarHearing& hearing = {},
                    SimulatedHeadphone* headphone = nullptr, RunKind kind = RunKind::Ptc);

    // One stimulus has been played: decide and press or release SPACE on a change.
    void Hear(const HeardSound& sound);

    const Decision& LastDecision() const { return last_; }
    bool Holding() const { return holding_; }
    int Presentations() const { return presentations_; }

private:
    double InternalNoise();
    Decision Listen(const HeardSound& sound);
    double ChannelEnergy(const HeardSound& sound, int channel, double levelDb);

    ListenerSettings settings_;
    SimKeyboard& keyboard_;
    const SimulatedKc35Line* attenuator_;
    AttenuatorMode mode_;
    RunKind kind_;
    EarSide ear_;
    double calibFactor_;
    std::size_t windowStart_;
    double windowPower_;        // sum of the window's squared weights
    std::vector<float> tone_;   // software mode: the expected tone in the window
    double toneDb_ = 0.0;       // and its level at the filter output
    // The internal floor the threshold in quiet sets at the filter output, dB SPL; none
    // without an audiogram (ListenerHearing.h).
    std::optional<double> floorDb_;
    RoexEnergyMeter meter_;
    std::mt19937 random_;
    Decision last_;
    bool holding_ = false;
    int presentations_ = 0;
};
