// Hierarchical z-buffer: the rectangle occlusion test, a pyramid builder, and the SIMD bit-mask table.
#pragma once
#include <cstdint>
#include <vector>

inline constexpr int kHZMaxLevels = 16;
// Level 0 of at most 2^15 cells a side keeps the pyramid within kHZMaxLevels levels.
inline constexpr int32_t kHZMaxSize = 1 << (kHZMaxLevels - 1);

// A pyramid of depth maps. Level 0: one uint16_t per cell, z x 32768 (larger nearer, 0 = nothing
// drawn), the format of the z-only row. Level k >= 1: one uint32_t per 2 x 2 block of level k - 1,
// low half the largest depth of its area, high half NOT the smallest. The levels go up to one cell.
struct HZBuffer {
    float scaleX = 0.0f;  // level-0 cells per screen pixel
    float scaleY = 0.0f;
    int32_t size = 0;     // level-0 cells per side
    void* levels[kHZMaxLevels] = {};
    int32_t pitches[kHZMaxLevels] = {};  // cells from one row to the next
};

// True when some part of the screen rectangle (x0, y0)-(x1, y1) at depth (RastVertex z units, larger
// nearer) can be seen; false when every cell under it holds something nearer. A null, empty or
// malformed pyramid and non-finite input answer true; a rectangle wholly left of or above the
// image answers false; one right of or below it is clamped to the last column or row.
bool HZBuffer_IsVisibleC(const HZBuffer* hzb, float x0, float y0, float x1, float y1, float depth);
// The test of the hand-written vertex sets: the portable test, clamps included, with no control word
// of its own. Kind 8 asks it under the first name, kind 9 under the second.
bool HZBuffer_IsVisibleP6(const HZBuffer* hzb, float x0, float y0, float x1, float y1, float depth);
bool HZBuffer_IsVisibleP6b(const HZBuffer* hzb, float x0, float y0, float x1, float y1, float depth);
// The occlusion test for the processor in use.
bool HZBuffer_IsVisible(const HZBuffer* hzb, float x0, float y0, float x1, float y1, float depth);

// A pyramid with its own storage: draw level 0 (for instance with the z-only row), then Update.
class CHZPyramid {
public:
    // size x size level-0 cells, cleared; false (and nothing kept) outside 1..kHZMaxSize.
    bool Create(int32_t size, float scaleX = 1.0f, float scaleY = 1.0f);
    uint16_t* Level0() { return level0_.data(); }
    int32_t Level0Pitch() const { return hzb_.size; }
    int32_t LevelCount() const { return levelCount_; }
    // Rebuilds levels 1 and up from level 0.
    void Update();
    const HZBuffer& Buffer() const { return hzb_; }

private:
    HZBuffer hzb_;
    int32_t levelCount_ = 0;
    std::vector<uint16_t> level0_;
    std::vector<uint32_t> upper_;
};

// Byte k of row v is 1 when bit k of v is set: per-vertex bytes from an 8-bit comparison mask.
extern uint8_t MmxBitMaskTable[256][8];
// Fills MmxBitMaskTable. The floating-point environment is left untouched.
void Mmx_BuildBitMaskTable();
