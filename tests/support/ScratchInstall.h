// A scratch installation for a test: install directory and CD roots in a temporary directory, every debug line kept.
#pragma once
#include <string>
#include <vector>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "testdata/TempDir.h"

struct ScratchInstall {
    TempDir dir;
    std::vector<std::string> lines;

    // With cdRoots every CD reads from the directory too; withLog opens "quillmar2.log" there.
    void OpenInstall(bool cdRoots = true, bool withLog = true) {
        OrvError_ResetForTests();
        OrvFile_SetInstallDir(dir.Path());
        cd_reset();
        if (cdRoots)
            for (int cd = 1; cd <= 4; cd++) OrvFile_SetCDRoot(cd, dir.Path());
        if (withLog) debug_log_open((dir / "quillmar2.log").c_str());
        DebugOut().SetHook([this](const std::string& l) { lines.push_back(l); });
    }
    void CloseInstall() {
        DebugOut().ResetHook();
        OrvError_SetQuitHook(nullptr);
        OrvError_ResetForTests();
        debug_log_open("");
    }

    // A kept line that holds the text.
    bool Logged(const std::string& part) const {
        for (const std::string& l : lines)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }
    // A warning (with fatal, a fatal report) that holds the text.
    bool Reported(const std::string& text, bool fatal = false) const {
        const std::string prefix = fatal ? "ERREUR: " : "erreur: ";
        for (const std::string& l : lines)
            if (l.rfind(prefix, 0) == 0 && l.find(text) != std::string::npos) return true;
        return false;
    }
};
