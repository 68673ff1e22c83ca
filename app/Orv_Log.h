// Log file, warning and fatal-error reports, debug-output stream and trace hook.
#pragma once
#include <cstdarg>
#include <functional>
#include <ostream>
#include <streambuf>
#include <string>

// Global switch: while false nothing is appended to the log file.
extern bool g_LogEnabled;

// Empties the log file in the installation directory and writes the banner, then the warnings raised
// before the first log of the process was opened (kept until then, at most 32 and a count of the rest).
// An empty path closes the log: lines are then dropped.
void debug_log_open(const char* path);
// Tests: as if no log had been opened yet.
void debug_log_reset_for_tests();
// Name of the current log file (empty before debug_log_open).
const std::string& debug_log_path();
// Appends one line (open, append, close) while logging is on.
void debug_log(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void debug_vlog(const char* fmt, va_list ap);
// One formatted line to the log and to the debug-output stream.
void debug_printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Warning: "<<< erreur : %s >>>" in the log, "erreur: " + text on the debug-output stream.
void OrvError_Warning(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Fatal error: logged between two lines of stars, emergency save, then quit with a non-zero code.
// Returns only while another fatal report is in progress.
void OrvError_Fatal(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// True while a fatal report is running.
bool OrvError_InFatal();
// Hooks of the fatal path: the emergency save (joins when save games exist) and the quit.
void OrvError_SetEmergencySaveHook(std::function<void()> hook);
void OrvError_SetQuitHook(std::function<void(int)> hook);
// Tests: forget a fatal report so the next one runs again.
void OrvError_ResetForTests();

// Per-frame trace hook of the 3D layer: takes a text and does nothing.
void Orv_Trace(const char* text);

// Debug-output stream: buffers up to 1024 bytes a line and hands each complete line to a hook
// (stderr by default, in place of the debugger output).
class CDebugOutStream : public std::ostream {
public:
    using Hook = std::function<void(const std::string&)>;
    CDebugOutStream();
    void SetHook(Hook hook);
    void ResetHook();

private:
    class Buf : public std::streambuf {
    public:
        Hook hook;
        std::string line;
    protected:
        int overflow(int ch) override;
        int sync() override;
    private:
        void emitLine();
    };
    Buf buf_;
};
CDebugOutStream& DebugOut();
