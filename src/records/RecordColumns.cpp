#include "RecordColumns.h"

#include <cassert>

namespace {

constexpr ColumnLevel Bit[] = {{"0", "no"}, {"1", "yes"}};
constexpr ColumnLevel Flag[] = {{"0", "not raised"}, {"1", "raised"}, {"", "not judged (no calibration profile)"}};
constexpr ColumnLevel EarLevels[] = {{"left", "left ear"}, {"right", "right ear"}};
constexpr ColumnLevel DirectionLevels[] = {{"up", "StartF to EndF"}, {"down", "EndF to StartF"}};
constexpr ColumnLevel ModulatedLevels[] = {{"0", "unmodulated"}, {"1", "modulated"}};
constexpr ColumnLevel AttenuatorLevels[] = {{"software", "a digital gain against CalibFactor"}, {"KC35", "a KC35 programmable attenuator"}};
constexpr ColumnLevel RunStatusLevels[] = {{"measured", "measured to its end"}, {"ended", "ended early by an error or a stop key"}, {"repeated", "rejected by the operator and measured again"}, {"skipped", "skipped by the operator"}, {"undone", "the operator's last mark taken back"}, {"planned", "the row that opens a session with its plan"}, {"set aside", "the session is no longer offered"}, {"practice", "a practice run"}, {"", "a run outside a session"}};
constexpr ColumnLevel RunTypeLevels[] = {{"ptc", "a tuning curve"}, {"threshold", "a threshold run"}};
constexpr ColumnLevel TrialKeyLevels[] = {{"down", "held: the tone was heard"}, {"up", "released"}};

template <typename Column, std::size_t Count>
std::vector<std::string> Names()
{
    std::vector<std::string> names;
    names.reserve(Count);
    for (std::size_t c = 0; c < Count; ++c) {
        names.emplace_back(Definition(static_cast<Column>(c)).Name);
    }
    return names;
}

template <typename Column, std::size_t Count>
std::optional<Column> Named(std::string_view name)
{
    for (std::size_t c = 0; c < Count; ++c) {
        if (name == Definition(static_cast<Column>(c)).Name) {
            return static_cast<Column>(c);
        }
    }
    return std::nullopt;
}

}  // namespace

