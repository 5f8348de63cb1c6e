#pragma once

#include <QSize>

class QChart;
class QChartView;
class QLineSeries;
class QScatterSeries;
class QValueAxis;
class QLogValueAxis;

// The parts of the graph window's chart that change while the program runs.
struct GraphChart {
    QChart* Chart = nullptr;
    QLineSeries* Line = nullptr;       // the tuning curve
    QScatterSeries* Marker = nullptr;  // the tone
};

// Chart1's size on screen; the chart's margins are percentages of it.
inline constexpr QSize GraphChartSize{761, 489};

// Gives `view` (which owns it) a chart with the graph window's fixed settings: white
// background, no legend, no zooming, logarithmic frequency axis 100-10000 Hz with a minor
// grid, linear level axis 0-100 dB SPL, a black line and a black square tone marker.
GraphChart SetUpGraphChart(QChartView& view);
