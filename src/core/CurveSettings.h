#pragma once

#include "TestCondition.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Every setting that shapes a tuning curve, by its test-condition file name with its value as
// the session record writes it: the levels, the band, the steps, the durations, the modulation
// (its frequency only when the tone is modulated), the calibration and the attenuator mode.
// Two runs are repeats of one measurement only when all of these agree; a session's plan
// records them for every condition it uses. A tone given in dB SL is named by its ToneSL: runs
// at one SL are repeats whatever SPL the listener's threshold of the day made it.
using NamedSetting = std::pair<std::string, std::string>;
std::vector<NamedSetting> CurveSettings(const TestCondition& condition, const ExperimentSettings& settings);

// The settings in which two runs differ, in words ("MaskerBW 100 and 400, ToneSPL 30 and 50");
// nothing when they agree in all.
std::optional<std::string> Differences(const std::vector<NamedSetting>& a, const std::vector<NamedSetting>& b);
