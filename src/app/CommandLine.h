#pragma once

#include <QString>
#include <QStringList>

// What the quorvex command line asks for. Qt's own options (-platform NAME, -style NAME…)
// are taken out by the application object before the start check, so only ours remain.
struct QuorvexCommandLine {
    enum class Action { Start, Help, Version, UsageError };
    Action action = Action::Start;
    bool dataFolder = false;  // work in the user's data folder instead of the current one
    QString calibrationStore; // --calibration-store DIR: the calibration store's folder; empty: the usual one
    QString error;            // for UsageError: what was wrong
};

// Reads the arguments after the program name. --help and --version win wherever they stand,
// so that they answer even on a command line the program would refuse.
QuorvexCommandLine ParseCommandLine(const QStringList& arguments);

// The texts printed for --help and --version. manualPath is where Help finds the operator's
// manual, or empty when it is nowhere; searched lists the places looked in.
QString CommandLineHelp(const QString& manualPath, const QStringList& searched);
QString CommandLineVersion();
