#include "OverlaySeries.h"

#include <QChart>
#include <QColor>
#include <QFont>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>

#include <array>

namespace {

// Colours that stay apart from each other and from the latest run's black, also in print.
constexpr std::array<QRgb, 8> Palette = {0x1f77b4, 0xd62728, 0x2ca02c, 0xff7f0e,
                                         0x9467bd, 0x17becf, 0x8c564b, 0xe377c2};

}  // namespace

void HideUnnamedInLegend(QChart& chart)
{
    for (QLegendMarker* marker : chart.legend()->markers()) {
        if (marker->label().isEmpty()) {
            marker->setVisible(false);
        }
    }
}

void ShowOverlaidRuns(GraphChart& chart, const std::vector<OverlaidRun>& runs, const QString& latestLabel)
{
    for (QLineSeries* old : chart.Overlays) {
        chart.Chart->removeSeries(old);
        delete old;
    }
    chart.Overlays.clear();

    const QList<QAbstractAxis*> axes = chart.Chart->axes(Qt::Horizontal) + chart.Chart->axes(Qt::Vertical);
    // The chart draws its series in the order they were added: the latest run, the tone and the
    // tip go back on top of the earlier runs.
    const std::array<QAbstractSeries*, 4> onTop = {chart.Line, chart.Q10, chart.Marker, chart.Tip};
    for (QAbstractSeries* series : onTop) {
        chart.Chart->removeSeries(series);
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        auto* line = new QLineSeries(chart.Chart);
        line->setObjectName(QString("EarlierRun%1").arg(i + 1));
        line->setName(QString::fromStdString(runs[i].Label));
        for (const ResultPoint& p : runs[i].Line) {
            line->append(p.Freq, p.SPL);
        }
        chart.Chart->addSeries(line);
        for (QAbstractAxis* axis : axes) {
            line->attachAxis(axis);
        }
        line->setPen(QPen(QColor(Palette[i % Palette.size()]), 1.5,
                          runs[i].Direction == Sweep::Down ? Qt::DashLine : Qt::SolidLine));
        chart.Overlays.push_back(line);
    }
    for (QAbstractSeries* series : onTop) {
        chart.Chart->addSeries(series);
        for (QAbstractAxis* axis : axes) {
            series->attachAxis(axis);
        }
    }

    QLegend* legend = chart.Chart->legend();
    legend->setAlignment(Qt::AlignBottom);
    QFont font("Arial");
    font.setPixelSize(11);
    legend->setFont(font);
    legend->setLabelColor(Qt::black);
    chart.Line->setName(latestLabel);
    HideUnnamedInLegend(*chart.Chart);
    legend->setVisible(!runs.empty());
}
