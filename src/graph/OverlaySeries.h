#pragma once

#include "GraphChart.h"
#include "RunOverlay.h"

#include <QString>

#include <vector>

// Replaces the chart's earlier runs with `runs`: each a line of its own colour, dashed for a
// downward sweep, named in a legend below the plot. The legend names the latest run too, and
// is shown only while there are earlier runs.
void ShowOverlaidRuns(GraphChart& chart, const std::vector<OverlaidRun>& runs, const QString& latestLabel);

// Leaves out of the legend every series without a name (the tone, the tips, the Q10 line): a
// marker without a label tells the reader nothing. Showing a series shows its marker again,
// so this follows every change of what is shown.
void HideUnnamedInLegend(QChart& chart);
