// The pointer a player sees over the view, through the whole program on the demo: the zone pointers after the
// menus, a puzzle's cursor while it is held, and a character's panel under it.
#include <memory>

#include "ProgramRun.h"
#include "app/FrameTimer.h"
#include "framework/KeyCodes.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Menu.h"
#include "framework/Input.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "testdata/DemoWorld.h"
#include "world/Inventaire.h"

namespace {
// The interface bank's animated pointer of each kind: its first sprite and its frames (move, link, scenario).
struct PointerSprites {
    int32_t kind, first, frames;
};
constexpr PointerSprites kPointers[] = {{1, 1, 4}, {2, 5, 4}, {3, 9, 4}};

// The view at rest for a few passes shows the pointer of that kind.
Step ExpectPointer(int32_t kind, const char* what) {
    auto rest = std::make_shared<int>(0);
    return [=] {
        if (!Idle() || ++*rest < 3) return false;
        const SprBank* bank = OrvSpr_get_curseur_bank();
        const int sprite = OrvSpr_get_curseur_sprite();
        for (const PointerSprites& p : kPointers)
            if (p.kind == kind) {
                EXPECT_EQ(bank, Interface_GetBank()) << what << " in " << ViewName();
                EXPECT_GE(sprite, p.first) << what << " in " << ViewName();
                EXPECT_LT(sprite, p.first + p.frames) << what << " in " << ViewName();
            }
        return true;
    };
}

// The view at rest for a few passes shows the object bank's sprite n as the cursor.
Step ExpectHeld(int n) {
    auto rest = std::make_shared<int>(0);
    return [=] {
        if (!Idle() || ++*rest < 3) return false;
        EXPECT_EQ(OrvSpr_get_curseur_bank(), Inventaire_GetBank());
        EXPECT_EQ(OrvSpr_get_curseur_sprite(), n);
        return true;
    };
}
}  // namespace

TEST(PointerFlows, TheZonePointersShowAfterThePlayerPageAndTheMenusAndAPuzzleCursorWinsOnlyWhileHeld) {
    ProgramRun run;
    Append(run.steps, ChoosePlayer(0));
    Append(run.steps, {Read(1), Arrive("IR1"), TurnToZone(MoveTo(3)), ExpectPointer(1, "a move"),
                       TurnToZone(ZoneNamed("ZONE_COFFRE")), ExpectPointer(3, "the chest")});
    // The main page's arrow, left behind when Escape closes it, gives way to the zone pointers too.
    Append(run.steps, {Key(DIK_ESCAPE), WaitFor([] { return PageShows("a_exit.spr"); }), Key(DIK_ESCAPE),
                       TurnToZone(MoveTo(3)), ExpectPointer(1, "a move after the menu")});
    Append(run.steps, SaveGame());
    // A cursor from the object bank, as a puzzle puts the cross in hand, is drawn over every zone while held.
    const int cross = 1;
    Append(run.steps, {Do([] { OrvSpr_set_curseur(Inventaire_GetBank(), cross); }), ExpectHeld(cross),
                       TurnToZone(ZoneNamed("ZONE_COFFRE")), ExpectHeld(cross)});
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
