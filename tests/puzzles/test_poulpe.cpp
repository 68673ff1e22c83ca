// The octopus of QU 1 to 19: tentacles loaded at entry, attacks, shots, strikes, the crosshair, the outcomes.
#include "ViewPuzzleTest.h"
#include "puzzles/pz_poulpe.h"

namespace {
constexpr float kFaceOctopus = -kQuarter;  // octopus 1 (sector 1) and its tentacles lie left
constexpr double kDegree = 3.14159265358979 / 180.0;

class PoulpeTest : public ViewPuzzleTest {
protected:
    uint32_t StartView() const override { return 16; }
    std::vector<std::string> StartCommands() const override { return {"(EnergieJoueur=3)"}; }
    ST_poulpe& Octopus() { return tbl_poulpe[0]; }

    // Passes while looking at the octopus until one of its tentacles attacks.
    bool WaitForAttack(int limit = 1200) {
        Look(kFaceOctopus);
        for (int i = 0; i < limit; i++) {
            if (Octopus().State == PLP_ATTACK) return true;
            Pass();
        }
        return false;
    }
    ST_spw_visible* Attacker() { return Octopus().Tentacle[Octopus().AttackIdx]; }
    // Shoots whichever tentacle attacks, past its first attacking frame and before its strike (a
    // tentacle that recovers on frame 44 loops back), until one more tentacle dies or the fight ends.
    bool ShootOneDown(int limit = 3000) {
        Look(kFaceOctopus);
        const int32_t alive = Octopus().NbTentacles;
        for (int i = 0; i < limit && pz_actif == PZ_POULPE && Octopus().NbTentacles == alive; i++) {
            const int32_t state = Octopus().State;
            const ST_spw_visible* t = Attacker();
            if ((state == PLP_ATTACK || state == PLP_RECOVER) && t && t->shown && t->frame > 44 && t->frame < 62)
                ClickAt(kFaceOctopus);
            else
                Pass();
        }
        return pz_actif != PZ_POULPE || Octopus().NbTentacles < alive;
    }
    void Reenter() { ASSERT_TRUE(OrvWarp_start()); }
    double FovDegrees() const { return double(OrvWarp_GetFieldOfView()) / kDegree; }
};

}  // namespace

TEST(PoulpeSectors, YawSectorsAndTheGapsBetweenThem) {
    const struct {
        float yaw;
        int32_t sector;
    } cases[] = {
        {0, 4},     {39.9f, 4},  {40, 0},     {-40, 0},    {-39.9f, 4}, {45, 0},    {50, 0},   {50.1f, 2},
        {129.9f, 2}, {130, 0},   {140, 0},    {140.1f, 3}, {180, 3},    {-180, 3},  {-140.1f, 3}, {-140, 0},
        {-130, 0},  {-129.9f, 1}, {-90, 1},   {-50.1f, 1}, {-50, 0},    {270, 1},   {-270, 2}, {575, 3},
    };
    for (const auto& c : cases) EXPECT_EQ(poulpe_sector_of_yaw(c.yaw), c.sector) << c.yaw;
}

TEST(PoulpeSectors, TheDrawReachesNPlusOneOnlyForTheLargestValue) {
    orv_srand(SeedForFirstDraw(ORV_RAND_MAX));
    EXPECT_EQ(poulpe_random(39), 40);
    orv_srand(SeedForFirstDraw(ORV_RAND_MAX - 1));
    EXPECT_EQ(poulpe_random(39), 39);
    orv_srand(SeedForFirstDraw(0));
    EXPECT_EQ(poulpe_random(50), 0);
}

