#include "ListenerDetails.h"

#include "PlainText.h"

#include <chrono>

namespace {

// Whether `date` has the shape YYYY-MM-DD: digits, and dashes at the two places.
bool IsoShaped(std::string_view date)
{
    if (date.size() != 10) {
        return false;
    }
    for (std::size_t i = 0; i < date.size(); ++i) {
        const bool dash = i == 4 || i == 7;
        if (dash ? date[i] != '-' : (date[i] < '0' || date[i] > '9')) {
            return false;
        }
    }
    return true;
}

int Number(std::string_view digits)
{
    int value = 0;
    for (const char digit : digits) {
        value = value * 10 + (digit - '0');
    }
    return value;
}

}  // namespace

Result<> CheckBirthDate(std::string_view date)
{
    if (date.empty()) {
        return {};
    }
    const std::string shown(date);
    if (!IsoShaped(date)) {
        return Failure{"the birth date \"" + WithControlCharactersShown(shown) + "\" is not written YYYY-MM-DD"};
    }
    const std::chrono::year_month_day day{std::chrono::year(Number(date.substr(0, 4))),
                                          std::chrono::month(static_cast<unsigned>(Number(date.substr(5, 2)))),
                                          std::chrono::day(static_cast<unsigned>(Number(date.substr(8, 2))))};
    if (!day.ok()) {
        return Failure{"the birth date " + shown + " is not a day of the calendar"};
    }
    return {};
}

Result<> CheckListenerDetails(const ListenerDetails& details)
{
    for (const auto& [what, text] : {std::pair{"listener ID", &details.Id}, {"birth date", &details.BirthDate},
                                     {"examiner", &details.Examiner}}) {
        if (const Result<> line = CheckOneLine(*text); !line) {
            return Failure{std::string("the ") + what + " holds " + line.Reason()
                           + ", which cannot be written on the one line the session record gives it"};
        }
    }
    return CheckBirthDate(details.BirthDate);
}
