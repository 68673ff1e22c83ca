// Sound effects and voices: the table of decoded sounds, the twelve voices, volumes and the video soundtrack.
#pragma once
#include <cstdint>
#include <string>

#include "audio/Orv_SoundWorld.h"
#include "audio/SysSnd.h"

constexpr int ORVSOUND_MAX_SOUNDS = 50;
constexpr int ORVSOUND_VOICES = 12;
constexpr SoundHandle ORVSOUND_NO_HANDLE = 0x7F7F7F7F;
// Voices by convention: the music, the video soundtrack and script sounds, the first ambient noise.
enum : int { VOICE_MUSIC = 0, VOICE_QMV = 2, VOICE_BRUITAGE = 3 };

// Set when the next video's soundtrack is loaded; the video player reads and clears it.
extern uint8_t QmvSoundLoaded;

// Start-up: sound device, attenuation table, codec, music directory.
bool OrvSound_MainInit();
void OrvSound_MainClose();
// Stops every voice and frees every sound.
void OrvSound_FreeAll();
bool OrvSound_Available();

// Id of the sound loaded under that name (shared, one share more), or -1.
int OrvSound_load(const char* name, ST_wam_son_pos* pos);
int find_free_sound();
bool OrvSound_LoadKsn(const char* path, int id);
bool OrvSound_KsnExists(const char* name);
// Gives back one share of the sound after stopping the voice; the data goes with the last share.
void OrvSound_free(int id, int voice);
void OrvSound_SetLoop(int id, int loop);

// The voice, or -1.
int OrvSound_play(int id, int voice);
int OrvSound_play_set(const void* data, int length, int voice, int loop, int rate, int bits, int channels,
                      int attenuation, int pan, int startOffset);
int OrvSound_play_raw(const void* data, int length, int voice, int rate, int bits, int channels, int startOffset);
int OrvSound_StartVoice(int voice, int loop, int attenuation, int pan);
int OrvSound_stop_voice(int voice);
// 1 while the voice plays (or is marked playing without a buffer), 0 once it has stopped.
int OrvSound_get_voice_state(int voice);
SoundHandle OrvSound_GetVoiceHandle(int voice);

void OrvSound_InitVolumeTables();
// Volume 0..127 (scaled by the master volume) to hundredths of a decibel.
int OrvSound_VolumeToAttenuation(int volume);
// Attenuation and pan of a positioned source from its left and right levels (0..255) and the
// effects volume; both levels 0 give pan 0.
void OrvSound_LevelsToVolumePan(float left, float right, int* attenuation, int* pan);

// Video soundtrack and script sounds on voice 2.
void OrvSound_LoadQmvSound(const char* name);
void OrvSound_SetQmvSoundName(const char* name);
void OrvSound_ReloadQmvSound();
void OrvSound_ClearQmvSoundName();
void OrvSound_FreeQmvSound();
void OrvSound_PlayQmvSound(const char* name);
// Each main-loop pass: frees the script sound once voice 2 has stopped.
void OrvSound_CheckQmvSound();
// Id of the soundtrack OrvSound_LoadQmvSound loaded, -1 when none.
int OrvSound_GetQmvSoundId();

// What a table entry holds (tests and diagnostics); false for a free entry.
struct OrvSoundInfo {
    std::string name;
    int shares = 0;
    int length = 0;
    int rate = 0;
    int channels = 0;
    int loop = 0;
    const ST_wam_son_pos* pos = nullptr;
    const int16_t* pcm = nullptr;
};
bool OrvSound_GetInfo(int id, OrvSoundInfo* out);
// World change: entries that outlive the world file forget their record.
void OrvSound_DropPositions();

// Ambient noises of the current view (voices 3 to 10).
constexpr int MAX_BRUIT_PAR_WARP = 8;
void OrvSound_ResetBruitages();
void OrvSound_InitBruitagesWarp();
void OrvSound_GereBruitagesWarp();
void OrvSound_SetBruitagesTransition(int frames);
void OrvSound_GereBruitagesFli();
void OrvSound_InitBruitagesApresFli();
void OrvSound_FreeBruitages();
void tst_start_new_bruitage(int slot);
bool OrvSound_BruitageInView(const ST_wam_bruitage* ref);

// A slot of the ambient-noise table (tests and diagnostics).
struct BruitageSlotInfo {
    int ids[4];
    const ST_wam_bruitage* ref;
    int choice;
    int32_t nextStart;
};
BruitageSlotInfo OrvSound_GetBruitageSlot(int slot);
// The listener's position and the previous view's (the one that glides during a transition).
void OrvSound_GetListener(float current[3], float previous[3]);
