// How quorvex starts: its command line and the data folder of a start from the menu.
#include "CommandLine.h"
#include "DataFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using Action = QuorvexCommandLine::Action;

TEST(StartUp, CommandLineFollowsGnuConventions)
{
    EXPECT_EQ(ParseCommandLine({}).action, Action::Start);
    EXPECT_FALSE(ParseCommandLine({}).dataFolder);
    EXPECT_TRUE(ParseCommandLine({"--data-folder"}).dataFolder);
    // --help and --version answer wherever they stand, even beside a wrong argument.
    EXPECT_EQ(ParseCommandLine({"--bogus", "-h"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"--data-folder", "--version", "--help"}).action, Action::Version);

    const QuorvexCommandLine wrong = ParseCommandLine({"--data-folder", "--datafolder", "x.ini"});
    EXPECT_EQ(wrong.action, Action::UsageError);
    EXPECT_EQ(wrong.error, "unrecognized option '--datafolder'");
    EXPECT_EQ(ParseCommandLine({"x.ini"}).error, "unexpected argument 'x.ini'");
    // The calibration store moved, for one start (tests, a lab's shared store).
    EXPECT_EQ(ParseCommandLine({"--calibration-store", "/lab/calibration"}).calibrationStore, "/lab/calibration");
    EXPECT_EQ(ParseCommandLine({"--calibration-store=/lab/c"}).calibrationStore, "/lab/c");
    EXPECT_EQ(ParseCommandLine({"--calibration-store"}).error, "option '--calibration-store' requires a folder");
    EXPECT_TRUE(ParseCommandLine({}).calibrationStore.isEmpty());

    EXPECT_TRUE(CommandLineVersion().startsWith("quorvex (Quorvex) 1."));
    EXPECT_TRUE(CommandLineHelp("/m/Quorvex.html", {}).endsWith("Quorvex Help): /m/Quorvex.html\n"));
    EXPECT_TRUE(CommandLineHelp("", {"/a", "/b"}).endsWith("not found; looked for in /a, /b\n"));
}

TEST(StartUp, DataFolderIsMadeWithTheExampleEnteredAndKeepsTheUsersFile)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString started = QDir::currentPath();
    const QString folder = home.filePath("deep/Quorvex");
    ASSERT_EQ(EnterDataFolder(folder), "");
    EXPECT_EQ(QDir::currentPath(), folder);
    QDir::setCurrent(started);
    QFile example(QString(QUORVEX_EXAMPLE_INI));
    QFile copied(folder + "/PTC.INI");
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    ASSERT_TRUE(copied.open(QIODevice::ReadWrite));  // the user may edit it
    EXPECT_EQ(copied.readAll(), example.readAll());

    copied.resize(0);
    copied.write("[Tests]\nN_Cond=3\n");
    copied.close();
    ASSERT_EQ(EnterDataFolder(folder), "");
    QDir::setCurrent(started);
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), "[Tests]\nN_Cond=3\n");
}

TEST(StartUp, DataFolderIsInTheHomeFolderAndItsFailureNamesPathAndReason)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QFile plainFile(home.filePath("Quorvex"));
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();
    EXPECT_EQ(EnterDataFolder(home.filePath("Quorvex")),
              "Cannot create the folder " + home.filePath("Quorvex") + ": Not a directory");

    EXPECT_EQ(DataFolderPath(), QDir::homePath() + "/Quorvex");
}
