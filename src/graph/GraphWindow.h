#pragma once

#include "GraphChart.h"
#include "SharedState.h"

#include <QDialog>

#include <functional>
#include <memory>

class CombinedCurveOverlay;
class QChartView;
class QPrinter;
class QPushButton;
class QShowEvent;
class ReportButton;

// The graph window: the latest run's tuning curve on a logarithmic frequency axis with the
// tone marked, over the earlier runs of the same subject and condition that the session record
// holds, which the operator can print, copy to the clipboard or save as PNG, SVG or PDF. It keeps nothing of
// its own; every showing redraws from the shared state.
class GraphWindow : public QDialog {
    Q_OBJECT

public:
    explicit GraphWindow(SharedState& state, QWidget* parent = nullptr);
    ~GraphWindow() override;

    // Where to save the graph as PDF when no printer exists: a path, or empty when the
    // operator cancels. The window asks with a file dialog; tests answer directly.
    std::function<QString()> ChoosePdfPath;
    // Where "Save as…" writes the graph (its suffix chooses PNG, SVG or PDF): a path, or empty
    // when the operator cancels. The window asks with a file dialog; tests answer directly.
    std::function<QString()> ChooseSavePath;

    void FormShow();
    void PrintClick();
    void CloseClick();
    void CopyPictureClick();
    void CopySvgClick();
    void SaveAsButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OfferPdfInstead();
    QString AskForPdfPath();
    QString AskForSavePath();
    void Report(const QString& message);

    SharedState& state_;
    QChartView* ChartView = nullptr;
    GraphChart chart_;
    QString title_;  // the title as shown, in plain text
    QPushButton* PrintButton = nullptr;
    QPushButton* CloseButton = nullptr;
    QPushButton* CopyPictureButton = nullptr;
    QPushButton* CopySvgButton = nullptr;
    QPushButton* SaveAsButton = nullptr;
    std::unique_ptr<QPrinter> printer_;  // made on the first print, so its settings persist

    // The results file's combined curve and the per-listener report; both are children of
    // the window.
    CombinedCurveOverlay* combined_ = nullptr;
    ReportButton* report_ = nullptr;
};
