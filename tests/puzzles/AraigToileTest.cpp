// The web's coordinates file "toile.vue" and the shared number reader: blocks by rank, the limit of 65,
// each fatal fault, cut files, and numbers with signs, exponents and text between them.
#include <cfloat>

#include "puzzles/pz_traj.h"
#include "tests/puzzles/AraigFixture.h"

namespace {

// Reads numbers from the text until the cursor reaches its end (at most `most`).
std::vector<float> Numbers(const std::string& text, size_t most = 16) {
    std::vector<float> out;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    while (p < end && out.size() < most) {
        const char* before = p;
        out.push_back(read_float_traj(&p, end));
        EXPECT_LE(p, end);
        EXPECT_GT(p, before) << "the cursor stands still in \"" << text << "\"";
        if (p == before) break;
    }
    return out;
}

TEST(ReadFloatTraj, SignsExponentsAndTextBetweenNumbers) {
    EXPECT_EQ(Numbers("12 -3.5 .25 7."), (std::vector<float>{12, -3.5f, 0.25f, 7}));
    // Text at the cursor reads 0; the cursor then stands on the next number.
    EXPECT_EQ(Numbers("x=1.5, y=-2; z:3]"), (std::vector<float>{0, 1.5f, -2, 3}));
    // An exponent is converted, but the cursor stops on its digits, which are read again.
    EXPECT_EQ(Numbers("1e2 5"), (std::vector<float>{100, 2, 5}));
    EXPECT_EQ(Numbers("-2.5E-1"), (std::vector<float>{-0.25f, -1}));
    // A plus sign is skipped as text: the number after it is read again.
    EXPECT_EQ(Numbers("+3 4"), (std::vector<float>{3, 3, 4}));
    // Leading blanks are part of the conversion, not of the cursor's run.
    EXPECT_EQ(Numbers("  8 9"), (std::vector<float>{8, 8, 9}));
    // Magnitudes beyond single precision saturate.
    EXPECT_EQ(Numbers("1e99999 -1e400"), (std::vector<float>{FLT_MAX, 99999, -FLT_MAX, 400}));
    EXPECT_EQ(Numbers("- . --"), (std::vector<float>{0, 0, 0}));
}

TEST(ReadFloatTraj, NeverPassesTheEndOfTheText) {
    // The text is not terminated: the number at its end is read from its own characters only.
    const std::string all = "4.75123";
    const char* p = all.data();
    EXPECT_EQ(read_float_traj(&p, all.data() + 4), 4.75f);
    EXPECT_EQ(p, all.data() + 4);
    EXPECT_EQ(read_float_traj(&p, all.data() + 4), 0.0f);
    EXPECT_EQ(p, all.data() + 4);
    const char* none = nullptr;
    EXPECT_EQ(read_float_traj(&none, all.data()), 0.0f);
}

class Toile : public AraigTest {
protected:
    float coords[MAX_COORD_WARPS][3] = {};
    int32_t Read(const std::string& text) { return araig_read_toile(text.data(), text.size(), coords); }
    std::vector<float> Entry(int i) const { return {coords[i][0], coords[i][1], coords[i][2]}; }
};

TEST_F(Toile, BlocksFillEntriesInTheOrderTheyAreRead) {
    const std::string text = ToileWriter_Text({{"203", 1, 2, 3}, {"201", -4, 5.5f, -6}, {"265", 7, 8, 9}});
    ASSERT_EQ(Read(text), 3);
    EXPECT_EQ(Entry(0), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(Entry(1), (std::vector<float>{-4, 5.5f, -6}));
    EXPECT_EQ(Entry(2), (std::vector<float>{7, 8, 9}));
    EXPECT_TRUE(fatals.empty());
}

TEST_F(Toile, OnlyTheFirst65BlocksAreRead) {
    std::vector<ToileBlock> blocks;
    for (int i = 0; i < 65; i++) blocks.push_back({std::to_string(201 + i), float(i), 0, 0});
    // A 66th block is never looked at, however bad.
    blocks.push_back({"999", 1000, 0, 0});
    ASSERT_EQ(Read(ToileWriter_Text(blocks)), 65);
    EXPECT_EQ(Entry(64), (std::vector<float>{64, 0, 0}));
    EXPECT_TRUE(fatals.empty()) << Reports();
}

TEST_F(Toile, EachFaultIsFatalWithItsText) {
    struct Case {
        std::string text;
        std::string fatal;
    } cases[] = {
        {ToileWriter_Text({{"201", 1, 2, 3}, {"200", 0, 0, 0}}), "fill_coord_warps() err num_warp(200.000000)"},
        {ToileWriter_Text({{"266", 0, 0, 0}}), "fill_coord_warps() err num_warp(266.000000)"},
        {"frame 230 {\r\n pose [1 0 0 0 1 0 0 0 2 5 6 7]\r\n}\r\n", "fill_coord_warps() err '[' Point 0 "},
        {ToileWriter_Text({{"201", 1, 2, 3}}) + "frame 202 {\r\n pose [1 0 0 0 1 0 0 0 1 ", "fill_coord_warps() err decode 1 Point 1"},
        {"frame", "fill_coord_warps() err num_warp(0.000000)"},
    };
    for (const Case& c : cases) {
        fatals.clear();
        EXPECT_EQ(Read(c.text), -1) << c.text;
        ASSERT_EQ(fatals.size(), 1u) << c.text;
        EXPECT_EQ(fatals[0], c.fatal);
    }
    fatals.clear();
    EXPECT_EQ(Read("no block here"), 0);
    EXPECT_TRUE(fatals.empty());
}

TEST_F(Toile, AFileCutAnywhereInABlockEndsWithAFaultOfWhatIsMissing) {
    const std::string whole = ToileWriter_Text({{"201", 10, 20, 30}, {"202", -1, -2, -3}});
    const size_t second = whole.find("frame 202");
    for (size_t cut = second; cut < whole.size(); cut++) {
        fatals.clear();
        // Copied so that the sanitizers see any read past the cut.
        const std::vector<char> text(whole.begin(), whole.begin() + long(cut));
        const int32_t n = araig_read_toile(text.data(), text.size(), coords);
        if (n == 2) {
            EXPECT_TRUE(fatals.empty());
            // Cut inside the last number: what is left of it.
            EXPECT_EQ(Entry(0), (std::vector<float>{10, 20, 30}));
            continue;
        }
        EXPECT_EQ(n, cut < second + 5 ? 1 : -1) << cut;
        if (n == -1) EXPECT_EQ(fatals.size(), 1u) << cut;
    }
}

TEST_F(Toile, TheFileIsFoundUnderThe3dDirectoryOrItsLackIsFatal) {
    Start();
    fill_coord_warps();
    for (int32_t c = ARAIG_FIRST_CASE; c <= ARAIG_CENTRE; c++) {
        const CTVector3 want = SpiderWeb_Coords(uint32_t(c)), got = araig_case_coords(c);
        EXPECT_NEAR(got.x, want.x, 1e-3f) << c;
        EXPECT_NEAR(got.y, want.y, 1e-3f) << c;
        EXPECT_EQ(got.z, want.z) << c;
    }
    // Ids outside the cells have no entry.
    EXPECT_EQ(araig_case_coords(199).x, 0.0f);
    EXPECT_EQ(araig_case_coords(266).x, 0.0f);
    std::remove((dir / "datas_q2/3d/pz_araig/toile.vue").c_str());
    fill_coord_warps();
    ASSERT_FALSE(fatals.empty());
    EXPECT_EQ(fatals.back(), "Fichier introuvable:" + dir / "datas_q2/3d/pz_araig\\toile.vue");
}

}  // namespace
