// Conversation subjects: each character's subject list, its panel in the view, the saved lists, and the
// choice strip of eight dialogues.
#pragma once
#include <cstdint>
#include <vector>

struct SprBank;

constexpr int DLG_SUBJECTS_MAX = 16;
constexpr int DLG_SUBJECT_TABLES = 256;
// One table in the save: i32 count, then 16 entries of i32 number, i32 id, u8 enabled and 3 bytes of padding.
constexpr int DLG_SUBJECT_TABLE_BYTES = 4 + DLG_SUBJECTS_MAX * 12;
constexpr int DLG_SUBJECT_BLOCK_BYTES = DLG_SUBJECT_TABLES * DLG_SUBJECT_TABLE_BYTES;
extern const char* const DLG_SUBJECT_BLOCK_NAME;

struct ST_sujet {
    int32_t number;  // parameter 1 of its #SUJETS# line: the icon's sprite and the value given to SUJET
    int32_t id;      // its #SUJETS# id
    uint8_t enabled;
};
struct ST_perso_sujets {
    int32_t count;
    // Entries past count keep what they held.
    ST_sujet entries[DLG_SUBJECTS_MAX];
};
// By the character's #PERSONNAGES# id.
extern ST_perso_sujets ST_perso_sujets_table[DLG_SUBJECT_TABLES];

// The panel's cells: 62 pixels square from x 450; the hit grid lies 16 pixels up and left of them.
constexpr int32_t DLG_PANEL_X = 450;
constexpr int32_t DLG_PANEL_CELL = 62;
constexpr int32_t DLG_PANEL_HIT_SHIFT = 16;
// The strip: eight cells of 80 x 150 from (0, 200).
constexpr int32_t DLG_STRIP_Y = 200;
constexpr int32_t DLG_STRIP_CELL_W = 80;
constexpr int32_t DLG_STRIP_CELL_H = 150;

// Script commands "ENABLESUJ", "DISABLESUJ", "KILLSUJ": a character's name, then subject names, all
// separated by ",". Entries are matched by subject number.
void OrvDial_EnableSujets(const char* args);
void OrvDial_DisableSujets(const char* args);
void OrvDial_KillSujets(const char* args);
// "CLEARSUJ": the character's count := 0.
void OrvDial_ClearSubjects(int32_t persoId);
// Subjects in use of a character; 0 for an id outside 0..255.
int32_t OrvDial_CountSubjects(int32_t persoId);
// Every list emptied (a new game).
void OrvDial_ResetSubjects();
// The commands that change the lists, and the lists' block of the save game.
void OrvDial_RegisterSubjects();
void OrvDial_SaveSubjects(std::vector<uint8_t>& out);
bool OrvDial_CheckSubjects(const uint8_t* data, uint32_t size);
void OrvDial_LoadSubjects(const uint8_t* data, uint32_t size);

// The world's subject icons (sprite 0 the cell frame), loaded at each change of world.
void OrvDial_LoadSubjectBank(const char* name);
void OrvDial_FreeSubjectBank();
SprBank* OrvDial_GetSubjectBank();

// The panel of the character in "CLICPERSO".
void OrvDial_DrawPersoSubjects();
// The subject number under the pointer on a click (0 for a cell past the subjects); -1 without a click;
// -2 for a click outside the cells.
int32_t OrvDial_HitPersoSubject();
// The chapter's blocks after a chosen subject.
void OrvDial_RunScenario();
// The fixed column of five icons (sprites 26 to 30) of the blackbirds; marks the panel open.
void OrvDial_DrawSubjectPanel();
// A click made a character talk: its panel opens (CLICPERSO already holds it).
void OrvDial_OpenSubjectPanel(int32_t persoId);
// Top-left of the panel's first cell as last drawn.
void OrvDial_GetPanelOrigin(int32_t* x, int32_t* y);

// The choice strip: opened by the object "PARCHEMIN" in the inventory, drawn and clicked each frame of the
// view, closed by a click outside it or with the inventory's screen.
bool DialBar_Open();
void DialBar_Continue();
void DialBar_Close();
bool DialBar_IsOpen();
// An object chosen in the inventory: true when it is the parchment (the strip opens).
bool DialBar_Choose(int32_t objectId);
