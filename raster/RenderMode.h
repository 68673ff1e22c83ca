// Render-mode bits: what a triangle needs, and the match key of the routine-table rows.
#pragma once
#include <cstdint>

using RenderMode = uint32_t;

enum : RenderMode {
    RM_FLAT = 0x1,
    RM_INTERP_Z = 0x2,        // 1/w or z interpolated per pixel: every z-buffered and perspective mode
    RM_ZBUFFER = 0x4,         // z-buffer test and write
    RM_TEXTURE = 0x8,
    RM_ZKIND_MASK = 0x1FC0,   // which z-buffer layout the span expects
    RM_ZKIND_ZI32 = 0x100,    // 32-bit integer z
    RM_ZKIND_B15 = 0x800,     // 16-bit z
    RM_TEXTURE8 = 0x8000,     // 8-bit palettised texels looked up through the palette plane
    RM_WIREFRAME = 0x40000,
    RM_GOURAUDMONO = 0x100000,
    RM_PERSPECTIVE = 0x200000,
    RM_OPACITY = 0x400000,    // colour key
    RM_ADD = 0x2000000,
    RM_SRC_SUB_DEST = 0x4000000,
    RM_DEST_SUB_SRC = 0x8000000,
    RM_VAR_TRANSPARENCY = 0x10000000,
    // In a row: the row before is this perspective row's linear twin.
    // In a request: the caller allows the switch to that twin for small triangles.
    RM_LINEAR_TWIN = 0x40000000,
};

// The z-buffered depth request: with no z kind, selection completes it with the default z kind.
inline constexpr RenderMode RM_DEPTH_REQUEST = RM_INTERP_Z | RM_ZBUFFER;
// The default z kind of every processor: 32-bit integer z.
inline constexpr RenderMode RM_DEFAULT_ZKIND = RM_ZKIND_ZI32 | RM_DEPTH_REQUEST;
// The resources a mode needs: z-buffer (0x6), texture (0x8), palette plane (0x8000).
inline constexpr RenderMode RM_RESOURCE_MASK = RM_ZBUFFER | RM_TEXTURE | RM_TEXTURE8;
