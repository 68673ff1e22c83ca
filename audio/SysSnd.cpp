// The sound layer: device enumeration and opening, handle table and buffer operations with their reports.
#include "audio/SysSnd.h"

#include <SDL.h>

#include <cstring>
#include <string>

#include "app/Clock.h"
#include "app/Orv_Log.h"
#include "audio/SoundMixer.h"

namespace {

struct Device {
    bool present = false;
    std::string description;
    std::string driverName;
};

Device g_devices[SYSSND_MAX_DEVICES];
int g_deviceCount = 0;
void* g_window = nullptr;
int32_t g_inUse[SYSSND_MAX_HANDLES];

SysSndDriver g_driver = SysSndDriver::Sdl;
bool g_sdlAudioInit = false;
SDL_AudioDeviceID g_sdlDevice = 0;
bool g_offlineOpen = false;
bool g_paused = false;
// The play clock: when the output last stopped, and the seconds it has stood still in all.
double g_pausedAt = 0.0;
double g_pausedFor = 0.0;

constexpr int kPlayWithoutBuffer = 123456;

bool validHandle(SoundHandle h) { return h >= 1 && h < SYSSND_MAX_HANDLES; }

// One enumerated device; false ends the enumeration (the table is full).
bool enumProc(const char* description, const char* driverName) {
    if (g_deviceCount >= SYSSND_MAX_DEVICES) return false;
    Device& d = g_devices[g_deviceCount];
    d.description = description ? description : "";
    d.driverName = driverName ? driverName : "";
    d.present = true;
    g_deviceCount++;
    return true;
}

// A mixer result as the layer's: a failure is a fatal report ending with the result.
int reported(int rc, const char* text) {
    if (rc == SND_OK) return 0;
    OrvError_Fatal("%s%d", text, rc);
    return 1;
}

void closeDevice() {
    if (g_sdlDevice) SDL_CloseAudioDevice(g_sdlDevice);
    g_sdlDevice = 0;
    if (g_sdlAudioInit) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_sdlAudioInit = false;
    g_offlineOpen = false;
}

void sdlCallback(void*, Uint8* stream, int len) { SysSnd_Mixer().Render(reinterpret_cast<int16_t*>(stream), len / 4); }

// Opens the default output with the mix's format; false when there is none to open.
bool openSdlDevice(int rate) {
    if (g_sdlDevice) SDL_CloseAudioDevice(g_sdlDevice);
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512;
    want.callback = sdlCallback;
    g_sdlDevice = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (!g_sdlDevice) debug_log("SysSnd : %s", SDL_GetError());
    return g_sdlDevice != 0;
}

}  // namespace

SoundMixer& SysSnd_Mixer() {
    static SoundMixer mixer;
    return mixer;
}

void SysSnd_SelectDriver(SysSndDriver driver) { g_driver = driver; }
SysSndDriver SysSnd_GetDriver() { return g_driver; }

int SysSnd_MainInit(void* window) {
    SysSnd_MainClose();
    g_window = window;
    if (SysSnd_EnumSoundCard() < 2) {
        OrvError_Warning("SysSnd_MainInit (no soundcard)");
        return 0;
    }
    if (SysSnd_InitSoundCard(0, 22050, 16, 2) != 0) {
        OrvError_Fatal("SysSnd_MainInit");
        return 0;
    }
    return 1;
}

int SysSnd_MainClose() {
    closeDevice();
    SysSnd_Mixer().ReleaseAll();
    for (Device& d : g_devices) d = Device{};
    g_deviceCount = 0;
    std::memset(g_inUse, 0, sizeof g_inUse);
    SysSnd_PauseDevice(false);
    return 0;
}

