// The application object: Run, Quit, the terminate handler and command-line splitting.
#include "app/Application.h"

#include <cstdlib>
#include <exception>

#include "app/Orv_Log.h"
#include "app/Timer.h"

namespace {
// Exit code of a run ended by an escaping exception: a crash must not look like a clean exit.
constexpr int kExceptionExitCode = 1;
}  // namespace

int CApplication::Run(int count, char** args)
{
    argc = count > 0 ? count : 0;
    argv.clear();
    for (int i = 0; i < argc && args; ++i)
        argv.emplace_back(args[i] ? args[i] : "");

    running_ = true;
    int code = 0;
    try {
        if (onStart)
            onStart.Invoke();
        Scheduler_Run();
        RunTerminate();
    } catch (const CApplicationQuit& q) {
        code = q.code;
    } catch (const std::exception& e) {
        DebugOut() << "Exception : " << e.what() << std::endl;
        if (onException)
            onException.Invoke(e.what());
        code = kExceptionExitCode;
    } catch (...) {
        DebugOut() << "Exception : unknown" << std::endl;
        if (onException)
            onException.Invoke("unknown");
        code = kExceptionExitCode;
    }
    running_ = false;
    return code;
}

void CApplication::Quit(int code)
{
    RunTerminate();
    if (!running_)
        std::exit(code);
    throw CApplicationQuit{code};
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
