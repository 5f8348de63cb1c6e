// The set-up window's attenuator handling: the set-up sequence on loading, the two serial
// buttons, and the ear routing.
#include "Clock.h"
#include "PseudoTerminal.h"
#include "QtEventDispatcher.h"
#include "RecordingSerialLink.h"
#include "RecordingSoundOutput.h"
#include "ScratchFolder.h"
#include "SetupWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QSignalBlocker>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

const char* const Kc35File = "[Settings]\nAttenuator=2\n[Tests]\nN_Cond=1\n";
const char* const SoftwareFile = "[Settings]\nAttenuator=1\n[Tests]\nN_Cond=1\n";

class SetUpWindowAttenuator : public testing::Test {
protected:
    void SetUp() override { Create(&link); }

    void Create(SerialLink* serialLink)
    {
        form = std::make_unique<SetupWindow>(SetupWindowDevices{&clock, &dispatcher, serialLink, &sound});
        form->ChooseParameterFile = [this]() -> std::optional<QString> { return chosenFile; };
        form->ShowMessage = [this](const QString& message) { messages << message; };
    }

    void Load(const std::string& contents)
    {
        std::ofstream(path, std::ios::binary) << contents;
        chosenFile = QString::fromStdString(path.string());
        form->ParamButtonClick();
    }

    bool Enabled(const char* name)
    {
        auto* button = form->findChild<QPushButton*>(name);
        EXPECT_NE(button, nullptr) << name;
        return button != nullptr && button->isEnabled();
    }

    void ChooseEar(EarSide ear)
    {
        auto* item = form->findChild<QRadioButton*>(ear == EarSide::Left ? "RadioGroup1Item0" : "RadioGroup1Item1");
        ASSERT_NE(item, nullptr);
        item->click();
    }

    const ScratchFolder scratch;
    const std::filesystem::path path = scratch.Path("PTC.INI");
    RecordingSerialLink link;
    RecordingSoundOutput sound;
    VirtualClock clock;
    QtEventDispatcher dispatcher;
    std::unique_ptr<SetupWindow> form;
    std::optional<QString> chosenFile;
    QStringList messages;  // what the operator was shown
};

TEST_F(SetUpWindowAttenuator, LoadingAKc35FileSendsTheSetUpAndEnablesTheSerialButtons)
{
    Load(Kc35File);
    EXPECT_EQ(link.Transcript(), "[L02L40M80][N02N80P0202]");
    EXPECT_TRUE(Enabled("SerialPort"));
    EXPECT_TRUE(Enabled("InitKC35"));

    link.Clear();
    Load(SoftwareFile);
    EXPECT_EQ(link.Transcript(), "");
    EXPECT_EQ(link.OpenCalls(), 0);
    EXPECT_FALSE(Enabled("SerialPort"));
    EXPECT_FALSE(Enabled("InitKC35"));
}

TEST_F(SetUpWindowAttenuator, TheEarRoutingIsSentOnlyInKc35Mode)
{
    ChooseEar(EarSide::Left);
    EXPECT_EQ(form->State().Ear, EarSide::Left);
    EXPECT_EQ(link.OpenCalls(), 0) << "nothing is sent before a KC35 file is loaded";

    Load(Kc35File);
    link.Clear();
    ChooseEar(EarSide::Right);
    ChooseEar(EarSide::Left);
    ChooseEar(EarSide::Right);
    EXPECT_EQ(link.Transcript(), "[L02N02][L01N01][L02N02]");
    EXPECT_EQ(form->State().Ear, EarSide::Right);

    Load(SoftwareFile);
    link.Clear();
    ChooseEar(EarSide::Left);
    EXPECT_EQ(form->State().Ear, EarSide::Left);
    EXPECT_EQ(link.OpenCalls(), 0);
}

TEST_F(SetUpWindowAttenuator, InitialiseKc35SendsTheSetUpAgain)
{
    Load(Kc35File);
    link.Clear();
    form->findChild<QPushButton*>("InitKC35")->click();
    EXPECT_EQ(link.Transcript(), "[L02L40M80][N02N80P0202]");
}

TEST_F(SetUpWindowAttenuator, ASerialErrorWhileLoadingIsShownAndTheSerialButtonsStayAtHand)
{
    link.FailOpen(true);
    Load(Kc35File);
    EXPECT_EQ(messages, QStringList{"Cannot open the serial port: No such file or directory (error code: 2)"});
    EXPECT_TRUE(Enabled("SerialPort")) << "the operator chooses another port";
    EXPECT_TRUE(Enabled("InitKC35")) << "and sends the set-up again";
    EXPECT_EQ(form->State().Settings.Attenuator, AttenuatorMode::Kc35) << "the file itself was loaded";

    link.FailOpen(false);
    messages.clear();
    form->findChild<QPushButton*>("InitKC35")->click();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(link.Transcript(), "[L02L40M80][N02N80P0202]");

    link.FailOnWrite(3);
    Load(Kc35File);
    EXPECT_EQ(messages, QStringList{"Cannot write to the serial port: Input/output error (error code: 5)"});
    EXPECT_TRUE(link.Connected()) << "a failed write leaves the port open";
}

TEST_F(SetUpWindowAttenuator, AnAttenuatorUnpluggedFromItsLineIsShownToTheOperator)
{
    PseudoTerminal pty;
    Create(nullptr);
    Load("[Settings]\nAttenuator=2\nSerialPort=" + pty.SlavePath() + "\n[Tests]\nN_Cond=1\n");
    EXPECT_EQ(pty.Read(20), "L02L40M80N02N80P0202");
    ASSERT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    pty.HangUp();
    form->findChild<QPushButton*>("InitKC35")->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Cannot ")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(QString::fromStdString(pty.SlavePath()))) << messages[0].toStdString();
}

TEST_F(SetUpWindowAttenuator, AnEarRoutingErrorIsShownAfterTheEarHasChanged)
{
    Load(Kc35File);
    link.FailOpen(true);
    form->State().Ear = EarSide::Right;
    {
        // Select without the group's signal, then run the handler as the click would.
        auto* group = form->findChild<QGroupBox*>("RadioGroup1")->findChild<QButtonGroup*>();
        const QSignalBlocker quiet(group);
        form->findChild<QRadioButton*>("RadioGroup1Item0")->setChecked(true);
    }
    form->EarGroupClick();
    EXPECT_EQ(messages, QStringList{"Cannot open the serial port: No such file or directory (error code: 2)"});
    EXPECT_EQ(form->State().Ear, EarSide::Left);
}

TEST_F(SetUpWindowAttenuator, TheWindowsOwnPortGoesToThePortTheFileNames)
{
    PseudoTerminal pty;
    Create(nullptr);
    Load("[Settings]\nAttenuator=2\nSerialPort=" + pty.SlavePath() + "\n[Tests]\nN_Cond=1\n");
    EXPECT_EQ(pty.Read(20), "L02L40M80N02N80P0202");
    form->findChild<QRadioButton*>("RadioGroup1Item0")->click();
    EXPECT_EQ(pty.Read(6), "L01N01");
}

TEST_F(SetUpWindowAttenuator, SerialPortShowsTheSetupDialogOfTheWindowsPort)
{
    Create(nullptr);
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->windowTitle() == "Quorvex — Serial port";
        dialog->reject();
    });
    form->SerialPortClick();
    EXPECT_TRUE(shown);
}

}  // namespace
