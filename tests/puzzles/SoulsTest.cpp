// The souls maze of LA 1 to 60: the cells of the views, what a cell sees, the thinning, the arming and the cycle.
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "PuzzleFixture.h"
#include "puzzles/pz_ames.h"

namespace {
class SoulsTest : public PuzzleTest {
protected:
    // Extra "1b" shadows beside the four souls; 17 of them make 34 candidates from LA 31.
    virtual int Shadows() const { return 3; }

    void SetUp() override {
        PuzzleTest::SetUp();
        Names(names.personnages, "AME%d", 1, 4);
        Names(names.personnages, "OMBRE%d", 1, Shadows());
        names.objets.push_back("LANTERNE");  // object 1, as AME1 is character 1
        for (uint32_t v : {1u, 3u, 30u, 31u, 61u}) View("LA", v);
        // Seen ahead (510) at distances 3 and 2, aside (509) at 1 and 2; the far one is clickable.
        auto soul = [](uint32_t n, uint32_t vue, int32_t clic = 0) {
            return WamAnimDesc{'A', n, vue, clic, 0, 5, 0, 64 * int32_t(n), 64};
        };
        Element(1, "AME1", "1a", {soul(3, 510, 1), soul(2, 510), soul(1, 509), soul(2, 509)});
        Element(1, "AME2", "1b", {soul(1, 509), soul(2, 509)});
        Element(1, "AME3", "1c", {soul(3, 510), soul(1, 509)});
        for (int i = 1; i <= Shadows(); i++) Element(1, "OMBRE" + std::to_string(i), "1b", {soul(1, 509), soul(2, 509)});
        Element(2, "LANTERNE", "LANT", {Anim(3, 3, 5, 400, 64)});
        Start();
    }
    static std::vector<int> SoulSlots() {
        std::vector<int> out;
        for (int i = 0; i < OrvSpw_NbVisibles; i++) {
            const ST_spw_visible& s = OrvSpw_Visibles[i];
            if (s.type % 2 == 1 && std::string(DefName_GetName(DEFNAME_PERSONNAGES, s.elem_id)).rfind("AME", 0) == 0)
                out.push_back(i);
        }
        return out;
    }
};

class CrowdedSoulsTest : public SoulsTest {
protected:
    int Shadows() const override { return 16; }
};
}  // namespace

TEST_F(SoulsTest, EveryViewHasItsCell) {
    // Groups of five views: drawing, line, and the columns from the group's first view on.
    struct Group {
        int drawing, line;
        bool rightwards;
    };
    const Group groups[12] = {{2, 11, true}, {2, 9, false}, {2, 7, true},  {2, 5, false}, {2, 3, true},  {2, 1, false},
                              {1, 1, false}, {1, 3, true},  {1, 5, false}, {1, 7, true},  {1, 9, false}, {1, 11, true}};
    std::set<std::tuple<int, int, int>> cells;
    for (uint32_t v = 1; v <= 60; v++) {
        const Group& g = groups[(v - 1) / 5];
        const int k = int((v - 1) % 5);
        const PzAmesCase c = pz_ames_case_vue(v);
        EXPECT_EQ(c.drawing, g.drawing) << v;
        EXPECT_EQ(c.line, g.line) << v;
        EXPECT_EQ(c.column, g.rightwards ? 1 + 2 * k : 9 - 2 * k) << v;
        cells.insert({c.drawing, c.line, c.column});
    }
    EXPECT_EQ(cells.size(), 60u);
}

TEST_F(SoulsTest, WallsAndPassagesAroundACellAndBeyondTheDrawing) {
    pz_ames_set_case(pz_ames_case_vue(31));  // drawing 1, "b. . .|. .|", column 9
    EXPECT_TRUE(pz_ames_ouvert(-1, 0));
    EXPECT_TRUE(pz_ames_mur(1, 0));
    EXPECT_TRUE(pz_ames_mur(0, -1));
    EXPECT_TRUE(pz_ames_ouvert(0, 1));
    EXPECT_TRUE(pz_ames_mur(0, -2)) << "above the drawing";
    EXPECT_TRUE(pz_ames_mur(2, 0)) << "right of the drawing";
    pz_ames_set_case(pz_ames_case_vue(1));  // drawing 2, "l. . .|. .|", column 1
    EXPECT_TRUE(pz_ames_mur(-1, 0)) << "the line's letter";
    EXPECT_TRUE(pz_ames_mur(-2, 1)) << "left of the drawing";
    EXPECT_TRUE(pz_ames_mur(0, 2)) << "below the drawing";
}

