// Routine-table invariants: groups, keys, modes, linear twins, names against mode bits, routines.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include "raster/RoutineTable.h"
#include "raster/k63d/K63DSpans.h"
#include "raster/k63d/K63DTriangle.h"
#include "raster/p2/HandSpans.h"
#include "raster/p2/P2Triangle.h"
#include "raster/portable/PortableSpans.h"

namespace {

struct Group {
    int first, count;
    uint32_t key;
};
const Group kGroups[4] = {
    {kPortableFirstRow, kPortableRows, 0x601},
    {kK63DFirstRow, kHandWrittenRows, 0x610},
    {kP2FirstRow, kHandWrittenRows, 0x608},
    {kMmxFirstRow, kHandWrittenRows, 0x604},
};

bool Has(const std::string& s, const char* word) { return s.find(word) != std::string::npos; }
bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Rows whose names disagree with their Gouraudmono bit.
const std::set<int> kGouraudNameMismatch = {50, 51, 59, 60, 61, 71, 72, 73, 83, 84, 85, 95, 96, 97};
// K6-3D rows whose names end in the Pentium II suffix.
const std::set<int> kK63DNamedII = {124, 126, 161, 168};

}  // namespace

// Each group has its key and no mode twice; every linear twin follows its linear row; the
// hand-written groups have the same modes, which differ from the portable ones by the wireframe and
// flat rows and the Add with Gouraudmono rows.
TEST(RoutineTable, GroupsKeysModesAndTwins)
{
    int rows = 0, twins = 0;
    for (const Group& g : kGroups) {
        std::set<uint32_t> modes;
        int inGroup = 0;
        for (int i = g.first; i < g.first + g.count; ++i, ++rows) {
            const uint32_t m = rasterizerTable[i].mode;
            EXPECT_EQ(rasterizerTable[i].key, g.key) << "row " << i;
            EXPECT_TRUE(modes.insert(m & ~RM_LINEAR_TWIN).second) << "row " << i;
            if (g.first != kPortableFirstRow) {
                EXPECT_EQ(rasterizerTable[kK63DFirstRow + i - g.first].mode, m) << i;
            }
            if (!(m & RM_LINEAR_TWIN)) continue;
            ++inGroup;
            ASSERT_GT(i, g.first);
            uint32_t linear = m & ~(RM_LINEAR_TWIN | RM_PERSPECTIVE);
            if (!(m & RM_ZBUFFER)) linear &= ~RM_INTERP_Z;
            EXPECT_EQ(rasterizerTable[i - 1].mode, linear) << "row " << i;
            EXPECT_TRUE(m & RM_PERSPECTIVE) << "row " << i;
        }
        EXPECT_EQ(inGroup, g.key == 0x601 ? 0 : 52);
        twins += inGroup;
    }
    EXPECT_EQ(rows, kRasterizerRows);
    EXPECT_EQ(twins, 156);

    std::set<uint32_t> portable, hand, onlyPortable, onlyHand;
    for (int i = 0; i < kPortableRows; ++i) portable.insert(rasterizerTable[i].mode);
    for (int i = 0; i < kHandWrittenRows; ++i) hand.insert(rasterizerTable[kK63DFirstRow + i].mode & ~RM_LINEAR_TWIN);
    for (uint32_t m : portable)
        if (!hand.count(m)) onlyPortable.insert(m);
    for (uint32_t m : hand)
        if (!portable.count(m)) onlyHand.insert(m);
    EXPECT_EQ(onlyPortable, (std::set<uint32_t>{0x40000, 0x107, 0x1}));
    EXPECT_EQ(onlyHand, (std::set<uint32_t>{0x210810E, 0x230810E, 0x2108008, 0x230800A, 0x210010E, 0x230010E,
                                             0x2100008, 0x230000A}));
}

