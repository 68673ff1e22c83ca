// What a player does with the whole program, headless on the demo: new games, saves and loads over a
// running game, pages of every failure, the options, a CD that is missing, the ways out, and the save
// list's dates under the user's locale.
#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>

#include "ProgramRun.h"
#include "app/Config.h"
#include "app/Orv_File.h"
#include "app/main/Orv_Main.h"
#include "audio/Orv_Muzik.h"
#include "audio/Orv_Sound.h"
#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "menus/Mn_Menu.h"
#include "menus/Mn_Widget.h"
#include "menus/Orv_Menu.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "testdata/DemoWorld.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/OrvSaveGame.h"
#include "world/Orv_Msg.h"
#include "world/ZapFile.h"
#include "world/wam.h"

namespace fs = std::filesystem;

namespace {
constexpr float kQuarter = WARP_PI / 2;
const float kDown = -std::atan(0.3f);  // the key on the floor of IR 3, the exit above YU 3

std::string SavePath(const ProgramRun& run, int player, int slot) {
    char name[32];
    std::snprintf(name, sizeof name, "save/ORV%02d_%02d.SAV", player, slot);
    return run.dir / name;
}

// The key lies in IR 3: its sprite is the view's only one.
bool KeyShown() { return OrvSpw_NbVisibles == 1 && OrvSpw_Visibles[0].shown; }

// From IR 1 at rest to IR 3, where the key lies.
std::vector<Step> ToIr3() { return {Turn(kQuarter, 0), ClickView(), Arrive("IR3")}; }

// A save of nothing but a whole header: taken at `time`, in view `view` of IR's first place.
void WriteHeaderOnlySave(const std::string& path, const SYSTEMTIME& time, uint32_t view) {
    ST_save_header header{};
    header.version = SAVE_VERSION;
    header.time = time;
    header.picture = header.chapter = header.lieu_id = 1;
    std::strcpy(header.wam, "bigile1.wam");
    header.vue_id = view;
    ZapFile zap;
    ASSERT_TRUE(zap.AddBlock("HEADER", &header, sizeof header));
    const std::vector<uint8_t> bytes = zap.Build();
    ASSERT_TRUE(WriteFileBytes(path, bytes.data(), bytes.size()));
}
}  // namespace

TEST(ProgramFlows, NewGameSaveAndLoadOverTheRunningGameWhileANoisePlays) {
    ProgramRun run;
    Append(run.steps, NewGame());
    Append(run.steps, {WaitFor(NoisePlays)});
    Append(run.steps, SaveGame());
    Append(run.steps, ToIr3());
    Append(run.steps, {Turn(0, kDown), ClickView(), Read(4), Turn(-kQuarter, 0), ClickView(), Arrive("IR1"),
                       WaitFor(NoisePlays), Do([] { EXPECT_TRUE(Inventaire_IsObjetInSac("CLE")); })});
    // The load replaces the world under the playing noise.
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("IR1"), WaitFor(NoisePlays), Do([] {
                           EXPECT_FALSE(Inventaire_IsObjetInSac("CLE"));
                           EXPECT_EQ(OrvSound_GetBruitageSlot(0).ref, OrvWam_CurrentVue->bruitages);
                       })});
    Append(run.steps, ToIr3());
    run.steps.push_back(Do([] { EXPECT_TRUE(KeyShown()); }));
    Append(run.steps, QuitThroughTheCredits());

    run.PlayThrough();
    EXPECT_EQ(run.views, (std::vector<std::string>{"IR1", "IR3", "IR1", "IR1", "IR3"}));
    EXPECT_EQ(run.messages, (std::vector<int32_t>{1, 4}));
    EXPECT_TRUE(fs::exists(SavePath(run, 0, 0)));
    EXPECT_FALSE(fs::exists(SavePath(run, 0, 1)));
    const std::string log = run.Log();
    EXPECT_NE(log.find("OrvMenu_start_Credits()"), std::string::npos);
    EXPECT_NE(log.find("Fin de Quillmar 2"), std::string::npos);
    EXPECT_EQ(run.Reports(), std::vector<std::string>{});
}

