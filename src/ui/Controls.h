#pragma once

#include <QRect>
#include <QStringList>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QWidget;

// The controls the windows are built from, named and placed as the window tables give them,
// each with the accessible name that screen readers and UI automation use.

// A button whose accessible name is its caption. It never acts as a dialog's default button,
// so that RETURN or SPACE go where the focus is.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry);

// A captioned group of radio buttons in two columns; item i is button id i. The group is one
// tab stop, entered on its selected button.
struct RadioGroup {
    QGroupBox* Box = nullptr;
    QButtonGroup* Buttons = nullptr;
};
RadioGroup MakeRadioGroup(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                          const QStringList& items, int selected);
