// The view puzzles played through the program itself, one game for each outcome: start-up, new game, the
// puzzle played, and the exit with its log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Clock.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Timer.h"
#include "app/main/Orv_Main.h"
#include "audio/Orv_Sound.h"
#include "framework/Input.h"
#include "menus/Orv_Menu.h"
#include "menus/Orv_MenuHooks.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_anneau.h"
#include "puzzles/pz_baton.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_dragon.h"
#include "puzzles/pz_merle.h"
#include "puzzles/pz_ogham.h"
#include "puzzles/pz_poulpe.h"
#include "testdata/DemoMenus.h"
#include "testdata/PuzzleViews.h"
#include "testdata/TempDir.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/OrvSaveGame.h"
#include "world/wam.h"

namespace {
constexpr float kQuarter = 3.14159265f / 2;

// One step of the player: done() is asked once per pass until it holds, at most `limit` passes.
struct Step {
    std::string name;
    std::function<bool()> done;
    int limit = 1;
};

struct GameRun {
    std::deque<Step> steps;
    int code = -1;
    int passesInStep = 0;
    std::string failure;
    std::vector<std::string> commands;  // scenario words the puzzles ran
    // The game as it ends: chapter, FINOGHAM, FINMERLE, FINPERLE, the fireflies' hand-over, flags 20, 200
    // and 300, the ring's frame.
    std::vector<int32_t> end;
    std::string log;

