#include "ChartOutput.h"
#include "SessionFiles.h"
#include "GraphChart.h"
#include "GraphWindow.h"
#include "Controls.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QPointer>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QValueAxis>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

namespace {

SharedState DownwardRun()
{
    SharedState state;
    state.Conditions.push_back(TestCondition{});
    state.SubjectName = "S01";
    state.Ear = EarSide::Left;
    state.SweepDirection = Sweep::Down;
    state.RunToneSPL = 30.0f;
    state.ResetResults();
    state.Results.Record(2000, 50);
    state.Results.Record(1990, 47);
    state.Results.Record(1980, 44);
    state.Results.StoredResultCount = 3;
    return state;
}

QList<QPointF> SeriesPoints(const QXYSeries* series)
{
    return series ? series->points() : QList<QPointF>{};
}

class GraphWindowTest : public testing::Test {
protected:
    void Show()
    {
        form.show();
        QApplication::processEvents();
    }
    template <typename T>
    T* Find(const char* name)
    {
        T* found = form.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QChartView* View() { return Find<QChartView>("Chart1"); }
    QChart* Chart() { return View()->chart(); }
    // The series belong to the chart, not to the window's widgets.
    QLineSeries* Line() { return Chart()->findChild<QLineSeries*>("Series1"); }
    QScatterSeries* Marker() { return Chart()->findChild<QScatterSeries*>("Series2"); }
    QPoint Pixel(QPointF value, QAbstractSeries* series)
    {
        return Chart()->mapToPosition(value, series).toPoint();
    }

    SharedState state = DownwardRun();
    GraphWindow form{state};
};

TEST(GraphChart, TheChartTheViewMadeForItselfIsDeletedWhenOursTakesItsPlace)
{
    QChartView view;
    const QPointer<QChart> own = view.chart();
    ASSERT_FALSE(own.isNull());
    const GraphChart chart = SetUpGraphChart(view);
    EXPECT_TRUE(own.isNull());
    EXPECT_EQ(view.chart(), chart.Chart);
}

TEST_F(GraphWindowTest, ControlsAsLaidOut)
{
    EXPECT_EQ(form.windowTitle(), "Quorvex — Results graph");
    EXPECT_EQ(form.minimumSize(), QSize(801, 533));
    EXPECT_EQ(form.maximumSize(), QSize(801, 533));
    EXPECT_EQ(form.font().family(), "Arial");
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_EQ(View()->geometry(), QRect(16, 8, 761, 489));

    struct Button { const char* name; const char* caption; QRect geometry; };
    for (const Button& b : {Button{"Button1", "Print", {360, 504, 75, 25}},
                            Button{"Button2", "Close", {704, 504, 75, 25}},
                            Button{"Button3", "Copy picture", {240, 504, 75, 25}},
                            Button{"Button4", "Copy SVG", {160, 504, 75, 25}},
                            Button{"SaveAsButton", "Save as…", {440, 504, 75, 25}}}) {
        auto* button = Find<QPushButton>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), b.caption) << b.name;
        EXPECT_EQ(button->accessibleName(), b.caption) << b.name;
        // Tabled, or as much wider to the right as the caption needs in this font.
        EXPECT_EQ(button->geometry(), b.geometry.adjusted(0, 0, std::max(0, CaptionWidth(button) - 75), 0)) << b.name;
    }
}

TEST_F(GraphWindowTest, TabOrderRunsChartPrintCloseBitmapMetafile)
{
    Show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    View()->setFocus();
    std::vector<QString> visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget()->objectName());
    }
    // Report… follows the designed buttons; the combined curve's box is skipped while it is
    // disabled (no second run of the condition and ear here).
    EXPECT_EQ(visited, (std::vector<QString>{"Chart1", "Button1", "Button2", "Button3", "Button4", "SaveAsButton",
                                             "ReportButton", "Chart1"}));
}

