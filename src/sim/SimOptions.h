#pragma once

#include "CurveMeasures.h"
#include "ListenerHearing.h"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <string>

// Options that several quorvex-sim commands share, with values read by the program's own
// number rules. A value that does not fit is a usage error naming the option and the value.

CLI::Option* AddIniOption(CLI::App& command, std::string& path);
CLI::Option* AddConditionOption(CLI::App& command, int& condition);
CLI::Option* AddSeedOption(CLI::App& command, std::optional<std::uint32_t>& seed);
// A real number (with '.' as the decimal separator); `atLeastZero` refuses negative values.
CLI::Option* AddRealOption(CLI::App& command, const std::string& name, std::optional<float>& value,
                           const std::string& typeName, const std::string& help, bool atLeastZero = false);
// --into-real-record: a command that writes runs of the virtual listener refuses a session
// record that holds a person's runs unless it is given.
CLI::Option* AddRealRecordOption(CLI::App& command, bool& allowed);
// Whether the virtual listener's runs may go into the session record of `resultsName`: not
// when it holds runs a person measured, unless `allowed`. Says why on standard error.
bool RecordTakesVirtualRuns(const std::string& command, const std::string& resultsName, bool allowed);

// The analysis's parameters that `analyze` and `validate` take: --fit-window, --slope-exclusion.
void AddAnalysisOptions(CLI::App& command, AnalysisParameters& parameters);

// The virtual listener's hearing in each ear: --left-audiogram, --right-audiogram
// (HZ:DB,HZ:DB...), --left-dead-region, --right-dead-region (LOW-HIGH).
void AddHearingOptions(CLI::App& command, ListenerHearing& hearing);
// "audiogram 500:20,1000:40; dead region 800-20000 Hz", "normal hearing".
std::string DescribeHearing(const EarHearing& ear);
