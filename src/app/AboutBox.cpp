#include "AboutBox.h"

#include "Version.h"

#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent)
{
    Q_INIT_RESOURCE(quorvex);  // the icon lives in this static library
    setObjectName("Form5");
    setWindowTitle("Quorvex — About");

    auto* picture = new QLabel(this);
    picture->setObjectName("ProgramIcon");
    picture->setPixmap(QIcon(":/quorvex/quorvex.svg").pixmap(64, 64));
    picture->setAccessibleName("Quorvex icon");

    auto* name = new QLabel("<b>Quorvex</b>", this);
    name->setObjectName("ProductName");
    auto* version = new QLabel(QString("Version %1").arg(QuorvexVersion), this);
    version->setObjectName("Version");
    auto* notice = new QLabel("Written by the Quorvex developers for hearing laboratories.", this);
    notice->setObjectName("Copyright");

    auto* text = new QPlainTextEdit(this);
    text->setObjectName("Comments");
    text->setReadOnly(true);
    text->setAccessibleName("About Quorvex");
    text->setPlainText(
        "Quorvex measures psychophysical tuning curves with a swept-masker procedure. "
        "A listener holds the SPACE bar while a fixed tone is audible inside a narrow band of noise; "
        "the noise level follows the key and its centre frequency sweeps from one end of the range "
        "to the other. The listener's key changes become the tuning curve, which is written to a "
        "results file and drawn on a logarithmic frequency axis.\n\n"
        "Levels are set in software or by a KC35 programmable attenuator on a serial line.\n\n"
        "Quorvex reads PTC.INI from its working folder and writes the results files there. "
        "Started from the desktop menu it works in the folder Quorvex in your home folder "
        "(created on first start, with the example PTC.INI copied in when absent); started from a "
        "terminal it works in the current folder. This session works in " +
        QDir::toNativeSeparators(QDir::currentPath()) + ".\n\n"
        "Quorvex is built on Qt 6 (widgets, charts, printing, SVG and serial port), PortAudio for "
        "sound output, and the C++ standard library.");

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKButton");
    ok->setAccessibleName("OK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture, 0, Qt::AlignHCenter);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    layout->addWidget(version, 0, Qt::AlignHCenter);
    layout->addWidget(notice, 0, Qt::AlignHCenter);
    layout->addWidget(text);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    resize(380, 320);
}
