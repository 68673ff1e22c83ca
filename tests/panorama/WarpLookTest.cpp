// Mouse look and view angles: limits of a view, free yaw, speeds that persist, the centred pointer, the shake.
#include <cmath>

#include "PanoramaFixture.h"
#include "framework/KeyCodes.h"
#include "panorama/Orv_Input.h"

namespace {
void Move(int dx, int dy) { warp_on_mouse_move(MouseEventInfo{320, 240, dx, dy, 0}); }

// Passes until the view stops turning; returns how many it took.
int Settle() {
    int n = 0;
    do {
        warp_update_view();
        n++;
    } while ((OrvWarp_MouseLookSpeeds.yaw != 0 || OrvWarp_MouseLookSpeeds.pitch != 0) && n < 1000);
    return n;
}
}  // namespace

TEST_F(WarpWorldTest, EntryTakesTheStartAnglesWithinTheLimits) {
    Enter(11);
    float yaw, pitch;
    OrvWarp_GetViewAngles(&yaw, &pitch);
    EXPECT_FLOAT_EQ(yaw, 1.0f);  // start 2.0 lies beyond the limit
    EXPECT_FLOAT_EQ(pitch, 0.1f);
    OrvWarp_SetViewAngles(-5.0f, -3.0f);
    OrvWarp_GetViewAngles(&yaw, &pitch);
    EXPECT_FLOAT_EQ(yaw, -1.0f);
    EXPECT_FLOAT_EQ(pitch, -0.5f);
    OrvWarp_RotatePitch(10.0f);
    OrvWarp_GetViewAngles(&yaw, &pitch);
    EXPECT_FLOAT_EQ(pitch, 0.4f);
}

TEST_F(WarpWorldTest, MouseLookStopsAtTheLimitsAndWrapsAFreeYaw) {
    Enter(11);
    Move(100000, 0);
    Settle();
    float yaw, pitch;
    OrvWarp_GetViewAngles(&yaw, &pitch);
    EXPECT_FLOAT_EQ(yaw, 1.0f);
    Move(0, -100000);  // far forward: looks up to the limit
    warp_update_view();
    OrvWarp_GetViewAngles(&yaw, &pitch);
    EXPECT_FLOAT_EQ(pitch, 0.4f);
    EXPECT_EQ(OrvWarp_MouseLookSpeeds.pitch, 0.0f) << "a limit stops the turn";

    // View 10 has no yaw limit: yaw goes round and stays within one turn; pitch never passes straight up.
    Enter(10);
    for (int i = 0; i < 20; i++) {
        Move(3000, 0);
        Settle();
        OrvWarp_GetViewAngles(&yaw, &pitch);
        ASSERT_LE(std::fabs(yaw), WARP_PI + 1e-5f);
    }
    OrvWarp_SetViewAngles(0.0f, 0.0f);
    Move(0, -100000);
    Settle();
    OrvWarp_GetViewAngles(&yaw, &pitch);
    EXPECT_FLOAT_EQ(pitch, 0.6f);
}

TEST_F(WarpWorldTest, SpeedsPersistUntilStoppedAndFollowTheSettings) {
    Enter(10);
    Move(100, 0);
    warp_update_view();
    float yaw1, yaw2, pitch;
    OrvWarp_GetViewAngles(&yaw1, &pitch);
    EXPECT_GT(yaw1, 0.0f);
    EXPECT_GT(OrvWarp_MouseLookSpeeds.yaw, 0.0f) << "the speed outlives the pass";
    warp_update_view();  // no new motion: the view still turns
    OrvWarp_GetViewAngles(&yaw2, &pitch);
    EXPECT_GT(yaw2, yaw1);
    warp_stop_rotation();
    EXPECT_EQ(OrvWarp_MouseLookSpeeds.yaw, 0.0f);
    warp_update_view();
    OrvWarp_GetViewAngles(&yaw1, &pitch);
    EXPECT_FLOAT_EQ(yaw1, yaw2);

    // The whole turn of one motion: gain x mouse speed / (1 - decay), the same however it is split.
    OrvWarp_SetViewAngles(0.0f, 0.0f);
    Move(200, 0);
    Settle();
    OrvWarp_GetViewAngles(&yaw1, &pitch);
    EXPECT_NEAR(yaw1, 200 * WARP_LOOK_GAIN / (1 - WARP_LOOK_DECAY), 1e-3);
    OrvWarp_SetViewAngles(0.0f, 0.0f);
    g_Config.mouseSpeed = 200;
    Move(100, 0);
    Settle();
    OrvWarp_GetViewAngles(&yaw2, &pitch);
    EXPECT_NEAR(yaw2, yaw1, 1e-3);

    // Forward looks up; inverted look turns that round.
    OrvWarp_SetViewAngles(0.0f, 0.0f);
    Move(0, -20);
    Settle();
    OrvWarp_GetViewAngles(&yaw1, &pitch);
    EXPECT_GT(pitch, 0.0f);
    g_Config.invertLook = 1;
    OrvWarp_SetViewAngles(0.0f, 0.0f);
    Move(0, -20);
    Settle();
    OrvWarp_GetViewAngles(&yaw1, &pitch);
    EXPECT_LT(pitch, 0.0f);
}

