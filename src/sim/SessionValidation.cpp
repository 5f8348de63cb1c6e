#include "SessionValidation.h"

#include "NumberFormat.h"
#include "RunFilesFolder.h"
#include "ValidationParts.h"
#include "VirtualSessionRuns.h"

#include <cmath>
#include <iostream>
#include <numeric>

namespace {

// The protocol's keys on one line: "Ears=right; Directions=up,down; ...".
std::string ProtocolInOneLine()
{
    std::string line = ValidationProtocol;
    line.pop_back();
    for (std::size_t at = line.find('\n'); at != std::string::npos; at = line.find('\n', at)) {
        line.replace(at, 1, "; ");
    }
    return line;
}

// The sessions of one listener at one tone.
struct ListenerSessions {
    ListenerHearing Hearing;
    FindingCounts Findings;
    std::vector<double> Thresholds;  // the estimates
    int Unfinished = 0;
};

// The combined curve's finding; not definable when the session gave none.
FindingKind CombinedFinding(const ResultsAnalysis& analysis)
{
    for (const ConditionCurves& c : analysis.Conditions) {
        if (c.HasCombined) {
            return c.CombinedFinding.Kind;
        }
    }
    return FindingKind::NotDefinable;
}

// Runs session `k` (from 0) of one listener; false when the validation cannot go on.
bool RunSession(const ParameterLoad& load, int k, ListenerSessions& listener, const RunFilesFolder& folder)
{
    VirtualSessionRunsOptions options;
    options.ResultsName = "validate";
    // Session k's runs take the seeds after session k-1's.
    options.Seed = static_cast<std::uint32_t>(load.Session.Runs.size() * static_cast<std::size_t>(k) + 1);
    options.Hearing = listener.Hearing;
    const Result<SessionFindings> session = RunWholeSession(load, options);
    folder.Empty();
    if (!session) {
        std::cerr << "quorvex-sim validate: session " << k + 1 << " of the " << DescribeValidationListener(listener.Hearing)
                  << " listener: " << session.Reason() << "\n";
        ++listener.Unfinished;
        return true;
    }
    const SessionFindings& found = session.Value();
    if (found.Thresholds.empty() || !found.Thresholds.front().Threshold) {
        std::cerr << "quorvex-sim validate: session " << k + 1 << " finished without a threshold\n";
        return false;
    }
    listener.Thresholds.push_back(found.Thresholds.front().Threshold->Level);
    listener.Findings.Add(CombinedFinding(found.Analysis));
    return true;
}

void PrintHeader(const SessionValidationRequest& r, std::size_t runsPerSession)
{
    const TipNorm norm;
    std::cout << "# Whole clinical sessions against the virtual listener\n\n"
              << "Made by `quorvex-sim validate --sessions " << r.Sessions << " --threshold " << FormatForResults(r.ThresholdDb)
              << " --dead-edge " << FormatForResults(r.DeadEdge) << " --sl " << FormatForResults(r.SensationLevel) << "`. Each session is "
              << "a new session of the protocol `" << ProtocolInOneLine() << "` as \"Run Session\" measures it: the threshold in "
              << "quiet at the tone (the tone alone, 2 dB steps from 40 dB SPL, 8 reversals, the mean of the last 6), "
              << "then the tone at " << FormatForResults(r.SensationLevel) << " dB above the threshold measured: an upward and "
              << "a downward practice run, left out, then an upward and a downward run, combined. Session k has seed "
              << runsPerSession << "(k-1)+1, and its runs the seeds after it. The conditions are those of the "
              << "estimators' table (analysis-validation.md), the masker from 0.6 to 1.6 times the tone frequency. "
              << "Both listeners have a threshold in quiet of " << FormatForResults(r.ThresholdDb) << " dB SPL at every "
              << "frequency in the right ear; the listener with a dead region has one from " << FormatForResults(r.DeadEdge)
              << " times the tone frequency up to 20 kHz. Norm: the defaults (" << FormatPercent(norm.LowPercent)
              << " % to " << FormatPercent(norm.HighPercent)
              << " % for upward curves, moved for combined ones; off-frequency from "
              << FormatPercent(norm.OffFrequencyPercent) << " %).\n";
}

void PrintThresholds(const std::vector<std::pair<double, std::vector<ListenerSessions>>>& tones)
{
    std::cout << "\n## The threshold in quiet\n\n"
              << "Bias: the mean estimate less the listener's threshold; SD: the estimates' standard deviation.\n\n"
              << "| tone (Hz) | listener | sessions | listener's threshold (dB SPL) | mean estimate (dB SPL) | bias (dB) | SD (dB) |\n"
              << "|---|---|---|---|---|---|---|\n";
    for (const auto& [toneF, listeners] : tones) {
        for (const ListenerSessions& l : listeners) {
            const std::vector<double>& v = l.Thresholds;
            const double truth = ThresholdInQuiet(l.Hearing.Right, toneF).value_or(0.0);
            std::cout << "| " << FormatForResults(toneF) << " | " << DescribeValidationListener(l.Hearing) << " | " << v.size();
            if (v.empty()) {
                std::cout << " | " << FormatDb(truth) << " | – | – | – |\n";
                continue;
            }
            const double n = static_cast<double>(v.size());
            const double mean = std::accumulate(v.begin(), v.end(), 0.0) / n;
            double squares = 0.0;
            for (const double x : v) {
                squares += (x - mean) * (x - mean);
            }
            const double sd = v.size() > 1 ? std::sqrt(squares / (n - 1.0)) : 0.0;
            std::cout << " | " << FormatDb(truth) << " | " << FormatFixed(mean, 2) << " | " << FormatFixed(mean - truth, 2)
                      << " | " << FormatFixed(sd, 2) << " |\n";
        }
    }
}

void PrintFindings(const std::vector<std::pair<double, std::vector<ListenerSessions>>>& tones)
{
    std::cout << "\n## The combined curve's finding\n\n"
              << "Each cell: sessions with that finding, of all; \"not finished\": sessions that ended before their "
                 "last run.\n\n"
              << "| tone (Hz) | listener | tip within the normal range | outside the range | off-frequency | "
                 "not definable | not finished |\n"
              << "|---|---|---|---|---|---|---|\n";
    FindingCounts normal, dead;
    for (const auto& [toneF, listeners] : tones) {
        for (const ListenerSessions& l : listeners) {
            const FindingCounts& f = l.Findings;
            std::cout << "| " << FormatForResults(toneF) << " | " << DescribeValidationListener(l.Hearing) << " | "
                      << f.Rate(FindingKind::Normal) << " | " << f.Rate(FindingKind::OutsideRange) << " | "
                      << f.Rate(FindingKind::OffFrequency) << " | " << f.Rate(FindingKind::NotDefinable) << " | "
                      << l.Unfinished << " |\n";
            (l.Hearing.Right.Dead ? dead : normal).Add(f);
        }
    }
    std::cout << "\nOver all tones: the normal listener's finding \"tip within the normal range\" in "
              << normal.Rate(FindingKind::Normal) << " of the finished sessions; the dead region's \"tip shifted: "
              << "off-frequency listening likely\" in " << dead.Rate(FindingKind::OffFrequency) << ".\n";
}

}  // namespace