// The row names are built from the words of the mode bits, with a few known irregularities.
TEST(RoutineTable, NamesAgreeWithModeBits)
{
    for (int i = 0; i < kRasterizerRows; ++i) {
        const std::string n = rasterizerTable[i].name;
        const uint32_t m = rasterizerTable[i].mode;
        SCOPED_TRACE("row " + std::to_string(i) + " " + n);
        const bool textured = m & RM_TEXTURE;
        if (m == 0x806) {
            EXPECT_EQ(n, i == 1 ? "Zi32b15C" : "Zi32b15AsmMMX3");
            continue;
        }
        EXPECT_EQ(n == "wireframe", m == RM_WIREFRAME);
        EXPECT_EQ(Has(n, "Flat"), bool(m & RM_FLAT));
        EXPECT_EQ(n.rfind("Zi32", 0) == 0, bool(m & RM_ZKIND_ZI32));
        EXPECT_EQ(Has(n, "Texture8"), bool(m & RM_TEXTURE8));
        EXPECT_EQ(Has(n, "Texture16") || Has(n, "Texture1516"), textured && !(m & RM_TEXTURE8));
        EXPECT_EQ(Has(n, "FastPerspective"), bool(m & RM_PERSPECTIVE));
        EXPECT_EQ(Has(n, "Linear"), textured && !(m & RM_PERSPECTIVE));
        EXPECT_EQ(Has(n, "Opacit"), bool(m & RM_OPACITY));
        EXPECT_EQ(Has(n, "Add"), bool(m & RM_ADD));
        EXPECT_EQ(Has(n, "SrcSubDest"), bool(m & RM_SRC_SUB_DEST));
        EXPECT_EQ(Has(n, "DestSubSrc"), bool(m & RM_DEST_SUB_SRC));
        EXPECT_EQ(Has(n, "VarTransparency"), bool(m & RM_VAR_TRANSPARENCY));
        const bool blend = m & (RM_ADD | RM_SRC_SUB_DEST | RM_DEST_SUB_SRC);
        EXPECT_EQ(Has(n, "Transparency") && !Has(n, "VarTransparency"), blend && !(m & RM_VAR_TRANSPARENCY));
        const bool gouraudName = Has(n, "Gouraudmono") || Has(n, "Goudmono") || Has(n, "Gourdmon") || Has(n, "Goudm");
        EXPECT_EQ(gouraudName != bool(m & RM_GOURAUDMONO), kGouraudNameMismatch.count(i) == 1);

        if (i < kK63DFirstRow)
            EXPECT_TRUE(i == 0 || EndsWith(n, "C"));
        else if (i < kP2FirstRow)
            EXPECT_TRUE(kK63DNamedII.count(i) ? EndsWith(n, "1516II") : EndsWith(n, "K63D") || EndsWith(n, "K6"));
        else if (i < kMmxFirstRow)
            EXPECT_TRUE(EndsWith(n, "II"));
        else
            EXPECT_TRUE(EndsWith(n, "MX"));
    }
}

// Portable rows share the portable frame with a span each; the Pentium II rows use the frame of their
// mode and one span shared with the MMX row, whose frame entries are its own; the K6-3D rows have
// frames and spans of their own.
TEST(RoutineTable, EverySelectableRowHasItsRoutines)
{
    EXPECT_EQ(rasterizerTable[0].triangle, &Rast_Wireframe);
    EXPECT_EQ(rasterizerTable[0].span, nullptr);
    std::set<RastFn> portableSpans, k6Spans;
    for (int i = 1; i < kPortableRows; ++i) {
        const RasterizerRow& r = rasterizerTable[i];
        EXPECT_EQ(r.triangle, &Rast_TriangleC) << i;
        EXPECT_EQ(r.setup, &Rast_SetupScanC) << i;
        EXPECT_TRUE(r.span && portableSpans.insert(r.span).second) << i;
    }
    for (int i = 0; i < kHandWrittenRows; ++i) {
        const RasterizerRow& p2 = rasterizerTable[kP2FirstRow + i];
        const RasterizerRow& mx = rasterizerTable[kMmxFirstRow + i];
        const RasterizerRow& k6 = rasterizerTable[kK63DFirstRow + i];
        SCOPED_TRACE(p2.name);
        const HandFrameRoutines frame = P2FrameOf(p2.mode), k6Frame = K63DFrameOf(k6.mode);
        EXPECT_EQ(p2.triangle, frame.triangle);
        EXPECT_EQ(p2.setup, frame.setup);
        ASSERT_NE(p2.span, nullptr);
        EXPECT_EQ(p2.span, kHandSpans[i].span);
        EXPECT_EQ(p2.mode, kHandSpans[i].mode);
        EXPECT_EQ(mx.span, p2.span);
        EXPECT_EQ(std::string(mx.name), kHandSpans[i].name);
        const HandFrameRoutines mxFrame = MxFrameOf(mx.mode);
        EXPECT_EQ(mx.triangle, mxFrame.triangle);
        EXPECT_EQ(mx.setup, mxFrame.setup);
        EXPECT_NE(mx.triangle, p2.triangle);
        EXPECT_NE(mx.setup, p2.setup);
        EXPECT_EQ(k6.triangle, k6Frame.triangle);
        EXPECT_EQ(k6.setup, k6Frame.setup);
        EXPECT_EQ(k6.span, kK63DSpans[i].span);
        EXPECT_EQ(k6.mode, kK63DSpans[i].mode);
        EXPECT_TRUE(k6Spans.insert(k6.span).second);
        // The span is named as the row, but for the rows whose names end in "II" and the depth-only row.
        std::string name = k6.name;
        if (name.ends_with("II")) name = name.substr(0, name.size() - 2) + "K63D";
        if (i == 0) name += "K63D";
        EXPECT_EQ(name, kK63DSpans[i].name);
    }
}

