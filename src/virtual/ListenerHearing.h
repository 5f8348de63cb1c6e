#pragma once

#include "Result.h"
#include "RunChoices.h"

#include <optional>
#include <string>
#include <vector>

// The virtual listener's hearing beyond its filter: a threshold in quiet (an audiogram) and a
// dead region, for each ear. A listener given neither hears as a listener of model 2 does.
//
// The threshold in quiet is the level of a tone alone that the listener just hears (with its
// internal noise, half the time), as an audiometer measures it. Inside the listener it is a
// floor of internal noise at the output of the filter that listens for the tone, summed in
// power with the masker: the floor lies at the threshold (as the filter passes the tone) less
// the criterion, so that a tone alone at the threshold reaches the criterion exactly.
//
// In a dead region there are no inner hair cells to listen with: a tone there is heard through
// the healthy filter nearest to it, centred on the region's edge, and the tuning curve's tip
// moves to that edge (off-frequency listening).

struct AudiogramPoint {
    double Hz = 0.0;
    double Db = 0.0;  // threshold in quiet, dB SPL
};

struct DeadRegion {
    double LowHz = 0.0;
    double HighHz = 0.0;
};

struct EarHearing {
    std::vector<AudiogramPoint> Audiogram;  // in frequency order; empty: no threshold in quiet
    std::optional<DeadRegion> Dead;

    bool Normal() const { return Audiogram.empty() && !Dead; }
};

struct ListenerHearing {
    EarHearing Left;
    EarHearing Right;

    bool Normal() const { return Left.Normal() && Right.Normal(); }
    const EarHearing& Of(EarSide ear) const { return ear == EarSide::Left ? Left : Right; }
};

// The threshold in quiet at `hz`, interpolated linearly in log frequency between the
// audiogram's points and held at its ends; none without an audiogram.
std::optional<double> ThresholdInQuiet(const EarHearing& ear, double hz);

// The centre of the filter that listens for a tone of `toneHz`: the tone itself, or the nearer
// edge of the dead region the tone lies in.
double ListeningCentre(const EarHearing& ear, double toneHz);

// Whether the listener hears a tone alone of `levelDb` dB SPL at `toneHz` in quiet, with
// `noiseDb` of internal noise added to this decision; always, without an audiogram.
bool HearsInQuiet(const EarHearing& ear, double toneHz, double levelDb, double noiseDb = 0.0);

// "500:20,1000:25,4000:60": frequencies (Hz, above 0, rising) and thresholds (dB SPL), '.' as
// the decimal separator; refused with what is wrong.
Result<std::vector<AudiogramPoint>> ParseAudiogram(const std::string& text);
// "800-20000": the region's lowest and highest frequency in Hz, the lowest above 0.
Result<DeadRegion> ParseDeadRegion(const std::string& text);
// "500:20,1000:25" and "800-20000" again, as the options take them.
std::string DescribeAudiogram(const std::vector<AudiogramPoint>& audiogram);
std::string DescribeDeadRegion(const DeadRegion& region);
