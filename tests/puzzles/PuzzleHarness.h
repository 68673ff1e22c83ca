// Base of the puzzle fixtures: a headless screen and sound, a scratch installation serving as the CDs, the
// reports and the scenario words recorded, and the game's modules started and closed as the program does.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Random.h"
#include "app/main/Orv_Links.h"
#include "app/main/Orv_Main.h"
#include "audio/Orv_Sound.h"
#include "audio/SysSnd.h"
#include "engine3d/Orv3D.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Input.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_dispatch.h"
#include "testdata/PanoramaWriter.h"
#include "testdata/ScriptWriter.h"
#include "testdata/SprWriter.h"
#include "testdata/TempDir.h"
#include "testdata/WamWriter.h"
#include "tests/puzzles/ReportCapture.h"
#include "tests/support/ForcedProcessorKind.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/OrvSaveGame.h"
#include "world/World.h"
#include "world/wam.h"
#include "tests/support/HeadlessSuite.h"

// The seed after which the game's generator draws `value` first (its step is invertible).
inline uint32_t SeedForFirstDraw(int value) {
    const uint32_t a = 214013u, c = 2531011u;
    uint32_t inverse = 1;
    for (int i = 0; i < 5; i++) inverse *= 2 - a * inverse;
    return ((uint32_t(value) << 16) - c) * inverse;
}

class PuzzleHarness : public HeadlessSpriteTest {
protected:
    // screenWidth 0 leaves the screen to the fixture's start; with3D starts and closes the 3D engine too.
    explicit PuzzleHarness(int screenWidth = 640, bool with3D = false) : screenWidth(screenWidth), with3D(with3D) {}

    void SetUp() override {
        reports.Start();
        OrvFile_SetInstallDir(dir.Path());
        debug_log_open((dir / "quillmar2.log").c_str());
        WriteFileText(dir / cd_probe_name(1), "cd1");
        UseCd(dir.Path());
        config_reset();
        Input_Reset();
        frame_timer_reset();
        OrvHooks_Reset();
        orv_srand(1);
        SysSnd_SelectDriver(SysSndDriver::Offline);
        ASSERT_TRUE(OrvSound_MainInit());
        if (screenWidth) OpenScreen(screenWidth);
        names.personnages = {"PERSONNE"};
        names.objets = {"RIEN 0"};
        names.sujets = {"AUCUN 0 0"};
        names.variables = DefNames_EngineVariables();
        names.zones = {"AUCUNE"};
    }

    void TearDown() override {
        if (started) CloseModules();
        Interp_ClearCommands();
        OrvSound_MainClose();
        SysSnd_SelectDriver(SysSndDriver::Sdl);
        OrvDisplay_Close();
        window.Close();
        OrvHooks_Reset();
        Input_Reset();
        frame_timer_reset();
        config_reset();
        reports.Stop();
        debug_log_open("");
    }
    virtual void CloseModules() {
        pz_quit_all();
        OrvWarp_Close();
        Interface_FreeBank();
        OrvWorld_Close();
        if (with3D) Orv3D_Close();
    }

    // Every CD is that directory.
    static void UseCd(const std::string& path) {
        for (int n = 1; n <= 4; n++) OrvFile_SetCDRoot(n, path);
        cd_init();
    }
    void OpenScreen(int width) {
        window.Open(width, width == 800 ? 600 : 480, false);
        ASSERT_TRUE(OrvDisplay_Init(&window));
        OrvSpr_SetScreenFormat(window.GetPixelFormat());
        OrvSpr_SetMouseSource(&MousePosition.x, &MousePosition.y);
    }
    // The names, messages, chapter and world described, written into the installation.
    void WriteScenario(const std::string& wam) {
        ASSERT_TRUE(WriteFileText(dir / "scenar/defnames.con", DefNames_Make(names)));
        ASSERT_TRUE(WriteFileText(dir / "loc/messages.txt", Messages_Make({})));
        ASSERT_TRUE(WriteFileText(dir / "scenar/chapi001.con", chapter.Text()));
        ASSERT_TRUE(WamWriter_Save(dir / ("wam/" + wam), world));
    }
    // `count` white 8 x 8 object sprites and the interface's bank.
    void WriteSprites(size_t count) {
        ASSERT_TRUE(SprWriter_Save(dir / "spr/objets.spr", WhiteSprites(count), SprWriterOptions{}));
        WriteInterface();
    }
    static std::vector<SprImage> WhiteSprites(size_t count) {
        std::vector<SprImage> sprites(count);
        for (SprImage& s : sprites) {
            s.width = s.height = 8;
            s.pixels.assign(64, 0xFFFFFFFFu);
        }
        return sprites;
    }
    void WriteInterface() {
        ASSERT_TRUE(SprWriter_Save(dir / "spr/interfac.spr", PanoramaWriter_InterfaceImages(), SprWriterOptions{}));
    }
    // The modules as the program starts them, with the game's links and the panorama's input handlers.
    void StartModules() {
        started = true;
        ASSERT_TRUE(OrvWorld_Init()) << Reports();
        ASSERT_TRUE(OrvWarp_Init());
        if (with3D) Orv3D_Init();
        ASSERT_TRUE(Interface_LoadBank());
        Input_SetKeyHandlers(OrvInput_OnKeyDown, OrvInput_OnKeyUp);
        Input_SetMouseHandlers(warp_on_mouse_move, warp_on_mouse_button, {});
        OrvMain_InstallLinks();
        OrvMain_SetLoopType(LOOP_WARP);
    }
    // The words are recorded in `commands` as "WORD=value" instead of being run (four words at most).
    void RecordWords(std::vector<std::string> list) {
        current = this;
        words = std::move(list);
        static constexpr InterpCommandFn recorders[] = {Recorder<0>, Recorder<1>, Recorder<2>, Recorder<3>};
        for (size_t i = 0; i < words.size(); i++) Interp_RegisterCommand(words[i].c_str(), recorders[i]);
    }

