// The view's interface: the pointer bank "interfac.spr", the zone pointers, the centre cross and the overlays.
#pragma once
#include <cstdint>

class CSurface;
struct SprBank;

extern const char* const INTERFACE_BANK_NAME;  // "interfac.spr"
// The plain arrow of the bank (subject panels, the canoe).
constexpr int INTERFACE_ARROW_SPRITE = 40;
// Pointer kinds besides the zone kinds 0 (none), 1 (next view), 2 (other world) and 3 (scenario):
// 4 a clickable character sprite, 99 the spider's targets.
constexpr int32_t INTERFACE_KIND_PERSO = 4;
constexpr int32_t INTERFACE_KIND_ARAIG = 99;

// Loads the bank from "spr\"; a missing bank is a warning and the view then draws no pointer.
bool Interface_LoadBank();
void Interface_FreeBank();
SprBank* Interface_GetBank();

// Selects the animated pointer of a zone kind; mode is its drawing mode (0 plain, 1 half transparent,
// 2 lightened). Kinds without pointers of their own take the scenario pointer.
void Interface_SetCurseurZone(int32_t kind, int32_t mode);
int32_t Interface_GetCurseurKind();
// Sprite of the pointer in the bank at this frame count.
int32_t Interface_GetCurseurSprite(int32_t frameCount);

// Overlays of one frame into the locked render surface: the pointer at the screen centre, or at the
// free pointer while a panel is open; the centre cross when the setting asks for it; the dowsing rod
// and the choice strip.
void Interface_GereFrame();
void Interface_DrawCentreCross(CSurface& surface, int32_t x, int32_t y);
// The pause notice, drawn on the unlocked render surface.
void Interface_DrawPauseNotice();
