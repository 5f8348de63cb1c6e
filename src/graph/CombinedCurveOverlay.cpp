#include "CombinedCurveOverlay.h"

#include "MeasuresText.h"
#include "NumberFormat.h"
#include "OverlaySeries.h"
#include "RecordAnalysis.h"

#include <QChart>
#include <QCheckBox>
#include <QGraphicsTextItem>
#include <QLineSeries>
#include <QScatterSeries>

namespace {

void AttachToAxes(QChart& chart, QAbstractSeries* series)
{
    chart.addSeries(series);
    for (QAbstractAxis* axis : chart.axes()) {
        series->attachAxis(axis);
    }
}

QString Figures(const ConditionCurves& c)
{
    const CurveMeasures& m = c.CombinedMeasures;
    QString text = "Combined (" + QString::number(c.Runs.size()) + " runs)\nTip: " + QString::fromStdString(DescribeTip(m.Smoothed));
    if (m.Fitted.Freq && m.Fitted.Level) {
        text += "\nFitted tip: " + QString::fromStdString(FormatHz(*m.Fitted.Freq) + " Hz at " + FormatDb(*m.Fitted.Level)
                                                          + " dB SPL");
    }
    if (m.Smoothed.Q10) {
        text += "\nQ10: " + QString::fromStdString(FormatQ10(*m.Smoothed.Q10));
    }
    QStringList flags;
    for (const RaisedFlag& flag : m.Flags) {
        flags << FlagTitle(flag.Flag);
    }
    if (!flags.isEmpty()) {
        text += "\nFlags: " + flags.join(", ");
    }
    return text;
}

}  // namespace

CombinedCurveOverlay::CombinedCurveOverlay(QWidget& window, GraphChart& chart, const QRect& toggleGeometry)
    : QObject(&window), chart_(chart)
{
    toggle_ = new QCheckBox("Combined curve", &window);
    toggle_->setObjectName("CombinedCurveBox");
    toggle_->setGeometry(toggleGeometry);
    toggle_->setChecked(true);
    toggle_->setEnabled(false);
    toggle_->setAccessibleName("Combined curve");

    line_ = new QLineSeries(chart.Chart);
    line_->setObjectName("CombinedCurve");
    line_->setName("Combined curve");
    tip_ = new QScatterSeries(chart.Chart);
    tip_->setObjectName("CombinedTip");
    fittedTip_ = new QScatterSeries(chart.Chart);
    fittedTip_->setObjectName("CombinedFittedTip");
    for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(line_), static_cast<QAbstractSeries*>(tip_),
                                     static_cast<QAbstractSeries*>(fittedTip_)}) {
        AttachToAxes(*chart.Chart, series);
    }
    const QColor colour(0, 90, 200);
    line_->setPen(QPen(colour, 2));
    for (QScatterSeries* tip : {tip_, fittedTip_}) {
        tip->setBrush(Qt::NoBrush);
        tip->setPen(QPen(colour, 1.5));
        tip->setMarkerSize(11.0);
    }
    tip_->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    fittedTip_->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    figures_ = new QGraphicsTextItem(chart.Chart);
    figures_->setDefaultTextColor(colour);

    connect(toggle_, &QCheckBox::toggled, this, &CombinedCurveOverlay::Show);
    Show(false);
}

void CombinedCurveOverlay::Refresh(const SharedState& state)
{
    line_->clear();
    tip_->clear();
    fittedTip_->clear();
    figures_->setPlainText(QString());
    const RecordAnalysis results = AnalyseRecordOf(state.ResultsFileName);
    const ConditionCurves* curves =
        state.Conditions.empty() ? nullptr
                                 : FindConditionCurves(results.Analysis, state.SubjectName, state.CurrentCondition + 1,
                                                       EarName(state.Ear), state.Current(), state.Settings);
    const bool available = curves != nullptr && curves->HasCombined && !curves->Combined.Points.empty();
    toggle_->setEnabled(available);
    toggle_->setToolTip(available ? QString() : "The results file has no second run of this condition and ear.");
    if (available) {
        line_->setName(QString("Combined curve (%1 runs)").arg(curves->Runs.size()));
        for (const ResultPoint& p : curves->Combined.Points) {
            line_->append(p.Freq, p.SPL);
        }
        const CurveMeasures& m = curves->CombinedMeasures;
        if (m.Smoothed.Tip && InsideAxes(m.Smoothed.Tip->Freq, m.Smoothed.Tip->SPL)) {
            tip_->append(m.Smoothed.Tip->Freq, m.Smoothed.Tip->SPL);
        }
        if (m.Fitted.Freq && m.Fitted.Level && InsideAxes(*m.Fitted.Freq, *m.Fitted.Level)) {
            fittedTip_->append(*m.Fitted.Freq, *m.Fitted.Level);
        }
        figures_->setPlainText(Figures(*curves));
        const QRectF plot = chart_.Chart->plotArea();
        figures_->setPos(plot.right() - figures_->boundingRect().width() - 4, plot.top() + 4);
    }
    Show(available && toggle_->isChecked());
}

void CombinedCurveOverlay::Show(bool shown)
{
    const bool visible = shown && toggle_->isEnabled();
    line_->setVisible(visible);
    tip_->setVisible(visible);
    fittedTip_->setVisible(visible);
    figures_->setVisible(visible);
    HideUnnamedInLegend(*chart_.Chart);
}
