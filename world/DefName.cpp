// Name definitions of "defnames.con": five sections of names whose position is their id.
#include "world/DefName.h"

#include <array>
#include <unordered_map>
#include <vector>

#include "app/Orv_Log.h"
#include "world/ScriptText.h"

const char* const DefName_EngineVariables[] = {
    "CLICZONE", "DEPARTVUE",  "ARRIVEEVUE", "ABORTDEPART", "UDADA", "VUE",  "LASTVUE",          "MONDE",
    "OBJETENMAIN", "RANDOM", "TIME1",      "TIME2",       "NextWarpInvalide", "CLICPERSO", "SUJET",
};
const int DefName_NbEngineVariables = int(sizeof(DefName_EngineVariables) / sizeof(DefName_EngineVariables[0]));

namespace {
const char* const kKeywords[DEFNAME_NB_SECTIONS] = {"#PERSONNAGES#", "#OBJETS#", "#SUJETS#", "#VARIABLES#",
                                                    "#ZONES_CLIC#"};
const int kLimits[DEFNAME_NB_SECTIONS] = {MAX_PERSONNAGES, 0, 0, MAX_VARIABLES, 0};

struct Entry {
    std::string name;
    std::vector<std::string> params;
};

struct Section {
    std::vector<Entry> entries;
    std::unordered_map<std::string, int32_t> index;  // upper-case name -> id
};

struct Definitions {
    std::array<Section, DEFNAME_NB_SECTIONS> sections;
    bool loaded = false;
};

Definitions g_defs;

bool validSection(int section) { return section >= 0 && section < DEFNAME_NB_SECTIONS; }

bool validName(const std::string& name) {
    if (name.empty() || name.size() >= size_t(DEFNAME_MAX_LEN)) return false;
    for (char c : name)
        if (!Script_IsNameChar(c)) return false;
    return true;
}

bool parse(const std::string& text, const char* what, Definitions& out) {
    int section = -1;
    bool seen[DEFNAME_NB_SECTIONS] = {};
    int lineNo = 0;
    for (const std::string& raw : Script_SplitLines(text)) {
        lineNo++;
        std::vector<std::string> tok = Script_Tokens(raw);
        if (tok.empty() || tok[0].rfind("//", 0) == 0) continue;
        int keyword = -1;
        for (int s = 0; s < DEFNAME_NB_SECTIONS; s++)
            if (Script_EqualsNoCase(tok[0], kKeywords[s])) keyword = s;
        if (keyword >= 0) {
            if (seen[keyword]) {
                OrvError_Warning("DefName_Load() %s ligne %d : section %s en double", what, lineNo, kKeywords[keyword]);
                return false;
            }
            seen[keyword] = true;
            section = keyword;
            continue;
        }
        if (section < 0) {
            OrvError_Warning("DefName_Load() %s ligne %d : nom hors section : %s", what, lineNo, tok[0].c_str());
            return false;
        }
        if (!validName(tok[0])) {
            OrvError_Warning("DefName_Load() %s ligne %d : nom incorrect (lettres, chiffres, '_', moins de %d) : %s",
                             what, lineNo, DEFNAME_MAX_LEN, tok[0].c_str());
            return false;
        }
        Section& sec = out.sections[size_t(section)];
        std::string key = Script_Upper(tok[0]);
        if (sec.index.count(key)) {
            OrvError_Warning("DefName_Load() %s ligne %d : %s défini deux fois dans %s", what, lineNo, tok[0].c_str(),
                             kKeywords[section]);
            return false;
        }
        if (kLimits[section] && int(sec.entries.size()) >= kLimits[section]) {
            OrvError_Warning("DefName_Load() %s ligne %d : plus de %d noms dans %s", what, lineNo, kLimits[section],
                             kKeywords[section]);
            return false;
        }
        sec.index.emplace(key, int32_t(sec.entries.size()));
        sec.entries.push_back(Entry{tok[0], std::vector<std::string>(tok.begin() + 1, tok.end())});
    }
    for (int i = 0; i < DefName_NbEngineVariables; i++) {
        if (!out.sections[DEFNAME_VARIABLES].index.count(Script_Upper(DefName_EngineVariables[i]))) {
            OrvError_Warning("DefName_Load() %s : variable %s absente de #VARIABLES#", what, DefName_EngineVariables[i]);
            return false;
        }
    }
    out.loaded = true;
    return true;
}
}  // namespace

