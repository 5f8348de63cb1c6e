#include "SimulatedKc35Line.h"

#include <cstdio>

int SimulatedKc35Line::Write(const char* buffer, int count)
{
    for (int i = 0; i < count; ++i) {
        if (!connected_) {
            problems_.push_back("byte " + DescribeByte(buffer[i]) + " written while the port was closed");
        }
        for (const std::string& line : decoder_.Feed(buffer[i])) {
            Apply(line);
        }
    }
    return count;
}

void SimulatedKc35Line::Close()
{
    // Every command goes out between one opening and one closing of the port.
    for (const std::string& line : decoder_.Flush()) {
        Apply(line);
    }
    connected_ = false;
}

std::optional<int> SimulatedKc35Line::Level(int channel) const
{
    if (channel < 1 || channel > 2) {
        return std::nullopt;
    }
    return levels_[channel - 1];
}

void SimulatedKc35Line::Apply(const std::string& line)
{
    int channel = 0;
    char letter = 0;
    int attenuation = 0;
    int level = 0;
    if (std::sscanf(line.c_str(), "channel %d (%c): attenuation %d dB = level %d dB SPL", &channel, &letter,
                    &attenuation, &level)
            == 4
        && (channel == 1 || channel == 2)) {
        levels_[channel - 1] = level;
    } else if (line.starts_with("routing: left ear")) {
        ear_ = EarSide::Left;
    } else if (line.starts_with("routing: right ear") || line.starts_with("set-up group")) {
        ear_ = EarSide::Right;
    } else {
        problems_.push_back(line);
    }
}
