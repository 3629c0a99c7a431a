#include "core/platform/crtrandom.h"

namespace crtrandom {
namespace {
// One sequence for the whole process, as the runtime keeps it; the program
// has one thread, so no lock.
std::uint32_t g_state = 1;
} // namespace

void srand(std::uint32_t seed)
{
    g_state = seed;
}

int rand()
{
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & kRandMax);
}

} // namespace crtrandom