// The default device comes first, then each device the driver names; a driver that names none (it
// only has its default output) still counts its default as one real device. A default device that
// cannot be opened ends the enumeration, as when there is no sound hardware.
int SysSnd_EnumSoundCard() {
    g_deviceCount = 0;
    switch (g_driver) {
        case SysSndDriver::None:
            break;
        case SysSndDriver::Offline:
            enumProc("Périphérique son principal", "offline");
            enumProc("Sortie hors ligne", "offline");
            break;
        case SysSndDriver::Sdl: {
            if (!g_sdlAudioInit) {
                if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
                    debug_log("SysSnd_EnumSoundCard() : %s", SDL_GetError());
                    break;
                }
                g_sdlAudioInit = true;
            }
            if (!openSdlDevice(22050)) break;
            SDL_CloseAudioDevice(g_sdlDevice);
            g_sdlDevice = 0;
            const char* driver = SDL_GetCurrentAudioDriver();
            enumProc("Périphérique son principal", driver);
            const int n = SDL_GetNumAudioDevices(0);
            for (int i = 0; i < n; ++i)
                if (!enumProc(SDL_GetAudioDeviceName(i, 0), driver)) break;
            if (n <= 0) enumProc("Sortie par défaut", driver);
            break;
        }
    }
    return g_deviceCount;
}

int SysSnd_DeviceCount() { return g_deviceCount; }

const char* SysSnd_DeviceDescription(int device) {
    if (device < 0 || device >= g_deviceCount) return "";
    return g_devices[device].description.c_str();
}

int SysSnd_InitSoundCard(int device, uint16_t rate, uint16_t bits, uint16_t channels) {
    if (device < 0 || device >= g_deviceCount) {
        OrvError_Fatal("SysSnd_InitSoundCard() : NumSoundCard too High");
        return 1;
    }
    if (bits != 16 || channels != 2 || rate < SND_MIN_RATE || rate > SND_MAX_RATE) {
        OrvError_Fatal("SysSnd_InitSoundCard(): SetFormat(): Result=%d", SND_ERR_BADFORMAT);
        return 1;
    }
    if (g_driver == SysSndDriver::Offline) {
        g_offlineOpen = true;
    } else {
        if (!openSdlDevice(rate)) {
            OrvError_Fatal("SysSnd_InitSoundCard() create buffer Primary sound:Result=%d", SND_ERR_NOBUFFER);
            return 1;
        }
        SDL_PauseAudioDevice(g_sdlDevice, g_paused ? 1 : 0);
    }
    SysSnd_Mixer().SetOutputRate(rate);
    debug_log("SysSnd_InitSoundCard(%s) : %d Hz, %d bits, %d canaux", g_devices[device].description.c_str(), rate, bits,
              channels);
    return 0;
}

int SysSnd_GetSoundBuffer(int device, int rate, int length, int bits, int channels, SoundHandle* out,
                          SoundHandle wanted) {
    if (device < 0 || device >= g_deviceCount) {
        OrvError_Fatal("GetSoundBuffer() NumSoundCard too High");
        return 1;
    }
    if (!g_devices[device].present) return 0;
    if (!out && wanted == 0) return 1;
    SoundHandle h;
    if (out) {
        if (SysSnd_GetSoundBufferHandle(0, out) != 0) return 1;
        h = *out;
    } else {
        if (SysSnd_GetSoundBufferHandle(wanted, nullptr) != 0) return 1;
        h = wanted;
    }
    SoundMixer& mixer = SysSnd_Mixer();
    mixer.Release(h);  // a buffer left behind by a freed handle
    const int rc = mixer.Create(h, rate, bits, channels, length);
    if (rc != SND_OK) {
        SysSnd_FreeSoundBufferHandle(h);
        OrvError_Fatal("SysSnd_GetSoundBuffer(): erreur create buffer sound: Result=%d", rc);
        return 1;
    }
    return 0;
}

int SysSnd_GetSoundBufferHandle(SoundHandle wanted, SoundHandle* out) {
    if (wanted != 0 || !out) {
        if (!validHandle(wanted) || g_inUse[wanted]) {
            OrvError_Fatal("SysSnd_GetSoundBufferHandle() :too many handle opened!");
            return 1;
        }
        g_inUse[wanted] = -1;
        return 0;
    }
    for (SoundHandle h = 1; h < SYSSND_MAX_HANDLES; ++h) {
        if (!g_inUse[h]) {
            g_inUse[h] = -1;
            *out = h;
            return 0;
        }
    }
    OrvError_Fatal("SysSnd_GetSoundBufferHandle() :too many handle opened!");
    return 1;
}

