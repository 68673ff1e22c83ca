// The portable rows 0 to 99: triangle, setup and wireframe routines and the 99 span routines.
#pragma once
#include <cstdint>

#include "raster/SpanState.h"

// Row 0: outlines of the fan triangles, through DrawLineClipped.
void Rast_Wireframe();
// Rows 1 to 99: draws rastVertices as a fan, rewriting the vertices in place, and calls rastSetupFn
// once per triangle that yields rows.
void Rast_TriangleC();
// Rows 1 to 99: walks the published edges and calls rastSpanFn once per non-empty row.
void Rast_SetupScanC();
// Builds one edge from two prepared vertices (x only when xOnly); an edge without rows has
// dxdy = kRastNoRows and nothing else filled.
void Rast_EdgeHelperC(const RastVertex& a, const RastVertex& b, RastEdge& edge, bool xOnly);

// Spans of the three single rows.
void Span_Zi32b15C();   // row 1, mode 0x806: 16-bit depth only, keeps the larger value
void Span_Zi32FlatC();  // row 2, mode 0x107: flat colour where z is strictly nearer
void Span_FlatC();      // row 3, mode 0x1

// The eight textured families, rows 4 to 99: family f (0..7), variant v (0..11), row 4 + 12 f + v.
// Family f: bit 0 perspective walk, bit 1 32-bit z-buffer, f < 4 8-bit palettised texels.
inline constexpr uint32_t kPortableFamilyMode[8] = {
    0x8008, 0x20800A, 0x810E, 0x20810E, 0x8, 0x20000A, 0x10E, 0x20010E,
};
inline constexpr uint32_t kPortableVariantMode[12] = {
    0x0, 0x400000, 0x100000, 0x500000, 0x2000000, 0x4000000,
    0x8000000, 0x12000000, 0x14000000, 0x18000000, 0x10100000, 0x10500000,
};
inline constexpr int kPortableFirstFamilyRow = 4;
inline constexpr uint32_t PortableRowMode(int family, int variant)
{
    return kPortableFamilyMode[family] | kPortableVariantMode[variant];
}

