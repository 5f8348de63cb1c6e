#include "ComSetupChoices.h"
#include "SerialPortLink.h"
#include "SerialSetupDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> installedPorts{"COM1", "ttyS0", "ttyS1", "ttyUSB0"};

QComboBox* List(QDialog& dialog, const char* name)
{
    auto* list = dialog.findChild<QComboBox*>(name);
    if (list == nullptr) {
        ADD_FAILURE() << "no list " << name;
    }
    return list;
}

QStringList Items(QComboBox* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->itemText(i);
    }
    return items;
}

void Choose(QDialog& dialog, const char* name, const char* text)
{
    QComboBox* list = List(dialog, name);
    const int index = list->findText(text);
    ASSERT_GE(index, 0) << name << " has no " << text;
    list->setCurrentIndex(index);
}

TEST(SerialSetupDialog, ShowsTheSixSettingsOfThePort)
{
    SerialPortLink port("ttyS0");
    SerialSetupDialog dialog(port, installedPorts);
    EXPECT_EQ(dialog.windowTitle(), "Quorvex — Serial port");
    // The tabled size, widened by as much as the widest caption needs beyond its 70 pixels.
    const int shift = std::max(0, dialog.findChild<QLabel*>("FlowControlLabel")->sizeHint().width() - 70);
    EXPECT_EQ(dialog.size(), QSize(231 + shift, 216));
    const std::pair<const char*, const char*> shown[] = {
        {"PortComboBox", "ttyS0"}, {"BaudRateComboBox", "9600"}, {"DataBitsComboBox", "7"},
        {"StopBitsComboBox", "2"}, {"ParityComboBox", "Even"}, {"FlowControlComboBox", "Hardware"}};
    for (const auto& [name, text] : shown) {
        EXPECT_EQ(List(dialog, name)->currentText(), text) << name;
    }
    EXPECT_EQ(Items(List(dialog, "BaudRateComboBox")),
              (QStringList{"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                           "38400", "56000", "57600", "115200", "128000", "256000"}));
    EXPECT_EQ(Items(List(dialog, "DataBitsComboBox")), (QStringList{"5", "6", "7", "8"}));
    EXPECT_EQ(Items(List(dialog, "StopBitsComboBox")), (QStringList{"1", "1.5", "2"}));
    EXPECT_EQ(Items(List(dialog, "ParityComboBox")), (QStringList{"None", "Odd", "Even", "Mark", "Space"}));
    EXPECT_EQ(Items(List(dialog, "FlowControlComboBox")), (QStringList{"Hardware", "Software", "None", "Custom"}));
    EXPECT_EQ(Items(List(dialog, "PortComboBox")), (QStringList{"COM1", "ttyS0", "ttyS1", "ttyUSB0"}));
}

TEST(SerialSetupDialog, EveryControlHasItsAccessibleNameAndTheListsTheirLabels)
{
    SerialPortLink port;
    SerialSetupDialog dialog(port, installedPorts);
    const std::pair<const char*, const char*> lists[] = {
        {"PortComboBox", "Port"}, {"BaudRateComboBox", "Baud rate"}, {"DataBitsComboBox", "Data bits"},
        {"StopBitsComboBox", "Stop bits"}, {"ParityComboBox", "Parity"}, {"FlowControlComboBox", "Flow control"}};
    for (const auto& [name, label] : lists) {
        QComboBox* list = List(dialog, name);
        EXPECT_EQ(list->accessibleName(), label);
        EXPECT_EQ(list->x(), 80 + dialog.width() - 231);
        EXPECT_EQ(list->width(), 129);
        bool labelled = false;
        for (const QLabel* caption : dialog.findChildren<QLabel*>()) {
            labelled = labelled || (caption->buddy() == list && caption->text() == label);
        }
        EXPECT_TRUE(labelled) << name;
    }
    auto* ok = dialog.findChild<QPushButton*>("OkButton");
    auto* cancel = dialog.findChild<QPushButton*>("CancelButton");
    ASSERT_TRUE(ok && cancel);
    EXPECT_EQ(ok->accessibleName(), "OK");
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->geometry(), QRect(70, 184, 75, 25));
    EXPECT_EQ(cancel->accessibleName(), "Cancel");
    EXPECT_EQ(cancel->geometry(), QRect(150, 184, 75, 25));
    auto* group = dialog.findChild<QGroupBox*>();
    ASSERT_TRUE(group);
    EXPECT_EQ(group->title(), " Settings ");
    EXPECT_EQ(group->accessibleName(), "Settings");
}

TEST(SerialSetupDialog, OkAppliesTheChosenValues)
{
    SerialPortLink port("ttyS0");
    SerialSetupDialog dialog(port, installedPorts);
    Choose(dialog, "PortComboBox", "ttyUSB0");
    Choose(dialog, "BaudRateComboBox", "19200");
    Choose(dialog, "DataBitsComboBox", "8");
    Choose(dialog, "StopBitsComboBox", "1.5");
    Choose(dialog, "ParityComboBox", "Mark");
    Choose(dialog, "FlowControlComboBox", "Software");
    dialog.accept();
    const ComPortSettings& s = port.Settings();
    EXPECT_EQ(s.Port, "ttyUSB0");
    EXPECT_EQ(s.Baud, BaudRate::Baud19200);
    EXPECT_EQ(s.Data, DataBits::Eight);
    EXPECT_EQ(s.Stop, StopBits::OneAndHalf);
    EXPECT_EQ(s.Parity, ParityBits::Mark);
    EXPECT_EQ(s.FlowControl.ControlRTS, RtsControl::Disable);
    EXPECT_FALSE(s.FlowControl.OutCTSFlow);
    EXPECT_TRUE(s.FlowControl.XonXoffIn && s.FlowControl.XonXoffOut);
    EXPECT_EQ(s.FlowControl.ControlDTR, DtrControl::Disable) << "DTR is never changed";
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(SerialSetupDialog, CustomBaudRateUsesTheCustomValue)
{
    SerialPortLink port("ttyS0");
    SerialSetupDialog dialog(port, installedPorts);
    Choose(dialog, "BaudRateComboBox", "Custom");
    dialog.accept();
    EXPECT_EQ(port.Settings().Baud, BaudRate::Custom);
    EXPECT_EQ(BaudRateValue(port.Settings().Baud, port.Settings().CustomBaudRate), 9600);
}

TEST(SerialSetupDialog, CancelOrOkWithoutChangesLeavesEverySetting)
{
    SerialPortLink port("ttyS1");
    const ComPortSettings before = port.Settings();
    {
        SerialSetupDialog dialog(port, installedPorts);
        Choose(dialog, "PortComboBox", "COM1");
        Choose(dialog, "ParityComboBox", "None");
        Choose(dialog, "FlowControlComboBox", "None");
        QTest::mouseClick(dialog.findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(port.Settings(), before);
    SerialSetupDialog unchanged(port, installedPorts);
    unchanged.accept();
    EXPECT_EQ(port.Settings(), before);
}

TEST(SerialSetupDialog, FlowControlThatIsNoneOfTheThreeShowsCustomAndOkKeepsIt)
{
    SerialPortLink port("ttyS0");
    ComPortSettings mixed = port.Settings();
    mixed.FlowControl.XonXoffOut = true;  // RTS/CTS plus XON/XOFF out
    ASSERT_TRUE(port.SetSettings(mixed));
    {
        SerialSetupDialog dialog(port, installedPorts);
        EXPECT_EQ(List(dialog, "FlowControlComboBox")->currentText(), "Custom");
        dialog.accept();
    }
    EXPECT_EQ(port.Settings(), mixed);

    ComPortSettings software = mixed;
    software.FlowControl.ControlRTS = RtsControl::Disable;
    software.FlowControl.OutCTSFlow = false;
    software.FlowControl.XonXoffIn = true;
    ASSERT_TRUE(port.SetSettings(software));
    SerialSetupDialog dialog(port, installedPorts);
    EXPECT_EQ(List(dialog, "FlowControlComboBox")->currentText(), "Software");
    Choose(dialog, "FlowControlComboBox", "None");
    dialog.accept();
    EXPECT_EQ(ReadFlowControl(port.Settings().FlowControl), FlowControlChoice::None);
}

TEST(SerialSetupDialog, APortTheSystemDoesNotListIsShownAsItIsAndOkKeepsIt)
{
    for (const char* path : {"/dev/ttyS0", "/dev/pts/3", "ttyACM7"}) {
        SerialPortLink port(path);
        ComPortSettings before = port.Settings();
        before.Baud = BaudRate::Baud19200;
        ASSERT_TRUE(port.SetSettings(before));
        SerialSetupDialog dialog(port, installedPorts);
        EXPECT_EQ(List(dialog, "PortComboBox")->currentText(), path);
        EXPECT_EQ(List(dialog, "BaudRateComboBox")->currentText(), "19200");
        dialog.accept();
        EXPECT_EQ(port.Port(), path);
        EXPECT_EQ(port.Settings(), before) << path;
    }
    SerialPortLink unnamed("");
    SerialSetupDialog dialog(unnamed, installedPorts);
    EXPECT_EQ(List(dialog, "PortComboBox")->currentIndex(), -1);
    EXPECT_EQ(Items(List(dialog, "PortComboBox")), (QStringList{"COM1", "ttyS0", "ttyS1", "ttyUSB0"}));
    Choose(dialog, "PortComboBox", "ttyS1");
    dialog.accept();
    EXPECT_EQ(unnamed.Port(), "ttyS1");
}

TEST(SerialSetupDialog, ShowSetupDialogIsModalAndReportsOk)
{
    SerialPortLink port("ttyS0");
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* parity = dialog->findChild<QComboBox*>("ParityComboBox");
        parity->setCurrentIndex(parity->findText("Odd"));
        dialog->findChild<QPushButton*>("OkButton")->click();
    });
    EXPECT_TRUE(ShowSerialSetupDialog(port, nullptr));
    EXPECT_EQ(port.Settings().Parity, ParityBits::Odd);
}

}  // namespace
