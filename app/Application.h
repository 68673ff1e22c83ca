// The application object: handler slots, Run and Quit, and the callback objects.
#pragma once
#include <string>
#include <vector>

// An 8-byte callback object holding one function pointer.
template <typename Fn>
class Callback {
public:
    Callback() = default;
    Callback(Fn* fn) : fn_(fn) {}
    Callback Clone() const { return *this; }
    template <typename... A>
    auto Invoke(A&&... a) const { return fn_(static_cast<A&&>(a)...); }
    explicit operator bool() const { return fn_ != nullptr; }
    Fn* Get() const { return fn_; }

private:
    Fn* fn_ = nullptr;
};

class CTimer;
using TimerCallback = Callback<void(CTimer&)>;
using AppCallback = Callback<void()>;
using ExceptionCallback = Callback<void(const char* text)>;

// Thrown by CApplication::Quit to unwind to Run, which then shuts down and exits with its code.
struct CApplicationQuit {
    int code;
};

// Exit codes: how the run ended. A quit (menu, script EXIT, window close, SIGINT or SIGTERM) is 0.
enum : int {
    ORV_EXIT_QUIT = 0,
    ORV_EXIT_EXCEPTION = 1,        // an exception reached the application
    ORV_EXIT_ALREADY_RUNNING = 2,  // another instance runs on this installation
    ORV_EXIT_FATAL = 3,            // a fatal error was reported
};

class CApplication {
public:
    AppCallback onStart;        // OrvMain_OnInit
    AppCallback onTerminate;    // OnTerminate
    ExceptionCallback onException;  // OrvMain_OnException

    int argc = 0;
    std::vector<std::string> argv;

    // Runs the start handler and the scheduler, then, however they ended (quit, fatal error or an
    // escaping exception), the terminate handler once; returns the exit code.
    int Run(int argc, char** argv);
    // Leaves the start handler or the scheduler for Run's shut-down with the code; does not return.
    // Outside Run: runs the terminate handler and exits.
    [[noreturn]] void Quit(int code);
    // A failure found while shutting down: a non-zero code replaces the run's code, 0 changes nothing.
    void RaiseExitCode(int code);
    // True once the terminate handler has run.
    bool Terminated() const { return terminated_; }
    // Tests: run again from a clean state.
    void Reset();

private:
    template <typename Fn>
    void Guarded(Fn fn);
    void RunTerminate();
    bool terminated_ = false;
    bool running_ = false;
    int exitCode_ = ORV_EXIT_QUIT;
};

// The one application object.
CApplication& TheApplication();

// Splits a command line at blanks and tabs.
std::vector<std::string> SplitCommandLine(const std::string& line);
