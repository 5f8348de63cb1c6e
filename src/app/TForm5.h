#pragma once

#include <QDialog>

// The About window: what the program is, who made it and what it stands on.
class TForm5 : public QDialog {
    Q_OBJECT

public:
    explicit TForm5(QWidget* parent = nullptr);
};
