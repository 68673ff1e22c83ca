// Zones under the screen centre and the routing of a click: scenario zones, moves, links, aborts, puzzles, sprites.
#include "PanoramaFixture.h"
#include "panorama/GereClic.h"
#include "panorama/Z3d.h"

namespace {
// What the puzzle hooks saw.
struct PuzzleLog {
    int gereClic = 0;
    int32_t zoneType = 0;
    bool take = false;
    int araig = 0;
    bool araigTakes = false;
    int poete = 0;
    int entree = 0;
    int dialActive = 0;
    int cont = 0;
} g_pz;

bool PzGereClic(ST_wam_zclic* z) {
    g_pz.gereClic++;
    g_pz.zoneType = z ? z->type : -1;
    return g_pz.take;
}
bool PzAraig() {
    g_pz.araig++;
    return g_pz.araigTakes;
}
void PzPoete() { g_pz.poete++; }
void PzEntree() { g_pz.entree++; }
bool DialActive() { return g_pz.dialActive != 0; }
void PzContinue() { g_pz.cont++; }

constexpr float kYawSprite = 0.6021f;  // atan(0.6875): the vase's centre

class ClickTest : public WarpWorldTest {
protected:
    void SetUp() override {
        WarpWorldTest::SetUp();
        g_pz = PuzzleLog{};
        OrvHooks.pz_gere_clic = PzGereClic;
        OrvHooks.pz_araig_gere_clic = PzAraig;
        OrvHooks.pz_merle_poete_gere_clic = PzPoete;
        OrvHooks.pz_entree_vue = PzEntree;
        OrvHooks.OrvDial_IsActive = DialActive;
        ChapterWriter w;
        w.Vue("IR", 10);
        // The leaving pass sees DEPARTVUE; flag 5 makes it forbid leaving.
        w.Block("DEPARTVUE=11", {"(flag1=1)"});
        w.Block("DEPARTVUE!=0 & flag5=1", {"(ABORTDEPART=1)"});
        Script(w);
        Enter(10);
        MouseClickFlags = {};
    }
    // One pass's drawing and the click routing, looking at (yaw, pitch).
    void ClickAt(float yaw, float pitch, bool click = true) {
        OrvWarp_SetViewAngles(yaw, pitch);
        MouseClickFlags.click = click ? 1 : 0;
        Draw();
        OrvMain_GereClic();
    }
};
}  // namespace

TEST_F(ClickTest, ZonesAreFoundAtTheScreenCentre) {
    const std::pair<float, int32_t> looks[] = {
        {0.0f, 3}, {WARP_PI / 2, 1}, {WARP_PI, 3 + 88888}, {-WARP_PI / 2, 2}, {kYawSprite, 3}, {0.35f, -1}};
    for (auto [yaw, type] : looks) {
        OrvWarp_SetViewAngles(yaw, 0.0f);
        Draw();
        if (type < 0) {
            EXPECT_EQ(OrvWarp_ZoneSouris, nullptr) << yaw;
            EXPECT_EQ(Interface_GetCurseurKind(), 0);
            continue;
        }
        ASSERT_NE(OrvWarp_ZoneSouris, nullptr) << yaw;
        EXPECT_EQ(OrvWarp_ZoneSouris->type, type) << yaw;
        // The disabled zone shows no pointer; the vase shows the object pointer.
        const int32_t kind = type >= 88888 ? 0 : type;
        EXPECT_EQ(Interface_GetCurseurKind(), kind) << yaw;
    }
    // Only the centre counts: a zone at the screen's edge is not under the pointer.
    OrvWarp_SetViewAngles(0.5f, 0.0f);
    Draw();
    EXPECT_EQ(OrvWarp_ZoneSouris, nullptr);
    EXPECT_NE(z3d_find_zone_at(OrvWam_CurrentVue->zclic, 100, 240), nullptr);
    // Looking up past the zone's outline.
    OrvWarp_SetViewAngles(0.0f, 0.3f);
    Draw();
    EXPECT_EQ(OrvWarp_ZoneSouris, nullptr);
}

