#include "CurvePlot.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

// Maps frequency (log) and level (linear) to the plot's inner rectangle.
struct Axes {
    QRectF Inner;
    double LogFrom, LogTo, LevelFrom, LevelTo;

    QPointF Map(double hz, double level) const
    {
        const double x = (std::log10(hz) - LogFrom) / (LogTo - LogFrom);
        const double y = (level - LevelFrom) / (LevelTo - LevelFrom);
        return {Inner.left() + x * Inner.width(), Inner.bottom() - y * Inner.height()};
    }
    bool Holds(double hz, double level) const
    {
        return hz > 0.0 && std::log10(hz) >= LogFrom && std::log10(hz) <= LogTo && level >= LevelFrom
               && level <= LevelTo;
    }
};

// The level range: the curves' levels and the tone's, widened to whole 10 dB.
std::pair<double, double> LevelRange(const CurvePlot& plot)
{
    double low = plot.Tone.SPL;
    double high = plot.Tone.SPL;
    for (const PlotCurve& curve : plot.Curves) {
        for (const auto* points : {&curve.Points, &curve.Line}) {
            for (const ResultPoint& p : *points) {
                if (std::isfinite(p.SPL)) {
                    low = std::min(low, static_cast<double>(p.SPL));
                    high = std::max(high, static_cast<double>(p.SPL));
                }
            }
        }
    }
    low = std::floor(low / 10.0) * 10.0 - (std::fmod(low, 10.0) == 0.0 ? 10.0 : 0.0);
    high = std::ceil(high / 10.0) * 10.0 + (std::fmod(high, 10.0) == 0.0 ? 10.0 : 0.0);
    return {std::max(low, -20.0), std::min(std::max(high, low + 20.0), 140.0)};
}

void DrawGrid(QPainter& painter, const Axes& axes, const QFont& small)
{
    painter.setFont(small);
    const QFontMetricsF metrics(small);
    const QPen grid(QColor(215, 215, 215), 0.4);
    const QPen frame(Qt::black, 0.7);
    for (int decade = static_cast<int>(std::floor(axes.LogFrom)); decade <= static_cast<int>(std::ceil(axes.LogTo)); ++decade) {
        for (int m = 1; m <= 9; ++m) {
            const double hz = m * std::pow(10.0, decade);
            if (!axes.Holds(hz, axes.LevelFrom)) {
                continue;
            }
            const QPointF bottom = axes.Map(hz, axes.LevelFrom);
            painter.setPen(grid);
            painter.drawLine(bottom, QPointF(bottom.x(), axes.Inner.top()));
            // Within a decade every grid line is labelled, over more the 1-2-5 ones.
            if (m == 1 || m == 2 || m == 5 || axes.LogTo - axes.LogFrom < 1.0) {
                painter.setPen(frame);
                const QString label = QString::number(hz, 'g', 6);
                painter.drawText(QPointF(bottom.x() - metrics.horizontalAdvance(label) / 2, bottom.y() + metrics.height()),
                                 label);
            }
        }
    }
    for (double level = axes.LevelFrom; level <= axes.LevelTo + 1e-9; level += 10.0) {
        const QPointF left = axes.Map(std::pow(10.0, axes.LogFrom), level);
        painter.setPen(grid);
        painter.drawLine(left, QPointF(axes.Inner.right(), left.y()));
        painter.setPen(frame);
        const QString label = QString::number(level);
        painter.drawText(QPointF(left.x() - metrics.horizontalAdvance(label) - 3, left.y() + metrics.ascent() / 2 - 1), label);
    }
    painter.setPen(frame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(axes.Inner);
    painter.drawText(QRectF(axes.Inner.left(), axes.Inner.bottom() + metrics.height() + 2, axes.Inner.width(),
                            metrics.height()),
                     Qt::AlignHCenter, "Masker frequency (Hz)");
    painter.save();
    painter.translate(axes.Inner.left() - 28, axes.Inner.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-axes.Inner.height() / 2, -metrics.height(), axes.Inner.height(), metrics.height()),
                     Qt::AlignHCenter, "Masker level (dB SPL)");
    painter.restore();
}

void DrawCurve(QPainter& painter, const Axes& axes, const PlotCurve& curve)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(curve.Color);
    for (const ResultPoint& p : curve.Points) {
        if (axes.Holds(p.Freq, p.SPL)) {
            painter.drawEllipse(axes.Map(p.Freq, p.SPL), 1.3, 1.3);
        }
    }
    QPolygonF line;
    for (const ResultPoint& p : curve.Line) {
        if (axes.Holds(p.Freq, p.SPL)) {
            line << axes.Map(p.Freq, p.SPL);
        }
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(curve.Color, curve.LineWidth));
    painter.drawPolyline(line);
    if (curve.Tip && axes.Holds(curve.Tip->Freq, curve.Tip->SPL)) {
        painter.drawEllipse(axes.Map(curve.Tip->Freq, curve.Tip->SPL), 3.5, 3.5);
    }
    if (curve.FittedTip && axes.Holds(curve.FittedTip->Freq, curve.FittedTip->SPL)) {
        const QPointF c = axes.Map(curve.FittedTip->Freq, curve.FittedTip->SPL);
        painter.drawPolygon(QPolygonF({c + QPointF(0, -4.5), c + QPointF(4, 2.5), c + QPointF(-4, 2.5)}));
    }
}

}  // namespace

void DrawCurvePlot(QPainter& painter, const QRectF& area, const CurvePlot& plot)
{
    painter.save();
    QFont small = painter.font();
    small.setPointSizeF(7.0);
    const QFontMetricsF metrics(small);
    const auto [levelFrom, levelTo] = LevelRange(plot);
    const double legendHeight = metrics.height() * static_cast<double>(plot.Curves.size() + 1) + 4;
    const QRectF inner(area.left() + 40, area.top() + 4, area.width() - 48,
                       area.height() - 4 - 2.2 * metrics.height() - 6 - legendHeight);
    const Axes axes{inner, std::log10(plot.FromHz), std::log10(plot.ToHz), levelFrom, levelTo};
    painter.setRenderHint(QPainter::Antialiasing);
    DrawGrid(painter, axes, small);
    for (const PlotCurve& curve : plot.Curves) {
        DrawCurve(painter, axes, curve);
    }
    if (axes.Holds(plot.Tone.Freq, plot.Tone.SPL)) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        const QPointF t = axes.Map(plot.Tone.Freq, plot.Tone.SPL);
        painter.drawRect(QRectF(t - QPointF(3, 3), QSizeF(6, 6)));
    }
    // The legend, below the axis title: a line of each curve's colour and its label.
    painter.setFont(small);
    double y = inner.bottom() + 2.2 * metrics.height() + 6 + metrics.height();
    for (const PlotCurve& curve : plot.Curves) {
        painter.setPen(QPen(curve.Color, std::max(curve.LineWidth, 1.0)));
        painter.drawLine(QPointF(inner.left(), y - metrics.ascent() / 2), QPointF(inner.left() + 18, y - metrics.ascent() / 2));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(inner.left() + 24, y), curve.Label);
        y += metrics.height();
    }
    painter.drawText(QPointF(inner.left(), y),
                     "Black square: the tone. Circle: smoothed minimum. Triangle: fitted tip. Dots: recorded points.");
    painter.restore();
}
