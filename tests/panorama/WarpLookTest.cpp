// Mouse look and keys: limits of a view, free yaw, pause and Escape.
#include <cmath>

#include "PanoramaFixture.h"
#include "framework/KeyCodes.h"
#include "panorama/Orv_Input.h"

namespace {
void Move(int dx, int dy) { warp_on_mouse_move(MouseEventInfo{320, 240, dx, dy, 0}); }
// Passes until the view stops turning.
void Settle() {
    int n = 0;
    do warp_update_view();
    while ((OrvWarp_MouseLookSpeeds.yaw != 0 || OrvWarp_MouseLookSpeeds.pitch != 0) && ++n < 1000);
}
float Yaw() { float y, p; OrvWarp_GetViewAngles(&y, &p); return y; }
float Pitch() { float y, p; OrvWarp_GetViewAngles(&y, &p); return p; }
int g_dialStops = 0, g_clickAsked = 0;
}  // namespace

TEST_F(WarpWorldTest, AnglesStayWithinTheViewLimits) {
    Enter(11);
    EXPECT_FLOAT_EQ(Yaw(), 1.0f) << "the start yaw 2.0 lies beyond the limit";
    EXPECT_FLOAT_EQ(Pitch(), 0.1f);
    OrvWarp_SetViewAngles(-5.0f, -3.0f);
    EXPECT_FLOAT_EQ(Yaw(), -1.0f);
    EXPECT_FLOAT_EQ(Pitch(), -0.5f);
    OrvWarp_RotatePitch(10.0f);
    EXPECT_FLOAT_EQ(Pitch(), 0.4f);
    Move(100000, 0);
    Settle();
    EXPECT_FLOAT_EQ(Yaw(), 1.0f);
    Move(0, -100000);  // far forward: looks up to the limit
    warp_update_view();
    EXPECT_FLOAT_EQ(Pitch(), 0.4f);
    EXPECT_EQ(OrvWarp_MouseLookSpeeds.pitch, 0.0f) << "a limit stops the turn";

    // View 10 has no yaw limit: yaw goes round and stays within one turn; pitch never passes its limit.
    Enter(10);
    for (int i = 0; i < 20; i++) {
        Move(3000, 0);
        Settle();
        ASSERT_LE(std::fabs(Yaw()), WARP_PI + 1e-5f);
    }
    OrvWarp_SetViewAngles(0.0f, 0.0f);
    Move(0, -100000);
    Settle();
    EXPECT_FLOAT_EQ(Pitch(), 0.6f);
}

TEST_F(WarpWorldTest, KeysPauseTheViewAndStopDialogues) {
    Enter(10);
    OrvHooks.OrvDial_stop = [] { g_dialStops++; };
    OrvHooks.pz_araig_gere_clic = [] { return ++g_clickAsked, false; };
    g_dialStops = g_clickAsked = 0;
    OrvInput_OnKeyDown(DIK_P);
    EXPECT_TRUE(OrvWarp_IsPaused());
    EXPECT_TRUE(frame_timer_paused());
    EXPECT_EQ(KeyboardState.lastKey, DIK_P);
    // Released, the key is gone from the next pass.
    OrvInput_OnKeyUp(DIK_P);
    OrvInput_NewPass();
    EXPECT_EQ(KeyboardState.lastKey, 0);
    // Paused: the view neither turns nor takes clicks.
    OrvWarp_SetViewAngles(0.0f, 0.0f);
    Move(300, 0);
    MouseClickFlags.click = 1;
    OrvWarp_continue();
    EXPECT_EQ(Yaw(), 0.0f);
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(g_clickAsked, 0);
    OrvInput_OnKeyDown(DIK_PAUSE);
    EXPECT_FALSE(OrvWarp_IsPaused());
    EXPECT_FALSE(frame_timer_paused());
    // Escape ends a dialogue (loop type 2) and nothing else elsewhere; P pauses only the view.
    OrvInput_OnKeyDown(DIK_ESCAPE);
    OrvWarp_OnLoopType(9);
    OrvInput_OnKeyDown(DIK_ESCAPE);
    OrvInput_OnKeyDown(DIK_P);
    EXPECT_FALSE(OrvWarp_IsPaused());
    EXPECT_EQ(g_dialStops, 0);
    OrvWarp_OnLoopType(2);
    OrvInput_OnKeyDown(DIK_ESCAPE);
    EXPECT_EQ(g_dialStops, 1);
    OrvInput_OnKeyDown(0);  // out-of-range codes are ignored
    OrvInput_OnKeyDown(4000);
}

TEST_F(WarpWorldTest, EachViewShowsItsOwnFacesAfterAMove) {
    // View 11 gets faces of another style: its picture differs from view 10's wherever it looks.
    for (int f = 0; f < 6; f++) {
        const std::vector<uint8_t> face = PanoramaWriter_FaceFile(f, FaceStyle::Demo, 0x204060);
        ASSERT_TRUE(WriteFileBytes(dir / "datas_q2/warp/" + WarpFace_FileName("IR011", f), face.data(), face.size()));
    }
    const auto row = [this](uint32_t view) {
        Enter(view);
        OrvWarp_SetViewAngles(0.5f, 0.1f);
        EXPECT_TRUE(OrvWarp_Render());
        const auto* px = reinterpret_cast<const uint16_t*>(OrvDisplay_GetRenderSurface()->Row(100));
        std::vector<uint16_t> r(px, px + 640);
        OrvDisplay_UnlockSurface();
        return r;
    };
    const std::vector<uint16_t> coded = row(10);
    EXPECT_NE(row(11), coded);
    EXPECT_EQ(row(10), coded);
}