    // Times a scenario word ran with that value ("NewSound=400").
    long Count(const std::string& command) const { return std::count(commands.begin(), commands.end(), command); }
};
GameRun* g_run = nullptr;
CTimer g_driver;

void Drive(CTimer&) {
    GameRun& r = *g_run;
    if (r.steps.empty()) OrvMain_Quit();
    Step& s = r.steps.front();
    if (s.done()) {
        r.steps.pop_front();
        r.passesInStep = 0;
    } else if (++r.passesInStep > s.limit) {
        r.failure = "step \"" + s.name + "\" not done in " + std::to_string(s.limit) + " passes";
        TheApplication().Quit(3);
    }
}

Step Do(const std::string& name, std::function<void()> action) {
    return {name, [action] { action(); return true; }};
}
Step Until(const std::string& name, std::function<bool()> cond, int limit) { return {name, std::move(cond), limit}; }

void Look(float yaw) {
    OrvWarp_SetViewAngles(yaw, 0);
    warp_stop_rotation();
}
void InjectClick(int button = MOUSE_LEFT) {
    Input_InjectButton(button, true);
    Input_InjectButton(button, false);
}
// A pass to let the last action be taken.
Step Taken(const std::string& name) { return Until(name + " (taken)", [] { return true; }, 1); }
// A click looking at yaw, then a pass for it.
void Click(std::deque<Step>& s, const std::string& name, float yaw) {
    s.push_back(Do(name, [yaw] { Look(yaw); InjectClick(); }));
    s.push_back(Taken(name));
}
void Command(std::deque<Step>& s, const std::string& command) {
    s.push_back(Do(command, [command] { RunOneCommand(command.c_str()); }));
}
void GoTo(std::deque<Step>& s, uint32_t vue) {
    Command(s, "(NEXTVUE=" + std::to_string(vue) + ")");
    s.push_back(Until("arrival in view " + std::to_string(vue), [vue] { return pz_vue_id() == vue; }, 5));
}
void MoveMouseTo(int32_t x, int32_t y) { Input_InjectMouseMove(x - MousePosition.x, y - MousePosition.y); }

// The inventory opened with the right button, its first object chosen, the screen closed again.
void ChooseFromTheInventory(std::deque<Step>& s, const std::string& name, int32_t slot) {
    s.push_back(Do(name + ": inventory", [] { InjectClick(MOUSE_RIGHT); }));
    s.push_back(Until(name + ": inventory shown", [] { return Inventaire_Shown != 0; }, 3));
    s.push_back(Do(name + ": chosen", [slot] {
        const InventaireGrid g = Inventaire_GetGrid(Inventaire_NbObjets, 640, 480);
        MoveMouseTo(g.x0 + (slot % g.columns) * g.cellWidth + g.cellWidth / 2,
                    g.y0 + (slot / g.columns) * g.cellHeight + g.cellHeight / 2);
        InjectClick();
    }));
    s.push_back(Taken(name));
    s.push_back(Do(name + ": closed", [] { MoveMouseTo(2, 2); InjectClick(); }));
    s.push_back(Until(name + ": inventory closed", [] { return Inventaire_Shown == 0; }, 3));
}

int32_t Var(const char* name) { return Interp_ReadVar(name); }

// The player page is up: a new game for player 0, as its button starts one; the dialogue's line word and the
// sounds are recorded.
std::deque<Step> NewGame() {
    std::deque<Step> s;
    s.push_back(Until("player page", [] { return OrvMain_GetLoopType() == LOOP_MENU; }, 50));
    s.push_back(Do("new game", [] {
        Interp_RegisterCommand("dial", [](const char* v) {
            g_run->commands.push_back(std::string("dial=") + v);
            return int(CMD_DONE);
        });
        Interp_RegisterCommand("NewSound", [](const char* v) {
            g_run->commands.push_back(std::string("NewSound=") + v);
            char name[32];
            std::snprintf(name, sizeof name, "son%03ld.ksn", std::strtol(v, nullptr, 10));
            OrvSound_PlayQmvSound(name);
            return int(CMD_DONE);
        });
        MenuHooks.SaveGame_SetPlayer(0);
        OrvMenu_stop();
        MenuHooks.Interp_RunInit();
    }));
    s.push_back(Until("TI 10", [] { return pz_vue_is("TI", 10) && OrvMain_GetLoopType() == LOOP_WARP; }, 10));
    return s;
}

// The mandalas in TI 10, the first from the inventory, laid in the order 2, 1, 3, 5, 4, 6, and the game saved
// in slot 1.
void LayTheMandalas(std::deque<Step>& s) {
    ChooseFromTheInventory(s, "mandala 2", 1);
    Click(s, "mandala 2 laid", std::atan(-0.3f));
    const char* names[] = {"", "MANDALA_BATEAU_IR", "", "MANDALA_BATEAU_YU", "MANDALA_IRLANDE", "MANDALA_CHINE",
                           "MANDALA_YUCATAN"};
    const float yaws[] = {0, std::atan(-0.6f), 0, 0, std::atan(0.3f), std::atan(0.6f), kQuarter};
    for (int m : {1, 3, 5, 4, 6}) {
        Command(s, std::string("(OBJETENMAIN=") + names[m] + ")");
        Click(s, "mandala " + std::to_string(m) + " laid", yaws[m]);
    }
    s.push_back(Until("six laid", [] { return Var("NbMandalaPosed") == 6 && Var("OrdreMandala6") == 6; }, 1));
    s.push_back(Do("save 1", [] { ASSERT_TRUE(OrvSaveGame_Save(1)); }));
}

// The ogham stone of IR 6, the knife in hand.
void CarveTheOgham(std::deque<Step>& s) {
    GoTo(s, 6);
    Command(s, "(OBJETENMAIN=COUTEAU_AILILL)");
    for (uint32_t z : {5u, 4u, 3u, 16u, 16u, 17u, 15u, 14u, 13u, 12u, 11u, 99u})
        Click(s, "ogham zone " + std::to_string(z), PuzzleViews_OghamYaw(z));
    s.push_back(Until("stone carved", [] { return Var("FINOGHAM") == 1; }, 1));
    Command(s, "(OBJETENMAIN=0)");
}

// The installation (the menus' data, the CD probes, the puzzles' worlds) written once and copied for each game.
void CopyInstallation(const std::string& dir) {
    static TempDir installation;
    static bool written = false;
    if (!written) {
        std::string error;
        // Small menu pictures save time.
        ASSERT_TRUE(DemoMenus_Write(installation.Path(), &error, 64, 48)) << error;
        for (int cd = 1; cd <= 4; cd++) ASSERT_TRUE(WriteFileText(installation / cd_probe_name(cd), "cd"));
        ASSERT_TRUE(PuzzleViews_Write(installation.Path(), 10, &error,
                                      {"(sacados=BATON_SOURCE)(sacados=MANDALA_BATEAU_CH)(NEARW77=3)(EnergieJoueur=20)",
                                       "(sacados=COUTEAU_AILILL)(sacados=MANDALA_BATEAU_IR)(sacados=MANDALA_BATEAU_YU)",
                                       "(sacados=MANDALA_IRLANDE)(sacados=MANDALA_CHINE)(sacados=MANDALA_YUCATAN)"}))
            << error;
        written = true;
    }
    std::filesystem::copy(installation.Path(), dir, std::filesystem::copy_options::recursive);
}

// The program from its start to its exit on a copy of the installation: a new game, then the steps. The run
// ends when the steps do; it is never stuck and reports no fatal error.
void PlayGame(GameRun& run, std::deque<Step> steps) {
    setenv("QM_HEADLESS", "1", 1);
    unsetenv("QM_PIXEL555");
    TempDir dir;
    ASSERT_NO_FATAL_FAILURE(CopyInstallation(dir.Path()));
    OrvHooks_Reset();
    OrvError_ResetForTests();
    // The log of a fresh process: no warning of an earlier test waits to be written into it.
    debug_log_reset_for_tests();
    Input_Reset();
    frame_timer_reset();
    CTManualClock clock(100.0);

    g_run = &run;
    run.steps = NewGame();
    run.steps.insert(run.steps.end(), steps.begin(), steps.end());
    CApplication& app = TheApplication();
    app.Reset();
    app.onStart = +[] {
        OrvMain_OnInit();
        g_driver.tickCallback = Drive;
        g_driver.period = 0;
        g_driver.priority = -1;
        g_driver.Start();
    };
    app.onTerminate = +[] {
        if (DefName_IsLoaded())
            g_run->end = {Interp_GetChapter(), Var("FINOGHAM"), Var("FINMERLE"), Var("FINPERLE"),
                          Var("Puzzle_Lucioles_AutoWin"), Interp_Flags[20], Interp_Flags[200], Interp_Flags[300],
                          anneau_frame};
        g_driver.Stop();
        OnTerminate();
    };
    app.onException = OrvMain_OnException;
    std::string prog = "quillmar2", install = dir.Path();
    char* argv[] = {prog.data(), install.data(), nullptr};
    run.code = app.Run(2, argv);

    Scheduler_Clear();
    OrvHooks_Reset();
    Input_Reset();
    frame_timer_reset();
    OrvError_SetQuitHook(nullptr);
    OrvError_ResetForTests();
    g_run = nullptr;

    run.log = ReadFileText(dir / "quillmar2.log");
    EXPECT_EQ(run.failure, "");
    EXPECT_EQ(run.code, 0);
    EXPECT_LT(run.log.find("Fin de Quillmar 2"), std::string::npos);
    EXPECT_EQ(run.log.find("<<< ERREUR"), std::string::npos);
}

// The end of a game where nothing was solved: chapter 1, no puzzle's outcome, the ring's first frame.
std::vector<int32_t> Unsolved() { return {1, 0, 0, 0, 0, 0, 0, 0, 0}; }
}  // namespace

