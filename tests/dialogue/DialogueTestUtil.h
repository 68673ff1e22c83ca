// Fixture of the dialogue tests: an installation in a scratch directory and the reports it gives.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Random.h"
#include "dialogue/dlg_Dialog.h"
#include "dialogue/dlg_Script.h"
#include "testdata/DialogueWriter.h"
#include "testdata/TempDir.h"

class DialogueTest : public ::testing::Test {
protected:
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
};
