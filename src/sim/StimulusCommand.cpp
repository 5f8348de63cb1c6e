// quorvex-sim stimulus: writes the stimulus the program builds for a test-condition file to a
// WAV file, stimulus on the left, silence on the right.
#include "SimCommands.h"

#include "NamedParameterFile.h"
#include "SimOptions.h"

#include "NumberFormat.h"
#include "NumberParse.h"
#include "ParameterFile.h"
#include "RunChecks.h"
#include "SharedState.h"
#include "Stimuli.h"
#include "StimulusLimits.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace {

struct StimulusRequest {
    std::string kind;
    std::string out;
    std::string ini = "./PTC.INI";
    int condition = 1;
    std::optional<std::uint32_t> seed;
    std::optional<float> frequency;
    std::optional<float> level;
};

// What the parser cannot check alone; says what is wrong when something is.
bool CheckRequest(const StimulusRequest& request)
{
    const auto fail = [](const std::string& message) {
        std::cerr << "quorvex-sim stimulus: " << message << '\n';
        return false;
    };
    if (request.frequency && request.kind != "masker") {
        return fail("--frequency sets the masker's centre frequency and applies to masker only");
    }
    if (request.level && request.kind != "masker" && request.kind != "tone") {
        return fail("--level applies to tone and masker only");
    }
    return true;
}

// The masker level a trial plays for a requested level: never above CalibFactor (the run gives
// the masker no positive gain), at most MaxSPL and at least -10 dB SPL.
float PlayedMaskerLevel(const ExperimentSettings& settings, const TestCondition& condition, float level)
{
    float relative = level - settings.CalibFactor;
    if (relative > 0.0f) {
        relative = 0.0f;
    }
    float played = settings.CalibFactor + relative;
    if (played > condition.MaxSPL) {
        played = condition.MaxSPL;
    }
    if (!(played >= -10.0f)) {
        played = -10.0f;
    }
    return played;
}

std::string DisplayNumber(double value)
{
    return FormatForDisplay(value, '.');
}

// Builds the requested stimulus; on refused settings says why and returns nothing.
std::optional<Wave> BuildStimulus(const StimulusRequest& request, const ExperimentSettings& settings,
                                  const TestCondition& condition)
{
    const auto refuse = [](const std::string& message) {
        std::cerr << "quorvex-sim stimulus: " << message << '\n';
        return std::optional<Wave>();
    };
    if (request.kind == "calibration") {
        if (const Result<> check = CheckToneFrequency(condition); !check) {
            return refuse(check.Reason());
        }
        std::cout << "calibration tone: 1000 ms at " << DisplayNumber(condition.ToneF) << " Hz\n";
        return MakeCalibrationTone(settings, condition);
    }
    if (request.kind == "tone") {
        if (const Result<> check = CheckPreviewTone(settings, condition); !check) {
            return refuse(check.Reason());
        }
        TestCondition toned = condition;
        toned.ToneSPL = request.level.value_or(condition.ToneSPL);
        std::cout << "preview tone: " << DisplayNumber(settings.ToneDuration) << " ms at " << DisplayNumber(toned.ToneF)
                  << " Hz, " << DisplayNumber(toned.ToneSPL) << " dB SPL\n";
        return MakePreviewTone(settings, toned);
    }
    // What "Run PTC" would refuse to play, a masker centre it could never reach too.
    SharedState run;
    run.Settings = settings;
    run.Conditions = {condition};
    if (const Result<> check = CheckRunConditions(run, '.'); !check) {
        return refuse(check.Reason());
    }
    if (request.frequency) {
        const float centre = *request.frequency;
        const float top = centre + condition.MaskerBW * 0.5f;
        if (!(centre > 0.0f)) {
            return refuse("--frequency " + DisplayNumber(centre) + " Hz: the masker's centre frequency must be above 0 Hz, "
                          "as StartF must");
        }
        if (!(top <= SharedState::SampleRate * 0.5f)) {
            return refuse("--frequency " + DisplayNumber(centre) + " Hz: the masker band reaches " + DisplayNumber(top)
                          + " Hz, above half the sample rate (" + DisplayNumber(SharedState::SampleRate * 0.5) + " Hz)");
        }
    }
    Noise reservoir = MakeNoiseReservoir(condition, request.seed);
    if (request.kind == "reservoir") {
        std::cout << "noise reservoir: " << reservoir.SampleCount() << " samples, 0 to "
                  << DisplayNumber(condition.MaskerBW * 0.5f) << " Hz, RMS " << DisplayNumber(reservoir.Rms()) << '\n';
        return reservoir;
    }
    const float frequency = request.frequency.value_or(condition.StartF);
    const float level = PlayedMaskerLevel(settings, condition, request.level.value_or(condition.MaskStartSPL));
    Wave masker = MakeTrialBuffer(settings);
    Tone carrier = MakeCarrier(settings);
    BuildTrialMasker(masker, carrier, reservoir, settings, frequency);
    LevelAndGateMasker(masker, settings, level - settings.CalibFactor);
    ExperimentSettings software = settings;
    software.Attenuator = AttenuatorMode::Software;
    masker.Add(MakeRunTone(software, condition, condition.ToneSPL));
    std::cout << "masker: " << DisplayNumber(settings.MaskerDuration) << " ms centred on " << DisplayNumber(frequency)
              << " Hz at " << DisplayNumber(level) << " dB SPL, tone " << DisplayNumber(condition.ToneF) << " Hz at "
              << DisplayNumber(condition.ToneSPL) << " dB SPL\n";
    return masker;
}

