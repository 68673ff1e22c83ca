// The sound layer: numbered sound buffers over the software mixer, played by SDL or by an offline device.
#pragma once
#include <cstdint>

class SoundMixer;

// 1..255 names one buffer; 0 asks for a free one.
using SoundHandle = int32_t;
constexpr int SYSSND_MAX_DEVICES = 16;
constexpr int SYSSND_MAX_HANDLES = 256;

// Where the mix goes: the SDL audio device, an offline device the caller renders by hand (tests,
// tools), or nothing at all (the machine without sound).
enum class SysSndDriver { Sdl, Offline, None };
void SysSnd_SelectDriver(SysSndDriver driver);
SysSndDriver SysSnd_GetDriver();

// 1 when a device was opened at 22050 Hz, 16 bits, stereo; 0 without sound.
int SysSnd_MainInit(void* window);
// Closes the device and frees every buffer and handle.
int SysSnd_MainClose();
int SysSnd_EnumSoundCard();
int SysSnd_DeviceCount();
const char* SysSnd_DeviceDescription(int device);
int SysSnd_InitSoundCard(int device, uint16_t rate, uint16_t bits, uint16_t channels);

// Operations return 0 for success and 1 for failure; failures are fatal reports.
int SysSnd_GetSoundBuffer(int device, int rate, int length, int bits, int channels, SoundHandle* out,
                          SoundHandle wanted);
int SysSnd_GetSoundBufferHandle(SoundHandle wanted, SoundHandle* out);
int SysSnd_ReleaseSoundBuffer(SoundHandle h);
int SysSnd_FreeSoundBufferHandle(SoundHandle h);
int SysSnd_LockSoundBuffer(SoundHandle h, int offset, int length, void** data, int* lockedLength);
int SysSnd_UnlockSoundBuffer(SoundHandle h);
int SysSnd_GetSoundPosition(SoundHandle h, int* play, int* write);
int SysSnd_SetSoundPosition(SoundHandle h, int offset);
int SysSnd_SetSoundVolume(SoundHandle h, int attenuation);
int SysSnd_SetSoundPan(SoundHandle h, int pan);
int SysSnd_PlaySound(SoundHandle h, int loop);
int SysSnd_StopSound(SoundHandle h);
// Writes all bits set first; bit 0 = playing.
int SysSnd_GetSoundStatus(SoundHandle h, uint32_t* status);
bool SysSnd_HasBuffer(SoundHandle h);

// Stops (and resumes) the output while the window is inactive, so a starved stream does not replay.
void SysSnd_PauseDevice(bool paused);
bool SysSnd_DevicePaused();
// Seconds of the global clock that stand still while the output is paused: what plays is timed on it.
double SysSnd_GetPlayTime();
// Offline device: mixes `frames` stereo frames into out; silence (and false) when no offline device
// is open or it is paused.
bool SysSnd_OfflineRender(int16_t* out, int frames);
SoundMixer& SysSnd_Mixer();