ColumnDefinition Definition(RecordColumn column)
{
    switch (column) {
    case RecordColumn::Run:
        return {"run", "the run's identifier: its local start time (ISO 8601 with UTC offset), '_' and its number in the files"};
    case RecordColumn::Date:
        return {"date", "the run's local start date (YYYY-MM-DD)"};
    case RecordColumn::Time:
        return {"time", "the run's local start time (hh:mm:ss)"};
    case RecordColumn::Version:
        return {"version", "the version of Quorvex that measured the run"};
    case RecordColumn::Subject:
        return {"subject", "the subject name typed in the set-up window"};
    case RecordColumn::Ear:
        return {"ear", "the ear the tone and masker were played to", "", EarLevels};
    case RecordColumn::Direction:
        return {"direction", "the direction the masker's centre frequency swept", "", DirectionLevels};
    case RecordColumn::Condition:
        return {"condition", "the test condition's number in the test-condition file, from 1"};
    case RecordColumn::ToneF:
        return {"ToneF", "the tone's frequency", "Hz"};
    case RecordColumn::StartF:
        return {"StartF", "the lowest masker centre frequency of the sweep", "Hz"};
    case RecordColumn::EndF:
        return {"EndF", "the highest masker centre frequency of the sweep", "Hz"};
    case RecordColumn::FStep:
        return {"FStep", "the step of the masker centre frequency", "Hz"};
    case RecordColumn::MaskerBW:
        return {"MaskerBW", "the masker's noise bandwidth", "Hz"};
    case RecordColumn::SPLstep:
        return {"SPLstep", "the step of the masker level", "dB"};
    case RecordColumn::MaxSPL:
        return {"MaxSPL", "the highest masker level allowed at the ear", "dB SPL"};
    case RecordColumn::ToneSPL:
        return {"ToneSPL", "the tone's level at the ear", "dB SPL"};
    case RecordColumn::MaskStartSPL:
        return {"MaskStartSPL", "the masker's level at the first trial", "dB SPL"};
    case RecordColumn::CalibFactor:
        return {"CalibFactor", "the level a stimulus of RMS 8000 sample units plays at (the calibration level)", "dB SPL"};
    case RecordColumn::ToneDuration:
        return {"ToneDuration", "the tone's on-time", "ms"};
    case RecordColumn::MaskerDuration:
        return {"MaskerDuration", "the masker's duration, the length of one stimulus", "ms"};
    case RecordColumn::Modulated:
        return {"Modulated", "whether the tone was amplitude-modulated", "", ModulatedLevels};
    case RecordColumn::ModFreq:
        return {"ModFreq", "the tone's modulation frequency", "Hz"};
    case RecordColumn::ISI:
        return {"ISI", "the silence between two stimuli", "ms"};
    case RecordColumn::RiseFall:
        return {"RiseFall", "the masker's rise and fall ramps", "ms"};
    case RecordColumn::Attenuator:
        return {"attenuator", "how levels were set", "", AttenuatorLevels};
    case RecordColumn::Device:
        return {"device", "the sound device the stimuli went to"};
    case RecordColumn::ListenerSeed:
        return {"listener_seed", "the virtual listener's seed; empty when a person listened"};
    case RecordColumn::ListenerCriterion:
        return {"listener_criterion", "the virtual listener's detection criterion; empty when a person listened", "dB"};
    case RecordColumn::ListenerNoise:
        return {"listener_noise", "the virtual listener's internal noise; empty when a person listened", "dB"};
    case RecordColumn::Session:
        return {"session", "the identifier of the session the run belongs to (its start time); empty outside a session"};
    case RecordColumn::SessionRun:
        return {"session_run", "the run's place in its session, from 1"};
    case RecordColumn::SessionRuns:
        return {"session_runs", "the number of runs of the session"};
    case RecordColumn::RunStatus:
        return {"run_status", "the run's status in its session, or a row's mark", "", RunStatusLevels};
    case RecordColumn::Point:
        return {"point", "the recorded point's number in the run, from 1; empty for a run without points"};
    case RecordColumn::MaskerFreq:
        return {"masker_freq", "the masker centre frequency of the recorded point", "Hz"};
    case RecordColumn::MaskerSpl:
        return {"masker_spl", "the masker level at the ear of the recorded point (the tuning curve)", "dB SPL"};
    case RecordColumn::RunPoints:
        return {"run_points", "the number of points the run recorded (its rows)"};
    case RecordColumn::SessionSeed:
        return {"session_seed", "the seed of the session's shuffled order; empty for a listed order"};
    case RecordColumn::SessionPlan:
        return {"session_plan", "the fingerprint of what the session was planned with"};
    case RecordColumn::SessionPlanText:
        return {"session_plan_text", "the session's plan, readable (key=value; ...), on its opening row"};
    case RecordColumn::ConditionsFile:
        return {"conditions_file", "the test-condition file the session was loaded from, on its opening row"};
    case RecordColumn::SubjectId:
        return {"subject_id", "the listener's ID"};
    case RecordColumn::BirthDate:
        return {"birth_date", "the listener's date of birth (YYYY-MM-DD)"};
    case RecordColumn::Examiner:
        return {"examiner", "the examiner"};
    case RecordColumn::ListenerModel:
        return {"listener_model", "the version of the virtual listener's model; empty when a person listened"};
    case RecordColumn::NormalTipLow:
        return {"normal_tip_low", "the low end of the normal range of the tip's shift from the tone, for upward sweeps ([Settings] NormalTipLow)", "% of ToneF"};
    case RecordColumn::NormalTipHigh:
        return {"normal_tip_high", "the high end of the normal range of the tip's shift from the tone, for upward sweeps ([Settings] NormalTipHigh)", "% of ToneF"};
    case RecordColumn::OffFrequencyShift:
        return {"off_frequency_shift", "the tip's shift from the tone from which off-frequency listening is likely ([Settings] OffFrequencyShift)", "% of ToneF"};
    case RecordColumn::CalibrationProfile:
        return {"calibration_profile", "the headphone calibration profile the run was measured with; empty: none (uncalibrated)"};
    case RecordColumn::CalibrationDate:
        return {"calibration_date", "the date and time of the profile's latest objective calibration (ISO 8601)"};
    case RecordColumn::ToneCorrection:
        return {"tone_correction", "the correction applied to the tone: the headphone's meter reading above the level meant at ToneF, by which the tone was played lower", "dB"};
    case RecordColumn::MaskerCorrectionMin:
        return {"masker_correction_min", "the smallest correction applied to a masker (at its centre frequency)", "dB"};
    case RecordColumn::MaskerCorrectionMax:
        return {"masker_correction_max", "the largest correction applied to a masker (at its centre frequency)", "dB"};
    case RecordColumn::Kc35Residual:
        return {"kc35_residual", "KC35 levels: the level at the ear minus the level meant that the attenuator's whole-dB steps left, the largest in magnitude of the run", "dB"};
    case RecordColumn::FlagCalibrationOverdue:
        return {"flag_calibration_overdue", "quality flag: the profile's objective calibration was older than its interval", "", Flag};
    case RecordColumn::FlagNoListeningCheck:
        return {"flag_no_listening_check", "quality flag: the day's listening check of both ears was not on record", "", Flag};
    case RecordColumn::RunType:
        return {"run_type", "what the run measured: a tuning curve, or the threshold in quiet of the tone alone", "", RunTypeLevels};
    case RecordColumn::ToneSL:
        return {"ToneSL", "a tuning curve whose tone was set above the listener's threshold: that level; ToneSPL is then the level played", "dB SL"};
    case RecordColumn::ThresholdRun:
        return {"threshold_run", "a tuning curve set in dB SL: the identifier of the threshold run its tone rests on"};
    case RecordColumn::Threshold:
        return {"threshold", "a threshold run: the threshold in quiet, the mean of the levels at its last reversals", "dB SPL"};
    case RecordColumn::ThresholdSd:
        return {"threshold_sd", "a threshold run: the standard deviation of the levels the threshold is the mean of", "dB"};
    case RecordColumn::ThresholdReversals:
        return {"threshold_reversals", "a threshold run: the tone's level at each reversal, in order, separated by spaces", "dB SPL"};
    case RecordColumn::ThresholdFlags:
        return {"threshold_flags", "a threshold run: what makes its threshold doubtful (the level held at the device's floor or ceiling, the time limit), one sentence each, separated by ' | '; empty when nothing does"};
    case RecordColumn::Count:
        break;
    }
    assert(!"not a column of the session record");
    return {"", ""};
}

