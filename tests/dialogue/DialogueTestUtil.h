// Fixture of the dialogue tests: an installation in a scratch directory and the reports it gives.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Clock.h"
#include "app/Cpu.h"
#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Random.h"
#include "dialogue/dlg_Dialog.h"
#include "dialogue/dlg_Script.h"
#include "audio/Orv_Sound.h"
#include "audio/SysSnd.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Font.h"
#include "testdata/DialogueWriter.h"
#include "testdata/MenuTextWriter.h"
#include "testdata/ScriptWriter.h"
#include "testdata/TempDir.h"
#include "tests/support/ForcedProcessorKind.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"

// A character of the scripts.
inline DlgPersoDesc Perso(const std::string& name, const std::string& mesh = "")
{
    DlgPersoDesc p;
    p.name = name;
    p.mesh = mesh;
    return p;
}

class DialogueTest : public ::testing::Test {
protected:
    // The faces are drawn by the portable vertex stages and rows, as the stored pictures were.
    ForcedProcessorKind portable{CPU_GENERIC};
    TempDir dir;
    // Every line of the debug-output stream: warnings begin "erreur: ", fatal errors "ERREUR: ".
    std::vector<std::string> lines;

    void SetUp() override
    {
        OrvError_ResetForTests();
        // A fatal error returns to the code that reported it; the next one is reported again.
        OrvError_SetQuitHook([](int) { OrvError_ResetForTests(); });
        DebugOut().SetHook([this](const std::string& l) { lines.push_back(l); });
        OrvFile_SetInstallDir(dir.Path());
        for (int cd = 1; cd <= 4; ++cd) OrvFile_SetCDRoot(cd, dir.Path());
        cd_init();
        for (const char* d : {"scenar", "loc", "datas_q2/3d/dial", "datas_q2/ksn/dial"})
            std::filesystem::create_directories(dir.Path() + d);
        dlg_Dialog::UnloadScript();
        orv_srand(1);
    }
    void TearDown() override
    {
        dialog.reset();
        dlg_Dialog::UnloadScript();
        DebugOut().ResetHook();
        OrvError_SetQuitHook(nullptr);
        OrvError_ResetForTests();
    }

    std::string Dir3D() const { return dir.Path() + "datas_q2/3d/dial/"; }
    std::vector<std::string> Reports(const char* head) const
    {
        std::vector<std::string> out;
        for (const std::string& l : lines)
            if (l.rfind(head, 0) == 0) out.push_back(l.substr(std::string(head).size()));
        return out;
    }
    std::vector<std::string> Warnings() const { return Reports("erreur: "); }
    std::vector<std::string> Fatals() const { return Reports("ERREUR: "); }
    // Lines holding the text.
    int CountLogged(const std::string& text) const
    {
        int n = 0;
        for (const std::string& l : lines) n += l.find(text) != std::string::npos;
        return n;
    }
    bool Logged(const std::string& text) const { return CountLogged(text) > 0; }

    std::unique_ptr<dlg_Dialog> dialog;
    // Dialogue n of the world IR's scripts, built after seeding the generator.
    dlg_Dialog& Build(const DlgScriptDesc& desc, uint32_t n = 12, uint32_t seed = 1)
    {
        EXPECT_TRUE(DlgScript_Save(dir.Path(), "IR", desc));
        dlg_Dialog::LoadScript("dialIR.txt", "comIR.txt", "infoIR.txt");
        dialog = std::make_unique<dlg_Dialog>();
        orv_srand(seed);
        dialog->Initialise(n);
        return *dialog;
    }
};

// The dialogue on screen: a headless 640x480 window and its display, the sprite plug-in, the fonts, name
// definitions and the scenario's state, sound on the offline device and a manual clock.
class DialogueScreenTest : public DialogueTest {
protected:
    static void SetUpTestSuite()
    {
        setenv("QM_HEADLESS", "1", 1);
        unsetenv("QM_PIXEL555");
        ASSERT_TRUE(OrvSpr_MainInit());
    }
    static void TearDownTestSuite() { OrvSpr_MainClose(); }