int SysSnd_ReleaseSoundBuffer(SoundHandle h) {
    if (!SysSnd_HasBuffer(h)) return 0;
    SysSnd_FreeSoundBufferHandle(h);
    SysSnd_Mixer().Stop(h);
    SysSnd_Mixer().Release(h);
    return 0;
}

int SysSnd_FreeSoundBufferHandle(SoundHandle h) {
    if (validHandle(h)) g_inUse[h] = 0;
    return 0;
}

bool SysSnd_HasBuffer(SoundHandle h) { return validHandle(h) && SysSnd_Mixer().Exists(h); }

int SysSnd_LockSoundBuffer(SoundHandle h, int offset, int length, void** data, int* lockedLength) {
    if (data) *data = nullptr;
    if (lockedLength) *lockedLength = 0;
    if (!SysSnd_HasBuffer(h)) {
        OrvError_Fatal("SysSnd_LockSoundBuffer(BufferSound[%d]= NULL  SoundHandle=%d  Offset=%d Len=%d)", h, h, offset,
                       length);
        return 1;
    }
    return reported(SysSnd_Mixer().Lock(h, offset, length, data, lockedLength), "SysSnd_LockSoundBuffer() : Result=");
}

int SysSnd_UnlockSoundBuffer(SoundHandle h) {
    if (!SysSnd_HasBuffer(h)) return 0;
    return reported(SysSnd_Mixer().Unlock(h), "SysSnd_UnlockSoundBuffer()  :Result=");
}

int SysSnd_GetSoundPosition(SoundHandle h, int* play, int* write) {
    if (!SysSnd_HasBuffer(h)) return 0;
    SysSnd_Mixer().GetPosition(h, play, write);
    return 0;
}

int SysSnd_SetSoundPosition(SoundHandle h, int offset) {
    if (!SysSnd_HasBuffer(h)) return 0;
    if (SysSnd_Mixer().SetPosition(h, offset) != SND_OK) {
        OrvError_Fatal("DSound ERROR:erreur Set position buffer sound offset=%d", offset);
        return 1;
    }
    return 0;
}

int SysSnd_SetSoundVolume(SoundHandle h, int attenuation) {
    if (!SysSnd_HasBuffer(h)) return 0;
    return reported(SysSnd_Mixer().SetVolume(h, attenuation), "SysSnd_SetSoundVolume(): Result=");
}

int SysSnd_SetSoundPan(SoundHandle h, int pan) {
    if (!SysSnd_HasBuffer(h)) return 0;
    return reported(SysSnd_Mixer().SetPan(h, pan), "SysSnd_SetSoundPan() : Result=");
}

int SysSnd_PlaySound(SoundHandle h, int loop) {
    const int rc = SysSnd_HasBuffer(h) ? SysSnd_Mixer().Play(h, loop != 0) : kPlayWithoutBuffer;
    return reported(rc, "SysSnd_PlaySound() : Result=");
}

int SysSnd_StopSound(SoundHandle h) {
    if (!SysSnd_HasBuffer(h)) return 0;
    SysSnd_Mixer().Stop(h);
    return 0;
}

int SysSnd_GetSoundStatus(SoundHandle h, uint32_t* status) {
    if (!status) return 1;
    *status = 0xFFFFFFFFu;
    if (!SysSnd_HasBuffer(h)) return 0;
    SysSnd_Mixer().GetStatus(h, status);
    return 0;
}

void SysSnd_PauseDevice(bool paused) {
    if (paused == g_paused) return;
    g_paused = paused;
    if (paused) g_pausedAt = CTClock::GetTime();
    else g_pausedFor += CTClock::GetTime() - g_pausedAt;
    if (g_sdlDevice) SDL_PauseAudioDevice(g_sdlDevice, paused ? 1 : 0);
    debug_log("SysSnd_PauseDevice(%d)", paused ? 1 : 0);
}

bool SysSnd_DevicePaused() { return g_paused; }

double SysSnd_GetPlayTime() { return (g_paused ? g_pausedAt : CTClock::GetTime()) - g_pausedFor; }

bool SysSnd_OfflineRender(int16_t* out, int frames) {
    if (frames <= 0) return false;
    if (!g_offlineOpen || g_paused) {
        std::memset(out, 0, size_t(frames) * 4);
        return false;
    }
    SysSnd_Mixer().Render(out, frames);
    return true;
}
