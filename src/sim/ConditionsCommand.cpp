// quorvex-sim conditions: what "Parameters" loads from a test-condition file.
#include "SimCommands.h"

#include "NamedParameterFile.h"

#include "FreqPointCount.h"
#include "NumberFormat.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <set>

namespace {

// The session's runs in the order they are measured (shuffled already), each as an explicit
// RunN key; what cannot be run or was ignored goes to standard error as in the notice.
void PrintSession(const SessionProtocol& protocol, const std::string& path)
{
    for (const std::string& note : protocol.Notes) {
        std::cerr << "quorvex-sim: " << path << ": " << note << '\n';
    }
    if (!protocol.Present) {
        return;
    }
    std::cout << "[Session]\n";
    if (!protocol.Runnable()) {
        std::cerr << "quorvex-sim: " << path << ": the session cannot be run: " << protocol.Refusal << '\n';
        return;
    }
    for (std::size_t k = 0; k < protocol.Runs.size(); ++k) {
        const SessionRun& run = protocol.Runs[k];
        if (run.Kind == RunKind::Threshold) {
            std::cout << "Run" << k + 1 << "=threshold," << run.Condition << ',' << EarName(run.Ear) << '\n';
            continue;
        }
        std::cout << "Run" << k + 1 << '=' << run.Condition << ',' << EarName(run.Ear) << ','
                  << DirectionName(run.SweepDirection) << '\n';
    }
    if (protocol.Practice > 0) {
        std::cout << "Practice=" << protocol.Practice << '\n';
    }
    std::cout << "Order=" << (protocol.Shuffled ? "shuffled" : "listed") << '\n';
    if (protocol.Shuffled) {
        std::cout << "Seed=" << protocol.Seed << '\n';
    }
    std::cout << "RestEvery=" << protocol.RestEvery << '\n';
}

int PrintConditions(const std::string& path)
{
    const std::optional<ParameterLoad> load = LoadNamedParameterFile("conditions", path);
    if (!load) {
        return 1;
    }
    std::set<std::string> unreadable;  // "section\nkey" of the values that took their default
    for (const UnreadableValue& value : load->Unreadable) {
        unreadable.insert(value.Section + '\n' + value.Key);
    }
    std::string section = "Settings";
    const auto line = [&](const std::string& key, const std::string& value) {
        std::cout << key << '=' << value;
        if (unreadable.count(section + '\n' + key) != 0) {
            std::cout << "   (default used: the file's value is unreadable)";
        }
        std::cout << '\n';
    };
    const auto number = [](double value) { return FormatForDisplay(value, '.'); };
    const ExperimentSettings& s = load->Parameters.Settings;
    line("Attenuator", std::to_string(AttenuatorNumber(s.Attenuator)));
    line("Debug", std::to_string(s.Debug));
    line("ToneDuration", number(s.ToneDuration));
    line("MaskerDuration", number(s.MaskerDuration));
    line("Modulated", std::to_string(s.Modulated));
    line("ModFreq", number(s.ModFreq));
    line("ISI", std::to_string(s.ISI));
    line("RiseFall", number(s.RiseFall));
    line("ThresholdStartSPL", number(s.ThresholdStartSPL));
    line("ThresholdStep", number(s.ThresholdStep));
    line("ThresholdReversals", std::to_string(s.ThresholdReversals));
    line("ThresholdTimeLimit", number(s.ThresholdTimeLimit));
    section = "Tests";
    line("N_Cond", std::to_string(s.N_Cond));
    line("CalibFactor", number(s.CalibFactor));
    int index = 1;
    for (const TestCondition& c : load->Parameters.Conditions) {
        section = "Cond" + std::to_string(index++);
        std::cout << '[' << section << "]\n";
        line("ToneF", number(c.ToneF));
        line("StartF", number(c.StartF));
        line("EndF", number(c.EndF));
        line("FStep", number(c.FStep));
        line("MaskerBW", number(c.MaskerBW));
        line("SPLstep", number(c.SPLstep));
        line("MaxSPL", number(c.MaxSPL));
        if (c.ToneSL) {
            line("ToneSL", number(*c.ToneSL));
        } else {
            line("ToneSPL", number(c.ToneSPL));
        }
        line("MaskStartSPL", number(c.MaskStartSPL));
        std::cout << "FreqPointCount=" << FreqPointCount(c) << '\n';
    }
    PrintSession(load->Session, path);
    return 0;
}

}  // namespace

SimCommand AddConditionsCommand(CLI::App& tool)
{
    CLI::App* command =
        tool.add_subcommand("conditions", "print what \"Parameters\" loads from a test-condition file");
    command->footer("Every setting and every condition is printed, with the condition's number of masker frequencies "
                    "(FreqPointCount). Values that took their default because they are unreadable are marked and "
                    "listed on standard error. No file is written.");
    const auto path = std::make_shared<std::string>("./PTC.INI");
    command->add_option("FILE", *path, "test-condition file (default ./PTC.INI)")->type_name("");
    return {command, [path] { return PrintConditions(*path); }};
}