TEST_F(ClickTest, ZoneOutlinesAreTestedOnTheSphere) {
    ST_wam_zclic zone{};
    ST_wam_point pts[4] = {{-1, -1, 1, nullptr}, {1, -1, 1, nullptr}, {1, 1, 1, nullptr}, {-1, 1, 1, nullptr}};
    for (auto& p : pts) z3d_add_point(&zone, &p);
    EXPECT_TRUE(z3d_zone_contains(&zone, {0, 0, 1}));
    EXPECT_TRUE(z3d_zone_contains(&zone, {0.9f, -0.9f, 1}));
    EXPECT_FALSE(z3d_zone_contains(&zone, {1.1f, 0, 1}));
    EXPECT_FALSE(z3d_zone_contains(&zone, {0, 0, -1})) << "the opposite direction is not inside";
    // An outline reaching behind the eye is cut, not mirrored.
    ST_wam_zclic wide{};
    ST_wam_point w[4] = {{-1, -0.2f, 0.2f, nullptr}, {1, -0.2f, 0.2f, nullptr}, {1, 0.2f, -1, nullptr}, {-1, 0.2f, -1, nullptr}};
    for (auto& p : w) z3d_add_point(&wide, &p);
    EXPECT_TRUE(z3d_zone_contains(&wide, {0, 0, -0.2f}));
    EXPECT_FALSE(z3d_zone_contains(&wide, {0, 0, 1}));
    // Degenerate outlines and directions are never hit.
    ST_wam_zclic two{};
    z3d_add_point(&two, &pts[0]);
    z3d_add_point(&two, &pts[1]);
    EXPECT_FALSE(z3d_zone_contains(&two, {0, -1, 1}));
    EXPECT_FALSE(z3d_zone_contains(&zone, {0, 0, 0}));
    EXPECT_FALSE(z3d_zone_contains(nullptr, {0, 0, 1}));
}

TEST_F(ClickTest, NothingHappensWithoutAClick) {
    ClickAt(0.0f, 0.0f, false);
    EXPECT_EQ(Var(IV_CLICZONE), 0);
    EXPECT_EQ(g_pz.gereClic, 0);
    EXPECT_EQ(g_pz.araig, 0);
}

TEST_F(ClickTest, AScenarioZoneSetsCliczoneAfterThePuzzlesDeclined) {
    ClickAt(0.0f, 0.0f);
    EXPECT_EQ(Var(IV_CLICZONE), int32_t(TZ_DEVANT));
    EXPECT_EQ(g_pz.araig, 1);
    EXPECT_EQ(g_pz.gereClic, 1);
    EXPECT_EQ(g_pz.zoneType, 3);
    EXPECT_FALSE(OrvWam_Jump.pending);
    EXPECT_EQ(Interp_Flags[1], 0) << "no leaving pass for a scenario zone";
}

TEST_F(ClickTest, AMoveZoneRunsTheLeavingPassThenMoves) {
    ClickAt(WARP_PI / 2, 0.0f);
    EXPECT_EQ(Interp_Flags[1], 1) << "the leaving pass saw DEPARTVUE";
    EXPECT_EQ(Var(IV_DEPARTVUE), 0);
    EXPECT_EQ(Var(IV_CLICZONE), 0);
    EXPECT_EQ(g_pz.gereClic, 1);
    ASSERT_TRUE(OrvWam_Jump.pending);
    EXPECT_EQ(OrvWam_Jump.vue_id, 11u);
    // The jump enters view 11 and the puzzles see the entry.
    const int entries = g_pz.entree;
    EXPECT_EQ(OrvWarp_DoViewJump(), WAM_JUMP_DONE);
    EXPECT_EQ(OrvWam_CurrentVue->id, 11u);
    EXPECT_EQ(Var(IV_ARRIVEEVUE), 11);
    EXPECT_EQ(Var(IV_LASTVUE), 10);
    EXPECT_EQ(g_pz.entree, entries + 1);
}

TEST_F(ClickTest, AbortDepartKeepsThePlayerAndSkipsThePuzzles) {
    Interp_Flags[5] = 1;
    ClickAt(WARP_PI / 2, 0.0f);
    EXPECT_EQ(Var(IV_ABORTDEPART), 1);
    EXPECT_FALSE(OrvWam_Jump.pending);
    EXPECT_EQ(g_pz.gereClic, 0);
}

TEST_F(ClickTest, APuzzleThatTakesTheClickEndsIt) {
    g_pz.take = true;
    ClickAt(WARP_PI / 2, 0.0f);
    EXPECT_FALSE(OrvWam_Jump.pending);
    EXPECT_EQ(MouseClickFlags.click, 0);
    ClickAt(0.0f, 0.0f);
    EXPECT_EQ(Var(IV_CLICZONE), 0);
    // The spider's own test comes before everything else.
    g_pz = PuzzleLog{};
    g_pz.araigTakes = true;
    ClickAt(0.0f, 0.0f);
    EXPECT_EQ(g_pz.araig, 1);
    EXPECT_EQ(g_pz.gereClic, 0);
    EXPECT_EQ(Var(IV_CLICZONE), 0);
}

