// A newcomer's game through the window backend's real event path: the program on SDL's dummy video driver,
// every key, motion and click pushed into SDL's own event queue and read back by the backend.
#include <cmath>
#include <cstdlib>
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
#include "puzzles/pz_araig.h"
#include "puzzles/pz_pirogue.h"
#include "testdata/DemoCanoe.h"
#include "testdata/DemoWorld.h"
#include "testdata/SpiderWeb.h"
#include "tests/support/LookTurn.h"
#include "tests/support/ZoneAim.h"
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
    Append(run.steps, ChoosePlayer(0));
    run.steps.push_back(Do([] {
        auto* window = dynamic_cast<Velkrum::CMSWindowBase*>(Velkrum::MainWindow());
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(window->IsHeadless()) << "the run goes through SDL";
    }));
    // The island: the pointer over a move, the key; the key chosen from the bag opens the chest, and goes back;
    // the lantern in hand on the dark way to the temple, where it goes back too: both stay in the bag.
    Append(run.steps, {Read(1), Arrive("IR1"), TurnToZone(MoveTo(3)), Rest(), Do([] {
                           EXPECT_EQ(OrvSpr_get_curseur_bank(), Interface_GetBank());
                           EXPECT_EQ(Interface_GetCurseurKind(), 1);
                       }),
                       ClickView(), Arrive("IR3")});
    Append(run.steps, ClickZone(ZoneNamed("ZONE_CLE")));
    run.steps.push_back(Read(4));
    Append(run.steps, ClickZone(MoveTo(1)));
    run.steps.push_back(Arrive("IR1"));
    Append(run.steps, ChooseFromTheBag("CLE"));
    Append(run.steps, ClickZone(ZoneNamed("ZONE_COFFRE")));
    run.steps.push_back(Read(3));
    Append(run.steps, ChooseFromTheBag("CLE"));
    Append(run.steps, ChooseFromTheBag("LANTERNE"));
    Append(run.steps, ClickZone(MoveTo(4)));
    run.steps.push_back(Arrive("IR4"));
    Append(run.steps, ClickZone(LinkAway()));
    run.steps.push_back(Arrive("YU1"));
    Append(run.steps, ChooseFromTheBag("LANTERNE"));
    run.steps.push_back(Do([] {
        EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 0);
        EXPECT_EQ(OrvSpr_GetObjetEnMainSprite(nullptr), nullptr);
        EXPECT_TRUE(Inventaire_IsObjetInSac("CLE"));
        EXPECT_TRUE(Inventaire_IsObjetInSac("LANTERNE"));
    }));
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
    run.steps.push_back(Read(DEMO_CANOE_RULES_MESSAGE));
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

namespace {
// The player's walk on the web as its rules messages tell it: rings 1 (outer) to 4 and 5 the centre, spokes
// 0 to 15 growing to the right as one looks toward the centre; the left way lies off spoke 12, the right way
// off spoke 14, the middle spoke between them.
constexpr int kLeftWay = 12, kRightWay = 14;
struct WebWalk {
    std::deque<Step>& steps;
    int ring = 0, spoke = 0;

    void To(int r, int s) {
        ring = r;
        spoke = (s + 16) % 16;
        Append(steps, Walk({SpiderWeb_Cell(ring, spoke)}));
    }
    void In(int n = 1) {
        for (int i = 0; i < n; i++) To(ring + 1, spoke);
    }
    void Out(int n = 1) {
        for (int i = 0; i < n; i++) To(ring - 1, spoke);
    }
    // n steps round the ring: to the right, or to the left for n < 0.
    void Round(int n) {
        for (int i = 0; i < std::abs(n); i++) To(ring, spoke + (n > 0 ? 1 : -1));
    }
    // Out by the way off the current cell; the errand's messages follow.
    void Leave() { Append(steps, ClickToward(spoke == kLeftWay ? SPIDERWEB_WAY_199 : SPIDERWEB_WAY_200)); }
    // The sword in hand, a click on the spider as drawn (its hit zone): it stands stunned.
    void Strike() {
        Append(steps, {WaitFor(SpidersStill), [] {
                           float yaw, pitch;
                           return Idle() && ZoneMiddle(araig_zone1, &yaw, &pitch) && TurnViewTowards(yaw, pitch);
                       },
                       ClickView(), WaitFor([] { return araig_epee_state == 2 && Idle(); })});
    }
};
}  // namespace

