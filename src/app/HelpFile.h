#pragma once

#include <QString>
#include <QStringList>

// Where the operator's manual is looked for, in this order: beside the executable (a build
// tree) and in the documentation folder of an installed program.
QStringList HelpFileCandidates();

// The first of those that exists, or an empty text when the manual is nowhere.
QString HelpFilePath();
