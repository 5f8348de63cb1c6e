#include "SimOptions.h"
#include "CalibrationStore.h"
#include "SessionFiles.h"
#include "RecordedRuns.h"

#include "NumberParse.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <cmath>
#include <functional>

namespace {

// An option whose text `parse` turns into the value; `refusal` says what is wrong with a text
// it does not take.
template <typename T>
CLI::Option* AddParsedOption(CLI::App& command, const std::string& name, const std::string& typeName,
                             const std::string& help, std::function<std::string(const std::string&)> refusal,
                             std::function<std::optional<T>(const std::string&)> parse,
                             std::function<void(T)> store)
{
    CLI::Validator check(
        [parse, refusal](std::string& text) -> std::string {
            return parse(text) ? std::string() : "'" + text + "' " + refusal(text);
        },
        "");
    return command
        .add_option_function<std::string>(
            name, [parse, store](const std::string& text) { store(*parse(text)); }, help)
        ->type_name(typeName)
        ->check(check);
}

// Says only what the value lacks.
std::function<std::string(const std::string&)> IsNot(const std::string& expected)
{
    return [expected](const std::string&) { return "is not " + expected; };
}

}  // namespace

CLI::Option* AddIniOption(CLI::App& command, std::string& path)
{
    return command.add_option("--ini", path, "test-condition file (default ./PTC.INI)")->type_name("FILE");
}

CLI::Option* AddConditionOption(CLI::App& command, int& condition)
{
    return AddParsedOption<int>(
        command, "--condition", "N", "condition number, from 1 (default 1)", IsNot("a condition number from 1"),
        [](const std::string& text) {
            const std::optional<int> n = ParseInteger(text);
            return n && *n >= 1 ? n : std::nullopt;
        },
        [&condition](int n) { condition = n; });
}

CLI::Option* AddSeedOption(CLI::App& command, std::optional<std::uint32_t>& seed)
{
    return AddParsedOption<std::uint32_t>(
        command, "--seed", "N", "seed of the noise reservoir, 0 to 4294967295 (default: from the clock, as in the program)", IsNot("a whole number from 0 to 4294967295"),
        [](const std::string& text) -> std::optional<std::uint32_t> {
            std::uint32_t value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
                return std::nullopt;
            }
            return value;
        },
        [&seed](std::uint32_t value) { seed = value; });
}

CLI::Option* AddRealOption(CLI::App& command, const std::string& name, std::optional<float>& value,
                           const std::string& typeName, const std::string& help, bool atLeastZero)
{
    // A number beyond a 32-bit float's range, or a negative one where none is taken, is named
    // as such rather than as no number at all.
    const auto refusal = [atLeastZero](const std::string& text) -> std::string {
        double wide = 0.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), wide);
        const bool number = !text.empty() && end == text.data() + text.size()
                            && (error == std::errc() || error == std::errc::result_out_of_range);
        // "inf" and "nan" are read as numbers by from_chars, not by the program.
        if (!number || std::isnan(wide) || (std::isinf(wide) && error == std::errc())) {
            return atLeastZero ? "is not a number from 0" : "is not a number";
        }
        if (atLeastZero && wide < 0.0) {
            return "is below 0";
        }
        return "is beyond the range of the program's numbers (32-bit, at most about 3.4e38)";
    };
    return AddParsedOption<float>(
        command, name, typeName, help, refusal,
        [atLeastZero](const std::string& text) {
            const std::optional<float> number = ParseReal(text, '.');
            return number && (!atLeastZero || *number >= 0.0f) ? number : std::nullopt;
        },
        [&value](float number) { value = number; });
}

void AddAnalysisOptions(CLI::App& command, AnalysisParameters& parameters)
{
    command.add_option("--fit-window", parameters.FitHalfWidthOctaves,
                       "half-width of the fitted tip's window, octaves (default 0.2)")
        ->type_name("OCT")
        ->check(CLI::Range(0.01, 2.0));
    command.add_option("--slope-exclusion", parameters.SlopeExclusionOctaves,
                       "distance from the tip left out of the slopes' fits, octaves (default 0.15)")
        ->type_name("OCT")
        ->check(CLI::Range(0.0, 2.0));
}

CLI::Option* AddRealRecordOption(CLI::App& command, bool& allowed)
{
    return command.add_flag("--into-real-record", allowed,
                            "write the virtual listener's runs into a session record that holds runs a person "
                            "measured (default: refused)");
}

