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

// Thrown by CApplication::Quit to unwind to Run, which then exits with its code.
struct CApplicationQuit {
    int code;
};

class CApplication {
public:
    AppCallback onStart;        // OrvMain_OnInit
    AppCallback onTerminate;    // OnTerminate
    ExceptionCallback onException;  // OrvMain_OnException

    int argc = 0;
    std::vector<std::string> argv;

    // Runs start handler, scheduler and terminate handler; returns the exit code.
    int Run(int argc, char** argv);
    // Runs the terminate handler (once) and leaves Run with the code; does not return.
    [[noreturn]] void Quit(int code);
    // True once the terminate handler has run.
    bool Terminated() const { return terminated_; }
    // Tests: run again from a clean state.
    void Reset();

private:
    void RunTerminate();
    bool terminated_ = false;
    bool running_ = false;
};

// The one application object.
CApplication& TheApplication();

// Splits a command line at blanks and tabs.
std::vector<std::string> SplitCommandLine(const std::string& line);