TEST_F(SoulsTest, ACellSeesTheSoulsOfItsOpenCorridorsAndTheLowViewsSeeThemReversed) {
    auto seen = [this](uint32_t v) {
        Go("LA", v);
        std::set<std::string> out;
        for (const ST_wam_perso* p = OrvWam_GetWorld()->persos; p; p = p->next)
            for (const ST_wam_animation* a = p->animations; a; a = a->next)
                if (pz_ames_voit(p, a))
                    out.insert(std::string(p->name) + " " + std::to_string(a->numero) + "@" + std::to_string(a->vue_id));
        return out;
    };
    // LA 31: only the corridor aside on the left, rules 10 and 14.
    EXPECT_EQ(seen(31), (std::set<std::string>{"AME2 1@509", "AME2 2@509", "OMBRE1 1@509", "OMBRE1 2@509",
                                               "OMBRE2 1@509", "OMBRE2 2@509", "OMBRE3 1@509", "OMBRE3 2@509"}));
    // LA 3: rules 1, 5, 9 and 13 name "1c", which the views up to 30 read as "1a".
    EXPECT_EQ(seen(3), (std::set<std::string>{"AME1 3@510", "AME1 2@510", "AME1 1@509", "AME1 2@509"}));
    // LA 1: walled in but for corridors that lead out of the drawing.
    EXPECT_TRUE(seen(1).empty());
}

namespace {
// The two maze drawings and the visibility rules, as the maze's design gives them, for an independent
// reckoning of what a cell sees.
const char* const kMazeHigh[13] = {"a----------", "b. . .|. .|", "c   +-+   |", "d.|.|. .|.|", "e-+   +-+ |",
                                   "f. . .|. .|", "g  -+-+---|", "h. .|.|. .|", "i     +-+ |", "j.|. . .|.|",
                                   "k +-+  -+ |", "l. .|. . .|", "m----------"};
const char* const kMazeLow[13] = {"a----------", "b. .|. . .|", "c   +-+   |", "d.|. .|.|.|", "e +-+   +-|",
                                  "f. .|. . .|", "g---+-+-  |", "h. .|.|. .|", "i +-+     |", "j.|. . .|.|",
                                  "k +-+  -+ |", "l. . .|. .|", "m----------"};
struct Step {
    int dx, dy;
};
struct SightRule {
    std::vector<Step> open, wall, anyWall;  // all open, all walls, and (when listed) one of these a wall
    const char* side;
    uint32_t numero, vue;
};
std::vector<SightRule> SightRules() {
    struct Row {
        std::vector<Step> open, anyWall;
        const char* side;
    };
    const Row ahead[4] = {{{{0, -1}, {1, -2}}, {{1, 0}, {2, -1}}, "1c"},
                          {{{-1, 0}, {-2, -1}}, {{0, -1}, {-1, -2}}, "1b"},
                          {{{0, 1}, {-1, 2}}, {{-1, 0}, {-2, 1}}, "1a"},
                          {{{1, 0}, {2, 1}}, {{0, 1}, {1, 2}}, "1d"}};
    const Row aside[4] = {{{{0, -1}, {-1, -2}}, {{-2, -1}, {-1, 0}}, "1c"},
                          {{{-1, 0}, {-2, 1}}, {{-1, 2}, {0, 1}}, "1b"},
                          {{{0, 1}, {1, 2}}, {{2, 1}, {1, 0}}, "1a"},
                          {{{1, 0}, {2, -1}}, {{1, -2}, {0, -1}}, "1d"}};
    std::vector<SightRule> rules;
    for (uint32_t n : {3u, 2u})
        for (const Row& r : ahead) rules.push_back({r.open, {}, r.anyWall, r.side, n, 510});
    for (uint32_t n : {1u, 2u})
        for (const Row& r : aside) rules.push_back({r.open, {}, r.anyWall, r.side, n, 509});
    rules.push_back({{{-1, -2}, {-1, 2}, {0, -1}, {0, 1}}, {{-1, 0}}, {}, "1a", 1, 510});
    rules.push_back({{{-2, -1}, {2, -1}, {-1, 0}, {1, 0}}, {{0, -1}}, {}, "1b", 1, 510});
    rules.push_back({{{1, -2}, {1, 2}, {0, -1}, {0, 1}}, {{1, 0}}, {}, "1c", 1, 510});
    rules.push_back({{{-2, 1}, {2, 1}, {-1, 0}, {1, 0}}, {{0, 1}}, {}, "1d", 1, 510});
    return rules;
}
// Beyond the drawing is wall.
bool MazeOpen(const PzAmesCase& c, Step s) {
    const int line = c.line + s.dy, column = c.column + s.dx;
    if (line < 0 || line > 12 || column < 0 || column > 10) return false;
    return (c.drawing == 1 ? kMazeHigh : kMazeLow)[line][column] == ' ';
}
bool Holds(const SightRule& r, const PzAmesCase& c) {
    const auto open = [&](Step s) { return MazeOpen(c, s); };
    const auto wall = [&](Step s) { return !MazeOpen(c, s); };
    return std::all_of(r.open.begin(), r.open.end(), open) && std::all_of(r.wall.begin(), r.wall.end(), wall) &&
           (r.anyWall.empty() || std::any_of(r.anyWall.begin(), r.anyWall.end(), wall));
}
// The views up to 30 see the maze from its other end: each side is the opposite one.
std::string SeenSide(const char* side, bool lowView) {
    if (!lowView) return side;
    return {side[0], char("cdab"[side[1] - 'a'])};
}
}  // namespace