TEST(PuzzleProgramRun, TheMandalasLaidAreLoggedInTheirOrderAtTheExit) {
    GameRun run;
    std::deque<Step> s;
    LayTheMandalas(s);
    PlayGame(run, s);
    EXPECT_EQ(run.end, Unsolved());
    EXPECT_EQ(run.Count("NewSound=400"), 6);
    EXPECT_EQ(run.commands.size(), 6u);
    // Laid 2, 1, 3, 5, 4, 6; listed as mandalas 4, 6, 5, 1, 3, 2.
    size_t pos = run.log.find("--- Solution Mandalas ---");
    ASSERT_NE(pos, std::string::npos);
    for (const char* line : {"Mandala 1 : numero 5", "Mandala 2 : numero 6", "Mandala 3 : numero 4",
                             "Mandala 4 : numero 2", "Mandala 5 : numero 3", "Mandala 6 : numero 1"}) {
        pos = run.log.find(line, pos);
        EXPECT_NE(pos, std::string::npos) << line;
    }
    EXPECT_LT(run.log.find("--- Solution Mandalas ---"), run.log.find("Fin de Quillmar 2"));
}

TEST(PuzzleProgramRun, TheRodIsRaisedFromTheInventoryAndTheInventoryPutsItDown) {
    GameRun run;
    std::deque<Step> s;
    ChooseFromTheInventory(s, "rod", 0);
    s.push_back(Until("rod up and swinging", [] { return baton_up == 1 && baton_SprNum == 2; }, 10));
    s.push_back(Do("inventory again", [] { InjectClick(MOUSE_RIGHT); }));
    s.push_back(Until("rod down", [] { return baton_up == 0 && Var("SOURCIER") == 0; }, 3));
    s.push_back(Do("inventory closed", [] { InjectClick(MOUSE_RIGHT); }));
    s.push_back(Until("view again", [] { return Inventaire_Shown == 0; }, 3));
    PlayGame(run, s);
    EXPECT_EQ(run.end, Unsolved());
    EXPECT_TRUE(run.commands.empty());
}

