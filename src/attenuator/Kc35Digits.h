#pragma once

#include <string_view>

// A KC35 level command gives the attenuation in two characters: its sixteens as a digit 0–8
// and the rest as a hexadecimal digit 0–F, so 0 … 143 dB. The attenuator and the decoder of
// recorded commands share them.
inline constexpr std::string_view Kc35HighDigits = "012345678";
inline constexpr std::string_view Kc35LowDigits = "0123456789ABCDEF";
