// The pointer a player sees over the view, through the whole program on the demo: the zone pointers after the
// menus, a puzzle's cursor while it is held, and the object in hand put back.
#include <memory>

#include "ProgramRun.h"
#include "app/FrameTimer.h"
#include "framework/KeyCodes.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Menu.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Warp.h"
#include "testdata/DemoWorld.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/wam.h"

TEST(PointerFlows, TheZonePointersShowAfterThePlayerPageAndTheMenusAndAPuzzleCursorWinsOnlyWhileHeld) {
    ProgramRun run;
    Append(run.steps, ChoosePlayer(0));
    Append(run.steps, {Read(1), Arrive("IR1"), TurnToZone(MoveTo(3)), ExpectPointer(1, "a move"),
                       TurnToZone(ZoneNamed("ZONE_COFFRE")), ExpectPointer(3, "the chest")});
    // The main page's arrow, left behind when Escape closes it, gives way to the zone pointers too.
    Append(run.steps, {Key(DIK_ESCAPE), WaitFor([] { return PageShows("a_exit.spr"); }), Key(DIK_ESCAPE),
                       TurnToZone(MoveTo(3)), ExpectPointer(1, "a move after the menu")});
    Append(run.steps, SaveGame());
    // A cursor from the object bank, as a puzzle puts an object in hand with its cursor, is drawn over every
    // zone while held.
    Append(run.steps, {Do([] {
                           ASSERT_TRUE(Inventaire_PrendObjEnMain("CLE"));
                           OrvSpr_set_curseur(Inventaire_GetBank(), DefName_GetParamInt(DEFNAME_OBJETS, "CLE"));
                       }),
                       ExpectHeld("CLE"), TurnToZone(ZoneNamed("ZONE_COFFRE")), ExpectHeld("CLE")});
    // A load from the menu while it is held leaves no cursor of it in the loaded game.
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("IR1"), TurnToZone(ZoneNamed("ZONE_COFFRE")), ExpectPointer(3, "the chest after a load")});

    // The key, the lantern, the link to the temple and the guardian.
    Append(run.steps, ClickZone(MoveTo(3)));
    Append(run.steps, {Arrive("IR3"), TurnToSprite("CLE"), ExpectPointer(3, "the key")});
    Append(run.steps, ClickZone(ZoneNamed("ZONE_CLE")));
    run.steps.push_back(Read(4));
    Append(run.steps, ClickZone(MoveTo(1)));
    Append(run.steps, {Arrive("IR1")});
    Append(run.steps, ClickZone(ZoneNamed("ZONE_COFFRE")));
    run.steps.push_back(Read(3));
    Append(run.steps, ClickZone(MoveTo(4)));
    Append(run.steps, {Arrive("IR4"), TurnToZone(LinkAway()), ExpectPointer(2, "the link"), ClickView(), Arrive("YU1")});
    Append(run.steps, ClickZone(MoveTo(2)));
    // Pointing at the guardian opens his subjects.
    Append(run.steps, {Arrive("YU2"), TurnToSprite("GARDIEN"), WaitFor([] { return OrvWarp_SubjectPanelOpen; })});
    run.PlayToTheEnd();
}

// The key chosen for the chest and chosen again goes back: the hand empties and the guardian, pointed at,
// opens his subjects.
TEST(PointerFlows, TheObjectInHandChosenAgainGoesBackAndACharactersSubjectsOpen) {
    ProgramRun run;
    Append(run.steps, NewGame());
    Append(run.steps, ClickZone(MoveTo(3)));
    Append(run.steps, {Arrive("IR3")});
    Append(run.steps, ClickZone(ZoneNamed("ZONE_CLE")));
    Append(run.steps, {Read(4), Do([] { OrvWam_RequestWorld(DEMO_WAM_YU, 2, false); }), Arrive("YU2")});
    Append(run.steps, ChooseFromTheBag("CLE"));
    auto passes = std::make_shared<int>(0);
    Append(run.steps, {TurnToSprite("GARDIEN"), WaitFor([passes] {
                           EXPECT_FALSE(OrvWarp_SubjectPanelOpen) << "a held object keeps the subjects shut";
                           return ++*passes > 10;
                       })});
    Append(run.steps, ChooseFromTheBag("CLE"));
    Append(run.steps, {Do([] {
                           EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 0);
                           EXPECT_EQ(OrvSpr_GetObjetEnMainSprite(nullptr), nullptr);
                           EXPECT_TRUE(Inventaire_IsObjetInSac("CLE"));
                       }),
                       TurnToSprite("GARDIEN"), WaitFor([] { return OrvWarp_SubjectPanelOpen; })});
    run.PlayToTheEnd();
}
