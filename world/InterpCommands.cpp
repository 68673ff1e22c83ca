// The scenario interpreter's blocks and passes, its command words and the command registry.
#include <strings.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "app/Orv_Log.h"
#include "world/ChapterScript.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/Orv_Msg.h"
#include "world/ScriptText.h"
#include "world/wam.h"

namespace {
// Guards against a command handler that starts passes of its own without end.
constexpr int kMaxPassDepth = 8;
// runCommand's answer for a word nobody knows.
constexpr int kUnknown = -1;

std::map<std::string, InterpCommandFn> g_commands;  // upper-case word -> handler
char g_queue[MAX_CMD_AFTER_DISPLAY][MAX_COMMAND_LEN + 1];
int g_queueCount = 0;
int g_passDepth = 0;

bool holds(const ScriptCond& c) {
    int32_t left = 0;
    switch (c.lhs) {
    case CondSide::Sac: {
        bool in = Inventaire_IsObjetInSac_id(c.rhsValue);
        return c.op == CondOp::Eq ? in : !in;
    }
    case CondSide::Var: left = Interp_Variables[c.lhsIndex]; break;
    case CondSide::Flag: left = Interp_Flags[c.lhsIndex]; break;
    case CondSide::Const: left = c.lhsIndex; break;
    }
    int32_t right = c.rhs == CondSide::Var ? Interp_Variables[c.rhsValue] : c.rhsValue;
    switch (c.op) {
    case CondOp::Eq: return left == right;
    case CondOp::Ne: return left != right;
    case CondOp::Lt: return left < right;
    case CondOp::Gt: return left > right;
    case CondOp::Le: return left <= right;
    case CondOp::Ge: return left >= right;
    }
    return false;
}

bool vueMatches(const ScriptLine& header) {
    char code[3];
    OrvWam_WorldCode(OrvWam_CurrentVue, code);
    return OrvWam_CurrentVue && OrvWam_CurrentVue->id == header.vueId && code[0] == header.code[0] &&
           code[1] == header.code[1];
}

int32_t lineEnd(const ChapterScript& s, size_t i) {
    return i + 1 < s.lines.size() ? s.lines[i + 1].offset : int32_t(s.text.size());
}

// Interpreter words; each returns CMD_DONE or CMD_WAIT.
int cmdExit(const char*) {
    quitqu2 = 1;
    debug_log("Interp : EXIT");
    return CMD_DONE;
}

int cmdNextVue(const char* value) {
    int32_t id = 0;
    if (!Interp_ValueOf(value, &id) || id < 0) OrvError_Warning("NEXTVUE : vue incorrecte : %s", value);
    else OrvWam_RequestVue(uint32_t(id));
    return CMD_DONE;
}

int cmdChangeWam(const char* value) {
    std::string v = value;
    size_t comma = v.find(',');
    std::string file = Script_Trim(v.substr(0, comma));
    int32_t id = 0;
    if (comma != std::string::npos && (!Interp_ValueOf(v.substr(comma + 1).c_str(), &id) || id < 0)) {
        OrvError_Warning("CHANGEWAM : vue incorrecte : %s", value);
        return CMD_DONE;
    }
    OrvWam_RequestWorld(file.c_str(), uint32_t(id), comma == std::string::npos);
    return CMD_DONE;
}

int cmdChapter(const char* value) {
    int32_t n = 0;
    if (!Interp_ValueOf(value, &n) || n < 0 || n > 999) OrvError_Warning("CHAPTER : numéro incorrect : %s", value);
    else Interp_ChangeChapter(n);
    return CMD_DONE;
}

int cmdSacados(const char* value) {
    bool remove = strncasecmp(value, "NOT_", 4) == 0;
    const char* name = remove ? value + 4 : value;
    int32_t id = DefName_GetIdName(DEFNAME_OBJETS, name);
    if (id < 0) return CMD_DONE;
    if (remove) {
        if (Interp_GetEngineVar(IV_OBJETENMAIN) == id) Inventaire_SetObjetEnMain_id(0);
        Inventaire_EnleveObj_id(id);
    } else {
        Inventaire_PrendObj_id_nspr(id, DefName_GetParamInt(DEFNAME_OBJETS, name));
    }
    return CMD_DONE;
}

int cmdObjetEnMain(const char* value) {
    int32_t id = 0;
    if (!Script_ParseInt(value, id)) id = DefName_GetIdName(DEFNAME_OBJETS, value);
    if (id >= 0) Inventaire_SetObjetEnMain_id(id);
    return CMD_DONE;
}

int showHide(const char* value, int section, bool show) {
    int32_t id = DefName_GetIdName(section, value);
    if (id < 0) return CMD_DONE;
    int32_t kind = section == DEFNAME_PERSONNAGES ? 1 : 2;
    if (show) Elem_Show(id, kind, 0);
    else Elem_Hide(id, kind, 0);
    return CMD_DONE;
}
int cmdShowPerso(const char* v) { return showHide(v, DEFNAME_PERSONNAGES, true); }
int cmdHidePerso(const char* v) { return showHide(v, DEFNAME_PERSONNAGES, false); }
int cmdShowObj(const char* v) { return showHide(v, DEFNAME_OBJETS, true); }
int cmdHideObj(const char* v) { return showHide(v, DEFNAME_OBJETS, false); }

int cmdMessage(const char* value) {
    int32_t n = 0;
    if (!Interp_ValueOf(value, &n)) {
        OrvError_Warning("MESSAGE : numéro incorrect : %s", value);
        return CMD_DONE;
    }
    return OrvMsg_Show(n) ? CMD_WAIT : CMD_DONE;
}

int cmdClearSuj(const char* value) {
    int32_t id = DefName_GetIdName(DEFNAME_PERSONNAGES, value);
    if (id >= 0) Call_OrvDial_ClearSubjects(id);
    return CMD_DONE;
}

struct Word {
    const char* name;
    InterpCommandFn fn;
};
const Word kWords[] = {
    {"EXIT", cmdExit},         {"NEXTVUE", cmdNextVue},         {"CHANGEWAM", cmdChangeWam},
    {"CHAPTER", cmdChapter},   {"SACADOS", cmdSacados},         {"OBJETENMAIN", cmdObjetEnMain},
    {"SHOWPERSO", cmdShowPerso}, {"HIDEPERSO", cmdHidePerso},   {"SHOWOBJ", cmdShowObj},
    {"HIDEOBJ", cmdHideObj},   {"MESSAGE", cmdMessage},         {"CLEARSUJ", cmdClearSuj},
};

InterpCommandFn ownWord(const std::string& upper) {
    for (const Word& w : kWords)
        if (upper == w.name) return w.fn;
    return nullptr;
}

// One command: the interpreter's words, then registered words, then variables and flags.
int runCommand(const std::string& name, const std::string& value) {
    std::string upper = Script_Upper(name);
    if (InterpCommandFn fn = ownWord(upper)) return fn(value.c_str());
    auto it = g_commands.find(upper);
    if (it != g_commands.end()) return it->second(value.c_str());
    int32_t index = DefName_FindId(DEFNAME_VARIABLES, name.c_str());
    int32_t flag = -1;
    if (index >= 0 || Interp_FlagNumber(name.c_str(), &flag)) {
        int32_t v = 0;
        if (!Interp_ValueOf(value.c_str(), &v)) {
            OrvError_Warning("RunOneCommand() valeur inconnue : (%s=%s)", name.c_str(), value.c_str());
            return CMD_DONE;
        }
        if (index >= 0) Interp_Variables[index] = v;
        else Interp_Flags[flag] = v;
        return CMD_DONE;
    }
    OrvError_Warning("RunOneCommand() commande inconnue : (%s=%s)", name.c_str(), value.c_str());
    return kUnknown;
}
}  // namespace

