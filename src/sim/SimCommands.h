#pragma once

#include <functional>

namespace CLI {
class App;
}

// A quorvex-sim command: its place in the tool's one argument parser (name, options, help)
// and what it does once the command line has been read, returning the exit status.
struct SimCommand {
    CLI::App* Parser = nullptr;
    std::function<int()> Run;
};

SimCommand AddConditionsCommand(CLI::App& tool);
SimCommand AddDevicesCommand(CLI::App& tool);
SimCommand AddAttenuatorCommand(CLI::App& tool);
SimCommand AddCalibrationCommand(CLI::App& tool);
SimCommand AddStimulusCommand(CLI::App& tool);
SimCommand AddRunCommand(CLI::App& tool);
SimCommand AddSessionCommand(CLI::App& tool);
SimCommand AddAnalyzeCommand(CLI::App& tool);
SimCommand AddReportCommand(CLI::App& tool);
SimCommand AddValidateCommand(CLI::App& tool);
SimCommand AddStudyCommand(CLI::App& tool);
