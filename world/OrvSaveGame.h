// Save games "%sORV%02d_%02d.SAV": a "ZAPFILE 1.0" container of named blocks from a registry.
#pragma once
#include <cstdint>
#include <vector>

#include "app/SystemTime.h"

constexpr int32_t SAVE_VERSION = 1;
constexpr int32_t SAVE_MAX_PLAYERS = 10;
constexpr int32_t SAVE_MAX_SLOTS = 99;
// The emergency save of a fatal error.
constexpr int32_t SAVE_EMERGENCY_PLAYER = 9;
constexpr int32_t SAVE_EMERGENCY_SLOT = 8;

// Block "HEADER", first in every save: what the save list shows and where the game stands.
struct ST_save_header {
    uint32_t version;
    SYSTEMTIME time;
    int32_t picture;   // sprite of the save list: the world number ("MONDE") when saved
    int32_t chapter;
    char wam[32];      // world file
    uint32_t lieu_id;
    uint32_t vue_id;
};
static_assert(sizeof(ST_save_header) == 68, "saved as is");

// The header of the last slot ScanSlot found valid.
extern ST_save_header OrvSaveGame_Header;

// One named block of the save. `size` is its fixed size, or -1 when it varies. `check` sees the
// block before anything changes and refuses it by returning false; `load` then applies it.
struct OrvSaveBlockDef {
    const char* name;  // 1 to 15 letters, digits or '_'
    int32_t size;
    void (*save)(std::vector<uint8_t>& out);
    bool (*check)(const uint8_t* data, uint32_t size);
    void (*load)(const uint8_t* data, uint32_t size);
    // A block that saves written before it existed lack: missing, it is neither checked nor applied.
    bool optional = false;
};
// Blocks are written, checked and applied in the order they were registered; a name already
// registered is replaced in place. A registered block missing from a save refuses the load unless it
// is optional.
bool OrvSaveGame_RegisterBlock(const OrvSaveBlockDef& def);
void OrvSaveGame_UnregisterBlock(const char* name);

// Registers the world's own blocks and the emergency save of fatal errors.
void OrvSaveGame_Init();
void OrvSaveGame_Close();

void OrvSaveGame_SetPlayer(int32_t player);
int32_t OrvSaveGame_GetPlayer();
// Full path of a save file; false for a player or slot out of range.
bool OrvSaveGame_BuildPath(char* out, int32_t player, int32_t slot);

// True when the slot of the current player holds a valid save; its header is then in OrvSaveGame_Header.
bool OrvSaveGame_ScanSlot(int32_t slot);
// Writes the current game (a view must be current) through a temporary file, so that a failed
// write leaves the slot's previous save whole.
bool OrvSaveGame_Save(int32_t slot);
bool OrvSaveGame_SaveAs(int32_t player, int32_t slot);
// After a save that failed: true when its device was full (the menus' disk-full page), false for any
// other failure (the disk-error page).
bool OrvSaveGame_DiskWasFull();
// Checks the whole save, its world file and chapter script, then replaces the game with it.
// False with nothing changed when anything is wrong, or while the world's CD is requested.
bool OrvSaveGame_Load(int32_t slot);
bool OrvSaveGame_LoadAs(int32_t player, int32_t slot);
bool OrvSaveGame_Delete(int32_t slot);
// The end of a load: the spider puzzle gets the saved view id, the view is entered again in full
// (OrvWarp_EnterView, which reaches pz_entree_vue, whatever "NextWarpInvalide" holds); then the message
// the save was taken on is shown again, and a waiting block resumes when it closes, or at once when the
// save had no message up.
void init_after_load_End();
// True when a load waiting for a CD was resumed (and succeeded).
bool OrvSaveGame_ResumeLoad();
// A load waits for a CD.
bool OrvSaveGame_LoadPending();
// Player 9, slot 8, when a view is current.
void OrvSaveGame_EmergencySave();
