// Log file, warning and fatal-error reports, debug-output stream and trace hook.
#include "app/Orv_Log.h"

#include <cstdio>
#include <ctime>
#include <vector>

#include "app/Application.h"

bool g_LogEnabled = true;

namespace {
// Function-local objects: static constructors of other files may log before this file's globals exist.
std::string& logPath() {
    static std::string* p = new std::string();
    return *p;
}
bool g_inFatal = false;
std::function<void()>& emergencySave() {
    static auto* f = new std::function<void()>();
    return *f;
}
std::function<void(int)>& quitHook() {
    static auto* f = new std::function<void(int)>();
    return *f;
}

std::string vformat(const char* fmt, va_list ap) {
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n < 0) return std::string(fmt);
    std::vector<char> buf(size_t(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, ap);
    return std::string(buf.data(), size_t(n));
}

// Warnings raised before the program's log exists (during static construction, or before start-up
// opens it) wait for it; a bounded number, the rest counted.
constexpr size_t kMaxHeld = 32;
struct Held {
    bool logOpened = false;
    std::vector<std::string> lines;
    size_t dropped = 0;
};
Held& held() {
    static auto* h = new Held();
    return *h;
}

void writeLine(const std::string& text) {
    // Open, append, close: the log stays complete whatever happens next.
    FILE* f = std::fopen(logPath().c_str(), "ab");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fputc('\n', f);
    std::fclose(f);
}

void appendLine(const std::string& text, bool holdUntilOpen = false) {
    if (!g_LogEnabled) return;
    if (!logPath().empty()) {
        writeLine(text);
        return;
    }
    Held& h = held();
    if (!holdUntilOpen || h.logOpened) return;
    if (h.lines.size() < kMaxHeld) h.lines.push_back(text);
    else h.dropped++;
}

void writeHeld() {
    Held& h = held();
    h.logOpened = true;
    for (const std::string& line : h.lines) writeLine(line);
    if (h.dropped) writeLine("<<< erreur : " + std::to_string(h.dropped) + " avertissements de plus avant le journal >>>");
    h.lines.clear();
    h.dropped = 0;
}
}  // namespace

void debug_log_open(const char* path) {
    logPath() = path ? path : "";
    if (logPath().empty()) return;
    FILE* f = std::fopen(logPath().c_str(), "wb");
    if (!f) {
        DebugOut() << "erreur: cannot create log " << logPath() << std::endl;
        logPath().clear();
        return;
    }
    std::fclose(f);
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char date[32], hour[32];
    std::strftime(date, sizeof date, "%d/%m/%Y", &tm);
    std::strftime(hour, sizeof hour, "%H:%M:%S", &tm);
    debug_log("****** Quillmar2.Log - %s - %s ****************", date, hour);
    writeHeld();
}

const std::string& debug_log_path() { return logPath(); }

void debug_log_reset_for_tests() {
    logPath().clear();
    held() = Held();
}

void debug_vlog(const char* fmt, va_list ap) { appendLine(vformat(fmt, ap)); }

void debug_log(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    debug_vlog(fmt, ap);
    va_end(ap);
}

void debug_printf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string text = vformat(fmt, ap);
    va_end(ap);
    appendLine(text);
    DebugOut() << text << std::endl;
}

void OrvError_Warning(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string text = vformat(fmt, ap);
    va_end(ap);
    appendLine("<<< erreur : " + text + " >>>", true);
    DebugOut() << "erreur: " << text << std::endl;
}

void OrvError_Fatal(const char* fmt, ...) {
    if (g_inFatal) return;
    g_inFatal = true;
    va_list ap;
    va_start(ap, fmt);
    std::string text = vformat(fmt, ap);
    va_end(ap);
    const std::string stars(60, '*');
    appendLine(stars, true);
    appendLine("<<< ERREUR : " + text + " >>>", true);
    appendLine(stars, true);
    DebugOut() << "ERREUR: " << text << std::endl;
    if (emergencySave()) emergencySave()();
    if (quitHook()) quitHook()(ORV_EXIT_FATAL);
    // No quit path installed (a unit test or a tool): the caller returns its failure.
}

bool OrvError_InFatal() { return g_inFatal; }
void OrvError_SetEmergencySaveHook(std::function<void()> hook) { emergencySave() = std::move(hook); }
void OrvError_SetQuitHook(std::function<void(int)> hook) { quitHook() = std::move(hook); }
void OrvError_ResetForTests() { g_inFatal = false; }

void Orv_Trace(const char*) {}

int CDebugOutStream::Buf::overflow(int ch) {
    if (ch == traits_type::eof()) return 0;
    if (ch == '\n') {
        emitLine();
    } else {
        line.push_back(char(ch));
        // The stream's line buffer holds 1024 bytes: a longer line goes out in pieces.
        if (line.size() >= 1023) emitLine();
    }
    return ch;
}

int CDebugOutStream::Buf::sync() { return 0; }

void CDebugOutStream::Buf::emitLine() {
    if (hook) {
        hook(line);
    } else {
        // C's stderr, not std::cerr: it exists before any static constructor runs.
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fputc('\n', stderr);
    }
    line.clear();
}

CDebugOutStream::CDebugOutStream() : std::ostream(nullptr) { rdbuf(&buf_); }
void CDebugOutStream::SetHook(Hook hook) { buf_.hook = std::move(hook); }
void CDebugOutStream::ResetHook() { buf_.hook = nullptr; }

CDebugOutStream& DebugOut() {
    static CDebugOutStream* s = new CDebugOutStream();  // outlives every static destructor that may still log
    return *s;
}
