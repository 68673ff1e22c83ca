// The pointer a player sees over the view, through the whole program on the demo: the zone pointers after the
// menus, a puzzle's cursor while it is held, the object in hand beside the messages and on the canoe's board,
// and a character's panel under the pointer.
#include <cstdlib>
#include <memory>
#include <vector>

#include "ProgramRun.h"
#include "app/FrameTimer.h"
#include "app/main/Orv_Main.h"
#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Menu.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_pirogue.h"
#include "testdata/DemoWorld.h"
#include "world/DefName.h"
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

// With the key in hand, the refused way's message keeps every letter, and on the canoe's board, a piece carried,
// the frames with and without the key differ by its icon alone, at the arrow's point.
TEST(PointerFlows, TheHeldObjectHidesNoLetterOfAMessageAndStaysAtTheArrowOnTheCanoesBoard) {
    ProgramRun run;
    std::vector<uint32_t> empty, held;
    Append(run.steps, NewGameTo(DEMO_WAM_IR, 4, "IR4"));
    Append(run.steps, ClickZone(LinkAway()));
    run.steps.push_back(Read(5, &empty));
    run.steps.push_back(Do([] { ASSERT_TRUE(Inventaire_PrendObjEnMain("CLE")); }));
    Append(run.steps, ClickZone(LinkAway()));
    run.steps.push_back(Read(5, &held));
    run.steps.push_back(Do([&] {
        // The letters are white inside a black outline.
        const auto white = [](uint32_t argb) { return (argb & 0xF0F0F0u) == 0xF0F0F0u; };
        int text = 0, lost = 0;
        for (size_t i = 0; i < empty.size() && i < held.size(); i++) text += white(empty[i]), lost += white(empty[i]) && !white(held[i]);
        EXPECT_GT(text, 0);
        EXPECT_EQ(lost, 0) << "letters hidden by the object in hand";
    }));

    Append(run.steps, ToTheCanoeBoard());
    Append(run.steps, {Do([] {
                           for (int32_t cell = 0; cell < PIROGUE_FIXED_CELL; cell++)
                               if (pirogue_plateau[cell].code >= 0) return ClickCanoeCell(cell, MOUSE_LEFT);
                       }),
                       WaitFor([] { return piece_en_main >= 0; }), Snapshot(&held), Do([] { Inventaire_SetObjetEnMain_id(0); }),
                       Snapshot(&empty), Do([&] {
                           ASSERT_EQ(held.size(), empty.size());
                           int arrowW = 0, arrowH = 0, iconW = 0, iconH = 0;
                           OrvSpr_GetSize(Interface_GetBank(), PIROGUE_ARROW_SPRITE, &arrowW, &arrowH);
                           OrvSpr_GetSize(Inventaire_GetBank(), DefName_GetParamInt(DEFNAME_OBJETS, "CLE"), &iconW, &iconH);
                           const int x = OrvWarp_Cursor.x + arrowW / 2, y = OrvWarp_Cursor.y + arrowH / 2, width = OrvDisplay_GetRenderWidth();
                           int atTheArrow = 0, elsewhere = 0;
                           for (size_t i = 0; i < held.size(); i++)
                               if (held[i] != empty[i])
                                   ++(std::abs(int(i) % width - x) <= iconW && std::abs(int(i) / width - y) <= iconH ? atTheArrow : elsewhere);
                           EXPECT_GT(atTheArrow, 0);
                           EXPECT_EQ(elsewhere, 0) << "the key drawn away from the arrow";
                       }),
                       Key(DIK_ESCAPE), WaitFor([] { return Loop() == LOOP_WARP; })});
    run.PlayToTheEnd();
}

// A character's panel dismissed by a click beside it stays closed while the view turns off him by small moves,
// the pointer still on him, and opens again when he is pointed at anew.
TEST(PointerFlows, ADismissedPanelOpensAgainOnlyOnceThePointerHasLeftItsCharacter) {
    ProgramRun run;
    Append(run.steps, NewGameTo(DEMO_WAM_YU, 2, "YU2"));
    Append(run.steps, {TurnToSprite("GARDIEN"), WaitFor([] { return OrvWarp_SubjectPanelOpen; }), ClickPoint(100, 100),
                       WaitFor([] { return !OrvWarp_SubjectPanelOpen; })});
    auto onHim = std::make_shared<int>(0), moves = std::make_shared<int>(0);
    run.steps.push_back([onHim, moves] {
        EXPECT_FALSE(OrvWarp_SubjectPanelOpen) << "after " << *moves << " moves";
        *onHim += OrvSpw_PointerOver == 2;
        if (OrvSpw_PointerOver == 0 && *onHim > 3) return true;
        if (++*moves > 400) return true;
        Input_InjectMouseMove(3, 0);
        return false;
    });
    Append(run.steps, {Do([onHim] { EXPECT_GT(*onHim, 3) << "turned while still on him"; }), TurnToSprite("GARDIEN"),
                       WaitFor([] { return OrvWarp_SubjectPanelOpen; })});
    run.PlayToTheEnd();
}
