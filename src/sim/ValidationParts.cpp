#include "ValidationParts.h"

#include "NumberFormat.h"

TestCondition ValidationCondition(double toneF)
{
    TestCondition c;
    c.ToneF = static_cast<float>(toneF);
    c.StartF = static_cast<float>(0.6 * toneF);
    c.EndF = static_cast<float>(1.6 * toneF);
    c.FStep = static_cast<float>(toneF / 100.0);
    c.MaskerBW = static_cast<float>(toneF / 10.0);
    c.SPLstep = 2.0f;
    c.MaxSPL = 90.0f;
    c.ToneSPL = 40.0f;
    c.MaskStartSPL = 60.0f;
    return c;
}

ExperimentSettings ValidationSettings(int conditions)
{
    ExperimentSettings s;
    s.Attenuator = AttenuatorMode::Software;
    s.ToneDuration = 400.0f;
    s.MaskerDuration = 600.0f;
    s.ISI = 20;
    s.RiseFall = 20.0f;
    s.CalibFactor = 100.0f;
    s.N_Cond = conditions;
    return s;
}

const char* const ValidationProtocol = "Ears=right\nDirections=up,down\nRepeats=2\nThresholds=first\nPractice=2\n";

ParameterLoad ValidationSession(double toneF, double sensationLevel)
{
    ParameterLoad load;
    TestCondition c = ValidationCondition(toneF);
    c.ToneSL = static_cast<float>(sensationLevel);
    load.Parameters.Conditions = {c};
    load.Parameters.Settings = ValidationSettings(1);
    std::vector<UnreadableValue> unreadable;
    load.Session = ReadSessionProtocol(IniFile::FromText(std::string("[Session]\n") + ValidationProtocol),
                                       load.Parameters.Conditions, unreadable);
    load.Loaded = true;
    return load;
}

ListenerHearing ValidationListener(double toneF, double thresholdDb, std::optional<double> deadEdge)
{
    ListenerHearing hearing;
    hearing.Right.Audiogram = {{toneF, thresholdDb}};
    if (deadEdge) {
        hearing.Right.Dead = DeadRegion{*deadEdge * toneF, 20000.0};
    }
    return hearing;
}

std::string DescribeValidationListener(const ListenerHearing& hearing)
{
    return hearing.Right.Dead ? "dead region from " + FormatForResults(hearing.Right.Dead->LowHz) + " Hz" : "normal";
}

void FindingCounts::Add(FindingKind kind)
{
    ++counts_[static_cast<int>(kind)];
    ++total_;
}

void FindingCounts::Add(const FindingCounts& more)
{
    for (int k = 0; k < 4; ++k) {
        counts_[k] += more.counts_[k];
    }
    total_ += more.total_;
}

std::string FindingCounts::Rate(FindingKind kind) const
{
    const int n = Count(kind);
    return std::to_string(n) + "/" + std::to_string(total_) + " ("
           + (total_ == 0 ? std::string("–") : FormatPercent(100.0 * n / total_)) + " %)";
}