TEST_F(SoulsTest, EveryPlaceOfBothDrawingsSeesWhatTheTwentyRulesShow) {
    // Every side in both cases, a longer and a shorter prefix, every distance and both views, and another letter.
    std::vector<ST_wam_perso> persos;
    for (const char* prefix : {"1a", "1b", "1c", "1d", "1A", "1B", "1C", "1D", "1ax", "1", "2a"}) {
        ST_wam_perso p{};
        std::strcpy(p.name, prefix);
        std::strcpy(p.prefix, prefix);
        persos.push_back(p);
    }
    std::vector<ST_wam_animation> anims;
    for (char letter : {'A', 'B'})
        for (uint32_t n = 0; n <= 4; n++)
            for (uint32_t vue : {508u, 509u, 510u})
                anims.push_back(ST_wam_animation{letter, n, vue, 0, 0, 5, 0, 0, 0, nullptr});

    const std::vector<SightRule> rules = SightRules();
    std::vector<int> decisive(rules.size(), 0);  // places where a rule alone shows some animation
    std::vector<std::string> wrong;
    for (uint32_t view : {30u, 31u}) {
        Go("LA", view);
        const bool low = view <= 30;
        for (int drawing = 1; drawing <= 2; drawing++)
            for (int line = 0; line < 13; line++)
                for (int column = 0; column < 11; column++) {
                    const PzAmesCase c{drawing, line, column};
                    pz_ames_set_case(c);
                    for (const ST_wam_perso& p : persos)
                        for (const ST_wam_animation& a : anims) {
                            std::vector<size_t> by;
                            for (size_t r = 0; r < rules.size(); r++)
                                if (Holds(rules[r], c) && a.lettre == 'A' && a.numero == rules[r].numero &&
                                    a.vue_id == rules[r].vue &&
                                    strcasecmp(p.prefix, SeenSide(rules[r].side, low).c_str()) == 0)
                                    by.push_back(r);
                            if (by.size() == 1) decisive[by[0]]++;
                            if (pz_ames_voit(&p, &a) != !by.empty())
                                wrong.push_back("LA " + std::to_string(view) + " drawing " + std::to_string(drawing) +
                                                " (" + std::to_string(line) + "," + std::to_string(column) + ") " +
                                                p.prefix + " " + a.lettre + std::to_string(a.numero) + "@" +
                                                std::to_string(a.vue_id));
                        }
                }
    }
    EXPECT_TRUE(wrong.empty()) << wrong.size() << " differ, first " << wrong.front();
    // Each rule decides somewhere, but the last: no place of either drawing has its walls.
    for (size_t r = 0; r + 1 < rules.size(); r++) EXPECT_GT(decisive[r], 0) << "rule " << r + 1;
    EXPECT_EQ(decisive.back(), 0);
}

TEST_F(SoulsTest, TheEntryThinsTheCandidatesAndArmsTheSouls) {
    orv_srand(7);
    Go("LA", 3);
    EXPECT_EQ(pz_actif, PZ_AMES);
    EXPECT_EQ(pz_ames_nb_souls(), 3) << "four candidates lose one";
    const std::vector<int> souls = SoulSlots();
    ASSERT_EQ(souls.size(), 3u);
    for (int i : souls) {
        const ST_spw_visible& s = OrvSpw_Visibles[i];
        EXPECT_EQ(s.shown, 0);
        EXPECT_EQ(s.playing, 0);
        EXPECT_GE(s.first_frame, 10);
        EXPECT_LE(s.first_frame, 10 + (150 - 5) * 5 + 105);
        for (int j : souls)
            if (j != i) EXPECT_GE(std::abs(s.first_frame - OrvSpw_Visibles[j].first_frame), 45) << i << " " << j;
    }
    Go("LA", 31);
    EXPECT_EQ(pz_ames_nb_souls(), 5) << "eight candidates lose three";
}

