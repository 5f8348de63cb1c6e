#include "VirtualRun.h"

#include "Clock.h"
#include "InverseFourierTransform.h"
#include "Kc35Attenuator.h"
#include "ListeningSoundOutput.h"
#include "RunChecks.h"
#include "SimKeyboard.h"
#include "SimulatedHeadphone.h"
#include "SimulatedKc35Line.h"
#include "ToneLevel.h"
#include "VirtualListener.h"

namespace {

// The key that ends a session that would not end: Esc, like an operator's.
constexpr int StopKey = 27;

// The state the set-up window would have after loading `parameters` and choosing the options.
SharedState StateFor(const ParameterSet& parameters, const VirtualRunOptions& options)
{
    SharedState state;
    state.Settings = parameters.Settings;
    state.Conditions = parameters.Conditions;
    state.CurrentCondition = options.Condition - 1;
    state.Ear = options.Ear;
    state.SweepDirection = options.SweepDirection;
    state.SubjectName = options.Subject;
    state.ResultsFileName = options.ResultsName + ".dat";
    state.Calibration = options.Calibration;
    state.ResetResults();
    return state;
}

}  // namespace

std::int64_t VirtualTrialLimit(int freqPointCount)
{
    return 20 * std::int64_t{freqPointCount} + 1000;
}

Result<> CheckVirtualRun(const ParameterSet& parameters, const VirtualRunOptions& options)
{
    const auto conditions = static_cast<int>(parameters.Conditions.size());
    if (options.Condition < 1 || options.Condition > conditions) {
        return Failure{"there is no condition " + std::to_string(options.Condition) + " (the file has "
                       + std::to_string(conditions) + ")"};
    }
    const SharedState state = StateFor(parameters, options);
    if (const Result<> check = options.Kind == RunKind::Threshold ? CheckThresholdRun(state, '.')
                                                                   : CheckRunConditions(state, '.');
        !check) {
        return check;
    }
    if (!(parameters.Conditions[static_cast<std::size_t>(options.Condition - 1)].ToneF > 0.0f)) {
        return Failure{"the virtual listener's filter needs a tone frequency above 0 Hz"};
    }
    return {};
}

VirtualRunResult RunWithVirtualListener(const ParameterSet& parameters, const VirtualRunOptions& options,
                                       const std::function<void(const TrialRecord&)>& onTrial)
{
    VirtualRunResult result;
    if (const Result<> check = CheckVirtualRun(parameters, options); !check) {
        result.Refusal = check.Reason();
        return result;
    }
    SharedState state = StateFor(parameters, options);
    if (options.Kind == RunKind::Ptc && state.Current().ToneSL) {
        // The listener listens for the tone the run will play: at its threshold plus ToneSL.
        const Result<ResolvedTone> tone = ResolveToneSL(state, options.Session ? options.Session->Id : std::string());
        if (!tone) {
            result.Refusal = tone.Reason();
            return result;
        }
        state.Current().ToneSPL = tone.Value().ToneSPL;
    }

    VirtualClock clock;
    SimKeyboard keyboard;
    SimulatedKc35Line line;
    Kc35Attenuator attenuator(line, keyboard);
    const bool kc35 = state.Settings.Attenuator == AttenuatorMode::Kc35;
    if (kc35) {
        // What loading the file and choosing the ear send.
        attenuator.SendKC35Setup();
        attenuator.SendEarRouting(state.Ear);
    }
    const HeadphoneResponse response = options.Headphone.value_or(options.Calibration.Response);
    // Without a response the listener hears the samples themselves, as it always has.
    std::optional<SimulatedHeadphone> headphone;
    if (!response.Empty()) {
        headphone.emplace(response, kc35 ? std::array{state.Ear, state.Ear} : std::array{EarSide::Left, EarSide::Right});
    }
    SimulatedHeadphone* const heardThrough = headphone ? &*headphone : nullptr;
    const EarHearing& hearing = options.Hearing.Of(options.Ear);
    VirtualListener listener(state, options.Listener, keyboard, kc35 ? &line : nullptr, hearing, heardThrough, options.Kind);
    ListeningSoundOutput headphones(clock, [&listener, heardThrough](const HeardSound& sound) {
        listener.Hear(heardThrough != nullptr ? heardThrough->Play(sound) : sound);
    });

    RunDevices devices;
    devices.sound = &headphones;
    devices.clock = &clock;
    devices.dispatcher = &keyboard;
    devices.attenuator = kc35 ? &attenuator : nullptr;
    TrackingRun run(state, devices);
    run.NoiseSeed = options.Listener.Seed;
    run.CarrierSynthesis = SineSynthesis::Rotation;
    run.ReservoirTransform = InverseTransformOfReservoir;
    // The command line reads the criterion and the noise as 32-bit floats; so does the record.
    run.Listener = SimulatedListenerRecord{options.Listener.Seed, static_cast<float>(options.Listener.CriterionDb),
                                           static_cast<float>(options.Listener.NoiseDb),
                                           hearing.Normal() ? ListenerModelVersion : HearingListenerModelVersion};
    run.Session = options.Session;
    run.Kind = options.Kind;
    keyboard.Attach(run);

    result.TrialLimit = VirtualTrialLimit(state.FreqPointCount);
    run.OnTrial = [&](const TrialRecord& trial) {
        if (trial.Trial == result.TrialLimit) {
            keyboard.Press(StopKey);
            result.StoppedAtLimit = true;
        }
        if (onTrial) {
            onTrial(trial);
        }
    };
    result.Report = run.Run();
    result.Points = state.Results.Points();
    result.Points.resize(static_cast<std::size_t>(state.Results.StoredResultCount));
    result.ElapsedMs = clock.NowMs();
    result.Presentations = listener.Presentations();
    result.AttenuatorProblems = line.Problems();
    return result;
}