// The fixed axes (where points land is checked on the rendered copies below).
TEST_F(GraphWindowTest, FixedAxesNoLegendNoZoom)
{
    QChart* chart = Chart();
    EXPECT_FALSE(chart->legend()->isVisible());
    EXPECT_EQ(View()->rubberBand(), QChartView::NoRubberBand);
    EXPECT_EQ(chart->margins(), QMargins(15, 9, 38, 9));  // 2 %, 2 %, 5 %, 2 % of 761 x 489

    const auto frequencies = chart->axes(Qt::Horizontal);
    const auto levels = chart->axes(Qt::Vertical);
    ASSERT_EQ(frequencies.size(), 1);
    ASSERT_EQ(levels.size(), 1);
    auto* f = qobject_cast<QLogValueAxis*>(frequencies.first());
    auto* l = qobject_cast<QValueAxis*>(levels.first());
    ASSERT_NE(f, nullptr);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(std::tuple(f->min(), f->max(), f->base(), f->minorTickCount()), std::tuple(100.0, 10000.0, 10.0, 8));
    EXPECT_TRUE(f->isMinorGridLineVisible());
    EXPECT_EQ(std::tuple(l->min(), l->max(), l->tickCount()), std::tuple(0.0, 100.0, 11));  // every 10 dB
    EXPECT_EQ(f->titleText(), "Masker Frequency (Hz)");
    EXPECT_EQ(l->titleText(), "Masker level (dB SPL)");
}

TEST_F(GraphWindowTest, ShowingDrawsTheDownwardRunInAscendingFrequency)
{
    Show();
    EXPECT_EQ(SeriesPoints(Line()), (QList<QPointF>{{1980, 44}, {1990, 47}, {2000, 50}}));
    EXPECT_EQ(SeriesPoints(Marker()), (QList<QPointF>{{1000, 30}}));
    EXPECT_EQ(Chart()->title(), "S01: left ear — Condition 1 — 1000 Hz tone, downward sweep");
    EXPECT_EQ(View()->accessibleName(), "S01: left ear — Condition 1 — 1000 Hz tone, downward sweep");
}

TEST_F(GraphWindowTest, EveryShowingRebuildsFromTheState)
{
    Show();
    form.hide();

    state.SubjectName = "";
    state.Ear = EarSide::Right;
    state.SweepDirection = Sweep::Up;
    state.ResetResults();
    for (auto [f, spl] : {std::pair{500.f, 40.f}, {510.f, 43.f}, {510.f, 40.f}, {520.f, 42.f}})
        state.Results.Record(f, spl);
    state.Results.StoredResultCount = 4;
    state.Current().ToneF = 800.0f;
    state.Current().ToneSPL = 55.0f;  // moved after the run: the marker keeps RunToneSPL
    Show();

    EXPECT_EQ(SeriesPoints(Line()), (QList<QPointF>{{500, 40}, {510, 43}, {510, 40}, {520, 42}}));
    EXPECT_EQ(SeriesPoints(Marker()), (QList<QPointF>{{800, 30}}));
    EXPECT_EQ(Chart()->title(), ": right ear — Condition 1 — 800 Hz tone, upward sweep");
}

TEST_F(GraphWindowTest, SubjectNameShownAsTyped)
{
    state.SubjectName = "<b>A&B</b>";
    Show();
    EXPECT_EQ(Chart()->title(), "&lt;b&gt;A&amp;B&lt;/b&gt;: left ear — Condition 1 — 1000 Hz tone, downward sweep");
    EXPECT_EQ(View()->accessibleName(), "<b>A&B</b>: left ear — Condition 1 — 1000 Hz tone, downward sweep");
}

TEST_F(GraphWindowTest, CloseEndsWithResultOne)
{
    int result = -1;
    QTimer::singleShot(0, &form, [&] { Find<QPushButton>("Button2")->click(); });
    result = form.exec();
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(form.isVisible());
}

bool IsDark(const QImage& image, QPoint around, int radius)
{
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const QColor c = image.pixelColor(around + QPoint(dx, dy));
            if (c.lightness() < 100 && qAbs(c.red() - c.blue()) < 30 && qAbs(c.red() - c.green()) < 30)
                return true;
        }
    return false;
}

bool AllWhite(const QImage& image, int x, int fromY, int toY)
{
    for (int y = fromY; y < toY; ++y)
        if (image.pixelColor(x, y) != QColor(Qt::white))
            return false;
    return true;
}

// A flat line at 60 dB from 500 to 2000 Hz and a climb at 5000 Hz that leaves the plot.
void LineForRendering(SharedState& state)
{
    state.SweepDirection = Sweep::Up;
    state.ResetResults();
    for (auto [f, spl] : {std::pair{500.f, 60.f}, {2000.f, 60.f}, {5000.f, 50.f}, {5000.f, 150.f}})
        state.Results.Record(f, spl);
    state.Results.StoredResultCount = 4;
}

