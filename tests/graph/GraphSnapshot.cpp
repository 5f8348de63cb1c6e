// Renders the graph window for a typical tuning curve over two earlier runs of its condition
// (a session record S01.csv written in OUTPUT_DIR) and saves what the operator would see and
// copy: window.png (the whole window), bitmap.png ("Copy picture"), chart.svg ("Copy SVG")
// with svg.png (that SVG drawn again), chart.pdf (the no-printer fallback), page.png (the
// printed page's drawing at 96 dpi, A4 landscape) and report.pdf ("Report…"). For looking at,
// not a test.
//   graph_snapshot OUTPUT_DIR
#include "ChartOutput.h"
#include "GraphWindow.h"
#include "ReportButton.h"
#include "SessionFiles.h"

#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QSvgRenderer>
#include <QPushButton>

#include <cmath>
#include <iostream>

namespace {

// A V-shaped curve around a 1000 Hz tone: shallow low side, steep high side that leaves the
// plot above 100 dB SPL, with the track's up-and-down jitter; `shift` moves its tip (octaves).
void RecordCurve(SharedState& state, double shift)
{
    state.ResetResults();
    for (int i = 0; i < 40; ++i) {
        const double f = 500.0 + i * 1500.0 / 39.0;
        const double octaves = std::log2(f / 1000.0) - shift;
        const double level = 32.0 + (octaves < 0 ? -40.0 * octaves : 90.0 * octaves) + (i % 2 ? 2.5 : -2.5);
        state.Results.Record(static_cast<float>(f), static_cast<float>(level));
    }
    state.Results.StoredResultCount = state.Results.ResultCount();
}

// Two earlier runs in the session record, then the latest, recorded too.
SharedState TuningCurveState(const QDir& out)
{
    SharedState state;
    state.Conditions.push_back(TestCondition{});
    state.SubjectName = "S01";
    state.Listener = {"P-0042", "1961-04-23", "Dr. B. Ortiz"};
    state.Ear = EarSide::Left;
    state.RunToneSPL = 30.0f;
    state.ResultsFileName = out.filePath("S01.dat").toStdString();
    for (const auto& [direction, shift] : {std::pair{Sweep::Up, 0.04}, {Sweep::Down, -0.04}, {Sweep::Up, 0.0}}) {
        state.SweepDirection = direction;
        RecordCurve(state, shift);
        const RunLog log{std::chrono::system_clock::now(), "", {}, {}, {}, {}};
        if (!WriteSessionFiles(state, log, state.Results.ResultCount()).RecordError.empty())
            std::cerr << "the session record could not be written\n";
    }
    return state;
}

bool Save(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: graph_snapshot OUTPUT_DIR\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    SharedState state = TuningCurveState(out);
    GraphWindow form(state);
    form.show();
    QApplication::processEvents();

    auto* view = form.findChild<QChartView*>("Chart1");
    form.findChild<QPushButton*>("Button3")->click();
    const QImage bitmap = QApplication::clipboard()->image();
    form.findChild<QPushButton*>("Button4")->click();
    const QByteArray svg = QApplication::clipboard()->mimeData()->data("image/svg+xml");

    bool ok = form.grab().save(out.filePath("window.png"));
    ok = bitmap.save(out.filePath("bitmap.png")) && ok;
    ok = Save(out.filePath("chart.svg"), svg) && ok;

    QImage svgImage(view->size(), QImage::Format_RGB32);
    svgImage.fill(Qt::white);
    {
        QPainter painter(&svgImage);
        QSvgRenderer(svg).render(&painter);
    }
    ok = svgImage.save(out.filePath("svg.png")) && ok;

    QImage page(1123, 794, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        PaintChartOnPage(*view, painter, QRectF(38, 38, 1123 - 76, 794 - 76));
    }
    ok = page.save(out.filePath("page.png")) && ok;

    auto* report = form.findChild<ReportButton*>();
    report->ChoosePath = [&out] { return out.filePath("report.pdf"); };
    report->Click();

    const Result<> pdf = WriteChartPdf(*view, out.filePath("chart.pdf"));
    if (!pdf)
        std::cerr << pdf.Reason() << '\n';
    return ok && pdf.Ok() ? 0 : 1;
}
