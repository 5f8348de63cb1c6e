#include "Kc35Attenuator.h"

#include "Kc35Digits.h"

#include <algorithm>
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
[[noreturn]] void ThrowOutOfRange(Level level)
{
    std::ostringstream message;
    message << "Attenuator level " << level << " dB SPL is out of range: the KC35 can set "
            << Kc35Attenuator::LowestLevel << " to " << Kc35Attenuator::HighestLevel << " dB SPL";
    throw AttenuatorLevelError(message.str());
}

}  // namespace

Kc35Attenuator::Kc35Attenuator(SerialLink& link, EventDispatcher& events)
    : link_(link), events_(events)
{
}

std::string Kc35Attenuator::LevelCommand(int channel, int level)
{
    if (channel != 1 && channel != 2) {
        throw AttenuatorChannelError("Attenuator channel " + std::to_string(channel)
                                     + " does not exist: the KC35 has channels 1 and 2");
    }
    if (level < LowestLevel || level > HighestLevel) {
        ThrowOutOfRange(level);
    }
    const int attenuation = HighestLevel - level;
    std::string command(1, channel == 1 ? 'I' : 'K');
    command += Kc35HighDigits[static_cast<std::size_t>(attenuation / 16)];
    command += Kc35LowDigits[static_cast<std::size_t>(attenuation % 16)];
    return command;
}

int Kc35Attenuator::LevelCommandLeadMs() const
{
    const long long bits = static_cast<long long>(LevelCommandBytes) * BitsPerByte * 1000;
    const long long rate = std::max(link_.BitsPerSecond(), 1);
    return static_cast<int>((bits + rate - 1) / rate) + SettlingMs + SchedulingMs;
}

void Kc35Attenuator::SetAttenuatorLevel(int channel, int level)
{
    events_.ProcessEvents();
    SendGroup(LevelCommand(channel, level));
}

void Kc35Attenuator::SendKC35Setup()
{
    SendGroup("L02L40M80");
    SendGroup("N02N80P0202");
}

void Kc35Attenuator::SendEarRouting(EarSide ear)
{
    SendGroup(ear == EarSide::Left ? "L01N01" : "L02N02");
}

void Kc35Attenuator::SendGroup(std::string_view bytes)
{
    // A failing write propagates with the port still open; the next group's Open finds it
    // open and its Close closes it.
    link_.Open();
    for (const char byte : bytes) {
        link_.Write(&byte, 1);
    }
    link_.Close();
}

int TruncateLevel(float level)
{
    // 2^31 is exactly representable as a float; anything at or beyond it, or NaN, is no int.
    constexpr float limit = 2147483648.0f;
    if (!(level > -limit && level < limit)) {
        ThrowOutOfRange(level);
    }
    return static_cast<int>(std::trunc(level));
}