// What both copies must show: the black line and marker where the axes put them, nothing of
// the line above the plot, and a white background.
void ExpectChartDrawing(const QImage& image, QChart* chart, QLineSeries* line, QScatterSeries* marker)
{
    const QPoint tone = chart->mapToPosition(QPointF(1000, 30), marker).toPoint();
    EXPECT_EQ(image.pixelColor(tone), QColor(Qt::black));
    EXPECT_TRUE(IsDark(image, chart->mapToPosition(QPointF(1000, 60), line).toPoint(), 1));
    const QPoint climb = chart->mapToPosition(QPointF(5000, 100), line).toPoint();
    EXPECT_TRUE(IsDark(image, climb + QPoint(0, 10), 1));
    EXPECT_TRUE(AllWhite(image, climb.x(), 0, static_cast<int>(chart->plotArea().top()) - 2));
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));
}

TEST_F(GraphWindowTest, CopyBitmapPutsTheChartAtOnScreenSizeOnTheClipboard)
{
    LineForRendering(state);
    Show();
    QApplication::clipboard()->clear();
    Find<QPushButton>("Button3")->click();
    const QImage image = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(761, 489));
    ExpectChartDrawing(image, Chart(), Line(), Marker());
}

QStringList SvgTexts(const QByteArray& svg, QString* title)
{
    QStringList texts;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"text")
            texts << xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (xml.name() == u"title")
            *title = xml.readElementText();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return texts;
}

TEST_F(GraphWindowTest, CopyMetafilePutsSvgOnTheClipboard)
{
    LineForRendering(state);
    Show();
    QApplication::clipboard()->clear();
    Find<QPushButton>("Button4")->click();
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    ASSERT_TRUE(mime->hasFormat("image/svg+xml"));
    const QByteArray svg = mime->data("image/svg+xml");

    QString title;
    const QStringList texts = SvgTexts(svg, &title);
    EXPECT_TRUE(texts.contains("Masker Frequency (Hz)"));
    EXPECT_TRUE(texts.contains("Masker level (dB SPL)"));
    EXPECT_TRUE(texts.contains("S01: left ear — Condition 1 — 1000 Hz tone, upward sweep"));
    EXPECT_EQ(title, "S01: left ear — Condition 1 — 1000 Hz tone, upward sweep");

    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 761, 489));
    QImage image(761, 489, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        renderer.render(&painter);
    }
    ExpectChartDrawing(image, Chart(), Line(), Marker());
    EXPECT_TRUE(Line()->isVisible());  // the window's own line is back after the copy
}

