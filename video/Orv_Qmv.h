// The full-motion video player: ".qmv" files read block by block, decoded into two surfaces, one picture a tick.
#pragma once
#include <cstdint>

#include "video/QmvFormat.h"

class CSurface;
namespace Velkrum {
class CDirectDrawWindow;
}

// The read ring holds this much beyond the largest block, so a block is always whole in it.
constexpr uint32_t QMV_RING_SIZE = 524288;

// What the player calls in the main loop and the dialogue, installed by those modules at start-up. Missing
// entries: the loop type kept here, no intro chain, no soundtrack id, videos over a dialogue play without it.
struct OrvQmvLink {
    int32_t (*getLoopType)() = nullptr;          // OrvMain_GetLoopType
    int32_t (*setLoopType)(int32_t) = nullptr;   // OrvMain_SetLoopType: returns the previous type
    bool (*introPending)() = nullptr;            // the intro-in-progress flag
    void (*playIntro)() = nullptr;               // OrvMain_PlayIntro
    int (*soundtrackId)() = nullptr;             // id of the sound OrvSound_LoadQmvSound loaded
    void (*dialStartOverVideo)(int32_t dialogue) = nullptr;
    void (*dialUpdateOverVideo)() = nullptr;
    void (*dialDisplay)(Velkrum::CDirectDrawWindow* window) = nullptr;
    void (*dialRemoveOverVideo)() = nullptr;
};
void OrvQmv_SetLink(const OrvQmvLink& link);

// Starts a video of the CD's "datas_q2\qmv\" directory in loop type 1 and shows its first picture.
bool OrvQmv_start(const char* name);
bool OrvQmv_startOverDialogue(const char* name, int32_t dialogue);
// Opens a video by full path: header, surfaces, read ring. False when it is missing or refused.
bool OrvQmv_open(const char* path);
// Main-loop step of loop type 1: true while the video goes on.
bool OrvQmv_step();
// Loads, decodes and shows one picture.
void OrvQmv_frame();
// Loads and decodes the next picture without showing it.
void OrvQmv_next();
// Back to the first picture, decoded and not shown.
void OrvQmv_rewind();
void OrvQmv_stop();

void OrvQmv_ClearMusicFlag();
// True once after a video outside a dialogue, bringing the music back to full volume.
bool OrvQmv_RestoreMusic();
bool OrvQmv_IsEnded();
// The surface holding the last decoded picture (null while closed).
CSurface* OrvQmv_GetSurface();
// The alpha chunk of the current block, or null.
const uint8_t* qmv_alpha_chunk();
uint32_t qmv_alpha_chunk_size();
bool qmv_has_alpha();

// Reads the next block into the compression buffer: its length, or 0 at the end of the file, for a short
// or corrupt block, or one past the buffer (fatal).
int32_t Ubb_load_one_block();

// State, open for tests.
int32_t OrvQmv_GetFrameCount();
int32_t OrvQmv_GetHeaderFrameCount();
bool OrvQmv_IsOpen();
bool OrvQmv_IsOverDialogue();
// The header copy (depth byte rewritten to 15 or 16).
const uint8_t* OrvQmv_GetHeader();
