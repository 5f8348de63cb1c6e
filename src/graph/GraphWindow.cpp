#include "GraphWindow.h"

#include "Controls.h"

#include "ChartOutput.h"
#include "CombinedCurveOverlay.h"
#include "GraphContent.h"
#include "OverlaySeries.h"
#include "RunOverlay.h"
#include "ReportButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QFileDialog>
#include <QLineSeries>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScatterSeries>
#include <QScreen>

GraphWindow::GraphWindow(SharedState& state, QWidget* parent)
    : QDialog(parent), state_(state)
{
    setObjectName("Form3");
    setWindowTitle("Quorvex — Results graph");
    QFont font("Arial");
    font.setPixelSize(11);
    setFont(font);
    setFixedSize(801, 533);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    ChartView = new QChartView(this);
    ChartView->setObjectName("Chart1");
    ChartView->setGeometry(QRect(QPoint(16, 8), GraphChartSize));
    ChartView->setFocusPolicy(Qt::TabFocus);
    chart_ = SetUpGraphChart(*ChartView);

    PrintButton = MakeButton(this, "Button1", "Print", {360, 504, 75, 25});
    CloseButton = MakeButton(this, "Button2", "Close", {704, 504, 75, 25});
    CopyPictureButton = MakeButton(this, "Button3", "Copy picture", {240, 504, 75, 25});
    CopySvgButton = MakeButton(this, "Button4", "Copy SVG", {160, 504, 75, 25});
    SaveAsButton = MakeButton(this, "SaveAsButton", "Save as…", {440, 504, 75, 25});
    setTabOrder(ChartView, PrintButton);
    setTabOrder(PrintButton, CloseButton);
    setTabOrder(CloseButton, CopyPictureButton);
    setTabOrder(CopyPictureButton, CopySvgButton);
    setTabOrder(CopySvgButton, SaveAsButton);

    connect(PrintButton, &QPushButton::clicked, this, &GraphWindow::PrintClick);
    ChoosePdfPath = [this] { return AskForPdfPath(); };
    connect(CloseButton, &QPushButton::clicked, this, &GraphWindow::CloseClick);
    connect(CopyPictureButton, &QPushButton::clicked, this, &GraphWindow::CopyPictureClick);
    connect(CopySvgButton, &QPushButton::clicked, this, &GraphWindow::CopySvgClick);
    ChooseSavePath = [this] { return AskForSavePath(); };
    connect(SaveAsButton, &QPushButton::clicked, this, &GraphWindow::SaveAsButtonClick);

    combined_ = new CombinedCurveOverlay(*this, chart_, {16, 506, 130, 21});
    report_ = new ReportButton(*this, state_, {520, 504, 75, 25});
    setTabOrder(SaveAsButton, combined_->Toggle());
    setTabOrder(combined_->Toggle(), report_->Button());
}

GraphWindow::~GraphWindow() = default;

void GraphWindow::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void GraphWindow::FormShow()
{
    chart_.Line->clear();
    chart_.Marker->clear();
    chart_.Tip->clear();
    chart_.Q10->clear();
    chart_.Chart->setTitle(QString());

    const RecordedOverlay recorded = OverlaidRunsOf(state_);
    const GraphContent content = BuildGraphContent(state_, recorded.LatestDate);
    title_ = QString::fromStdString(content.Title);
    // The chart draws its title as rich text; a subject name is shown as typed.
    chart_.Chart->setTitle(title_.toHtmlEscaped());
    ChartView->setAccessibleName(title_);
    const QString summary = QString::fromStdString(content.CurveSummary);
    SetCurveSummary(chart_, summary);
    ChartView->setAccessibleDescription(summary);

    QList<QPointF> line;
    line.reserve(static_cast<qsizetype>(content.Line.size()));
    for (const ResultPoint& p : content.Line)
        line.append(QPointF(p.Freq, p.SPL));
    chart_.Line->append(line);
    if (content.ToneMarker)
        chart_.Marker->append(content.ToneMarker->Freq, content.ToneMarker->SPL);
    // A marker off the axes would be drawn over them in the vector copy; the text still says where the tip is.
    if (content.TipMarker && InsideAxes(content.TipMarker->Freq, content.TipMarker->SPL))
        chart_.Tip->append(content.TipMarker->Freq, content.TipMarker->SPL);
    for (const ResultPoint& p : content.Q10Line)
        chart_.Q10->append(p.Freq, p.SPL);
    ShowNormalRange(chart_, content.NormalRangeHz);
    const QString latest = QString("Latest run: %1 ear, %2")
                               .arg(QString::fromStdString(EarName(state_.Ear)),
                                    QString::fromStdString(SweepDisplayName(state_.SweepDirection)));
    ShowOverlaidRuns(chart_, recorded.Earlier, latest);
    combined_->Refresh(state_);
}

void GraphWindow::PrintClick()
{
    if (QPrinterInfo::defaultPrinter().isNull()) {
        OfferPdfInstead();
        return;
    }
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (const Result<> printed = PrintChart(*ChartView, *printer_); !printed)
        Report(QString::fromStdString(printed.Reason()));
}

void GraphWindow::CloseClick()
{
    done(1);
}

void GraphWindow::CopyPictureClick()
{
    QApplication::clipboard()->setPixmap(QPixmap::fromImage(ChartBitmap(*ChartView)));
}

void GraphWindow::CopySvgClick()
{
    auto mime = std::make_unique<QMimeData>();
    mime->setData("image/svg+xml", ChartSvg(*ChartView, title_));
    QApplication::clipboard()->setMimeData(mime.release());  // the clipboard owns it now
}

void GraphWindow::OfferPdfInstead()
{
    const auto answer = QMessageBox::question(
        this, QGuiApplication::applicationDisplayName(),
        "No printer is installed or chosen as the default printer, so the graph cannot be "
        "printed.\n\nDo you want to save the graph as a PDF file instead?",
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return;

    const QString path = ChoosePdfPath();
    if (path.isEmpty())
        return;
    if (const Result<> written = WriteChartPdf(*ChartView, path); !written)
        Report(QString::fromStdString(written.Reason()));
}

void GraphWindow::SaveAsButtonClick()
{
    const QString path = ChooseSavePath();
    if (path.isEmpty())
        return;
    if (const Result<> saved = SaveChart(*ChartView, path, title_); !saved)
        Report(QString::fromStdString(saved.Reason()));
}

QString GraphWindow::AskForSavePath()
{
    QFileDialog dialog(this, "Save graph as", QString(),
                       "PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("png");
    dialog.selectFile("graph.png");
    // The suffix follows the chosen format, so that the file is what its name says.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const QString suffix = filter.section("*.", 1).section(')', 0, 0);
        dialog.setDefaultSuffix(suffix);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString GraphWindow::AskForPdfPath()
{
    QFileDialog dialog(this, "Save graph as PDF", QString(), "PDF files (*.pdf)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("pdf");
    dialog.selectFile("graph.pdf");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void GraphWindow::Report(const QString& message)
{
    QMessageBox::critical(this, QGuiApplication::applicationDisplayName(), message);
}
