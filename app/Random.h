// The 15-bit pseudo-random generator of the game (the classic runtime's rand).
#pragma once
#include <cstdint>

constexpr int ORV_RAND_MAX = 0x7FFF;

// Next value, 0..ORV_RAND_MAX: state = state * 214013 + 2531011, result (state >> 16) & 0x7FFF.
int orv_rand();
// Restarts the sequence; the initial seed is 1.
void orv_srand(uint32_t seed);
