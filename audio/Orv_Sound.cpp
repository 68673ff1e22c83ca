// Sound effects and voices: loading KSN sounds by name, the twelve voices, volume tables, video soundtrack.
#include "audio/Orv_Sound.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "app/Config.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Orv_Mem.h"
#include "audio/Adpcm.h"
#include "audio/AudioMath.h"
#include "audio/SoundMixer.h"
#include "audio/Orv_Muzik.h"
#include "framework/Window.h"

uint8_t QmvSoundLoaded = 0;

namespace {

constexpr const char* kPcmTag = "ksn sound";

struct SoundEntry {
    std::string name;
    ST_wam_son_pos* pos = nullptr;
    uint8_t* data = nullptr;  // null: entry free
    int length = 0;
    int rate = 0;
    int bits = 16;
    int channels = 1;
    int loop = 0;
    int shares = 0;
};

struct Voice {
    SoundHandle handle = ORVSOUND_NO_HANDLE;
    bool playing = false;
};

SoundEntry g_sounds[ORVSOUND_MAX_SOUNDS];
Voice g_voices[ORVSOUND_VOICES];
int32_t g_attenuation[128];
bool g_available = false;
bool g_initialised = false;

int g_qmvId = -1;
bool g_qmvPlaying = false;
std::string g_qmvPendingName;

bool validVoice(int voice) { return voice >= 0 && voice < ORVSOUND_VOICES; }

void releaseEntry(SoundEntry& e) {
    if (e.data) mem_free(e.data, kPcmTag);
    e = SoundEntry{};
}

}  // namespace

bool OrvSound_Available() { return g_available; }

bool OrvSound_MainInit() {
    for (SoundEntry& e : g_sounds) releaseEntry(e);
    for (Voice& v : g_voices) v = Voice{};
    OrvSound_ResetBruitages();
    g_qmvId = -1;
    g_qmvPlaying = false;
    g_qmvPendingName.clear();
    g_available = SysSnd_MainInit(MainWindowHandle) == 1;
    if (!g_available) OrvError_Warning("OrvSound_MainInit() : carte son non dispo");
    OrvSound_InitVolumeTables();
    g_initialised = true;
    const int rc = Adpcm_Init(ADPCM_LIB_VERSION);
    if (rc != ADPCM_OK) {
        char text[128];
        Adpcm_GetErrorText(rc, text, sizeof text);
        OrvError_Fatal("%s", text);
        return false;
    }
    char path[ORV_PATH_MAX];
    build_path_music(path, "");
    OrvFile_MakeDir(path);
    debug_log("Création du répertoire music: %s", path);
    return true;
}

void OrvSound_MainClose() {
    OrvSound_FreeAll();
    SysSnd_MainClose();
    g_initialised = false;
    g_available = false;
}

void OrvSound_FreeAll() {
    for (int v = 0; v < ORVSOUND_VOICES; ++v) OrvSound_stop_voice(v);
    for (SoundEntry& e : g_sounds) releaseEntry(e);
    g_qmvId = -1;
    g_qmvPlaying = false;
}

int find_free_sound() {
    if (!g_initialised) return -1;
    for (int id = 0; id < ORVSOUND_MAX_SOUNDS; ++id)
        if (!g_sounds[id].data) return id;
    OrvError_Fatal("find_free_sound: Sound overflow");
    return -1;
}

int OrvSound_load(const char* name, ST_wam_son_pos* pos) {
    if (!g_initialised || !name || !*name) return -1;
    for (int id = 0; id < ORVSOUND_MAX_SOUNDS; ++id) {
        SoundEntry& e = g_sounds[id];
        if (e.data && e.name == name) {
            e.shares++;
            return id;
        }
    }
    const int id = find_free_sound();
    if (id < 0) return -1;
    char path[ORV_PATH_MAX];
    build_path_ksn(path, name);
    if (!OrvSound_LoadKsn(path, id)) return -1;
    g_sounds[id].name = name;
    g_sounds[id].pos = pos;
    g_sounds[id].shares = 1;
    return id;
}

