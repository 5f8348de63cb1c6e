#pragma once

#include <QString>

class QWidget;

// Opens the operator's manual at its contents in the help window beside `parent`, which stays
// usable. When the manual cannot be found the operator is told where it was looked for.
void ShowHelpWindow(QWidget* parent);

// Shows the manual at `path` at its contents in `parent`'s help window, which is not modal.
// The window is made once; opening it again brings it to the front.
void OpenHelpWindow(QWidget* parent, const QString& path);
