#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The columns of the session record and of the trial log (SessionFiles.h), in the files' order,
// with what each holds: the one place that names them. The header row is written from these
// tables and every row filled in their order; the readers (RecordedRuns.h) find a column by its
// name in the header row a file has; the data dictionary (RecordDictionary.h) describes each
// from them. A column is added at the end (before Count), so that a file begun by an earlier
// version keeps taking rows in its own columns; the compiler then asks for its value in the writer.

enum class RecordColumn {
    Run,
    Date,
    Time,
    Version,
    Subject,
    Ear,
    Direction,
    Condition,
    ToneF,
    StartF,
    EndF,
    FStep,
    MaskerBW,
    SPLstep,
    MaxSPL,
    ToneSPL,
    MaskStartSPL,
    CalibFactor,
    ToneDuration,
    MaskerDuration,
    Modulated,
    ModFreq,
    ISI,
    RiseFall,
    Attenuator,
    Device,
    ListenerSeed,
    ListenerCriterion,
    ListenerNoise,
    Session,
    SessionRun,
    SessionRuns,
    RunStatus,
    Point,
    MaskerFreq,
    MaskerSpl,
    RunPoints,
    SessionSeed,
    SessionPlan,
    SessionPlanText,
    ConditionsFile,
    SubjectId,
    BirthDate,
    Examiner,
    ListenerModel,
    NormalTipLow,
    NormalTipHigh,
    OffFrequencyShift,
    CalibrationProfile,
    CalibrationDate,
    ToneCorrection,
    MaskerCorrectionMin,
    MaskerCorrectionMax,
    Kc35Residual,
    FlagCalibrationOverdue,
    FlagNoListeningCheck,
    RunType,
    ToneSL,
    ThresholdRun,
    Threshold,
    ThresholdSd,
    ThresholdReversals,
    ThresholdFlags,
    Count  // not a column: the number of columns
};

enum class TrialColumn {
    Run,
    Trial,
    MaskerFreq,
    MaskerSpl,
    Played,
    Onset,
    Key,
    KeyChanges,
    Recorded,
    Dropout,
    MaskerCorrection,
    Count  // not a column: the number of columns
};

// Between a threshold run's flags in threshold_flags (each flag a sentence).
inline constexpr std::string_view ThresholdFlagSeparator = " | ";

// One allowed value of a column and what it means.
struct ColumnLevel {
    const char* Value;
    const char* Meaning;
};

struct ColumnDefinition {
    const char* Name;
    const char* Description;
    const char* Unit = "";                  // empty: none
    std::span<const ColumnLevel> Levels{};  // the values allowed and their meaning; empty: any
};

ColumnDefinition Definition(RecordColumn column);
ColumnDefinition Definition(TrialColumn column);

inline constexpr std::size_t RecordColumnCount = static_cast<std::size_t>(RecordColumn::Count);
inline constexpr std::size_t TrialColumnCount = static_cast<std::size_t>(TrialColumn::Count);

// The columns a file must begin with for this version to add rows to it: those of the first
// version that wrote it (the session record's up to the point's own, the trial log's up to
// dropout).
inline constexpr std::size_t RecordColumnsNeeded = static_cast<std::size_t>(RecordColumn::RunPoints);
inline constexpr std::size_t TrialColumnsNeeded = static_cast<std::size_t>(TrialColumn::MaskerCorrection);

// The header rows' names, in the files' order.
std::vector<std::string> RecordColumnNames();
std::vector<std::string> TrialColumnNames();

// The column of this version a header row's name stands for; empty for a name it does not write.
std::optional<RecordColumn> RecordColumnNamed(std::string_view name);
std::optional<TrialColumn> TrialColumnNamed(std::string_view name);

// The fields of a file's rows by column, found by name in the header row the file has: a column
// the header lacks (a file begun by an earlier version, or edited) and a row cut short read as
// empty.
template <typename Column, std::size_t Count>
class ColumnPositions {
public:
    explicit ColumnPositions(const std::vector<std::string>& header)
    {
        for (std::size_t c = 0; c < Count; ++c) {
            const std::string_view name = Definition(static_cast<Column>(c)).Name;
            for (std::size_t i = 0; i < header.size() && positions_[c] == Missing; ++i) {
                if (header[i] == name) {
                    positions_[c] = i;
                }
            }
        }
    }

    bool Has(Column column) const { return positions_[static_cast<std::size_t>(column)] != Missing; }

    std::string Text(const std::vector<std::string>& row, Column column) const
    {
        const std::size_t at = positions_[static_cast<std::size_t>(column)];
        return at < row.size() ? row[at] : std::string();
    }

private:
    static constexpr std::size_t Missing = static_cast<std::size_t>(-1);
    std::array<std::size_t, Count> positions_ = MissingEverywhere();

    static constexpr std::array<std::size_t, Count> MissingEverywhere()
    {
        std::array<std::size_t, Count> positions{};
        positions.fill(Missing);
        return positions;
    }
};

using RecordColumnPositions = ColumnPositions<RecordColumn, RecordColumnCount>;
using TrialColumnPositions = ColumnPositions<TrialColumn, TrialColumnCount>;
