#include "SerialSetupDialog.h"

#include "ComSetupChoices.h"
#include "SerialPortLink.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The setting a list shows, or `current` when the list has no selection.
template <typename Setting>
Setting Chosen(const QComboBox* list, Setting current)
{
    return list->currentIndex() < 0 ? current : static_cast<Setting>(list->currentIndex());
}

// The tabled width of a list's caption.
constexpr int CaptionWidth = 70;

QPushButton* AddButton(QDialog* dialog, const char* caption, const char* objectName, int left)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), dialog);
    button->setObjectName(objectName);
    button->setAccessibleName(QString::fromUtf8(caption));
    button->setGeometry(left, 184, 75, 25);
    return button;
}

}  // namespace

SerialSetupDialog::SerialSetupDialog(SerialPortLink& port, QWidget* parent)
    : SerialSetupDialog(port, AvailablePortNames(), parent)
{
}

SerialSetupDialog::SerialSetupDialog(SerialPortLink& port, std::vector<std::string> portNames, QWidget* parent)
    : QDialog(parent), port_(port)
{
    setObjectName("ComSetupFrm");
    setWindowTitle("Quorvex — Serial port");

    auto* group = new QGroupBox(" Settings ", this);
    group->setObjectName("GroupBox1");
    group->setAccessibleName("Settings");

    const ComPortSettings& s = port.Settings();
    const PortChoices ports = PortChoicesFor(std::move(portNames), s.Port);
    portList_ = AddList(group, 0, "Port", "PortComboBox", ports.Names, ports.Selected);
    baudList_ = AddList(group, 1, "Baud rate", "BaudRateComboBox", BaudRateTexts(), static_cast<int>(s.Baud));
    dataBitsList_ = AddList(group, 2, "Data bits", "DataBitsComboBox", DataBitsTexts(), static_cast<int>(s.Data));
    stopBitsList_ = AddList(group, 3, "Stop bits", "StopBitsComboBox", StopBitsTexts(), static_cast<int>(s.Stop));
    parityList_ = AddList(group, 4, "Parity", "ParityComboBox", ParityTexts(), static_cast<int>(s.Parity));
    flowList_ = AddList(group, 5, "Flow control", "FlowControlComboBox", FlowControlTexts(),
                        static_cast<int>(ReadFlowControl(s.FlowControl)));

    // Captions wider than their tabled room move the lists right, and widen the group and the
    // window, by just as much.
    int widest = CaptionWidth;
    for (const QLabel* caption : group->findChildren<QLabel*>()) {
        widest = std::max(widest, caption->sizeHint().width());
    }
    const int shift = widest - CaptionWidth;
    for (QLabel* caption : group->findChildren<QLabel*>()) {
        caption->resize(widest, caption->height());
    }
    for (QComboBox* list : group->findChildren<QComboBox*>()) {
        list->move(list->x() + shift, list->y());
    }
    group->setGeometry(8, 8, 217 + shift, 169);
    setFixedSize(231 + shift, 216);

    QPushButton* ok = AddButton(this, "OK", "OkButton", 70);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &SerialSetupDialog::accept);
    QPushButton* cancel = AddButton(this, "Cancel", "CancelButton", 150);
    connect(cancel, &QPushButton::clicked, this, &SerialSetupDialog::reject);

    portList_->setFocus();
}

QComboBox* SerialSetupDialog::AddList(QWidget* group, int row, const char* label, const char* objectName,
                                 const std::vector<std::string>& items, int selected)
{
    const int top = 16 + 24 * row;
    auto* caption = new QLabel(QString::fromUtf8(label), group);
    caption->setObjectName(QString(objectName).replace("ComboBox", "Label"));
    caption->setGeometry(8, top + 3, CaptionWidth, 16);
    auto* list = new QComboBox(group);
    list->setObjectName(objectName);
    list->setAccessibleName(QString::fromUtf8(label));
    list->setGeometry(80, top, 129, 21);
    for (const std::string& item : items) {
        list->addItem(QString::fromStdString(item));
    }
    list->setCurrentIndex(selected);
    caption->setBuddy(list);
    return list;
}

void SerialSetupDialog::accept()
{
    ComPortSettings s = port_.Settings();
    if (portList_->currentIndex() >= 0) {
        s.Port = portList_->currentText().toStdString();
    }
    s.Baud = Chosen(baudList_, s.Baud);
    s.Data = Chosen(dataBitsList_, s.Data);
    s.Stop = Chosen(stopBitsList_, s.Stop);
    s.Parity = Chosen(parityList_, s.Parity);
    ApplyFlowControl(s.FlowControl, Chosen(flowList_, FlowControlChoice::Custom));
    // The settings are taken either way; a port that was open and cannot be reopened with them
    // is left closed, and the next command opens it again.
    if (const Result<> applied = port_.SetSettings(s); !applied) {
        QMessageBox::warning(this, QApplication::applicationDisplayName(), QString::fromStdString(applied.Reason()));
    }
    QDialog::accept();
}

bool ShowSerialSetupDialog(SerialPortLink& port, QWidget* parent)
{
    SerialSetupDialog dialog(port, parent);
    return dialog.exec() == QDialog::Accepted;
}
