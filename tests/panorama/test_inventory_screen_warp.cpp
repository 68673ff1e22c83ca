// The inventory screen in the view: the right button and Escape, and clicks that stay on the screen.
#include "PanoramaFixture.h"
#include "framework/KeyCodes.h"
#include "panorama/Orv_Input.h"

namespace {
int g_stripCloses = 0, g_puzzleClicks = 0;

void rightButton() { warp_on_mouse_button(MouseEventInfo{0, 0, 0, 0, MOUSE_RIGHT}); }

class InventoryWarpTest : public WarpWorldTest {
protected:
    void SetUp() override {
        WarpWorldTest::SetUp();
        g_stripCloses = g_puzzleClicks = 0;
        OrvHooks.DialBar_Close = [] { g_stripCloses++; };
        OrvHooks.pz_gere_clic = [](ST_wam_zclic*) { return ++g_puzzleClicks, false; };
        Enter(10);
        MouseClickFlags = {};
    }
    void TearDown() override {
        Inventaire_Reset();
        WarpWorldTest::TearDown();
    }
};
}  // namespace

TEST_F(InventoryWarpTest, TheRightButtonAndEscapeOpenAndCloseItInTheViewOnly) {
    rightButton();
    EXPECT_EQ(Inventaire_Shown, 1);
    EXPECT_EQ(MouseClickFlags.rightClick, 0) << "the view records no right click";
    rightButton();
    EXPECT_EQ(Inventaire_Shown, 0);
    EXPECT_EQ(g_stripCloses, 1);

    OrvWarp_SubjectPanelOpen = 1;
    rightButton();
    OrvWarp_SubjectPanelOpen = 0;
    OrvWarp_SetPause(true);
    rightButton();
    OrvWarp_SetPause(false);
    EXPECT_EQ(Inventaire_Shown, 0) << "not over a subject panel nor while paused";

    rightButton();
    OrvInput_OnKeyDown(DIK_ESCAPE);
    EXPECT_EQ(Inventaire_Shown, 0);
    EXPECT_EQ(g_stripCloses, 2);
    EXPECT_EQ(OrvWarp_GetLoopType(), 0) << "Escape closed the screen, not opened the menu";

    OrvWarp_OnLoopType(10);
    rightButton();
    EXPECT_EQ(MouseClickFlags.rightClick, 1);
    EXPECT_EQ(Inventaire_Shown, 0);
}

TEST_F(InventoryWarpTest, WhileOpenAPassGivesTheClickToTheScreen) {
    const int32_t vase = DefName_GetIdName(DEFNAME_OBJETS, "VASE");
    ASSERT_TRUE(Inventaire_PrendObj_id_nspr(vase, 1));
    OrvWarp_SetViewAngles(0.0f, 0.0f);  // a scenario zone lies under the centre
    rightButton();
    const InventaireGrid g = Inventaire_GetGrid(1, 640, 480);
    MousePosition = {g.x0 + g.cellWidth / 2, g.y0 + g.cellHeight / 2};
    MouseClickFlags.click = 1;
    OrvWarp_continue();
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), vase);
    EXPECT_EQ(Inventaire_Shown, 1);
    EXPECT_EQ(g_puzzleClicks, 0);
    EXPECT_EQ(OrvWarp_Cursor.x, MousePosition.x) << "the pointer is free while the screen is open";

    MousePosition = {2, 2};
    MouseClickFlags.click = 1;
    OrvWarp_continue();
    EXPECT_EQ(Inventaire_Shown, 0);
    EXPECT_EQ(g_puzzleClicks, 0) << "the closing click reaches no zone";
    MouseClickFlags.click = 1;
    OrvWarp_continue();
    EXPECT_EQ(g_puzzleClicks, 1);
}
