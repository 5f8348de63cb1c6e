#include "GraphChart.h"

#include "GraphContent.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QFont>
#include <QGraphicsLayout>
#include <QGraphicsTextItem>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <memory>

namespace {

using namespace GraphAxes;

QFont ArialPixels(int pixels)
{
    QFont font("Arial");
    font.setPixelSize(pixels);
    return font;
}

// Axis look shared by both axes: black labels and titles, black dashed major grid.
void StyleAxis(QAbstractAxis& axis, const QString& title)
{
    axis.setLinePen(QPen(Qt::black, 1));
    axis.setLabelsFont(ArialPixels(13));
    axis.setLabelsBrush(Qt::black);
    axis.setTitleText(title);
    axis.setTitleFont(ArialPixels(16));
    axis.setTitleBrush(Qt::black);
    axis.setGridLineVisible(true);
    axis.setGridLinePen(QPen(Qt::black, 1, Qt::DashLine));
}

void SetUpFrequencyAxis(QLogValueAxis* axis)
{
    StyleAxis(*axis, "Masker Frequency (Hz)");
    axis->setBase(10.0);
    axis->setRange(LowestFrequency, HighestFrequency);
    axis->setLabelFormat("%g");
    axis->setMinorTickCount(8);
    axis->setMinorGridLineVisible(true);
    axis->setMinorGridLinePen(QPen(Qt::gray, 1, Qt::DashDotLine));
}

void SetUpLevelAxis(QValueAxis* axis)
{
    StyleAxis(*axis, "Masker level (dB SPL)");
    axis->setRange(LowestLevel, HighestLevel);
    axis->setTickType(QValueAxis::TicksFixed);
    axis->setTickCount(11);
    axis->setLabelFormat("%.0f");
    axis->setMinorTickCount(4);
    axis->setMinorGridLineVisible(false);
}

// Margins of 2 % at the top, bottom and left and 5 % at the right, of the chart's size.
QMargins ChartMargins()
{
    const int w = GraphChartSize.width();
    const int h = GraphChartSize.height();
    return QMargins(w * 2 / 100, h * 2 / 100, w * 5 / 100, h * 2 / 100);
}

// Keeps the summary inside the plot, just above its lower left corner; it wraps rather than
// run past the plot's right edge.
void PlaceSummary(QChart& chart, QGraphicsTextItem& summary)
{
    constexpr qreal inset = 4.0;
    const QRectF plot = chart.plotArea();
    summary.setTextWidth(std::max(plot.width() - 2 * inset, 0.0));
    summary.setPos(plot.left() + inset, plot.bottom() - inset - summary.boundingRect().height());
}

} // namespace

GraphChart SetUpGraphChart(QChartView& view)
{
    auto owned = std::make_unique<QChart>();
    QChart* chart = owned.get();
    chart->setTheme(QChart::ChartThemeLight);
    chart->setBackgroundBrush(Qt::white);
    chart->setBackgroundPen(Qt::NoPen);
    chart->setBackgroundRoundness(0);
    chart->setDropShadowEnabled(false);
    chart->setPlotAreaBackgroundVisible(false);
    chart->setMargins(ChartMargins());
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->legend()->hide();
    chart->setTitleFont(ArialPixels(16));
    chart->setTitleBrush(Qt::black);
    chart->setAnimationOptions(QChart::NoAnimation);

    // Styled after being added: adding applies the theme to whatever is still at its default.
    // Added first, so drawn behind the curves.
    auto* normalRange = new QAreaSeries(chart);
    normalRange->setUpperSeries(new QLineSeries(normalRange));
    normalRange->setLowerSeries(new QLineSeries(normalRange));
    auto* line = new QLineSeries(chart);
    auto* marker = new QScatterSeries(chart);
    auto* tip = new QScatterSeries(chart);
    auto* q10 = new QLineSeries(chart);
    auto* frequency = new QLogValueAxis(chart);
    auto* level = new QValueAxis(chart);
    chart->addSeries(normalRange);
    chart->addSeries(line);
    chart->addSeries(marker);
    chart->addSeries(q10);
    chart->addSeries(tip);
    chart->addAxis(frequency, Qt::AlignBottom);
    chart->addAxis(level, Qt::AlignLeft);
    for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(normalRange), static_cast<QAbstractSeries*>(line), static_cast<QAbstractSeries*>(marker),
                                     static_cast<QAbstractSeries*>(q10), static_cast<QAbstractSeries*>(tip)}) {
        series->attachAxis(frequency);
        series->attachAxis(level);
    }
    SetUpFrequencyAxis(frequency);
    SetUpLevelAxis(level);

    line->setObjectName("Series1");
    line->setPen(QPen(Qt::black, 1));
    line->setPointsVisible(false);
    line->setPointLabelsVisible(false);

    marker->setObjectName("Series2");
    marker->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    marker->setMarkerSize(9.0);
    marker->setColor(Qt::black);
    marker->setBorderColor(Qt::black);
    marker->setPointLabelsVisible(false);

    tip->setObjectName("TipMarker");
    tip->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    tip->setMarkerSize(15.0);
    tip->setColor(Qt::transparent);
    tip->setBorderColor(Qt::black);
    tip->setPen(QPen(Qt::black, 2));
    tip->setPointLabelsVisible(false);

    // Unnamed, so out of the legend, which names runs.
    normalRange->setObjectName("NormalTipRange");
    normalRange->setPen(Qt::NoPen);
    normalRange->setBrush(QColor(200, 235, 200));

    q10->setObjectName("Q10Line");
    q10->setPen(QPen(QColor(90, 90, 90), 2));
    q10->setPointsVisible(false);

    auto* summary = new QGraphicsTextItem(chart);
    summary->setFont(ArialPixels(13));
    summary->setDefaultTextColor(Qt::black);
    QObject::connect(chart, &QChart::plotAreaChanged, summary,
                     [chart, summary] { PlaceSummary(*chart, *summary); });

    // The view made a chart of its own when it was built; setting ours hands that one back.
    const std::unique_ptr<QChart> replaced(view.chart());
    view.setChart(owned.release());
    view.setRubberBand(QChartView::NoRubberBand);
    view.setDragMode(QGraphicsView::NoDrag);
    view.setInteractive(false);
    view.setFrameShape(QFrame::NoFrame);
    view.setBackgroundBrush(Qt::white);
    view.setRenderHint(QPainter::Antialiasing);
    return GraphChart{chart, line, marker, tip, q10, summary, {}, normalRange};
}

void SetCurveSummary(GraphChart& chart, const QString& text)
{
    chart.Summary->setPlainText(text);
    PlaceSummary(*chart.Chart, *chart.Summary);
}

bool InsideAxes(double frequency, double level)
{
    return frequency >= LowestFrequency && frequency <= HighestFrequency && level >= LowestLevel
           && level <= HighestLevel;
}

void ShowNormalRange(GraphChart& chart, const std::optional<std::pair<double, double>>& rangeHz)
{
    QLineSeries* upper = chart.NormalRange->upperSeries();
    QLineSeries* lower = chart.NormalRange->lowerSeries();
    upper->clear();
    lower->clear();
    if (!rangeHz) {
        return;
    }
    const double low = std::clamp(rangeHz->first, LowestFrequency, HighestFrequency);
    const double high = std::clamp(rangeHz->second, LowestFrequency, HighestFrequency);
    upper->append({QPointF(low, HighestLevel), QPointF(high, HighestLevel)});
    lower->append({QPointF(low, LowestLevel), QPointF(high, LowestLevel)});
}
