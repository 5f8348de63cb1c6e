#pragma once

#include "SharedState.h"

#include <QObject>
#include <QString>

#include <functional>

class QPushButton;
class QRect;
class QWidget;

// "Report…" in the graph window: the per-listener PDF report of the results file's runs, with
// the listener details set in the set-up window where they are set, saved where the operator
// chooses, on A4 or, where the system's measurement system is the US one,
// Letter paper.
class ReportButton : public QObject {
    Q_OBJECT

public:
    ReportButton(QWidget& window, const SharedState& state, const QRect& geometry);

    // Where to save the report: a path, or empty when the operator cancels. The window asks
    // with a file dialog; tests answer directly.
    std::function<QString()> ChoosePath;

    void Click();
    QPushButton* Button() const { return button_; }

private:
    QString AskForPath();

    QWidget& window_;
    const SharedState& state_;
    QPushButton* button_ = nullptr;
};