TEST_F(PoulpeTest, TheBigOctopusIsLoadedAtEntry) {
    EXPECT_EQ(pz_actif, PZ_POULPE);
    EXPECT_NE(viseur_bank, nullptr);
    EXPECT_EQ(poulpe_count, 1);
    const ST_poulpe& p = Octopus();
    EXPECT_EQ((std::vector<int32_t>{p.IsLoaded, p.Number, p.NbTentacles, p.HitsToFlee}), (std::vector<int32_t>{1, 1, 6, 5}));
    EXPECT_GE(p.AttackTimer, 10u);
    EXPECT_LE(p.AttackTimer, 61u);
    for (int k = 0; k < PLP_TENTACLES; k++) {
        ASSERT_NE(p.Tentacle[k], nullptr) << k;
        const ST_spw_visible& t = *p.Tentacle[k];
        EXPECT_EQ((std::vector<int32_t>{t.anim_id, t.shown, t.playing, p.TentacleHits[k]}), (std::vector<int32_t>{k + 1, 1, 1, 6}));
        EXPECT_TRUE(t.frame >= 0 && t.frame <= 40) << t.frame;
    }
    ASSERT_NE(p.Body1, nullptr);
    EXPECT_EQ(p.Body1->elem_id, DefName_GetIdName(DEFNAME_PERSONNAGES, "GDP_CORPS_V1"));
    EXPECT_EQ(p.Body1->anim_id, 1);
    EXPECT_EQ(p.Body1->shown, 1);
    EXPECT_EQ(tbl_poulpe[1].IsLoaded, 0);
    EXPECT_FALSE(Reported("spw_deja_loaded"));

    // Tentacles that died in an earlier visit come back hidden.
    SetVar("BigTenta2Died", 1);
    SetVar("BigTenta5Died", 1);
    Reenter();
    EXPECT_EQ(Octopus().NbTentacles, 4);
    for (int k = 0; k < PLP_TENTACLES; k++)
        EXPECT_EQ(Octopus().Tentacle[k]->shown + Octopus().Tentacle[k]->playing, k == 1 || k == 4 ? 0 : 2) << k;

    // Outside view 16 no octopus is enabled: only the crosshair and the crystal rule run.
    GoTo(5);
    EXPECT_EQ(pz_actif, PZ_POULPE);
    EXPECT_EQ(poulpe_count, 0);
    EXPECT_EQ(tbl_poulpe[0].IsLoaded, 0);
}

TEST_F(PoulpeTest, OddWorldsLoadWhatFitsTheTable) {
    WamFileDesc base = PuzzleViews_Monde();
    WamPersoDesc& tentacles = base.persos[1];
    ASSERT_EQ(tentacles.name, "GDP_TENTACULE1");

    // A seventh tentacle is left out with a warning; a name ending in 5 is no octopus.
    WamFileDesc seven = base;
    seven.persos[1].anims.push_back(seven.persos[1].anims[0]);
    seven.persos[1].anims.back().numero = 7;
    seven.persos.push_back({1, "GDP_TENTACULE5", "GDPT", {seven.persos[1].anims[0]}});
    ReloadWorld(seven, 16);
    EXPECT_TRUE(Reported("plus de 6 tentacules"));
    EXPECT_EQ(poulpe_count, 1);
    EXPECT_EQ(Octopus().NbTentacles, 6);
    for (int i = 0; i < OrvSpw_NbVisibles; i++) EXPECT_NE(OrvSpw_Visibles[i].anim_id, 7);

    // A tentacle whose sprite cannot be loaded keeps its place and is left out; the view's own
    // sprite of another is taken as it is.
    lines.clear();
    std::filesystem::remove(dir / "datas_q2/spw/GDPTa003.SPW");
    WamFileDesc holes = base;
    holes.persos[1].anims[3].vue = 16;
    ReloadWorld(holes, 16);
    EXPECT_TRUE(Reported("load_poulpes() ! spw_deja_loaded"));
    EXPECT_EQ(Octopus().Tentacle[2], nullptr);
    EXPECT_EQ(Octopus().NbTentacles, 5);
    EXPECT_EQ(Octopus().Tentacle[3]->anim_id, 4);
    EXPECT_EQ(Octopus().Tentacle[5]->anim_id, 6);
    int slotsOfFour = 0;
    for (int i = 0; i < OrvSpw_NbVisibles; i++) slotsOfFour += OrvSpw_Visibles[i].anim == Octopus().Tentacle[3]->anim;
    EXPECT_EQ(slotsOfFour, 1);
    // Attacks and their ends skip the empty place.
    ASSERT_TRUE(RunOneCommand("(sacados=CRISTAL_ENGLOUTI)"));
    ASSERT_TRUE(WaitForAttack());
    EXPECT_NE(Octopus().AttackIdx, 2);
    Passes(200);

    // A fifth octopus is fatal before anything is written past the table.
    lines.clear();
    WamFileDesc five = base;
    for (const char* name : {"GDP_BRAS1", "GDP_PATTE1", "GDP_PINCE1", "GDP_QUEUE1"})
        five.persos.push_back({1, name, "GDPT", {base.persos[1].anims[0]}});
    ReloadWorld(five, 16);
    EXPECT_TRUE(Reported("load_poulpes(): tbl_poulpe[MAX_PLP].IsLoaded", true));
    for (int e = 0; e < MAX_PLP; e++) EXPECT_EQ(tbl_poulpe[e].IsLoaded, 1) << e;
    EXPECT_EQ(tbl_poulpe[MAX_PLP].IsLoaded, 0);
    EXPECT_EQ(poulpe_count, MAX_PLP);
}

