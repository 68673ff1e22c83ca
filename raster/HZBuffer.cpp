// Hierarchical z-buffer: the portable occlusion test, the pyramid builder and the bit-mask table.
#include "raster/HZBuffer.h"
#include <algorithm>
#include <cmath>
#include "app/Cpu.h"
#include "raster/portable/RastConvert.h"

uint8_t MmxBitMaskTable[256][8];

namespace {

struct CellRect {
    int32_t x0, y0, x1, y1;
};

// Level-0 sample as an upper-level cell: largest depth low, NOT the smallest high.
constexpr uint32_t AsCell(uint16_t z) { return (uint32_t(uint16_t(~z)) << 16) | z; }

// Unsigned maximum of each 16-bit half.
constexpr uint32_t MaxHalves(uint32_t a, uint32_t b)
{
    return std::max(a & 0xFFFF0000u, b & 0xFFFF0000u) | std::max(a & 0xFFFFu, b & 0xFFFFu);
}

// Levels a pyramid over size cells needs to end in one cell.
int32_t LevelsFor(int32_t size)
{
    int32_t n = 1;
    for (int32_t s = size; s > 1; s = (s + 1) / 2)
        ++n;
    return n;
}

}  // namespace

bool HZBuffer_IsVisibleC(const HZBuffer* hzb, float x0, float y0, float x1, float y1, float depth)
{
    if (!hzb || hzb->size < 1 || hzb->size > kHZMaxSize)
        return true;
    const float fx0 = x0 * hzb->scaleX, fy0 = y0 * hzb->scaleY;
    const float fx1 = x1 * hzb->scaleX, fy1 = y1 * hzb->scaleY;
    if (!std::isfinite(fx0) || !std::isfinite(fy0) || !std::isfinite(fx1) || !std::isfinite(fy1) ||
        !std::isfinite(depth))
        return true;

    // Depths saturate at the 16-bit range rather than wrapping round to "far".
    const uint32_t d = uint32_t(std::clamp(RastTruncSat(double(depth) * 32768.0), 0, 0xFFFF));
    const uint32_t notD = 0xFFFF - d;

    const int32_t last = hzb->size - 1;
    CellRect r[kHZMaxLevels];
    r[0].x0 = std::clamp(RastTruncSat(fx0), 0, last);
    r[0].y0 = std::clamp(RastTruncSat(fy0), 0, last);
    r[0].x1 = std::min(RastTruncSat(fx1), last);
    r[0].y1 = std::min(RastTruncSat(fy1), last);
    if (r[0].x1 < r[0].x0 || r[0].y1 < r[0].y0)
        return false;  // nothing of it lies on the image

    // Climb until the rectangle is one cell; clamped coordinates reach it within the pyramid.
    int level = 0;
    while (r[level].x0 != r[level].x1 || r[level].y0 != r[level].y1) {
        if (level + 1 >= kHZMaxLevels)
            return true;
        const CellRect& c = r[level];
        r[++level] = CellRect{c.x0 >> 1, c.y0 >> 1, c.x1 >> 1, c.y1 >> 1};
    }
    for (int k = 0; k <= level; ++k)
        if (!hzb->levels[k])
            return true;

    // Descent: a level's first cell that is not wholly nearer decides, or sends the test a level down.
    bool passedUndecided = false;
    for (int k = level; k >= 1; --k) {
        const auto* cells = static_cast<const uint32_t*>(hzb->levels[k]);
        const int64_t pitch = hzb->pitches[k];
        const CellRect& c = r[k];
        const uint32_t* undecided = nullptr;
        for (int32_t y = c.y0; y <= c.y1 && !undecided; ++y) {
            const uint32_t* row = cells + y * pitch;
            for (int32_t x = c.x0; x <= c.x1; ++x)
                if ((row[x] >> 16) >= notD) {
                    undecided = &row[x];
                    break;
                }
        }
        if (!undecided)
            return false;
        if ((*undecided & 0xFFFF) <= d)
            return true;
        passedUndecided = true;
    }

    const auto* samples = static_cast<const uint16_t*>(hzb->levels[0]);
    const int64_t pitch0 = hzb->pitches[0];
    const CellRect& c = r[0];
    for (int32_t y = c.y0; y <= c.y1; ++y) {
        const uint16_t* row = samples + y * pitch0;
        for (int32_t x = c.x0; x <= c.x1; ++x)
            if (row[x] <= d)
                return true;
        if (passedUndecided)
            return true;
    }
    return false;
}

