// The application object: Run, Quit, the terminate handler and command-line splitting.
#include "app/Application.h"

#include <cstdlib>
#include <exception>

#include "app/Orv_Log.h"
#include "app/Timer.h"

template <typename Fn>
void CApplication::Guarded(Fn fn)
{
    try {
        fn();
    } catch (const CApplicationQuit& q) {
        RaiseExitCode(q.code);
    } catch (const std::exception& e) {
        DebugOut() << "Exception : " << e.what() << std::endl;
        if (onException)
            onException.Invoke(e.what());
        RaiseExitCode(ORV_EXIT_EXCEPTION);
    } catch (...) {
        DebugOut() << "Exception : unknown" << std::endl;
        if (onException)
            onException.Invoke("unknown");
        RaiseExitCode(ORV_EXIT_EXCEPTION);
    }
}

int CApplication::Run(int count, char** args)
{
    argc = count > 0 ? count : 0;
    argv.clear();
    for (int i = 0; i < argc && args; ++i)
        argv.emplace_back(args[i] ? args[i] : "");

    running_ = true;
    exitCode_ = ORV_EXIT_QUIT;
    Guarded([this] {
        if (onStart)
            onStart.Invoke();
        Scheduler_Run();
    });
    // Every end of the run comes here: one shut-down.
    Guarded([this] { RunTerminate(); });
    running_ = false;
    return exitCode_;
}

void CApplication::Quit(int code)
{
    if (!running_) {
        RunTerminate();
        std::exit(code);
    }
    throw CApplicationQuit{code};
}

void CApplication::RaiseExitCode(int code)
{
    if (code != ORV_EXIT_QUIT)
        exitCode_ = code;
}

void CApplication::RunTerminate()
{
    // Marked first: a Quit from inside the handler must not run it again.
    if (terminated_)
        return;
    terminated_ = true;
    if (onTerminate)
        onTerminate.Invoke();
}

void CApplication::Reset()
{
    terminated_ = false;
    running_ = false;
    exitCode_ = ORV_EXIT_QUIT;
    argc = 0;
    argv.clear();
}

CApplication& TheApplication()
{
    static CApplication app;
    return app;
}

std::vector<std::string> SplitCommandLine(const std::string& line)
{
    std::vector<std::string> out;
    std::string cur;
    for (char c : line) {
        if (c == ' ' || c == '\t') {
            if (!cur.empty())
                out.push_back(std::move(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        out.push_back(std::move(cur));
    return out;
}