bool RecordTakesVirtualRuns(const std::string& command, const std::string& resultsName, bool allowed)
{
    const std::string recordPath = SessionRecordFileName(resultsName + ".dat");
    const RecordedRuns record = ReadRecordFiles(recordPath, "");
    const auto person = std::find_if(record.Runs.begin(), record.Runs.end(), [](const RecordedRun& run) {
        return !run.Simulated && run.Status != "skipped";
    });
    if (person == record.Runs.end() || allowed) {
        return true;
    }
    std::cerr << "quorvex-sim " << command << ": the session record '" << recordPath << "' holds runs a person measured ("
              << (person->Subject.empty() ? std::string("run ") + person->RunId : person->Subject + ", run " + person->RunId)
              << "); the virtual listener's runs would be mixed with them. Use another --results name, or "
                 "--into-real-record to add them anyway.\n";
    return false;
}

CLI::Option* AddCalibrationStoreOption(CLI::App& command)
{
    return command
        .add_option_function<std::string>(
            "--calibration-store", [](const std::string& folder) { MoveCalibrationStore(folder); },
            "the calibration store's folder (default $QUORVEX_CALIBRATION_DIR, else "
            "$XDG_DATA_HOME/quorvex/calibration)")
        ->type_name("DIR");
}

CLI::Option* AddCalibrationOption(CLI::App& command, std::string& profile)
{
    return command
        .add_option("--calibration", profile,
                    "measure with this headphone calibration profile (default: the test-condition file's "
                    "CalibrationProfile, else none: uncalibrated)")
        ->type_name("PROFILE");
}

std::optional<CalibrationInUse> ChooseRunCalibration(const std::string& command, const std::string& given,
                                                     const ExperimentSettings& settings)
{
    const std::string& name = given.empty() ? settings.CalibrationProfile : given;
    const Result<CalibrationInUse> calibration = ChooseCalibration(CalibrationStore(), name, QDateTime::currentDateTime());
    if (!calibration) {
        std::cerr << "quorvex-sim " << command << ": " << calibration.Reason() << '\n';
        return std::nullopt;
    }
    return calibration.Value();
}

std::string DescribeRunCalibration(const CalibrationInUse& calibration)
{
    if (!calibration.InUse()) {
        return {};
    }
    std::string text = "calibration: " + calibration.Profile + " (";
    text += calibration.LastCalibrated.empty() ? "never calibrated" : "last calibrated " + calibration.LastCalibrated;
    text += calibration.Overdue ? ", overdue" : "";
    text += calibration.CheckedToday ? ", listening check today" : ", no listening check today";
    return text + ")\n";
}

namespace {

// An option whose text `parse` reads into a Result; its failure is the usage error.
template <typename T>
void AddResultOption(CLI::App& command, const std::string& name, const std::string& typeName, const std::string& help,
                     Result<T> (*parse)(const std::string&), std::function<void(T)> store)
{
    CLI::Validator check(
        [parse](std::string& text) -> std::string {
            const Result<T> value = parse(text);
            return value ? std::string() : value.Reason();
        },
        "");
    command
        .add_option_function<std::string>(
            name, [parse, store](const std::string& text) { store(parse(text).Value()); }, help)
        ->type_name(typeName)
        ->check(check);
}

}  // namespace

void AddHearingOptions(CLI::App& command, ListenerHearing& hearing)
{
    for (EarHearing* ear : {&hearing.Left, &hearing.Right}) {
        const std::string side = ear == &hearing.Left ? "left" : "right";
        AddResultOption<std::vector<AudiogramPoint>>(
            command, "--" + side + "-audiogram", "HZ:DB[,HZ:DB...]",
            "the listener's threshold in quiet in the " + side
                + " ear, dB SPL at each frequency, interpolated in log frequency (default: none; every tone "
                  "is heard in quiet)",
            ParseAudiogram, [ear](std::vector<AudiogramPoint> points) { ear->Audiogram = std::move(points); });
        AddResultOption<DeadRegion>(
            command, "--" + side + "-dead-region", "LOW-HIGH",
            "a dead region in the " + side
                + " ear, Hz: a tone within it is heard through the filter at its nearer edge (default: none)",
            ParseDeadRegion, [ear](DeadRegion region) { ear->Dead = region; });
    }
}

std::string DescribeHearing(const EarHearing& ear)
{
    if (ear.Normal()) {
        return "no threshold in quiet, no dead region";
    }
    std::string text = ear.Audiogram.empty() ? "no threshold in quiet" : "audiogram " + DescribeAudiogram(ear.Audiogram) + " (Hz:dB SPL)";
    return text + (ear.Dead ? "; dead region " + DescribeDeadRegion(*ear.Dead) + " Hz" : std::string("; no dead region"));
}
