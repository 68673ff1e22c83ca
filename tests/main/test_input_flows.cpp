// Input a player gives that must never be lost, through the whole program on the demo: a key tapped within one
// pass on every screen that reads the last key, and pointer motion that carries positions only (a remote
// desktop, XTest) through SDL's own event queue.
#include <SDL.h>

#include <cmath>
#include <memory>
#include <numbers>

#include "ProgramRun.h"
#include "app/Application.h"
#include "app/main/Orv_Main.h"
#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "menus/Orv_Menu.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_dispatch.h"
#include "testdata/DemoCanoe.h"
#include "testdata/DemoWorld.h"
#include "world/Interp.h"
#include "world/Orv_Msg.h"
#include "world/wam.h"

namespace {
// A few passes of the current screen before the player acts.
Step Linger() {
    auto n = std::make_shared<int>(0);
    return [n] { return ++*n > 5; };
}

// Ends the run as a failure, so that a lost key does not leave it waiting for its pass limit.
void Fail(const char* what) {
    ADD_FAILURE() << what;
    TheApplication().Quit(3);
}

// Checked in the pass after the tap's: the pass that saw the key acted on it.
Step Expect(std::function<bool()> taken, const char* what) {
    return Do([=] {
        if (!taken()) Fail(what);
    });
}
}  // namespace

// Key() presses and releases in one step, so both reach the program in the same pass.
TEST(InputFlows, ATapWithinOnePassIsTakenByTheMessageScreenTheCanoeBoardAndTheCredits) {
    ProgramRun run;
    run.maxPasses = 30000;
    Append(run.steps, ChoosePlayer(0));
    Append(run.steps, {WaitFor([] { return OrvMsg_Current() == 1; }), Linger(), Key(DIK_SPACE),
                       Expect([] { return !OrvMsg_IsActive(); }, "the message closed by a tap"), Arrive("IR1")});
    Append(run.steps, {Do([] { OrvWam_RequestWorld(DEMO_WAM_YU, 3, false); }), Arrive("YU3"),
                       TurnToZone(DEMO_CANOE_VIEW), ClickView(), Read(DEMO_CANOE_RULES_MESSAGE),
                       Arrive("YU" + std::to_string(DEMO_CANOE_VIEW)),
                       TurnToZone(ZoneNamed("ZONE_PIROGUE")), ClickView(), WaitFor([] { return Loop() == LOOP_PIROGUE; }),
                       Linger(), Key(DIK_ESCAPE),
                       Expect([] { return Loop() == LOOP_WARP && pz_pirogue_en_cours == 0; }, "the board left on a tap"),
                       Linger(), Do([] {
                           EXPECT_EQ(Loop(), LOOP_WARP) << "the key that left the board opens no menu";
                           EXPECT_EQ(Interp_ReadVar("finpirogue"), 0);
                       })});
    Append(run.steps, {Key(DIK_ESCAPE), ClickWidget("a_exit.spr"), ClickWidget("b_oui.spr"),
                       WaitFor([] { return Loop() == LOOP_MENU && MenuState.pageState == MN_STATE_CREDITS; }), Linger(),
                       Key(DIK_SPACE)});
    // The credits would otherwise run their pages to the end.
    auto after = std::make_shared<int>(0);
    run.steps.push_back([after] {
        if (++*after >= 3) Fail("the credits still run after a tap");
        return false;
    });
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.failure, "");
    EXPECT_EQ(run.StepsLeft(), 1u);
}

namespace {
// A motion event as a remote desktop's pointer gives it: a position in the window, no relative motion.
void PushPointerAt(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}
}  // namespace

// The backend keeps the pointer near the window's centre by warping it there; the warp's own event is no motion.
TEST(InputFlows, PointerPositionsWithoutRelativeMotionTurnTheViewThroughSdl) {
    ProgramRun run;
    run.sdl = true;
    run.steps.push_back(Do([] { Input_InjectActivate(true); }));
    Append(run.steps, ChoosePlayer(0));
    auto yaw = std::make_shared<float>(0.0f);
    // The pointer first at the centre, wherever the menus left it.
    Append(run.steps, {Read(1), Arrive("IR1"), Do([] { PushPointerAt(320, 240); }), Linger(), WaitFor(Idle), Do([yaw] {
                           float pitch;
                           OrvWarp_GetViewAngles(yaw.get(), &pitch);
                           // 100 pixels right, then 100 more: a quarter of the window away, so it goes back to the centre.
                           PushPointerAt(420, 240);
                           PushPointerAt(520, 240);
                       }),
                       Linger(), Do([] { PushPointerAt(420, 240); }), Linger(), WaitFor(Idle), Do([yaw] {
                           float now, pitch;
                           OrvWarp_GetViewAngles(&now, &pitch);
                           const float turned = std::remainder(now - *yaw, 2.0f * std::numbers::pi_v<float>);
                           // 300 pixels at 0.00375 radians a pixel.
                           EXPECT_NEAR(turned, 1.125f, 0.01f);
                       })});
    run.PlayToTheEnd();
}
