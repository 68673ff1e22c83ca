// Input a player gives that must never be lost, through the whole program on the demo: a key tapped within one
// pass on the canoe's board and in the credits, and pointer motion that carries positions only (a remote
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

namespace {
// A few passes of the current screen first, which must have acted on the key by then: a lost key ends the run
// at once rather than leave it waiting for its pass limit.
Step Linger(std::function<bool()> taken = [] { return true; }, const char* what = "") {
    auto n = std::make_shared<int>(0);
    return [=] {
        if (++*n < 5) return false;
        if (!taken()) {
            ADD_FAILURE() << what;
            TheApplication().Quit(3);
        }
        return true;
    };
}

// A motion event as a remote desktop's pointer gives it: a position in the window, no relative motion.
void PushPointerAt(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}
}  // namespace

// Key() presses and releases in one step, so both reach the program in the same pass.
TEST(InputFlows, ATapWithinOnePassLeavesTheCanoeBoardAndStopsTheCredits) {
    ProgramRun run;
    Append(run.steps, NewGame());
    Append(run.steps, ToTheCanoeBoard());
    Append(run.steps, {Linger(), Key(DIK_ESCAPE),
                       Linger([] { return Loop() == LOOP_WARP; }, "the board left on a tap")});
    Append(run.steps, {Key(DIK_ESCAPE), ClickWidget("a_exit.spr"), ClickWidget("b_oui.spr"),
                       WaitFor([] { return Loop() == LOOP_MENU && MenuState.pageState == MN_STATE_CREDITS; }), Linger(),
                       Key(DIK_SPACE), Linger([] { return false; }, "the credits still run after a tap")});
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.StepsLeft(), 1u);
}

// The backend keeps the pointer near the window's centre by warping it there; the warp's own event is no motion.
TEST(InputFlows, PointerPositionsWithoutRelativeMotionTurnTheViewThroughSdl) {
    ProgramRun run;
    run.sdl = true;
    Append(run.steps, NewGame());
    float yaw = 0.0f, pitch = 0.0f;
    // The pointer first at the centre, wherever the menus left it; 100 pixels right, then 100 more: a quarter of
    // the window away, so it goes back to the centre; then 100 more from there.
    Append(run.steps, {Do([] { PushPointerAt(320, 240); }), Linger(), WaitFor(Idle), Do([&] {
                           OrvWarp_GetViewAngles(&yaw, &pitch);
                           PushPointerAt(420, 240);
                           PushPointerAt(520, 240);
                       }),
                       Linger(), Do([] { PushPointerAt(420, 240); }), Linger(), WaitFor(Idle), Do([&] {
                           float now;
                           OrvWarp_GetViewAngles(&now, &pitch);
                           // 300 pixels at 0.00375 radians a pixel.
                           EXPECT_NEAR(std::remainder(now - yaw, 2.0f * std::numbers::pi_v<float>), 1.125f, 0.01f);
                       })});
    run.PlayToTheEnd();
}
