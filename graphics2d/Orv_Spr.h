// Sprite front end: the drawing plug-in, sprite banks, the mouse cursor, overlay banks and SPW files.
#pragma once
#include <climits>
#include <cstdint>

#include "graphics2d/PixelFormat.h"
#include "graphics2d/SprDll.h"
#include "graphics2d/Surface.h"

// A loaded bank or SPW file: one allocation holding the file's contents (layout in docs/sprites.md).
struct SprBank;
struct SprSpw;

// Drawing modes of OrvSpr_Aff.
enum : int {
    SPR_MODE_PLAIN = 0,
    SPR_MODE_TRS50 = 1,    // half transparent
    SPR_MODE_ECL = 2,      // lightened (saturated add)
    SPR_MODE_OMB = 3,      // shadow: darkens the target to half under the sprite
    SPR_MODE_ALPHA = 4,    // per-pixel alpha of "SPRVELK1" banks
    SPR_MODE_TRS = 0x100,  // + level 0..256: variable transparency, 256 opaque
};
// x (and y) equal to this: no position given, the sprite's own offset places it.
constexpr int SPR_NOPOS = INT_MIN;

// Overlay (spf) banks loaded at once.
constexpr int MAX_SPF = 8;

// The plug-in's entry points, for callers that need the routines OrvSpr does not wrap.
struct SprDllApi {
    SprDllInitFn* init;
    SprDllFreeFn* free;
    SprAffFn* aff_spr;
    SprAffFn* aff_spw;
    SprAffFn* aff_sprtrs50;
    SprAffLevelFn* aff_sprtrs;
    SprAffFn* aff_spralpha;
    SprAffFn* aff_sprecl;
    SprAffLevelFn* aff_spromb;
    SprPalFn* conv_pal32;
    SprPalArgFn* conv_pal16;
    SprGetSizeFn* get_sprz;
    SprGetPairFn* get_sprt;
    SprSetPairFn* mod_sproff;
    SprGetPairFn* get_sproff;
    SprCountFn* get_nbspr;
    SprConvFn* conv_spr32_64;
    SprPalFn* restore_pal;
    SprPalFn* save_pal;
    SprPalArgFn* shadow_pal;
    SprRepalFn* repal;
};

// "blt_p6" for processor kind 6 and above except the kinds without MMX, else "blt_p5".
const char* OrvSpr_PluginName(int processorKind);
// Loads the plug-in of the current ProcessorKind; a missing or broken plug-in is fatal.
bool OrvSpr_MainInit();
// Frees the overlay banks, forgets cursor and target, unloads the plug-in.
void OrvSpr_MainClose();
// Null before OrvSpr_MainInit.
const SprDllApi* OrvSpr_GetDll();
// Variant number reported by the loaded plug-in (5 or 6), 0 when none is loaded.
int OrvSpr_GetPluginVariant();
// Text of a plug-in result code.
const char* OrvSpr_GetErrorText(int code);

// Screen format that bank palettes are converted to at load (default 5-6-5).
void OrvSpr_SetScreenFormat(const CPixelFormat& format);

// Banks: name relative to "spr\" unless fullPath. Missing file or a bank already in *bank: warning and
// false; a bad file is fatal. *bank stays null when nothing was loaded.
bool OrvSpr_LoadBank(const char* name, SprBank** bank, int fullPath);
// Frees the bank and sets *bank to null; the cursor, object in hand and overlays forget it.
void OrvSpr_LibereBank(SprBank** bank);
int OrvSpr_GetNbSprBank(const SprBank* bank);
struct SprSize {
    int32_t w;
    int32_t h;
};
bool OrvSpr_GetSize(const SprBank* bank, int n, int* w, int* h);
bool Spr_Gett(const SprBank* bank, int n, SprSize* size);

// Target surface (locked by the caller) and clip; the clip is the whole surface until set.
void OrvSpr_SetSurfaceInfo(CSurface* surface);
void OrvSpr_SetClip(const ClipRect& clip);
void OrvSpr_ResetClip();

// Draws sprite n with its hot spot on (x, y). A null bank draws nothing and says nothing.
bool OrvSpr_Aff(SprBank* bank, int n, int x, int y, int mode);
// Draws sprite n centred on (x, y) whatever its hot spot.
bool OrvSpr_Aff_centre(SprBank* bank, int n, int x, int y, int mode);

// Cursor: a sprite and, drawn under it, the object in hand. A null bank clears either.
void OrvSpr_set_curseur(SprBank* bank, int n);
SprBank* OrvSpr_get_curseur_bank();
int OrvSpr_get_curseur_sprite();
void OrvSpr_SetObjetEnMainSprite(int n, SprBank* bank);
// The object-in-hand sprite's bank (null when none) and number.
SprBank* OrvSpr_GetObjetEnMainSprite(int* n);
// Clears cursor and object in hand, then calls the reset hook (the scenario's "OBJETENMAIN" := 0).
void OrvSpr_reset_curseur();
void OrvSpr_SetResetHook(void (*hook)());
// Where OrvSpr_Aff_curseur_souris reads the mouse position (the framework's input state).
void OrvSpr_SetMouseSource(const int32_t* x, const int32_t* y);
void OrvSpr_Aff_curseur(int x, int y);
void OrvSpr_Aff_curseur_souris();
// At the centre of the render area: the clip rectangle on the target surface.
void OrvSpr_Aff_curseur_centre();

// Overlay banks from "datas_q2\spf\", drawn together over video frames by their own offsets.
bool OrvSpr_LoadSpf(const char* name);
// Draws sprite `number` of every overlay bank that has it.
void OrvSpr_Aff_spf(int number);
void OrvSpr_clear_spf();

// SPW files (full path): same reports as banks, but a bad file is a warning.
bool OrvSpr_LoadSpw(const char* path, SprSpw** spw);
void OrvSpr_FreeSpw(SprSpw** spw);
int OrvSpr_GetNbFrameSpw(const SprSpw* spw);
// Draws a frame with its corner on (x, y) plus the frame's offset.
bool OrvSpr_AffSpw(SprSpw* spw, int frame, int x, int y);