TEST(ProgramFlows, ALoadEntersItsViewWhateverNextWarpInvalideHolds) {
    ProgramRun run;
    Append(run.steps, NewGame());
    Append(run.steps, ToIr3());
    run.steps.push_back(Do([] {
        EXPECT_TRUE(KeyShown());
        Interp_SetEngineVar(IV_NEXTWARPINVALIDE, 1);
    }));
    // A load enters its view whatever the flag holds; the flag is kept for the next jump, whose entry it skips.
    Append(run.steps, SaveGame());
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("IR3"), Do([] {
                           EXPECT_TRUE(KeyShown());
                           EXPECT_EQ(Interp_GetEngineVar(IV_NEXTWARPINVALIDE), 1);
                       }),
                       Turn(-kQuarter, 0), ClickView(), Arrive("IR1"),
                       Do([] { EXPECT_EQ(Interp_GetEngineVar(IV_NEXTWARPINVALIDE), 0); }),
                       Do([] { Input_InjectClose(); })});

    run.PlayThrough();
    EXPECT_EQ(run.views, (std::vector<std::string>{"IR1", "IR3", "IR3", "IR1"}));
    EXPECT_NE(run.Log().find("NextWarpInvalide, entrée sautée"), std::string::npos);
    EXPECT_EQ(run.Reports(), std::vector<std::string>{});
}

TEST(ProgramFlows, ASaveOntoAFullOrFailingDiskShowsItsPageAndKeepsThePreviousSave) {
    ProgramRun run;
    Append(run.steps, NewGame());
    Append(run.steps, SaveGame());
    const std::string first = SavePath(run, 0, 0);
    auto firstSave = std::make_shared<std::string>();
    run.steps.push_back(Do([firstSave, first] { *firstSave = ReadFileText(first); }));
    for (auto [error, page] : {std::pair{ENOSPC, "b_dfull.spr"}, {EIO, "b_derr.spr"}})
        Append(run.steps, {Do([error] { OrvFile_SetWriteFailure(error); }), Key(DIK_ESCAPE), ClickWidget("a_disc.spr"),
                           ClickWidget("a_save.spr"), ClickWidget("b_oui.spr"),
                           WaitFor([page] { return PageShows(page); }), ClickWidget(page), WaitFor(Idle)});
    run.steps.push_back(Do([&run, firstSave, first] {
        OrvFile_SetWriteFailure(0);
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(run.dir / "save")) names.push_back(e.path().filename());
        EXPECT_EQ(names, std::vector<std::string>{"ORV00_00.SAV"});
        EXPECT_FALSE(firstSave->empty());
        EXPECT_EQ(ReadFileText(first), *firstSave);
        EXPECT_EQ(ViewName(), "IR1");
    }));
    // The disk is back: the next save is written.
    Append(run.steps, SaveGame());
    run.steps.push_back(Do([] { Input_InjectClose(); }));

    run.PlayThrough();
    OrvFile_SetWriteFailure(0);
    EXPECT_TRUE(fs::exists(SavePath(run, 0, 1)));
    // Each failure is logged with its reason, and nothing else.
    const std::vector<std::string> reports = run.Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[0].find(std::strerror(ENOSPC)), std::string::npos) << reports[0];
    EXPECT_NE(reports[1].find(std::strerror(EIO)), std::string::npos) << reports[1];
}

