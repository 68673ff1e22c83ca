// Test fixture of the world model: a scratch installation, captured reports, state reset after each test.
#pragma once
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "testdata/DemoWorld.h"
#include "tests/support/ScratchInstall.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/OrvSaveGame.h"
#include "world/Orv_Msg.h"
#include "world/World.h"
#include "world/wam.h"

class WorldTest : public ::testing::Test, protected ScratchInstall {
protected:
    int fatals = 0;

    void SetUp() override {
        OpenInstall();
        WriteFileText(dir / cd_probe_name(1), "cd1");
        OrvError_SetQuitHook([this](int) { fatals++; });
        OrvHooks_Reset();
    }

    void TearDown() override {
        OrvWorld_Close();
        Interp_ClearCommands();
        OrvHooks_Reset();
        OrvError_SetEmergencySaveHook(nullptr);
        CloseInstall();
    }

    void ForgetReports() {
        lines.clear();
        fatals = 0;
        OrvError_ResetForTests();
    }

    // The demo installation, started up as the program does.
    void StartDemo() {
        ASSERT_TRUE(DemoWorld_Write(dir.Path()));
        ASSERT_TRUE(OrvWorld_Init());
    }
    // Loads name definitions given as text, and sizes the interpreter on them.
    void UseDefNames(const DefNamesDesc& d) {
        ASSERT_TRUE(DefName_LoadText(DefNames_Make(d), "test"));
        Interp_Init();
    }
    // Installs a chapter script written by the test as chapter n.
    bool UseChapter(const std::string& text, int n = 1) {
        char name[32];
        std::snprintf(name, sizeof name, "scenar/chapi%03d.con", n);
        WriteFileText(dir / name, text);
        return Interp_LoadChapter(n);
    }
    // Performs the pending view jump and checks it landed.
    void Jump() { ASSERT_EQ(OrvWam_DoJump(nullptr), WAM_JUMP_DONE); }

    static int32_t Var(const char* name) { return Interp_ReadVar(name); }
    // Values of the variables named in a list separated by blanks, as "v1 v2 ...".
    static std::string Vars(const std::string& names) {
        std::istringstream in(names);
        std::string name, out;
        while (in >> name) out += (out.empty() ? "" : " ") + std::to_string(Interp_ReadVar(name.c_str()));
        return out;
    }
};
