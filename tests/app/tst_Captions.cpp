// Every caption shows whole: each window is rendered with the fonts this machine has (a Debian
// desktop's defaults) and each label's, button's and group's needed width is compared with
// the width it has. CTest runs it at 96 dpi and with 20 % larger fonts (115 dpi).
#include "Clock.h"
#include "QtEventDispatcher.h"
#include "RecordingSerialLink.h"
#include "RecordingSoundOutput.h"
#include "SerialPortLink.h"
#include "ListenerDetailsDialog.h"
#include "SerialSetupDialog.h"
#include "SetupWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

// The width a control needs to show its caption whole; 0 for controls without one.
int NeededWidth(QWidget* control)
{
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text().isEmpty() ? 0 : label->sizeHint().width();
    }
    if (auto* group = qobject_cast<QGroupBox*>(control)) {
        return group->minimumSizeHint().width();
    }
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        // The text and the style's own padding, without the style's preferred minimum width.
        const QStyle* style = button->style();
        return button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width()
               + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button)
               + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->sizeHint().width();
    }
    return 0;
}

// "Form1/Label9 needs 115 px, has 100" for every control of `window` whose caption is cut, and
// "Form1/Label4 overlaps Form1/ToneFreqEdit" for a captioned control that runs into a neighbour.
QStringList CutCaptions(QWidget* window)
{
    window->show();
    QApplication::processEvents();
    const auto name = [window](const QWidget* control) { return window->objectName() + "/" + control->objectName(); };
    QStringList cut;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (control->window() != window) {
            continue;  // a control of another window that this one owns
        }
        const int needed = NeededWidth(control);
        if (needed > control->width()) {
            cut << name(control) + " needs " + QString::number(needed) + " px, has " + QString::number(control->width());
        }
        if (needed == 0 || !control->isVisible()) {
            continue;
        }
        for (QWidget* other : control->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (other != control && other->isVisible() && other->geometry().intersects(control->geometry())) {
                cut << name(control) + " overlaps " + name(other);
            }
        }
    }
    window->hide();
    return cut;
}

// The text a control shows: a caption, an edit's contents, a group's title.
QString ShownText(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(control))
        return group->title();
    if (const auto* memo = qobject_cast<const QPlainTextEdit*>(control))
        return memo->toPlainText();
    return {};
}

// "Form1/MaxMaskerEdit shows MaxMaskerEdit" for every control of `window` (or the window's
// title) that shows an object name of that window: a form designer's leftover.
QStringList NamesShown(QWidget* window)
{
    QStringList names{window->objectName()};
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    for (const QWidget* control : controls) {
        if (!control->objectName().isEmpty())
            names << control->objectName();
    }
    QStringList shown;
    if (names.contains(window->windowTitle()))
        shown << window->objectName() + " is titled " + window->windowTitle();
    for (const QWidget* control : controls) {
        const QString text = ShownText(control).remove('&');
        if (!text.isEmpty() && names.contains(text))
            shown << window->objectName() + "/" + control->objectName() + " shows " + text;
    }
    return shown;
}

class Captions : public testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<SetupWindow>(SetupWindowDevices{&clock, &dispatcher, &link, &sound});
        form->ChooseParameterFile = [this]() -> std::optional<QString> { return ini; };
        form->ShowNotice = [](const QString&) {};
        const QString dpi = qEnvironmentVariable("QUORVEX_FONT_DPI", "96");
        ASSERT_EQ(QString::number(QApplication::primaryScreen()->logicalDotsPerInchY()), dpi);
    }

    // Loads a file whose values make the widest texts the windows show.
    void LoadWideValues()
    {
        ini = dir.filePath("wide.ini");
        std::ofstream(ini.toStdString()) << "[Settings]\nAttenuator=2\n[Tests]\nN_Cond=1\nCalibFactor=120\n"
                                            "[Cond1]\nToneSPL=-10.5\n";
        form->ParamButtonClick();
    }

    QTemporaryDir dir;
    QString ini;
    VirtualClock clock;
    QtEventDispatcher dispatcher;
    RecordingSerialLink link;
    RecordingSoundOutput sound;
    std::unique_ptr<SetupWindow> form;
};

}  // namespace

TEST_F(Captions, EveryWindowShowsItsCaptionsWhole)
{
    QStringList cut = CutCaptions(form.get());  // before a load: the edits show their captions
    LoadWideValues();
    cut << CutCaptions(form.get());
    for (const char* name : {"Form2", "Form3", "Form4", "Form5"}) {
        auto* window = form->findChild<QDialog*>(name);
        ASSERT_NE(window, nullptr) << name;
        cut << CutCaptions(window);
    }
    SerialPortLink port("ttyS0");
    SerialSetupDialog setup(port, {"ttyS0", "ttyUSB0"});
    cut << CutCaptions(&setup);
    ListenerDetailsDialog details(form->State());
    cut << CutCaptions(&details);
    EXPECT_TRUE(cut.isEmpty()) << cut.join("\n").toStdString();
}

TEST_F(Captions, NoWindowShowsAnObjectNameAsText)
{
    QStringList shown = NamesShown(form.get());  // before a load
    LoadWideValues();
    shown << NamesShown(form.get());
    for (const char* name : {"Form2", "Form3", "Form4", "Form5"}) {
        auto* window = form->findChild<QDialog*>(name);
        ASSERT_NE(window, nullptr) << name;
        window->show();
        QApplication::processEvents();
        shown << NamesShown(window);
        window->hide();
    }
    SerialPortLink port("ttyS0");
    SerialSetupDialog setup(port, {"ttyS0", "ttyUSB0"});
    shown << NamesShown(&setup);
    EXPECT_TRUE(shown.isEmpty()) << shown.join("\n").toStdString();
}
