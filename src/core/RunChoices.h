#pragma once

#include "Result.h"

#include <optional>
#include <string>
#include <string_view>

// The three choices that shape a run, and the one place that turns each into and out of the
// form its files keep: the test-condition file's number, the words of the session record,
// the results header, the session protocol and the command line.

// How levels are set: [Settings] Attenuator. The underlying value is the file's number, so a
// number other than 1 or 2 is kept as read (such a mode plays nothing).
enum class AttenuatorMode : int { Software = 1, Kc35 = 2 };

AttenuatorMode AttenuatorModeFromNumber(int number);
int AttenuatorNumber(AttenuatorMode mode);
// Only the software and KC35 modes have an output; every other number plays nothing.
bool AttenuatorModePlays(AttenuatorMode mode);
// "software", "KC35", or the number as read for a mode that plays nothing.
std::string AttenuatorName(AttenuatorMode mode);
// The mode AttenuatorName wrote; nothing for any other text.
std::optional<AttenuatorMode> AttenuatorFromName(std::string_view word);

// The ear the tone is played to.
enum class EarSide : int { Left = 0, Right = 1 };

// "left" or "right".
std::string EarName(EarSide ear);
// The ear of a word exactly as EarName writes it; nothing for any other text.
std::optional<EarSide> EarFromName(std::string_view word);
// The ear of a word as a person writes it in a file: "left" or "right" in any case. Any other
// word is refused with what an ear is.
Result<EarSide> ReadEar(std::string_view word);
// The stereo channel that carries the ear: 0 left, 1 right.
int EarChannel(EarSide ear);

// Which way the masker's centre frequency moves during a run.
enum class Sweep : int { Up = 0, Down = 1 };

// "up" or "down".
std::string DirectionName(Sweep direction);
// The direction of a word exactly as DirectionName writes it; nothing for any other text.
std::optional<Sweep> DirectionFromName(std::string_view word);
// The direction of a word as a person writes it in a file or on the command line: "up" or
// "down" in any case. Any other word is refused with what a direction is.
Result<Sweep> ReadDirection(std::string_view word);

// What a run measures: a tuning curve (the masker's level follows the key) or the threshold
// in quiet at ToneF (the tone alone, whose level follows the key).
enum class RunKind : int { Ptc = 0, Threshold = 1 };

// "ptc" or "threshold", the session record's run_type.
std::string RunKindName(RunKind kind);
// The kind of a word as RunKindName writes it; an empty word (a record begun before the
// column) is a tuning curve; nothing for any other text.
std::optional<RunKind> RunKindFromName(std::string_view word);
