#pragma once

#include "CurveMeasures.h"
#include "HeadphoneResponse.h"
#include "TestCondition.h"
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

// --calibration-store DIR: the calibration store's folder for this command (default
// $QUORVEX_CALIBRATION_DIR, else $XDG_DATA_HOME/quorvex/calibration).
CLI::Option* AddCalibrationStoreOption(CLI::App& command);
// --calibration PROFILE of run and session: the headphone calibration profile to measure with.
CLI::Option* AddCalibrationOption(CLI::App& command, std::string& profile);
// The calibration a run of `command` is measured with, as the set-up window chooses it: the
// profile given with --calibration, else the one the test-condition file names
// (CalibrationProfile=), else none; with its standing now. An unknown profile is refused on
// standard error with the names the store has.
std::optional<CalibrationInUse> ChooseRunCalibration(const std::string& command, const std::string& given,
                                                     const ExperimentSettings& settings);
// "calibration: Booth A (calibrated 2026-12-01 …)" for a run's summary; empty without a profile.
std::string DescribeRunCalibration(const CalibrationInUse& calibration);
// The virtual listener's hearing in each ear: --left-audiogram, --right-audiogram
// (HZ:DB,HZ:DB...), --left-dead-region, --right-dead-region (LOW-HIGH).
void AddHearingOptions(CLI::App& command, ListenerHearing& hearing);
// "audiogram 500:20,1000:40; dead region 800-20000 Hz", "normal hearing".
std::string DescribeHearing(const EarHearing& ear);
