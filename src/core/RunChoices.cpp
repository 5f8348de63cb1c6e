#include "RunChoices.h"

#include "AsciiText.h"

#include <charconv>

namespace {

std::string Quoted(std::string_view word)
{
    std::string quoted(1, '\'');
    quoted.append(word);
    quoted.push_back('\'');
    return quoted;
}

}  // namespace

AttenuatorMode AttenuatorModeFromNumber(int number)
{
    return static_cast<AttenuatorMode>(number);
}

int AttenuatorNumber(AttenuatorMode mode)
{
    return static_cast<int>(mode);
}

bool AttenuatorModePlays(AttenuatorMode mode)
{
    return mode == AttenuatorMode::Software || mode == AttenuatorMode::Kc35;
}

std::string AttenuatorName(AttenuatorMode mode)
{
    switch (mode) {
    case AttenuatorMode::Software:
        return "software";
    case AttenuatorMode::Kc35:
        return "KC35";
    }
    return std::to_string(AttenuatorNumber(mode));
}

std::optional<AttenuatorMode> AttenuatorFromName(std::string_view word)
{
    for (const AttenuatorMode mode : {AttenuatorMode::Software, AttenuatorMode::Kc35}) {
        if (word == AttenuatorName(mode)) {
            return mode;
        }
    }
    int number = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
    if (error != std::errc() || end != word.data() + word.size() || word.empty()) {
        return std::nullopt;
    }
    return AttenuatorModeFromNumber(number);
}

std::string EarName(EarSide ear)
{
    return ear == EarSide::Left ? "left" : "right";
}

std::optional<EarSide> EarFromName(std::string_view word)
{
    if (word == "left") {
        return EarSide::Left;
    }
    return word == "right" ? std::optional<EarSide>(EarSide::Right) : std::nullopt;
}

Result<EarSide> ReadEar(std::string_view word)
{
    if (const std::optional<EarSide> ear = EarFromName(AsciiLower(word))) {
        return *ear;
    }
    return Failure{Quoted(word) + " is not an ear; an ear is left or right"};
}

int EarChannel(EarSide ear)
{
    return ear == EarSide::Left ? 0 : 1;
}

std::string DirectionName(Sweep direction)
{
    return direction == Sweep::Up ? "up" : "down";
}

std::optional<Sweep> DirectionFromName(std::string_view word)
{
    if (word == "up") {
        return Sweep::Up;
    }
    return word == "down" ? std::optional<Sweep>(Sweep::Down) : std::nullopt;
}

Result<Sweep> ReadDirection(std::string_view word)
{
    if (const std::optional<Sweep> direction = DirectionFromName(AsciiLower(word))) {
        return *direction;
    }
    return Failure{Quoted(word) + " is not a sweep direction; a direction is up or down"};
}

std::string RunKindName(RunKind kind)
{
    return kind == RunKind::Threshold ? "threshold" : "ptc";
}

std::optional<RunKind> RunKindFromName(std::string_view word)
{
    if (word.empty() || word == "ptc") {
        return RunKind::Ptc;
    }
    if (word == "threshold") {
        return RunKind::Threshold;
    }
    return std::nullopt;
}
