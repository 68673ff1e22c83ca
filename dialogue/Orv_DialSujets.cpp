// Conversation subjects: each character's subject list, its panel in the view, the saved lists, and the
// choice strip of eight dialogues.
#include "dialogue/Orv_DialSujets.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "app/Orv_Log.h"
#include "dialogue/Orv_Dial.h"
#include "framework/Input.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Menu_Grid.h"
#include "panorama/Orv_Warp.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/OrvSaveGame.h"
#include "world/ScriptText.h"

const char* const DLG_SUBJECT_BLOCK_NAME = "SUJETS";
ST_perso_sujets ST_perso_sujets_table[DLG_SUBJECT_TABLES];

namespace {

// The blackbirds' five icons.
constexpr int32_t kBirdFirstSprite = 26;
constexpr int32_t kBirdCells = 5;
constexpr int32_t kColumnRows = 4;
constexpr int32_t kPanelTop = 180;
// A list of up to four subjects ends with its last cell's corner at y 304.
constexpr int32_t kShortListBottom = 366;
constexpr const char* kStripBankName = "parchem.spr";
constexpr const char* kStripObject = "PARCHEMIN";
constexpr const char* kStripCommands[8] = {"(dial=44)", "(dial=82)", "(dial=83)", "(dial=84)",
                                           "(dial=85)", "(dial=86)", "(dial=87)", "(dial=88)"};

struct Subjects {
    SprBank* bank = nullptr;
    int32_t panelX = DLG_PANEL_X;
    int32_t panelY = kPanelTop;
    bool stripOpen = false;
    SprBank* stripBank = nullptr;
} g;

ST_perso_sujets* TableOf(int32_t persoId) {
    return persoId >= 0 && persoId < DLG_SUBJECT_TABLES ? &ST_perso_sujets_table[persoId] : nullptr;
}

// The first entry in use with that subject number, or -1.
int32_t FindNumber(const ST_perso_sujets& t, int32_t number) {
    for (int32_t i = 0; i < std::clamp(t.count, 0, DLG_SUBJECTS_MAX); ++i)
        if (t.entries[i].number == number) return i;
    return -1;
}

struct SubjectRef {
    int32_t number;
    int32_t id;
};

// "NAME,SUBJECT,SUBJECT...": the character's table and each named subject; unknown names are reported by
// the name definitions and left out.
ST_perso_sujets* ParseArgs(const char* args, std::vector<SubjectRef>& subjects) {
    const std::string text = args ? args : "";
    size_t comma = text.find(',');
    const std::string name = Script_Trim(text.substr(0, comma));
    ST_perso_sujets* table = TableOf(DefName_GetIdName(DEFNAME_PERSONNAGES, name.c_str()));
    while (table && comma != std::string::npos) {
        const size_t start = comma + 1;
        comma = text.find(',', start);
        const std::string subject = Script_Trim(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (subject.empty()) continue;
        const int32_t id = DefName_GetIdName(DEFNAME_SUJETS, subject.c_str());
        if (id >= 0) subjects.push_back({DefName_GetParamInt(DEFNAME_SUJETS, subject.c_str()), id});
    }
    return table;
}

void Put32(std::vector<uint8_t>& out, int32_t v) {
    const uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(u >> (8 * i)));
}

int32_t Get32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

int CommandEnable(const char* value) {
    OrvDial_EnableSujets(value);
    return CMD_DONE;
}
int CommandDisable(const char* value) {
    OrvDial_DisableSujets(value);
    return CMD_DONE;
}
int CommandKill(const char* value) {
    OrvDial_KillSujets(value);
    return CMD_DONE;
}

// A sprite centred in a panel cell, and the cell's frame over it.
void DrawCell(int32_t x, int32_t y, int32_t sprite, int mode) {
    OrvSpr_Aff_centre(g.bank, sprite, x + 25, y + 25, mode);
    OrvSpr_Aff_centre(g.bank, 0, x + 31, y + 31, 0);
}

bool BeginDrawing() {
    CSurface* render = OrvDisplay_GetRenderSurface();
    if (!render) return false;
    OrvSpr_SetSurfaceInfo(render);
    return true;
}

}  // namespace

