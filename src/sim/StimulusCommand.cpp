// quorvex-sim stimulus: writes the stimulus the program builds for a test-condition file to a
// WAV file, stimulus on the left, silence on the right.
#include "SimCommands.h"
#include "NamedParameterFile.h"

#include "NumberFormat.h"
#include "NumberParse.h"
#include "ParameterFile.h"
#include "SharedState.h"
#include "Stimuli.h"
#include "StimulusLimits.h"

#include <charconv>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr const char* Usage =
    "usage: quorvex-sim stimulus tone|calibration|reservoir|masker --out FILE.wav [--ini FILE]\n"
    "                            [--condition N] [--seed N] [--frequency HZ] [--level DB]\n";

struct StimulusRequest {
    std::string kind;
    std::string out;
    std::string ini = "./PTC.INI";
    int condition = 1;
    std::optional<std::uint32_t> seed;
    std::optional<float> frequency;
    std::optional<float> level;
};

std::optional<std::uint32_t> ParseSeed(const std::string& text)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Reads the arguments; on a mistake, says what is wrong and returns nothing.
std::optional<StimulusRequest> ParseRequest(const std::vector<std::string>& args)
{
    const auto fail = [](const std::string& message) {
        std::cerr << "quorvex-sim stimulus: " << message << '\n' << Usage;
        return std::optional<StimulusRequest>();
    };
    if (args.empty()) {
        return fail("which stimulus?");
    }
    StimulusRequest request;
    request.kind = args[0];
    if (request.kind != "tone" && request.kind != "calibration" && request.kind != "reservoir"
        && request.kind != "masker") {
        return fail("unknown stimulus '" + request.kind + "'");
    }
    for (std::size_t i = 1; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (i + 1 >= args.size()) {
            return fail(option + " needs a value");
        }
        const std::string& value = args[i + 1];
        if (option == "--out") {
            request.out = value;
        } else if (option == "--ini") {
            request.ini = value;
        } else if (option == "--condition") {
            const std::optional<int> n = ParseInteger(value);
            if (!n || *n < 1) {
                return fail("--condition takes a condition number from 1, not '" + value + "'");
            }
            request.condition = *n;
        } else if (option == "--seed") {
            request.seed = ParseSeed(value);
            if (!request.seed) {
                return fail("--seed takes a whole number from 0 to 4294967295, not '" + value + "'");
            }
        } else if (option == "--frequency" || option == "--level") {
            const std::optional<float> number = ParseReal(value, '.');
            if (!number) {
                return fail(option + " takes a number, not '" + value + "'");
            }
            (option == "--frequency" ? request.frequency : request.level) = number;
        } else {
            return fail("unknown option '" + option + "'");
        }
    }
    if (request.out.empty()) {
        return fail("--out FILE.wav is required");
    }
    if (request.frequency && request.kind != "masker") {
        return fail("--frequency sets the masker's centre frequency and applies to masker only");
    }
    if (request.level && request.kind != "masker" && request.kind != "tone") {
        return fail("--level applies to tone and masker only");
    }
    return request;
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

std::string Number(double value)
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
        if (const auto problem = CheckToneFrequency(condition)) {
            return refuse(*problem);
        }
        std::cout << "calibration tone: 1000 ms at " << Number(condition.ToneF) << " Hz\n";
        return MakeCalibrationTone(settings, condition);
    }
    if (request.kind == "tone") {
        if (const auto problem = CheckPreviewTone(settings, condition)) {
            return refuse(*problem);
        }
        TestCondition toned = condition;
        toned.ToneSPL = request.level.value_or(condition.ToneSPL);
        std::cout << "preview tone: " << Number(settings.ToneDuration) << " ms at " << Number(toned.ToneF)
                  << " Hz, " << Number(toned.ToneSPL) << " dB SPL\n";
        return MakePreviewTone(settings, toned);
    }
    if (const auto problem = CheckRunStimulus(settings, condition)) {
        return refuse(*problem);
    }
    Noise reservoir = MakeNoiseReservoir(settings, condition, request.seed);
    if (request.kind == "reservoir") {
        std::cout << "noise reservoir: " << reservoir.SampleCount() << " samples, 0 to "
                  << Number(condition.MaskerBW * 0.5f) << " Hz, RMS " << Number(reservoir.Rms()) << '\n';
        return reservoir;
    }
    const float frequency = request.frequency.value_or(condition.StartF);
    const float level = PlayedMaskerLevel(settings, condition, request.level.value_or(condition.MaskStartSPL));
    Wave masker = MakeTrialBuffer(settings);
    Tone carrier = MakeCarrier(settings);
    BuildTrialMasker(masker, carrier, reservoir, settings, frequency);
    LevelAndGateMasker(masker, settings, level - settings.CalibFactor);
    ExperimentSettings software = settings;
    software.Attenuator = 1;
    masker.Add(MakeRunTone(software, condition, condition.ToneSPL));
    std::cout << "masker: " << Number(settings.MaskerDuration) << " ms centred on " << Number(frequency)
              << " Hz at " << Number(level) << " dB SPL, tone " << Number(condition.ToneF) << " Hz at "
              << Number(condition.ToneSPL) << " dB SPL\n";
    return masker;
}

}  // namespace

int RunStimulusCommand(const std::vector<std::string>& args)
{
    const std::optional<StimulusRequest> request = ParseRequest(args);
    if (!request) {
        return 1;
    }
    const std::optional<ParameterSet> parameters = LoadNamedParameterFile("stimulus", request->ini);
    if (!parameters) {
        return 1;
    }
    const auto& conditions = parameters->Conditions;
    if (static_cast<std::size_t>(request->condition) > conditions.size()) {
        std::cerr << "quorvex-sim stimulus: " << request->ini << " has no condition " << request->condition
                  << " (it has " << conditions.size() << ")\n";
        return 1;
    }
    const std::optional<Wave> stimulus = BuildStimulus(
        *request, parameters->Settings, conditions[static_cast<std::size_t>(request->condition - 1)]);
    if (!stimulus) {
        return 1;
    }
    const Wave silence(0.0f, SharedState::SampleRate);  // the right channel is padded with silence
    if (!stimulus->WriteStereoWav(request->out, *stimulus, silence)) {
        std::cerr << '\n';
        return 1;
    }
    return 0;
}
