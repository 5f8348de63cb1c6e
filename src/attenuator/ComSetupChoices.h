#pragma once

#include "ComPortSettings.h"

#include <string>
#include <vector>

// What the serial setup dialog shows and how its six lists map onto the port's settings.
// Kept apart from the dialog so that the rules can be checked without a window.

enum class FlowControlChoice { Hardware, Software, None, Custom };

// List contents, in list order; a list's index is the enum value of its setting.
const std::vector<std::string>& BaudRateTexts();
const std::vector<std::string>& DataBitsTexts();
const std::vector<std::string>& StopBitsTexts();
const std::vector<std::string>& ParityTexts();
const std::vector<std::string>& FlowControlTexts();

// "Hardware": RTS handshake, CTS flow, no XON/XOFF. "Software": RTS disabled, no CTS flow,
// XON/XOFF both ways. "None": all four off. Anything else reads as "Custom".
FlowControlChoice ReadFlowControl(const FlowControlSettings& flow);
// "Custom" changes nothing; DTR and DSR flow are never touched.
void ApplyFlowControl(FlowControlSettings& flow, FlowControlChoice choice);

// The "Port" list and the entry that starts selected. The current port is shown as it is even
// when the system does not list it (a device path such as /dev/pts/3, a port not plugged in),
// so that OK with unchanged lists keeps it; an empty port name selects nothing.
struct PortChoices {
    std::vector<std::string> Names;  // sorted without regard to case
    int Selected = -1;
};
PortChoices PortChoicesFor(std::vector<std::string> systemPorts, const std::string& currentPort);

// The names of the serial ports the system knows, sorted without regard to case.
std::vector<std::string> AvailablePortNames();
void SortPortNames(std::vector<std::string>& names);