TEST_F(WarpWorldTest, ThePointerStaysCentredExceptForOpenPanelsAndOtherModes) {
    Enter(10);
    MousePosition = {100, 100};
    Move(15, 5);
    EXPECT_EQ(MousePosition.x, 320);
    EXPECT_EQ(MousePosition.y, 240);
    // A panel: the motion moves the free pointer and turns nothing.
    OrvWarp_SubjectPanelOpen = 1;
    warp_on_mouse_move(MouseEventInfo{700, 30, 50, 0, 0});
    EXPECT_EQ(OrvWarp_Cursor.x, 639);
    EXPECT_EQ(OrvWarp_Cursor.y, 30);
    float yaw, pitch;
    Settle();
    OrvWarp_GetViewAngles(&yaw, &pitch);
    const float before = yaw;
    Move(500, 0);
    Settle();
    OrvWarp_GetViewAngles(&yaw, &pitch);
    EXPECT_FLOAT_EQ(yaw, before);
    OrvWarp_SubjectPanelOpen = 0;
    // Another mode (a menu): nothing accumulates for the view.
    OrvWarp_OnLoopType(5);
    Move(500, 0);
    OrvWarp_OnLoopType(0);
    Settle();
    OrvWarp_GetViewAngles(&yaw, &pitch);
    EXPECT_FLOAT_EQ(yaw, before);
}

TEST_F(WarpWorldTest, MouseButtonsSetTheClickFlagsByMode) {
    Enter(10);
    MouseClickFlags = {};
    warp_on_mouse_button(MouseEventInfo{0, 0, 0, 0, MOUSE_LEFT});
    EXPECT_EQ(MouseClickFlags.click, 1);
    MouseClickFlags.rightClick = 1;  // the input layer records every right click
    warp_on_mouse_button(MouseEventInfo{0, 0, 0, 0, MOUSE_RIGHT});
    EXPECT_EQ(MouseClickFlags.rightClick, 0) << "no right click in the view";
    OrvWarp_OnLoopType(10);
    warp_on_mouse_button(MouseEventInfo{0, 0, 0, 0, MOUSE_RIGHT});
    EXPECT_EQ(MouseClickFlags.rightClick, 1);
}

