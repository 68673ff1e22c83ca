// View sprites: the animated sprites (.SPW) of the current view, their slots, frame lists and painting.
#pragma once
#include <cstdint>

#include "graphics2d/Surface.h"

struct SprSpw;
struct ST_wam_perso;
struct ST_wam_animation;
struct ST_wam_vue;

constexpr int MAX_SPW_VISIBLES = 34;
constexpr int MAX_FRAME_TAB = 128;
constexpr uint8_t SPW_FRAME_FREE = 0xFE;  // this entry and every one after it are free
constexpr uint8_t SPW_FRAME_NONE = 0xFF;  // a used entry that draws nothing

struct ST_spw_visible {
    int32_t type;         // kind of the element record: 1 character, 2 object, 3 and 4 scenery
    int32_t elem_id;      // name-definition id of the character or object
    int32_t anim_id;      // animation number
    int32_t frame;        // current frame; -1 after the last (the last still drawn), then the first again
    int32_t last_frame;
    int32_t first_frame;  // puzzles may keep a countdown here while the sprite is hidden
    int32_t clic_type;    // non-zero: hit-tested at the screen centre and clickable
    ST_wam_perso* perso;
    ST_wam_animation* anim;
    uint8_t shown;        // 0 hides the sprite
    uint8_t active;       // the slot is drawn and animated
    uint8_t playing;      // frames advance; 0 keeps the current frame
    int32_t flicker;      // non-zero: drawn only on odd frame counts
    uint8_t frame_tab[MAX_FRAME_TAB];
    SprSpw* spw;
    int32_t face;         // cube face it is painted into
    int32_t x, y;         // its corner in the face
    ClipRect drawn;       // face pixels painted this frame; empty (right < left) when none
};

extern ST_spw_visible OrvSpw_Visibles[MAX_SPW_VISIBLES];
extern int32_t OrvSpw_NbVisibles;
// Slot of the clickable shown sprite under the screen centre when this pass has a click, else -1.
extern int32_t OrvSpw_ClickedIndex;
// 0 none; 1 the centre lies on a clickable shown object sprite (kind 2 or 4); 2 on a character (1 or 3).
extern int32_t OrvSpw_PointerOver;

// The scenario's "(ANIM_THE_FRAME=ELEMENT,n)": every slot of the current view showing the element (a character
// or an object of the world file, by name) shows its frame n fixed; a negative n lets it play again. An
// element the view does not show, or a frame the animation of any of its slots lacks, is a warning that
// changes no slot. Returns true when it acted.
bool OrvSpw_AnimTheFrame(const char* value);

// Frees every slot's file; the count drops to 0.
void OrvSpw_FreeAll();
// Loads the file (full path) into the next free slot bound to the element and animation; 1 when loaded.
int OrvSpw_load(const char* path, ST_wam_perso* perso, ST_wam_animation* anim);
// Every animation of the loaded world that belongs to the view; returns the number of slots loaded.
int OrvSpw_LoadView(const ST_wam_vue* vue);
// Shown flags from the elements' visibility; ends with the puzzles' view entry.
void OrvSpw_UpdateObjectIndex();
// An element shown or hidden in the current view (Elem_Show / Elem_Hide); hiding sets frame 0.
void OrvSpw_UpdateElem(int32_t id, int32_t kind, bool shown);

// An element is named by its id and its kind: characters (odd kinds) and objects (even kinds) number
// their ids apart, so one id may name one of each in the same view.
// First slot showing the element, or -1; the same of one animation of the element.
int32_t OrvSpw_FindSlot(int32_t elemId, int32_t kind);
int32_t OrvSpw_FindSlotAnum(int32_t elemId, int32_t kind, int32_t anum);
// The same, fatal when no slot shows it; of that animation of the element.
int32_t OrvSpw_find_index(int32_t elemId, int32_t kind);
int32_t OrvSpw_find_index_anum(int32_t elemId, int32_t kind, int32_t anum);

// Frame lists of every slot of an element.
void AddSpwToFrameTab(int32_t elemId, int32_t kind, int32_t frame);
void SubSpwToFrameTab(int32_t elemId, int32_t kind, int32_t frame);
void ClearSpwFrameTab(int32_t elemId, int32_t kind);
int32_t TestSpwFrameTab(int32_t elemId, int32_t kind, int32_t frame);
int32_t OrvSpw_IsAnimInFrame(int32_t elemId, int32_t kind, int32_t frame);

// One frame-timer tick: playing slots step their frame.
void OrvSpw_Advance();
// Paints the shown sprites into the (locked) faces, saving the pixels under them first.
void OrvSpw_Paint(CSurface* const faces[6], int32_t frameCount);
// Puts the saved pixels back, last painted first.
void OrvSpw_Restore();
// First clickable shown slot painted at that face pixel, or -1.
int32_t OrvSpw_HitAt(int face, int32_t px, int32_t py);
