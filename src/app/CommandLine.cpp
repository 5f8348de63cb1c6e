#include "CommandLine.h"

#include "Version.h"

QuorvexCommandLine ParseCommandLine(const QStringList& arguments)
{
    QuorvexCommandLine result;
    for (const QString& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            result.action = QuorvexCommandLine::Action::Help;
            return result;
        }
        if (argument == "--version") {
            result.action = QuorvexCommandLine::Action::Version;
            return result;
        }
        if (argument == "--data-folder") {
            result.dataFolder = true;
        } else if (result.error.isEmpty()) {
            result.error = argument.startsWith('-') ? "unrecognized option '" + argument + "'"
                                                    : "unexpected argument '" + argument + "'";
        }
    }
    if (!result.error.isEmpty()) {
        result.action = QuorvexCommandLine::Action::UsageError;
    }
    return result;
}

QString CommandLineHelp(const QString& manualPath, const QStringList& searched)
{
    QString text =
        "Usage: quorvex [--data-folder]\n"
        "Measure psychophysical tuning curves with a swept masker: the Quorvex window.\n"
        "\n"
        "Quorvex reads the test-condition file PTC.INI from its working folder and writes the\n"
        "results files, test.out and the WAV files there. Started from a terminal it works in\n"
        "the current folder: start it from a folder of your data, not from the source checkout.\n"
        "\n"
        "  --data-folder  work in ~/Quorvex, as the menu entry does; the folder is created on\n"
        "                 first start and the example PTC.INI is copied in when it has none\n"
        "  -h, --help     print this help and exit\n"
        "      --version  print the version and exit\n"
        "\n"
        "Qt's own options, such as -platform NAME, are accepted as well.\n"
        "\n";
    if (!manualPath.isEmpty()) {
        text += "Operator's manual (Help > Quorvex Help): " + manualPath + "\n";
    } else {
        text += "Operator's manual: not found; looked for in " + searched.join(", ") + "\n";
    }
    return text;
}

QString CommandLineVersion()
{
    return QString("quorvex (Quorvex) %1\n").arg(QuorvexVersion);
}
