// Test helpers: scoped environment variables, warning capture and running code inside CApplication::Run.
#pragma once
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Orv_Log.h"

// Sets (or, with null, removes) a variable for the scope and restores the old value after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str()); }

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Collects the debug-output lines (warnings arrive there as "erreur: ...").
struct WarningLines {
    std::vector<std::string> lines;
    WarningLines() { DebugOut().SetHook([this](const std::string& l) { lines.push_back(l); }); }
    ~WarningLines() { DebugOut().ResetHook(); }
    bool Contains(const std::string& part) const
    {
        for (const std::string& l : lines)
            if (l.find(part) != std::string::npos)
                return true;
        return false;
    }
};

// Runs body() as the start handler of CApplication::Run. A body that returns instead of quitting
// ends the run through an exception, so the result then is the exception exit code, not 0.
struct RunResult {
    int code;
    bool terminated;
};
inline void (*g_runBody)() = nullptr;
inline RunResult RunInsideApplication(void (*body)())
{
    CApplication& app = TheApplication();
    app.Reset();
    g_runBody = body;
    app.onStart = AppCallback(+[] {
        g_runBody();
        throw std::runtime_error("returned without quitting");
    });
    char name[] = "test";
    char* argv[] = {name};
    const int code = app.Run(1, argv);
    RunResult r{code, app.Terminated()};
    app.onStart = AppCallback();
    app.Reset();
    return r;
}