TEST_F(PoulpeTest, ShotsNeedTheCrystalAndAKilledTentacleStaysDead) {
    ASSERT_TRUE(WaitForAttack());
    int k = Octopus().AttackIdx;
    EXPECT_EQ(Attacker()->clic_type, 5);
    EXPECT_EQ(Attacker()->frame, 44);
    // Without the crystal a shot changes nothing.
    ClickAt(kFaceOctopus);
    EXPECT_NE(OrvSpw_ClickedIndex, -1);
    EXPECT_EQ(Octopus().State, PLP_ATTACK);
    EXPECT_EQ(Octopus().TentacleHits[k], 6);
    EXPECT_TRUE(Commands().empty());

    ASSERT_TRUE(RunOneCommand("(sacados=CRISTAL_ENGLOUTI)"));
    ClickAt(kFaceOctopus);
    EXPECT_EQ(Octopus().State, PLP_BLINK);
    EXPECT_EQ(Octopus().TentacleHits[k], 5);
    EXPECT_EQ(Octopus().BlinkBig, 6);
    EXPECT_EQ(Commands(), std::vector<std::string>{"NewSound=301"});
    // The hit tentacle blinks: hidden on odd counts, shown on even ones, then the octopus recovers.
    std::vector<int> shown;
    for (int i = 0; i < 6; i++) {
        Pass();
        shown.push_back(Attacker()->shown);
    }
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(Octopus().State, PLP_RECOVER);
    // The crystal in the bag belongs to world 123 from the first pass on.
    EXPECT_EQ(poulpe_crystal, 1);
    EXPECT_EQ(Inventaire_Sac[0].monde, 123);

    ASSERT_TRUE(ShootOneDown());
    k = int(std::find(Octopus().TentacleHits, Octopus().TentacleHits + PLP_TENTACLES, 0) - Octopus().TentacleHits);
    ASSERT_LT(k, PLP_TENTACLES);
    EXPECT_EQ(Var(("BigTenta" + std::to_string(k + 1) + "Died").c_str()), 1);
    EXPECT_EQ(Octopus().Tentacle[k]->shown, 0);
    EXPECT_EQ(Octopus().Tentacle[k]->clic_type, 0);
    EXPECT_EQ(Octopus().NbTentacles, 5);
    EXPECT_EQ(Commands().back(), "NewSound=304");
    EXPECT_GE(std::count(Commands().begin(), Commands().end(), "NewSound=301"), 6);
    EXPECT_EQ(pz_actif, PZ_POULPE);

    // Saved and loaded, the dead tentacle stays hidden and out of the count.
    ASSERT_TRUE(OrvSaveGame_Save(1));
    ASSERT_TRUE(RunOneCommand(("(BigTenta" + std::to_string(k + 1) + "Died=0)").c_str()));
    ASSERT_TRUE(OrvSaveGame_Load(1));
    EXPECT_EQ(pz_actif, PZ_POULPE);
    EXPECT_EQ(Octopus().NbTentacles, 5);
    EXPECT_EQ(Octopus().Tentacle[k]->shown, 0);
}

