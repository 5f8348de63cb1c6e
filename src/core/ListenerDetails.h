#pragma once

#include "Result.h"

#include <string>
#include <string_view>

// Who was measured and who measured, beyond the subject name: what a clinic files a report
// under. Written with every run in the session record and read back by the report.
struct ListenerDetails {
    std::string Id;         // the clinic's own identifier of the listener
    std::string BirthDate;  // YYYY-MM-DD, or empty
    std::string Examiner;

    bool operator==(const ListenerDetails&) const = default;
};

// Whether `date` is a day of the calendar written YYYY-MM-DD (an empty text is no date and
// passes); refused with why, in words ("1961-02-30 is not a day of the calendar").
Result<> CheckBirthDate(std::string_view date);

// Whether every field fits on the one line the session record gives it (CheckOneLine) and the
// birth date passes CheckBirthDate; refused naming the field.
Result<> CheckListenerDetails(const ListenerDetails& details);
