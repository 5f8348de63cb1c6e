#include "Kc35Attenuator.h"

#include "Kc35Digits.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <sstream>

namespace {

constexpr int LevelCommandBytes = 3;
constexpr int BitsPerByte = 11;
constexpr int SettlingMs = 5;
// The run takes the listener's key, computes the level and writes the command on a thread the
// system may wake a little late: room for that, so that the command still has its line time and
// the settling before the onset on a busy machine.
constexpr int SchedulingMs = 10;

template <typename Level>
Failure OutOfRange(Level level)
{
    std::ostringstream message;
    message << "Attenuator level " << level << " dB SPL is out of range: the KC35 can set "
            << Kc35Attenuator::LowestLevel << " to " << Kc35Attenuator::HighestLevel << " dB SPL";
    return Failure{message.str()};
}

}  // namespace

Kc35Attenuator::Kc35Attenuator(SerialLink& link, EventDispatcher& events)
    : link_(link), events_(events)
{
}

Result<std::string> Kc35Attenuator::LevelCommand(int channel, int level)
{
    assert((channel == 1 || channel == 2) && "the KC35 has channels 1 and 2");
    if (level < LowestLevel || level > HighestLevel) {
        return OutOfRange(level);
    }
    const int attenuation = HighestLevel - level;
    const char command[] = {channel == 1 ? 'I' : 'K', Kc35HighDigits[static_cast<std::size_t>(attenuation / 16)],
                            Kc35LowDigits[static_cast<std::size_t>(attenuation % 16)]};
    return std::string(command, sizeof command);
}

int Kc35Attenuator::LevelCommandLeadMs() const
{
    const long long bits = static_cast<long long>(LevelCommandBytes) * BitsPerByte * 1000;
    const long long rate = std::max(link_.BitsPerSecond(), 1);
    return static_cast<int>((bits + rate - 1) / rate) + SettlingMs + SchedulingMs;
}

Result<> Kc35Attenuator::SetAttenuatorLevel(int channel, int level)
{
    events_.ProcessEvents();
    const Result<std::string> command = LevelCommand(channel, level);
    if (!command) {
        return Failure{command.Reason()};
    }
    return SendGroup(command.Value());
}

Result<> Kc35Attenuator::SendKC35Setup()
{
    if (const Result<> first = SendGroup("L02L40M80"); !first) {
        return first;
    }
    return SendGroup("N02N80P0202");
}

Result<> Kc35Attenuator::SendEarRouting(EarSide ear)
{
    return SendGroup(ear == EarSide::Left ? "L01N01" : "L02N02");
}

Result<> Kc35Attenuator::SendGroup(std::string_view bytes)
{
    if (const Result<> opened = link_.Open(); !opened) {
        return opened;
    }
    for (const char byte : bytes) {
        const Result<int> written = link_.Write(&byte, 1);
        if (!written) {
            return Failure{written.Reason()};
        }
        // The link drops a byte the line did not take in time, as a late one could land inside a
        // later command. The command is then lost, and the sound would go out at another level.
        if (written.Value() < 1) {
            return Failure{"The KC35 took no byte of the command " + std::string(bytes)
                           + " in time: the line was held. Is the attenuator switched on and connected?"};
        }
    }
    link_.Close();
    return {};
}

Result<int> TruncateLevel(float level)
{
    // 2^31 is exactly representable as a float; anything at or beyond it, or NaN, is no int.
    constexpr float limit = 2147483648.0f;
    if (!(level > -limit && level < limit)) {
        return OutOfRange(level);
    }
    return static_cast<int>(std::trunc(level));
}