// The music copied under the please-wait page, the options, the sound page and the picture viewer.
TEST(ProgramFlows, OptionsSoundPleaseWaitAndThePictureViewerOnTheRealProgram) {
    ProgramRun run;
    // The music is on the CD only: the new game copies it under the please-wait page.
    for (const char* ext : {".ksn", ".spp"})
        fs::rename(run.dir / (std::string("music/muzik01") + ext),
                   run.dir / (std::string("datas_q2/ksn/music/muzik01") + ext));
    Append(run.steps, NewGame());
    run.steps.push_back(Do([&run] {
        EXPECT_GT(fs::file_size(run.dir / "music/muzik01.ksn"), 0u);
        EXPECT_EQ(OrvMuzik_GetState(), MUZIK_PLAYING);
    }));
    Append(run.steps, {Key(DIK_ESCAPE), ClickWidget("a_toolbx.spr"), ClickWidget("s_cross.spr"),
                       Do([] { EXPECT_EQ(g_Config.centreCross, 1); }), ClickWidget("b_back.spr"),
                       ClickWidget("a_baffle.spr"), WaitFor([] { return PageShows("MasterVolume"); }),
                       ClickPoint(425 - 64, 140 - 6),  // the master slider's left end
                       Do([] {
                           EXPECT_GE(g_Config.masterVolume, 0);
                           EXPECT_LT(g_Config.masterVolume, 10);
                       }),
                       ClickWidget("b_back.spr"), WaitFor([] { return PageShows("a_disc.spr"); }), Key(DIK_ESCAPE),
                       WaitFor(Idle)});
    // The picture viewer over the view: sprite 0 of the bank, black, 24 pixels square at the centre of the view
    // as it was.
    auto view = std::make_shared<std::vector<uint32_t>>();
    auto passes = std::make_shared<int>(0);
    auto blackSquare = [](const std::vector<uint32_t>& frame) {
        for (int y = 228; y < 252; ++y)
            for (int x = 308; x < 332; ++x)
                if (frame[size_t(y) * 640 + size_t(x)] & 0xFFFFFF) return false;
        return true;
    };
    Append(run.steps, {Do([view, blackSquare] {
                           *view = PresentedFrame();
                           ASSERT_EQ(view->size(), 640u * 480u);
                           EXPECT_FALSE(blackSquare(*view));
                           RunOneCommand("(ViewBigSpr=objets.spr)");
                       }),
                       WaitFor([passes] { return Loop() == LOOP_VIEWBIGSPR && ++*passes == 5; }),
                       Do([view, blackSquare] {
                           const std::vector<uint32_t> viewer = PresentedFrame();
                           ASSERT_EQ(viewer.size(), 640u * 480u);
                           EXPECT_TRUE(blackSquare(viewer));
                           // Away from the picture and the pointer, the view is drawn as it was.
                           EXPECT_TRUE(std::equal(viewer.begin(), viewer.begin() + 200 * 640, view->begin()));
                       }),
                       Click(), WaitFor(Idle), Do([] { Input_InjectClose(); })});

    run.PlayThrough();
    EXPECT_NE(run.Log().find("OrvMenu_start_PleaseWait()"), std::string::npos);
    EXPECT_EQ(run.Reports(), std::vector<std::string>{});
    // The settings written at exit keep the options chosen.
    uint8_t written[CONFIG_FILE_SIZE];
    config_encode(g_Config, written);
    EXPECT_EQ(g_Config.centreCross, 1);
    EXPECT_EQ(ReadFileText(run.dir / "quillm2.cfg"), std::string(reinterpret_cast<char*>(written), sizeof written));
}

TEST(ProgramFlows, SavesAndLoadsAfterACancelledJumpAndOnTheFarewellMessage) {
    ProgramRun run;
    const float q = kQuarter;
    Append(run.steps, NewGame());
    Append(run.steps, {ClickView(), Read(2),  // the chest is locked
                       Turn(-q, 0), ClickView(), Arrive("IR4"),
                       Turn(0, 0), ClickView(), Read(5), Arrive("IR4")});  // too dark: the jump is cancelled
    Append(run.steps, SaveGame());
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Arrive("IR4"),
                       Turn(q, 0), ClickView(), Arrive("IR1"),  // the way back is open
                       Turn(q, 0), ClickView(), Arrive("IR3"),
                       Turn(0, kDown), ClickView(), Read(4),
                       Turn(-q, 0), ClickView(), Arrive("IR1"),
                       Turn(0, 0), ClickView(), Read(3),  // the lantern
                       Turn(-q, 0), ClickView(), Arrive("IR4"),
                       Turn(0, 0), ClickView(), Arrive("YU1"),
                       Turn(0, 0), ClickView(), Arrive("YU2"),
                       ClickView(), Read(DEMO_GUARDIAN_BARS_MESSAGE),
                       Turn(q, 0), ClickView(), Arrive("YU3"),
                       Turn(0, -kDown), ClickView(),
                       WaitFor([] { return Loop() == LOOP_MESSAGE && OrvMsg_Current() == 8; })});
    // On the farewell message, whose block ends the game once it is read.
    Append(run.steps, SaveGame());
    Append(run.steps, LoadNewestGame());
    Append(run.steps, {Do([] {
                           EXPECT_EQ(Loop(), LOOP_MESSAGE);
                           EXPECT_EQ(OrvMsg_Current(), 8);
                           EXPECT_EQ(PendingScenarioBlock.flag, 1);
                           EXPECT_EQ(ViewName(), "YU3");
                       }),
                       Read(8)});

    run.PlayThrough();
    EXPECT_EQ(run.messages, (std::vector<int32_t>{1, 2, 5, 4, 3, DEMO_GUARDIAN_BARS_MESSAGE, 8}));
    EXPECT_TRUE(fs::exists(SavePath(run, 0, 1)));
    // The farewell ends the demo through the credits.
    EXPECT_NE(run.Log().find("OrvMenu_start_Credits()"), std::string::npos);
    EXPECT_EQ(run.Reports(), std::vector<std::string>{});
}

