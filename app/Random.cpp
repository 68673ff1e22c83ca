// The 15-bit linear congruential generator.
#include "app/Random.h"

namespace {
uint32_t g_state = 1;  // unsigned, so the multiplication wraps modulo 2^32
}

int orv_rand()
{
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

void orv_srand(uint32_t seed) { g_state = seed; }
