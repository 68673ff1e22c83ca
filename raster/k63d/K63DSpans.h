// The 105 span routines of the K6-3D rows (100 to 204): the shared two-lane walker with the K6-3D arithmetic.
#pragma once
#include "raster/packed/HandRows.h"

// Row 100, mode 0x806: the 16-bit depth buffer alone.
void Span_Zi32b15AsmMMX3K63D();

// X(index in the group, name, mode word) for the 104 textured rows, in table order; the routine of
// each is Span_<name>. Four rows whose table names end in "II" have spans named as their group's.
#define QM_K63D_TEXTURED_SPANS(X) \
    X(1, Zi32Texture8LinearGouraudmono1516K63D, 0x0010810E) \
    X(2, Zi32Texture8FastPerspectiveGouraudmono1516K63D, 0x4030810E) \
    X(3, Zi32Texture8LinearOpacityGouraudmono1516K63D, 0x0050810E) \
    X(4, Zi32Texture8FastPerspectiveOpacityGouraudmono1516K63D, 0x4070810E) \
    X(5, Zi32Texture8LinearAddTransparency1516K63D, 0x0200810E) \
    X(6, Zi32Texture8FastPerspectiveAddTransparency1516K63D, 0x4220810E) \
    X(7, Zi32Texture8LinearVarTransparencyGouraudmono1516K63D, 0x1010810E) \
    X(8, Zi32Texture8FastPerspectiveVarTransparencyGoudmono1516K63D, 0x5030810E) \
    X(9, Zi32Texture8LinearVarTransparencyOpacityGouraudmono1516K63D, 0x1050810E) \
    X(10, Zi32Texture8FastPerspectiveVarTransparencyOpacityGoudm156K6, 0x5070810E) \
    X(11, Zi32Texture8Linear1516K63D, 0x0000810E) \
    X(12, Zi32Texture8FastPerspective1516K63D, 0x4020810E) \
    X(13, Zi32Texture8LinearOpacity1516K63D, 0x0040810E) \
    X(14, Zi32Texture8FastPerspectiveOpacity1516K63D, 0x4060810E) \
    X(15, Zi32Texture8LinearAddTransparencyGouraudmono1516K63D, 0x0210810E) \
    X(16, Zi32Texture8FastPerspectiveAddTransparencyGoudmono1516K63D, 0x4230810E) \
    X(17, Zi32Texture8LinearSrcSubDestTransparency1516K63D, 0x0400810E) \
    X(18, Zi32Texture8FastPerspectiveSrcSubDestTransparency1516K63D, 0x4420810E) \
    X(19, Zi32Texture8LinearDestSubSrcTransparency1516K63D, 0x0800810E) \
    X(20, Zi32Texture8FastPerspectiveDestSubSrcTransparency1516K63D, 0x4820810E) \
    X(21, Zi32Texture8LinearAddVarTransparency1516K63D, 0x1200810E) \
    X(22, Zi32Texture8FastPerspectiveAddVarTransparency1516K63D, 0x5220810E) \
    X(23, Zi32Texture8LinearSrcSubDestVarTransparency1516K63D, 0x1400810E) \
    X(24, Zi32Texture8FastPerspectiveSrcSubDestVarTransparency1516K63D, 0x5420810E) \
    X(25, Zi32Texture8LinearDestSubSrcVarTransparency1516K63D, 0x1800810E) \
    X(26, Zi32Texture8FastPerspectiveDestSubSrcVarTransparency1516K63D, 0x5820810E) \
    X(27, Texture8LinearAddVarTransparency1516K63D, 0x12008008) \
    X(28, Texture8FastPerspectiveAddVarTransparency1516K63D, 0x5220800A) \
    X(29, Texture8LinearSrcSubDestVarTransparency1516K63D, 0x14008008) \
    X(30, Texture8FastPerspectiveSrcSubDestVarTransparency1516K63D, 0x5420800A) \
    X(31, Texture8LinearDestSubSrcVarTransparency1516K63D, 0x18008008) \
    X(32, Texture8FastPerspectiveDestSubSrcVarTransparency1516K63D, 0x5820800A) \
    X(33, Texture8LinearGouraudmono1516K63D, 0x00108008) \
    X(34, Texture8FastPerspectiveGouraudmono1516K63D, 0x4030800A) \
    X(35, Texture8LinearGouraudmonoOpacity1516K63D, 0x00508008) \
    X(36, Texture8FastPerspectiveOpacityGouraudmono1516K63D, 0x4070800A) \
    X(37, Texture8LinearAddTransparency1516K63D, 0x02008008) \
    X(38, Texture8FastPerspectiveAddTransparency1516K63D, 0x4220800A) \
    X(39, Texture8LinearVarTransparencyGouraudmono1516K63D, 0x10108008) \
    X(40, Texture8FastPerspectiveVarTransparencyGouraudmono1516K63D, 0x5030800A) \
    X(41, Texture8LinearVarTransparencyOpacityGouraudmono1516K63D, 0x10508008) \
    X(42, Texture8FastPerspectiveVarTransparencyOpacityGourdmon5K63D, 0x5070800A) \
    X(43, Texture8Linear1516K63D, 0x00008008) \
    X(44, Texture8FastPerspective1516K63D, 0x4020800A) \
    X(45, Texture8LinearOpacity1516K63D, 0x00408008) \
    X(46, Texture8FastPerspectiveOpacity1516K63D, 0x4060800A) \
    X(47, Texture8LinearAddTransparencyGouraudmono1516K63D, 0x02108008) \
    X(48, Texture8FastPerspectiveAddTransparencyGouraudmono1516K63D, 0x4230800A) \
    X(49, Texture8LinearSrcSubDestTransparency1516K63D, 0x04008008) \
    X(50, Texture8FastPerspectiveSrcSubDestTransparency1516K63D, 0x4420800A) \
    X(51, Texture8LinearDestSubSrcTransparency1516K63D, 0x08008008) \
    X(52, Texture8FastPerspectiveDestSubSrcTransparency1516K63D, 0x4820800A) \
    X(53, Zi32Texture16LinearGouraudmono1516K63D, 0x0010010E) \
    X(54, Zi32Texture16FastPerspectiveGouraudmono1516K63D, 0x4030010E) \
    X(55, Zi32Texture16LinearOpacityGouraudmono1516K63D, 0x0050010E) \
    X(56, Zi32Texture16FastPerspectiveOpacityGouraudmono1516K63D, 0x4070010E) \
    X(57, Zi32Texture16LinearAddTransparency1516K63D, 0x0200010E) \
    X(58, Zi32Texture16FastPerspectiveAddTransparency1516K63D, 0x4220010E) \
    X(59, Zi32Texture16LinearVarTransparencyGouraudmono1516K63D, 0x1010010E) \
    X(60, Zi32Texture16FastPerspectiveVarTransparencyGoudmono1516K63D, 0x5030010E) \
    X(61, Zi32Texture16LinearVarTransparencyOpacityGouraudmono1516K63D, 0x1050010E) \
    X(62, Zi32Texture16FastPerspectiveVarTransparencyOpacitGoudm156K6, 0x5070010E) \
    X(63, Zi32Texture16Linear1516K63D, 0x0000010E) \
    X(64, Zi32Texture16FastPerspective1516K63D, 0x4020010E) \
    X(65, Zi32Texture16LinearOpacity1516K63D, 0x0040010E) \
    X(66, Zi32Texture16FastPerspectiveOpacity1516K63D, 0x4060010E) \
    X(67, Zi32Texture16LinearAddTransparencyGouraudmono1516K63D, 0x0210010E) \
    X(68, Zi32Texture16FastPerspectiveAddTransparencyGoudmono1516K63D, 0x4230010E) \
    X(69, Zi32Texture16LinearSrcSubDestTransparency1516K63D, 0x0400010E) \
    X(70, Zi32Texture16FastPerspectiveSrcSubDestTransparency1516K63D, 0x4420010E) \
    X(71, Zi32Texture16LinearDestSubSrcTransparency1516K63D, 0x0800010E) \
    X(72, Zi32Texture16FastPerspectiveDestSubSrcTransparency1516K63D, 0x4820010E) \
    X(73, Zi32Texture16LinearAddVarTransparency1516K63D, 0x1200010E) \
    X(74, Zi32Texture16FastPerspectiveAddVarTransparency1516K63D, 0x5220010E) \
    X(75, Zi32Texture16LinearSrcSubDestVarTransparency1516K63D, 0x1400010E) \
    X(76, Zi32Texture16FastPerspectiveSrcSubDestVarTransparency1516K6, 0x5420010E) \
    X(77, Zi32Texture16LinearDestSubSrcVarTransparency1516K63D, 0x1800010E) \
    X(78, Zi32Texture16FastPerspectiveDestSubSrcVarTransparency1516K6, 0x5820010E) \
    X(79, Texture16LinearAddVarTransparency1516K63D, 0x12000008) \
    X(80, Texture16FastPerspectiveAddVarTransparency1516K63D, 0x5220000A) \
    X(81, Texture16LinearSrcSubDestVarTransparency1516K63D, 0x14000008) \
    X(82, Texture16FastPerspectiveSrcSubDestVarTransparency1516K63D, 0x5420000A) \
    X(83, Texture16LinearDestSubSrcVarTransparency1516K63D, 0x18000008) \
    X(84, Texture16FastPerspectiveDestSubSrcVarTransparency1516K63D, 0x5820000A) \
    X(85, Texture16LinearGouraudmono1516K63D, 0x00100008) \
    X(86, Texture16FastPerspectiveGouraudmono1516K63D, 0x4030000A) \
    X(87, Texture16LinearGouraudmonoOpacity1516K63D, 0x00500008) \
    X(88, Texture16FastPerspectiveOpacityGouraudmono1516K63D, 0x4070000A) \
    X(89, Texture16LinearAddTransparency1516K63D, 0x02000008) \
    X(90, Texture16FastPerspectiveAddTransparency1516K63D, 0x4220000A) \
    X(91, Texture16LinearVarTransparencyGouraudmono1516K63D, 0x10100008) \
    X(92, Texture16FastPerspectiveVarTransparencyGouraudmono1516K63D, 0x5030000A) \
    X(93, Texture16LinearVarTransparencyOpacityGouraudmono1516K63D, 0x10500008) \
    X(94, Texture16FastPerspectiveVarTransparencyOpacityGourdmon5K63D, 0x5070000A) \
    X(95, Texture16Linear1516K63D, 0x00000008) \
    X(96, Texture16FastPerspective1516K63D, 0x4020000A) \
    X(97, Texture16LinearOpacity1516K63D, 0x00400008) \
    X(98, Texture16FastPerspectiveOpacity1516K63D, 0x4060000A) \
    X(99, Texture16LinearAddTransparencyGouraudmono1516K63D, 0x02100008) \
    X(100, Texture16FastPerspectiveAddTransparencyGouraudmono1516K63D, 0x4230000A) \
    X(101, Texture16LinearSrcSubDestTransparency1516K63D, 0x04000008) \
    X(102, Texture16FastPerspectiveSrcSubDestTransparency1516K63D, 0x4420000A) \
    X(103, Texture16LinearDestSubSrcTransparency1516K63D, 0x08000008) \
    X(104, Texture16FastPerspectiveDestSubSrcTransparency1516K63D, 0x4820000A)

#define QM_DECLARE_K63D_SPAN(index, name, mode) void Span_##name();
QM_K63D_TEXTURED_SPANS(QM_DECLARE_K63D_SPAN)
#undef QM_DECLARE_K63D_SPAN

#define QM_K63D_SPAN_ENTRY(index, name, mode) HandSpanEntry{mode, &Span_##name, #name},
inline constexpr HandSpanEntry kK63DSpans[] = {
    HandSpanEntry{0x806, &Span_Zi32b15AsmMMX3K63D, "Zi32b15AsmMMX3K63D"},
    QM_K63D_TEXTURED_SPANS(QM_K63D_SPAN_ENTRY)
};
#undef QM_K63D_SPAN_ENTRY

// The span of a mode (the twin bit ignored); null for a mode no K6-3D row has.
constexpr RastFn K63DSpanOf(RenderMode mode) { return SpanOfMode(kK63DSpans, mode); }
