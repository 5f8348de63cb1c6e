#pragma once

#include "Result.h"
#include "RunChoices.h"

#include <QDateTime>

#include <string>
#include <string_view>
#include <vector>

// A calibration profile's history: one line per change, appended and never rewritten. The
// history is the profile: its response, its interval, its last calibration and its listening
// checks are all read from it (CalibrationProfile.h). The file is CSV with a header line, as a
// spreadsheet or an auditor reads it.

enum class CalibrationEvent {
    Created,         // the profile was made, with its interval for objective calibration
    Reading,         // a meter reading at one ear and frequency, with the correction it gives
    ListeningCheck,  // the daily listening check: both ears sounded right
    Imported,        // the profile came from a file exported on another PC
};

struct CalibrationEntry {
    std::string Time;  // ISO 8601 date and time with its UTC offset (CalibrationTime)
    std::string Operator;
    std::string Profile;
    CalibrationEvent Event = CalibrationEvent::Reading;
    // Reading only: the ear measured, the tone's frequency, the level it is meant to have at the
    // ear (CalibFactor), what the meter showed, and ReadingDb - ReferenceDb.
    EarSide Ear = EarSide::Left;
    float FreqHz = 0.0f;
    float ReferenceDb = 0.0f;
    float ReadingDb = 0.0f;
    float CorrectionDb = 0.0f;
    int IntervalDays = 0;  // Created only
    std::string Note;      // what was heard (ListeningCheck), where from (Imported)

    bool operator==(const CalibrationEntry&) const = default;
};

// A date and time as the history writes it, to the second: 2026-12-08T09:30:00+01:00.
std::string CalibrationTime(const QDateTime& when);
// A time of the history read back; invalid when the text is not one.
QDateTime ReadCalibrationTime(std::string_view text);

// The history file's first line, naming its columns, and one entry as one line of it.
std::string CalibrationHistoryHeader();
std::string FormatCalibrationEntry(const CalibrationEntry& entry);

// The entries of a history file as the program writes it: the header, then a Created entry,
// then any entries of the same profile. Anything else is refused naming the line and what is
// wrong with it ("line 4: the correction is not the reading minus the reference"), so that a
// damaged or hand-altered file is never taken for a calibration.
Result<std::vector<CalibrationEntry>> ParseCalibrationHistory(std::string_view text);