QImage RenderedSvg(const QByteArray& svg)
{
    QSvgRenderer renderer(svg);
    QImage image(renderer.viewBox().size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

TEST_F(GraphWindowTest, APointAtZeroHertzIsLeftOutAndTheRestDrawnInEveryCopy)
{
    state.SweepDirection = Sweep::Up;
    state.ResetResults();
    for (auto [f, spl] : {std::pair{0.f, 60.f}, {500.f, 60.f}, {700.f, 60.f}, {1000.f, 60.f}})
        state.Results.Record(f, spl);
    state.Results.StoredResultCount = 4;
    Show();
    EXPECT_EQ(SeriesPoints(Line()).size(), 3);

    QApplication::clipboard()->clear();
    Find<QPushButton>("Button3")->click();
    const QImage bitmap = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    Find<QPushButton>("Button4")->click();
    const QImage svg = RenderedSvg(QApplication::clipboard()->mimeData()->data("image/svg+xml"));
    for (const QImage& image : {bitmap, svg}) {
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(IsDark(image, Pixel(QPointF(700, 60), Line()), 1));
        EXPECT_FALSE(IsDark(image, Pixel(QPointF(300, 60), Line()), 1));  // nothing towards 0 Hz
    }
}

struct PdfFacts {
    bool isPdf = false;
    int pages = 0;
    double width = 0;
    double height = 0;
};

PdfFacts ReadPdf(const QString& path)
{
    QFile file(path);
    PdfFacts facts;
    if (!file.open(QIODevice::ReadOnly))
        return facts;
    const QString text = QString::fromLatin1(file.readAll());
    facts.isPdf = text.startsWith("%PDF-");
    facts.pages = static_cast<int>(text.count(QRegularExpression("/Type\\s*/Page(?!s)")));
    const auto box = QRegularExpression("/MediaBox\\s*\\[\\s*([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s+([-\\d.]+)\\s*\\]").match(text);
    if (box.hasMatch()) {
        facts.width = box.captured(3).toDouble() - box.captured(1).toDouble();
        facts.height = box.captured(4).toDouble() - box.captured(2).toDouble();
    }
    return facts;
}

void ExpectOneLandscapePage(const QString& path)
{
    const PdfFacts pdf = ReadPdf(path);
    EXPECT_TRUE(pdf.isPdf);
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_GT(pdf.width, pdf.height);
    EXPECT_GT(pdf.height, 0);
}

TEST_F(GraphWindowTest, PdfIsOneLandscapePage)
{
    Show();
    QTemporaryDir dir;
    const QString path = dir.filePath("graph.pdf");
    EXPECT_EQ(WriteChartPdf(*View(), path).Reason(), "");
    ExpectOneLandscapePage(path);
}

TEST_F(GraphWindowTest, PdfThatCannotBeWrittenIsReported)
{
    Show();
    QTemporaryDir dir;
    const QString path = dir.filePath("missing/graph.pdf");
    const QString error = QString::fromStdString(WriteChartPdf(*View(), path).Reason());
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(GraphWindowTest, PrintingIsLandscapeAndRestoresTheOrientation)
{
    Show();
    QTemporaryDir dir;
    const QString path = dir.filePath("printed.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageOrientation(QPageLayout::Portrait);
    EXPECT_EQ(PrintChart(*View(), printer).Reason(), "");
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
    ExpectOneLandscapePage(path);
}

// Answers the modal dialogs that appear, one step per dialog, until the steps run out.
void AnswerDialogs(std::vector<std::function<bool(QWidget*)>> steps)
{
    auto* timer = new QTimer(qApp);
    auto remaining = std::make_shared<std::vector<std::function<bool(QWidget*)>>>(std::move(steps));
    QObject::connect(timer, &QTimer::timeout, timer, [timer, remaining] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && !remaining->empty() && remaining->front()(modal))
            remaining->erase(remaining->begin());
        if (remaining->empty())
            timer->deleteLater();
    });
    timer->start(10);
}

TEST_F(GraphWindowTest, PrintWithoutPrinterOffersAPdf)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this machine has a default printer";
    Show();
    QTemporaryDir dir;
    const QString path = dir.filePath("offered.pdf");
    QString message;
    AnswerDialogs({
        [&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box)
                return false;
            message = box->text();
            box->button(QMessageBox::Yes)->click();
            return true;
        },
    });
    form.ChoosePdfPath = [&] { return path; };
    Find<QPushButton>("Button1")->click();
    EXPECT_TRUE(message.startsWith("No printer is installed")) << message.toStdString();
    ExpectOneLandscapePage(path);
}

TEST_F(GraphWindowTest, PrintWithoutPrinterDeclinedWritesNothing)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this machine has a default printer";
    Show();
    bool asked = false;
    AnswerDialogs({[&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box)
            return false;
        asked = true;
        box->button(QMessageBox::No)->click();
        return true;
    }});
    Find<QPushButton>("Button1")->click();
    EXPECT_TRUE(asked);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace

namespace {

// Appends a run of `state` as the set-up window would have it to the session record.
void Record(SharedState state, const std::string& subject, int condition, EarSide ear, Sweep direction,
            std::vector<ResultPoint> points)
{
    state.SubjectName = subject;
    state.Conditions.resize(2);
    state.CurrentCondition = condition - 1;
    state.Ear = ear;
    state.SweepDirection = direction;
    state.ResetResults();
    for (const ResultPoint& p : points)
        state.Results.Record(p.Freq, p.SPL);
    const SessionFilesOutcome outcome =
        WriteSessionFiles(state, RunLog{std::chrono::system_clock::now(), "", {}, {}, {}, {}}, state.Results.ResultCount());
    ASSERT_EQ(outcome.RecordError, "");
}

QString PdfText(const QString& path)
{
    QProcess pdftotext;
    pdftotext.start("pdftotext", {path, "-"});
    if (!pdftotext.waitForFinished(20000) || pdftotext.exitCode() != 0)
        return "pdftotext failed: " + pdftotext.readAllStandardError();
    return QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
}

}  // namespace

