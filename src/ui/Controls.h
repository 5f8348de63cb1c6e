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
// so that RETURN or SPACE go where the focus is. Where the caption needs more room than the
// tabled width gives in the button's font, the button grows to the right as far as it needs.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry);

// The width a button needs to show its whole caption: the text in the button's font and the
// style's padding (without the style's preferred minimum width).
int CaptionWidth(const QPushButton* button);

// A captioned group of radio buttons in two columns; item i is button id i. The group is one
// tab stop, entered on its selected button. Like a button, it grows to the right where its
// caption or items need more room than the tabled width.
struct RadioGroup {
    QGroupBox* Box = nullptr;
    QButtonGroup* Buttons = nullptr;
};
RadioGroup MakeRadioGroup(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                          const QStringList& items, int selected);
