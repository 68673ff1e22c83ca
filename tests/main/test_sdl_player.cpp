// A newcomer's game through the window backend's real event path: the program on SDL's dummy video driver,
// every key, motion and click pushed into SDL's own event queue and read back by the backend.
#include <cmath>
#include <memory>

#include "ProgramRun.h"
#include "app/main/Orv_Main.h"
#include "dialogue/Orv_DialSujets.h"
#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_pirogue.h"
#include "testdata/DemoCanoe.h"
#include "testdata/DemoWorld.h"
#include "tests/support/LookTurn.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/Inventaire.h"

namespace {
// The pointer moved to (x, y) and the left button clicked there.
Step PressAt(std::function<void(int*, int*)> where) {
    return [where] {
        int x, y;
        where(&x, &y);
        Input_InjectMouseMove(x - MousePosition.x, y - MousePosition.y);
        Input_InjectButton(MOUSE_LEFT, true);
        Input_InjectButton(MOUSE_LEFT, false);
        return true;
    };
}

// A few passes of the view at rest.
Step Rest() {
    auto n = std::make_shared<int>(0);
    return [n] { return Idle() && ++*n > 3; };
}

// Lays a star from the bag on place n of the sky: the bag's first star in hand, the view turned onto the
// place, a click.
std::vector<Step> LayStar(int n) {
    float u, v;
    DemoWorld_StarPlace(n, &u, &v);
    const float yaw = std::atan(u), pitch = std::atan2(v, std::sqrt(1.0f + u * u));
    std::vector<Step> steps = {Rest()};
    for (Step s : ChooseFromTheBag([](const std::string& name) { return name.rfind("ETOILE", 0) == 0; }, "a star"))
        steps.push_back(s);
    for (Step s : {Turn(yaw, pitch), ClickView(),
                   WaitFor([n] { return Interp_ReadVar(("etat_etoile" + std::to_string(n)).c_str()) != 0; })})
        steps.push_back(s);
    return steps;
}
}  // namespace

TEST(SdlPlayer, ANewGameFromTheIslandToTheTempleTheGuardianTheStarsAndTheCanoeSavedLoadedAndQuit) {
    ProgramRun run;
    run.sdl = true;
    run.maxPasses = 60000;
    // SDL's dummy driver has no window manager to give the window the focus: the event it would send.
    run.steps.push_back(Do([] { Input_InjectActivate(true); }));
    Append(run.steps, ChoosePlayer(0));
    run.steps.push_back(Do([] {
        auto* window = dynamic_cast<Velkrum::CMSWindowBase*>(Velkrum::MainWindow());
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(window->IsHeadless()) << "the run goes through SDL";
    }));
    // The island: the pointer over a move, the key, the lantern from the chest, the way to the temple.
    Append(run.steps, {Read(1), Arrive("IR1"), TurnToZone(MoveTo(3)), Rest(), Do([] {
                           EXPECT_EQ(OrvSpr_get_curseur_bank(), Interface_GetBank());
                           EXPECT_EQ(Interface_GetCurseurKind(), 1);
                       }),
                       ClickView(), Arrive("IR3")});
    Append(run.steps, ClickZone(ZoneNamed("ZONE_CLE")));
    run.steps.push_back(Read(4));
    Append(run.steps, ClickZone(MoveTo(1)));
    run.steps.push_back(Arrive("IR1"));
    Append(run.steps, ClickZone(ZoneNamed("ZONE_COFFRE")));
    run.steps.push_back(Read(3));
    Append(run.steps, ClickZone(MoveTo(4)));
    run.steps.push_back(Arrive("IR4"));
    Append(run.steps, ClickZone(LinkAway()));
    run.steps.push_back(Arrive("YU1"));
    Append(run.steps, ClickZone(MoveTo(2)));
    run.steps.push_back(Arrive("YU2"));
    // The guardian: pointed at, his panel opens; the first subject starts his dialogue, which gives the view back.
    Append(run.steps, {TurnToSprite("GARDIEN"), WaitFor([] { return OrvWarp_SubjectPanelOpen != 0; }),
                       PressAt([](int* x, int* y) {
                           OrvDial_GetPanelOrigin(x, y);
                           *x += DLG_PANEL_CELL / 2;
                           *y += DLG_PANEL_CELL / 2;
                       }),
                       WaitFor([] { return Loop() == LOOP_DIALOGUE; }), WaitFor(Idle)});
    // The stars.
    Append(run.steps, ClickZone(MoveTo(DEMO_STARS_VIEW)));
    run.steps.push_back(Read(9));
    for (int n = 0; n < DEMO_STAR_PLACES; n++)
        if (DemoWorld_StarFinishes(n)) Append(run.steps, LayStar(n));
    run.steps.push_back(Read(10));
    Append(run.steps, ClickZone(MoveTo(2)));
    run.steps.push_back(Arrive("YU2"));
    Append(run.steps, ClickZone(MoveTo(3)));
    run.steps.push_back(Arrive("YU3"));
    // The canoe.
    Append(run.steps, ClickZone(MoveTo(DEMO_CANOE_VIEW)));
    run.steps.push_back(Arrive("YU" + std::to_string(DEMO_CANOE_VIEW)));
    Append(run.steps, ClickZone(ZoneNamed("ZONE_PIROGUE")));
    Append(run.steps, {SolveTheCanoeBoard(), WaitFor([] { return Interp_ReadVar("finpirogue") == 1; }),
                       Read(DEMO_CANOE_MESSAGE), Arrive("YU" + std::to_string(DEMO_CANOE_AFTER))});
    // Saved, loaded, then quit through the credits.
    Append(run.steps, SaveGame());
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("YU" + std::to_string(DEMO_CANOE_AFTER)),
                       Do([] { EXPECT_EQ(Interp_ReadVar("finpirogue"), 1); })});
    run.PlayToTheEnd();
    EXPECT_EQ(run.views.front(), "IR1");
}
