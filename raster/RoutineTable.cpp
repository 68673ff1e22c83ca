// The 415 rows of the routine table: names as data, modes and keys from each group's pattern.
#include "raster/RoutineTable.h"
#include "raster/k63d/K63DSpans.h"
#include "raster/k63d/K63DTriangle.h"
#include "raster/p2/HandSpans.h"
#include "raster/p2/P2Triangle.h"
#include "raster/portable/PortableSpans.h"

namespace {

// Row names of the hand-written groups, in row order: the z-only row, then (linear, perspective) pairs.
constexpr const char* kK63DNames[kHandWrittenRows] = {
    "Zi32b15AsmMMX3",
    "Zi32Texture8LinearGouraudmono1516K63D", "Zi32Texture8FastPerspectiveGouraudmono1516K63D",
    "Zi32Texture8LinearOpacityGouraudmono1516K63D", "Zi32Texture8FastPerspectiveOpacityGouraudmono1516K63D",
    "Zi32Texture8LinearAddTransparency1516K63D", "Zi32Texture8FastPerspectiveAddTransparency1516K63D",
    "Zi32Texture8LinearVarTransparencyGouraudmono1516K63D", "Zi32Texture8FastPerspectiveVarTransparencyGoudmono1516K63D",
    "Zi32Texture8LinearVarTransparencyOpacityGouraudmono1516K63D", "Zi32Texture8FastPerspectiveVarTransparencyOpacityGoudm156K6",
    "Zi32Texture8Linear1516K63D", "Zi32Texture8FastPerspective1516K63D",
    "Zi32Texture8LinearOpacity1516K63D", "Zi32Texture8FastPerspectiveOpacity1516K63D",
    "Zi32Texture8LinearAddTransparencyGouraudmono1516K63D", "Zi32Texture8FastPerspectiveAddTransparencyGoudmono1516K63D",
    "Zi32Texture8LinearSrcSubDestTransparency1516K63D", "Zi32Texture8FastPerspectiveSrcSubDestTransparency1516K63D",
    "Zi32Texture8LinearDestSubSrcTransparency1516K63D", "Zi32Texture8FastPerspectiveDestSubSrcTransparency1516K63D",
    "Zi32Texture8LinearAddVarTransparency1516K63D", "Zi32Texture8FastPerspectiveAddVarTransparency1516K63D",
    "Zi32Texture8LinearSrcSubDestVarTransparency1516K63D", "Zi32Texture8FastPerspectiveSrcSubDestVarTransparency1516II",
    "Zi32Texture8LinearDestSubSrcVarTransparency1516K63D", "Zi32Texture8FastPerspectiveDestSubSrcVarTransparency1516II",
    "Texture8LinearAddVarTransparency1516K63D", "Texture8FastPerspectiveAddVarTransparency1516K63D",
    "Texture8LinearSrcSubDestVarTransparency1516K63D", "Texture8FastPerspectiveSrcSubDestVarTransparency1516K63D",
    "Texture8LinearDestSubSrcVarTransparency1516K63D", "Texture8FastPerspectiveDestSubSrcVarTransparency1516K63D",
    "Texture8LinearGouraudmono1516K63D", "Texture8FastPerspectiveGouraudmono1516K63D",
    "Texture8LinearGouraudmonoOpacity1516K63D", "Texture8FastPerspectiveOpacityGouraudmono1516K63D",
    "Texture8LinearAddTransparency1516K63D", "Texture8FastPerspectiveAddTransparency1516K63D",
    "Texture8LinearVarTransparencyGouraudmono1516K63D", "Texture8FastPerspectiveVarTransparencyGouraudmono1516K63D",
    "Texture8LinearVarTransparencyOpacityGouraudmono1516K63D", "Texture8FastPerspectiveVarTransparencyOpacityGourdmon5K63D",
    "Texture8Linear1516K63D", "Texture8FastPerspective1516K63D",
    "Texture8LinearOpacity1516K63D", "Texture8FastPerspectiveOpacity1516K63D",
    "Texture8LinearAddTransparencyGouraudmono1516K63D", "Texture8FastPerspectiveAddTransparencyGouraudmono1516K63D",
    "Texture8LinearSrcSubDestTransparency1516K63D", "Texture8FastPerspectiveSrcSubDestTransparency1516K63D",
    "Texture8LinearDestSubSrcTransparency1516K63D", "Texture8FastPerspectiveDestSubSrcTransparency1516K63D",
    "Zi32Texture16LinearGouraudmono1516K63D", "Zi32Texture16FastPerspectiveGouraudmono1516K63D",
    "Zi32Texture16LinearOpacityGouraudmono1516K63D", "Zi32Texture16FastPerspectiveOpacityGouraudmono1516K63D",
    "Zi32Texture16LinearAddTransparency1516K63D", "Zi32Texture16FastPerspectiveAddTransparency1516K63D",
    "Zi32Texture16LinearVarTransparencyGouraudmono1516K63D", "Zi32Texture16FastPerspectiveVarTransparencyGoudmono1516K63D",
    "Zi32Texture16LinearVarTransparencyOpacityGouraudmono1516II", "Zi32Texture16FastPerspectiveVarTransparencyOpacitGoudm156K6",
    "Zi32Texture16Linear1516K63D", "Zi32Texture16FastPerspective1516K63D",
    "Zi32Texture16LinearOpacity1516K63D", "Zi32Texture16FastPerspectiveOpacity1516K63D",
    "Zi32Texture16LinearAddTransparencyGouraudmono1516K63D", "Zi32Texture16FastPerspectiveAddTransparencyGoudmono1516II",
    "Zi32Texture16LinearSrcSubDestTransparency1516K63D", "Zi32Texture16FastPerspectiveSrcSubDestTransparency1516K63D",
    "Zi32Texture16LinearDestSubSrcTransparency1516K63D", "Zi32Texture16FastPerspectiveDestSubSrcTransparency1516K63D",
    "Zi32Texture16LinearAddVarTransparency1516K63D", "Zi32Texture16FastPerspectiveAddVarTransparency1516K63D",
    "Zi32Texture16LinearSrcSubDestVarTransparency1516K63D", "Zi32Texture16FastPerspectiveSrcSubDestVarTransparency1516K6",
    "Zi32Texture16LinearDestSubSrcVarTransparency1516K63D", "Zi32Texture16FastPerspectiveDestSubSrcVarTransparency1516K6",
    "Texture16LinearAddVarTransparency1516K63D", "Texture16FastPerspectiveAddVarTransparency1516K63D",
    "Texture16LinearSrcSubDestVarTransparency1516K63D", "Texture16FastPerspectiveSrcSubDestVarTransparency1516K63D",
    "Texture16LinearDestSubSrcVarTransparency1516K63D", "Texture16FastPerspectiveDestSubSrcVarTransparency1516K63D",
    "Texture16LinearGouraudmono1516K63D", "Texture16FastPerspectiveGouraudmono1516K63D",
    "Texture16LinearGouraudmonoOpacity1516K63D", "Texture16FastPerspectiveOpacityGouraudmono1516K63D",
    "Texture16LinearAddTransparency1516K63D", "Texture16FastPerspectiveAddTransparency1516K63D",
    "Texture16LinearVarTransparencyGouraudmono1516K63D", "Texture16FastPerspectiveVarTransparencyGouraudmono1516K63D",
    "Texture16LinearVarTransparencyOpacityGouraudmono1516K63D", "Texture16FastPerspectiveVarTransparencyOpacityGourdmon5K63D",
    "Texture16Linear1516K63D", "Texture16FastPerspective1516K63D",
    "Texture16LinearOpacity1516K63D", "Texture16FastPerspectiveOpacity1516K63D",
    "Texture16LinearAddTransparencyGouraudmono1516K63D", "Texture16FastPerspectiveAddTransparencyGouraudmono1516K63D",
    "Texture16LinearSrcSubDestTransparency1516K63D", "Texture16FastPerspectiveSrcSubDestTransparency1516K63D",
    "Texture16LinearDestSubSrcTransparency1516K63D", "Texture16FastPerspectiveDestSubSrcTransparency1516K63D",
};

constexpr const char* kP2Names[kHandWrittenRows] = {
    "Zi32b15AsmMMX3",
    "Zi32Texture8LinearGouraudmono1516II", "Zi32Texture8FastPerspectiveGouraudmono1516II",
    "Zi32Texture8LinearOpacityGouraudmono1516II", "Zi32Texture8FastPerspectiveOpacityGouraudmono1516II",
    "Zi32Texture8LinearAddTransparency1516II", "Zi32Texture8FastPerspectiveAddTransparency1516II",
    "Zi32Texture8LinearVarTransparencyGouraudmono1516II", "Zi32Texture8FastPerspectiveVarTransparencyGoudmono1516II",
    "Zi32Texture8LinearVarTransparencyOpacityGouraudmono1516II", "Zi32Texture8FastPerspectiveVarTransparencyOpacityGoudm156II",
    "Zi32Texture8Linear1516II", "Zi32Texture8FastPerspective1516II",
    "Zi32Texture8LinearOpacity1516II", "Zi32Texture8FastPerspectiveOpacity1516II",
    "Zi32Texture8LinearAddTransparencyGouraudmono1516II", "Zi32Texture8FastPerspectiveAddTransparencyGoudmono1516II",
    "Zi32Texture8LinearSrcSubDestTransparency1516II", "Zi32Texture8FastPerspectiveSrcSubDestTransparency1516II",
    "Zi32Texture8LinearDestSubSrcTransparency1516II", "Zi32Texture8FastPerspectiveDestSubSrcTransparency1516II",
    "Zi32Texture8LinearAddVarTransparency1516II", "Zi32Texture8FastPerspectiveAddVarTransparency1516II",
    "Zi32Texture8LinearSrcSubDestVarTransparency1516II", "Zi32Texture8FastPerspectiveSrcSubDestVarTransparency1516II",
    "Zi32Texture8LinearDestSubSrcVarTransparency1516II", "Zi32Texture8FastPerspectiveDestSubSrcVarTransparency1516II",
    "Texture8LinearAddVarTransparency1516II", "Texture8FastPerspectiveAddVarTransparency1516II",
    "Texture8LinearSrcSubDestVarTransparency1516II", "Texture8FastPerspectiveSrcSubDestVarTransparency1516II",
    "Texture8LinearDestSubSrcVarTransparency1516II", "Texture8FastPerspectiveDestSubSrcVarTransparency1516II",
    "Texture8LinearGouraudmono1516II", "Texture8FastPerspectiveGouraudmono1516II",
    "Texture8LinearGouraudmonoOpacity1516II", "Texture8FastPerspectiveOpacityGouraudmono1516II",
    "Texture8LinearAddTransparency1516II", "Texture8FastPerspectiveAddTransparency1516II",
    "Texture8LinearVarTransparencyGouraudmono1516II", "Texture8FastPerspectiveVarTransparencyGouraudmono1516II",
    "Texture8LinearVarTransparencyOpacityGouraudmono1516II", "Texture8FastPerspectiveVarTransparencyOpacityGourdmon5II",
    "Texture8Linear1516II", "Texture8FastPerspective1516II",
    "Texture8LinearOpacity1516II", "Texture8FastPerspectiveOpacity1516II",
    "Texture8LinearAddTransparencyGouraudmono1516II", "Texture8FastPerspectiveAddTransparencyGouraudmono1516II",
    "Texture8LinearSrcSubDestTransparency1516II", "Texture8FastPerspectiveSrcSubDestTransparency1516II",
    "Texture8LinearDestSubSrcTransparency1516II", "Texture8FastPerspectiveDestSubSrcTransparency1516II",
    "Zi32Texture16LinearGouraudmono1516II", "Zi32Texture16FastPerspectiveGouraudmono1516II",
    "Zi32Texture16LinearOpacityGouraudmono1516II", "Zi32Texture16FastPerspectiveOpacityGouraudmono1516II",
    "Zi32Texture16LinearAddTransparency1516II", "Zi32Texture16FastPerspectiveAddTransparency1516II",
    "Zi32Texture16LinearVarTransparencyGouraudmono1516II", "Zi32Texture16FastPerspectiveVarTransparencyGoudmono1516II",
    "Zi32Texture16LinearVarTransparencyOpacityGouraudmono1516II", "Zi32Texture16FastPerspectiveVarTransparencyOpacitGoudm156II",
    "Zi32Texture16Linear1516II", "Zi32Texture16FastPerspective1516II",
    "Zi32Texture16LinearOpacity1516II", "Zi32Texture16FastPerspectiveOpacity1516II",
    "Zi32Texture16LinearAddTransparencyGouraudmono1516II", "Zi32Texture16FastPerspectiveAddTransparencyGoudmono1516II",
    "Zi32Texture16LinearSrcSubDestTransparency1516II", "Zi32Texture16FastPerspectiveSrcSubDestTransparency1516II",
    "Zi32Texture16LinearDestSubSrcTransparency1516II", "Zi32Texture16FastPerspectiveDestSubSrcTransparency1516II",
    "Zi32Texture16LinearAddVarTransparency1516II", "Zi32Texture16FastPerspectiveAddVarTransparency1516II",
    "Zi32Texture16LinearSrcSubDestVarTransparency1516II", "Zi32Texture16FastPerspectiveSrcSubDestVarTransparency1516II",
    "Zi32Texture16LinearDestSubSrcVarTransparency1516II", "Zi32Texture16FastPerspectiveDestSubSrcVarTransparency1516II",
    "Texture16LinearAddVarTransparency1516II", "Texture16FastPerspectiveAddVarTransparency1516II",
    "Texture16LinearSrcSubDestVarTransparency1516II", "Texture16FastPerspectiveSrcSubDestVarTransparency1516II",
    "Texture16LinearDestSubSrcVarTransparency1516II", "Texture16FastPerspectiveDestSubSrcVarTransparency1516II",
    "Texture16LinearGouraudmono1516II", "Texture16FastPerspectiveGouraudmono1516II",
    "Texture16LinearGouraudmonoOpacity1516II", "Texture16FastPerspectiveOpacityGouraudmono1516II",
    "Texture16LinearAddTransparency1516II", "Texture16FastPerspectiveAddTransparency1516II",
    "Texture16LinearVarTransparencyGouraudmono1516II", "Texture16FastPerspectiveVarTransparencyGouraudmono1516II",
    "Texture16LinearVarTransparencyOpacityGouraudmono1516II", "Texture16FastPerspectiveVarTransparencyOpacityGourdmon5II",
    "Texture16Linear1516II", "Texture16FastPerspective1516II",
    "Texture16LinearOpacity1516II", "Texture16FastPerspectiveOpacity1516II",
    "Texture16LinearAddTransparencyGouraudmono1516II", "Texture16FastPerspectiveAddTransparencyGouraudmono1516II",
    "Texture16LinearSrcSubDestTransparency1516II", "Texture16FastPerspectiveSrcSubDestTransparency1516II",
    "Texture16LinearDestSubSrcTransparency1516II", "Texture16FastPerspectiveDestSubSrcTransparency1516II",
};

constexpr const char* kMmxNames[kHandWrittenRows] = {
    "Zi32b15AsmMMX3",
    "Zi32Texture8LinearGouraudmono1516MX", "Zi32Texture8FastPerspectiveGouraudmono1516MX",
    "Zi32Texture8LinearOpacityGouraudmono1516MX", "Zi32Texture8FastPerspectiveOpacityGouraudmono1516MX",
    "Zi32Texture8LinearAddTransparency1516MX", "Zi32Texture8FastPerspectiveAddTransparency1516MX",
    "Zi32Texture8LinearVarTransparencyGouraudmono1516MX", "Zi32Texture8FastPerspectiveVarTransparencyGoudmono1516MX",
    "Zi32Texture8LinearVarTransparencyOpacityGouraudmono1516MX", "Zi32Texture8FastPerspectiveVarTransparencyOpacityGoudm156MX",
    "Zi32Texture8Linear1516MX", "Zi32Texture8FastPerspective1516MX",
    "Zi32Texture8LinearOpacity1516MX", "Zi32Texture8FastPerspectiveOpacity1516MX",
    "Zi32Texture8LinearAddTransparencyGouraudmono1516MX", "Zi32Texture8FastPerspectiveAddTransparencyGoudmono1516MX",
    "Zi32Texture8LinearSrcSubDestTransparency1516MX", "Zi32Texture8FastPerspectiveSrcSubDestTransparency1516MX",
    "Zi32Texture8LinearDestSubSrcTransparency1516MX", "Zi32Texture8FastPerspectiveDestSubSrcTransparency1516MX",
    "Zi32Texture8LinearAddVarTransparency1516MX", "Zi32Texture8FastPerspectiveAddVarTransparency1516MX",
    "Zi32Texture8LinearSrcSubDestVarTransparency1516MX", "Zi32Texture8FastPerspectiveSrcSubDestVarTransparency1516MX",
    "Zi32Texture8LinearDestSubSrcVarTransparency1516MX", "Zi32Texture8FastPerspectiveDestSubSrcVarTransparency1516MX",
    "Texture8LinearAddVarTransparency1516MX", "Texture8FastPerspectiveAddVarTransparency1516MX",
    "Texture8LinearSrcSubDestVarTransparency1516MX", "Texture8FastPerspectiveSrcSubDestVarTransparency1516MX",
    "Texture8LinearDestSubSrcVarTransparency1516MX", "Texture8FastPerspectiveDestSubSrcVarTransparency1516MX",
    "Texture8LinearGouraudmono1516MX", "Texture8FastPerspectiveGouraudmono1516MX",
    "Texture8LinearGouraudmonoOpacity1516MX", "Texture8FastPerspectiveOpacityGouraudmono1516MX",
    "Texture8LinearAddTransparency1516MX", "Texture8FastPerspectiveAddTransparency1516MX",
    "Texture8LinearVarTransparencyGouraudmono1516MX", "Texture8FastPerspectiveVarTransparencyGouraudmono1516MX",
    "Texture8LinearVarTransparencyOpacityGouraudmono1516MX", "Texture8FastPerspectiveVarTransparencyOpacityGourdmon5MX",
    "Texture8Linear1516MX", "Texture8FastPerspective1516MX",
    "Texture8LinearOpacity1516MX", "Texture8FastPerspectiveOpacity1516MX",
    "Texture8LinearAddTransparencyGouraudmono1516MX", "Texture8FastPerspectiveAddTransparencyGouraudmono1516MX",
    "Texture8LinearSrcSubDestTransparency1516MX", "Texture8FastPerspectiveSrcSubDestTransparency1516MX",
    "Texture8LinearDestSubSrcTransparency1516MX", "Texture8FastPerspectiveDestSubSrcTransparency1516MX",
    "Zi32Texture16LinearGouraudmono1516MX", "Zi32Texture16FastPerspectiveGouraudmono1516MX",
    "Zi32Texture16LinearOpacityGouraudmono1516MX", "Zi32Texture16FastPerspectiveOpacityGouraudmono1516MX",
    "Zi32Texture16LinearAddTransparency1516MX", "Zi32Texture16FastPerspectiveAddTransparency1516MX",
    "Zi32Texture16LinearVarTransparencyGouraudmono1516MX", "Zi32Texture16FastPerspectiveVarTransparencyGoudmono1516MX",
    "Zi32Texture16LinearVarTransparencyOpacityGouraudmono1516MX", "Zi32Texture16FastPerspectiveVarTransparencyOpacitGoudm156MX",
    "Zi32Texture16Linear1516MX", "Zi32Texture16FastPerspective1516MX",
    "Zi32Texture16LinearOpacity1516MX", "Zi32Texture16FastPerspectiveOpacity1516MX",
    "Zi32Texture16LinearAddTransparencyGouraudmono1516MX", "Zi32Texture16FastPerspectiveAddTransparencyGoudmono1516MX",
    "Zi32Texture16LinearSrcSubDestTransparency1516MX", "Zi32Texture16FastPerspectiveSrcSubDestTransparency1516MX",
    "Zi32Texture16LinearDestSubSrcTransparency1516MX", "Zi32Texture16FastPerspectiveDestSubSrcTransparency1516MX",
    "Zi32Texture16LinearAddVarTransparency1516MX", "Zi32Texture16FastPerspectiveAddVarTransparency1516MX",
    "Zi32Texture16LinearSrcSubDestVarTransparency1516MX", "Zi32Texture16FastPerspectiveSrcSubDestVarTransparency1516MX",
    "Zi32Texture16LinearDestSubSrcVarTransparency1516MX", "Zi32Texture16FastPerspectiveDestSubSrcVarTransparency1516MX",
    "Texture16LinearAddVarTransparency1516MX", "Texture16FastPerspectiveAddVarTransparency1516MX",
    "Texture16LinearSrcSubDestVarTransparency1516MX", "Texture16FastPerspectiveSrcSubDestVarTransparency1516MX",
    "Texture16LinearDestSubSrcVarTransparency1516MX", "Texture16FastPerspectiveDestSubSrcVarTransparency1516MX",
    "Texture16LinearGouraudmono1516MX", "Texture16FastPerspectiveGouraudmono1516MX",
    "Texture16LinearGouraudmonoOpacity1516MX", "Texture16FastPerspectiveOpacityGouraudmono1516MX",
    "Texture16LinearAddTransparency1516MX", "Texture16FastPerspectiveAddTransparency1516MX",
    "Texture16LinearVarTransparencyGouraudmono1516MX", "Texture16FastPerspectiveVarTransparencyGouraudmono1516MX",
    "Texture16LinearVarTransparencyOpacityGouraudmono1516MX", "Texture16FastPerspectiveVarTransparencyOpacityGourdmon5MX",
    "Texture16Linear1516MX", "Texture16FastPerspective1516MX",
    "Texture16LinearOpacity1516MX", "Texture16FastPerspectiveOpacity1516MX",
    "Texture16LinearAddTransparencyGouraudmono1516MX", "Texture16FastPerspectiveAddTransparencyGouraudmono1516MX",
    "Texture16LinearSrcSubDestTransparency1516MX", "Texture16FastPerspectiveSrcSubDestTransparency1516MX",
    "Texture16LinearDestSubSrcTransparency1516MX", "Texture16FastPerspectiveDestSubSrcTransparency1516MX",
};
constexpr uint32_t kPortableKey = RK_DEST16 | RK_PORTABLE;
constexpr RenderMode kZOnlyMode = RM_ZKIND_B15 | RM_DEPTH_REQUEST;
constexpr RenderMode kZFlatMode = RM_ZKIND_ZI32 | RM_DEPTH_REQUEST | RM_FLAT;

// Hand-written groups: four families of thirteen (linear, perspective) pairs after the z-only row.
constexpr RenderMode kHandFamilyBase[4] = {0x810E, 0x8008, 0x10E, 0x8};
constexpr RenderMode kHandAdditionsZ[13] = {
    0x100000, 0x500000, 0x2000000, 0x10100000, 0x10500000, 0x0, 0x400000,
    0x2100000, 0x4000000, 0x8000000, 0x12000000, 0x14000000, 0x18000000,
};
constexpr RenderMode kHandAdditionsNoZ[13] = {
    0x12000000, 0x14000000, 0x18000000, 0x100000, 0x500000, 0x2000000, 0x10100000,
    0x10500000, 0x0, 0x400000, 0x2100000, 0x4000000, 0x8000000,
};
constexpr RenderMode kPerspectiveOfLinear = RM_PERSPECTIVE | RM_INTERP_Z | RM_LINEAR_TWIN;

constexpr RenderMode HandWrittenMode(int index)
{
    if (index == 0)
        return kZOnlyMode;
    const int family = (index - 1) / 26;
    const int pair = (index - 1) % 26 / 2;
    const bool perspective = (index - 1) % 2 == 1;
    const RenderMode base = kHandFamilyBase[family];
    const RenderMode add = (base & RM_ZBUFFER) ? kHandAdditionsZ[pair] : kHandAdditionsNoZ[pair];
    return base | add | (perspective ? kPerspectiveOfLinear : 0);
}

using Table = std::array<RasterizerRow, kRasterizerRows>;

constexpr void FillPortable(Table& t)
{
    t[0] = {kPortableKey, RM_WIREFRAME, &Rast_Wireframe, nullptr, nullptr, "wireframe"};
    t[1] = {kPortableKey, kZOnlyMode, &Rast_TriangleC, &Rast_SetupScanC, &Span_Zi32b15C, "Zi32b15C"};
    t[2] = {kPortableKey, kZFlatMode, &Rast_TriangleC, &Rast_SetupScanC, &Span_Zi32FlatC, "Zi32FlatC"};
    t[3] = {kPortableKey, RM_FLAT, &Rast_TriangleC, &Rast_SetupScanC, &Span_FlatC, "FlatC"};
#define QM_PORTABLE_ROW(row, name, family, variant) \
    t[row] = {kPortableKey, PortableRowMode(family, variant), &Rast_TriangleC, &Rast_SetupScanC, &Span_##name, #name};
    QM_PORTABLE_TEXTURED_SPANS(QM_PORTABLE_ROW)
#undef QM_PORTABLE_ROW
}

// A hand-written group's keys, modes and names; its routines are wired below.
constexpr void FillHandWritten(Table& t, int first, uint32_t key, const char* const (&names)[kHandWrittenRows])
{
    for (int i = 0; i < kHandWrittenRows; ++i)
        t[first + i] = RasterizerRow{key, HandWrittenMode(i), nullptr, nullptr, nullptr, names[i]};
}

// A hand-written group's triangle and setup routines, chosen by each row's mode; the MMX rows' entries
// run the Pentium II frame.
constexpr void WireTriangles(Table& t, int first, HandFrameRoutines (*routinesOf)(RenderMode))
{
    for (int i = 0; i < kHandWrittenRows; ++i) {
        RasterizerRow& row = t[first + i];
        const HandFrameRoutines r = routinesOf(row.mode);
        row.triangle = r.triangle;
        row.setup = r.setup;
    }
}

// A hand-written group's span of each row's mode; the Pentium II and MMX rows of one mode share theirs.
constexpr void WireHandSpans(Table& t, int first, RastFn (*spanOf)(RenderMode))
{
    for (int i = 0; i < kHandWrittenRows; ++i)
        t[first + i].span = spanOf(t[first + i].mode);
}

constexpr Table BuildTable()
{
    Table t{};
    FillPortable(t);
    FillHandWritten(t, kK63DFirstRow, RK_DEST16 | RK_K63D, kK63DNames);
    FillHandWritten(t, kP2FirstRow, RK_DEST16 | RK_P2, kP2Names);
    FillHandWritten(t, kMmxFirstRow, RK_DEST16 | RK_MMX, kMmxNames);
    WireTriangles(t, kK63DFirstRow, &K63DFrameOf);
    WireTriangles(t, kMmxFirstRow, &MxFrameOf);
    WireTriangles(t, kP2FirstRow, &P2FrameOf);
    WireHandSpans(t, kK63DFirstRow, &K63DSpanOf);
    WireHandSpans(t, kP2FirstRow, &HandSpanOf);
    WireHandSpans(t, kMmxFirstRow, &HandSpanOf);
    return t;
}

}  // namespace

constinit const std::array<RasterizerRow, kRasterizerRows> rasterizerTable = BuildTable();
