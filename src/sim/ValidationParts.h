#pragma once

#include "ListenerHearing.h"
#include "ParameterFile.h"
#include "TipFinding.h"

#include <optional>
#include <string>

// What the tables of `quorvex-sim validate` share: their conditions and the counts of findings.

// The condition of a tone: the masker from 0.6 to 1.6 times the tone in steps of 1/100 of it,
// 1/10 of it wide, 2 dB steps from 60 dB SPL up to 90; the tone at 40 dB SPL.
TestCondition ValidationCondition(double toneF);
// 400/600 ms tone/masker, ISI 20 ms, software levels, CalibFactor 100.
ExperimentSettings ValidationSettings(int conditions);

// The [Session] of the whole sessions validated: the threshold first, a practice pair, then the
// upward and downward runs that are combined, all in the right ear.
extern const char* const ValidationProtocol;
// One condition, the tone at `toneF` given `sensationLevel` dB above the threshold, with that
// session.
ParameterLoad ValidationSession(double toneF, double sensationLevel);

// The listener of a tone: in the right ear a threshold in quiet of `thresholdDb` dB SPL at every
// frequency and, given `deadEdge`, a dead region from that many times the tone up to 20 kHz.
ListenerHearing ValidationListener(double toneF, double thresholdDb, std::optional<double> deadEdge);
// "normal", "dead region from 750 Hz".
std::string DescribeValidationListener(const ListenerHearing& hearing);

// How often each finding came out, over the curves of one kind.
class FindingCounts {
public:
    void Add(FindingKind kind);
    void Add(const FindingCounts& more);
    int Total() const { return total_; }
    int Count(FindingKind kind) const { return counts_[static_cast<int>(kind)]; }
    // "97/100 (97.0 %)"
    std::string Rate(FindingKind kind) const;

private:
    int counts_[4] = {0, 0, 0, 0};
    int total_ = 0;
};
