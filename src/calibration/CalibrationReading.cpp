#include "CalibrationReading.h"

#include "CalibrationStore.h"
#include "NumberFormat.h"
#include "NumberParse.h"
#include "SharedState.h"

#include <cmath>
#include <optional>

namespace {

std::string Db(float value, char decimalSeparator)
{
    return FormatGeneral(value, 6, decimalSeparator) + " dB";
}

std::string SignedDb(float value, char decimalSeparator)
{
    std::string text = value > 0.0f ? "+" : "";
    text += Db(value, decimalSeparator);
    return text;
}

std::optional<float> MeasuredAt(const HeadphoneResponse& response, EarSide ear, float freqHz)
{
    for (const ResponsePoint& point : response.Points(ear)) {
        if (point.FreqHz == freqHz) {
            return point.CorrectionDb;
        }
    }
    return std::nullopt;
}

}  // namespace

Result<float> CorrectionFromReading(std::string_view typed, float targetDb, char decimalSeparator)
{
    const auto blank = typed.find_first_not_of(" \t");
    if (blank == std::string_view::npos) {
        return Failure{"Type the level the meter shows, in dB SPL."};
    }
    const std::optional<float> reading = ParseReal(typed, decimalSeparator);
    if (!reading) {
        return Failure{"The meter reading \"" + std::string(typed.substr(blank)) + "\" is not a number."};
    }
    const float correction = *reading - targetDb;
    if (std::abs(correction) > MostReadingOffsetDb) {
        return Failure{"The meter reading " + FormatGeneral(*reading, 6, decimalSeparator) + " dB SPL is "
                       + Db(std::abs(correction), decimalSeparator) + (correction > 0 ? " above" : " below")
                       + " the target " + FormatGeneral(targetDb, 6, decimalSeparator) + " dB SPL; more than "
                       + Db(MostReadingOffsetDb, decimalSeparator)
                       + " cannot be right. Check the channel, the coupler and the meter's range."};
    }
    return correction;
}

Result<float> ReadCalibrationFrequency(std::string_view typed, char decimalSeparator)
{
    const std::optional<float> freq = ParseReal(typed, decimalSeparator);
    const float nyquist = SharedState::SampleRate / 2.0f;
    if (!freq || !(*freq > 0.0f) || *freq >= nyquist) {
        return Failure{"The frequency \"" + std::string(typed) + "\" is not a number of hertz above 0 and below "
                       + FormatGeneral(nyquist, 6, decimalSeparator) + "."};
    }
    return *freq;
}

Result<CalibrationEntry> MakeReadingEntry(const std::string& profile, const std::string& operatorName, EarSide ear,
                                          float freqHz, float targetDb, std::string_view typed,
                                          char decimalSeparator, const QDateTime& now)
{
    const Result<float> correction = CorrectionFromReading(typed, targetDb, decimalSeparator);
    if (!correction) {
        return Failure{correction.Reason()};
    }
    if (const Result<> check = CheckOperatorName(operatorName); !check) {
        return Failure{check.Reason()};
    }
    CalibrationEntry entry;
    entry.Time = CalibrationTime(now);
    entry.Operator = operatorName;
    entry.Profile = profile;
    entry.Event = CalibrationEvent::Reading;
    entry.Ear = ear;
    entry.FreqHz = freqHz;
    entry.ReferenceDb = targetDb;
    entry.ReadingDb = *ParseReal(typed, decimalSeparator);  // a number: the correction was made from it
    entry.CorrectionDb = correction.Value();
    return entry;
}

Result<CalibrationEntry> MakeListeningCheck(const std::string& profile, const std::string& operatorName,
                                            const QDateTime& now)
{
    if (const Result<> check = CheckOperatorName(operatorName); !check) {
        return Failure{check.Reason()};
    }
    CalibrationEntry entry;
    entry.Time = CalibrationTime(now);
    entry.Operator = operatorName;
    entry.Profile = profile;
    entry.Event = CalibrationEvent::ListeningCheck;
    entry.Note = "both ears sounded right";
    return entry;
}

std::string EarDifferenceWarning(const HeadphoneResponse& response, float freqHz, char decimalSeparator)
{
    const std::optional<float> left = MeasuredAt(response, EarSide::Left, freqHz);
    const std::optional<float> right = MeasuredAt(response, EarSide::Right, freqHz);
    if (!left || !right || std::abs(*left - *right) <= MostEarDifferenceDb) {
        return {};
    }
    return "At " + FormatGeneral(freqHz, 6, decimalSeparator) + " Hz the left ear's correction ("
           + SignedDb(*left, decimalSeparator) + ") and the right ear's (" + SignedDb(*right, decimalSeparator)
           + ") differ by " + Db(std::abs(*left - *right), decimalSeparator) + ", more than the "
           + Db(MostEarDifferenceDb, decimalSeparator)
           + " a listening check allows. Check that both earphones are seated and measured alike.";
}
