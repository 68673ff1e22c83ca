// The spider puzzle played through the panorama's routing on the generated web: errands done and not
// done, moves while a spider walks, the catch and the lost run, the sword, the feather, the centre click,
// jumps away from the web, saves on the web, a failed load of the databases.
#include "tests/puzzles/AraigFixture.h"

namespace {

std::vector<const Orv3DDataBase*> Loaded() {
    std::vector<const Orv3DDataBase*> out;
    for (const ArDbFile& f : araig_db_files)
        if (f.db->valid) out.push_back(f.db);
    return out;
}


TEST_F(AraigTest, TheCaterpillarIsFetchedAndTheErrandCounted) {
    Start();
    // Left over from another game: no run counts it.
    araig_sauterelle_taken = 1;
    EXPECT_EQ(pz_actif, PZ_ARAIG);
    EXPECT_EQ(araig_stage, 1);
    EXPECT_EQ(Loaded(), (std::vector<const Orv3DDataBase*>{&db_PARmar, &db_PARstby, &db_chenille}));
    EXPECT_FALSE(araig_running);

    IntoWeb();
    ASSERT_TRUE(araig_running);
    ASSERT_EQ(araig_nb_actors, 2);
    EXPECT_EQ(araig_actors[0].kind, ARAIG_SMALL_SPIDER);
    EXPECT_EQ(araig_actors[0].to, 264);  // entered by 213, not 215
    EXPECT_EQ(araig_actors[1].kind, ARAIG_CATERPILLAR);
    EXPECT_GT(Settle(), 50);

    // From 213 to the centre and out by 215, out of the small spider's reach.
    Walk({214, 231, 214, 213, 230, 247, 264});
    const int32_t chenille = Interp_GetEngineVar(IV_OBJETENMAIN);
    MoveToward(265);
    ASSERT_EQ(View(), 265u);
    EXPECT_TRUE(araig_chenille_taken);
    EXPECT_EQ(araig_actors[1].kind, ARAIG_REMOVED);
    EXPECT_TRUE(InBag("CHENILLE"));
    EXPECT_TRUE(Ran("NewSound=104"));
    // The caterpillar reaches the hand one pass after the pick-up.
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), chenille);
    Pass();
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), DefName_GetIdName(DEFNAME_OBJETS, "CHENILLE"));
    EXPECT_STREQ(araig_item_name, "");
    Settle();

    Walk(kFromTheCentre);
    MoveToward(SPIDERWEB_WAY_200);
    // The flight skips the way's entry; the scenario enters it again, and the errand is counted there.
    EXPECT_EQ(Var("FuiteToileAraig"), 1);
    EXPECT_TRUE(araig_running);
    Pass();
    Pass();
    EXPECT_EQ(View(), SPIDERWEB_WAY_200);
    EXPECT_EQ(Var("FuiteToileAraig"), 0);
    EXPECT_FALSE(araig_running);
    EXPECT_EQ(Var("finaraign1"), 1);
    EXPECT_TRUE(InBag("CHENILLE"));
    // Counting it made stage 2, whose own errand stopped the run.
    EXPECT_EQ(araig_stage, 2);
    EXPECT_EQ(Var("finaraign2"), 0);
    EXPECT_TRUE(Loaded().empty());
    EXPECT_EQ(araig_nb_actors, 0);
    EXPECT_EQ(pz_actif, PZ_ARAIG);

    // The next run loads stage 2: the grasshopper on 251.
    MoveToward(215);
    ASSERT_TRUE(araig_running);
    EXPECT_EQ(Loaded(), (std::vector<const Orv3DDataBase*>{&db_PARmar, &db_PARstby, &db_sauterelle}));
    EXPECT_EQ(araig_actors[1].kind, ARAIG_GRASSHOPPER);
    EXPECT_EQ(araig_actors[1].from, 251);
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, LeavingWithoutTheObjectEndsOnlyTheRun) {
    Start();
    MoveToward(SPIDERWEB_WAY_200);
    MoveToward(215);
    ASSERT_TRUE(araig_running);
    EXPECT_EQ(araig_actors[0].to, 250);
    Settle();
    FleeWeb(SPIDERWEB_WAY_200);
    EXPECT_FALSE(araig_running);
    EXPECT_EQ(Var("finaraign1"), 0);
    EXPECT_EQ(araig_stage, 1);
    EXPECT_TRUE(araig_db_loaded);
    EXPECT_EQ(pz_actif, PZ_ARAIG);
    // Back to 198 keeps the puzzle; the next cell starts a new run with the databases still loaded.
    MoveToward(SPIDERWEB_BEFORE);
    EXPECT_EQ(pz_actif, PZ_ARAIG);
    IntoWeb();
    EXPECT_TRUE(araig_running);
    EXPECT_EQ(araig_nb_actors, 2);
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, TheGrasshopperErrandLeadsToTheSwordTest) {
    StartAtStage(2);
    EXPECT_EQ(araig_stage, 2);
    IntoWeb();
    ASSERT_TRUE(araig_running);
    EXPECT_EQ(araig_actors[0].to, 264);
    Settle();
    // Twice round the outer ring, where a second small spider comes, then to 251 and out by 215.
    Walk({230, 213, 214, 215, 216, 201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 230, 213, 214, 215,
          216, 217, 234});
    EXPECT_EQ(araig_second_state, 1);
    EXPECT_EQ(araig_nb_actors, 3);
    MoveToward(251);
    ASSERT_EQ(View(), 251u);
    EXPECT_TRUE(araig_sauterelle_taken);
    EXPECT_TRUE(InBag("SAUTERELLE"));
    EXPECT_TRUE(Ran("NewSound=105"));
    Settle();
    Walk({234, 233, 232, 215});
    // The sword given meanwhile leaves the bag: finishing stage 2 reaches the stage-3 test.
    Inventaire_PrendObj_id_nspr(DefName_GetIdName(DEFNAME_OBJETS, "EPEE"), 1);
    FleeWeb(SPIDERWEB_WAY_200);
    EXPECT_EQ(Var("finaraign2"), 1);
    EXPECT_EQ(araig_stage, 3);
    EXPECT_FALSE(InBag("EPEE"));
    EXPECT_EQ(Var("finaraign3"), 0);
    EXPECT_FALSE(araig_running);
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, TheSkullErrandWithTheBigSpider) {
    StartAtStage(3);
    EXPECT_EQ(Loaded(), (std::vector<const Orv3DDataBase*>{&db_ARmar, &db_ARstby, &db_ARmen, &db_ARtoil, &db_crane,
                                                           &db_bouclier, &db_macahuitl}));
    IntoWeb();
    ASSERT_TRUE(araig_running);
    EXPECT_EQ(Interp_Flags[92], 1);
    const std::vector<std::string> subjects = {"enablesuj=CHAUVE_SOURIS,DEESSE_ARAIGNEE",
                                               "enablesuj=PRETRESSE,DEESSE_ARAIGNEE"};
    EXPECT_EQ(commands, subjects);
    ASSERT_EQ(araig_nb_actors, 4);
    EXPECT_EQ(araig_actors[0].kind, ARAIG_BIG_SPIDER);
    EXPECT_EQ(araig_actors[0].db, &db_ARmar);
    EXPECT_EQ(araig_actors[3].kind, ARAIG_SWORD);
    // The big spider walks its first cell and, having a step left, a second one toward the player.
    Settle();
    EXPECT_EQ(araig_actors[0].from, 247);
    EXPECT_EQ(araig_actors[0].steps, 0);

    // Clicked without the sword, the spider speaks.
    ClickSpider();
    EXPECT_EQ(commands.back(), "dial=189");
    EXPECT_EQ(araig_epee_state, 0);

    // The feather laid on 214 lures the spider once; the sword taken on 247 stuns it at each click, silently.
    Hold("PLUME");
    MoveToward(214);
    ASSERT_EQ(araig_plume_case, 214);
    Walk({214, 213, 230, 247});
    EXPECT_EQ(araig_epee_state, 1);
    EXPECT_TRUE(InBag("EPEE"));
    Pass();
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), DefName_GetIdName(DEFNAME_OBJETS, "EPEE"));
    auto stun = [this] {
        const size_t said = commands.size();
        ClickSpider();
        EXPECT_EQ(araig_epee_state, 2);
        EXPECT_EQ(commands.size(), said);
    };
    stun();
    Walk({264});
    stun();
    Walk({265});
    EXPECT_TRUE(araig_crane_taken);
    EXPECT_EQ(araig_actors[1].kind, ARAIG_REMOVED);
    EXPECT_EQ(araig_actors[2].kind, ARAIG_REMOVED);
    EXPECT_TRUE(InBag("CRANE_ARAIG2"));
    Walk({264, 247, 230, 213});
    FleeWeb(SPIDERWEB_WAY_199);
    EXPECT_EQ(Var("finaraign3"), 1);
    EXPECT_EQ(araig_stage, 4);
    EXPECT_FALSE(InBag("EPEE"));
    EXPECT_TRUE(InBag("CRANE_ARAIG2"));
    EXPECT_FALSE(InBag("PLUME"));
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, StageFourShowsTheGrasshopperOnlyWhileItIsNotInTheBag) {
    StartAtStage(4);
    EXPECT_EQ(Loaded(), (std::vector<const Orv3DDataBase*>{&db_PARmar, &db_PARstby, &db_sauterelle}));
    IntoWeb();
    ASSERT_EQ(araig_nb_actors, 2);
    EXPECT_EQ(araig_actors[1].kind, ARAIG_GRASSHOPPER);
    EXPECT_FALSE(araig_sauterelle_taken);
    Settle();
    // Without the grasshopper the way out ends the run alone.
    FleeWeb(SPIDERWEB_WAY_199);
    EXPECT_FALSE(araig_running);
    EXPECT_TRUE(araig_db_loaded);

    // With it in the bag: no grasshopper, nothing to fetch, and the way out unloads the stage.
    Inventaire_PrendObj_id_nspr(DefName_GetIdName(DEFNAME_OBJETS, "SAUTERELLE"), 1);
    MoveToward(SPIDERWEB_BEFORE);
    IntoWeb();
    ASSERT_TRUE(araig_running);
    EXPECT_EQ(araig_nb_actors, 1);
    EXPECT_TRUE(araig_sauterelle_taken);
    Settle();
    FleeWeb(SPIDERWEB_WAY_199);
    EXPECT_FALSE(araig_running);
    EXPECT_TRUE(Loaded().empty());
    EXPECT_EQ(araig_stage, 4);
    // Entered with the grasshopper in the bag, the stage loads only the small spiders.
    pz_araig_quit();
    Jump(SPIDERWEB_BEFORE);
    EXPECT_EQ(Loaded(), (std::vector<const Orv3DDataBase*>{&db_PARmar, &db_PARstby}));
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, AMoveClickWhileASpiderWalksIsTaken) {
    Start();
    IntoWeb();
    // The spider still turns toward 264: the player stays.
    MoveToward(212);
    EXPECT_EQ(View(), 213u);
    for (int i = 0; i < 30; i++) Pass();
    ASSERT_NE(araig_actors[0].progress, 0.0f);
    MoveToward(212);
    EXPECT_EQ(View(), 213u);
    Settle();
    MoveToward(212);
    EXPECT_EQ(View(), 212u);
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, AClickTowardTheSpidersCellIsALostRun) {
    Start();
    EnterWeb();
    Walk(kToTheCentre);
    ASSERT_TRUE(InBag("CHENILLE"));
    const int32_t spider = araig_actors[0].from;
    ASSERT_TRUE(araig_is_case(spider));
    // The spider stands on a neighbour: a click toward it makes it walk onto the player.
    MoveToward(uint32_t(spider));
    EXPECT_EQ(View(), 265u);
    EXPECT_EQ(araig_caught, 1);
    EXPECT_EQ(araig_actors[0].to, 265);
    EXPECT_EQ(araig_actors[0].db, &db_PARmar);
    int passes = 0;
    while (araig_running && passes < 400) {
        EXPECT_FALSE(Ran("cinema=46"));
        Pass();
        passes++;
    }
    EXPECT_GT(passes, 15);
    EXPECT_FALSE(araig_running);
    EXPECT_TRUE(Ran("cinema=46"));
    EXPECT_FALSE(InBag("CHENILLE"));
    // Stage 1 leaves by 200.
    EXPECT_EQ(View(), SPIDERWEB_WAY_200);
    EXPECT_EQ(araig_nb_actors, 0);
    EXPECT_EQ(Var("finaraign1"), 0);
    EXPECT_EQ(pz_actif, PZ_ARAIG);
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, TheSwordFrom247Toward248StunsTheBigSpider) {
    StartAtStage(3);
    EnterWeb();
    // The player on 247 with the big spider standing on 248.
    ST_araig_actor& big = araig_actors[0];
    big.from = big.to = 257;
    Jump(247);
    Settle();
    ASSERT_EQ(araig_epee_state, 1);
    big.from = big.to = 248;

    // Without the sword in hand the click is an ordinary move.
    Hold("PLUME");
    Inventaire_SetObjetEnMain_id(0);
    MoveToward(248);
    EXPECT_EQ(View(), 248u);
    EXPECT_EQ(araig_epee_state, 1);
    big.from = big.to = 257;
    Jump(247);
    Settle();
    big.from = big.to = 248;

    Inventaire_SetObjetEnMain("EPEE");
    MoveToward(248);
    EXPECT_EQ(View(), 247u);
    EXPECT_EQ(araig_epee_state, 2);
    EXPECT_EQ(big.db, &db_ARtoil);
    EXPECT_TRUE(Ran("cinema=48"));
    // Stunned (for four moves: the web's tests): the click toward 248 stays taken.
    MoveToward(248);
    EXPECT_EQ(View(), 247u);
    Settle();
    MoveToward(230);
    Settle();
    EXPECT_EQ(big.from, 248);
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, TheFeatherIsLaidOnACellAndComesBackToTheBag) {
    StartAtStage(3);
    MoveToward(SPIDERWEB_WAY_199);
    // Outside a run the feather is not laid: the click moves into the web.
    Hold("PLUME");
    MoveToward(213);
    ASSERT_EQ(View(), 213u);
    EXPECT_EQ(araig_plume_case, 0);
    Settle();
    ASSERT_TRUE(InBag("PLUME"));
    const int32_t count = araig_nb_actors;
    MoveToward(212);
    EXPECT_EQ(View(), 213u);
    EXPECT_EQ(araig_plume_case, 212);
    ASSERT_EQ(araig_nb_actors, count + 1);
    EXPECT_EQ(araig_actors[count].kind, ARAIG_FEATHER);
    EXPECT_EQ(araig_actors[count].from, 212);
    EXPECT_FALSE(InBag("PLUME"));
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 0);
    // Leaving without the skull gives it back.
    FleeWeb(SPIDERWEB_WAY_199);
    EXPECT_FALSE(araig_running);
    EXPECT_TRUE(InBag("PLUME"));
    EXPECT_EQ(Var("finaraign3"), 0);
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, ACentreClickOnASpiderStartsItsDialogue) {
    Start();
    EnterWeb();
    ClickSpider();
    EXPECT_EQ(commands, (std::vector<std::string>{"dial=187"}));
    EXPECT_EQ(View(), 213u);
    // The pass points at it.
    EXPECT_EQ(OrvWarp_ZoneSouris, &araig_zone1);
    EXPECT_EQ(pz_araig_hit_center(), &araig_zone1);
    // Looking away misses it.
    LookToward(212);
    Pass();
    EXPECT_EQ(pz_araig_hit_center(), nullptr);
    Click();
    EXPECT_EQ(commands.size(), 1u);
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, JumpsAwayFromTheCellsEndTheRunAndTheWayAwayEndsThePuzzle) {
    WamVueDesc away;
    away.id = 314;
    away.name = "YU314";
    world.lieux[0].vues.push_back(away);
    for (WamVueDesc& v : world.lieux[0].vues)
        if (v.id == SPIDERWEB_BEFORE) v.zones.push_back({1, 314, "", SpiderWeb_ZoneToward(SPIDERWEB_BEFORE, 265)});
    Start();
    IntoWeb();
    ASSERT_TRUE(araig_running);
    // A scenario jump to 198 ends the run; the puzzle stays for 198.
    Jump(SPIDERWEB_BEFORE);
    EXPECT_FALSE(araig_running);
    EXPECT_EQ(araig_nb_actors, 0);
    EXPECT_EQ(pz_actif, PZ_ARAIG);
    // The way away from the web leaves the puzzle.
    float yaw, pitch;
    SpiderWeb_AimToward(SPIDERWEB_BEFORE, 265, &yaw, &pitch);
    OrvWarp_SetViewAngles(yaw, pitch);
    Click();
    EXPECT_EQ(View(), 314u);
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_FALSE(araig_db_loaded);
    // A jump into a cell from elsewhere enters no run while the puzzle is not active.
    Jump(213);
    EXPECT_FALSE(araig_running);
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, AGameSavedOnTheWebResumesBeforeItWithTheErrandCounted) {
    Start();
    EnterWeb();
    Walk(kToTheCentre);
    ASSERT_TRUE(InBag("CHENILLE"));
    ASSERT_EQ(Interp_GetEngineVar(IV_MONDE), SPIDERWEB_MONDE);
    OrvSaveGame_SetPlayer(1);
    ASSERT_TRUE(OrvSaveGame_Save(3)) << Reports();
    // Meanwhile the run is lost and the caterpillar leaves the bag.
    Jump(SPIDERWEB_BEFORE);
    RunOneCommand("(sacados=NOT_CHENILLE)");
    ASSERT_TRUE(OrvSaveGame_Load(3)) << Reports();
    EXPECT_EQ(View(), SPIDERWEB_BEFORE);
    EXPECT_EQ(Interp_GetEngineVar(IV_VUE), int32_t(SPIDERWEB_BEFORE));
    EXPECT_EQ(Interp_GetEngineVar(IV_LASTVUE), 0);
    EXPECT_TRUE(InBag("CHENILLE"));
    EXPECT_EQ(Var("finaraign1"), 1);
    EXPECT_EQ(pz_actif, PZ_ARAIG);
    EXPECT_EQ(araig_stage, 2);
    EXPECT_FALSE(araig_running);
    EXPECT_EQ(Loaded(), (std::vector<const Orv3DDataBase*>{&db_PARmar, &db_PARstby, &db_sauterelle}));
    // The game goes on with the grasshopper's errand.
    IntoWeb();
    EXPECT_TRUE(araig_running);
    EXPECT_EQ(araig_actors[1].kind, ARAIG_GRASSHOPPER);
    EXPECT_EQ(Reports(), "");
}