// A message darkens the view behind its lines: the chest's sign under "The chest is locked." is seen at a
// quarter of its brightness around the letters.
TEST(ProgramFlows, AMessageDarkensTheViewBehindItsLines) {
    ProgramRun run;
    std::vector<uint32_t> view, shown;
    Append(run.steps, NewGame());
    Append(run.steps, {WaitFor(Idle), Snapshot(&view), ClickView(), Read(2, &shown)});
    run.PlayToTheEnd();
    ASSERT_EQ(shown.size(), view.size());
    // In 5-6-5 terms, each channel shifted down.
    const auto as565 = [](uint32_t argb, int down) {
        return ((argb >> 19) & 0x1F) >> down << 11 | ((argb >> 10) & 0x3F) >> down << 5 | ((argb >> 3) & 0x1F) >> down;
    };
    int quartered = 0;
    for (size_t i = 0; i < view.size(); i++)
        quartered += view[i] != shown[i] && as565(view[i], 2) != 0 && as565(shown[i], 0) == as565(view[i], 2);
    // The darkened band round one line of text: far more pixels than the letters' own.
    EXPECT_GT(quartered, 8000);
}

// The way to the temple refused in the dark holds only that click: the door beside it opens its carving next.
TEST(ProgramFlows, AClickAfterARefusedDepartureIsHeard) {
    ProgramRun run;
    Append(run.steps, NewGameTo(DEMO_WAM_IR, 4, "IR4"));
    Append(run.steps, ClickZone(LinkAway()));
    run.steps.push_back(Read(5));
    Append(run.steps, ClickZone(ZoneNamed("ZONE_PORTE")));
    Append(run.steps, {WaitFor([] { return Loop() == LOOP_VIEWBIGSPR; }), Click(), Arrive("IR4")});
    run.PlayToTheEnd();
}

TEST(ProgramFlows, ANewGameAndALoadWaitForAMissingCDOnTheCDPage) {
    ProgramRun run;
    const std::string probe = run.dir / cd_probe_name(1), aside = probe + ".aside";
    fs::rename(probe, aside);  // CD 1, the worlds' CD, is not in the drive; CD 2 is
    auto passes = std::make_shared<int>(0);
    Append(run.steps, ChoosePlayer(0));
    run.steps.push_back(WaitFor(OrvMenu_IsCDPageActive));
    // The page stays up while the CD is missing.
    run.steps.push_back(WaitFor([passes] {
        EXPECT_EQ(OrvWam_CurrentVue, nullptr);
        *passes += OrvMenu_IsCDPageActive() ? 1 : 0;
        return *passes == 120;
    }));
    run.steps.push_back(Do([probe, aside] { fs::rename(aside, probe); }));
    Append(run.steps, {Read(1), Arrive("IR1")});
    Append(run.steps, SaveGame());
    // A load whose CD is missing waits on the same page; the click that inserts the CD is the page's.
    run.steps.push_back(Do([probe, aside] { fs::rename(probe, aside); }));
    Append(run.steps, {Key(DIK_ESCAPE), ClickWidget("a_disc.spr"), ClickWidget("a_load.spr"), ClickWidget("save.spr"),
                       WaitFor(OrvMenu_IsCDPageActive), Do([probe, aside] { fs::rename(aside, probe); }), Click(),
                       Arrive("IR1")});
    run.steps.push_back(WaitFor([passes] {
        EXPECT_NE(Loop(), LOOP_MESSAGE) << "the click on the CD page reached the view";
        return ++*passes == 180;
    }));
    run.steps.push_back(Do([] { Input_InjectClose(); }));

    run.PlayThrough();
    EXPECT_EQ(run.messages, std::vector<int32_t>{1});
    const std::string log = run.Log();
    EXPECT_NE(log.find("OrvMenu_start_CD()"), std::string::npos);
    EXPECT_NE(log.find("Changement de CD => insertion CD N°1"), std::string::npos);
    EXPECT_EQ(run.Reports(), std::vector<std::string>{});
}