const char* DefName_SectionKeyword(int section) { return validSection(section) ? kKeywords[section] : ""; }

bool DefName_LoadText(const std::string& text, const char* what) {
    Definitions fresh;
    if (!parse(text, what ? what : "defnames.con", fresh)) return false;
    g_defs = std::move(fresh);
    debug_log("DefName_Load() : %d personnages, %d objets, %d sujets, %d variables, %d zones",
              DefName_GetCount(DEFNAME_PERSONNAGES), DefName_GetCount(DEFNAME_OBJETS), DefName_GetCount(DEFNAME_SUJETS),
              DefName_GetCount(DEFNAME_VARIABLES), DefName_GetCount(DEFNAME_ZONES_CLIC));
    return true;
}

bool DefName_Load(const char* path) {
    std::string text;
    if (!Script_ReadFile(path, "DefName_Load()", text)) return false;
    return DefName_LoadText(text, path);
}

void DefName_Free() { g_defs = Definitions(); }
bool DefName_IsLoaded() { return g_defs.loaded; }

int32_t DefName_FindId(int section, const char* name) {
    if (!validSection(section) || !name) return -1;
    const Section& sec = g_defs.sections[size_t(section)];
    auto it = sec.index.find(Script_Upper(name));
    return it == sec.index.end() ? -1 : it->second;
}

int32_t DefName_GetIdName(int section, const char* name) {
    if (!validSection(section)) {
        OrvError_Fatal("DefName_GetIdName() section %d incorrecte", section);
        return -1;
    }
    size_t len = name ? std::char_traits<char>::length(name) : 0;
    if (len == 0 || len >= size_t(DEFNAME_MAX_LEN)) {
        OrvError_Fatal("DefName_GetIdName() nom vide ou trop long (%s) dans %s", name ? name : "(null)",
                       kKeywords[section]);
        return -1;
    }
    int32_t id = DefName_FindId(section, name);
    if (id < 0) OrvError_Fatal("DefName_GetIdName() %s absent de %s", name, kKeywords[section]);
    return id;
}

const char* DefName_GetName(int section, int32_t id) {
    if (!validSection(section)) return "";
    const Section& sec = g_defs.sections[size_t(section)];
    if (id < 0 || size_t(id) >= sec.entries.size()) return "";
    return sec.entries[size_t(id)].name.c_str();
}

int32_t DefName_GetCount(int section) {
    return validSection(section) ? int32_t(g_defs.sections[size_t(section)].entries.size()) : 0;
}

const char* DefName_GetParam(int section, int32_t id, int n) {
    if (!validSection(section) || n < 1) return nullptr;
    const Section& sec = g_defs.sections[size_t(section)];
    if (id < 0 || size_t(id) >= sec.entries.size()) return nullptr;
    const std::vector<std::string>& params = sec.entries[size_t(id)].params;
    return size_t(n) <= params.size() ? params[size_t(n - 1)].c_str() : nullptr;
}

int32_t DefName_GetParamInt(int section, const char* text) {
    if (!text) return 0;
    std::string name;
    for (const char* p = text; *p && Script_IsNameChar(*p); p++) name.push_back(*p);
    int32_t id = DefName_FindId(section, name.c_str());
    if (id < 0) {
        OrvError_Warning("DefName_GetParamInt() %s absent de %s", name.c_str(), DefName_SectionKeyword(section));
        return 0;
    }
    const char* param = DefName_GetParam(section, id, 1);
    int32_t value = 0;
    return param && Script_ParseInt(param, value) ? value : 0;
}
