#pragma once

#include <QString>

class QWidget;

// Opens the operator's manual at its contents in a help window (modal). When the manual
// cannot be found the operator is told where it was looked for.
void ShowHelpWindow(QWidget* parent);