TEST_F(PoulpeTest, KillingTheLastTentacleWinsTheFight) {
    for (int k = 1; k <= 5; k++) SetVar(("BigTenta" + std::to_string(k) + "Died").c_str(), 1);
    Reenter();
    ASSERT_EQ(Octopus().NbTentacles, 1);
    ASSERT_TRUE(RunOneCommand("(sacados=CRISTAL_ENGLOUTI)"));
    ASSERT_TRUE(WaitForAttack());
    EXPECT_EQ(Octopus().AttackIdx, 5);
    ST_poulpe before = Octopus();
    ASSERT_TRUE(ShootOneDown());
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_EQ(viseur_bank, nullptr);
    EXPECT_EQ(Var("BigTenta6Died"), 1);
    EXPECT_EQ(Commands().back(), "NewSound=301");  // no sound for the last death
    EXPECT_EQ(before.Body1->shown, 0);
    for (ST_spw_visible* t : before.Tentacle) EXPECT_EQ(t->shown, 0);
}

TEST_F(PoulpeTest, StrikesCostEnergyShakeTheViewAndTheThirdLoses) {
    SetVar("EnergieJoueur", 2);
    ASSERT_TRUE(WaitForAttack());
    for (int i = 0; i < 200 && Commands().empty(); i++) Pass();
    ASSERT_EQ(Commands(), std::vector<std::string>{"NewSound=303"});
    EXPECT_EQ(Attacker()->frame, 62);
    EXPECT_EQ(Attacker()->clic_type, 0);
    EXPECT_EQ(Var("EnergieJoueur"), 1);
    // The shake runs two repeats of four turns, one per octopus pass, then narrows 4 degrees a pass.
    std::vector<long> fov{std::lround(FovDegrees())};
    for (int i = 0; i < 12; i++) {
        Pass();
        fov.push_back(std::lround(FovDegrees()));
    }
    EXPECT_EQ(fov, (std::vector<long>{84, 90, 90, 90, 90, 90, 90, 90, 86, 82, 78, 76, 76}));
    // One strike per attack; the attack ends when the tentacle wraps below frame 44.
    for (int i = 0; i < 200 && Octopus().State == PLP_ATTACK; i++) Pass();
    EXPECT_EQ(Octopus().State, PLP_IDLE);
    EXPECT_EQ(Commands().size(), 1u);

    ASSERT_TRUE(WaitForAttack());
    for (int i = 0; i < 200 && Commands().size() < 2; i++) Pass();
    EXPECT_EQ(Var("EnergieJoueur"), 0);
    EXPECT_EQ(pz_actif, PZ_POULPE);
    for (int i = 0; i < 200 && Octopus().State == PLP_ATTACK; i++) Pass();
    ASSERT_TRUE(WaitForAttack());
    for (int i = 0; i < 200 && pz_actif == PZ_POULPE; i++) Pass();
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_EQ(Commands(), std::vector<std::string>(3, "NewSound=303"));
    EXPECT_EQ((std::vector<int32_t>{Interp_GetChapter(), Interp_Flags[201], Interp_Flags[300], Var("EnergieJoueur")}),
              (std::vector<int32_t>{201, 1, 1, 0}));
}

