#pragma once

#include <QDialog>

class QLabel;

// The calibration window: plays the reference tone on a chosen channel at the stated level.
class TForm4 : public QDialog {
    Q_OBJECT

public:
    explicit TForm4(QWidget* parent = nullptr);

    // The stated level, kept up to date by the set-up window ("100 dB SPL").
    void SetLevelText(const QString& text);

private:
    QLabel* Label1 = nullptr;
};
