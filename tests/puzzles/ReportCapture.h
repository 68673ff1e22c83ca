// The warnings and fatal reports of a test, taken from the debug output; a fatal report returns to the
// test, and the next one is reported too.
#pragma once
#include <string>
#include <vector>

#include "app/Orv_Log.h"

struct ReportCapture {
    std::vector<std::string> warnings, fatals, lines;  // lines: the whole debug output

    void Start() {
        OrvError_ResetForTests();
        DebugOut().SetHook([this](const std::string& l) {
            lines.push_back(l);
            if (l.rfind("erreur: ", 0) == 0) warnings.push_back(l.substr(8));
            if (l.rfind("ERREUR: ", 0) == 0) fatals.push_back(l.substr(8));
        });
        OrvError_SetQuitHook([](int) { OrvError_ResetForTests(); });
    }
    void Stop() {
        OrvError_SetQuitHook(nullptr);
        DebugOut().ResetHook();
        OrvError_ResetForTests();
    }
    // Every report on its own line, fatal ones first, but those holding one of the texts left out.
    std::string Text(const std::vector<std::string>& leftOut = {}) const {
        std::string all;
        for (const auto* list : {&fatals, &warnings})
            for (const std::string& l : *list) {
                bool keep = true;
                for (const std::string& s : leftOut) keep = keep && l.find(s) == std::string::npos;
                if (keep) all += l + "\n";
            }
        return all;
    }
};
