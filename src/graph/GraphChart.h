#pragma once

#include <QSize>

#include <optional>
#include <utility>
#include <vector>

class QAreaSeries;

class QChart;
class QGraphicsTextItem;
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
    QScatterSeries* Tip = nullptr;     // the curve's tip: an open circle
    QLineSeries* Q10 = nullptr;        // the width Q10 is taken over, 10 dB above the tip
    QGraphicsTextItem* Summary = nullptr;  // tip and Q10, in the plot's lower left corner
    std::vector<QLineSeries*> Overlays;    // earlier runs, drawn behind the curve
    QAreaSeries* NormalRange = nullptr;    // the normal tip's frequencies, shaded behind everything
};

// Shades the frequencies from `lowHz` to `highHz` over the whole level axis; nothing when not given.
void ShowNormalRange(GraphChart& chart, const std::optional<std::pair<double, double>>& rangeHz);

// Chart1's size on screen; the chart's margins are percentages of it.
inline constexpr QSize GraphChartSize{761, 489};

// Gives `view` (which owns it) a chart with the graph window's fixed settings: white
// background, no legend, no zooming, logarithmic frequency axis 100-10000 Hz with a minor
// grid, linear level axis 0-100 dB SPL, a black line, a black square tone marker, an open
// circle on the tip, a grey line between the 10-dB points and the tip and Q10 written in the
// plot, the normal tip's frequencies shaded light green behind them.
GraphChart SetUpGraphChart(QChartView& view);

// Shows `text` (lines separated by "\n") in the plot's lower left corner.
void SetCurveSummary(GraphChart& chart, const QString& text);

// Whether a point lies within the axes' fixed ranges.
bool InsideAxes(double frequency, double level);