TEST_F(AraigTest, TheSkullInTheBagCountsItsErrandAtALoadOnTheWeb) {
    StartAtStage(3);
    uint32_t vue = 247;
    Hold("PLUME");
    Inventaire_PrendObj_id_nspr(DefName_GetIdName(DEFNAME_OBJETS, "CRANE_ARAIG2"), 1);
    pz_quit_all();
    pz_araig_init_after_load(&vue);
    EXPECT_EQ(vue, SPIDERWEB_BEFORE);
    EXPECT_EQ(Var("finaraign3"), 1);
    EXPECT_TRUE(araig_crane_taken);
    EXPECT_FALSE(InBag("PLUME"));
    EXPECT_EQ(araig_stage, 4);
    EXPECT_EQ(pz_actif, PZ_ARAIG);
    // Another world's number, or a view away from the web, is left alone.
    vue = ARAIG_CENTRE;
    pz_araig_init_after_load(&vue);
    EXPECT_EQ(vue, SPIDERWEB_BEFORE);
    for (auto [monde, id] : {std::pair{2, 230u}, std::pair{SPIDERWEB_MONDE, 197u}, std::pair{SPIDERWEB_MONDE, 266u}}) {
        Interp_SetEngineVar(IV_MONDE, monde);
        vue = id;
        pz_araig_init_after_load(&vue);
        EXPECT_EQ(vue, id);
    }
}