TEST_F(PoulpeTest, FacingIsFrozenDuringAnAttackAndKeptInTheGaps) {
    Look(kFaceOctopus);
    Pass();
    EXPECT_EQ(Octopus().Faced, 1);
    Look(45 * float(kDegree));  // a gap: the last sector holds
    Pass();
    EXPECT_EQ(Octopus().Faced, 1);
    Look(0);  // sector 4: another octopus's
    Pass();
    EXPECT_EQ(Octopus().Faced, 0);
    const uint32_t timer = Octopus().AttackTimer;
    Passes(5);
    EXPECT_EQ(Octopus().AttackTimer, timer);  // an octopus not faced does not arm
    // Armed, it attacks only while it is faced.
    Look(kFaceOctopus);
    for (int i = 0; i < 100 && Octopus().State != PLP_ARMED; i++) Pass();
    ASSERT_EQ(Octopus().State, PLP_ARMED);
    Look(0);
    Passes(4 * 50);
    EXPECT_EQ(Octopus().State, PLP_ARMED);
    ASSERT_TRUE(WaitForAttack());
    Look(0);
    Pass();
    EXPECT_EQ(Octopus().Faced, 1);
    EXPECT_EQ(Octopus().State, PLP_ATTACK);
}

TEST_F(PoulpeTest, TheCrosshairStandsInForThePointer) {
    CSurface* render = OrvDisplay_GetRenderSurface();
    ASSERT_NE(render, nullptr);
    int32_t cx, cy;
    OrvWarp_GetScreenCentre(&cx, &cy);
    Look(0.3f);
    Pass();
    EXPECT_EQ(Pixel(cx + 8, cy + 8), Packed(PuzzleViews_ViseurColour(0)));
    ASSERT_TRUE(RunOneCommand("(sacados=CRISTAL_ENGLOUTI)"));
    Pass();
    Pass();
    EXPECT_EQ(Pixel(cx + 8, cy + 8), Packed(PuzzleViews_ViseurColour(1)));
    // Over the attacking tentacle, with the crystal, the big octopus's crosshair.
    ASSERT_TRUE(WaitForAttack());
    Pass();
    EXPECT_EQ(OrvSpw_PointerOver, 2);
    EXPECT_EQ(Pixel(cx + 8, cy + 8), Packed(PuzzleViews_ViseurColour(2)));
    // Over a move zone, the interface's pointer for it and no object under it.
    Look(kQuarter);
    Pass();
    EXPECT_EQ(Interface_GetCurseurKind(), WAM_ZONE_NEXTVUE);
    EXPECT_NE(Pixel(cx + 8, cy + 8), Packed(PuzzleViews_ViseurColour(1)));
    // The inventory screen: nothing of the puzzle is drawn.
    Inventaire_Show();
    EXPECT_TRUE(pz_poulpe_aff_viseur());
    Inventaire_Hide();
    pz_poulpe_quit();
    EXPECT_FALSE(pz_poulpe_aff_viseur());
}

// The crosshair of an entry's first frame follows the bag, whatever the last visit held.
TEST_F(PoulpeTest, AnEntryAimsWithTheCrosshairOfTheBagFromItsFirstFrame) {
    int32_t cx, cy;
    OrvWarp_GetScreenCentre(&cx, &cy);
    Look(0.3f);
    poulpe_crystal = 1;  // left by a visit with the crystal
    Reenter();
    Pass();
    EXPECT_EQ(Pixel(cx + 8, cy + 8), Packed(PuzzleViews_ViseurColour(0)));
    ASSERT_TRUE(RunOneCommand("(sacados=CRISTAL_ENGLOUTI)"));
    poulpe_crystal = 0;
    Reenter();
    Pass();
    EXPECT_EQ(Pixel(cx + 8, cy + 8), Packed(PuzzleViews_ViseurColour(1)));
}

