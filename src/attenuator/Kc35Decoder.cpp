#include "Kc35Decoder.h"

#include "Kc35Digits.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace {

struct FixedCommand {
    std::string_view bytes;
    const char* description;
};

constexpr std::array<FixedCommand, 4> fixedCommands{{
    {"L02L40M80", "set-up group 1: L02L40M80"},
    {"N02N80P0202", "set-up group 2: N02N80P0202"},
    {"L01N01", "routing: left ear (L01N01)"},
    {"L02N02", "routing: right ear (L02N02)"},
}};

bool IsChannelLetter(char c)
{
    return c == 'I' || c == 'K';
}

}  // namespace

std::string DescribeByte(char byte)
{
    const auto code = static_cast<unsigned char>(byte);
    char text[16];
    if (code >= 0x20 && code < 0x7F) {
        std::snprintf(text, sizeof text, "0x%02X '%c'", code, byte);
    } else {
        std::snprintf(text, sizeof text, "0x%02X", code);
    }
    return text;
}

Kc35Decoder::Match Kc35Decoder::Classify(const std::string& bytes)
{
    if (!bytes.empty() && IsChannelLetter(bytes[0])) {
        if (bytes.size() >= 2 && Kc35HighDigits.find(bytes[1]) == std::string_view::npos) {
            return Match::None;
        }
        if (bytes.size() >= 3 && Kc35LowDigits.find(bytes[2]) == std::string_view::npos) {
            return Match::None;
        }
        return bytes.size() == 3 ? Match::Complete : Match::Prefix;
    }
    for (const FixedCommand& command : fixedCommands) {
        if (command.bytes == bytes) {
            return Match::Complete;
        }
        if (command.bytes.starts_with(bytes)) {
            return Match::Prefix;
        }
    }
    return Match::None;
}

std::string Kc35Decoder::Describe(const std::string& command)
{
    if (IsChannelLetter(command[0])) {
        const auto high = static_cast<int>(Kc35HighDigits.find(command[1]));
        const auto low = static_cast<int>(Kc35LowDigits.find(command[2]));
        const int attenuation = high * 16 + low;
        return "channel " + std::string(command[0] == 'I' ? "1 (I)" : "2 (K)") + ": attenuation "
               + std::to_string(attenuation) + " dB = level " + std::to_string(120 - attenuation)
               + " dB SPL";
    }
    for (const FixedCommand& fixed : fixedCommands) {
        if (fixed.bytes == command) {
            return fixed.description;
        }
    }
    return "unknown command " + command;
}

std::vector<std::string> Kc35Decoder::Feed(char byte)
{
    std::vector<std::string> lines;
    pending_ += byte;
    Resolve(lines);
    return lines;
}

void Kc35Decoder::Resolve(std::vector<std::string>& lines)
{
    // Drop leading bytes until what is left is a command or the start of one.
    while (!pending_.empty()) {
        switch (Classify(pending_)) {
        case Match::Complete:
            lines.push_back(Describe(pending_));
            pending_.clear();
            return;
        case Match::Prefix:
            return;
        case Match::None:
            lines.push_back("unrecognised byte " + DescribeByte(pending_[0]));
            pending_.erase(0, 1);
            break;
        }
    }
}

std::vector<std::string> Kc35Decoder::Flush()
{
    std::vector<std::string> lines;
    if (!pending_.empty()) {
        std::string bytes;
        for (const char byte : pending_) {
            if (!bytes.empty()) {
                bytes += ' ';
            }
            bytes += DescribeByte(byte);
        }
        lines.push_back("incomplete command: " + bytes);
        pending_.clear();
    }
    return lines;
}