void Interp_ClearQueue() { g_queueCount = 0; }

bool Interp_CheckCommand(const std::string& name, const std::string& value, std::string* why) {
    auto refuse = [&](const char* what) {
        if (why) *why = std::string(what) + " : (" + name + "=" + value + ")";
        return false;
    };
    auto defined = [&](int section, const std::string& v) { return DefName_FindId(section, v.c_str()) >= 0; };
    int32_t n = 0;
    std::string upper = Script_Upper(name);
    if (upper == "SACADOS") {
        bool remove = Script_Upper(value).rfind("NOT_", 0) == 0;
        return defined(DEFNAME_OBJETS, remove ? value.substr(4) : value) || refuse("objet inconnu");
    }
    if (upper == "OBJETENMAIN")
        return Script_ParseInt(value, n) || defined(DEFNAME_OBJETS, value) || refuse("objet inconnu");
    if (upper == "SHOWPERSO" || upper == "HIDEPERSO" || upper == "CLEARSUJ")
        return defined(DEFNAME_PERSONNAGES, value) || refuse("personnage inconnu");
    if (upper == "SHOWOBJ" || upper == "HIDEOBJ") return defined(DEFNAME_OBJETS, value) || refuse("objet inconnu");
    if (upper == "NEXTVUE" || upper == "CHAPTER" || upper == "MESSAGE")
        return Interp_ValueOf(value.c_str(), &n) || refuse("valeur inconnue");
    if (upper == "CHANGEWAM") {
        size_t comma = value.find(',');
        if (Script_Trim(value.substr(0, comma)).empty()) return refuse("fichier absent");
        return comma == std::string::npos || Interp_ValueOf(value.substr(comma + 1).c_str(), &n) ||
               refuse("vue inconnue");
    }
    if (ownWord(upper)) return true;
    bool assignment = DefName_FindId(DEFNAME_VARIABLES, name.c_str()) >= 0 || Interp_FlagNumber(name.c_str(), nullptr);
    return !assignment || Interp_ValueOf(value.c_str(), &n) || refuse("valeur inconnue");
}

