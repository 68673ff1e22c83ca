// Zones under the screen centre and the routing of a click: scenario zones, moves, links, aborts, puzzles, sprites.
#include "PanoramaFixture.h"
#include "panorama/GereClic.h"

namespace {
// What the puzzle hooks saw, and whether they take the click.
struct PuzzleLog {
    int gereClic = 0, araig = 0, poete = 0, entree = 0, cont = 0;
    int32_t zoneType = 0;
    bool take = false, araigTakes = false, dialActive = false;
} g_pz;

constexpr float kYawSprite = 0.6021f;  // atan(0.6875): the vase's centre

class ClickTest : public WarpWorldTest {
protected:
    void SetUp() override {
        WarpWorldTest::SetUp();
        g_pz = PuzzleLog{};
        OrvHooks.pz_gere_clic = [](ST_wam_zclic* z) { g_pz.gereClic++; g_pz.zoneType = z ? z->type : -1; return g_pz.take; };
        OrvHooks.pz_araig_gere_clic = [] { g_pz.araig++; return g_pz.araigTakes; };
        OrvHooks.pz_merle_poete_gere_clic = [] { g_pz.poete++; };
        OrvHooks.pz_entree_vue = [] { g_pz.entree++; };
        OrvHooks.OrvDial_IsActive = [] { return g_pz.dialActive; };
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

// Each row looks at (yaw, pitch) under one condition, checks the zone under the centre, then clicks.
TEST_F(ClickTest, ZonesUnderTheCentreAndTheRoutingOfAClick) {
    enum Setup { Plain, NoClick, ForbidLeaving, PuzzleTakes, SpiderTakes, Inventory, Panel, Dialogue, VaseHidden };
    struct Case {
        const char* what;
        float yaw, pitch;
        Setup setup;
        int32_t under;  // type of the zone under the centre, -1 none, kAny unchecked
        int32_t clicZone;
        int gereClic, araig;
        int32_t zoneType;  // seen by the puzzles, 0 when they were not asked
        uint32_t jumpVue;  // 0: no jump
        bool leavingPass;
    };
    const float q = WARP_PI / 2;
    const int32_t kAny = -2;
    const int32_t vase = DefName_GetIdName(DEFNAME_OBJETS, "VASE");
    const Case cases[] = {
        {"scenario zone", 0, 0, Plain, 3, TZ_DEVANT, 1, 1, 3, 0, false},
        {"no click", 0, 0, NoClick, 3, 0, 0, 0, 0, 0, false},
        {"puzzle takes a scenario click", 0, 0, PuzzleTakes, 3, 0, 1, 1, 3, 0, false},
        {"the spider asks first", 0, 0, SpiderTakes, 3, 0, 0, 1, 0, 0, false},
        {"inventory open", 0, 0, Inventory, kAny, 0, 0, 0, 0, 0, false},
        {"subject panel open", 0, 0, Panel, kAny, 0, 0, 0, 0, 0, false},
        {"dialogue running", 0, 0, Dialogue, kAny, 0, 0, 0, 0, 0, false},
        {"move zone", q, 0, Plain, 1, 0, 1, 1, 1, 11, true},
        {"leaving forbidden", q, 0, ForbidLeaving, 1, 0, 0, 1, 0, 0, true},
        {"puzzle takes a move", q, 0, PuzzleTakes, 1, 0, 1, 1, 1, 0, true},
        {"disabled zone", 2 * q, 0, Plain, 3 + 88888, 0, 1, 1, 3 + 88888, 0, false},
        {"link zone", -q, 0, Plain, 2, 0, 1, 1, 2, 20, false},
        {"vase sprite", kYawSprite, 0, Plain, 3, TZ_SPRITE, 1, 1, 3, 0, false},
        {"hidden vase: its zone alone", kYawSprite, 0, VaseHidden, 3, TZ_SPRITE, 1, 1, 3, 0, false},
        {"between zones", 0.35f, 0, Plain, -1, 0, 0, 1, 0, 0, false},
        {"a zone at the screen's edge", 0.5f, 0, Plain, -1, 0, 0, 1, 0, 0, false},
        {"above the zone's outline", 0, 0.3f, Plain, -1, 0, 0, 1, 0, 0, false},
    };
    for (const Case& c : cases) {
        g_pz = PuzzleLog{};
        g_pz.take = c.setup == PuzzleTakes;
        g_pz.araigTakes = c.setup == SpiderTakes;
        g_pz.dialActive = c.setup == Dialogue;
        Inventaire_Shown = c.setup == Inventory;
        OrvWarp_SubjectPanelOpen = c.setup == Panel;
        Interp_Flags[1] = 0;
        Interp_Flags[5] = c.setup == ForbidLeaving;
        Interp_SetEngineVar(IV_CLICZONE, 0);
        Interp_SetEngineVar(IV_ABORTDEPART, 0);
        OrvWam_CancelJump();
        if (c.setup == VaseHidden) Elem_Hide(vase, 2, 0);
        ClickAt(c.yaw, c.pitch, c.setup != NoClick);
        Inventaire_Shown = OrvWarp_SubjectPanelOpen = 0;
        Elem_Show(vase, 2, 0);
        const bool onVase = c.yaw == kYawSprite && c.setup != VaseHidden;
        if (c.under != kAny) {
            EXPECT_EQ(OrvWarp_ZoneSouris ? OrvWarp_ZoneSouris->type : -1, c.under) << c.what;
            EXPECT_EQ(Interface_GetCurseurKind(), c.under < 0 || c.under >= 88888 ? 0 : c.under) << c.what;
        }
        EXPECT_EQ(OrvSpw_PointerOver, onVase) << c.what << ": the vase is an object";
        EXPECT_EQ(OrvSpw_ClickedIndex, onVase ? 0 : -1) << c.what;
        EXPECT_EQ(Var(IV_CLICZONE), c.clicZone) << c.what;
        EXPECT_EQ(g_pz.gereClic, c.gereClic) << c.what;
        EXPECT_EQ(g_pz.araig, c.araig) << c.what;
        EXPECT_EQ(g_pz.zoneType, c.zoneType) << c.what;
        EXPECT_EQ(OrvWam_Jump.pending ? OrvWam_Jump.vue_id : 0u, c.jumpVue) << c.what;
        EXPECT_EQ(Interp_Flags[1], int(c.leavingPass)) << c.what << ": the leaving pass sees DEPARTVUE";
        EXPECT_EQ(Var(IV_ABORTDEPART), int(c.setup == ForbidLeaving)) << c.what;
        EXPECT_EQ(Var(IV_DEPARTVUE), 0) << c.what;
        if (c.setup == PuzzleTakes) { EXPECT_EQ(MouseClickFlags.click, 0) << c.what << ": the puzzle ends the click"; }
    }
}

TEST_F(ClickTest, ALinkZoneChangesTheWorld) {
    ClickAt(-WARP_PI / 2, 0.0f);
    EXPECT_EQ(OrvWarp_DoViewJump(), WAM_JUMP_DONE);
    EXPECT_STREQ(OrvWam_GetName(), "autre.wam");
    EXPECT_EQ(OrvWam_CurrentVue->id, 20u);
    EXPECT_EQ(Var(IV_MONDE), 2);
    EXPECT_EQ(OrvSpw_NbVisibles, 0) << "the old world's sprites are gone";
}

TEST_F(ClickTest, ThePoetHearsEveryClickFirstEvenWithAScreenOpen) {
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
    OrvHooks.pz_continue = [] { g_pz.cont++; };
    const int entries = g_pz.entree;
    OrvWarp_continue();
    EXPECT_EQ(Interp_Flags[2], 1);
    EXPECT_EQ(OrvWam_CurrentVue->id, 11u) << "the jump is done in the same pass";
    EXPECT_EQ(Var(IV_ARRIVEEVUE), 11);
    EXPECT_EQ(Var(IV_LASTVUE), 10);
    EXPECT_EQ(Var(IV_CLICZONE), 0);
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(g_pz.cont, 1);
    EXPECT_EQ(g_pz.entree, entries + 1) << "the puzzles see the entry";
}
