// The scenario interpreter: variables, flags, clocks, chapters, element visibility, world change.
#include "world/Interp.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/FrameTimer.h"
#include "app/Orv_Log.h"
#include "app/Random.h"
#include "world/ChapterScript.h"
#include "world/Hooks.h"
#include "world/Inventaire.h"
#include "world/ScriptText.h"
#include "world/wam.h"

int32_t Interp_Variables[MAX_VARIABLES];
int32_t Interp_Flags[MAX_FLAGS];
int32_t quitqu2 = 0;
ST_PendingBlock PendingScenarioBlock = {0, INTERP_NO_BLOCK};

namespace {
std::unique_ptr<ChapterScript> g_script;
std::vector<uint8_t> g_persoHidden;
std::vector<uint8_t> g_objetHidden;

std::vector<uint8_t>* elemTable(int32_t kind) {
    if (kind < 1 || kind > 4) return nullptr;
    return kind % 2 ? &g_persoHidden : &g_objetHidden;
}

void setElem(int32_t id, int32_t kind, int32_t anim, bool hidden, const char* who) {
    std::vector<uint8_t>* table = elemTable(kind);
    if (!table || id < 0 || size_t(id) >= table->size()) {
        OrvError_Warning("%s() élément %d de type %d inconnu", who, id, kind);
        return;
    }
    (*table)[size_t(id)] = hidden ? 1 : 0;
    if (anim == 0) Call_OrvSpw_UpdateElem(id, kind, !hidden);
}

// World codes whose dialogue scripts are loaded on arrival, with their world number and subject bank.
struct DialWorld {
    const char* code;
    int32_t number;
    const char* bank;
};
const DialWorld kDialWorlds[] = {
    {"IR", 1, "sujeire.spr"}, {"YU", 2, "sujyuc.spr"}, {"CH", 3, "sujchine.spr"},
    {"SH", 4, "sujshamb.spr"}, {"TI", 5, "sujtibet.spr"},
};
}  // namespace

int32_t Interp_GetEngineVar(int var) {
    if (var < 0 || var >= DefName_NbEngineVariables) return 0;
    int32_t i = DefName_FindId(DEFNAME_VARIABLES, DefName_EngineVariables[var]);
    return i >= 0 ? Interp_Variables[i] : 0;
}

void Interp_SetEngineVar(int var, int32_t value) {
    if (var < 0 || var >= DefName_NbEngineVariables) return;
    int32_t i = DefName_FindId(DEFNAME_VARIABLES, DefName_EngineVariables[var]);
    if (i >= 0) Interp_Variables[i] = value;
}

void Interp_ResetState() {
    std::memset(Interp_Variables, 0, sizeof Interp_Variables);
    std::memset(Interp_Flags, 0, sizeof Interp_Flags);
    std::fill(g_persoHidden.begin(), g_persoHidden.end(), 0);
    std::fill(g_objetHidden.begin(), g_objetHidden.end(), 0);
    PendingScenarioBlock = {0, INTERP_NO_BLOCK};
    Interp_ClearQueue();
    quitqu2 = 0;
}

void Interp_Init() {
    g_persoHidden.assign(size_t(DefName_GetCount(DEFNAME_PERSONNAGES)), 0);
    g_objetHidden.assign(size_t(DefName_GetCount(DEFNAME_OBJETS)), 0);
    Interp_ResetState();
    frame_timer_set_second_hook(Interp_ClockSecond);
}

void Interp_Free() {
    frame_timer_set_second_hook(nullptr);
    g_script.reset();
    g_persoHidden.clear();
    g_objetHidden.clear();
    Interp_ResetState();
}

int32_t Interp_VarIndex(const char* name) { return DefName_GetIdName(DEFNAME_VARIABLES, name); }

int32_t Interp_ReadVar(const char* name) {
    int32_t i = Interp_VarIndex(name);
    return i >= 0 ? Interp_Variables[i] : 0;
}

void Interp_WriteVar(const char* name, int32_t value) {
    int32_t i = Interp_VarIndex(name);
    if (i >= 0) Interp_Variables[i] = value;
}

void Interp_AddVar(const char* name, int32_t delta) {
    int32_t i = Interp_VarIndex(name);
    // Wraps like the 32-bit arithmetic of the scripts, without undefined overflow.
    if (i >= 0) Interp_Variables[i] = int32_t(uint32_t(Interp_Variables[i]) + uint32_t(delta));
}

bool Interp_FlagNumber(const char* name, int32_t* n) {
    if (!name || strncasecmp(name, "flag", 4) != 0) return false;
    int32_t v = 0;
    std::string digits = name + 4;
    if (digits.empty() || digits[0] == '-' || digits[0] == '+' || !Script_ParseInt(digits, v) || v >= MAX_FLAGS)
        return false;
    if (n) *n = v;
    return true;
}

int32_t Interp_NameId(const char* name) {
    for (int section : {DEFNAME_ZONES_CLIC, DEFNAME_OBJETS, DEFNAME_PERSONNAGES}) {
        int32_t id = DefName_FindId(section, name);
        if (id >= 0) return id;
    }
    return -1;
}

