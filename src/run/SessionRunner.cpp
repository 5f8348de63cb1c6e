#include "SessionRunner.h"

#include "FreqPointCount.h"
#include "RunChecks.h"
#include "ToneLevel.h"
#include "WholeFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <cassert>

namespace {

constexpr const char* FinishedReason = "Every run of the session is finished.";
// Trials a track takes to settle before the sweep moves (a few key changes).
constexpr std::int64_t SettlingTrials = 10;

}  // namespace

std::int64_t EstimatedRunMs(const ExperimentSettings& settings, const TestCondition& condition)
{
    const double trialMs = std::max(0.0, static_cast<double>(settings.MaskerDuration) + settings.ISI);
    const std::int64_t trials = FreqPointCount(condition) + SettlingTrials;
    return RunStartPauseMs + static_cast<std::int64_t>(trialMs * static_cast<double>(trials));
}

std::int64_t EstimatedThresholdRunMs(const ExperimentSettings& settings)
{
    const double trialMs = std::max(0.0, static_cast<double>(settings.MaskerDuration) + settings.ISI);
    const std::int64_t trials = 3 * std::int64_t{std::max(settings.ThresholdReversals, 0)} + SettlingTrials;
    return RunStartPauseMs + static_cast<std::int64_t>(trialMs * static_cast<double>(trials));
}

Result<> CheckSessionRuns(const SessionProtocol& protocol, const SharedState& state, char decimalSeparator)
{
    SharedState trial = state;
    std::optional<RecordedRuns> record;  // read once, for the first tone in dB SL
    std::set<std::pair<EarSide, float>> thresholdsBefore;  // measured by the session before the run
    for (std::size_t k = 0; k < protocol.Runs.size(); ++k) {
        const SessionRun& run = protocol.Runs[k];
        trial.CurrentCondition = run.Condition - 1;
        trial.Ear = run.Ear;
        Result<> check = run.Kind == RunKind::Threshold ? CheckThresholdRun(trial, decimalSeparator)
                                                        : CheckRunConditions(trial, decimalSeparator);
        const float toneF = trial.HasConditions() ? trial.Current().ToneF : 0.0f;
        if (check && run.Kind == RunKind::Threshold) {
            thresholdsBefore.insert({run.Ear, toneF});
        } else if (check && trial.Current().ToneSL && !thresholdsBefore.contains({run.Ear, toneF})) {
            if (!record) {
                record = ReadRecordFiles(SessionRecordFileName(state.ResultsFileName), "");
            }
            if (const Result<ResolvedTone> tone = ResolveToneSL(*record, trial, "", ""); !tone) {
                check = Failure{tone.Reason()};
            }
        }
        if (!check) {
            return Failure{"Run " + std::to_string(k + 1) + " of the session (condition "
                           + std::to_string(protocol.Runs[k].Condition) + ") cannot start: " + check.Reason()};
        }
    }
    return {};
}

std::string ResumeQuestion(const SessionRunner& runner, const std::string& subject, const std::string& recordFile)
{
    const std::optional<UnfinishedSession>& unfinished = runner.Unfinished();
    if (!unfinished) {
        return {};
    }
    std::string question;
    if (!unfinished->CanContinue()) {
        question = subject + " has an unfinished session (" + unfinished->Id + ") in " + recordFile
                   + " that was planned otherwise than the test-condition file plans it now:\n";
        constexpr std::size_t Shown = 12;
        for (std::size_t i = 0; i < unfinished->Changes.size() && i < Shown; ++i) {
            question += "  " + unfinished->Changes[i] + "\n";
        }
        if (unfinished->Changes.size() > Shown) {
            question += "  and " + std::to_string(unfinished->Changes.size() - Shown) + " more\n";
        }
        return question + "It cannot be continued with this plan. Start a new session, or load the file it was "
                          "planned with to continue it.";
    }
    question = subject + " has an unfinished session of this protocol in " + recordFile + ".\n";
    for (const std::string& note : unfinished->Notes) {
        question += note + "\n";
    }
    return question + "Continue at run " + std::to_string(unfinished->ContinueAt + 1) + " of "
           + std::to_string(runner.Runs());
}