// X(row, name, family, variant) for every textured row; the routine is Span_<name>.
#define QM_PORTABLE_TEXTURED_SPANS(X) \
    X(4, Texture8Linear1516C, 0, 0) \
    X(5, Texture8LinearOpacity1516C, 0, 1) \
    X(6, Texture8LinearGouraudmono1516C, 0, 2) \
    X(7, Texture8LinearOpacityGouraudmono1516C, 0, 3) \
    X(8, Texture8LinearAddTransparency1516C, 0, 4) \
    X(9, Texture8LinearSrcSubDestTransparency1516C, 0, 5) \
    X(10, Texture8LinearDestSubSrcTransparency1516C, 0, 6) \
    X(11, Texture8LinearAddVarTransparency1516C, 0, 7) \
    X(12, Texture8LinearSrcSubDestVarTransparency1516C, 0, 8) \
    X(13, Texture8LinearDestSubSrcVarTransparency1516C, 0, 9) \
    X(14, Texture8LinearVarTransparencyGouraudmono1516C, 0, 10) \
    X(15, Texture8LinearVarTransparencyOpacityGouraudmono1516C, 0, 11) \
    X(16, Texture8FastPerspective1516C, 1, 0) \
    X(17, Texture8FastPerspectiveOpacity1516C, 1, 1) \
    X(18, Texture8FastPerspectiveGouraudmono1516C, 1, 2) \
    X(19, Texture8FastPerspectiveOpacityGouraudmono1516C, 1, 3) \
    X(20, Texture8FastPerspectiveAddTransparency1516C, 1, 4) \
    X(21, Texture8FastPerspectiveSrcSubDestTransparency1516C, 1, 5) \
    X(22, Texture8FastPerspectiveDestSubSrcTransparency1516C, 1, 6) \
    X(23, Texture8FastPerspectiveAddVarTransparency1516C, 1, 7) \
    X(24, Texture8FastPerspectiveSrcSubDestVarTransparency1516C, 1, 8) \
    X(25, Texture8FastPerspectiveDestSubSrcVarTransparency1516C, 1, 9) \
    X(26, Texture8FastPerspectiveVarTransparencyGouraudmono1516C, 1, 10) \
    X(27, Texture8FastPerspectiveVarTransparencyOpacityGouraudmono1516C, 1, 11) \
    X(28, Zi32Texture8Linear1516C, 2, 0) \
    X(29, Zi32Texture8LinearOpacity1516C, 2, 1) \
    X(30, Zi32Texture8LinearGouraudmono1516C, 2, 2) \
    X(31, Zi32Texture8LinearOpacityGouraudmono1516C, 2, 3) \
    X(32, Zi32Texture8LinearAddTransparency1516C, 2, 4) \
    X(33, Zi32Texture8LinearSrcSubDestTransparency1516C, 2, 5) \
    X(34, Zi32Texture8LinearDestSubSrcTransparency1516C, 2, 6) \
    X(35, Zi32Texture8LinearAddVarTransparency1516C, 2, 7) \
    X(36, Zi32Texture8LinearSrcSubDestVarTransparency1516C, 2, 8) \
    X(37, Zi32Texture8LinearDestSubSrcVarTransparency1516C, 2, 9) \
    X(38, Zi32Texture8LinearVarTransparencyGouraudmono1516C, 2, 10) \
    X(39, Zi32Texture8LinearVarTransparencyOpacityGouraudmono1516C, 2, 11) \
    X(40, Zi32Texture8FastPerspective1516C, 3, 0) \
    X(41, Zi32Texture8FastPerspectiveOpacity1516C, 3, 1) \
    X(42, Zi32Texture8FastPerspectiveGouraudmono1516C, 3, 2) \
    X(43, Zi32Texture8FastPerspectiveOpacityGouraudmono1516C, 3, 3) \
    X(44, Zi32Texture8FastPerspectiveAddTransparency1516C, 3, 4) \
    X(45, Zi32Texture8FastPerspectiveSrcSubDestTransparency1516C, 3, 5) \
    X(46, Zi32Texture8FastPerspectiveDestSubSrcTransparency1516C, 3, 6) \
    X(47, Zi32Texture8FastPerspectiveAddVarTransparency1516C, 3, 7) \
    X(48, Zi32Texture8FastPerspectiveSrcSubDestVarTransparency1516C, 3, 8) \
    X(49, Zi32Texture8FastPerspectiveDestSubSrcVarTransparency1516C, 3, 9) \
    X(50, Zi32Texture8FastPerspectiveVarTransparency1516C, 3, 10) \
    X(51, Zi32Texture8FastPerspectiveVarTransparencyOpacity1516C, 3, 11) \
    X(52, Texture1516Linear1516C, 4, 0) \
    X(53, Texture1516LinearOpacity1516C, 4, 1) \
    X(54, Texture1516LinearGouraudmono1516C, 4, 2) \
    X(55, Texture1516LinearOpacityGouraudmono1516C, 4, 3) \
    X(56, Texture1516LinearAddTransparency1516C, 4, 4) \
    X(57, Texture1516LinearSrcSubDestTransparency1516C, 4, 5) \
    X(58, Texture1516LinearDestSubSrcTransparency1516C, 4, 6) \
    X(59, Texture1516LinearAddVarTransparencyGouraudmono1516C, 4, 7) \
    X(60, Texture1516LinearSrcSubDestVarTransparencyGouraudmono1516C, 4, 8) \
    X(61, Texture1516LinearDestSubSrcVarTransparencyGouraudmono1516C, 4, 9) \
    X(62, Texture1516LinearVarTransparencyGouraudmono1516C, 4, 10) \
    X(63, Texture1516LinearVarTransparencyOpacityGouraudmono1516C, 4, 11) \
    X(64, Texture1516FastPerspective1516C, 5, 0) \
    X(65, Texture1516FastPerspectiveOpacity1516C, 5, 1) \
    X(66, Texture1516FastPerspectiveGouraudmono1516C, 5, 2) \
    X(67, Texture1516FastPerspectiveOpacityGouraudmono1516C, 5, 3) \
    X(68, Texture1516FastPerspectiveAddTransparency1516C, 5, 4) \
    X(69, Texture1516FastPerspectiveSrcSubDestTransparency1516C, 5, 5) \
    X(70, Texture1516FastPerspectiveDestSubSrcTransparency1516C, 5, 6) \
    X(71, Texture1516FastPerspectiveAddVarTransparencyGouraudmono1516C, 5, 7) \
    X(72, Texture1516FastPerspectiveSrcSubDestVarTransparencyGouraudmono1516C, 5, 8) \
    X(73, Texture1516FastPerspectiveDestSubSrcVarTransparencyGouraudmono1516C, 5, 9) \
    X(74, Texture1516FastPerspectiveVarTransparencyGouraudmono1516C, 5, 10) \
    X(75, Texture1516FastPerspectiveVarTransparencyOpacityGouraudmono1516C, 5, 11) \
    X(76, Zi32Texture1516Linear1516C, 6, 0) \
    X(77, Zi32Texture1516LinearOpacity1516C, 6, 1) \
    X(78, Zi32Texture1516LinearGouraudmono1516C, 6, 2) \
    X(79, Zi32Texture1516LinearOpacityGouraudmono1516C, 6, 3) \
    X(80, Zi32Texture1516LinearAddTransparency1516C, 6, 4) \
    X(81, Zi32Texture1516LinearSrcSubDestTransparency1516C, 6, 5) \
    X(82, Zi32Texture1516LinearDestSubSrcTransparency1516C, 6, 6) \
    X(83, Zi32Texture1516LinearAddVarTransparencyGouraudmono1516C, 6, 7) \
    X(84, Zi32Texture1516LinearSrcSubDestVarTransparencyGouraudmono1516C, 6, 8) \
    X(85, Zi32Texture1516LinearDestSubSrcVarTransparencyGouraudmono1516C, 6, 9) \
    X(86, Zi32Texture1516LinearVarTransparencyGouraudmono1516C, 6, 10) \
    X(87, Zi32Texture1516LinearVarTransparencyOpacityGouraudmono1516C, 6, 11) \
    X(88, Zi32Texture1516FastPerspective1516C, 7, 0) \
    X(89, Zi32Texture1516FastPerspectiveOpacity1516C, 7, 1) \
    X(90, Zi32Texture1516FastPerspectiveGouraudmono1516C, 7, 2) \
    X(91, Zi32Texture1516FastPerspectiveOpacityGouraudmono1516C, 7, 3) \
    X(92, Zi32Texture1516FastPerspectiveAddTransparency1516C, 7, 4) \
    X(93, Zi32Texture1516FastPerspectiveSrcSubDestTransparency1516C, 7, 5) \
    X(94, Zi32Texture1516FastPerspectiveDestSubSrcTransparency1516C, 7, 6) \
    X(95, Zi32Texture1516FastPerspectiveAddVarTransparencyGouraudmono1516C, 7, 7) \
    X(96, Zi32Texture1516FastPerspectiveSrcSubDestVarTransparencyGouraudmono1516C, 7, 8) \
    X(97, Zi32Texture1516FastPerspectiveDestSubSrcVarTransparencyGouraudmono1516C, 7, 9) \
    X(98, Zi32Texture1516FastPerspectiveVarTransparencyGouraudmono1516C, 7, 10) \
    X(99, Zi32Texture1516FastPerspectiveVarTransparencyOpacityGouraudmono1516C, 7, 11)

#define QM_DECLARE_PORTABLE_SPAN(row, name, family, variant) void Span_##name();
QM_PORTABLE_TEXTURED_SPANS(QM_DECLARE_PORTABLE_SPAN)
#undef QM_DECLARE_PORTABLE_SPAN

// The span of a family (0..7) and variant (0..11) drawn pixel by pixel: the plain reference that
// the rows, drawn eight pixels at a time, must equal bit for bit. Null outside the ranges.
RastFn PortableReferenceSpan(int family, int variant);
