#pragma once
// Conversion of a computed value to an integer: nearest, ties to even (84.5 -> 84,
// 85.5 -> 86), under the default rounding mode. Never std::round, which rounds halves
// away from zero.

#include <cmath>
#include <cstdint>

inline std::int64_t Nearest(double x) { return std::llrint(x); }
inline std::int64_t Nearest(long double x) { return std::llrint(x); }
