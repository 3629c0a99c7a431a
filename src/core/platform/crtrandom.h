// The C runtime's classic linear congruential generator, kept bit for bit:
// upload file names and multipart boundaries are drawn from it, and the two
// must come from one shared sequence seeded once per Upload.
#pragma once

#include <cstdint>

namespace crtrandom {

inline constexpr int kRandMax = 0x7FFF;

void srand(std::uint32_t seed);
// 0 .. kRandMax
int rand();

} // namespace crtrandom