TEST_F(PoulpeTest, LeavingTheViewsQuitsWithoutOutcome) {
    GoTo(20);
    Pass();
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_EQ(viseur_bank, nullptr);
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(Interp_GetChapter(), 1);

    // A view of another world with an id of the range is no octopus view either.
    GoTo(16);
    ASSERT_EQ(pz_actif, PZ_POULPE);
    OrvWam_RequestVue(6);
    Pass();
    ASSERT_TRUE(pz_vue_is("IR", 6));
    Pass();
    EXPECT_EQ(pz_actif, PZ_NONE);

    // And the quit of all puzzles leaves it too.
    GoTo(16);
    ASSERT_EQ(pz_actif, PZ_POULPE);
    pz_quit_all();
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_EQ(viseur_bank, nullptr);
}

namespace {
// QU 3 shows a small octopus. No view enables one for the puzzle's load, so each case fills the table
// as the load would for octopus 1 (its tentacles and body are sprites of the view) and plays it through
// the puzzle's own per-frame pass.
class SmallPoulpeTest : public PoulpeTest {
protected:
    uint32_t StartView() const override { return PUZZLE_SMALL_OCTOPUS_VUE; }

    static ST_spw_visible* AnimSlot(const char* perso, int32_t anum) {
        const int32_t id = DefName_GetIdName(DEFNAME_PERSONNAGES, perso);
        for (int i = 0; i < OrvSpw_NbVisibles; i++)
            if (OrvSpw_Visibles[i].elem_id == id && OrvSpw_Visibles[i].type == WAM_PERSO &&
                OrvSpw_Visibles[i].anim_id == anum)
                return &OrvSpw_Visibles[i];
        return nullptr;
    }
    void FillSmallOctopus(int32_t hitsToFlee = 5, int32_t count = 1) {
        ASSERT_EQ(pz_actif, PZ_POULPE);
        ASSERT_EQ(poulpe_big, 0);
        ASSERT_EQ(poulpe_count, 0);
        ST_poulpe& p = Octopus();
        for (int k = 0; k < PLP_TENTACLES; k++) {
            p.Tentacle[k] = AnimSlot("PTP_TENTACULE1", k + 1);
            ASSERT_NE(p.Tentacle[k], nullptr) << k;
            p.TentacleHits[k] = 6;
        }
        p.IsLoaded = 1;
        p.NbTentacles = PLP_TENTACLES;
        p.HitsToFlee = hitsToFlee;
        p.AttackTimer = 10;
        p.Number = 1;
        poulpe_count = count;
        poulpe_bind_bodies();
    }
    // Waits for an attack and shoots it at once: the tentacle is clickable from its first attacking frame.
    void ShootAttack() {
        ASSERT_TRUE(WaitForAttack());
        ClickAt(kFaceOctopus);
        ASSERT_NE(OrvSpw_ClickedIndex, -1);
    }
    std::vector<int32_t> ZoneKinds() const {
        std::vector<int32_t> kinds;
        for (const ST_wam_zclic* z = OrvWam_CurrentVue->zclic; z; z = z->next) kinds.push_back(z->type);
        return kinds;
    }
    // Shown flags of the body and the six tentacles.
    std::vector<int> Shown() {
        std::vector<int> shown{Octopus().Body1->shown};
        for (const ST_spw_visible* t : Octopus().Tentacle) shown.push_back(t->shown);
        return shown;
    }
    static constexpr int32_t kFled = PUZZLE_FLED_ZONE;
    static constexpr int32_t kFledDisabled = PUZZLE_FLED_ZONE + WAM_ZONE_DISABLED;
};
}  // namespace