TEST_F(SoulsTest, ASoulIsArmedAwayFromTheOthersWaits) {
    orv_srand(7);
    Go("LA", 3);
    const std::vector<int> souls = SoulSlots();
    ASSERT_EQ(souls.size(), 3u);
    // A long soul draws its first wait in 10..55, always within 45 of the others' 30; its redraws
    // reach 115, and one of 75 or more stands.
    for (int i : souls) OrvSpw_Visibles[i].first_frame = 30;
    OrvSpw_Visibles[souls[0]].last_frame = 150;
    for (int round = 0; round < 20; round++) {
        pz_ames_arme(souls[0]);
        EXPECT_GE(OrvSpw_Visibles[souls[0]].first_frame, 75) << round;
        EXPECT_LE(OrvSpw_Visibles[souls[0]].first_frame, 115) << round;
    }
}

TEST_F(SoulsTest, ADrawOfTheLargestValueIsAFailedTry) {
    orv_srand(SeedForFirstDraw(ORV_RAND_MAX));
    EXPECT_EQ(pz_ames_rand(4), 4);
    orv_srand(SeedForFirstDraw(ORV_RAND_MAX));
    Go("LA", 3);
    EXPECT_EQ(pz_ames_nb_souls(), 3);
}

TEST_F(SoulsTest, SoulsComeAndGoAndTheFarOneTakesNoClick) {
    // A draw that keeps the far soul (distance 3).
    auto far = [] {
        for (int i : SoulSlots())
            if (OrvSpw_Visibles[i].anim->numero == 3) return true;
        return false;
    };
    for (uint32_t k = 1; k < 20 && !far(); k++) {
        orv_srand(k * 0x9E3779B9u);
        Go("LA", 3);
    }
    ASSERT_TRUE(far());
    const std::vector<int> souls = SoulSlots();
    std::vector<int> shownAt(OrvSpw_NbVisibles, -1), hiddenAt(OrvSpw_NbVisibles, -1);
    // Shorter waits than the drawn ones keep the run short.
    std::vector<int32_t> waits(OrvSpw_NbVisibles);
    for (size_t k = 0; k < souls.size(); k++) waits[size_t(souls[k])] = OrvSpw_Visibles[souls[k]].first_frame = 5 + 50 * int32_t(k);
    // The lantern has AME1's id, but is an object: no soul.
    ST_spw_visible& lantern = Slot("LANTERNE", WAM_OBJET);
    ASSERT_EQ(lantern.elem_id, DefName_GetIdName(DEFNAME_PERSONNAGES, "AME1"));
    for (int pass = 1; pass <= 200; pass++) {
        Pass(pass % 4 == 0);  // the frame timer ticks every fourth pass
        for (int i : souls) {
            const ST_spw_visible& s = OrvSpw_Visibles[i];
            if (s.shown && shownAt[size_t(i)] < 0) {
                shownAt[size_t(i)] = pass;
                EXPECT_EQ(s.frame, 0);
            }
            if (shownAt[size_t(i)] >= 0 && !s.shown && hiddenAt[size_t(i)] < 0) {
                hiddenAt[size_t(i)] = pass;
                EXPECT_GE(s.first_frame, 10) << "armed again";
            }
            if (s.shown && shownAt[size_t(i)] < pass && s.anim->numero == 3) EXPECT_EQ(s.clic_type, 0);
        }
        ASSERT_EQ(lantern.shown, 1) << pass;
    }
    int appearances = 0, vanishings = 0;
    for (const std::string& c : commands) appearances += c == "NewSound=220", vanishings += c == "NewSound=221";
    for (int i : souls) {
        EXPECT_EQ(shownAt[size_t(i)], waits[size_t(i)]) << "one pass per countdown step";
        // Shown from frame 0 to frame 4 (the last but one of six): four new frames.
        EXPECT_GE(hiddenAt[size_t(i)] - shownAt[size_t(i)], 13);
        EXPECT_LE(hiddenAt[size_t(i)] - shownAt[size_t(i)], 16);
    }
    EXPECT_GE(appearances, int(souls.size()));
    EXPECT_GE(vanishings, int(souls.size()));
    EXPECT_LE(appearances - vanishings, int(souls.size()));

    // A view above 60 ends the puzzle at the next pass.
    Go("LA", 61);
    EXPECT_EQ(pz_actif, PZ_AMES);
    Pass();
    EXPECT_EQ(pz_actif, PZ_NONE);
}

TEST_F(CrowdedSoulsTest, ThirtyFourCandidatesAreFatal) {
    Go("LA", 31);
    ASSERT_FALSE(fatals.empty());
    EXPECT_NE(fatals[0].find("pz_ames_entree_warp spw overflow"), std::string::npos);
    EXPECT_EQ(OrvSpw_NbVisibles, 0) << "nothing was loaded";
}
