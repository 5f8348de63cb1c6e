#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class SerialPortLink;

// "Setup": the serial port's six settings as drop-down lists. Nothing changes until OK, which
// applies all six at once; Cancel or closing the window leaves the port as it was.
class SerialSetupDialog : public QDialog {
    Q_OBJECT

public:
    // `portNames` is the "Port" list, sorted without regard to case.
    SerialSetupDialog(SerialPortLink& port, std::vector<std::string> portNames, QWidget* parent = nullptr);
    SerialSetupDialog(SerialPortLink& port, QWidget* parent = nullptr);

    void accept() override;

private:
    QComboBox* AddList(QWidget* group, int row, const char* label, const char* objectName,
                       const std::vector<std::string>& items, int selected);

    SerialPortLink& port_;
    QComboBox* portList_ = nullptr;
    QComboBox* baudList_ = nullptr;
    QComboBox* dataBitsList_ = nullptr;
    QComboBox* stopBitsList_ = nullptr;
    QComboBox* parityList_ = nullptr;
    QComboBox* flowList_ = nullptr;
};

// The modal setup dialog for `port`; applies the chosen settings on OK. Returns true on OK.
bool ShowSerialSetupDialog(SerialPortLink& port, QWidget* parent);