TEST_F(SmallPoulpeTest, AShotNeedsNoCrystalAndTheOctopusBlinksOnOddCounts) {
    EXPECT_EQ(std::string(poulpe_body_name), "PTP_CORPS_V");
    FillSmallOctopus();
    // The body's flight is bound, hidden.
    ASSERT_NE(Octopus().Body2, nullptr);
    EXPECT_EQ(Octopus().Body2, AnimSlot("PTP_CORPS_V1", 2));
    EXPECT_EQ(Octopus().Body2->shown, 0);
    ShootAttack();
    EXPECT_EQ(poulpe_crystal, 0);
    const ST_poulpe& p = Octopus();
    EXPECT_EQ(p.State, PLP_BLINK);
    EXPECT_EQ(p.HitsToFlee, 4);
    EXPECT_EQ(p.BlinkSmall, 8);
    EXPECT_EQ(p.BlinkBig, 0);
    EXPECT_EQ(p.TentacleHits[p.AttackIdx], 6);  // a small octopus loses no tentacle
    EXPECT_EQ(Commands(), std::vector<std::string>{"NewSound=301"});
    EXPECT_EQ(Shown(), std::vector<int>(7, 0));
    // Hidden on odd counts, shown on even ones, body and tentacles together; then it recovers.
    std::vector<int> body;
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(p.State, PLP_BLINK) << i;
        Pass();
        const std::vector<int> shown = Shown();
        EXPECT_EQ(shown, std::vector<int>(7, shown[0])) << i;
        body.push_back(shown[0]);
    }
    EXPECT_EQ(body, (std::vector<int>{0, 1, 0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(p.State, PLP_RECOVER);
    EXPECT_EQ(p.Body2->shown, 0);

    // It attacks again and each shot counts, down to the flight.
    for (int hits = 3; hits >= 1; hits--) {
        ShootAttack();
        EXPECT_EQ(p.HitsToFlee, hits);
        EXPECT_EQ(p.State, PLP_BLINK);
    }
    ShootAttack();
    EXPECT_EQ(p.HitsToFlee, 0);
    EXPECT_EQ(p.State, PLP_FLEE);
    EXPECT_EQ(std::count(Commands().begin(), Commands().end(), "NewSound=301"), 5);
}

TEST_F(SmallPoulpeTest, FleeingToFrame35SetsItsVariableAndOpensTheWaysOn) {
    FillSmallOctopus(1);
    ShootAttack();
    const ST_poulpe& p = Octopus();
    EXPECT_EQ(p.State, PLP_FLEE);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"NewSound=301", "NewSound=302"}));
    EXPECT_EQ(Shown(), std::vector<int>(7, 0));
    EXPECT_EQ(p.Body2->shown, 1);
    ASSERT_LT(p.Body2->frame, 35);

    int passes = 0;
    for (; passes < 400 && p.State == PLP_FLEE; passes++) {
        EXPECT_EQ(Var("PoulpeWarp3"), 0);
        EXPECT_EQ(ZoneKinds(), (std::vector<int32_t>{kFled, kFled, kFledDisabled}));
        Pass();
    }
    ASSERT_EQ(p.State, PLP_GONE);
    EXPECT_GT(passes, 100);  // 35 frames at 15 a second, 60 passes a second
    EXPECT_EQ(p.Body2->frame, 35);
    EXPECT_EQ(p.Body2->shown, 0);
    EXPECT_EQ(Var("PoulpeWarp3"), 1);
    EXPECT_EQ(poulpe_count, 0);
    EXPECT_EQ(ZoneKinds(), (std::vector<int32_t>{WAM_ZONE_NEXTVUE, WAM_ZONE_NEXTVUE, kFledDisabled}));
    // Gone, it neither attacks nor comes back.
    Passes(300);
    EXPECT_EQ(p.State, PLP_GONE);
    EXPECT_EQ(Shown(), std::vector<int>(7, 0));
    EXPECT_EQ(Commands().size(), 2u);

    // The way ahead leads on, into the big octopus's view, where no body has a flight.
    ClickAt(0);
    Pass();
    ASSERT_EQ(pz_vue_id(), 16u);
    EXPECT_EQ(pz_actif, PZ_POULPE);
    EXPECT_EQ(poulpe_big, 1);
    EXPECT_EQ(std::string(poulpe_prefix), "GDP_");
    EXPECT_EQ(poulpe_enabled[0], 1);
    EXPECT_EQ(Octopus().IsLoaded, 1);
    EXPECT_EQ(Octopus().Body2, nullptr);
}

