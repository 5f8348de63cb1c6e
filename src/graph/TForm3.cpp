#include "TForm3.h"

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

TForm3::TForm3(SharedState& state, QWidget* parent)
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

    Chart1 = new QChartView(this);
    Chart1->setObjectName("Chart1");
    Chart1->setGeometry(QRect(QPoint(16, 8), GraphChartSize));
    Chart1->setFocusPolicy(Qt::TabFocus);
    chart_ = SetUpGraphChart(*Chart1);

    Button1 = MakeButton(this, "Button1", "Print", {360, 504, 75, 25});
    Button2 = MakeButton(this, "Button2", "CLOSE", {704, 504, 75, 25});
    Button3 = MakeButton(this, "Button3", "Copy Bitmap", {240, 504, 75, 25});
    Button4 = MakeButton(this, "Button4", "Copy as SVG", {160, 504, 75, 25});
    SaveAsButton = MakeButton(this, "SaveAsButton", "Save as…", {440, 504, 75, 25});
    setTabOrder(Chart1, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, SaveAsButton);

    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    ChoosePdfPath = [this] { return AskForPdfPath(); };
    connect(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm3::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm3::Button4Click);
    ChooseSavePath = [this] { return AskForSavePath(); };
    connect(SaveAsButton, &QPushButton::clicked, this, &TForm3::SaveAsButtonClick);

    combined_ = new CombinedCurveOverlay(*this, chart_, {16, 506, 130, 21});
    report_ = new ReportButton(*this, state_, {520, 504, 75, 25});
    setTabOrder(SaveAsButton, combined_->Toggle());
    setTabOrder(combined_->Toggle(), report_->Button());
}

TForm3::~TForm3() = default;

void TForm3::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TForm3::FormShow()
{
    chart_.Line->clear();
    chart_.Marker->clear();
    chart_.Tip->clear();
    chart_.Chart->setTitle(QString());

    const GraphContent content = BuildGraphContent(state_);
    title_ = QString::fromStdString(content.Title);
    // The chart draws its title as rich text; a subject name is shown as typed.
    chart_.Chart->setTitle(title_.toHtmlEscaped());
    Chart1->setAccessibleName(title_);
    const QString summary = QString::fromStdString(content.CurveSummary);
    SetCurveSummary(chart_, summary);
    Chart1->setAccessibleDescription(summary);

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
    ShowEarlierRuns();
    combined_->Refresh(state_);
}

void TForm3::ShowEarlierRuns()
{
    const QString latest = QString("Latest run: %1 ear, %2")
                               .arg(state_.Ear == 0 ? "left" : "right",
                                    state_.SweepDirection == 1 ? "downwards" : "upwards");
    ShowOverlaidRuns(chart_, OverlaidRunsOf(state_), latest);
}

void TForm3::Button1Click()
{
    if (QPrinterInfo::defaultPrinter().isNull()) {
        OfferPdfInstead();
        return;
    }
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const QString error = PrintChart(*Chart1, *printer_);
    if (!error.isEmpty())
        Report(error);
}

void TForm3::Button2Click()
{
    done(1);
}

void TForm3::Button3Click()
{
    QApplication::clipboard()->setPixmap(QPixmap::fromImage(ChartBitmap(*Chart1)));
}

void TForm3::Button4Click()
{
    auto mime = std::make_unique<QMimeData>();
    mime->setData("image/svg+xml", ChartSvg(*Chart1, title_));
    QApplication::clipboard()->setMimeData(mime.release());  // the clipboard owns it now
}

void TForm3::OfferPdfInstead()
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
    const QString error = WriteChartPdf(*Chart1, path);
    if (!error.isEmpty())
        Report(error);
}

void TForm3::SaveAsButtonClick()
{
    const QString path = ChooseSavePath();
    if (path.isEmpty())
        return;
    const QString error = SaveChart(*Chart1, path, title_);
    if (!error.isEmpty())
        Report(error);
}

QString TForm3::AskForSavePath()
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

QString TForm3::AskForPdfPath()
{
    QFileDialog dialog(this, "Save graph as PDF", QString(), "PDF files (*.pdf)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("pdf");
    dialog.selectFile("graph.pdf");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void TForm3::Report(const QString& message)
{
    QMessageBox::critical(this, QGuiApplication::applicationDisplayName(), message);
}
