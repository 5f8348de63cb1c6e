#include "ChartOutput.h"
#include "CsvByHeader.h"
#include "NumberFormat.h"
#include "ResultsWriter.h"
#include "GraphWindow.h"

#include <QChart>
#include <QChartView>
#include <QProcess>
#include <QScatterSeries>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

// What "quorvex-sim analyze --csv" says of the first block of `datFile`, by column.
std::map<std::string, std::string> Analyze(const QString& datFile)
{
    QProcess sim;
    sim.start(QUORVEX_SIM, {"analyze", "--csv", datFile});
    EXPECT_TRUE(sim.waitForFinished(30000));
    const auto rows = CsvRowsByHeader(sim.readAllStandardOutput().toStdString());
    return rows.empty() ? std::map<std::string, std::string>{} : rows.front();
}

struct CurveCase {
    const char* name;
    std::vector<ResultPoint> recorded;
};

// A zig-zag V around 1000 Hz swept downwards, with two key changes in every fourth trial:
// points at one frequency are smoothed in the order the file has them, recording order.
std::vector<ResultPoint> DownwardTrackWithDoubleChanges()
{
    std::vector<ResultPoint> points;
    for (int i = 0; i <= 40; ++i) {
        const float f = 1200.0f - 10.0f * static_cast<float>(i);
        const float level = 40.0f + 0.2f * std::abs(f - 1000.0f) + (i % 2 == 0 ? -1.0f : 1.0f);
        points.push_back({f, level});
        if (i % 4 == 1)
            points.push_back({f, level + 6.0f});
    }
    return points;
}

class GraphCurve : public testing::TestWithParam<CurveCase> {};

TEST_P(GraphCurve, ShowsTheTipAndQ10ThatAnalyzeReadsFromTheResultsFile)
{
    const QTemporaryDir dir;
    SharedState state;
    state.Conditions.push_back(TestCondition{});
    state.SweepDirection = Sweep::Down;
    state.ResultsFileName = dir.filePath("curve.dat").toStdString();
    for (const ResultPoint& p : GetParam().recorded)
        state.Results.Record(p.Freq, p.SPL);
    state.Results.StoredResultCount = state.Results.ResultCount();
    ASSERT_EQ(WriteResultsBlock(state, state.Results.StoredResultCount).Reason(), "");
    auto analyze = Analyze(QString::fromStdString(state.ResultsFileName));
    ASSERT_EQ(analyze["points"], std::to_string(GetParam().recorded.size()));

    GraphWindow form(state);
    form.FormShow();
    auto* view = form.findChild<QChartView*>("Chart1");
    ASSERT_NE(view, nullptr);
    const std::string shown = view->accessibleDescription().toStdString();
    auto* tip = view->chart()->findChild<QScatterSeries*>("TipMarker");
    ASSERT_NE(tip, nullptr);
    if (analyze["tip_freq"].empty()) {
        EXPECT_NE(shown.find("Tip: cannot be computed: " + analyze["reason"]), std::string::npos) << shown;
        EXPECT_EQ(tip->count(), 0);
    } else {
        // The table keeps every digit; the window states each measure to the step it can tell.
        EXPECT_EQ(shown.rfind("Tip: " + FormatHz(std::stod(analyze["tip_freq"])) + " Hz at "
                                  + FormatDb(std::stod(analyze["tip_spl"])) + " dB SPL\n",
                              0),
                  0u)
            << shown;
        const std::string q10 = analyze["Q10"].empty() ? "cannot be computed: " + analyze["reason"]
                                                       : FormatQ10(std::stod(analyze["Q10"]));
        EXPECT_NE(shown.find("\nQ10: " + q10), std::string::npos) << shown;
        ASSERT_EQ(tip->count(), 1);
        EXPECT_NEAR(tip->at(0).x(), std::stod(analyze["tip_freq"]), 0.01);
        EXPECT_NEAR(tip->at(0).y(), std::stod(analyze["tip_spl"]), 0.001);
    }
    // The text is part of the chart, so the copies and the printout carry it.
    EXPECT_NE(QString::fromUtf8(ChartSvg(*view, "curve")).indexOf("Q10: "), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Curves, GraphCurve,
    testing::Values(CurveCase{"DownwardWithDoubleChanges", DownwardTrackWithDoubleChanges()},
                    CurveCase{"NoRiseAboveTheTip", {{900, 60}, {950, 50}, {1000, 40}, {1050, 41}, {1100, 42},
                                                    {1150, 43}, {1200, 44}}},
                    CurveCase{"TooFewPoints", {{900, 50}, {1000, 40}, {1100, 50}}}),
    [](const testing::TestParamInfo<CurveCase>& info) { return info.param.name; });

}  // namespace