bool Interp_ValueOf(const char* text, int32_t* out) {
    std::string t = Script_Trim(text ? text : "");
    int32_t v = 0;
    if (Script_ParseInt(t, v)) {
    } else if (int32_t var = DefName_FindId(DEFNAME_VARIABLES, t.c_str()); var >= 0) {
        v = Interp_Variables[var];
    } else if ((v = Interp_NameId(t.c_str())) < 0) {
        return false;
    }
    if (out) *out = v;
    return true;
}

void Interp_ClockSecond() {
    Interp_SetEngineVar(IV_TIME1, Interp_GetEngineVar(IV_TIME1) + 1);
    Interp_SetEngineVar(IV_TIME2, Interp_GetEngineVar(IV_TIME2) + 1);
    Interp_SetEngineVar(IV_RANDOM, orv_rand() % 100);
}

void Interp_InstallScript(std::unique_ptr<ChapterScript> script) {
    // A waiting position belongs to the script it was taken in.
    PendingScenarioBlock = {0, INTERP_NO_BLOCK};
    g_script = std::move(script);
    if (g_script) debug_log("Interp_LoadChapter() : chapitre %d (%zu lignes)", g_script->chapter, g_script->lines.size());
}

const ChapterScript* Interp_CurrentScript() { return g_script.get(); }

bool Interp_LoadChapter(int32_t chapter) {
    std::unique_ptr<ChapterScript> s = ChapterScript_Read(chapter);
    if (!s) return false;
    Interp_InstallScript(std::move(s));
    return true;
}

int32_t Interp_GetChapter() { return g_script ? g_script->chapter : 0; }
bool Interp_HasScript() { return g_script != nullptr; }

bool Interp_ChangeChapter(int32_t chapter) {
    // An initialisation that changes chapter again must come to an end.
    static int depth = 0;
    if (depth >= 8) {
        OrvError_Warning("Interp_ChangeChapter() chapitre %d : changements de chapitre en boucle", chapter);
        return false;
    }
    if (!Interp_LoadChapter(chapter)) return false;
    depth++;
    Interp_RunBlock(0);
    depth--;
    return true;
}

bool Interp_RunInit() {
    if ((!g_script || g_script->chapter != INTERP_FIRST_CHAPTER) && !Interp_LoadChapter(INTERP_FIRST_CHAPTER))
        return false;
    Interp_ResetState();
    Inventaire_Reset();
    // Nothing of the last game's world stays: the first jump reads its world file again.
    OrvWam_Free();
    debug_log("Interp_RunInit() : nouvelle partie");
    Interp_RunBlock(0);
    return true;
}

int32_t Interp_SkipInitSection() {
    if (!g_script || g_script->finInit < 0) return INTERP_NO_BLOCK;
    size_t next = size_t(g_script->finInit) + 1;
    return next < g_script->lines.size() ? g_script->lines[next].offset : int32_t(g_script->text.size());
}

void Elem_Show(int32_t id, int32_t kind, int32_t anim) { setElem(id, kind, anim, false, "Elem_Show"); }
void Elem_Hide(int32_t id, int32_t kind, int32_t anim) { setElem(id, kind, anim, true, "Elem_Hide"); }

bool Interp_IsElemHidden(int32_t id, int32_t kind) {
    std::vector<uint8_t>* table = elemTable(kind);
    return table && id >= 0 && size_t(id) < table->size() && (*table)[size_t(id)] != 0;
}

bool Interp_is_perso_hidden(const char* name) {
    int32_t id = DefName_GetIdName(DEFNAME_PERSONNAGES, name);
    return id >= 0 && Interp_IsElemHidden(id, 1);
}

uint8_t* Interp_ElemTable(int32_t kind, int32_t* count) {
    std::vector<uint8_t>* table = elemTable(kind);
    if (count) *count = table ? int32_t(table->size()) : 0;
    return table && !table->empty() ? table->data() : nullptr;
}

void Interp_ChangeWorld() {
    char code[3];
    OrvWam_WorldCode(OrvWam_CurrentVue, code);
    for (const DialWorld& w : kDialWorlds) {
        if (std::strcmp(w.code, code) != 0) continue;
        std::string info = std::string("info") + code + ".txt";
        std::string com = std::string("com") + code + ".txt";
        std::string dial = std::string("dial") + code + ".txt";
        debug_log("Interp_ChangeWorld() : monde %s (%d)", code, w.number);
        Call_OrvDial_InitWorld(info.c_str(), com.c_str(), dial.c_str(), w.number, w.bank);
        return;
    }
    debug_log("Interp_ChangeWorld() : monde %s sans dialogues", code);
}

void Interp_DumpVariables() {
    debug_log("Variables du scénario (chapitre %d) :", Interp_GetChapter());
    for (int32_t i = 0; i < DefName_GetCount(DEFNAME_VARIABLES); i++)
        debug_log("  %s = %d", DefName_GetName(DEFNAME_VARIABLES, i), Interp_Variables[i]);
    for (int32_t i = 0; i < MAX_FLAGS; i++)
        if (Interp_Flags[i]) debug_log("  flag%d = %d", i, Interp_Flags[i]);
    Inventaire_Dump();
}