int32_t Interp_EvalCondBlock(int32_t position) {
    const ChapterScript* s = Interp_CurrentScript();
    if (!s || position < 0) return INTERP_NO_BLOCK;
    int32_t i = ChapterScript_LineAt(*s, position);
    if (i < 0 || s->lines[size_t(i)].offset < position) i++;  // a line begun before position is done
    if (i <= s->finInit) i = s->finInit + 1;
    const int32_t n = int32_t(s->lines.size());
    while (i < n) {
        const ScriptLine& l = s->lines[size_t(i)];
        if (l.section >= 0 && !vueMatches(s->lines[size_t(l.section)])) {
            i = s->sectionEnd[size_t(l.section)];
            continue;
        }
        if (l.kind == LineKind::Con) {
            bool ok = true;
            for (const ScriptCond& c : l.conds) ok = ok && holds(c);
            if (ok) return lineEnd(*s, size_t(i));
        }
        i++;
    }
    return INTERP_NO_BLOCK;
}

int Interp_RunBlock(int32_t position) {
    const ChapterScript* s = Interp_CurrentScript();
    if (!s) return 0;
    if (!ChapterScript_IsResumePoint(*s, position)) {
        OrvError_Warning("Interp_RunBlock() position %d incorrecte", position);
        return 0;
    }
    bool jumpBefore = OrvWam_Jump.pending;
    int32_t i = ChapterScript_LineAt(*s, position);
    if (i < 0) i = 0;
    for (; size_t(i) < s->lines.size() && s->lines[size_t(i)].kind == LineKind::Set; i++) {
        const ScriptLine& l = s->lines[size_t(i)];
        for (size_t k = 0; k < l.cmds.size(); k++) {
            const ScriptCmd& c = l.cmds[k];
            if (c.offset < position) continue;
            int32_t next = k + 1 < l.cmds.size() ? l.cmds[k + 1].offset : lineEnd(*s, size_t(i));
            // Copies: the command may replace the script that holds its text.
            int rc = runCommand(std::string(c.name), std::string(c.value));
            // A command may have replaced the script: nothing of the old one is touched after it.
            if (Interp_CurrentScript() != s) return 0;
            if (rc == CMD_WAIT) {
                if (PendingScenarioBlock.flag)
                    OrvError_Warning("Interp_RunBlock() bloc en attente remplacé (%d)", PendingScenarioBlock.block);
                PendingScenarioBlock = {1, next};
                return 0;
            }
            if (quitqu2) return 0;
        }
    }
    // A view jump asked for in this block ends the pass once the block is done: the blocks after
    // it were written for the view being left.
    return !jumpBefore && OrvWam_Jump.pending ? 0 : 1;
}

