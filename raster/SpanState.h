// The one record through which every triangle, setup and span routine of every rasteriser exchanges its state.
#pragma once
#include <cstdint>

class CSurface;
struct RasterizerRow;

// Triangle, setup and span routines take no arguments: everything is in rastState.
using RastFn = void (*)();

// One rasteriser vertex. Before the triangle routine runs, x and y are screen pixels, z is 1/w in
// perspective modes and a depth in the others (larger is nearer, z x 2^31 below 2^32), u and v are
// fractions of the texture, shade2 is the Gouraudmono intensity in [0, 1].
struct RastVertex {
    float x, y, z, u, v;
    float shade0, shade1, shade2, shade3;
};
static_assert(sizeof(RastVertex) == 36);

// One triangle edge, stepped row by row by the setup routine. The interpolants are valid at the
// centre of the current row; u and v are in texture fixed-point units (span units / 64), times 1/w
// in perspective modes; z is 1/w in perspective modes and already z x 2^31 in the others.
struct RastEdge {
    int32_t yFirst;  // first pixel row
    int32_t yEnd;    // row after the last
    float x;
    float z;
    float dxdy;      // kRastNoRows marks an edge that yields no row
    float dzdy;
    float u, v;
    float dudy, dvdy;
    float shade;     // Gouraudmono intensity 0..32767
    float dshadedy;
};

inline constexpr int kRastMaxVertices = 64;
inline constexpr float kRastNoRows = 3.4028235e38f;
// Palette plane of an 8-bit texture: rows of 256 16-bit colours; row 0 the palette, rows 1-2 a
// 32-bit copy, rows 3..34 the 32 shading levels.
inline constexpr int kRastPaletteEntries = 256;
inline constexpr int kRastShadeRowFirst = 3;
inline constexpr int kRastShadeLevels = 32;
inline constexpr int kRastPaletteRows = kRastShadeRowFirst + kRastShadeLevels;

// Render-mode bits the routines themselves test (the whole set is RenderMode's).
inline constexpr uint32_t kRastModeInterpZ = 0x2;
inline constexpr uint32_t kRastModeTextured = 0x8;
inline constexpr uint32_t kRastModeGouraudmono = 0x100000;
inline constexpr uint32_t kRastModePerspective = 0x200002;  // both bits set

struct SpanState {
    // --- Row selection (CTRasterizer) ---
    RastFn rastTriangleFn;
    RastFn rastSetupFn;
    RastFn rastSpanFn;
    uint32_t rastMode;
    uint32_t rastKey;
    const char* rastRowName;
    const RasterizerRow* rastFirstRow[256];  // by key low byte: first row of that variant, or the table end

    // --- Destination and z-buffer (SetTarget, BeginScene) ---
    CSurface* rastTarget;
    uint8_t* rastDestBits;
    int32_t rastDestPitch;  // bytes
    uint8_t* rastZBits;
    int32_t rastZPitch;     // bytes

    // --- Viewport (SetViewport), half-open on the bottom and right ---
    int32_t rastClipTop;
    int32_t rastClipBottomEnd;
    int32_t rastClipLeft;
    int32_t rastClipRightEnd;
    float rastClipLeftF;
    float rastClipRightEndF;
    float rastClipLeftNegF;    // -left; with rastClipRightEndF the K6-3D pair rastClipX
    float rastClipBottomEndF;

    // --- Colour, colour keys, 16-bit channel masks (SetTarget, SetColor, SetAlpha) ---
    uint32_t rastColor;       // flat colour packed in the destination format
    uint32_t rastAlpha;       // colour key of the 8-bit rows: the palette index SetAlpha gives
    uint32_t rastAlphaPixel;  // colour key of the 16-bit rows: the alpha word packed by SetTarget
    uint32_t rastGreenMask;       // 0x7E0 / 0x3E0
    uint32_t rastAboveGreenMask;  // 0xFFFFF800 / 0xFFFFFC00
    uint32_t rastRedMask;         // 0xF800 / 0x7C00
    uint32_t rastAboveRedMask;    // 0xFFFF0000 / 0xFFFF8000
    uint32_t rastSpreadMask;      // 0x07E0F81F / 0x03E07C1F
    uint32_t rastCarryMask;       // 0xF80000E0 / 0xFC0080E0

    // --- Variable-transparency weights (one writer on CTRasterizer) ---
    uint16_t rastVarWeightR;
    uint16_t rastVarWeightG;
    uint16_t rastVarWeightB;
    // Lane forms for the hand-written families, two pixels per 64 bits:
    // green lanes 1 and 3; red-blue lanes 0 and 2 blue, 1 and 3 red.
    uint16_t rastVarFactorGreen[4];
    uint16_t rastVarFactorRedBlue[4];

    // --- Texture (SetTexture); wb, hb = log2 of width and height rounded up ---
    const uint8_t* rastTexBits;  // texel (0, 0); rows of 2^wb texels
    float rastTexScaleU;         // width x 2^(26 - hb - wb)
    float rastTexScaleV;         // height x 2^(26 - hb)
    uint32_t rastTexMaskLo;      // 0xFFFFFFFF >> hb
    uint32_t rastTexMaskHi;      // ~rastTexMaskLo
    uint32_t rastTexShift;       // 32 - hb - wb (32 for a 1x1 texture)
    int32_t rastTexPitch;        // the surface's pitch in pixels (no span reads it)
    int32_t rastTexLastColumn;   // width - 1
    int32_t rastTexLastRow;      // height - 1

    // --- Palette plane (SetTexturePalette) ---
    const uint16_t* rastPalette;      // row 0 of the plane
    const uint16_t* rastShadePlanes;  // row 3: rastPalette + 1536 bytes
    int32_t rastPaletteWidth;

    // --- Vertex list (polygon pipeline), drawn as a fan ---
    RastVertex rastVertices[kRastMaxVertices];
    RastVertex* rastVertexEnd;

    // --- Per triangle (triangle routine): edges valid during its call of rastSetupFn ---
    RastEdge* rastLeftEdge;
    RastEdge* rastRightEdge;
    RastEdge* rastNextLeftEdge;   // null when the triangle has no lower part
    RastEdge* rastNextRightEdge;

    // --- Per-triangle gradients (setup routine) ---
    float rastDzDx;
    float rastDzDx32;
    int32_t rastDzDxFixed;    // step in 32-bit z-buffer units
    float rastDuDx;           // with rastDvDx the pair rastDuvDx
    float rastDvDx;
    float rastDuDx32;         // perspective modes
    float rastDvDx32;
    int32_t rastDuDxFixed;    // linear modes: trunc << 6
    int32_t rastDvDxFixed;
    float rastDsDx;
    int32_t rastDsDxFixed;
    // Hand-written families only: two-pixel steps and 16-bit intensity lanes.
    int32_t rastDuDx2Fix[2];  // both trunc(rastDuDx) << 7
    int32_t rastDvDx2Fix[2];
    uint32_t rastDgDxInt;     // trunc(rastDsDx) & 0xFFFF
    uint16_t rastDgDxLanes[4];  // each 2 x trunc(rastDsDx) mod 65536

    // --- Per row (setup routine, before each span call) ---
    RastEdge* rastSpanEdge;   // left edge at this row; spans read x, z, u, v, shade
    uint8_t* rastDestRow;     // destination row, pixel 0
    uint8_t* rastZRow;        // z-buffer row, entry 0
    int32_t rastSpanX0;       // first column drawn
    int32_t rastSpanX1;       // one past the last; always > rastSpanX0 when a span runs
};

// Shared by every rasteriser object, the panorama's included. Not reentrant.
extern SpanState rastState;