TEST(PuzzleProgramRun, TheOghamStoneIsCarvedWithTheKnife) {
    GameRun run;
    std::deque<Step> s;
    CarveTheOgham(s);
    PlayGame(run, s);
    EXPECT_EQ(run.end, (std::vector<int32_t>{1, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(run.Count("NewSound=4"), 12);
    EXPECT_EQ(run.commands.size(), 12u);
}

TEST(PuzzleProgramRun, ThreeRightBirdsInARowSolveThePoetsGame) {
    GameRun run;
    std::deque<Step> s;
    // The poet's subjects, three lines, three right birds.
    GoTo(s, 73);
    const auto panel = [](const std::string& n) {
        return Until(n, [] { Look(kQuarter); return OrvWarp_SubjectPanelOpen != 0; }, 10);
    };
    const auto clickCell = [](const std::string& n, std::function<int()> cell) {
        return Do(n, [cell] { MoveMouseTo(450, 180 + 62 * cell()); InjectClick(); });
    };
    s.push_back(panel("poet's panel"));
    s.push_back(clickCell("poet chosen", [] { return 0; }));
    for (int round = 0; round < 3; round++) {
        const std::string n = "round " + std::to_string(round + 1);
        s.push_back(Until(n + ": poet ready", [] { return merle_etat == MERLE_POETE; }, 2));
        s.push_back(panel(n + ": his subjects"));
        s.push_back(clickCell(n + ": poet's subject", [] { return 1; }));
        s.push_back(Until(n + ": birds offered", [] { return merle_etat == MERLE_ECOUTE; }, 2));
        s.push_back(panel(n + ": the birds"));
        s.push_back(clickCell(n + ": the right bird", [] { return bonne; }));
        s.push_back(Until(n + ": judged", [] { return merle_nb_bonnes == 0 || merle_etat != MERLE_ECOUTE; }, 2));
    }
    s.push_back(Until("birds solved", [] { return Var("FINMERLE") == 1; }, 1));
    s.push_back(Do("panel dismissed", [] { MoveMouseTo(100, 100); InjectClick(); }));
    s.push_back(Until("panel closed", [] { return OrvWarp_SubjectPanelOpen == 0; }, 2));
    Click(s, "leaving the poet", 2 * kQuarter);
    s.push_back(Until("blackbirds left", [] { return pz_vue_is("IR", 6) && merle_son[0] == -1; }, 3));
    PlayGame(run, s);
    EXPECT_EQ(run.end, (std::vector<int32_t>{1, 0, 1, 0, 0, 0, 0, 0, 0}));
    // One line of the poet for each round.
    EXPECT_EQ(run.commands.size(), 3u);
    EXPECT_EQ(std::count_if(run.commands.begin(), run.commands.end(), [](const std::string& c) { return c.rfind("dial=", 0) == 0; }), 3);
}

TEST(PuzzleProgramRun, ARingTurnSavedHalfWayAndLoadedAfterItsEndGoesOn) {
    GameRun run;
    std::deque<Step> s;
    GoTo(s, 40);
    Click(s, "turtle left", -kQuarter);
    s.push_back(Until("ring half-way", [] { return anneau_frame == 4; }, 60));
    s.push_back(Do("save 2", [] { ASSERT_TRUE(OrvSaveGame_Save(2)); }));
    s.push_back(Until("ring stops", [] { return anneau_pas == 0; }, 60));
    s.push_back(Do("load 2", [] { ASSERT_TRUE(OrvSaveGame_Load(2)); }));
    s.push_back(Until("ring turned", [] { return anneau_pas == 0 && anneau_frame == 9; }, 60));
    PlayGame(run, s);
    EXPECT_EQ(run.end, (std::vector<int32_t>{1, 0, 0, 0, 0, 0, 0, 0, 9}));
    EXPECT_EQ(run.commands, std::vector<std::string>{"NewSound=218"});
}

TEST(PuzzleProgramRun, TheDragonsFlightsAndGuessesFindThePearl) {
    GameRun run;
    std::deque<Step> s;
    // Three low clouds already standing: the first flight, then a guess after each flight until the five stand.
    Command(s, "(State_nuages_bas=3)");
    GoTo(s, 31);
    Click(s, "dragon", 0);
    for (int i = 0; i < 2; i++) {
        const std::string n = "guess " + std::to_string(i + 1);
        s.push_back(Until(n + ": dragon resting", [] { return pz_dragon_get_etat() == DRAGON_REPOS; }, 400));
        s.push_back(Do(n, [] { Look(Var("Perle_cachee") == 'A' ? -kQuarter : kQuarter); InjectClick(); }));
        s.push_back(Until(n + ": reveal over", [] { return Var("Time_nuage_transparent") == 0 && Var("Action_nuage_bas") == 0; }, 40));
    }
    s.push_back(Until("pearl found", [] { return Var("FINPERLE") == 1; }, 1));
    PlayGame(run, s);
    EXPECT_EQ(run.end, (std::vector<int32_t>{1, 0, 0, 1, 0, 0, 0, 0, 0}));
    // A cloud's sound for the fourth and the fifth cloud, in that order.
    const auto at = [&](const std::string& c) { return std::find(run.commands.begin(), run.commands.end(), c) - run.commands.begin(); };
    EXPECT_EQ(run.Count("NewSound=209"), 1);
    EXPECT_EQ(run.Count("NewSound=210"), 1);
    EXPECT_LT(at("NewSound=209"), at("NewSound=210"));
}

TEST(PuzzleProgramRun, ALoadTakesBackWhatWasPlayedAfterItsSave) {
    GameRun run;
    std::deque<Step> s;
    LayTheMandalas(s);
    CarveTheOgham(s);
    s.push_back(Do("load 1", [] { ASSERT_TRUE(OrvSaveGame_Load(1)); }));
    s.push_back(Until("TI 10 again", [] { return pz_vue_is("TI", 10) && Var("FINOGHAM") == 0; }, 2));
    PlayGame(run, s);
    EXPECT_EQ(run.end, Unsolved());
    EXPECT_EQ(run.Count("NewSound=4"), 12);
}

TEST(PuzzleProgramRun, TheFirefliesLitInTheMandalasOrderAreHandedOver) {
    GameRun run;
    std::deque<Step> s;
    LayTheMandalas(s);
    Click(s, "to the sails", 2 * kQuarter);
    s.push_back(Until("SH 1", [] { return pz_vue_is("SH", 1); }, 3));
    for (uint32_t n : {3u, 1u, 5u, 4u, 2u, 6u}) {
        const float yaw = n == 6 ? kQuarter : std::atan(float(int(n) - 3) * 0.3f);
        Click(s, "firefly " + std::to_string(n), yaw);
        s.push_back(Taken("firefly " + std::to_string(n) + " lit"));
    }
    s.push_back(Until("handed over", [] { return Interp_Flags[20] == 1; }, 3));
    PlayGame(run, s);
    EXPECT_EQ(run.end, (std::vector<int32_t>{1, 0, 0, 0, 1, 1, 0, 0, 0}));
    EXPECT_EQ(run.Count("NewSound=300"), 6);
}

TEST(PuzzleProgramRun, TheLastTentacleShotDownWinsTheOctopusFight) {
    GameRun run;
    std::deque<Step> s;
    // Five of its tentacles dead before: the last one shot down with the crystal.
    Command(s, "(CHANGEWAM=monde.wam,16)");
    s.push_back(Until("QU 16", [] { return pz_vue_is("QU", 16) && pz_actif == PZ_POULPE; }, 5));
    for (int k = 1; k <= 5; k++) Command(s, "(BigTenta" + std::to_string(k) + "Died=1)");
    Command(s, "(sacados=CRISTAL_ENGLOUTI)");
    s.push_back(Do("entered again", [] { OrvWarp_start(); Look(-kQuarter); }));
    s.push_back(Until("tentacle shot down", [] {
        if (pz_actif != PZ_POULPE) return true;
        const ST_poulpe& p = tbl_poulpe[0];
        const ST_spw_visible* t = p.Tentacle[p.AttackIdx];
        Look(-kQuarter);
        if ((p.State == PLP_ATTACK || p.State == PLP_RECOVER) && t && t->shown && t->frame > 44 && t->frame < 62)
            InjectClick();
        return false;
    }, 4000));
    s.push_back(Until("won", [] { return Interp_GetChapter() == 200 && Interp_Flags[300] == 1; }, 2));
    s.push_back(Do("one tentacle was left", [] { EXPECT_EQ(Interp_ReadVar("BigTenta6Died"), 1); }));
    PlayGame(run, s);
    EXPECT_EQ(run.end, (std::vector<int32_t>{200, 0, 0, 0, 0, 0, 1, 1, 0}));
    // A sound for each hit, none for the last death.
    EXPECT_EQ(run.Count("NewSound=301"), 6);
    EXPECT_EQ(run.Count("NewSound=304"), 0);
}