void OrvDial_EnableSujets(const char* args) {
    std::vector<SubjectRef> subjects;
    ST_perso_sujets* t = ParseArgs(args, subjects);
    if (!t) return;
    for (const SubjectRef& s : subjects) {
        const int32_t at = FindNumber(*t, s.number);
        if (at >= 0) {
            t->entries[at].enabled = 1;
        } else if (t->count >= DLG_SUBJECTS_MAX) {
            OrvError_Warning("OrvDial_EnableSujets(%s) : plus de %d sujets", args, DLG_SUBJECTS_MAX);
        } else {
            t->entries[t->count++] = ST_sujet{s.number, s.id, 1};
        }
    }
}

void OrvDial_DisableSujets(const char* args) {
    std::vector<SubjectRef> subjects;
    ST_perso_sujets* t = ParseArgs(args, subjects);
    if (!t) return;
    for (const SubjectRef& s : subjects)
        if (const int32_t at = FindNumber(*t, s.number); at >= 0) t->entries[at].enabled = 0;
}

void OrvDial_KillSujets(const char* args) {
    std::vector<SubjectRef> subjects;
    ST_perso_sujets* t = ParseArgs(args, subjects);
    if (!t) return;
    for (const SubjectRef& s : subjects) {
        const int32_t at = FindNumber(*t, s.number);
        if (at < 0) continue;
        std::copy(t->entries + at + 1, t->entries + t->count, t->entries + at);
        t->count--;
    }
}

void OrvDial_ClearSubjects(int32_t persoId) {
    if (ST_perso_sujets* t = TableOf(persoId)) t->count = 0;
}

int32_t OrvDial_CountSubjects(int32_t persoId) {
    const ST_perso_sujets* t = TableOf(persoId);
    return t ? std::clamp(t->count, 0, DLG_SUBJECTS_MAX) : 0;
}

void OrvDial_ResetSubjects() { std::memset(ST_perso_sujets_table, 0, sizeof ST_perso_sujets_table); }

void OrvDial_SaveSubjects(std::vector<uint8_t>& out) {
    for (const ST_perso_sujets& t : ST_perso_sujets_table) {
        Put32(out, t.count);
        for (const ST_sujet& e : t.entries) {
            Put32(out, e.number);
            Put32(out, e.id);
            for (uint8_t b : {e.enabled, uint8_t(0), uint8_t(0), uint8_t(0)}) out.push_back(b);
        }
    }
}

bool OrvDial_CheckSubjects(const uint8_t* data, uint32_t size) {
    if (!data || size != uint32_t(DLG_SUBJECT_BLOCK_BYTES)) return false;
    for (int i = 0; i < DLG_SUBJECT_TABLES; ++i) {
        const int32_t count = Get32(data + size_t(i) * DLG_SUBJECT_TABLE_BYTES);
        if (count < 0 || count > DLG_SUBJECTS_MAX) {
            OrvError_Warning("OrvDial_CheckSubjects() personnage %d : %d sujets", i, count);
            return false;
        }
    }
    return true;
}

void OrvDial_LoadSubjects(const uint8_t* data, uint32_t size) {
    if (!OrvDial_CheckSubjects(data, size)) return;
    for (int i = 0; i < DLG_SUBJECT_TABLES; ++i) {
        const uint8_t* p = data + size_t(i) * DLG_SUBJECT_TABLE_BYTES;
        ST_perso_sujets& t = ST_perso_sujets_table[i];
        t.count = Get32(p);
        for (ST_sujet& e : t.entries) {
            p += 4;
            e.number = Get32(p);
            e.id = Get32(p + 4);
            e.enabled = p[8];
            p += 8;
        }
    }
}

void OrvDial_RegisterSubjects() {
    Interp_RegisterCommand("ENABLESUJ", CommandEnable);
    Interp_RegisterCommand("DISABLESUJ", CommandDisable);
    Interp_RegisterCommand("KILLSUJ", CommandKill);
    OrvSaveGame_RegisterBlock(OrvSaveBlockDef{DLG_SUBJECT_BLOCK_NAME, DLG_SUBJECT_BLOCK_BYTES, OrvDial_SaveSubjects,
                                              OrvDial_CheckSubjects, OrvDial_LoadSubjects});
}

void OrvDial_LoadSubjectBank(const char* name) {
    OrvDial_FreeSubjectBank();
    if (name && *name) OrvSpr_LoadBank(name, &g.bank, 0);
}

