#pragma once

#include <QDialog>

// The About window: what the program is, who made it and what it stands on.
class AboutBox : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(QWidget* parent = nullptr);
};
