#include "HeadphoneResponse.h"

#include <algorithm>
#include <cmath>

void HeadphoneResponse::Set(EarSide ear, float freqHz, float correctionDb)
{
    auto& points = PointsOf(ear);
    const auto at = std::lower_bound(points.begin(), points.end(), freqHz,
                                     [](const ResponsePoint& p, float f) { return p.FreqHz < f; });
    if (at != points.end() && at->FreqHz == freqHz)
        at->CorrectionDb = correctionDb;
    else
        points.insert(at, ResponsePoint{freqHz, correctionDb});
}

float HeadphoneResponse::CorrectionDb(EarSide ear, float freqHz) const
{
    const auto& points = Points(ear);
    if (points.empty())
        return 0.0f;
    if (!(freqHz > points.front().FreqHz))  // also a NaN or a non-positive frequency
        return points.front().CorrectionDb;
    if (freqHz >= points.back().FreqHz)
        return points.back().CorrectionDb;
    const auto upper = std::upper_bound(points.begin(), points.end(), freqHz,
                                        [](float f, const ResponsePoint& p) { return f < p.FreqHz; });
    const auto lower = upper - 1;
    const double t = std::log(freqHz / lower->FreqHz) / std::log(upper->FreqHz / lower->FreqHz);
    return static_cast<float>(lower->CorrectionDb + t * (upper->CorrectionDb - lower->CorrectionDb));
}

const std::vector<ResponsePoint>& HeadphoneResponse::Points(EarSide ear) const
{
    return ear == EarSide::Left ? left_ : right_;
}

std::vector<ResponsePoint>& HeadphoneResponse::PointsOf(EarSide ear)
{
    return ear == EarSide::Left ? left_ : right_;
}