// A stimulus louder than 16 bits can hold is cut flat at full scale as it is built, and played
// so: the operator hears of it.
void ReportClipping(const Wave& stimulus)
{
    const auto samples = stimulus.Samples();
    const auto clipped = std::count_if(samples.begin(), samples.end(),
                                       [&stimulus](float sample) { return std::fabs(sample) >= Wave::FullScale; });
    if (clipped > 0) {
        std::cerr << "quorvex-sim stimulus: " << clipped << " of " << samples.size() << " samples ("
                  << FormatForResults(100.0 * static_cast<double>(clipped) / static_cast<double>(samples.size()))
                  << " %) clip: the stimulus is cut flat at 16-bit full scale\n";
    }
}

int WriteStimulus(const StimulusRequest& request)
{
    if (!CheckRequest(request)) {
        return 2;
    }
    const std::optional<ParameterLoad> load = LoadNamedParameterFile("stimulus", request.ini);
    if (!load) {
        return 1;
    }
    const auto& conditions = load->Parameters.Conditions;
    if (static_cast<std::size_t>(request.condition) > conditions.size()) {
        std::cerr << "quorvex-sim stimulus: " << request.ini << " has no condition " << request.condition
                  << " (it has " << conditions.size() << ")\n";
        return 1;
    }
    const std::optional<Wave> stimulus = BuildStimulus(
        request, load->Parameters.Settings, conditions[static_cast<std::size_t>(request.condition - 1)]);
    if (!stimulus) {
        return 1;
    }
    const Wave silence(0.0f, SharedState::SampleRate);  // the right channel is padded with silence
    std::cout.flush();  // what was built comes before any complaint
    ReportClipping(*stimulus);
    if (const Result<> saved = stimulus->SaveStereoWav(request.out, *stimulus, silence); !saved) {
        std::cerr << "quorvex-sim stimulus: " << saved.Reason() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

SimCommand AddStimulusCommand(CLI::App& tool)
{
    CLI::App* command = tool.add_subcommand("stimulus", "write a stimulus as the program builds it to a WAV file");
    command->footer("Writes FILE.wav only: a 16-bit stereo WAV file at 44100 Hz, the stimulus on the left channel, "
                    "the right one silent. What was built is described on standard output.");
    const auto request = std::make_shared<StimulusRequest>();
    command->add_option("KIND", request->kind, "the stimulus")
        ->type_name("tone|calibration|reservoir|masker")
        ->required()
        ->check(CLI::IsMember({"tone", "calibration", "reservoir", "masker"}).description(""));
    command->add_option("--out", request->out, "the WAV file to write, replaced when it exists")->type_name("FILE.wav")->required();
    AddIniOption(*command, request->ini);
    AddConditionOption(*command, request->condition);
    AddSeedOption(*command, request->seed);
    AddRealOption(*command, "--frequency", request->frequency, "HZ",
                  "masker only: centre frequency (default the condition's StartF)");
    AddRealOption(*command, "--level", request->level, "DB",
                  "tone or masker: level in dB SPL (default ToneSPL or MaskStartSPL)");
    return {command, [request] { return WriteStimulus(*request); }};
}
