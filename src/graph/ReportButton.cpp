#include "ReportButton.h"

#include "ListenerReport.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

ReportButton::ReportButton(QWidget& window, const SharedState& state, const QRect& geometry)
    : QObject(&window), window_(window), state_(state)
{
    button_ = new QPushButton("Report…", &window);
    button_->setObjectName("ReportButton");
    button_->setGeometry(geometry);
    button_->setAccessibleName("Report…");
    ChoosePath = [this] { return AskForPath(); };
    connect(button_, &QPushButton::clicked, this, &ReportButton::Click);
}

void ReportButton::Click()
{
    const QString path = ChoosePath();
    if (path.isEmpty()) {
        return;
    }
    const QPageSize::PageSizeId paper =
        QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4;
    const QString error = WriteListenerReport(AnalyseRecordOf(state_.ResultsFileName), path, paper, state_.Listener);
    if (!error.isEmpty()) {
        QMessageBox::critical(&window_, QGuiApplication::applicationDisplayName(), error);
    }
}

QString ReportButton::AskForPath()
{
    QFileDialog dialog(&window_, "Save report as PDF", QString(), "PDF files (*.pdf)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("pdf");
    dialog.selectFile(QFileInfo(QString::fromStdString(state_.ResultsFileName)).completeBaseName() + ".pdf");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
