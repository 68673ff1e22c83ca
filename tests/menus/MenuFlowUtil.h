// Fixture of the menu flow tests: the demo menu data, a headless 640x480 frame and a fake game behind the hooks.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "app/Clock.h"
#include "menus/Mn_Menu.h"
#include "menus/Orv_Menu.h"
#include "menus/Orv_MenuHooks.h"
#include "menus/Orv_MusikCopy.h"
#include "testdata/DemoMenus.h"
#include "tests/menus/MenuTestUtil.h"

// The game behind the menus: loop type, saves per player, scenario, music, records of the calls.
struct FakeGame {
    struct Save {
        SYSTEMTIME savedAt;
        int32_t picture;
    };
    int32_t loopType = 0;
    int32_t savePlayer = -1;
    std::map<int32_t, std::map<int32_t, Save>> saves;  // player -> slot -> save
    std::vector<std::string> calls;
    bool runInitOk = true;
    int saveOutcome = MN_SAVED;
    bool loadOk = true;
    int resume = MN_RESUME_NONE;  // what a load waiting for a CD does when the CD page closes
    bool worldLoaded = true;
    int pendingBlocks = 0;
    std::function<void()> block;  // what a pending block does when it runs
    int maxVol = 100;
    int quits = 0;
    int frames = 0;
    std::function<void()> onFrame;

    static FakeGame*& Current() {
        static FakeGame* fake = nullptr;
        return fake;
    }
    static SYSTEMTIME At(int hour) { return SYSTEMTIME{2024, 5, 0, 17, uint16_t(hour), 0, 0, 0}; }
    bool Called(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }
    static bool Record(const std::string& call) {
        Current()->calls.push_back(call);
        return true;
    }
    static std::map<int32_t, Save>& Mine() { return Current()->saves[Current()->savePlayer]; }

    void Install() {
        Current() = this;
        OrvMenuHooks& h = MenuHooks;
        h.GetLoopType = [] { return Current()->loopType; };
        h.SetLoopType = [](int32_t t) { return std::exchange(Current()->loopType, t); };
        h.Quit = [] { ++Current()->quits; };
        h.PresentFrame = [] {
            ++Current()->frames;
            if (Current()->onFrame) Current()->onFrame();
        };
        h.SaveGame_SetPlayer = [](int32_t p) { Current()->savePlayer = p; };
        h.SaveGame_ScanSlot = [](int32_t slot, SYSTEMTIME* t, int32_t* pic) {
            auto it = Mine().find(slot);
            if (it == Mine().end()) return false;
            *t = it->second.savedAt;
            *pic = it->second.picture;
            return true;
        };
        h.SaveGame_Save = [](int32_t slot) {
            Record("save " + std::to_string(slot));
            if (Current()->saveOutcome == MN_SAVED) Mine()[slot] = {At(23), 1};
            return Current()->saveOutcome;
        };
        h.SaveGame_Load = [](int32_t slot) { return Record("load " + std::to_string(slot)) && Current()->loadOk; };
        h.SaveGame_Delete = [](int32_t slot) {
            Mine().erase(slot);
            return Record("delete " + std::to_string(slot));
        };
        h.Interp_RunInit = [] { return Record("init") && Current()->runInitOk; };
        h.RunPendingBlock = [] {
            if (Current()->pendingBlocks == 0) return false;
            --Current()->pendingBlocks;
            Record("block");
            if (Current()->block) Current()->block();
            return true;
        };
        h.IsWorldLoaded = [] { return Current()->worldLoaded; };
        h.SaveGame_ResumeLoad = [] {
            if (Current()->resume != MN_RESUME_NONE) Record("resume");
            return std::exchange(Current()->resume, MN_RESUME_NONE);
        };
        h.Muzik_GetMaxVol = [] { return Current()->maxVol; };
        h.Muzik_SetMaxVol = [](int v) {
            Current()->maxVol = v;
            return true;
        };
        h.Muzik_ApplyVolume = [](int v) { Record("volume " + std::to_string(v)); };
        h.Muzik_Start = [](const char* name, int mark, int loops) {
            return Record(std::string("start ") + name + " " + std::to_string(mark) + " " + std::to_string(loops));
        };
        h.Qmv_ClearMusicFlag = [] { Record("qmv"); };
        h.Warp_StopMouseLook = [] { Record("look stop"); };
    }
};

class MenuFlowTest : public MenuScreenTest {
protected:
    static void SetUpTestSuite() {
        MenuScreenTest::SetUpTestSuite();
        static bool written = false;
        std::string error;
        // The backgrounds are not looked at: small pictures save the time of writing full frames.
        if (!written) {
            ASSERT_TRUE(DemoMenus_Write(Data().Path(), &error, 16, 12)) << error;
            written = true;
        }
    }
    // The menu data, written once for the test program.
    static TempDir& Data() {
        static TempDir dir;
        return dir;
    }

    void SetUp() override {
        OrvMenuHooks_Reset();
        MusikCopy_Reset();
        game.Install();
        MenuScreenTest::SetUp();
        OrvFile_SetInstallDir(Data().Path());
        OrvFont_MainInit();
        OrvMenu_MainInit();
        ASSERT_TRUE(lines.empty()) << lines.front();
    }

    void TearDown() override {
        OrvMenu_MainClose();
        MenuState = ST_MenuState{};
        EXPECT_EQ(OrvDisplay_GetLockCount(), 0) << "the menus must leave the render surface unlocked";
        OrvFont_RemoveFonts();
        MenuScreenTest::TearDown();
        OrvMenuHooks_Reset();
        FakeGame::Current() = nullptr;
    }

    // Makes a fresh installation current, sharing the suite's pictures and banks.
    static void UseInstall(const TempDir& own) {
        std::filesystem::create_directory_symlink(Data().Path() + "spr", own.Path() + "spr");
        std::filesystem::create_directories(own.Path() + "loc");
        std::filesystem::create_directories(own.Path() + "music");
        OrvFile_SetInstallDir(own.Path());
    }

    // One menu pass with the mouse at (x, y), clicking or not.
    void Pass(int x, int y, bool click = false) {
        MousePosition.x = x;
        MousePosition.y = y;
        MouseClickFlags.click = click ? 1 : 0;
        OrvMenu_continue();
    }
    void Click(int x, int y) { Pass(x, y, true); }
    void Passes(int n) {
        for (int i = 0; i < n; ++i) Pass(5, 5);
    }

    CMnMenu* Page() const { return MenuState.page; }
    CMnWidget* Widget(const std::string& name) const { return Page() ? Page()->FindWidget(name) : nullptr; }
    std::string Title() const { return Page() ? Page()->GetTitle() : std::string("(none)"); }
    static std::string Text(int list, int line) { return OrvMenu_Text(list, line); }

    FakeGame game;
};
