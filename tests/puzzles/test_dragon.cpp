// The dragon and clouds of SS 31: flights, guesses, the low clouds, the pearl, leaving and loading.
#include "ViewPuzzleTest.h"
#include "puzzles/pz_dragon.h"

namespace {
constexpr float kDragon = 0, kLeft = -kQuarter, kRight = kQuarter, kBehind = 2 * kQuarter;

class DragonTest : public ViewPuzzleTest {
protected:
    uint32_t StartView() const override { return 31; }

    ST_spw_visible* Dragon() { return Slot("DRAGON_NUAGE"); }
    // Passes until the flight under way is over; the sprite is taken near its resting frame once it has
    // left it, so a flight lasts a few frames.
    bool FinishFlight() {
        for (int i = 0; i < 400 && pz_dragon_get_etat() != DRAGON_REPOS; i++) {
            if (pz_dragon_get_etat() == DRAGON_VOL_FIN && Dragon()->frame > DRAGON_FRAME_REPOS)
                Dragon()->frame = DRAGON_FRAME_REPOS - 1;
            Pass();
        }
        return pz_dragon_get_etat() == DRAGON_REPOS;
    }
    // A guess, then the passes of its reveal; the flight it starts is finished too.
    void Guess(float side) {
        ClickAt(side);
        for (int i = 0; i < 40 && Var("Time_nuage_transparent") != 0; i++) Pass();
        ASSERT_EQ(Var("Time_nuage_transparent"), 0);
        if (Var("FINPERLE") == 0) {
            ASSERT_TRUE(FinishFlight());
        }
    }
    float SideOfPearl() { return Var("Perle_cachee") == 'A' ? kLeft : kRight; }
    float OtherSide() { return Var("Perle_cachee") == 'A' ? kRight : kLeft; }
    std::vector<int32_t> LowCloudFrames() {
        std::vector<int32_t> frames;
        for (int i = 1; i <= 5; i++) frames.push_back(Slot(("NUAGE_BAS" + std::to_string(i)).c_str())->frame);
        return frames;
    }
};
}  // namespace

TEST_F(DragonTest, EntryShowsTheStateAndFindsObjectsOfTheirOwnKind) {
    EXPECT_EQ(pz_actif, PZ_DRAGON);
    // The character SPECTATEUR has the dragon's id and comes first: the dragon is the object's slot.
    const int32_t id = DefName_GetIdName(DEFNAME_OBJETS, "DRAGON_NUAGE");
    ASSERT_EQ(DefName_GetIdName(DEFNAME_PERSONNAGES, "SPECTATEUR"), id);
    ASSERT_EQ(OrvSpw_Visibles[0].elem_id, id);
    ASSERT_EQ(OrvSpw_Visibles[0].type, WAM_PERSO);
    EXPECT_EQ((std::vector<int32_t>{Dragon()->type, Dragon()->frame, Dragon()->playing, OrvSpw_Visibles[0].frame}),
              (std::vector<int32_t>{WAM_OBJET, DRAGON_FRAME_REPOS, 0, 0}));
    EXPECT_EQ(Slot("PERLE_NUAGE_GAUCHE")->shown + Slot("PERLE_NUAGE_DROITE")->shown, 0);
    EXPECT_TRUE(Interp_IsElemHidden(DefName_GetIdName(DEFNAME_OBJETS, "PERLE_TROU"), WAM_OBJET));
    EXPECT_EQ(LowCloudFrames(), (std::vector<int32_t>{0, 0, 0, 0, 0}));

    // Solved, the view only shows the five clouds and starts nothing.
    pz_dragon_quit();
    SetVar("FINPERLE", 1);
    ASSERT_TRUE(OrvWarp_start());
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_EQ(Var("State_nuages_bas"), 5);
    EXPECT_EQ(LowCloudFrames(), (std::vector<int32_t>{1, 1, 1, 1, 1}));
    ClickAt(kDragon);
    EXPECT_EQ(Var("Perle_cachee"), 0);
}

TEST_F(DragonTest, AFlightEndsOnItsRestingFrameSeenAgain) {
    // No frame tick: the sprite stays on its resting frame, and the flight must not end on it.
    frame_timer_stop();
    ClickAt(kDragon);
    EXPECT_EQ((std::vector<int32_t>{Dragon()->playing, Var("Perle_cachee"), Var("Num_sequence_dragon"), pz_dragon_get_etat()}),
              (std::vector<int32_t>{1, 'A', 1, DRAGON_VOL}));
    Passes(8);
    EXPECT_EQ(pz_dragon_get_etat(), DRAGON_VOL_FIN);
    EXPECT_EQ(Dragon()->frame, DRAGON_FRAME_REPOS);
    frame_timer_start();
    // The whole loop of the sprite, back to frame 50, where it rests.
    int passes = 0;
    for (; pz_dragon_get_etat() != DRAGON_REPOS && passes < 400; passes++) Pass();
    EXPECT_EQ(pz_dragon_get_etat(), DRAGON_REPOS);
    EXPECT_GT(passes, 4 * (PUZZLE_DRAGON_FRAMES - 1));
    EXPECT_EQ(Dragon()->frame, DRAGON_FRAME_REPOS);
    EXPECT_EQ(Dragon()->playing, 0);
}