bool OrvSound_LoadKsn(const char* path, int id) {
    if (id < 0 || id >= ORVSOUND_MAX_SOUNDS) return false;
    releaseEntry(g_sounds[id]);
    OrvFileHandle f = OrvFile_Open(path, ORV_READ);
    if (!f) {
        OrvError_Warning("### ERREUR lecture impossible fichier : %s", path);
        return false;
    }
    const int32_t size = OrvFile_GetSize(f);
    std::vector<uint8_t> file(size_t(size > 0 ? size : 0));
    const int32_t got = file.empty() ? 0 : OrvFile_Read(f, file.data(), size);
    OrvFile_Close(f);
    uint32_t pcmSize = 0, frequency = 0, stereo = 0;
    if (got != size || Adpcm_GetPcmSize(file.data(), file.size(), &pcmSize, &frequency, &stereo) != ADPCM_OK) {
        OrvError_Warning("### ERREUR sur Adpcm_GetPcmSize in Orv_Sound : fichier : %s", path);
        return false;
    }
    if (pcmSize > uint32_t(SND_MAX_BUFFER_BYTES) || frequency < uint32_t(SND_MIN_RATE) ||
        frequency > uint32_t(SND_MAX_RATE)) {
        OrvError_Warning("### ERREUR sur Adpcm_GetPcmSize in Orv_Sound : fichier : %s", path);
        return false;
    }
    // A sound of no frames still occupies its entry; playing it is refused as empty.
    auto* pcm = static_cast<uint8_t*>(mem_alloc(pcmSize ? pcmSize : 4, kPcmTag));
    Adpcm_Decode(file.data(), file.size(), reinterpret_cast<int16_t*>(pcm), pcmSize);
    SoundEntry& e = g_sounds[id];
    e.data = pcm;
    e.length = int(pcmSize);
    e.rate = int(frequency);
    e.bits = 16;
    e.channels = int(stereo) + 1;
    e.loop = 0;
    return true;
}

bool OrvSound_KsnExists(const char* name) {
    if (!name) return false;
    char path[ORV_PATH_MAX];
    build_path_ksn(path, name);
    return OrvFile_Exists(path);
}

void OrvSound_free(int id, int voice) {
    if (!g_initialised) return;
    if (id < 0 || id >= ORVSOUND_MAX_SOUNDS) {
        OrvError_Warning("OrvSound_free:ID_son invalide:%d", id);
        return;
    }
    SoundEntry& e = g_sounds[id];
    if (!e.data) return;
    OrvSound_stop_voice(voice);
    if (--e.shares <= 0) releaseEntry(e);
}

void OrvSound_SetLoop(int id, int loop) {
    if (id >= 0 && id < ORVSOUND_MAX_SOUNDS && g_sounds[id].data) g_sounds[id].loop = loop ? 1 : 0;
}

bool OrvSound_GetInfo(int id, OrvSoundInfo* out) {
    if (id < 0 || id >= ORVSOUND_MAX_SOUNDS || !g_sounds[id].data || !out) return false;
    const SoundEntry& e = g_sounds[id];
    out->name = e.name;
    out->shares = e.shares;
    out->length = e.length;
    out->rate = e.rate;
    out->channels = e.channels;
    out->loop = e.loop;
    out->pos = e.pos;
    out->pcm = reinterpret_cast<const int16_t*>(e.data);
    return true;
}

void OrvSound_DropPositions() {
    for (SoundEntry& e : g_sounds) e.pos = nullptr;
}

int OrvSound_play(int id, int voice) {
    if (!g_initialised) return -1;
    if (id < 0 || id >= ORVSOUND_MAX_SOUNDS) {
        OrvError_Warning("OrvSound_play:ID_son invalide:%d", id);
        return -1;
    }
    const SoundEntry& e = g_sounds[id];
    if (!e.data) return -1;
    if (e.length == 0) {
        OrvError_Warning("OrvSound_play: Son vide ID_son=%d ", id);
        return -1;
    }
    OrvSound_stop_voice(voice);
    int attenuation = OrvSound_VolumeToAttenuation(g_Config.effectsVolume);
    int pan = 0;
    if (e.pos) OrvSound_LevelsToVolumePan(float(e.pos->leftLevel), float(e.pos->rightLevel), &attenuation, &pan);
    OrvSound_play_set(e.data, e.length, voice, e.loop, e.rate, e.bits, e.channels, attenuation, pan, 0);
    return voice;
}

int OrvSound_play_set(const void* data, int length, int voice, int loop, int rate, int bits, int channels,
                      int attenuation, int pan, int startOffset) {
    if (!g_available) return 1;
    const int rc = OrvSound_play_raw(data, length, voice, rate, bits, channels, startOffset);
    // An empty sound succeeds without a buffer: there is nothing to start.
    if (rc == 1 && g_voices[voice].handle != ORVSOUND_NO_HANDLE) OrvSound_StartVoice(voice, loop, attenuation, pan);
    return rc;
}

int OrvSound_play_raw(const void* data, int length, int voice, int rate, int bits, int channels, int startOffset) {
    if (!g_available) return 1;
    if (!validVoice(voice)) {
        OrvError_Warning("OrvSound_play_raw: NumVoix incorrect %d", voice);
        return 0;
    }
    OrvSound_stop_voice(voice);
    if (length <= 0) return 1;
    if (!data) return 0;
    Voice& v = g_voices[voice];
    SoundHandle h = 0;
    if (SysSnd_GetSoundBuffer(0, rate, length, bits, channels, &h, 0) != 0) return 0;
    v.handle = h;
    void* region = nullptr;
    int locked = 0;
    if (SysSnd_LockSoundBuffer(h, 0, length, &region, &locked) != 0) {
        SysSnd_ReleaseSoundBuffer(h);
        v.handle = ORVSOUND_NO_HANDLE;
        return 0;
    }
    if (locked != length) {
        SysSnd_UnlockSoundBuffer(h);
        SysSnd_ReleaseSoundBuffer(h);
        v.handle = ORVSOUND_NO_HANDLE;
        OrvError_Fatal("OrvSound_play_raw: LenLocked!=len ");
        return 0;
    }
    std::memcpy(region, data, size_t(length));
    SysSnd_UnlockSoundBuffer(h);
    if (startOffset) SysSnd_SetSoundPosition(h, startOffset);
    v.playing = true;
    return 1;
}

