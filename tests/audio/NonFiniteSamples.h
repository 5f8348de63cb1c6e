#pragma once

#include <limits>

// Samples no sound may carry; the tests feed them in to see that they are refused or kept out.
inline constexpr float Nan = std::numeric_limits<float>::quiet_NaN();
inline constexpr float Inf = std::numeric_limits<float>::infinity();
