#include "ListenerHearing.h"

#include "NumberFormat.h"
#include "NumberParse.h"

#include <cmath>

namespace {

std::optional<double> Real(const std::string& text)
{
    const std::optional<float> value = ParseReal(text, '.');
    return value ? std::optional<double>(*value) : std::nullopt;
}

}  // namespace

std::optional<double> ThresholdInQuiet(const EarHearing& ear, double hz)
{
    const std::vector<AudiogramPoint>& a = ear.Audiogram;
    if (a.empty()) {
        return std::nullopt;
    }
    if (hz <= a.front().Hz) {
        return a.front().Db;
    }
    for (std::size_t k = 1; k < a.size(); ++k) {
        if (hz <= a[k].Hz) {
            const double t = std::log(hz / a[k - 1].Hz) / std::log(a[k].Hz / a[k - 1].Hz);
            return a[k - 1].Db + t * (a[k].Db - a[k - 1].Db);
        }
    }
    return a.back().Db;
}

double ListeningCentre(const EarHearing& ear, double toneHz)
{
    if (!ear.Dead || toneHz < ear.Dead->LowHz || toneHz > ear.Dead->HighHz) {
        return toneHz;
    }
    // The nearer edge on the filters' own scale, the logarithm of frequency.
    return std::log(toneHz / ear.Dead->LowHz) <= std::log(ear.Dead->HighHz / toneHz) ? ear.Dead->LowHz
                                                                                        : ear.Dead->HighHz;
}

bool HearsInQuiet(const EarHearing& ear, double toneHz, double levelDb, double noiseDb)
{
    const std::optional<double> threshold = ThresholdInQuiet(ear, toneHz);
    return !threshold || levelDb + noiseDb > *threshold;
}

Result<std::vector<AudiogramPoint>> ParseAudiogram(const std::string& text)
{
    std::vector<AudiogramPoint> points;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string pair = text.substr(start, comma - start);
        const std::size_t colon = pair.find(':');
        const std::optional<double> hz = colon == std::string::npos ? std::nullopt : Real(pair.substr(0, colon));
        const std::optional<double> db = colon == std::string::npos ? std::nullopt : Real(pair.substr(colon + 1));
        if (!hz || !db) {
            return Failure{"'" + pair + "' is not a frequency and a threshold (HZ:DB)"};
        }
        if (!(*hz > 0.0) || (!points.empty() && !(*hz > points.back().Hz))) {
            return Failure{"the audiogram's frequencies must be above 0 Hz and rising ('" + pair + "')"};
        }
        points.push_back({*hz, *db});
        start = comma + 1;
    }
    return points;
}

Result<DeadRegion> ParseDeadRegion(const std::string& text)
{
    const std::size_t dash = text.find('-', 1);
    const std::optional<double> low = dash == std::string::npos ? std::nullopt : Real(text.substr(0, dash));
    const std::optional<double> high = dash == std::string::npos ? std::nullopt : Real(text.substr(dash + 1));
    if (!low || !high) {
        return Failure{"'" + text + "' is not a range of frequencies (LOW-HIGH, in Hz)"};
    }
    if (!(*low > 0.0) || !(*high > *low)) {
        return Failure{"the dead region '" + text + "' must start above 0 Hz and end above its start"};
    }
    return DeadRegion{*low, *high};
}

std::string DescribeAudiogram(const std::vector<AudiogramPoint>& audiogram)
{
    std::string text;
    for (const AudiogramPoint& p : audiogram) {
        if (!text.empty()) {
            text += ',';
        }
        text += FormatForResults(p.Hz);
        text += ':';
        text += FormatForResults(p.Db);
    }
    return text;
}

std::string DescribeDeadRegion(const DeadRegion& region)
{
    return FormatForResults(region.LowHz) + "-" + FormatForResults(region.HighHz);
}
