#include "CombinedCurveOverlay.h"
#include "Csv.h"
#include "ReportButton.h"
#include "ScratchFolder.h"
#include "GraphWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

// A session record of an upward and a downward run of condition 1 on the left ear.
void WriteRecord(const std::string& path)
{
    std::string text = CsvRow({"run", "date", "version", "subject", "ear", "direction", "condition", "ToneF", "StartF",
                               "EndF", "FStep", "MaxSPL", "ToneSPL", "CalibFactor", "device", "point", "masker_freq",
                               "masker_spl"});
    for (const auto& [run, direction, shift] : {std::tuple{"r1", "up", 0.05}, std::tuple{"r2", "down", -0.05}}) {
        for (int k = 0; k <= 100; ++k) {
            const double f = 500.0 + 15.0 * k;
            const double level = 40.0 + 60.0 * std::abs(std::log2(f / 1000.0) - shift) + (k % 2 ? 1.0 : -1.0);
            text += CsvRow({run, "2026-12-07", "1.0.0", "S01", "left", direction, "1", "1000", "500", "2000", "15", "120",
                            "30", "100", "virtual listener", std::to_string(k + 1), std::to_string(f),
                            std::to_string(level)});
        }
    }
    std::ofstream(path) << text;
}

std::string PdfText(const std::string& path)
{
    std::string text;
    FILE* pipe = ::popen(("pdftotext -layout '" + path + "' -").c_str(), "r");
    if (pipe == nullptr) {
        return text;
    }
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        text.append(buffer, count);
    }
    ::pclose(pipe);
    return text;
}

TEST(GraphCombinedCurve, ShowsTheCombinedCurveAndWritesTheReport)
{
    const ScratchFolder dir;
    SharedState state;
    state.Conditions.push_back(TestCondition{1000, 500, 2000, 15, 200, 3, 120, 30, 40});
    state.SubjectName = "S01";
    state.Ear = EarSide::Left;
    state.ResultsFileName = "S01.dat";
    state.ResetResults();
    GraphWindow form(state);
    form.FormShow();
    auto* box = form.findChild<QCheckBox*>("CombinedCurveBox");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isEnabled()) << "no record yet";

    WriteRecord("S01.csv");
    form.FormShow();
    auto* line = form.findChild<QChartView*>("Chart1")->chart()->findChild<QLineSeries*>("CombinedCurve");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(line->isVisible());
    EXPECT_GT(line->count(), 50);
    box->click();
    EXPECT_FALSE(line->isVisible());
    box->click();
    QStringList legend;
    form.show();  // a marker is visible only in a shown legend
    QApplication::processEvents();
    for (const QLegendMarker* marker : line->chart()->legend()->markers()) {
        if (marker->isVisible())
            legend << marker->label();
    }
    EXPECT_TRUE(legend.contains("Combined curve (2 runs)")) << legend.join(" | ").toStdString();
    EXPECT_FALSE(legend.contains(QString())) << "a marker without a label: " << legend.join(" | ").toStdString();

    auto* report = form.findChild<ReportButton*>();
    ASSERT_NE(report, nullptr);
    report->ChoosePath = [] { return QString("S01 report.pdf"); };
    report->Button()->click();
    const std::string text = PdfText("S01 report.pdf");
    for (const char* expected : {"Psychophysical tuning curves", "Listener: S01", "calibration factor 100 dB SPL",
                                 "Condition 1, left ear: tone 1000 Hz at 30 dB SPL", "Run r1: sweep up",
                                 "Combined curve of 2 runs", "Fitted tip: ", "Low slope: -", "Flags: none"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
}

}  // namespace
