// The puzzles' saved words: one block of the save game, checked before a load changes anything.
#pragma once
#include <cstdint>
#include <vector>

extern const char* const PZ_SAVE_BLOCK_NAME;  // "PUZZLES"
constexpr int32_t PZ_SAVE_SIZE = 106;

// Registers the block with the save game (after the world's own blocks).
void pz_save_register();
// Starting values: empty boards not entered, no puzzle, spider stage 3, ring at rest on frame 0,
// skulls "0199999", every ogham position carved in shape 2, the cross not laid.
void pz_save_reset();
void pz_save_write(std::vector<uint8_t>& out);
// False with a warning when a word is out of its range.
bool pz_save_check(const uint8_t* data, uint32_t size);
void pz_save_read(const uint8_t* data, uint32_t size);