// A game saved before the web with the skull and the feather in the bag, in stage 1, 2 or 4.
class AraigSkullLoad : public AraigTest, public ::testing::WithParamInterface<int> {};

TEST_P(AraigSkullLoad, TheSkullInTheBagCountsAtALoadInEveryStageButTheLast) {
    const int stage = GetParam();
    StartAtStage(stage);
    ASSERT_EQ(araig_stage, stage);
    Inventaire_PrendObj_id_nspr(DefName_GetIdName(DEFNAME_OBJETS, "CRANE_ARAIG2"), 5);
    Inventaire_PrendObj_id_nspr(DefName_GetIdName(DEFNAME_OBJETS, "PLUME"), 2);
    OrvSaveGame_SetPlayer(1);
    ASSERT_TRUE(OrvSaveGame_Save(4)) << Reports();
    ASSERT_TRUE(OrvSaveGame_Load(4)) << Reports();
    EXPECT_EQ(View(), SPIDERWEB_BEFORE);
    EXPECT_EQ(pz_actif, PZ_ARAIG);
    // Before the last stage the skull's errand counts as done and the feather is given up.
    const bool counted = stage != 4;
    if (counted) EXPECT_EQ(araig_crane_taken, 1);
    EXPECT_EQ(Var("finaraign3"), 1);
    EXPECT_EQ(InBag("PLUME"), !counted);
    EXPECT_TRUE(InBag("CRANE_ARAIG2"));
    // The errand of the saved stage stays to be done.
    EXPECT_EQ(araig_stage, stage);
    EXPECT_EQ(Reports(), "");
}

