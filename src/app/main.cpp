// Quorvex: psychophysical tuning curves with a swept masker.
#include "CalibrationStoreFolder.h"
#include "Clock.h"
#include "CommandLine.h"
#include "DataFolder.h"
#include "HelpFile.h"
#include "QtEventDispatcher.h"
#include "QuorvexApplication.h"
#include "SetupWindow.h"
#include "TerminationSignals.h"

#include <QDir>
#include <QTimer>

#include <cstdio>
#include <exception>

namespace {

// --help and --version answer without a display, so they come before the window system.
int PrintInformation(int argc, char** argv, QuorvexCommandLine::Action action)
{
    const QCoreApplication information(argc, argv);
    const QString text = action == QuorvexCommandLine::Action::Help
                             ? CommandLineHelp(HelpFilePath(), HelpFileCandidates())
                             : CommandLineVersion();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i) {
        rawArguments << QString::fromLocal8Bit(argv[i]);
    }
    const QuorvexCommandLine::Action early = ParseCommandLine(rawArguments).action;
    if (early == QuorvexCommandLine::Action::Help || early == QuorvexCommandLine::Action::Version) {
        return PrintInformation(argc, argv, early);
    }

    QuorvexApplication app(argc, argv);
    const QuorvexCommandLine commandLine = ParseCommandLine(QCoreApplication::arguments().mid(1));
    if (commandLine.action == QuorvexCommandLine::Action::UsageError) {
        std::fprintf(stderr, "quorvex: %s\nTry 'quorvex --help' for more information.\n",
                     commandLine.error.toLocal8Bit().constData());
        return 2;
    }
    if (!commandLine.calibrationStore.isEmpty()) {
        // Before the data folder is entered: a relative folder is taken from where quorvex started.
        MoveCalibrationStore(QDir(commandLine.calibrationStore).absolutePath().toStdString());
    }
    if (commandLine.dataFolder) {
        const QString failure = EnterDataFolder(DataFolderPath());
        if (!failure.isEmpty()) {
            std::fprintf(stderr, "quorvex: %s\n", failure.toLocal8Bit().constData());
            QuorvexApplication::ShowException(failure);
            return 1;
        }
    }
    try {
        SteadyClock clock;
        QtEventDispatcher dispatcher;
        SetupWindow form1(SetupWindowDevices{&clock, &dispatcher});
        int ended = 0;
        const TerminationSignals termination;
        QObject::connect(&termination, &TerminationSignals::Requested, &form1, [&form1, &ended](int number) {
            ended = number;
            form1.EndForSignal(number);
        });
        form1.show();
        QTimer::singleShot(0, &form1, [&form1] { form1.OfferUnfinishedSession(); });
        const int status = QuorvexApplication::exec();
        // A program ended by a signal says so in its status, as the shell reports it.
        return ended != 0 ? 128 + ended : status;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorvex: %s\n", error.what());
        QuorvexApplication::ShowException(QString::fromUtf8(error.what()));
    } catch (...) {
        QuorvexApplication::ShowException(QString());
    }
    return 1;  // what ended the program early is no success
}