    static void InjectClick(int button = MOUSE_LEFT) {
        Input_InjectButton(button, true);
        Input_InjectButton(button, false);
    }
    // The pointer moved to (x, y) by injected motion.
    static void MoveMouseTo(int32_t x, int32_t y) {
        Input_InjectMouseMove(x - MousePosition.x, y - MousePosition.y);
        DXDispatch();
    }

    static uint32_t View() { return OrvWam_CurrentVue ? OrvWam_CurrentVue->id : 0; }
    static int32_t Var(const char* name) { return Interp_ReadVar(name); }
    static void SetVar(const char* name, int32_t v) { Interp_WriteVar(name, v); }
    static int32_t Obj(const char* name) { return DefName_GetIdName(DEFNAME_OBJETS, name); }
    static bool InBag(const char* name) { return Inventaire_IsObjetInSac(name); }
    static void Hold(const char* object) { Inventaire_PrendObjEnMain(object); }
    int Count(const std::string& command) const {
        int n = 0;
        for (const std::string& c : commands) n += c == command;
        return n;
    }
    bool Ran(const std::string& command) const { return Count(command) > 0; }
    static bool SoundLoaded(const std::string& name) {
        OrvSoundInfo info;
        for (int id = 0; id < ORVSOUND_MAX_SOUNDS; id++)
            if (OrvSound_GetInfo(id, &info) && info.name == name) return true;
        return false;
    }
    // The reports, but for the panorama pictures the tests leave out.
    std::string Reports() const { return reports.Text({"datas_q2/warp/", "damier"}); }
    bool Warned(const std::string& text) const {
        for (const std::string& w : warnings)
            if (w.find(text) != std::string::npos) return true;
        return false;
    }

    TempDir dir;
    Velkrum::CDirectDrawWindow window;
    DefNamesDesc names;
    WamFileDesc world;
    ChapterWriter chapter;
    std::vector<std::string> commands;  // the recorded words with their values, in the order they ran
    ReportCapture reports;
    std::vector<std::string>& warnings = reports.warnings;
    std::vector<std::string>& fatals = reports.fatals;
    bool started = false;

private:
    template <size_t I>
    static int Recorder(const char* value) {
        current->commands.push_back(current->words[I] + "=" + value);
        return CMD_DONE;
    }
    int screenWidth;
    bool with3D;
    std::vector<std::string> words;
    static inline PuzzleHarness* current = nullptr;
};

// A puzzle fixture on a screen of 5-6-5 pixels (parameter false) or 5-5-5 ones (true), with a checksum of the
// frames to hold against golden values: QM_PRINT_GOLDENS=1 prints them for a change of the rasterisers.
template <class Fixture>
class InPixelFormat : public Fixture, public ::testing::WithParamInterface<bool> {
protected:
    // The golden values were made with the portable vertex stages and rows.
    ForcedProcessorKind portable{CPU_GENERIC};

    void SetUp() override {
        if (GetParam()) setenv("QM_PIXEL555", "1", 1);
        else unsetenv("QM_PIXEL555");
        Fixture::SetUp();
    }
    void TearDown() override {
        Fixture::TearDown();
        unsetenv("QM_PIXEL555");
    }
    static uint64_t Checksum(const CSurface& s) {
        uint64_t h = 1469598103934665603ull;
        for (int y = 0; y < s.height; ++y) {
            const uint8_t* row = s.Row(y);
            for (int i = 0; i < s.width * 2; ++i) h = (h ^ row[i]) * 1099511628211ull;
        }
        return h;
    }
    // The checksum against the golden value of that name and format.
    static void ExpectGolden(const char* name, uint64_t sum, uint64_t golden565, uint64_t golden555) {
        if (std::getenv("QM_PRINT_GOLDENS"))
            std::printf("golden %s %s: 0x%016llxull\n", name, GetParam() ? "5-5-5" : "5-6-5", (unsigned long long)sum);
        EXPECT_EQ(sum, GetParam() ? golden555 : golden565) << name << std::hex << " " << sum;
    }
};
inline std::string PixelFormatName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "x555" : "x565"; }