void OrvDial_FreeSubjectBank() {
    if (g.bank) OrvSpr_LibereBank(&g.bank);
}

SprBank* OrvDial_GetSubjectBank() { return g.bank; }

void OrvDial_GetPanelOrigin(int32_t* x, int32_t* y) {
    if (x) *x = g.panelX;
    if (y) *y = g.panelY;
}

void OrvDial_DrawPersoSubjects() {
    const int32_t id = Interp_GetEngineVar(IV_CLICPERSO);
    const int32_t n = OrvDial_CountSubjects(id);
    g.panelX = DLG_PANEL_X;
    g.panelY = n < kColumnRows + 1 ? kShortListBottom - DLG_PANEL_CELL * n : kPanelTop;
    if (n == 0 || !BeginDrawing()) return;
    const ST_perso_sujets& t = ST_perso_sujets_table[id];
    for (int32_t i = 0; i < n; ++i) {
        const int32_t column = i / kColumnRows, row = i % kColumnRows;
        const int32_t top = column == 0 ? g.panelY : kPanelTop;
        DrawCell(g.panelX + DLG_PANEL_CELL * column, top + DLG_PANEL_CELL * row, t.entries[i].number,
                 t.entries[i].enabled ? 0 : 1);
    }
}

int32_t OrvDial_HitPersoSubject() {
    if (!MouseClickFlags.click) return -1;
    const int32_t id = Interp_GetEngineVar(IV_CLICPERSO);
    const int32_t n = OrvDial_CountSubjects(id);
    const int32_t cell = Menu_GridHitTest(g.panelX - DLG_PANEL_HIT_SHIFT, g.panelY - DLG_PANEL_HIT_SHIFT, DLG_PANEL_CELL,
                                          DLG_PANEL_CELL, (n + kColumnRows - 1) / kColumnRows,
                                          std::min(n, kColumnRows), 1);
    if (cell < 0) return -2;
    // A cell past the list holds no subject, whatever its slot held before.
    return cell < n ? ST_perso_sujets_table[id].entries[cell].number : 0;
}

void OrvDial_RunScenario() { CtrlScenarIN(); }

void OrvDial_DrawSubjectPanel() {
    g.panelX = DLG_PANEL_X;
    g.panelY = kPanelTop;
    OrvWarp_SubjectPanelOpen = 1;
    if (!BeginDrawing()) return;
    for (int32_t i = 0; i < kBirdCells; ++i) DrawCell(g.panelX, g.panelY + DLG_PANEL_CELL * i, kBirdFirstSprite + i, 0);
}

void OrvDial_OpenSubjectPanel(int32_t persoId) {
    Interp_SetEngineVar(IV_CLICPERSO, persoId);
    OrvWarp_SubjectPanelOpen = 1;
}

bool DialBar_Open() {
    if (!g.stripBank) OrvSpr_LoadBank(kStripBankName, &g.stripBank, 0);
    g.stripOpen = true;
    debug_log("DialBar_Open()");
    return true;
}

void DialBar_Close() {
    if (g.stripBank) OrvSpr_LibereBank(&g.stripBank);
    g.stripOpen = false;
}

bool DialBar_IsOpen() { return g.stripOpen; }

bool DialBar_Choose(int32_t objectId) {
    if (strcasecmp(DefName_GetName(DEFNAME_OBJETS, objectId), kStripObject) != 0) return false;
    return DialBar_Open();
}

void DialBar_Continue() {
    if (!g.stripOpen) return;
    OrvWarp_SubjectPanelOpen = 0;
    if (BeginDrawing()) {
        OrvSpr_Aff(g.stripBank, 0, 0, DLG_STRIP_Y, 0);
        OrvSpr_Aff_curseur_souris();
    }
    if (!MouseClickFlags.click) return;
    MouseClickFlags.click = 0;
    const int32_t cell = Menu_GridHitTest(0, DLG_STRIP_Y, DLG_STRIP_CELL_W, DLG_STRIP_CELL_H, 8, 1, 0);
    if (cell < 0) {
        DialBar_Close();
        return;
    }
    if (!OrvDial_IsActive()) RunOneCommand_AfterDisplay(kStripCommands[cell]);
}