ColumnDefinition Definition(TrialColumn column)
{
    switch (column) {
    case TrialColumn::Run:
        return {"run", "the run's identifier, as in the session record"};
    case TrialColumn::Trial:
        return {"trial", "the trial's number in the run, from 1"};
    case TrialColumn::MaskerFreq:
        return {"masker_freq", "the masker centre frequency played", "Hz"};
    case TrialColumn::MaskerSpl:
        return {"masker_spl", "the masker level at the ear", "dB SPL"};
    case TrialColumn::Played:
        return {"played", "whether the sound device played the stimulus", "", Bit};
    case TrialColumn::Onset:
        return {"onset", "the stimulus's onset on the sound device's clock, from the run's first stimulus; empty when the device cannot tell", "s"};
    case TrialColumn::Key:
        return {"key", "the listener's SPACE bar after the trial", "", TrialKeyLevels};
    case TrialColumn::KeyChanges:
        return {"key_changes", "the key changes counted at the current masker frequency after the trial"};
    case TrialColumn::Recorded:
        return {"recorded", "the points the trial's key changes recorded"};
    case TrialColumn::Dropout:
        return {"dropout", "whether the device lost frames of the stimulus", "", Bit};
    case TrialColumn::MaskerCorrection:
        return {"masker_correction", "the headphone's correction at the masker's centre frequency, by which the masker was played lower; empty without a calibration profile", "dB"};
    case TrialColumn::Count:
        break;
    }
    assert(!"not a column of the trial log");
    return {"", ""};
}

std::vector<std::string> RecordColumnNames()
{
    return Names<RecordColumn, RecordColumnCount>();
}

std::vector<std::string> TrialColumnNames()
{
    return Names<TrialColumn, TrialColumnCount>();
}

std::optional<RecordColumn> RecordColumnNamed(std::string_view name)
{
    return Named<RecordColumn, RecordColumnCount>(name);
}

std::optional<TrialColumn> TrialColumnNamed(std::string_view name)
{
    return Named<TrialColumn, TrialColumnCount>(name);
}
