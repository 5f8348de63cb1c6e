#pragma once

#include "CalibrationHistory.h"
#include "HeadphoneResponse.h"

#include <QDateTime>

#include <optional>
#include <string>
#include <vector>

// How often a profile is to be calibrated objectively (with a meter) unless its creation said
// otherwise: once a year, as audiology practice asks.
inline constexpr int DefaultCalibrationIntervalDays = 365;

// One named hardware set-up ("Booth A: RME card, amplifier, HDA 200") as its history makes it.
struct CalibrationProfile {
    std::string Name;
    std::string File;  // where its history is kept
    int IntervalDays = DefaultCalibrationIntervalDays;
    // Each ear's corrections, the latest reading at each frequency.
    HeadphoneResponse Response;
    std::optional<CalibrationEntry> LastReading;  // the latest objective calibration
    std::optional<CalibrationEntry> LastCheck;    // the latest listening check
    std::vector<CalibrationEntry> History;
};

// The profile a history describes (as ParseCalibrationHistory gives it: its Created entry first).
CalibrationProfile ProfileFromHistory(std::vector<CalibrationEntry> history, std::string file);

// Where a profile stands on a day: the age of its objective calibration in whole days (none
// when it was never calibrated), whether that is older than its interval (a profile never
// calibrated is overdue too), and whether a listening check was made that day.
struct CalibrationStanding {
    std::optional<int> AgeDays;
    bool Overdue = true;
    bool CheckedToday = false;
};
CalibrationStanding StandingAt(const CalibrationProfile& profile, const QDateTime& now);

// What a run measured at `now` with the profile carries (SharedState::Calibration).
CalibrationInUse CalibrationFor(const CalibrationProfile& profile, const QDateTime& now);

// The standing in words, for the set-up window and quorvex-sim calibration show:
// "calibrated 2026-12-01 (7 days ago; due every 365 days); listening check today by Anna",
// "calibration overdue: …", "never calibrated", "no listening check today (last: …)".
std::string DescribeStanding(const CalibrationProfile& profile, const QDateTime& now);