bool HZBuffer_IsVisibleP6(const HZBuffer* hzb, float x0, float y0, float x1, float y1, float depth)
{
    return HZBuffer_IsVisibleC(hzb, x0, y0, x1, y1, depth);
}

bool HZBuffer_IsVisibleP6b(const HZBuffer* hzb, float x0, float y0, float x1, float y1, float depth)
{
    return HZBuffer_IsVisibleP6(hzb, x0, y0, x1, y1, depth);
}

bool HZBuffer_IsVisible(const HZBuffer* hzb, float x0, float y0, float x1, float y1, float depth)
{
    if (ProcessorKind == CPU_PENTIUM_II)
        return HZBuffer_IsVisibleP6(hzb, x0, y0, x1, y1, depth);
    if (ProcessorKind == CPU_PENTIUM_III)
        return HZBuffer_IsVisibleP6b(hzb, x0, y0, x1, y1, depth);
    return HZBuffer_IsVisibleC(hzb, x0, y0, x1, y1, depth);
}

bool CHZPyramid::Create(int32_t size, float scaleX, float scaleY)
{
    hzb_ = HZBuffer{};
    levelCount_ = 0;
    level0_.clear();
    upper_.clear();
    if (size < 1 || size > kHZMaxSize)
        return false;
    const int32_t levels = LevelsFor(size);
    size_t upperCells = 0;
    for (int32_t k = 1, s = (size + 1) / 2; k < levels; ++k, s = (s + 1) / 2)
        upperCells += size_t(s) * size_t(s);
    level0_.assign(size_t(size) * size_t(size), 0);
    upper_.assign(upperCells, 0);

    hzb_.scaleX = scaleX;
    hzb_.scaleY = scaleY;
    hzb_.size = size;
    hzb_.levels[0] = level0_.data();
    hzb_.pitches[0] = size;
    size_t offset = 0;
    for (int32_t k = 1, s = (size + 1) / 2; k < levels; ++k, s = (s + 1) / 2) {
        hzb_.levels[k] = upper_.data() + offset;
        hzb_.pitches[k] = s;
        offset += size_t(s) * size_t(s);
    }
    levelCount_ = levels;
    Update();
    return true;
}

void CHZPyramid::Update()
{
    int32_t below = hzb_.size;
    for (int32_t k = 1; k < levelCount_; ++k) {
        const int32_t side = hzb_.pitches[k];
        auto* cells = static_cast<uint32_t*>(hzb_.levels[k]);
        // Blocks on an odd edge have fewer than four cells below; missing ones take no part.
        auto below_cell = [&](int32_t x, int32_t y) -> uint32_t {
            if (k == 1)
                return AsCell(level0_[size_t(y) * size_t(below) + size_t(x)]);
            return static_cast<const uint32_t*>(hzb_.levels[k - 1])[size_t(y) * size_t(below) + size_t(x)];
        };
        for (int32_t y = 0; y < side; ++y)
            for (int32_t x = 0; x < side; ++x) {
                uint32_t cell = 0;
                for (int32_t dy = 0; dy < 2; ++dy)
                    for (int32_t dx = 0; dx < 2; ++dx) {
                        const int32_t bx = 2 * x + dx, by = 2 * y + dy;
                        if (bx < below && by < below)
                            cell = MaxHalves(cell, below_cell(bx, by));
                    }
                cells[size_t(y) * size_t(side) + size_t(x)] = cell;
            }
        below = side;
    }
}

void Mmx_BuildBitMaskTable()
{
    for (int v = 0; v < 256; ++v)
        for (int k = 0; k < 8; ++k)
            MmxBitMaskTable[v][k] = uint8_t((v >> k) & 1);
}
