// Object names and message texts of "messages.txt", and the message screen (loop type 10).
#include "world/Orv_Msg.h"

#include <algorithm>
#include <map>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "framework/Input.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "menus/Orv_Font.h"
#include "menus/TxtReader.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/ScriptText.h"

const char* const MESSAGES_FILE_NAME = "messages.txt";

namespace {
constexpr int32_t kLoopMessage = 10;
constexpr OrvColorRef kTextColour = 0x00FFFFFF;
constexpr OrvColorRef kOutline = 0x00000000;
// Darkened border around the lines.
constexpr int32_t kBackdropMargin = 10;
const char* const kFont = "OrvFT_Big_Default";

struct Texts {
    std::map<std::string, std::string> objects;  // upper-case object name -> shown name
    std::map<int32_t, std::vector<std::string>> messages;
};
Texts g_texts;

struct Screen {
    bool active = false;
    int32_t message = -1;
    int32_t previousLoop = 0;
    bool blockWaitedBefore = false;
} g_screen;

bool parse(const std::string& text, const char* what, Texts& out) {
    TxtReader reader(text);
    enum { None, Objects, Messages } section = None;
    std::vector<std::string>* current = nullptr;
    int lineNo = 0;
    while (!reader.txt_IsEnd()) {
        TxtReader lineReader;
        reader.txt_ReadLine(lineReader);
        lineNo++;
        std::string line = lineReader.str();
        std::string trimmed = Script_Trim(line);
        if (trimmed == "[Objets]" || trimmed == "[Messages]") {
            section = trimmed == "[Objets]" ? Objects : Messages;
            current = nullptr;
            continue;
        }
        if (section == Objects) {
            if (trimmed.empty() || trimmed.rfind("//", 0) == 0) continue;
            std::string name = lineReader.txt_NextToken();
            std::string shown;
            lineReader.txt_ReadRestOfLine(shown);
            if (name.empty() || shown.empty()) {
                OrvError_Warning("OrvMsg_Init() %s ligne %d : nom d'objet sans texte", what, lineNo);
                return false;
            }
            if (!out.objects.emplace(Script_Upper(name), Script_Trim(shown)).second) {
                OrvError_Warning("OrvMsg_Init() %s ligne %d : objet %s en double", what, lineNo, name.c_str());
                return false;
            }
            continue;
        }
        if (section == Messages) {
            int32_t n = -1;
            if (!trimmed.empty() && trimmed[0] == '#') {
                if (!Script_ParseInt(trimmed.substr(1), n) || n < 0) {
                    OrvError_Warning("OrvMsg_Init() %s ligne %d : numéro de message incorrect : %s", what, lineNo,
                                     trimmed.c_str());
                    return false;
                }
                auto [it, fresh] = out.messages.emplace(n, std::vector<std::string>());
                if (!fresh) {
                    OrvError_Warning("OrvMsg_Init() %s ligne %d : message %d en double", what, lineNo, n);
                    return false;
                }
                current = &it->second;
                continue;
            }
            if (!current) {
                if (trimmed.empty()) continue;
                OrvError_Warning("OrvMsg_Init() %s ligne %d : texte hors message", what, lineNo);
                return false;
            }
            if (int32_t(current->size()) >= MAX_MESSAGE_LINES) {
                OrvError_Warning("OrvMsg_Init() %s ligne %d : plus de %d lignes dans un message", what, lineNo,
                                 MAX_MESSAGE_LINES);
                return false;
            }
            current->push_back(Script_Trim(line));
            continue;
        }
        if (!trimmed.empty() && trimmed.rfind("//", 0) != 0) {
            OrvError_Warning("OrvMsg_Init() %s ligne %d : texte hors section", what, lineNo);
            return false;
        }
    }
    // Blank lines closing a message are layout, not text.
    for (auto& [n, lines] : out.messages)
        while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return true;
}

// The view (or black) and the lines. No pointer: nothing here is pointed at, and the pointer and the object
// in hand, which start at the centre where the lines are, would hide letters.
void drawScreen() {
    CSurface* render = OrvDisplay_GetRenderSurface();
    if (!render) return;
    if (OrvHooks.OrvWarp_DrawBackground) {
        Call_OrvWarp_DrawBackground();
    } else if (OrvDisplay_LockSurface()) {
        ClearSurface(*render, 0);
        OrvDisplay_UnlockSurface();
    }
    const std::vector<std::string>* lines = OrvMsg_GetMessage(g_screen.message);
    if (lines && !lines->empty()) {
        OrvFont_PrintBegin(nullptr, kFont, kTextColour);
        int32_t height = OrvFont_GetHeight();
        int32_t y = (OrvDisplay_GetRenderHeight() - height * int32_t(lines->size())) / 2;
        // The view behind the lines darkened, so that no sign or sprite of it mixes with the letters.
        int32_t widest = 0;
        for (const std::string& l : *lines) {
            OrvTextSize size;
            OrvFont_GetTextSize(l.c_str(), int32_t(l.size()), size);
            widest = std::max(widest, size.cx);
        }
        const int32_t left = (OrvDisplay_GetRenderWidth() - widest) / 2 - kBackdropMargin;
        // Drawn under the font's own lock of the render surface; a quarter of the view's light is left.
        const ClipRect backdrop{y - kBackdropMargin, y + height * int32_t(lines->size()) + kBackdropMargin - 1,
                                left + widest + 2 * kBackdropMargin - 1, left};
        if (render->pixels) DarkenRect(*render, backdrop, 2);
        for (const std::string& l : *lines) {
            OrvTextSize size;
            OrvFont_GetTextSize(l.c_str(), int32_t(l.size()), size);
            // Outlined, so that it reads over the brightest view.
            OrvFont_PrintOutlined((OrvDisplay_GetRenderWidth() - size.cx) / 2, y, l.c_str(), kTextColour, kOutline);
            y += height;
        }
        OrvFont_PrintEnd();
    }
}

void closeScreen(bool resume) {
    if (!g_screen.active) return;
    g_screen.active = false;
    Call_SetLoopType(g_screen.previousLoop);
    debug_log("OrvMsg_Close() : message %d", g_screen.message);
    // Only the block this screen made wait is resumed here.
    if (resume && !g_screen.blockWaitedBefore) Interp_ResumePending();
}
}  // namespace

