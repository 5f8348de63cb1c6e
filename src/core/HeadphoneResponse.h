#pragma once

#include "RunChoices.h"

#include <string>
#include <vector>

// What one ear of a headphone plays above or below the level the program means, measured at a
// few frequencies: a meter that reads 2 dB high there gives a correction of +2 dB, and a
// stimulus at that frequency is played 2 dB lower so that the level at the ear is the level
// recorded.
struct ResponsePoint {
    float FreqHz = 0.0f;
    float CorrectionDb = 0.0f;  // meter reading − target level

    bool operator==(const ResponsePoint&) const = default;
};

// Both ears' measured points, each ear's sorted by frequency with one point per frequency.
class HeadphoneResponse {
public:
    // Sets `ear`'s correction at `freqHz`, replacing an earlier point at the same frequency.
    // Frequencies must be positive and finite (the caller's reading checks see to it).
    void Set(EarSide ear, float freqHz, float correctionDb);

    // The correction for `ear` at `freqHz`: linear in log frequency between measured points and
    // the end value held beyond them; 0 for an ear with no point.
    float CorrectionDb(EarSide ear, float freqHz) const;

    const std::vector<ResponsePoint>& Points(EarSide ear) const;
    bool Empty() const { return left_.empty() && right_.empty(); }

    bool operator==(const HeadphoneResponse&) const = default;

private:
    std::vector<ResponsePoint>& PointsOf(EarSide ear);

    std::vector<ResponsePoint> left_;
    std::vector<ResponsePoint> right_;
};

// The calibration a run is measured with, as the run and its records need it. An empty Profile
// means none: every correction is 0 and the files are as without calibration profiles.
struct CalibrationInUse {
    std::string Profile;          // the profile's name, e.g. "Booth A: RME card, HDA 200"
    std::string LastCalibrated;   // ISO date and time of the profile's latest objective calibration, or empty
    bool Overdue = false;         // the objective calibration is older than the profile's interval
    bool CheckedToday = false;    // today's listening check of both ears is on record
    HeadphoneResponse Response;

    bool InUse() const { return !Profile.empty(); }
};
