#pragma once

#include "GraphChart.h"
#include "SharedState.h"

#include <QObject>

class QCheckBox;
class QGraphicsTextItem;
class QLineSeries;
class QRect;
class QScatterSeries;
class QWidget;

// Beside the last run, the combined curve of the results file's runs of the current
// condition and ear, when the session record has more than one: a check box shows or hides
// it, with its tips (an open circle for the smoothed minimum, a triangle for the fitted tip)
// and its figures in the plot's upper right corner.
class CombinedCurveOverlay : public QObject {
    Q_OBJECT

public:
    CombinedCurveOverlay(QWidget& window, GraphChart& chart, const QRect& toggleGeometry);

    // Reads the session record beside the results file anew and redraws.
    void Refresh(const SharedState& state);

    QCheckBox* Toggle() const { return toggle_; }

private:
    void Show(bool shown);

    GraphChart& chart_;
    QCheckBox* toggle_ = nullptr;
    QLineSeries* line_ = nullptr;
    QScatterSeries* tip_ = nullptr;
    QScatterSeries* fittedTip_ = nullptr;
    QGraphicsTextItem* figures_ = nullptr;
};
