// The constant routine table: one row per processor variant and render mode.
#pragma once
#include <array>
#include <cstdint>
#include "raster/RenderMode.h"
#include "raster/SpanState.h"

// Routine keys: the processor variant in the low byte, the destination formats in bits 8 to 12.
enum : uint32_t {
    RK_VARIANT_MASK = 0xFF,
    RK_NONE = 0x00,
    RK_PORTABLE = 0x01,
    RK_MMX = 0x04,
    RK_P2 = 0x08,
    RK_K63D = 0x10,
    RK_FORMAT_MASK = 0x1F00,
    RK_DEST8 = 0x100,
    RK_DEST555 = 0x200,
    RK_DEST565 = 0x400,
    RK_DEST24 = 0x800,
    RK_DEST32 = 0x1000,
    RK_DEST16 = RK_DEST555 | RK_DEST565,  // every row draws into both 16-bit formats
};

struct RasterizerRow {
    uint32_t key;     // variant | the destination formats the row draws into
    RenderMode mode;  // with RM_LINEAR_TWIN on hand-written perspective rows
    RastFn triangle;
    RastFn setup;     // none in the wireframe row
    RastFn span;      // none in the wireframe row
    const char* name; // diagnostics only
};

inline constexpr int kRasterizerRows = 415;
// Groups, in table order: the portable group first, so that the fallback scan from row 0 meets it.
inline constexpr int kPortableFirstRow = 0;
inline constexpr int kPortableRows = 100;
inline constexpr int kK63DFirstRow = 100;
inline constexpr int kP2FirstRow = 205;
inline constexpr int kMmxFirstRow = 310;
inline constexpr int kHandWrittenRows = 105;

extern const std::array<RasterizerRow, kRasterizerRows> rasterizerTable;

inline const RasterizerRow* RasterizerTableBegin() { return rasterizerTable.data(); }
inline const RasterizerRow* RasterizerTableEnd() { return rasterizerTable.data() + kRasterizerRows; }
