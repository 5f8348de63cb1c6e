#pragma once

#include <QString>

// The folder a start from the desktop menu works in: Quorvex in the user's home folder.
QString DataFolderPath();

// Makes folder the working folder: creates it when missing and writes the example
// test-condition file into it as PTC.INI when it has none (an existing one is never
// touched). Returns an empty text on success, or what failed with the file name and the
// system's reason.
QString EnterDataFolder(const QString& folder);
