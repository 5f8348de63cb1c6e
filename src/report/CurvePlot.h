#pragma once

#include "TestCondition.h"

#include <QColor>
#include <QString>

#include <optional>
#include <vector>

class QPainter;
class QRectF;

// One curve of a report's plot: the points as recorded (dots), the line drawn through the
// smoothed or combined curve, and its tips.
struct PlotCurve {
    std::vector<ResultPoint> Points;
    std::vector<ResultPoint> Line;
    QColor Color;
    double LineWidth = 0.8;  // points
    QString Label;
    std::optional<ResultPoint> Tip;        // the smoothed minimum: an open circle
    std::optional<ResultPoint> FittedTip;  // the fitted parabola's vertex: an open triangle
};

struct CurvePlot {
    double FromHz = 100.0;  // the frequency axis (logarithmic)
    double ToHz = 10000.0;
    ResultPoint Tone;       // a black square
    std::vector<PlotCurve> Curves;
};

// Draws the plot, its axes, grid and a legend of the curves' labels, within `area` (in the
// painter's units, taken as points).
void DrawCurvePlot(QPainter& painter, const QRectF& area, const CurvePlot& plot);