TEST_F(ClickTest, ADisabledZoneReachesThePuzzlesButDoesNothingElse) {
    ClickAt(WARP_PI, 0.0f);
    EXPECT_EQ(g_pz.gereClic, 1);
    EXPECT_EQ(g_pz.zoneType, 3 + 88888);
    EXPECT_EQ(Var(IV_CLICZONE), 0);
    EXPECT_FALSE(OrvWam_Jump.pending);
}

TEST_F(ClickTest, ALinkZoneChangesTheWorld) {
    ClickAt(-WARP_PI / 2, 0.0f);
    ASSERT_TRUE(OrvWam_Jump.pending);
    EXPECT_EQ(OrvWarp_DoViewJump(), WAM_JUMP_DONE);
    EXPECT_STREQ(OrvWam_GetName(), "autre.wam");
    EXPECT_EQ(OrvWam_CurrentVue->id, 20u);
    EXPECT_EQ(Var(IV_MONDE), 2);
    EXPECT_EQ(OrvSpw_NbVisibles, 0) << "the old world's sprites are gone";
}

TEST_F(ClickTest, ASpriteClickSetsTheZoneAndAsksThePuzzlesOnly) {
    OrvWarp_SetViewAngles(kYawSprite, 0.0f);
    Draw();
    EXPECT_EQ(OrvSpw_PointerOver, 1) << "the vase is an object";
    EXPECT_EQ(OrvSpw_ClickedIndex, -1) << "no click, no clicked sprite";
    ClickAt(kYawSprite, 0.0f);
    EXPECT_EQ(OrvSpw_ClickedIndex, 0);
    EXPECT_EQ(Var(IV_CLICZONE), int32_t(TZ_SPRITE));
    EXPECT_EQ(g_pz.gereClic, 1);
    // Hidden, the vase is no longer under the pointer.
    Elem_Hide(DefName_GetIdName(DEFNAME_OBJETS, "VASE"), 2, 0);
    Interp_SetEngineVar(IV_CLICZONE, 0);
    ClickAt(kYawSprite, 0.0f);
    EXPECT_EQ(OrvSpw_ClickedIndex, -1);
    EXPECT_EQ(OrvSpw_PointerOver, 0);
    EXPECT_EQ(g_pz.gereClic, 2) << "then it is an ordinary scenario zone";
}

TEST_F(ClickTest, OpenScreensHoldTheClick) {
    Inventaire_Shown = 1;
    ClickAt(0.0f, 0.0f);
    Inventaire_Shown = 0;
    OrvWarp_SubjectPanelOpen = 1;
    ClickAt(0.0f, 0.0f);
    OrvWarp_SubjectPanelOpen = 0;
    g_pz.dialActive = 1;
    ClickAt(0.0f, 0.0f);
    g_pz.dialActive = 0;
    EXPECT_EQ(Var(IV_CLICZONE), 0);
    EXPECT_EQ(g_pz.gereClic, 0);
    EXPECT_EQ(g_pz.araig, 0);
    // IR 73: the poet hears every click first, even with a screen open.
    Enter(73);
    Inventaire_Shown = 1;
    ClickAt(0.0f, 0.0f);
    Inventaire_Shown = 0;
    EXPECT_EQ(g_pz.poete, 1);
    EXPECT_EQ(g_pz.gereClic, 0);
}

TEST_F(ClickTest, OnePassRoutesRunsTheScenarioJumpsAndClears) {
    ChapterWriter w;
    w.Vue("IR", 10);
    w.Block("CLICZONE=ZONE_DEVANT", {"(flag2=1)(NEXTVUE=11)"});
    Script(w);
    OrvWarp_SetViewAngles(0.0f, 0.0f);
    MouseClickFlags.click = 1;
    OrvHooks.pz_continue = PzContinue;
    const int entries = g_pz.entree;
    OrvWarp_continue();
    EXPECT_EQ(Interp_Flags[2], 1);
    EXPECT_EQ(OrvWam_CurrentVue->id, 11u) << "the jump is done in the same pass";
    EXPECT_EQ(Var(IV_CLICZONE), 0);
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(g_pz.cont, 1);
    EXPECT_EQ(g_pz.entree, entries + 1);
}