namespace {
void runPass(const char* who) {
    if (!Interp_HasScript()) return;
    if (g_passDepth >= kMaxPassDepth) {
        OrvError_Warning("%s() passes imbriquées au-delà de %d", who, kMaxPassDepth);
        return;
    }
    g_passDepth++;
    const ChapterScript* s = Interp_CurrentScript();
    int32_t pos = Interp_SkipInitSection();
    while (pos != INTERP_NO_BLOCK) {
        int32_t block = Interp_EvalCondBlock(pos);
        if (block == INTERP_NO_BLOCK || !Interp_RunBlock(block) || Interp_CurrentScript() != s) break;
        pos = block;
    }
    g_passDepth--;
}
}  // namespace

void CtrlScenarIN() { runPass("CtrlScenarIN"); }
void CtrlScenarOUT() { runPass("CtrlScenarOUT"); }

void Interp_ScenarioFrame() {
    if (Interp_GetEngineVar(IV_CLICZONE) == 0 && Interp_GetEngineVar(IV_ARRIVEEVUE) == 0) return;
    CtrlScenarIN();
    Interp_SetEngineVar(IV_ARRIVEEVUE, 0);
}

void Interp_ResumePending() {
    if (!PendingScenarioBlock.flag) return;
    // Taken and cleared first: the block may wait again.
    const int32_t block = PendingScenarioBlock.block;
    PendingScenarioBlock = {0, INTERP_NO_BLOCK};
    Interp_RunBlock(block);
}

bool Interp_RegisterCommand(const char* name, InterpCommandFn fn) {
    std::string upper = Script_Upper(name ? name : "");
    if (upper.empty() || !fn || ownWord(upper)) {
        OrvError_Warning("Interp_RegisterCommand() mot refusé : %s", name ? name : "(null)");
        return false;
    }
    g_commands[upper] = fn;
    return true;
}

void Interp_UnregisterCommand(const char* name) { g_commands.erase(Script_Upper(name ? name : "")); }
void Interp_ClearCommands() { g_commands.clear(); }

bool RunOneCommand(const char* command) {
    std::string name, value;
    if (!command || !ChapterScript_SplitCommand(command, name, value)) {
        OrvError_Warning("RunOneCommand() commande incorrecte : %.300s", command ? command : "(null)");
        return false;
    }
    return runCommand(name, value) != kUnknown;
}

bool RunOneCommandf(const char* fmt, ...) {
    char text[MAX_COMMAND_LEN + 2];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    if (n < 0 || n > MAX_COMMAND_LEN) {
        OrvError_Warning("RunOneCommandf() commande de plus de %d caractères : %s", MAX_COMMAND_LEN, fmt);
        return false;
    }
    return RunOneCommand(text);
}

bool RunOneCommand_AfterDisplay(const char* command) {
    std::string name, value;
    if (!command || !ChapterScript_SplitCommand(command, name, value)) {
        OrvError_Warning("RunOneCommand_AfterDisplay() commande incorrecte : %.300s", command ? command : "(null)");
        return false;
    }
    if (g_queueCount >= MAX_CMD_AFTER_DISPLAY) {
        OrvError_Warning("RunOneCommand_AfterDisplay() plus de %d commandes en attente : %s", MAX_CMD_AFTER_DISPLAY,
                         command);
        return false;
    }
    std::snprintf(g_queue[g_queueCount++], MAX_COMMAND_LEN + 1, "%s", command);
    return true;
}

void Interp_RunAfterDisplay() {
    // Commands queued while these run wait for the next display.
    char batch[MAX_CMD_AFTER_DISPLAY][MAX_COMMAND_LEN + 1];
    int count = g_queueCount;
    std::memcpy(batch, g_queue, sizeof batch);
    g_queueCount = 0;
    for (int i = 0; i < count; i++) RunOneCommand(batch[i]);
}