int ValidateSessions(const SessionValidationRequest& request)
{
    // Every tone's session has the protocol's runs.
    PrintHeader(request, ValidationSession(1000.0, request.SensationLevel).Session.Runs.size());
    const RunFilesFolder folder("quorvex-validate");
    if (!folder.Made()) {
        std::cerr << "quorvex-sim validate: no temporary folder could be made\n";
        return 1;
    }
    std::vector<std::pair<double, std::vector<ListenerSessions>>> tones;
    for (const double toneF : request.Tones) {
        const ParameterLoad load = ValidationSession(toneF, request.SensationLevel);
        if (!load.Session.Runnable()) {
            std::cerr << "quorvex-sim validate: " << load.Session.Refusal << "\n";
            return 1;
        }
        std::vector<ListenerSessions> listeners;
        for (const std::optional<double> edge : {std::optional<double>(), std::optional<double>(request.DeadEdge)}) {
            ListenerSessions sessions;
            sessions.Hearing = ValidationListener(toneF, request.ThresholdDb, edge);
            for (int k = 0; k < request.Sessions; ++k) {
                if (!RunSession(load, k, sessions, folder)) {
                    return 1;
                }
            }
            listeners.push_back(std::move(sessions));
        }
        tones.emplace_back(toneF, std::move(listeners));
    }
    PrintThresholds(tones);
    PrintFindings(tones);
    return 0;
}
