#pragma once

#include <string>
#include <vector>

// Each quorvex-sim command takes the arguments after its name and returns the exit status.
int RunConditionsCommand(const std::vector<std::string>& args);
int RunAttenuatorCommand(const std::vector<std::string>& args);
int RunStimulusCommand(const std::vector<std::string>& args);
int RunRunCommand(const std::vector<std::string>& args);
int RunAnalyzeCommand(const std::vector<std::string>& args);