// Volume and pan go first so the output never mixes the start at the buffer's initial level.
int OrvSound_StartVoice(int voice, int loop, int attenuation, int pan) {
    if (!validVoice(voice)) return 1;
    const SoundHandle h = g_voices[voice].handle;
    SysSnd_SetSoundVolume(h, attenuation);
    SysSnd_SetSoundPan(h, pan);
    return SysSnd_PlaySound(h, loop);
}

int OrvSound_stop_voice(int voice) {
    if (!g_available) return 1;
    if (!validVoice(voice)) {
        OrvError_Warning("OrvSound_stop_voice: NumVoix incorrect:%d", voice);
        return 0;
    }
    Voice& v = g_voices[voice];
    if (v.handle != ORVSOUND_NO_HANDLE) {
        SysSnd_StopSound(v.handle);
        SysSnd_ReleaseSoundBuffer(v.handle);
        v.handle = ORVSOUND_NO_HANDLE;
    }
    v.playing = false;
    return 1;
}

int OrvSound_get_voice_state(int voice) {
    if (!validVoice(voice)) {
        OrvError_Warning("OrvSound_get_voice_state: NumVoix incorrect:%d", voice);
        return 0;
    }
    if (!g_voices[voice].playing) return 0;
    uint32_t status = 0;
    SysSnd_GetSoundStatus(g_voices[voice].handle, &status);
    return status != 0 ? 1 : 0;
}

SoundHandle OrvSound_GetVoiceHandle(int voice) {
    return validVoice(voice) ? g_voices[voice].handle : ORVSOUND_NO_HANDLE;
}

void OrvSound_InitVolumeTables() {
    for (int i = 0; i < 128; ++i) {
        int32_t v = Orv_TruncSat(-0.5 * std::exp((127 - i) / 13.6));
        g_attenuation[i] = v < -10000 ? -10000 : v > 0 ? 0 : v;
    }
    g_attenuation[0] = -10000;
}

int OrvSound_VolumeToAttenuation(int volume) {
    const int64_t index = int64_t(g_Config.masterVolume) * volume / 256;
    if (index < 0) return g_attenuation[0];
    if (index > 127) return g_attenuation[127];
    return g_attenuation[index];
}

void OrvSound_LevelsToVolumePan(float left, float right, int* attenuation, int* pan) {
    const float e = float(g_Config.effectsVolume);
    const float l = (left > 0.0f ? left : 0.0f) * e / 127.0f;
    const float r = (right > 0.0f ? right : 0.0f) * e / 127.0f;
    // Both levels 0: silent and centred rather than a division by zero.
    int p = l + r > 0.0f ? 10000 - Orv_TruncSat(20000.0 * l / (double(l) + r)) : 0;
    *pan = p < -10000 ? -10000 : p > 10000 ? 10000 : p;
    *attenuation = OrvSound_VolumeToAttenuation(Orv_TruncSat((l > r ? l : r) * 0.5));
}

void OrvSound_LoadQmvSound(const char* name) {
    g_qmvId = OrvSound_load(name, nullptr);
    QmvSoundLoaded = g_qmvId != -1 ? 1 : 0;
}

void OrvSound_SetQmvSoundName(const char* name) { g_qmvPendingName = name ? name : ""; }

void OrvSound_ReloadQmvSound() {
    if (g_qmvPendingName.empty()) return;
    OrvMuzik_SetVolumePercent(20);
    OrvSound_LoadQmvSound(g_qmvPendingName.c_str());
}

void OrvSound_ClearQmvSoundName() { g_qmvPendingName.clear(); }

void OrvSound_FreeQmvSound() {
    if (g_qmvId == -1) return;
    OrvSound_free(g_qmvId, VOICE_QMV);
    g_qmvId = -1;
}

void OrvSound_PlayQmvSound(const char* name) {
    if (!OrvSound_KsnExists(name)) return;
    // The share of a sound still held (playing or not) is given back before the next one is taken.
    OrvSound_FreeQmvSound();
    g_qmvId = OrvSound_load(name, nullptr);
    if (g_qmvId == -1) return;
    OrvSound_play(g_qmvId, VOICE_QMV);
    g_qmvPlaying = true;
}

int OrvSound_GetQmvSoundId() { return g_qmvId; }

void OrvSound_CheckQmvSound() {
    if (!g_qmvPlaying || OrvSound_get_voice_state(VOICE_QMV)) return;
    OrvSound_FreeQmvSound();
    g_qmvPlaying = false;
}
