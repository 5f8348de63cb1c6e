// The real serial link and command protocol over a pseudo-terminal: what the attenuator
// would receive, byte for byte.
#include "Kc35Attenuator.h"
#include "PseudoTerminal.h"
#include "RecordingSerialLink.h"
#include "SerialPortLink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <termios.h>

namespace {

// Counts the real link's openings so that a test can tell a refused level never opened it.
class CountingLink final : public SerialLink {
public:
    explicit CountingLink(SerialLink& inner) : inner_(inner) {}
    Result<> Open() override
    {
        ++opens;
        return inner_.Open();
    }
    Result<int> Write(const char* buffer, int count) override { return inner_.Write(buffer, count); }
    void Close() override { inner_.Close(); }
    bool Connected() const override { return inner_.Connected(); }
    int opens = 0;

private:
    SerialLink& inner_;
};

class ComPortOverPty : public testing::Test {
protected:
    PseudoTerminal pty;
    SerialPortLink port{pty.SlavePath()};
    CountingLink link{port};
    RecordingDispatcher events;
    Kc35Attenuator kc35{link, events};
};

struct Command {
    const char* name;
    std::function<Result<>(Kc35Attenuator&)> send;
    std::string bytes;
};

TEST_F(ComPortOverPty, EveryCommandArrivesExactlyAsSpecifiedAndThePortIsClosedAfterwards)
{
    const Command commands[] = {
        {"channel 1 level 100", [](Kc35Attenuator& k) { return k.SetAttenuatorLevel(1, 100); }, "I14"},
        {"channel 2 level 40", [](Kc35Attenuator& k) { return k.SetAttenuatorLevel(2, 40); }, "K50"},
        {"channel 1 level -10", [](Kc35Attenuator& k) { return k.SetAttenuatorLevel(1, -10); }, "I82"},
        {"channel 2 level -10", [](Kc35Attenuator& k) { return k.SetAttenuatorLevel(2, -10); }, "K82"},
        {"channel 1 level 120", [](Kc35Attenuator& k) { return k.SetAttenuatorLevel(1, 120); }, "I00"},
        {"channel 1 level -23", [](Kc35Attenuator& k) { return k.SetAttenuatorLevel(1, -23); }, "I8F"},
        {"40.9 dB SPL", [](Kc35Attenuator& k) { return k.SetAttenuatorLevel(2, TruncateLevel(40.9f).Value()); }, "K50"},
        {"-9.5 dB SPL", [](Kc35Attenuator& k) { return k.SetAttenuatorLevel(1, TruncateLevel(-9.5f).Value()); }, "I81"},
        {"set-up", [](Kc35Attenuator& k) { return k.SendKC35Setup(); }, "L02L40M80N02N80P0202"},
        {"left ear", [](Kc35Attenuator& k) { return k.SendEarRouting(EarSide::Left); }, "L01N01"},
        {"right ear", [](Kc35Attenuator& k) { return k.SendEarRouting(EarSide::Right); }, "L02N02"},
    };
    for (const Command& command : commands) {
        SCOPED_TRACE(command.name);
        const Result<> sent = command.send(kc35);
        ASSERT_TRUE(sent) << sent.Reason();
        EXPECT_EQ(pty.Read(command.bytes.size()), command.bytes);
        EXPECT_EQ(pty.ReadRest(), "");
        EXPECT_FALSE(port.Connected());
    }
}

TEST_F(ComPortOverPty, LevelsOutOfRangeSendNothingAndNeverOpenThePort)
{
    EXPECT_FALSE(kc35.SetAttenuatorLevel(1, 121));
    EXPECT_FALSE(kc35.SetAttenuatorLevel(2, -24));
    EXPECT_EQ(link.opens, 0);
    EXPECT_EQ(pty.ReadRest(), "");
}

TEST_F(ComPortOverPty, OpenAppliesTheLineSettings)
{
    ASSERT_TRUE(port.Open());
    termios settings{};
    ASSERT_EQ(tcgetattr(pty.SlaveFd(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600));
    EXPECT_TRUE(settings.c_cflag & CSTOPB) << "two stop bits";
    EXPECT_TRUE(settings.c_cflag & CRTSCTS) << "RTS/CTS handshake";
    // A pseudo-terminal always carries 8 bits without parity, whatever is asked of it.
    port.Close();
}

TEST_F(ComPortOverPty, OpeningAnOpenPortAndClosingAClosedPortDoNothing)
{
    port.Close();
    EXPECT_FALSE(port.Connected());
    ASSERT_TRUE(port.Open());
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.Connected());
    const char byte = 'I';
    EXPECT_EQ(port.Write(&byte, 1).Value(), 1);
    EXPECT_EQ(pty.Read(1), "I");
    port.Close();
    port.Close();
    EXPECT_FALSE(port.Connected());
    ASSERT_TRUE(port.Open());
    EXPECT_EQ(port.Write("K", 1).Value(), 1);
    EXPECT_EQ(pty.Read(1), "K");
}

TEST(ComPort, AMissingPortFailsToOpenWithTheSystemErrorAndStaysClosed)
{
    for (const std::string name : {"/dev/quorvex-no-such-port", "ttyQuorvexNoSuchPort", ""}) {
        SCOPED_TRACE(name);
        SerialPortLink port(name);
        std::string path;
        if (!name.empty()) {
            path = ' ';
            path += DevicePath(name);
        }
        const Result<> opened = port.Open();
        EXPECT_EQ(opened.Reason(), "Cannot open the serial port" + path + ": No such file or directory (error code: 2)");
        EXPECT_FALSE(port.Connected());
        const Result<int> written = port.Write("I", 1);
        EXPECT_EQ(written.Reason(), "Cannot write to the serial port" + path + ": Bad file descriptor (error code: 9)")
            << "nothing to write to";
    }
}

TEST(ComPort, PortNamesResolveUnderDevUnlessTheyArePaths)
{
    EXPECT_EQ(DefaultPortName(), "ttyS0");
    EXPECT_EQ(DevicePath("ttyS0"), "/dev/ttyS0");
    EXPECT_EQ(DevicePath("/dev/pts/3"), "/dev/pts/3");
}

TEST_F(ComPortOverPty, AWriteTheLineCannotTakeEndsAtTheWriteBoundWithNothingTransferred)
{
    // Nobody reads the master side, so the line fills up as a line held by CTS would.
    ASSERT_TRUE(port.Open());
    using Clock = std::chrono::steady_clock;
    Clock::duration lastWrite{};
    int transferred = 1;
    for (int i = 0; i < 1'000'000 && transferred == 1; ++i) {
        const auto start = Clock::now();
        transferred = port.Write("I", 1).Value();
        lastWrite = Clock::now() - start;
    }
    EXPECT_EQ(transferred, 0);
    EXPECT_GE(lastWrite, std::chrono::milliseconds(WriteTimeoutMs(port.Settings(), 1)))
        << "the link waits the whole write bound before giving up";
    EXPECT_TRUE(port.Connected()) << "a write that times out is no failure";
    port.Close();
}

TEST_F(ComPortOverPty, ChangedSettingsReachAnOpenPortAtOnce)
{
    ASSERT_TRUE(port.Open());
    ComPortSettings changed = port.Settings();
    changed.Baud = BaudRate::Baud19200;
    ASSERT_TRUE(port.SetSettings(changed));
    EXPECT_TRUE(port.Connected());
    termios settings{};
    ASSERT_EQ(tcgetattr(pty.SlaveFd(), &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B19200));
}

TEST_F(ComPortOverPty, ALineHungUpMidCommandFailsItWithTheSystemsReason)
{
    ASSERT_TRUE(kc35.SetAttenuatorLevel(1, 100));
    EXPECT_EQ(pty.Read(3), "I14");
    ASSERT_TRUE(port.Open());
    pty.HangUp();
    const Result<int> written = port.Write("K", 1);
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.Reason().starts_with("Cannot write to the serial port " + pty.SlavePath() + ": "))
        << written.Reason();
    port.Close();

    const Result<> next = kc35.SetAttenuatorLevel(2, 40);
    ASSERT_FALSE(next);
    EXPECT_TRUE(next.Reason().starts_with("Cannot ")) << next.Reason();
    EXPECT_NE(next.Reason().find(pty.SlavePath()), std::string::npos) << next.Reason();
}

}  // namespace