TEST_F(WarpWorldTest, TheShakeTurnsWidensAndSettlesBack) {
    Enter(10);
    constexpr float deg = WARP_PI / 180.0f;
    OrvWarp_ZoomStart(0);  // 0 counts as one repeat
    EXPECT_NEAR(OrvWarp_GetFieldOfView(), 76 * deg, 1e-4);
    const float fovs[4] = {84 * deg, 90 * deg, 90 * deg, 90 * deg};
    const float rolls[4] = {10 * deg, 0, -10 * deg, 0};
    CTCamera& cam = OrvWarp_GetCamera();
    for (int i = 0; i < 4; i++) {
        OrvWarp_ZoomStep();
        EXPECT_NEAR(OrvWarp_GetFieldOfView(), fovs[i], 1e-4) << i;
        // The camera's right axis leans by the roll.
        const CTVector3 right = Quat_RotateVec3(cam.frame.LocalRotation(), {1, 0, 0});
        EXPECT_NEAR(std::asin(right.y), rolls[i], 1e-4) << i;
    }
    // Ended: each further step narrows by 4 degrees down to 76.
    OrvWarp_ZoomStep();
    EXPECT_NEAR(OrvWarp_GetFieldOfView(), 86 * deg, 1e-4);
    for (int i = 0; i < 5; i++) OrvWarp_ZoomStep();
    EXPECT_NEAR(OrvWarp_GetFieldOfView(), 76 * deg, 1e-4);
    // Stop ends a running shake at once.
    OrvWarp_ZoomStart(3);
    OrvWarp_ZoomStep();
    OrvWarp_ZoomStop();
    EXPECT_NEAR(OrvWarp_GetFieldOfView(), 76 * deg, 1e-4);
    const CTVector3 right = Quat_RotateVec3(cam.frame.LocalRotation(), {1, 0, 0});
    EXPECT_NEAR(right.y, 0.0f, 1e-6);
    const float sx = cam.Sx;
    OrvWarp_ZoomStep();
    EXPECT_EQ(cam.Sx, sx) << "at rest the step leaves a field of view set by others alone";
}

namespace {
int g_dialStops = 0;
int g_clickAsked = 0;
void DialStop() { g_dialStops++; }
bool ClickAsked() { return ++g_clickAsked, false; }
}  // namespace

TEST_F(WarpWorldTest, KeysPauseTheViewAndStopDialogues) {
    Enter(10);
    OrvHooks.OrvDial_stop = DialStop;
    OrvHooks.pz_araig_gere_clic = ClickAsked;
    g_dialStops = g_clickAsked = 0;
    OrvInput_OnKeyDown(DIK_P);
    EXPECT_TRUE(OrvWarp_IsPaused());
    EXPECT_TRUE(frame_timer_paused());
    EXPECT_EQ(KeyboardState.lastKey, DIK_P);
    OrvInput_OnKeyUp(DIK_P);
    EXPECT_EQ(KeyboardState.lastKey, 0);
    // Paused: the view neither turns nor takes clicks.
    OrvWarp_SetViewAngles(0.0f, 0.0f);
    Move(300, 0);
    MouseClickFlags.click = 1;
    OrvWarp_continue();
    float yaw, pitch;
    OrvWarp_GetViewAngles(&yaw, &pitch);
    EXPECT_EQ(yaw, 0.0f);
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(g_clickAsked, 0);
    OrvInput_OnKeyDown(DIK_PAUSE);
    EXPECT_FALSE(OrvWarp_IsPaused());
    EXPECT_FALSE(frame_timer_paused());
    // Escape ends a dialogue (loop type 2) and nothing else elsewhere.
    OrvInput_OnKeyDown(DIK_ESCAPE);
    OrvWarp_OnLoopType(9);
    OrvInput_OnKeyDown(DIK_ESCAPE);
    OrvInput_OnKeyDown(DIK_P);
    EXPECT_FALSE(OrvWarp_IsPaused());
    EXPECT_EQ(g_dialStops, 0);
    OrvWarp_OnLoopType(2);
    OrvInput_OnKeyDown(DIK_ESCAPE);
    EXPECT_EQ(g_dialStops, 1);
    OrvInput_OnKeyDown(0);
    OrvInput_OnKeyDown(4000);
}

TEST_F(WarpWorldTest, TheCentreCrossFollowsTheSetting) {
    Enter(10);
    const uint16_t white = 0xFFFF;  // no coded face pixel is white
    for (uint8_t on : {0, 1}) {
        g_Config.centreCross = on;
        ASSERT_TRUE(OrvDisplay_LockSurface());
        OrvWarp_Render();
        OrvWarp_DisplayFrame();
        const CSurface* r = OrvDisplay_GetRenderSurface();
        auto at = [&](int x, int y) { return reinterpret_cast<const uint16_t*>(r->Row(y))[x]; };
        EXPECT_EQ(at(325, 240) == white, on == 1);
        EXPECT_EQ(at(320, 235) == white, on == 1);
        EXPECT_NE(at(327, 240), white);
        OrvDisplay_UnlockSurface();
    }
}
