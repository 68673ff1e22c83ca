// Fixture of the view-puzzle tests: a generated installation, the program's modules and links, a manual
// clock, injected input, and the scenario commands recorded.
#pragma once
#include <cmath>
#include <filesystem>

#include "app/Clock.h"
#include "app/Timer.h"
#include "audio/Orv_Muzik.h"
#include "graphics2d/PixelFormat.h"
#include "menus/Orv_MenuHooks.h"
#include "panorama/Orv_Spw.h"
#include "puzzles/pz_baton.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_merle.h"
#include "testdata/PuzzleViews.h"
#include "tests/puzzles/PuzzleHarness.h"

constexpr float kQuarter = 3.14159265f / 2;

class ViewPuzzleTest : public PuzzleHarness {
protected:
    // The view the new game starts in, and the chapter's first initialisation commands.
    virtual uint32_t StartView() const = 0;
    virtual std::vector<std::string> StartCommands() const { return {}; }

    void SetUp() override {
        PuzzleHarness::SetUp();
        // The installation is written once and copied: writing its sprites takes long under the sanitizers.
        static TempDir installation;
        static bool written = false;
        if (!written) {
            std::string error;
            ASSERT_TRUE(PuzzleViews_Write(installation.Path(), 16, &error)) << error;
            written = true;
        }
        std::filesystem::copy(installation.Path(), dir.Path(),
                              std::filesystem::copy_options::recursive | std::filesystem::copy_options::skip_existing);
        ASSERT_TRUE(WriteFileText(dir / "scenar/chapi001.con", PuzzleViews_Chapter1(StartView(), StartCommands())));
        Input_SetMouseBounds(640, 480);
        ASSERT_TRUE(OrvMuzik_MainInit());
        StartModules();
        RecordWords({"NewSound", "dial"});
        OrvSaveGame_SetPlayer(0);
        frame_timer_start();
        // The program's new game: puzzles and subject lists afresh, the chapter's start, its first view.
        ASSERT_TRUE(MenuHooks.Interp_RunInit());
        ASSERT_NE(OrvWam_CurrentVue, nullptr);
        reports.lines.clear();
    }
    void CloseModules() override {
        // The blackbirds keep their sounds until their view is left, the rod its bank until lowered.
        if (pz_vue_is("IR", 73)) pz_merle_quit();
        pz_baton_down();
        Scheduler_Clear();
        PuzzleHarness::CloseModules();
        OrvMuzik_MainClose();
    }

    // One pass of the main loop, 1/60 s after the last; a click is injected first when asked.
    void Pass(bool click = false) {
        clock.Advance(1.0 / 60.0);
        Scheduler_RunPass(clock.Now());
        if (click) InjectClick();
        DXDispatch();
        OrvMain_LoopFrame();
    }
    void Passes(int n) {
        for (int i = 0; i < n; i++) Pass();
    }
    // Turns the view to (yaw, pitch), stops it there and clicks in the next pass.
    void ClickAt(float yaw, float pitch = 0.0f) {
        OrvWarp_SetViewAngles(yaw, pitch);
        warp_stop_rotation();
        Pass(true);
    }
    void Look(float yaw, float pitch = 0.0f) {
        OrvWarp_SetViewAngles(yaw, pitch);
        warp_stop_rotation();
    }
    // A view of the loaded world, entered as a move zone would (the jump runs at the end of a pass).
    void GoTo(uint32_t vue) {
        OrvWam_RequestVue(vue);
        Pass();
        ASSERT_EQ(pz_vue_id(), vue);
    }

    // The view-sprite slot of an element of the current view.
    static ST_spw_visible* Slot(const char* name, int32_t kind = WAM_OBJET) {
        const int section = kind % 2 ? DEFNAME_PERSONNAGES : DEFNAME_OBJETS;
        return pz_slot(OrvSpw_FindSlot(DefName_GetIdName(section, name), kind));
    }
    // The render surface's pixel at (x, y), as 0xAARRGGBB in the surface's format, and a colour packed
    // the same way.
    static uint32_t Pixel(int32_t x, int32_t y) {
        CSurface* s = OrvDisplay_GetRenderSurface();
        return reinterpret_cast<const uint16_t*>(s->Row(y))[x];
    }
    static uint32_t Packed(uint32_t argb) { return PackColor(OrvDisplay_GetRenderSurface()->format, argb); }

    // Replaces "monde.wam" with the description and enters one of its views.
    void ReloadWorld(const WamFileDesc& desc, uint32_t vue) {
        ASSERT_TRUE(WamWriter_Save(dir / (std::string("wam/") + PUZZLE_WAM), desc));
        ASSERT_TRUE(wam_load_game(PUZZLE_WAM));
        OrvWam_SetCurrentVue(OrvWam_FindVue(vue));
        ASSERT_TRUE(OrvWarp_start());
    }

    std::vector<std::string>& Commands() { return commands; }

    // True when a warning (or, with fatal, a fatal report) holds the text.
    bool Reported(const std::string& text, bool fatal = false) const {
        const std::string prefix = fatal ? "ERREUR: " : "erreur: ";
        for (const std::string& l : lines)
            if (l.rfind(prefix, 0) == 0 && l.find(text) != std::string::npos) return true;
        return false;
    }

    CTManualClock clock{100.0};
    std::vector<std::string>& lines = reports.lines;
};