// The session record holds this condition's runs of both ears and directions, the latest run
// (drawn from memory), another condition's and another subject's.
TEST_F(GraphWindowTest, EarlierRunsAreOverlaidWithALegendAndTheGraphSavesAsPngSvgAndPdf)
{
    QTemporaryDir dir;
    state.ResultsFileName = dir.filePath("study.dat").toStdString();
    Record(state, "S01", 1, EarSide::Left, Sweep::Up, {{900, 40}, {1000, 30}, {1100, 42}});
    Record(state, "S01", 1, EarSide::Right, Sweep::Down, {{1200, 45}, {1050, 33}, {950, 41}});
    Record(state, "S01", 2, EarSide::Left, Sweep::Up, {{3000, 60}});
    Record(state, "S02", 1, EarSide::Left, Sweep::Up, {{700, 70}});
    Record(state, "S01", 1, EarSide::Left, Sweep::Down, {{2000, 50}, {1990, 47}, {1980, 44}});  // the latest run
    Show();

    QStringList legend;
    for (const char* name : {"EarlierRun1", "EarlierRun2", "EarlierRun3"}) {
        if (const auto* line = Chart()->findChild<QLineSeries*>(name))
            legend << line->name();
    }
    ASSERT_EQ(legend.size(), 2) << legend.join(" | ").toStdString();
    EXPECT_TRUE(legend[0].startsWith("left ear, upwards, ")) << legend[0].toStdString();
    EXPECT_TRUE(legend[1].startsWith("right ear, downwards, ")) << legend[1].toStdString();
    EXPECT_EQ(SeriesPoints(Chart()->findChild<QLineSeries*>("EarlierRun2")),
              (QList<QPointF>{{950, 41}, {1050, 33}, {1200, 45}}));
    EXPECT_TRUE(Chart()->legend()->isVisible());
    EXPECT_EQ(Line()->name(), "Latest run: left ear, downwards");
    EXPECT_EQ(Chart()->series().last(), Chart()->findChild<QAbstractSeries*>("TipMarker")) << "drawn on top";
    QStringList shown;
    for (const QLegendMarker* marker : Chart()->legend()->markers()) {
        if (marker->isVisible())
            shown << marker->label();
    }
    EXPECT_EQ(shown, (QStringList{legend[0], legend[1], "Latest run: left ear, downwards"}));
    EXPECT_TRUE(QRegularExpression(" — Condition 1 — 1000 Hz tone, downward sweep — \\d{4}-\\d\\d-\\d\\d$")
                    .match(Chart()->title())
                    .hasMatch())
        << Chart()->title().toStdString() << ": the latest run's day from the record";

    for (const char* suffix : {"png", "svg", "pdf"}) {
        form.ChooseSavePath = [&dir, suffix] { return dir.filePath(QString("graph.") + suffix); };
        Find<QPushButton>("SaveAsButton")->click();
    }
    const QImage png(dir.filePath("graph.png"));
    EXPECT_EQ(png.size() / png.devicePixelRatio(), QSize(761, 489));
    QFile svgFile(dir.filePath("graph.svg"));
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    const QByteArray svg = svgFile.readAll();
    EXPECT_EQ(QSvgRenderer(svg).viewBox(), QRect(0, 0, 761, 489));
    QString svgTitle;
    EXPECT_TRUE(SvgTexts(svg, &svgTitle).contains("Masker Frequency (Hz)"));
    ExpectOneLandscapePage(dir.filePath("graph.pdf"));
    const QString text = PdfText(dir.filePath("graph.pdf"));
    for (const QString& expected : {QString("S01: left ear"), QString("Masker Frequency (Hz)"), legend[1],
                                    QString("Latest run: left ear, downwards")}) {
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << " not in: " << text.toStdString();
    }

    const QString refused = QString::fromStdString(SaveChart(*View(), dir.filePath("graph.bmp"), "S01").Reason());
    EXPECT_TRUE(refused.contains(".png, .svg or .pdf")) << refused.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("graph.bmp")));
}
