#pragma once

#include "EventDispatcher.h"
#include "Result.h"
#include "RunChoices.h"
#include "SerialLink.h"

#include <string>
#include <string_view>

// The KC35 programmable attenuator's commands. A level L dB SPL is an attenuation of
// A = 120 - L dB, sent as the channel letter and two digits (A / 16 in "012345678", A % 16 in
// "0123456789ABCDEF"), so L runs from -23 to 120. Each command goes out between one opening
// and one closing of the link, one byte per write, and nothing is read back. A command fails
// with the serial link's reason; a failed write leaves the link open, and the next command's
// opening finds it open and its closing closes it. The channel is 1 ("I") or 2 ("K"): any
// other is a caller's mistake, asserted.
class Kc35Attenuator {
public:
    static constexpr int HighestLevel = 120;  // dB SPL, attenuation 0
    static constexpr int LowestLevel = -23;   // dB SPL, attenuation 143 ("8F")

    Kc35Attenuator(SerialLink& link, EventDispatcher& events);

    // Lets pending events run first (the run's key handlers rely on it), then refuses a level
    // out of range before the port is opened.
    Result<> SetAttenuatorLevel(int channel, int level);
    // The two set-up groups "L02L40M80" and "N02N80P0202"; the second is not sent when the
    // first fails.
    Result<> SendKC35Setup();
    // "L01N01" for the left ear, "L02N02" for the right.
    Result<> SendEarRouting(EarSide ear);

    // How long before a stimulus's onset, as the listener hears it, its level command has to
    // start: the command's time on the line (3 bytes of 11 bits at the link's speed, rounded up
    // to whole milliseconds), the attenuator's settling and room for a late wake-up of the run.
    int LevelCommandLeadMs() const;

    // The bytes of a level command, e.g. (1, 100) gives "I14"; a level out of range is refused.
    static Result<std::string> LevelCommand(int channel, int level);

private:
    Result<> SendGroup(std::string_view bytes);

    SerialLink& link_;
    EventDispatcher& events_;
};

// A level held as a float in whole dB SPL, truncated toward zero (40.9 gives 40, -9.5 gives
// -9). A value no int holds (or not a number) is refused as out of range.
Result<int> TruncateLevel(float level);