// Every MMX row carries the named MMX entries of its frame kind, the same kind as its Pentium II row.
TEST(RoutineTable, MmxRowsCarryTheNamedEntriesOfTheirKind)
{
    const struct {
        RenderMode mode;  // the Texture16 member; its Texture8 members add 0x8000
        RastFn triangle, scan, p2Triangle;
    } kinds[] = {
        {0x8, &Rast_TriangleLinearMX, &Rast_ScanLinearMX, &Rast_TriangleLinearII},
        {0x100008, &Rast_TriangleLinearGouraudMX, &Rast_ScanLinearGouraudMX, &Rast_TriangleLinearGouraudII},
        {0x20000A, &Rast_TriangleFastPerspectiveMX, &Rast_ScanFastPerspectiveMX, &Rast_TriangleFastPerspectiveII},
        {0x30000A, &Rast_TriangleFastPerspectiveGouraudMX, &Rast_ScanFastPerspectiveGouraudMX,
         &Rast_TriangleFastPerspectiveGouraudII},
        {0x10E, &Rast_TriangleZi32LinearMX, &Rast_ScanZi32LinearMX, &Rast_TriangleZi32LinearII},
        {0x10010E, &Rast_TriangleZi32LinearGouraudMX, &Rast_ScanZi32LinearGouraudMX, &Rast_TriangleZi32LinearGouraudII},
        {0x20010E, &Rast_TriangleZi32FastPerspectiveMX, &Rast_ScanZi32FastPerspectiveMX,
         &Rast_TriangleZi32FastPerspectiveII},
        {0x30010E, &Rast_TriangleZi32FastPerspectiveGouraudMX, &Rast_ScanZi32FastPerspectiveGouraudMX,
         &Rast_TriangleZi32FastPerspectiveGouraudII},
        {0x806, &Rast_TriangleZi32b15MX, &Rast_ScanZi32b15MX, &Rast_TriangleZi32b15II},
    };
    int found = 0;
    for (const auto& k : kinds)
        for (int i = 0; i < kHandWrittenRows; ++i) {
            const RasterizerRow& mx = rasterizerTable[kMmxFirstRow + i];
            const RenderMode m = mx.mode & ~RM_LINEAR_TWIN & ~RM_TEXTURE8;
            if ((m & (RM_ZKIND_MASK | RM_ZBUFFER | RM_PERSPECTIVE | RM_GOURAUDMONO)) !=
                (k.mode & (RM_ZKIND_MASK | RM_ZBUFFER | RM_PERSPECTIVE | RM_GOURAUDMONO)))
                continue;
            SCOPED_TRACE(mx.name);
            ++found;
            EXPECT_EQ(mx.triangle, k.triangle);
            EXPECT_EQ(mx.setup, k.scan);
            EXPECT_EQ(rasterizerTable[kP2FirstRow + i].triangle, k.p2Triangle);
        }
    EXPECT_EQ(found, kHandWrittenRows);
}
