// Streamed music: one KSN music decoded piece by piece into a looping buffer on voice 0, with marks,
// loops, fades and the hook that chains the next music.
#pragma once
#include <cstdint>
#include <string>

#include "audio/Adpcm.h"

constexpr int MUSIC_BUFFER_SIZE = 524288;
constexpr int MUSIC_PIECE_SIZE = 16384;
constexpr int MUSIC_ADPCMBUF_SIZE = 4096;
constexpr int MUSIC_LOW_VOLUME = 14;

enum : int32_t {
    MUZIK_IDLE = 0,
    MUZIK_START = 1,
    MUZIK_START_AT_MARK = 2,
    MUZIK_FADING = 3,
    MUZIK_PLAYING = 4,
    MUZIK_STOP = 5,
};

// One record of a ".spp" mark file: mark i + 1 is record i.
struct ST_tbl_mark {
    uint32_t position;  // offset in the ADPCM data, after the 32-byte header
    AdpcmStreamState state;
};
static_assert(sizeof(ST_tbl_mark) == 56, "the mark record is the file's record");

// Asked when a music ends and no loop is left: writes the next music's file name, start mark and loop
// count and returns its number, or 0 to loop the music that is playing.
using OrvMuzikLoadHook = int (*)(std::string& name, int& mark, int& loops);

bool OrvMuzik_MainInit();
void OrvMuzik_MainClose();
void OrvMuzik_SetLoadHook(OrvMuzikLoadHook hook);

bool OrvMuzik_Start(const char* name, int mark, int loops);
bool OrvMuzik_Play(const char* name);
void OrvMuzik_Stop();
// One step of the state machine; true when it loaded a piece and wants to be called again at once.
bool OrvMuzik_Step();
// Steps until nothing is left to load: every main-loop pass and inside long operations.
void OrvMuzik_Run();
// One fade step while fading (the frame timer calls it too).
void OrvMuzik_Fade();

void OrvMuzik_SetVolumePercent(int percent);
void OrvMuzik_ApplyVolume(int volume);
bool OrvMuzik_SetMaxVol(int volume);
int OrvMuzik_GetMaxVol();
int OrvMuzik_GetMinVol();
int OrvMuzik_GetCurrentVol();
int32_t OrvMuzik_GetState();
int OrvMuzik_GetCurrentMark();
// Takes effect at the next start.
void OrvMuzik_SetLowVolume(bool low);

bool OrvMuzik_GotoMark(int mark);
int OrvMuzik_GetRandomMark();

extern int32_t OrvMuzik_nb_loop;

// Internal steps, open for tests.
bool Load_Spp(const char* musicPath);
bool music_name_to_spp_name(const char* musicPath, std::string* sppPath);
bool check_buffer_music();
int OrvMuzik_GetMarkCount();
// Bytes of PCM delivered since the start of the data, and where the next piece goes in the buffer.
int32_t OrvMuzik_GetMusicPosition();
int32_t OrvMuzik_GetLoadOffset();

// The digits just before the extension of a music path ("music/muzik07.ksn" gives 7), or -1.
int music_number_from_name(const char* path);