std::string StageName(const ::testing::TestParamInfo<int>& info) { return "stage" + std::to_string(info.param); }
INSTANTIATE_TEST_SUITE_P(Stages, AraigSkullLoad, ::testing::Values(1, 2, 4), StageName);

TEST_F(AraigTest, AFailedDatabaseLoadLeavesNoSubDirectorySet) {
    Start([this] { std::remove((dir / "datas_q2/3d/pz_araig/chenille.DB").c_str()); });
    char path[ORV_PATH_MAX];
    build_path_3d_dial(path, "x.tga");
    EXPECT_EQ(std::string(path), dir / "datas_q2/3d/dial/x.tga");
    EXPECT_FALSE(araig_db_loaded);
    EXPECT_FALSE(db_chenille.valid);
    // The entry still makes the puzzle active; the first cell tries again and leaves the puzzle.
    EXPECT_EQ(pz_actif, PZ_ARAIG);
    IntoWeb();
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_FALSE(araig_running);
    build_path_3d_dial(path, "x.tga");
    EXPECT_EQ(std::string(path), dir / "datas_q2/3d/dial/x.tga");
    EXPECT_NE(Reports().find("Fichier 3d inexistant"), std::string::npos);
    for (int i = 0; i < 5; i++) Pass();
    EXPECT_TRUE(fatals.empty()) << Reports();
}

}  // namespace
