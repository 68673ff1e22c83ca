// Software mixer: numbered PCM buffers, each resampled from its own format into one stereo output.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// Results of the mixer's buffer operations (printed in the sound layer's reports).
enum : int {
    SND_OK = 0,
    SND_ERR_INVALIDPARAM = -1,
    SND_ERR_BADFORMAT = -2,
    SND_ERR_NOBUFFER = -3,
    SND_ERR_LOCKED = -4,
    SND_ERR_NOTLOCKED = -5,
};

// Status bits of a buffer.
enum : uint32_t {
    SND_STATUS_PLAYING = 1,
    SND_STATUS_LOOPING = 4,
};

// Buffer formats the mixer accepts.
constexpr int SND_MIN_RATE = 100;
constexpr int SND_MAX_RATE = 100000;
constexpr int SND_MAX_BUFFER_BYTES = 256 << 20;

// Every operation takes the mixer's lock, which the output callback holds while it mixes; a lock
// hands out a private copy of the region, written back by the unlock, so the caller may fill it
// (from a file, say) without holding anything.
class SoundMixer {
public:
    static constexpr int kSlots = 256;  // slot 0 is never used

    explicit SoundMixer(int outputRate = 22050);
    ~SoundMixer();
    SoundMixer(const SoundMixer&) = delete;
    SoundMixer& operator=(const SoundMixer&) = delete;

    void SetOutputRate(int rate);
    int OutputRate() const { return outputRate_; }

    // 16-bit PCM, 1 or 2 channels, SND_MIN_RATE..SND_MAX_RATE Hz, at least one frame.
    int Create(int slot, int rate, int bits, int channels, int lengthBytes);
    bool Exists(int slot) const;
    // Stops and frees the buffer (and a pending lock).
    void Release(int slot);
    void ReleaseAll();

    // One region from offset, cut at the end of the buffer; one lock at a time per buffer.
    int Lock(int slot, int offset, int length, void** data, int* lockedLength);
    int Unlock(int slot);

    int Play(int slot, bool loop);
    int Stop(int slot);
    // Byte offsets; everything from the play cursor on is still to be mixed, so it is also the write cursor.
    int GetPosition(int slot, int* play, int* write) const;
    int SetPosition(int slot, int offset);
    // Hundredths of a decibel: volume -10000..0, pan -10000 (left only) .. 10000 (right only).
    int SetVolume(int slot, int attenuation);
    int SetPan(int slot, int pan);
    int GetStatus(int slot, uint32_t* status) const;
    // The channel gains the volume and pan give (tests).
    bool GetGains(int slot, float* left, float* right) const;

    // Mixes `frames` stereo frames into out (interleaved); safe from the output thread.
    void Render(int16_t* out, int frames);

private:
    struct Buffer;
    Buffer* get(int slot) const;
    static void updateGains(Buffer& b);
    void mixOne(Buffer& b, float* acc, int frames);

    mutable std::mutex mu_;
    int outputRate_;
    std::array<std::unique_ptr<Buffer>, kSlots> slots_;
    std::vector<float> acc_;
};