bool OrvMsg_LoadText(const std::string& text, const char* what) {
    Texts fresh;
    if (!parse(text, what ? what : MESSAGES_FILE_NAME, fresh)) return false;
    g_texts = std::move(fresh);
    debug_log("OrvMsg_Init() : %zu objets, %zu messages", g_texts.objects.size(), g_texts.messages.size());
    return true;
}

bool OrvMsg_LoadFile(const char* path) {
    std::string text;
    if (!Script_ReadFile(path, "OrvMsg_Init()", text)) return false;
    return OrvMsg_LoadText(text, path);
}

bool OrvMsg_Init() {
    char path[ORV_PATH_MAX];
    build_path_loc(path, MESSAGES_FILE_NAME);
    return OrvMsg_LoadFile(path);
}

void OrvMsg_Free() {
    OrvMsg_Abort();
    g_texts = Texts();
}

std::string OrvMsg_GetObjectName(int32_t objectId) {
    std::string name = DefName_GetName(DEFNAME_OBJETS, objectId);
    auto it = g_texts.objects.find(Script_Upper(name));
    return it != g_texts.objects.end() ? it->second : name;
}

const std::vector<std::string>* OrvMsg_GetMessage(int32_t n) {
    auto it = g_texts.messages.find(n);
    return it != g_texts.messages.end() ? &it->second : nullptr;
}

bool OrvMsg_Show(int32_t n) {
    if (!OrvMsg_GetMessage(n)) {
        OrvError_Warning("OrvMsg_Show() message %d absent de %s", n, MESSAGES_FILE_NAME);
        return false;
    }
    if (g_screen.active) {
        g_screen.message = n;
        return true;
    }
    g_screen.active = true;
    g_screen.message = n;
    g_screen.blockWaitedBefore = PendingScenarioBlock.flag != 0;
    g_screen.previousLoop = Call_SetLoopType(kLoopMessage);
    MouseClickFlags.click = 0;
    KeyboardState.lastKey = 0;
    debug_log("OrvMsg_Show() : message %d", n);
    return true;
}

bool OrvMsg_IsActive() { return g_screen.active; }
int32_t OrvMsg_Current() { return g_screen.active ? g_screen.message : -1; }
bool OrvMsg_BlockWaits() { return g_screen.active && !g_screen.blockWaitedBefore && PendingScenarioBlock.flag; }

bool OrvMsg_ShowAgain(int32_t n, bool blockWaits) {
    if (!OrvMsg_Show(n)) return false;
    g_screen.blockWaitedBefore = !blockWaits;
    return true;
}

void OrvMsg_continue() {
    if (!g_screen.active) return;
    if (MouseClickFlags.click || MouseClickFlags.rightClick || KeyboardState.lastKey) {
        MouseClickFlags.click = MouseClickFlags.rightClick = 0;
        KeyboardState.lastKey = 0;
        OrvMsg_Close();
        return;
    }
    drawScreen();
}

void OrvMsg_Close() { closeScreen(true); }
void OrvMsg_Abort() { closeScreen(false); }
