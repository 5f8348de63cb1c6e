#pragma once

#include "CalibrationHistory.h"
#include "HeadphoneResponse.h"
#include "Result.h"

#include <QDateTime>

#include <string>
#include <string_view>

// A typed meter reading turned into a correction, as the calibration window saves it. The
// reference tone plays at the target level (CalibFactor); the meter shows what reaches the
// coupler, and correction = reading - target. Typing the target means "adjusted to target"
// (correction 0).

// A reading further than this from the target cannot be right: a wrong channel, a meter on the
// wrong range, a typing error.
inline constexpr float MostReadingOffsetDb = 20.0f;
// A biological check allows ±5 dB between the ears: a larger difference at one frequency is
// worth a second look.
inline constexpr float MostEarDifferenceDb = 5.0f;

// The correction of a typed reading (written with `decimalSeparator`) against `targetDb`;
// refused with the reason when the text is empty, not a number, or more than 20 dB from the target.
Result<float> CorrectionFromReading(std::string_view typed, float targetDb, char decimalSeparator);

// A typed frequency to calibrate at: a number above 0 Hz and below half the sample rate.
Result<float> ReadCalibrationFrequency(std::string_view typed, char decimalSeparator);

// The history entry of a reading, refused as CorrectionFromReading refuses, or for a missing
// operator's name.
Result<CalibrationEntry> MakeReadingEntry(const std::string& profile, const std::string& operatorName, EarSide ear,
                                          float freqHz, float targetDb, std::string_view typed,
                                          char decimalSeparator, const QDateTime& now);
// The history entry of the daily listening check: `operatorName` heard both ears sound right.
Result<CalibrationEntry> MakeListeningCheck(const std::string& profile, const std::string& operatorName,
                                            const QDateTime& now);

// A warning when both ears have a correction measured at `freqHz` and they differ by more than
// 5 dB; empty otherwise.
std::string EarDifferenceWarning(const HeadphoneResponse& response, float freqHz, char decimalSeparator);
