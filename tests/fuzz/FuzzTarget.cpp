// Fuzz targets of the data-file readers: registry, scratch installation and shared helpers.
#include "tests/fuzz/FuzzTarget.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Font.h"
#include "testdata/DemoWorld.h"
#include "testdata/MenuTextWriter.h"
#include "testdata/TempDir.h"
#include "world/World.h"

namespace {

const char kPartSeparator[] = "\n==qm-fuzz-part==\n";
constexpr size_t kPartSeparatorSize = sizeof kPartSeparator - 1;

std::vector<FuzzTarget>& Registry() {
    static auto* targets = new std::vector<FuzzTarget>();
    return *targets;
}

// Set once and kept for the whole process: the readers keep pointers into these.
TempDir* g_dir = nullptr;
Velkrum::CDirectDrawWindow* g_window = nullptr;

}  // namespace

bool Fuzz_Register(const FuzzTarget& target) {
    Registry().push_back(target);
    return true;
}

const std::vector<FuzzTarget>& Fuzz_Targets() { return Registry(); }

const FuzzTarget* Fuzz_Find(const std::string& name) {
    for (const FuzzTarget& t : Registry())
        if (name == t.name) return &t;
    return nullptr;
}

void Fuzz_Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

void Fuzz_Begin() {
    static bool begun = false;
    if (begun) return;
    begun = true;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("QM_HEADLESS", "1", 1);
    unsetenv("QM_PIXEL555");
    setenv("QM_PLUGIN_DIR", QM_FUZZ_PLUGIN_DIR, 0);
    // Millions of inputs: reports go nowhere, and there is no log file.
    debug_log_open("");
    DebugOut().SetHook([](const std::string&) {});
}

bool Fuzz_RunOne(const FuzzTarget& target, const uint8_t* data, size_t size) {
    const bool accepted = target.run(data, size);
    Fuzz_Check(OrvFile_OpenCount() == 0, "a file handle stayed open");
    OrvError_ResetForTests();
    return accepted;
}

const std::string& Fuzz_Dir() {
    if (!g_dir) {
        g_dir = new TempDir();
        OrvFile_SetInstallDir(g_dir->Path());
        for (int cd = 1; cd <= 4; cd++) {
            OrvFile_SetCDRoot(cd, g_dir->Path());
            Fuzz_WriteFile(cd_probe_name(cd), "cd", 2);
        }
        cd_init();
    }
    return g_dir->Path();
}

std::string Fuzz_Path(const std::string& relative) { return Fuzz_Dir() + relative; }

void Fuzz_WriteFile(const std::string& relative, const void* data, size_t size) {
    Fuzz_Check(WriteFileBytes(Fuzz_Path(relative), data, size), "cannot write a scratch file");
}

FuzzBytes Fuzz_ReadFile(const std::string& path) {
    const std::string text = ReadFileText(path);
    return FuzzBytes(text.begin(), text.end());
}

FuzzBytes Fuzz_Text(const std::string& text) { return FuzzBytes(text.begin(), text.end()); }

FuzzBytes Fuzz_SizedFile(const uint8_t* data, size_t size, size_t sizeField) {
    if (size == 0) return {};
    FuzzBytes file(data + 1, data + size);
    if ((data[0] & 1) && file.size() >= sizeField + 4)
        for (int i = 0; i < 4; i++) file[sizeField + size_t(i)] = uint8_t(file.size() >> (8 * i));
    return file;
}

FuzzBytes Fuzz_AsIs(const FuzzBytes& file) {
    FuzzBytes input{0};
    input.insert(input.end(), file.begin(), file.end());
    return input;
}

std::vector<FuzzPart> Fuzz_Split(const uint8_t* data, size_t size, size_t count) {
    std::vector<FuzzPart> parts;
    const uint8_t* end = data + size;
    const uint8_t* p = data;
    while (parts.size() + 1 < count) {
        const void* hit = size_t(end - p) >= kPartSeparatorSize ? memmem(p, size_t(end - p), kPartSeparator, kPartSeparatorSize)
                                                               : nullptr;
        if (!hit) break;
        const auto* at = static_cast<const uint8_t*>(hit);
        parts.push_back(FuzzPart{p, size_t(at - p)});
        p = at + kPartSeparatorSize;
    }
    parts.push_back(FuzzPart{p, size_t(end - p)});
    while (parts.size() < count) parts.push_back(FuzzPart{end, 0});
    return parts;
}

FuzzBytes Fuzz_Join(const std::vector<FuzzBytes>& parts) {
    FuzzBytes out;
    for (size_t i = 0; i < parts.size(); i++) {
        if (i) out.insert(out.end(), kPartSeparator, kPartSeparator + kPartSeparatorSize);
        out.insert(out.end(), parts[i].begin(), parts[i].end());
    }
    return out;
}

void Fuzz_UseDisplay() {
    if (g_window) return;
    Fuzz_Dir();
    g_window = new Velkrum::CDirectDrawWindow();
    g_window->Open(640, 480, false);
    Fuzz_Check(OrvDisplay_Init(g_window), "no display");
}

void Fuzz_UseSprites() {
    static bool done = false;
    if (done) return;
    done = true;
    Fuzz_Dir();
    Fuzz_Check(OrvSpr_MainInit(), "no sprite plug-in");
    OrvSpr_SetScreenFormat(PixelFormatOf(PFID_R5G6B5));
}

void Fuzz_UseFonts() {
    static bool done = false;
    if (done) return;
    done = true;
    const std::string ttf = ReadFileText(ORV_FALLBACK_FONT_FILE);
    Fuzz_WriteFile("loc/Sans.ttf", ttf.data(), ttf.size());
    const std::string fonts = FontTxt_Make(FontTxt_StandardBlocks("Sans.ttf"), {}, false);
    Fuzz_WriteFile("loc/Font.txt", fonts.data(), fonts.size());
    OrvFont_MainInit();
}

void Fuzz_UseWorld() {
    static bool done = false;
    if (done) return;
    done = true;
    Fuzz_UseSprites();
    std::string error;
    Fuzz_Check(DemoWorld_Write(Fuzz_Dir(), &error), "cannot write the demo world");
    Fuzz_Check(OrvWorld_Init(), "the demo world does not start");
    OrvError_SetEmergencySaveHook(nullptr);
}
