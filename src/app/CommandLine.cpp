#include "CommandLine.h"

#include "Version.h"

QuorvexCommandLine ParseCommandLine(const QStringList& arguments)
{
    QuorvexCommandLine result;
    const QString storeOption = "--calibration-store";
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
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
        } else if (argument == storeOption || argument.startsWith(storeOption + "=")) {
            const bool joined = argument != storeOption;
            if (!joined && i + 1 == arguments.size()) {
                if (result.error.isEmpty()) {
                    result.error = "option '" + storeOption + "' requires a folder";
                }
                continue;
            }
            result.calibrationStore = joined ? argument.mid(storeOption.size() + 1) : arguments[++i];
            if (result.calibrationStore.isEmpty() && result.error.isEmpty()) {
                result.error = "option '" + storeOption + "' requires a folder";
            }
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
        "Usage: quorvex [--data-folder] [--calibration-store DIR]\n"
        "Measure psychophysical tuning curves with a swept masker: the Quorvex window.\n"
        "\n"
        "Quorvex reads the test-condition file PTC.INI from its working folder and writes the\n"
        "results files, test.out and the WAV files there. Started from a terminal it works in\n"
        "the current folder: start it from a folder of your data, not from the source checkout.\n"
        "\n"
        "  --data-folder  work in ~/Quorvex, as the menu entry does; the folder is created on\n"
        "                 first start and the example PTC.INI is copied in when it has none\n"
        "  --calibration-store DIR\n"
        "                 keep the headphone calibration profiles in DIR (default:\n"
        "                 $QUORVEX_CALIBRATION_DIR, else $XDG_DATA_HOME/quorvex/calibration,\n"
        "                 ~/.local/share/quorvex/calibration without XDG_DATA_HOME)\n"
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
