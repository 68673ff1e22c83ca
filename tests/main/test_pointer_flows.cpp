// The pointer a player sees over the view, through the whole program on the demo: the zone pointers after the
// menus, a puzzle's cursor while it is held, the object in hand put back, the object in hand beside the
// messages and on the canoe's board, and a character's panel under the pointer.
#include <algorithm>
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
#include "testdata/DemoCanoe.h"
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

namespace {
using Frame = std::vector<uint32_t>;

// The frame presented once the screen has shown a few passes.
Step Capture(std::shared_ptr<Frame> into) {
    auto n = std::make_shared<int>(0);
    return [=] {
        if (++*n < 4) return false;
        *into = PresentedFrame();
        return true;
    };
}

// The message lines are white inside a black outline.
bool TextPixel(uint32_t argb) { return (argb & 0xF0F0F0u) == 0xF0F0F0u; }

// Pixels of the message's text in `before` that `after` no longer shows.
Step ExpectNoLetterLost(std::shared_ptr<Frame> before, std::shared_ptr<Frame> after) {
    return Do([=] {
        ASSERT_EQ(before->size(), after->size());
        int text = 0, lost = 0;
        for (size_t i = 0; i < before->size(); i++)
            if (TextPixel((*before)[i])) {
                text++;
                lost += !TextPixel((*after)[i]);
            }
        EXPECT_GT(text, 0) << "no text on the message screen";
        EXPECT_EQ(lost, 0) << "text pixels hidden while an object is in hand";
    });
}

// The size of the bag's icon of an object.
void IconSize(const char* object, int* w, int* h) {
    const int32_t id = DefName_GetIdName(DEFNAME_OBJETS, object);
    for (int32_t i = 0; i < Inventaire_NbObjets; i++)
        if (Inventaire_Sac[i].id == id) OrvSpr_GetSize(Inventaire_GetBank(), Inventaire_Sac[i].nspr, w, h);
}

// Where the board's frames with and without the key in hand differ: its icon, drawn at the arrow's point.
Step ExpectKeyAtTheArrow(std::shared_ptr<Frame> held, std::shared_ptr<Frame> empty, const char* what) {
    return Do([=] {
        ASSERT_EQ(held->size(), empty->size());
        const int width = OrvDisplay_GetRenderWidth();
        int left = width, top = 1 << 30, right = -1, bottom = -1;
        for (size_t i = 0; i < held->size(); i++)
            if ((*held)[i] != (*empty)[i]) {
                const int x = int(i % size_t(width)), y = int(i / size_t(width));
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        int arrowW = 0, arrowH = 0, iconW = 0, iconH = 0;
        OrvSpr_GetSize(Interface_GetBank(), PIROGUE_ARROW_SPRITE, &arrowW, &arrowH);
        IconSize("CLE", &iconW, &iconH);
        const int x = OrvWarp_Cursor.x + arrowW / 2, y = OrvWarp_Cursor.y + arrowH / 2;
        ASSERT_GE(right, 0) << what << ": no icon drawn";
        EXPECT_TRUE(left <= x && x <= right && top <= y && y <= bottom)
            << what << ": icon in (" << left << ", " << top << ")-(" << right << ", " << bottom << "), arrow at (" << x
            << ", " << y << ")";
        EXPECT_LE(right - left + 1, iconW) << what;
        EXPECT_LE(bottom - top + 1, iconH) << what;
    });
}
}  // namespace

TEST(PointerFlows, TheHeldObjectHidesNoLetterOfAMessageAndStaysAtTheArrowOnTheCanoesBoard) {
    ProgramRun run;
    run.maxPasses = 30000;
    Append(run.steps, NewGame());
    Append(run.steps, ClickZone(MoveTo(3)));
    Append(run.steps, {Arrive("IR3")});
    Append(run.steps, ClickZone(ZoneNamed("ZONE_CLE")));
    run.steps.push_back(Read(4));
    Append(run.steps, ClickZone(MoveTo(1)));
    Append(run.steps, {Arrive("IR1")});
    Append(run.steps, ClickZone(MoveTo(4)));
    // Without the lantern the way to the temple is refused with a message, with the hand empty and then with the key.
    auto emptyMessage = std::make_shared<Frame>(), heldMessage = std::make_shared<Frame>();
    Append(run.steps, {Arrive("IR4"), TurnToZone(LinkAway()), ClickView(), WaitFor([] { return Loop() == LOOP_MESSAGE; }),
                       Capture(emptyMessage), Click(), WaitFor(Idle)});
    Append(run.steps, ChooseFromTheBag("CLE"));
    Append(run.steps, {ClickView(), WaitFor([] { return Loop() == LOOP_MESSAGE; }), Capture(heldMessage),
                       ExpectNoLetterLost(emptyMessage, heldMessage), Click(), WaitFor(Idle)});

    // The board, the key still in hand, with no piece carried and then with one.
    auto held = std::make_shared<Frame>(), empty = std::make_shared<Frame>();
    auto heldCarrying = std::make_shared<Frame>(), emptyCarrying = std::make_shared<Frame>();
    Append(run.steps, {Do([] { OrvWam_RequestWorld(DEMO_WAM_YU, 3, false); }), Arrive("YU3"), TurnToZone(DEMO_CANOE_VIEW),
                       ClickView(), Read(DEMO_CANOE_RULES_MESSAGE), Arrive("YU" + std::to_string(DEMO_CANOE_VIEW)), TurnToZone(ZoneNamed("ZONE_PIROGUE")),
                       ClickView(), WaitFor([] { return Loop() == LOOP_PIROGUE; }), Capture(held), Do([] { Inventaire_SetObjetEnMain_id(0); }),
                       Capture(empty), ExpectKeyAtTheArrow(held, empty, "no piece carried"), Do([] {
                           for (int32_t cell = 0; cell < PIROGUE_FIXED_CELL; cell++)
                               if (pirogue_plateau[cell].code >= 0) {
                                   ClickCanoeCell(cell, MOUSE_LEFT);
                                   return;
                               }
                       }),
                       WaitFor([] { return piece_en_main >= 0; }), Capture(emptyCarrying), Do([] { Inventaire_SetObjetEnMain("CLE"); }), Capture(heldCarrying),
                       ExpectKeyAtTheArrow(heldCarrying, emptyCarrying, "a piece carried"), Key(DIK_ESCAPE),
                       WaitFor([] { return Loop() == LOOP_WARP; })});
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