std::string FormatDuration(std::int64_t ms)
{
    const std::int64_t seconds = std::max<std::int64_t>(ms, 0) / 1000;
    std::array<char, 32> text{};
    if (seconds >= 3600) {
        std::snprintf(text.data(), text.size(), "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    } else {
        std::snprintf(text.data(), text.size(), "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    }
    return text.data();
}

SessionRunner::SessionRunner(SessionProtocol protocol, SessionPlan plan, std::string subject,
                             std::string resultsFileName)
    : protocol_(std::move(protocol))
    , plan_(std::move(plan))
    , subject_(std::move(subject))
    , resultsFileName_(std::move(resultsFileName))
{
    assert(protocol_.Runnable() && !protocol_.Runs.empty() && "callers refuse a protocol that cannot run");
    lock_ = std::make_unique<SessionLock>(resultsFileName_);
    if (!lock_->Held()) {
        recordProblem_ = lock_->Problem();
        return;
    }
    const std::string record = SessionRecordFileName(resultsFileName_);
    std::error_code missing;
    if (!std::filesystem::exists(record, missing)) {
        return;
    }
    const WholeFile file = std::filesystem::is_regular_file(record, missing) ? ReadWholeFile(record)
                                                                              : WholeFile{{}, std::make_error_code(std::errc::is_a_directory)};
    if (file.Error) {
        recordProblem_ = "Quorvex cannot read the session record '" + record + "': " + file.Error.message()
                         + ". A session keeps its place in that file, so none can start until it can be read.";
        return;
    }
    const RecordedRuns recorded = ReadSessionRecord(file.Text);
    existingIds_ = SessionIds(recorded);
    unfinished_ = FindUnfinishedSession(recorded, protocol_, plan_, subject_);
}

Result<> SessionRunner::StartNew(std::chrono::system_clock::time_point now)
{
    const std::string stamp = SessionTimestamp(now);
    std::string id = stamp;
    for (int n = 2; existingIds_.contains(id); ++n) {
        id = stamp + "_" + std::to_string(n);
    }
    const SessionPlanRow row{id, subject_, Runs(), plan_.Seed, plan_.Fingerprint, plan_.Text, now, plan_.ConditionsFile};
    if (const Result<> written = WriteSessionPlan(resultsFileName_, row); !written) {
        return written;
    }
    existingIds_.insert(id);
    id_ = id;
    states_.assign(protocol_.Runs.size(), SessionRunState::Pending);
    return {};
}

void SessionRunner::Continue()
{
    assert(CanContinue() && "callers ask CanContinue first");
    id_ = unfinished_->Id;
    states_ = unfinished_->States;
}

std::optional<int> SessionRunner::Next() const
{
    if (!endReason_.empty()) {
        return std::nullopt;
    }
    const auto next = std::find_if(states_.begin(), states_.end(), [](SessionRunState s) { return !IsFinished(s); });
    if (next == states_.end()) {
        return std::nullopt;
    }
    return static_cast<int>(next - states_.begin());
}

SessionMark SessionRunner::MarkFor(int index, const std::string& status) const
{
    return SessionMark{id_, index + 1, Runs(), status, plan_.Seed, plan_.Fingerprint};
}

void SessionRunner::Prepare(int index, SharedState& state, TrackingRun& run) const
{
    const SessionRun& planned = protocol_.Runs.at(static_cast<std::size_t>(index));
    state.CurrentCondition = planned.Condition - 1;
    state.Ear = planned.Ear;
    state.SweepDirection = planned.SweepDirection;
    run.Kind = planned.Kind;
    run.Session = MarkFor(index, {});
    run.Session->Practice = planned.Practice;
}

void SessionRunner::Finished(int index, const RunOutcome& report, std::int64_t durationMs)
{
    lastMeasured_.reset();
    lastMark_.reset();
    const std::string position = "run " + std::to_string(index + 1) + " of " + std::to_string(Runs());
    if (!report.RecordError.empty()) {
        endReason_ = "The session record did not take the rows of " + position
                     + ", so the session stopped there; continue it once the file can be written.";
    }
    if (!MeasuredStatus(report.RunStatus)) {
        states_.at(static_cast<std::size_t>(index)) = SessionRunState::Ended;
        if (endReason_.empty()) {
            std::string cause = report.StopCause.empty() ? std::string("a stop key") : report.StopCause;
            cause[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(cause[0])));
            endReason_ = (report.Error.empty() ? cause + " ended " + position : "An error ended " + position + ": " + report.Error)
                         + ". The session continues at this run.";
        }
        lock_.reset();  // over: another program may continue it
        return;
    }
    states_.at(static_cast<std::size_t>(index)) = SessionRunState::Measured;
    lastMeasured_ = Measured{index, report.RunId, report.Started};
    durations_.push_back(durationMs);
    ++measuredHere_;
    if (endReason_.empty() && Over()) {
        endReason_ = FinishedReason;
    }
    if (Over()) {
        lock_.reset();
    }
}

bool SessionRunner::CanUndo() const
{
    // Also the skip of the last run left, which finished the session.
    return lastMark_.has_value() && (!Over() || (!lastMark_->Repeat && endReason_ == FinishedReason));
}

bool SessionRunner::RestDue() const
{
    return protocol_.RestEvery > 0 && measuredHere_ > 0 && measuredHere_ % protocol_.RestEvery == 0 && lastMeasured_;
}

Result<std::string> SessionRunner::Append(SharedState& state, int index, const std::string& status,
                                          std::chrono::system_clock::time_point started, const std::string& runId)
{
    const SessionRun& planned = protocol_.Runs.at(static_cast<std::size_t>(index));
    state.CurrentCondition = planned.Condition - 1;
    state.Ear = planned.Ear;
    state.SweepDirection = planned.SweepDirection;
    state.SubjectName = subject_;
    state.ResultsFileName = resultsFileName_;
    RunLog log;
    log.Started = started;
    log.Session = MarkFor(index, status);
    log.RunId = runId;
    log.Kind = planned.Kind;
    const SessionFilesOutcome written = WriteSessionFiles(state, log, 0);
    if (!written.RecordError.empty()) {
        return Failure{written.RecordError};
    }
    return written.RunId;
}

Result<> SessionRunner::Repeat(SharedState& state)
{
    if (!CanRepeat()) {
        return {};
    }
    const Measured last = *lastMeasured_;
    const Result<std::string> marked = Append(state, last.Index, "repeated", last.Started, last.RunId);
    if (!marked) {
        return Failure{marked.Reason()};
    }
    states_.at(static_cast<std::size_t>(last.Index)) = SessionRunState::Pending;
    lastMeasured_.reset();
    lastMark_ = Mark{true, last};
    return {};
}

Result<> SessionRunner::Skip(SharedState& state)
{
    const std::optional<int> next = Next();
    if (!next) {
        return {};
    }
    const auto now = std::chrono::system_clock::now();
    const Result<std::string> marked = Append(state, *next, "skipped", now, {});
    if (!marked) {
        return Failure{marked.Reason()};
    }
    states_.at(static_cast<std::size_t>(*next)) = SessionRunState::Skipped;
    lastMark_ = Mark{false, Measured{*next, marked.Value(), now}};
    if (Over()) {
        // The lock stays until the session is left: the skip that finished it can still be undone.
        endReason_ = FinishedReason;
    }
    return {};
}

Result<> SessionRunner::Undo(SharedState& state)
{
    if (!CanUndo()) {
        return {};
    }
    const Mark mark = *lastMark_;
    const Result<std::string> marked = Append(state, mark.Run.Index, "undone", mark.Run.Started, mark.Run.RunId);
    if (!marked) {
        return Failure{marked.Reason()};
    }
    if (mark.Repeat) {
        states_.at(static_cast<std::size_t>(mark.Run.Index)) = SessionRunState::Measured;
        lastMeasured_ = mark.Run;
    } else {
        states_.at(static_cast<std::size_t>(mark.Run.Index)) = SessionRunState::Pending;
        if (endReason_ == FinishedReason) {
            endReason_.clear();
        }
    }
    lastMark_.reset();
    return {};
}

void SessionRunner::End()
{
    if (endReason_.empty()) {
        endReason_ = Next() ? "The operator ended the session; it continues at run " + std::to_string(*Next() + 1) + " of "
                                  + std::to_string(Runs()) + "."
                            : FinishedReason;
    }
    lock_.reset();
}

SessionProgress SessionRunner::Progress(std::int64_t elapsedMs, const SharedState& state) const
{
    SessionProgress progress;
    progress.Runs = Runs();
    progress.ElapsedMs = elapsedMs;
    progress.Position = Next() ? *Next() + 1 : 0;
    std::int64_t estimate = 0;
    const std::int64_t mean =
        durations_.empty() ? 0
                           : std::accumulate(durations_.begin(), durations_.end(), std::int64_t{0})
                                 / static_cast<std::int64_t>(durations_.size());
    for (std::size_t k = 0; k < states_.size(); ++k) {
        if (IsFinished(states_[k])) {
            ++progress.Finished;
            continue;
        }
        const auto condition = static_cast<std::size_t>(protocol_.Runs[k].Condition - 1);
        estimate += !durations_.empty() || condition >= state.Conditions.size()
                        ? mean
                    : protocol_.Runs[k].Kind == RunKind::Threshold
                        ? EstimatedThresholdRunMs(state.Settings)
                        : EstimatedRunMs(state.Settings, state.Conditions[condition]);
    }
    progress.LeftMs = Over() ? 0 : estimate;
    return progress;
}
