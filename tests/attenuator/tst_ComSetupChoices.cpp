#include "ComSetupChoices.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct FlowCase {
    RtsControl rts;
    bool cts;
    bool xonOut;
    bool xonIn;
    FlowControlChoice reads;
};

TEST(ComSetupChoices, FlowControlReadsFromRtsCtsAndXonXoff)
{
    using enum RtsControl;
    using enum FlowControlChoice;
    const FlowCase cases[] = {
        {Handshake, true, false, false, Hardware},
        {Disable, false, true, true, Software},
        {Disable, false, false, false, None},
        {Handshake, false, false, false, Custom},
        {Handshake, true, true, false, Custom},
        {Disable, false, true, false, Custom},
        {Enable, false, false, false, Custom},
        {Toggle, false, true, true, Custom},
        {Disable, true, false, false, Custom},
    };
    for (const FlowCase& c : cases) {
        FlowControlSettings flow;
        flow.ControlRTS = c.rts;
        flow.OutCTSFlow = c.cts;
        flow.XonXoffOut = c.xonOut;
        flow.XonXoffIn = c.xonIn;
        EXPECT_EQ(ReadFlowControl(flow), c.reads) << static_cast<int>(c.rts) << c.cts << c.xonOut << c.xonIn;
    }
}

TEST(ComSetupChoices, EachFlowChoiceReadsBackAsItselfAndLeavesDtrAndDsrAlone)
{
    for (const FlowControlChoice choice : {FlowControlChoice::Hardware, FlowControlChoice::Software, FlowControlChoice::None}) {
        FlowControlSettings flow;
        flow.ControlDTR = DtrControl::Handshake;
        flow.OutDSRFlow = true;
        ApplyFlowControl(flow, choice);
        EXPECT_EQ(ReadFlowControl(flow), choice);
        EXPECT_EQ(flow.ControlDTR, DtrControl::Handshake);
        EXPECT_TRUE(flow.OutDSRFlow);
    }
    FlowControlSettings mixed;
    mixed.ControlRTS = RtsControl::Toggle;
    mixed.XonXoffIn = true;
    const FlowControlSettings before = mixed;
    ApplyFlowControl(mixed, FlowControlChoice::Custom);
    EXPECT_EQ(mixed, before);
}

TEST(ComSetupChoices, TheInitialSettingsAreTheKc35Line)
{
    const ComPortSettings s;
    EXPECT_EQ(BaudRateTexts()[static_cast<std::size_t>(s.Baud)], "9600");
    EXPECT_EQ(DataBitsTexts()[static_cast<std::size_t>(s.Data)], "7");
    EXPECT_EQ(StopBitsTexts()[static_cast<std::size_t>(s.Stop)], "2");
    EXPECT_EQ(ParityTexts()[static_cast<std::size_t>(s.Parity)], "Even");
    EXPECT_EQ(ReadFlowControl(s.FlowControl), FlowControlChoice::Hardware);
    EXPECT_EQ(s.FlowControl.ControlDTR, DtrControl::Disable);
    EXPECT_EQ(WriteTimeoutMs(s, 1), 1100);
    EXPECT_EQ(WriteTimeoutMs(s, std::numeric_limits<int>::max()), std::numeric_limits<int>::max()) << "no wrap-around";
}

TEST(ComSetupChoices, EveryBaudRateTextIsItsRate)
{
    for (std::size_t i = 1; i < BaudRateTexts().size(); ++i) {
        EXPECT_EQ(std::to_string(BaudRateValue(static_cast<BaudRate>(i), 0)), BaudRateTexts()[i]);
    }
    EXPECT_EQ(BaudRateValue(BaudRate::Custom, 9600), 9600);
}

TEST(ComSetupChoices, PortNamesSortWithoutRegardToCase)
{
    std::vector<std::string> names{"ttyUSB0", "COM3", "ttyS1", "com1", "TTYS0"};
    SortPortNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"com1", "COM3", "TTYS0", "ttyS1", "ttyUSB0"}));
}

}  // namespace
