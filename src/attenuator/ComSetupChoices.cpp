#include "ComSetupChoices.h"

#include "AsciiText.h"

#include <QSerialPortInfo>

#include <algorithm>

const std::vector<std::string>& BaudRateTexts()
{
    static const std::vector<std::string> texts{
        "Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
        "38400", "56000", "57600", "115200", "128000", "256000"};
    return texts;
}

const std::vector<std::string>& DataBitsTexts()
{
    static const std::vector<std::string> texts{"5", "6", "7", "8"};
    return texts;
}

const std::vector<std::string>& StopBitsTexts()
{
    static const std::vector<std::string> texts{"1", "1.5", "2"};
    return texts;
}

const std::vector<std::string>& ParityTexts()
{
    static const std::vector<std::string> texts{"None", "Odd", "Even", "Mark", "Space"};
    return texts;
}

const std::vector<std::string>& FlowControlTexts()
{
    static const std::vector<std::string> texts{"Hardware", "Software", "None", "Custom"};
    return texts;
}

FlowControlChoice ReadFlowControl(const FlowControlSettings& flow)
{
    const bool xonBoth = flow.XonXoffOut && flow.XonXoffIn;
    const bool xonNone = !flow.XonXoffOut && !flow.XonXoffIn;
    if (flow.ControlRTS == RtsControl::Handshake && flow.OutCTSFlow && xonNone) {
        return FlowControlChoice::Hardware;
    }
    if (flow.ControlRTS == RtsControl::Disable && !flow.OutCTSFlow) {
        if (xonBoth) {
            return FlowControlChoice::Software;
        }
        if (xonNone) {
            return FlowControlChoice::None;
        }
    }
    return FlowControlChoice::Custom;
}

void ApplyFlowControl(FlowControlSettings& flow, FlowControlChoice choice)
{
    switch (choice) {
    case FlowControlChoice::Hardware:
        flow.ControlRTS = RtsControl::Handshake;
        flow.OutCTSFlow = true;
        flow.XonXoffOut = flow.XonXoffIn = false;
        break;
    case FlowControlChoice::Software:
        flow.ControlRTS = RtsControl::Disable;
        flow.OutCTSFlow = false;
        flow.XonXoffOut = flow.XonXoffIn = true;
        break;
    case FlowControlChoice::None:
        flow.ControlRTS = RtsControl::Disable;
        flow.OutCTSFlow = false;
        flow.XonXoffOut = flow.XonXoffIn = false;
        break;
    case FlowControlChoice::Custom:
        break;
    }
}

void SortPortNames(std::vector<std::string>& names)
{
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return AsciiLower(a) < AsciiLower(b); });
}

std::vector<std::string> AvailablePortNames()
{
    std::vector<std::string> names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        names.push_back(info.portName().toStdString());
    }
    SortPortNames(names);
    return names;
}

PortChoices PortChoicesFor(std::vector<std::string> systemPorts, const std::string& currentPort)
{
    PortChoices choices{std::move(systemPorts)};
    if (currentPort.empty()) {
        return choices;
    }
    auto found = std::find(choices.Names.begin(), choices.Names.end(), currentPort);
    if (found == choices.Names.end()) {
        choices.Names.push_back(currentPort);
        SortPortNames(choices.Names);
        found = std::find(choices.Names.begin(), choices.Names.end(), currentPort);
    }
    choices.Selected = static_cast<int>(found - choices.Names.begin());
    return choices;
}
