// Test helper: collects the lines written to the debug-output stream while it lives.
#pragma once
#include <string>
#include <vector>

#include "app/Orv_Log.h"

class WarningCapture {
public:
    WarningCapture() { DebugOut().SetHook([this](const std::string& l) { lines.push_back(l); }); }
    ~WarningCapture() { DebugOut().ResetHook(); }
    WarningCapture(const WarningCapture&) = delete;
    WarningCapture& operator=(const WarningCapture&) = delete;

    // True when a warning line holds the text.
    bool Warned(const std::string& text) const
    {
        for (const auto& l : lines)
            if (l.rfind("erreur: ", 0) == 0 && l.find(text) != std::string::npos) return true;
        return false;
    }

    std::vector<std::string> lines;
};
