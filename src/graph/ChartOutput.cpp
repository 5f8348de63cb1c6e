#include "ChartOutput.h"

#include "OverlaySeries.h"
#include "PolylineClip.h"
#include "WholeFileSave.h"

#include <QBuffer>
#include <QChartView>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSvgGenerator>

namespace {

Failure NotSaved(const QString& path, const QString& reason)
{
    return Failure{QString("The graph could not be saved to \"%1\": %2").arg(path, reason).toStdString()};
}

// Puts a printer's orientation back however printing ends.
class OrientationRestorer {
public:
    explicit OrientationRestorer(QPrinter& printer)
        : printer_(printer), saved_(printer.pageLayout().orientation()) {}
    ~OrientationRestorer() { printer_.setPageOrientation(saved_); }
    OrientationRestorer(const OrientationRestorer&) = delete;
    OrientationRestorer& operator=(const OrientationRestorer&) = delete;

private:
    QPrinter& printer_;
    QPageLayout::Orientation saved_;
};

// Hides the chart's visible line series for as long as it lives.
class LinesHidden {
public:
    explicit LinesHidden(QChart& chart)
    {
        for (QAbstractSeries* series : chart.series()) {
            auto* line = qobject_cast<QLineSeries*>(series);
            if (line && line->isVisible()) {
                line->setVisible(false);
                hidden_.push_back(line);
            }
        }
        // Hiding a series hides its legend entry too; the copy still names the lines it draws.
        for (QLineSeries* line : hidden_) {
            for (QLegendMarker* marker : chart.legend()->markers(line))
                marker->setVisible(!line->name().isEmpty());
        }
    }
    ~LinesHidden()
    {
        for (QLineSeries* line : hidden_)
            line->setVisible(true);
        if (!hidden_.empty())
            HideUnnamedInLegend(*hidden_.front()->chart());
    }
    LinesHidden(const LinesHidden&) = delete;
    LinesHidden& operator=(const LinesHidden&) = delete;

    const std::vector<QLineSeries*>& Lines() const { return hidden_; }

private:
    std::vector<QLineSeries*> hidden_;
};

// Draws a line series as the chart would, clipped to the plot area by geometry.
void DrawClippedLine(QPainter& painter, QChart& chart, QLineSeries& line, const QTransform& chartToView)
{
    std::vector<QPointF> points;
    points.reserve(static_cast<std::size_t>(line.count()));
    for (const QPointF& p : line.points())
        points.push_back(chartToView.map(chart.mapToPosition(p, &line)));
    painter.setPen(line.pen());
    for (const QLineF& piece : ClipPolyline(points, chartToView.mapRect(chart.plotArea())))
        painter.drawLine(piece);
}

} // namespace

QImage ChartBitmap(QChartView& view)
{
    const qreal ratio = view.devicePixelRatioF();
    QImage image(view.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    view.render(&painter, QRectF(QPointF(0, 0), view.size()), view.viewport()->rect());
    return image;
}

QByteArray ChartSvg(QChartView& view, const QString& title)
{
    QByteArray svg;
    QBuffer buffer(&svg);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(view.size());
    generator.setViewBox(QRect(QPoint(0, 0), view.size()));
    generator.setResolution(view.logicalDpiX());
    generator.setTitle(title);
    generator.setDescription("Tuning curve: masker level (dB SPL) against masker frequency (Hz)");
    QPainter painter(&generator);
    painter.fillRect(QRect(QPoint(0, 0), view.size()), Qt::white);
    QChart* chart = view.chart();  // a chart view always has one
    // The SVG generator ignores clipping, so a line leaving the plot would run over the
    // labels and titles: the lines are drawn separately, cut at the plot's edges.
    {
        const LinesHidden hidden(*chart);
        view.render(&painter, QRectF(QPointF(0, 0), view.size()), view.viewport()->rect());
        const QTransform chartToView = chart->sceneTransform() * view.viewportTransform();
        for (QLineSeries* line : hidden.Lines())
            DrawClippedLine(painter, *chart, *line, chartToView);
    }
    painter.end();
    return svg;
}

void PaintChartOnPage(QChartView& view, QPainter& painter, const QRectF& page)
{
    painter.setRenderHint(QPainter::Antialiasing);
    view.render(&painter, page, view.viewport()->rect(), Qt::IgnoreAspectRatio);
}

Result<> WriteChartPdf(QChartView& view, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return NotSaved(path, file.errorString());

    {
        QPdfWriter writer(&file);
        writer.setCreator("Quorvex");
        writer.setTitle(view.chart() ? view.chart()->title() : QString());
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                         QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&writer))
            return NotSaved(path, "the PDF could not be started");
        PaintChartOnPage(view, painter, QRectF(painter.viewport()));
        painter.end();
    }
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return NotSaved(path, file.errorString());
    return {};
}

Result<> SaveChart(QChartView& view, const QString& path, const QString& title)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "pdf")
        return WriteChartPdf(view, path);
    if (suffix == "png") {
        QImageWriter writer(path, "png");
        if (!writer.write(ChartBitmap(view)))
            return NotSaved(path, writer.device() != nullptr ? writer.device()->errorString() : writer.errorString());
        return {};
    }
    if (suffix == "svg") {
        if (const QString problem = SaveWholeFile(path, ChartSvg(view, title)); !problem.isEmpty())
            return NotSaved(path, problem);
        return {};
    }
    return NotSaved(path, "the file name must end in .png, .svg or .pdf");
}

Result<> PrintChart(QChartView& view, QPrinter& printer)
{
    const OrientationRestorer restore(printer);
    printer.setPageOrientation(QPageLayout::Landscape);
    const Failure failed{
        QString("The graph could not be printed on \"%1\".").arg(printer.printerName()).toStdString()};

    QPainter painter;
    if (!painter.begin(&printer))
        return failed;
    PaintChartOnPage(view, painter, QRectF(painter.viewport()));
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return failed;
    return {};
}