TEST_F(SmallPoulpeTest, TheWaysStayClosedWhileAnOctopusRemainsOrWithoutAFlight) {
    // Another octopus of the view is still there.
    FillSmallOctopus(1, 2);
    ShootAttack();
    for (int i = 0; i < 400 && Octopus().State == PLP_FLEE; i++) Pass();
    ASSERT_EQ(Octopus().State, PLP_GONE);
    EXPECT_EQ(Var("PoulpeWarp3"), 1);
    EXPECT_EQ(poulpe_count, 1);
    EXPECT_EQ(ZoneKinds(), (std::vector<int32_t>{kFled, kFled, kFledDisabled}));

    // Without a flight the last hit leaves it gone at once: no variable, the count kept, the ways closed.
    SetVar("PoulpeWarp3", 0);
    WamFileDesc desc = PuzzleViews_Monde();
    for (WamPersoDesc& perso : desc.persos)
        if (perso.name == "PTP_CORPS_V1") perso.anims.pop_back();
    ReloadWorld(desc, PUZZLE_SMALL_OCTOPUS_VUE);
    commands.clear();
    FillSmallOctopus(1);
    ASSERT_NE(Octopus().Body1, nullptr);
    ASSERT_EQ(Octopus().Body2, nullptr);
    ShootAttack();
    EXPECT_EQ(Octopus().State, PLP_GONE);
    EXPECT_EQ(Commands(), std::vector<std::string>{"NewSound=301"});
    EXPECT_EQ(Shown(), std::vector<int>(7, 0));
    Passes(200);
    EXPECT_EQ(Var("PoulpeWarp3"), 0);
    EXPECT_EQ(poulpe_count, 1);
    EXPECT_EQ(ZoneKinds(), (std::vector<int32_t>{kFled, kFled, kFledDisabled}));
}

TEST_F(PoulpeTest, RecordsAreTakenByNameAndNumberWhateverTheirKind) {
    WamFileDesc desc = PuzzleViews_Monde();
    desc.persos.push_back({2, "GDP_VENTOUSE1", "GDPT", {desc.persos[1].anims[0]}});
    ReloadWorld(desc, 16);
    ASSERT_EQ(poulpe_count, 2);
    EXPECT_EQ(tbl_poulpe[1].Number, 1);
    ASSERT_NE(tbl_poulpe[1].Tentacle[0], nullptr);
    EXPECT_EQ(tbl_poulpe[1].Tentacle[0]->type, WAM_OBJET);
    EXPECT_EQ(tbl_poulpe[1].Body1, Octopus().Body1);
}

TEST_F(PoulpeTest, TheBigOctopusBodyHasNoFlightEvenWithASecondAnimation) {
    std::filesystem::copy_file(dir / "datas_q2/spw/GDPCa001.SPW", dir / "datas_q2/spw/GDPCa002.SPW");
    WamFileDesc desc = PuzzleViews_Monde();
    for (WamPersoDesc& perso : desc.persos)
        if (perso.name == "GDP_CORPS_V1") {
            perso.anims.push_back(perso.anims[0]);
            perso.anims.back().numero = 2;
        }
    ReloadWorld(desc, 16);
    ASSERT_EQ(Octopus().IsLoaded, 1);
    EXPECT_EQ(Octopus().Body2, nullptr);
    int shown = 0;
    for (int i = 0; i < OrvSpw_NbVisibles; i++)
        if (OrvSpw_Visibles[i].elem_id == Octopus().Body1->elem_id && OrvSpw_Visibles[i].anim_id == 2)
            shown += OrvSpw_Visibles[i].shown;
    EXPECT_EQ(shown, 1);
}