// The web's three errands won through SDL's event queue by a player who does what their rules messages say.
TEST(SdlPlayer, TheWebsThreeErrandsAreWonByTheirRules) {
    ProgramRun run;
    run.sdl = true;
    run.maxPasses = 20000;
    Append(run.steps, NewGameTo(DEMO_WAM_YU, 2, "YU2"));
    Append(run.steps, {TurnToZone(DEMO_LIEN_TO_TOILE), ClickView(), Read(11), Read(DEMO_WEB_RULES_PAGE2[0]), Arrive("YU198")});
    WebWalk web{run.steps};

    // The caterpillar. Lured out from the left way's cell: in, and once the spider is next to the player, back
    // out and right: it comes out onto the outer ring behind him and can only follow.
    Append(run.steps, Walk({SPIDERWEB_WAY_199}));
    web.To(1, kLeftWay);
    web.In();
    web.Out();
    web.Round(1);
    web.In(4);
    // Out along a spoke two from its own, and round to the right way.
    web.To(4, kLeftWay + 3);
    web.Out(3);
    web.Round(-1);
    web.Leave();
    Append(run.steps, {Read(12), Read(DEMO_WEB_RULES_PAGE2[1]), Arrive("YU200"),
                       Do([] { EXPECT_TRUE(Inventaire_IsObjetInSac("CHENILLE")); })});

    // The grasshopper: the first spider lured as before, which brings the second out of the centre; the first
    // led right round the whole outer ring; the second lured the same way; in to the grasshopper's spoke.
    web.To(1, kRightWay);
    web.Round(-2);
    web.In();
    web.Out();
    web.Round(16);
    web.In();
    web.Out();
    web.Round(3);
    web.In(3);
    run.steps.push_back(WaitFor([] { return Inventaire_IsObjetInSac("SAUTERELLE"); }));
    // Back out one cell, then left, and out along the right way's spoke.
    web.Out();
    web.Round(-1);
    web.Out(2);
    web.Leave();
    Append(run.steps, {Read(13), Read(DEMO_WEB_RULES_PAGE2[2]), Arrive("YU200")});

    // The skull: in by the right way, the feather laid on the cell to the left and stepped on, then left again.
    web.To(1, kRightWay);
    Append(run.steps, ChooseFromTheBag("PLUME"));
    Append(run.steps, ClickToward(SpiderWeb_Cell(1, kRightWay - 1)));
    run.steps.push_back(WaitFor([] { return !Inventaire_IsObjetInSac("PLUME"); }));
    web.Round(-2);
    // In twice to the sword, which comes into the hand; the spider beside struck: it misses four steps.
    web.In(2);
    run.steps.push_back(WaitFor([] { return Interp_GetEngineVar(IV_OBJETENMAIN) == DefName_GetIdName(DEFNAME_OBJETS, "EPEE"); }));
    web.Strike();
    web.In(2);
    run.steps.push_back(WaitFor([] { return Inventaire_IsObjetInSac("CRANE_ARAIG2"); }));
    web.Out(2);
    // The sword in hand again, a second blow, and out by the left way.
    Append(run.steps, ChooseFromTheBag("EPEE"));
    web.Strike();
    web.Out(2);
    web.Leave();
    Append(run.steps, {Read(14), Arrive("YU199"), Do([] {
                           EXPECT_EQ(Interp_ReadVar("finaraign3"), 1);
                           EXPECT_TRUE(Inventaire_IsObjetInSac("CRANE_ARAIG2"));
                       })});
    run.PlayToTheEnd();
    // Never caught: the lost run's video never played.
    EXPECT_EQ(run.Log().find("cine046"), std::string::npos);
}
