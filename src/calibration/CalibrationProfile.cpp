#include "CalibrationProfile.h"

namespace {

QDate LocalDate(const std::string& time)
{
    return ReadCalibrationTime(time).toLocalTime().date();
}

std::string Date(const std::string& time)
{
    return LocalDate(time).toString(Qt::ISODate).toStdString();
}

std::string DaysAgo(int days)
{
    return days == 0 ? "today" : days == 1 ? "1 day ago" : std::to_string(days) + " days ago";
}

}  // namespace

CalibrationProfile ProfileFromHistory(std::vector<CalibrationEntry> history, std::string file)
{
    CalibrationProfile profile;
    profile.File = std::move(file);
    for (const CalibrationEntry& entry : history) {
        switch (entry.Event) {
        case CalibrationEvent::Created:
            profile.Name = entry.Profile;
            profile.IntervalDays = entry.IntervalDays;
            break;
        case CalibrationEvent::Reading:
            profile.Response.Set(entry.Ear, entry.FreqHz, entry.CorrectionDb);
            profile.LastReading = entry;
            break;
        case CalibrationEvent::ListeningCheck:
            profile.LastCheck = entry;
            break;
        case CalibrationEvent::Imported:
            break;
        }
    }
    profile.History = std::move(history);
    return profile;
}

CalibrationStanding StandingAt(const CalibrationProfile& profile, const QDateTime& now)
{
    CalibrationStanding standing;
    const QDate today = now.toLocalTime().date();
    if (profile.LastReading) {
        standing.AgeDays = static_cast<int>(LocalDate(profile.LastReading->Time).daysTo(today));
        standing.Overdue = *standing.AgeDays > profile.IntervalDays;
    }
    standing.CheckedToday = profile.LastCheck && LocalDate(profile.LastCheck->Time) == today;
    return standing;
}

CalibrationInUse CalibrationFor(const CalibrationProfile& profile, const QDateTime& now)
{
    const CalibrationStanding standing = StandingAt(profile, now);
    CalibrationInUse use;
    use.Profile = profile.Name;
    use.LastCalibrated = profile.LastReading ? profile.LastReading->Time : std::string();
    use.Overdue = standing.Overdue;
    use.CheckedToday = standing.CheckedToday;
    use.Response = profile.Response;
    return use;
}

std::string DescribeStanding(const CalibrationProfile& profile, const QDateTime& now)
{
    const CalibrationStanding standing = StandingAt(profile, now);
    std::string text;
    const std::string interval = "due every " + std::to_string(profile.IntervalDays) + " days";
    if (!profile.LastReading) {
        text = "never calibrated (" + interval + ")";
    } else {
        text = std::string(standing.Overdue ? "calibration overdue: last " : "calibrated ")
               + Date(profile.LastReading->Time) + " (" + DaysAgo(*standing.AgeDays) + "; " + interval + ")";
    }
    if (standing.CheckedToday) {
        text += "; listening check today by " + profile.LastCheck->Operator;
    } else {
        text += "; no listening check today";
        if (profile.LastCheck) {
            text += " (last " + Date(profile.LastCheck->Time) + " by " + profile.LastCheck->Operator + ")";
        }
    }
    return text;
}