TEST_F(DragonTest, GuessesBuildTheLowCloudsUntilThePearlIsFound) {
    ClickAt(kDragon);
    // Clicks while the dragon flies are ignored.
    ClickAt(kLeft);
    EXPECT_EQ(Var("Time_nuage_transparent"), 0);
    ASSERT_TRUE(FinishFlight());
    std::vector<int32_t> hidingPlaces{Var("Perle_cachee")}, positions{Var("Num_sequence_dragon")};

    // A wrong guess with no cloud standing changes nothing but the next flight.
    ClickAt(OtherSide());
    EXPECT_EQ(Var("Action_nuage_bas"), 2);
    EXPECT_EQ(Var("Time_nuage_transparent"), 29);
    // Clicks during the reveal are ignored.
    ClickAt(kDragon);
    ClickAt(SideOfPearl());
    EXPECT_EQ(Var("Action_nuage_bas"), 2);
    Guess(kDragon);
    EXPECT_EQ(Var("State_nuages_bas"), 0);
    EXPECT_TRUE(Commands().empty());
    hidingPlaces.push_back(Var("Perle_cachee"));
    positions.push_back(Var("Num_sequence_dragon"));

    // A right guess: the cloud turns see-through with the pearl in it, then a low cloud rises.
    const float side = SideOfPearl();
    ClickAt(side);
    const char* cloud = side == kLeft ? "NUAGE_GAUCHE" : "NUAGE_DROITE";
    const char* pearl = side == kLeft ? "PERLE_NUAGE_GAUCHE" : "PERLE_NUAGE_DROITE";
    const char* otherPearl = side == kLeft ? "PERLE_NUAGE_DROITE" : "PERLE_NUAGE_GAUCHE";
    EXPECT_EQ(Var("NuageTransparent"), side == kLeft ? 1 : 2);
    EXPECT_EQ(Slot(cloud)->flicker, 50);
    EXPECT_EQ(Slot(pearl)->shown, 1);
    EXPECT_EQ(Slot(otherPearl)->shown, 0);
    // Leaving through the move zone drops the puzzle; coming back shows the reveal again.
    Passes(5);
    ClickAt(kBehind);
    Pass();
    ASSERT_TRUE(pz_vue_is("SS", 30));
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_EQ(Var("Time_nuage_transparent"), 24);
    ClickAt(0);
    Pass();
    ASSERT_TRUE(pz_vue_is("SS", 31));
    EXPECT_EQ(pz_actif, PZ_DRAGON);
    EXPECT_EQ(Slot(cloud)->flicker, 50);
    EXPECT_EQ(Slot(pearl)->shown, 1);
    // Saved during the reveal and loaded, it goes on from where it was.
    ASSERT_TRUE(OrvSaveGame_Save(2));
    const int32_t left = Var("Time_nuage_transparent");
    Passes(3);
    ASSERT_TRUE(OrvSaveGame_Load(2));
    EXPECT_EQ(Var("Time_nuage_transparent"), left);
    EXPECT_EQ(pz_actif, PZ_DRAGON);
    EXPECT_EQ(Slot(cloud)->flicker, 50);
    Guess(kDragon);
    EXPECT_EQ(Slot(cloud)->flicker, 0);
    EXPECT_EQ(Slot(pearl)->shown, 0);
    EXPECT_EQ(Var("State_nuages_bas"), 1);
    EXPECT_EQ(LowCloudFrames(), (std::vector<int32_t>{1, 0, 0, 0, 0}));
    EXPECT_EQ(Commands(), std::vector<std::string>{"NewSound=206"});
    hidingPlaces.push_back(Var("Perle_cachee"));
    positions.push_back(Var("Num_sequence_dragon"));

    // A wrong guess takes one away.
    Guess(OtherSide());
    EXPECT_EQ(Var("State_nuages_bas"), 0);
    EXPECT_EQ(Commands().back(), "NewSound=205");
    hidingPlaces.push_back(Var("Perle_cachee"));
    positions.push_back(Var("Num_sequence_dragon"));
    for (int i = 0; i < 5; i++) {
        Guess(SideOfPearl());
        if (Var("FINPERLE") == 0) {
            hidingPlaces.push_back(Var("Perle_cachee"));
            positions.push_back(Var("Num_sequence_dragon"));
        }
    }
    // The fifth cloud ends it: the pearl in its hole, no new flight.
    EXPECT_EQ(Var("FINPERLE"), 1);
    EXPECT_EQ(Var("State_nuages_bas"), 5);
    EXPECT_EQ(LowCloudFrames(), (std::vector<int32_t>{1, 1, 1, 1, 1}));
    EXPECT_EQ(Commands(), (std::vector<std::string>{"NewSound=206", "NewSound=205", "NewSound=206", "NewSound=207",
                                                    "NewSound=208", "NewSound=209", "NewSound=210"}));
    EXPECT_FALSE(Interp_IsElemHidden(DefName_GetIdName(DEFNAME_OBJETS, "PERLE_TROU"), WAM_OBJET));
    EXPECT_EQ(Slot("PERLE_TROU")->shown, 1);
    EXPECT_EQ(pz_dragon_get_etat(), DRAGON_REPOS);
    EXPECT_EQ(hidingPlaces, (std::vector<int32_t>{'A', 'B', 'B', 'A', 'B', 'A', 'B', 'B'}));
    EXPECT_EQ(positions, (std::vector<int32_t>{1, 2, 3, 4, 0, 1, 2, 3}));
    ClickAt(SideOfPearl());
    EXPECT_EQ(Var("Time_nuage_transparent"), 0);
}

TEST_F(DragonTest, APassAwayFromItsViewDropsThePuzzle) {
    // A scenario jump leaves without the move zone.
    OrvWam_RequestVue(30);
    Pass();
    ASSERT_TRUE(pz_vue_is("SS", 30));
    EXPECT_EQ(pz_actif, PZ_NONE);
    // A sequence position the scenario put out of range starts the sequence again.
    GoTo(31);
    SetVar("Num_sequence_dragon", 9);
    ClickAt(kDragon);
    EXPECT_EQ(Var("Perle_cachee"), 'A');
    EXPECT_EQ(Var("Num_sequence_dragon"), 1);
}
