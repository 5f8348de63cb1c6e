#pragma once

#include "SharedState.h"

#include <QDialog>

// The run window, where the listener measures a tuning curve.
class TForm2 : public QDialog {
    Q_OBJECT

public:
    TForm2(SharedState& state, QWidget* parent = nullptr);

private:
    SharedState& state_;
};
