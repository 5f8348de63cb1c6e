#include "CalibrationHistory.h"

#include "Csv.h"
#include "NumberFormat.h"
#include "NumberParse.h"

#include <cmath>
#include <optional>

namespace {

const std::vector<std::string> Columns = {"time",           "operator",        "profile",       "event",
                                          "ear",            "frequency_hz",    "reference_db_spl",
                                          "reading_db_spl", "correction_db",   "interval_days", "note"};
enum Column { Time, Operator, Profile, Event, Ear, Frequency, Reference, Reading, Correction, Interval, Note };

// A correction written from a reading and a reference, each to a float's digits, reads back
// this close to their difference.
constexpr double CorrectionTolerance = 0.005;

const char* EventWord(CalibrationEvent event)
{
    switch (event) {
    case CalibrationEvent::Created:
        return "created";
    case CalibrationEvent::Reading:
        return "reading";
    case CalibrationEvent::ListeningCheck:
        return "listening check";
    case CalibrationEvent::Imported:
        return "imported";
    }
    return "";
}

std::optional<CalibrationEvent> EventOf(std::string_view word)
{
    for (const CalibrationEvent event : {CalibrationEvent::Created, CalibrationEvent::Reading,
                                         CalibrationEvent::ListeningCheck, CalibrationEvent::Imported}) {
        if (word == EventWord(event)) {
            return event;
        }
    }
    return std::nullopt;
}

// The fields of one row, checked; `Failure` says what is wrong without the line number.
Result<CalibrationEntry> ReadRow(const std::vector<std::string>& row)
{
    if (row.size() != Columns.size()) {
        return Failure{"it has " + std::to_string(row.size()) + " fields, not " + std::to_string(Columns.size())};
    }
    CalibrationEntry entry;
    entry.Time = row[Time];
    entry.Operator = row[Operator];
    entry.Profile = row[Profile];
    entry.Note = row[Note];
    if (!ReadCalibrationTime(entry.Time).isValid()) {
        return Failure{"'" + entry.Time + "' is not a date and time"};
    }
    if (entry.Operator.empty() || entry.Profile.empty()) {
        return Failure{"the operator or the profile is missing"};
    }
    const std::optional<CalibrationEvent> event = EventOf(row[Event]);
    if (!event) {
        return Failure{"'" + row[Event] + "' is not an event of a calibration profile"};
    }
    entry.Event = *event;
    const auto real = [&row](Column column) -> std::optional<float> {
        const std::optional<float> value = ParseReal(row[column], '.');
        return value && std::isfinite(*value) ? value : std::nullopt;
    };
    const auto emptyFrom = [&row](Column first, Column last = Interval) {
        for (int column = first; column <= last; ++column) {
            if (!row[static_cast<std::size_t>(column)].empty()) {
                return false;
            }
        }
        return true;
    };
    switch (entry.Event) {
    case CalibrationEvent::Created: {
        const std::optional<int> days = ParseInteger(row[Interval]);
        if (!row[Ear].empty() || !days || *days < 1 || !emptyFrom(Frequency, Correction)) {
            return Failure{"a profile's creation needs an interval of 1 day or more and nothing else"};
        }
        entry.IntervalDays = *days;
        break;
    }
    case CalibrationEvent::Reading: {
        const std::optional<EarSide> ear = EarFromName(row[Ear]);
        const std::optional<float> freq = real(Frequency);
        const std::optional<float> reference = real(Reference);
        const std::optional<float> reading = real(Reading);
        const std::optional<float> correction = real(Correction);
        if (!ear || !freq || !(*freq > 0.0f) || !reference || !reading || !correction || !row[Interval].empty()) {
            return Failure{"a reading needs an ear (left or right), a frequency above 0 Hz, a reference level, "
                           "a meter reading and a correction"};
        }
        if (std::abs(static_cast<double>(*correction) - (static_cast<double>(*reading) - *reference))
            > CorrectionTolerance) {
            return Failure{"the correction is not the meter reading minus the reference level"};
        }
        entry.Ear = *ear;
        entry.FreqHz = *freq;
        entry.ReferenceDb = *reference;
        entry.ReadingDb = *reading;
        entry.CorrectionDb = *correction;
        break;
    }
    case CalibrationEvent::ListeningCheck:
        if (row[Ear] != "both" || !emptyFrom(Frequency)) {
            return Failure{"a listening check is of both ears and has no levels"};
        }
        break;
    case CalibrationEvent::Imported:
        if (!row[Ear].empty() || !emptyFrom(Frequency)) {
            return Failure{"an import has no ear and no levels"};
        }
        break;
    }
    return entry;
}

}  // namespace

std::string CalibrationTime(const QDateTime& when)
{
    const QDateTime local = when.toLocalTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

QDateTime ReadCalibrationTime(std::string_view text)
{
    return QDateTime::fromString(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), Qt::ISODate);
}

std::string CalibrationHistoryHeader()
{
    return CsvRow(Columns);
}

std::string FormatCalibrationEntry(const CalibrationEntry& e)
{
    std::vector<std::string> row(Columns.size());
    row[Time] = e.Time;
    row[Operator] = e.Operator;
    row[Profile] = e.Profile;
    row[Event] = EventWord(e.Event);
    row[Note] = e.Note;
    switch (e.Event) {
    case CalibrationEvent::Created:
        row[Interval] = std::to_string(e.IntervalDays);
        break;
    case CalibrationEvent::Reading:
        row[Ear] = EarName(e.Ear);
        row[Frequency] = FormatShortest(e.FreqHz);
        row[Reference] = FormatShortest(e.ReferenceDb);
        row[Reading] = FormatShortest(e.ReadingDb);
        row[Correction] = FormatShortest(e.CorrectionDb);
        break;
    case CalibrationEvent::ListeningCheck:
        row[Ear] = "both";
        break;
    case CalibrationEvent::Imported:
        break;
    }
    return CsvRow(row);
}

Result<std::vector<CalibrationEntry>> ParseCalibrationHistory(std::string_view text)
{
    constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, ByteOrderMark.size()) == ByteOrderMark) {
        text.remove_prefix(ByteOrderMark.size());
    }
    const std::vector<std::vector<std::string>> rows = ParseCsv(text);
    if (rows.empty() || rows.front() != Columns) {
        return Failure{"line 1 is not the header of a calibration history (" + CalibrationHistoryHeader().substr(
                           0, CalibrationHistoryHeader().size() - 1) + ")"};
    }
    std::vector<CalibrationEntry> entries;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::string line = "line " + std::to_string(i + 1) + ": ";
        if (rows[i].size() == 1 && rows[i][0].empty()) {
            return Failure{line + "it is empty"};
        }
        Result<CalibrationEntry> entry = ReadRow(rows[i]);
        if (!entry) {
            return Failure{line + entry.Reason()};
        }
        if (entries.empty() && entry.Value().Event != CalibrationEvent::Created) {
            return Failure{line + "a history starts with the profile's creation"};
        }
        if (!entries.empty() && entry.Value().Event == CalibrationEvent::Created) {
            return Failure{line + "the profile is created a second time"};
        }
        if (!entries.empty() && entry.Value().Profile != entries.front().Profile) {
            return Failure{line + "it belongs to the profile \"" + entry.Value().Profile + "\", not \""
                           + entries.front().Profile + "\""};
        }
        entries.push_back(std::move(entry).Value());
    }
    if (entries.empty()) {
        return Failure{"it holds no profile: the line that creates one is missing"};
    }
    return entries;
}
