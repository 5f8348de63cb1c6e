#include "ToneLevel.h"

#include "NumberFormat.h"
#include "SessionFiles.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace {

bool Counts(const RecordedRun& run)
{
    return run.Kind == RunKind::Threshold && run.Threshold && !run.MarkedRepeated && !run.Incomplete
           && run.Status != "ended";
}

std::string LocalDate()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char text[16] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

}  // namespace

Result<ResolvedTone> ResolveToneSL(const RecordedRuns& record, const SharedState& state, const std::string& sessionId,
                                   const std::string& today)
{
    const TestCondition& c = state.Current();
    const std::string ear = EarName(state.Ear);
    const RecordedRun* latest = nullptr;
    for (const RecordedRun& run : record.Runs) {
        if (Counts(run) && run.Subject == state.SubjectName && run.Ear == ear && run.Parameters.ToneF == c.ToneF) {
            latest = &run;
        }
    }
    if (latest == nullptr) {
        return Failure{"The tone is set " + FormatShortest(c.ToneSL.value_or(0.0f)) + " dB above the listener's "
                       "threshold, and the session record holds no threshold of " + state.SubjectName + " at "
                       + FormatShortest(c.ToneF) + " Hz in the " + ear + " ear. Measure it first with \"Threshold\"."};
    }
    ResolvedTone tone;
    tone.ToneSL = c.ToneSL.value_or(0.0f);
    tone.Threshold = latest->Threshold->Level;
    tone.ThresholdRun = latest->RunId;
    // To the 0.1 dB a threshold can tell; whole dB where the attenuator sets the level.
    const double spl = tone.Threshold + tone.ToneSL;
    tone.ToneSPL = static_cast<float>(state.Settings.Attenuator == AttenuatorMode::Kc35 ? std::trunc(spl)
                                                                                        : std::round(spl * 10.0) / 10.0);
    const std::string time = latest->Time.substr(0, 5);
    tone.Measured = latest->Date == today ? time : latest->Date + " " + time;
    std::vector<std::string> cautions;
    if (!sessionId.empty() ? latest->Session != sessionId : latest->Date != today) {
        cautions.push_back(sessionId.empty() ? "measured on an earlier day" : "measured before this session");
    }
    if (latest->Calibration.Profile != state.Calibration.Profile) {
        cautions.push_back(latest->Calibration.Profile.empty()
                               ? "measured without a calibration profile"
                               : "measured with the calibration profile '" + latest->Calibration.Profile + "'");
    }
    for (const std::string& caution : cautions) {
        tone.Caution += (tone.Caution.empty() ? "" : ", ") + caution;
    }
    return tone;
}

Result<ResolvedTone> ResolveToneSL(const SharedState& state, const std::string& sessionId)
{
    const RecordedRuns record = ReadRecordFiles(SessionRecordFileName(state.ResultsFileName), "");
    return ResolveToneSL(record, state, sessionId, LocalDate());
}

std::optional<TestCondition> CurrentConditionAsPlayed(const SharedState& state)
{
    TestCondition played = state.Current();
    if (played.ToneSL) {
        const Result<ResolvedTone> tone = ResolveToneSL(state, {});
        if (!tone) {
            return std::nullopt;
        }
        played.ToneSPL = tone.Value().ToneSPL;
    }
    return played;
}

std::string DescribeTone(const ResolvedTone& tone)
{
    return FormatShortest(tone.ToneSL) + " dB SL = " + FormatShortest(tone.ToneSPL) + " dB SPL (threshold "
           + FormatDb(tone.Threshold) + " dB SPL, measured " + tone.Measured + ")"
           + (tone.Caution.empty() ? "" : ": " + tone.Caution);
}