    Velkrum::CDirectDrawWindow window;
    std::unique_ptr<CTManualClock> clock;
    DefNamesDesc names;

    void SetUp() override
    {
        DialogueTest::SetUp();
        config_reset();
        Input_Reset();
        frame_timer_reset();
        OrvHooks_Reset();
        clock = std::make_unique<CTManualClock>(100.0);
        debug_log_open((dir / "quillmar2.log").c_str());
        window.Open(640, 480, false);
        ASSERT_TRUE(OrvDisplay_Init(&window));
        OrvSpr_SetScreenFormat(window.GetPixelFormat());
        const std::string ttf = ReadFileText(ORV_FALLBACK_FONT_FILE);
        ASSERT_TRUE(WriteFileBytes(dir / "loc/Sans.ttf", ttf.data(), ttf.size()));
        WriteFonts(false);
        names.personnages = {"PERSONNE", "GARDIEN", "VEILLEUR", "SCRIBE"};
        names.objets = {"RIEN 0", "PARCHEMIN 1", "GARDIEN 2"};
        names.sujets = {"AUCUN 0 0", "SALUT 3", "TEMPLE 5", "CIEL 7", "ETOILE 9", "BONJOUR 3"};
        for (int n = 1; n <= 16; ++n) names.sujets.push_back("S" + std::to_string(n) + " " + std::to_string(10 + n));
        names.variables = DefNames_EngineVariables();
        names.zones = {"AUCUNE"};
        ASSERT_TRUE(DefName_LoadText(DefNames_Make(names), "test"));
        Interp_Init();
        SysSnd_SelectDriver(SysSndDriver::Offline);
        ASSERT_TRUE(OrvSound_MainInit());
    }
    void TearDown() override
    {
        dialog.reset();
        OrvSound_MainClose();
        SysSnd_SelectDriver(SysSndDriver::Sdl);
        Interp_Free();
        DefName_Free();
        OrvFont_RemoveFonts();
        while (OrvDisplay_GetLockCount() > 0) OrvDisplay_UnlockSurface();
        OrvDisplay_Close();
        window.Close();
        clock.reset();
        OrvHooks_Reset();
        Input_Reset();
        frame_timer_reset();
        config_reset();
        debug_log_open("");
        DialogueTest::TearDown();
    }
    // Lines of the log holding the text.
    int CountInLog(const std::string& text) const
    {
        const std::string log = ReadFileText(dir / "quillmar2.log");
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    }

    // "Font.txt" of the four fonts, the blank and the comma as partition characters.
    void WriteFonts(bool mbcs)
    {
        OrvFont_RemoveFonts();
        ASSERT_TRUE(WriteFileText(dir / "loc/Font.txt", FontTxt_Make(FontTxt_StandardBlocks("Sans.ttf"), {0x20, 0x2C}, mbcs)));
        OrvFont_MainInit();
    }
    // The offline device plays that many seconds.
    static void Play(double seconds)
    {
        std::vector<int16_t> out(2048 * 2);
        for (int left = int(seconds * 22050); left > 0; left -= 2048) SysSnd_OfflineRender(out.data(), std::min(left, 2048));
    }
    // The render surface's pixel as 0xAARRGGBB.
    static uint32_t Pixel(int x, int y)
    {
        CSurface& s = *OrvDisplay_GetRenderSurface();
        uint16_t v;
        std::memcpy(&v, s.Row(y) + 2 * x, 2);
        return UnpackColor(s.format, v);
    }
    static void Clear(uint32_t argb)
    {
        ASSERT_TRUE(OrvDisplay_LockSurface());
        ClearSurface(*OrvDisplay_GetRenderSurface(), PackColor(OrvDisplay_GetRenderSurface()->format, argb));
        OrvDisplay_UnlockSurface();
    }
    // FNV-1a of the render surface.
    static uint64_t Checksum()
    {
        CSurface& s = *OrvDisplay_GetRenderSurface();
        uint64_t h = 1469598103934665603ull;
        for (int y = 0; y < s.height; ++y)
            for (int i = 0; i < s.width * 2; ++i) h = (h ^ s.Row(y)[i]) * 1099511628211ull;
        return h;
    }
};