TEST(ProgramFlows, AnUnloadableNewestSaveAtStartBringsBackThePlayerPage) {
    ProgramRun run;
    // A save whose header is whole but whose view the world does not hold.
    WriteHeaderOnlySave(SavePath(run, 0, 3), {2030, 1, 0, 1, 0, 0, 0, 0}, 99);
    Append(run.steps, ChoosePlayer(0));
    Append(run.steps, {WaitFor([] { return PageShows("b_derr.spr"); }),
                       Do([] { EXPECT_EQ(MenuState.setAside.size(), 1u); }), ClickWidget("b_derr.spr"),
                       WaitFor([] { return PageShows("b_gala.spr"); }),
                       // Another player starts a new game.
                       ClickWidget("b_lune.spr"), Read(1), Arrive("IR1"), Do([] { Input_InjectClose(); })});

    run.PlayThrough();
    const std::vector<std::string> reports = run.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("vue 99 du lieu 1 introuvable"), std::string::npos) << reports[0];
}

// Under a UTF-8 locale whose dates are not ASCII, the load page shows a save's date in the fonts' code page:
// the Icelandic Monday "mán" as its three letters, not as the four bytes of its UTF-8.
TEST(ProgramFlows, TheSaveListShowsTheLocalesDateInTheFontsCodePage) {
    const char* const kLocale = "is_IS.UTF-8";
    if (locale_t l = newlocale(LC_TIME_MASK, kLocale, locale_t(0))) freelocale(l);
    else GTEST_SKIP() << "the locale " << kLocale << " is not installed (scripts/deps.sh makes it)";
    // LC_ALL outweighs LC_TIME and LANG; it is put back at the end.
    const char* was = std::getenv("LC_ALL");
    const std::optional<std::string> kept = was ? std::optional<std::string>(was) : std::nullopt;
    setenv("LC_ALL", kLocale, 1);
    ProgramRun run;
    Append(run.steps, NewGame());
    run.steps.push_back(Do([&run] { WriteHeaderOnlySave(SavePath(run, 0, 0), {2023, 12, 1, 4, 12, 5, 0, 0}, 1); }));
    auto passes = std::make_shared<int>(0);
    Append(run.steps, {Key(DIK_ESCAPE), ClickWidget("a_disc.spr"), ClickWidget("a_load.spr"),
                       WaitFor([passes] { return PageShows("save.spr") && ++*passes > 5; }), Do([] {
                           const CMnWidget* list = MenuState.page->FindWidget("save.spr");
                           const std::vector<uint32_t> frame = PresentedFrame();
                           ASSERT_EQ(frame.size(), 640u * 480u);
                           // The text's fully covered pixels are white where the list draws its first row.
                           const auto shownAs = [&](const std::string& text) {
                               const std::vector<uint16_t> drawn = DrawnText("OrvFT_POPUP", text, 400);
                               for (size_t i = 0; i < drawn.size(); i++) {
                                   const size_t x = size_t(list->GetX() + 100) + i % 400, y = size_t(list->GetY() + MN_LIST_ROW / 2) + i / 400;
                                   if (drawn[i] == 0xFFFF && (x >= 640 || y >= 480 || frame[y * 640 + x] != 0xFFFFFFFFu)) return false;
                               }
                               return std::count(drawn.begin(), drawn.end(), 0xFFFF) > 0;
                           };
                           EXPECT_TRUE(shownAs("m\xE1n  4.des 2023 12:05:00"));
                           EXPECT_FALSE(shownAs("m\xC3\xA1n  4.des 2023 12:05:00")) << "its UTF-8 bytes would draw other letters";
                       }),
                       ClickWidget("b_back.spr"), WaitFor([] { return PageShows("a_disc.spr"); }), Key(DIK_ESCAPE), WaitFor(Idle)});
    run.PlayToTheEnd();
    kept ? setenv("LC_ALL", kept->c_str(), 1) : unsetenv("LC_ALL");
}
