#pragma once

#include <QString>

class QWidget;

// Where the operator's manual is looked for: beside the executable.
QString HelpFilePath();

// Opens the operator's manual at its contents in a help window (modal). When the manual
// cannot be found the operator is told where it was looked for.
void ShowHelpWindow(QWidget* parent);
