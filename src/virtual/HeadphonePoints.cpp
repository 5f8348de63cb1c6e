#include "HeadphonePoints.h"

#include "NumberParse.h"

#include <cmath>
#include <sstream>

namespace {

// One point's fields: the ear word, if any, then the frequency and the correction.
Result<> AddPoint(HeadphoneResponse& response, const std::string& item)
{
    std::vector<std::string> fields;
    std::istringstream in(item);
    for (std::string field; std::getline(in, field, ':');) {
        fields.push_back(field);
    }
    std::vector<EarSide> ears = {EarSide::Left, EarSide::Right};
    if (fields.size() == 3) {
        const std::optional<EarSide> ear = EarFromName(fields.front());
        if (!ear) {
            return Failure{"'" + item + "' names no ear (left or right)"};
        }
        ears = {*ear};
        fields.erase(fields.begin());
    }
    const std::optional<float> hz = fields.size() == 2 ? ParseReal(fields[0], '.') : std::nullopt;
    const std::optional<float> db = fields.size() == 2 ? ParseReal(fields[1], '.') : std::nullopt;
    if (!hz || !db || !(*hz > 0.0f) || !std::isfinite(*hz) || !std::isfinite(*db)) {
        return Failure{"'" + item + "' is not a point HZ:DB with a frequency above 0 Hz"};
    }
    for (const EarSide ear : ears) {
        response.Set(ear, *hz, *db);
    }
    return {};
}

}  // namespace

Result<HeadphoneResponse> ReadHeadphonePoints(const std::string& text)
{
    HeadphoneResponse response;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line = line.substr(0, line.find('#'));
        for (char& c : line) {
            if (c == ',' || c == '\t' || c == '\r') {
                c = ' ';
            }
        }
        std::istringstream items(line);
        for (std::string item; items >> item;) {
            if (Result<> added = AddPoint(response, item); !added) {
                return Failure{added.Reason()};
            }
        }
    }
    if (response.Empty()) {
        return Failure{"no point HZ:DB is given"};
    }
    return response;
}

CalibrationInUse CalibrationOfHeadphone(const HeadphoneResponse& response)
{
    CalibrationInUse calibration;
    calibration.Profile = "simulated headphone";
    calibration.CheckedToday = true;
    calibration.Response = response;
    return calibration;
}
