// Routine-table invariants: groups, keys, modes, linear twins, names against mode bits, routines.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include "raster/RoutineTable.h"
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

TEST(RoutineTable, GroupsKeysAndUniqueModes)
{
    int rows = 0;
    for (const Group& g : kGroups) {
        std::set<uint32_t> modes;
        for (int i = g.first; i < g.first + g.count; ++i) {
            EXPECT_EQ(rasterizerTable[i].key, g.key) << "row " << i;
            EXPECT_TRUE(modes.insert(rasterizerTable[i].mode & ~RM_LINEAR_TWIN).second) << "row " << i;
            ++rows;
        }
    }
    EXPECT_EQ(rows, kRasterizerRows);

    EXPECT_EQ(rasterizerTable[0].mode, 0x40000u);
    EXPECT_EQ(rasterizerTable[1].mode, 0x806u);
    EXPECT_EQ(rasterizerTable[2].mode, 0x107u);
    EXPECT_EQ(rasterizerTable[3].mode, 0x1u);
    EXPECT_EQ(rasterizerTable[4].mode, 0x8008u);
    EXPECT_EQ(rasterizerTable[51].mode, 0x1070810Eu);
    EXPECT_EQ(rasterizerTable[99].mode, 0x1070010Eu);
    EXPECT_EQ(rasterizerTable[101].mode, 0x10810Eu);
    EXPECT_EQ(rasterizerTable[108].mode, 0x5030810Eu);
    EXPECT_EQ(rasterizerTable[127].mode, 0x12008008u);
    EXPECT_EQ(rasterizerTable[204].mode, 0x4820000Au);
}

TEST(RoutineTable, HandWrittenGroupsShareModesAndDifferFromPortableByFourModeKinds)
{
    std::set<uint32_t> portable, hand;
    for (int i = 0; i < kPortableRows; ++i)
        portable.insert(rasterizerTable[i].mode);
    for (int i = 0; i < kHandWrittenRows; ++i) {
        const uint32_t m = rasterizerTable[kK63DFirstRow + i].mode;
        EXPECT_EQ(rasterizerTable[kP2FirstRow + i].mode, m) << i;
        EXPECT_EQ(rasterizerTable[kMmxFirstRow + i].mode, m) << i;
        hand.insert(m & ~RM_LINEAR_TWIN);
    }
    std::set<uint32_t> onlyPortable, onlyHand;
    for (uint32_t m : portable)
        if (!hand.count(m))
            onlyPortable.insert(m);
    for (uint32_t m : hand)
        if (!portable.count(m))
            onlyHand.insert(m);
    EXPECT_EQ(onlyPortable, (std::set<uint32_t>{0x40000, 0x107, 0x1}));
    EXPECT_EQ(onlyHand, (std::set<uint32_t>{0x210810E, 0x230810E, 0x2108008, 0x230800A, 0x210010E, 0x230010E,
                                             0x2100008, 0x230000A}));
}

TEST(RoutineTable, EveryTwinFollowsItsLinearRow)
{
    int twins = 0;
    for (const Group& g : kGroups) {
        int inGroup = 0;
        for (int i = g.first; i < g.first + g.count; ++i) {
            const uint32_t m = rasterizerTable[i].mode;
            if (!(m & RM_LINEAR_TWIN))
                continue;
            ++inGroup;
            ASSERT_GT(i, g.first);
            uint32_t linear = m & ~(RM_LINEAR_TWIN | RM_PERSPECTIVE);
            if (!(m & RM_ZBUFFER))
                linear &= ~RM_INTERP_Z;
            EXPECT_EQ(rasterizerTable[i - 1].mode, linear) << "row " << i;
            EXPECT_TRUE(m & RM_PERSPECTIVE) << "row " << i;
        }
        EXPECT_EQ(inGroup, g.key == 0x601 ? 0 : 52);
        twins += inGroup;
    }
    EXPECT_EQ(twins, 156);
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

TEST(RoutineTable, EverySelectableRowHasItsRoutines)
{
    const RasterizerRow& wire = rasterizerTable[0];
    EXPECT_EQ(wire.triangle, &Rast_Wireframe);
    EXPECT_EQ(wire.setup, nullptr);
    EXPECT_EQ(wire.span, nullptr);
    std::set<RastFn> portableSpans;
    for (int i = 1; i < kPortableRows; ++i) {
        const RasterizerRow& r = rasterizerTable[i];
        EXPECT_EQ(r.triangle, &Rast_TriangleC) << i;
        EXPECT_EQ(r.setup, &Rast_SetupScanC) << i;
        EXPECT_TRUE(r.span && portableSpans.insert(r.span).second) << i;
    }

    // The hand-written groups have routines of their own (test_p2_rows.cpp, test_k63d_rows.cpp).
}
