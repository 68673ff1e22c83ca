// The software mixer: buffer table, locks, volume and pan law, linear resampling and mixing.
#include "audio/SoundMixer.h"

#include <algorithm>
#include <cstring>

#include "audio/AudioMath.h"

struct SoundMixer::Buffer {
    std::vector<int16_t> samples;  // lengthBytes rounded up to whole samples
    int lengthBytes = 0;
    int rate = 0;
    int channels = 0;
    int blockAlign = 0;
    uint32_t frames = 0;
    bool playing = false;
    bool looping = false;
    uint64_t pos = 0;   // frame position, 32.32 fixed point
    uint64_t step = 0;  // source frames per output frame, 32.32
    int volume = 0;
    int pan = 0;
    float gainL = 1.0f;
    float gainR = 1.0f;
    bool locked = false;
    int lockOffset = 0;
    std::vector<uint8_t> staging;

    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(samples.data()); }
};

namespace {
constexpr int kMixBlock = 256;

uint64_t stepFor(int rate, int outputRate) { return (uint64_t(rate) << 32) / uint64_t(outputRate); }
}  // namespace

SoundMixer::SoundMixer(int outputRate) : outputRate_(outputRate > 0 ? outputRate : 22050), acc_(2 * kMixBlock) {}

SoundMixer::~SoundMixer() = default;

void SoundMixer::SetOutputRate(int rate) {
    std::lock_guard<std::mutex> lk(mu_);
    if (rate <= 0) return;
    outputRate_ = rate;
    for (auto& b : slots_)
        if (b) b->step = stepFor(b->rate, rate);
}

SoundMixer::Buffer* SoundMixer::get(int slot) const {
    if (slot < 1 || slot >= kSlots) return nullptr;
    return slots_[size_t(slot)].get();
}

int SoundMixer::Create(int slot, int rate, int bits, int channels, int lengthBytes) {
    if (slot < 1 || slot >= kSlots) return SND_ERR_INVALIDPARAM;
    if (bits != 16 || channels < 1 || channels > 2 || rate < SND_MIN_RATE || rate > SND_MAX_RATE)
        return SND_ERR_BADFORMAT;
    const int blockAlign = 2 * channels;
    if (lengthBytes < blockAlign || lengthBytes > SND_MAX_BUFFER_BYTES) return SND_ERR_INVALIDPARAM;
    auto b = std::make_unique<Buffer>();
    b->samples.assign(size_t(lengthBytes + 1) / 2, 0);
    b->lengthBytes = lengthBytes;
    b->rate = rate;
    b->channels = channels;
    b->blockAlign = blockAlign;
    b->frames = uint32_t(lengthBytes / blockAlign);
    std::lock_guard<std::mutex> lk(mu_);
    if (slots_[size_t(slot)]) return SND_ERR_INVALIDPARAM;
    b->step = stepFor(rate, outputRate_);
    slots_[size_t(slot)] = std::move(b);
    return SND_OK;
}

bool SoundMixer::Exists(int slot) const {
    std::lock_guard<std::mutex> lk(mu_);
    return get(slot) != nullptr;
}

void SoundMixer::Release(int slot) {
    std::unique_ptr<Buffer> gone;
    {
        std::lock_guard<std::mutex> lk(mu_);
        if (slot < 1 || slot >= kSlots) return;
        gone = std::move(slots_[size_t(slot)]);
    }
}

void SoundMixer::ReleaseAll() {
    for (int i = 1; i < kSlots; ++i) Release(i);
}

int SoundMixer::Lock(int slot, int offset, int length, void** data, int* lockedLength) {
    std::lock_guard<std::mutex> lk(mu_);
    Buffer* b = get(slot);
    if (!b) return SND_ERR_NOBUFFER;
    if (!data || !lockedLength || offset < 0 || offset >= b->lengthBytes || length <= 0) return SND_ERR_INVALIDPARAM;
    if (b->locked) return SND_ERR_LOCKED;
    const int n = std::min(length, b->lengthBytes - offset);
    b->staging.assign(b->bytes() + offset, b->bytes() + offset + n);
    b->locked = true;
    b->lockOffset = offset;
    *data = b->staging.data();
    *lockedLength = n;
    return SND_OK;
}

int SoundMixer::Unlock(int slot) {
    std::lock_guard<std::mutex> lk(mu_);
    Buffer* b = get(slot);
    if (!b) return SND_ERR_NOBUFFER;
    if (!b->locked) return SND_ERR_NOTLOCKED;
    std::memcpy(b->bytes() + b->lockOffset, b->staging.data(), b->staging.size());
    b->locked = false;
    return SND_OK;
}

int SoundMixer::Play(int slot, bool loop) {
    std::lock_guard<std::mutex> lk(mu_);
    Buffer* b = get(slot);
    if (!b) return SND_ERR_NOBUFFER;
    b->playing = true;
    b->looping = loop;
    return SND_OK;
}

int SoundMixer::Stop(int slot) {
    std::lock_guard<std::mutex> lk(mu_);
    Buffer* b = get(slot);
    if (!b) return SND_ERR_NOBUFFER;
    b->playing = false;
    return SND_OK;
}

int SoundMixer::GetPosition(int slot, int* play, int* write) const {
    std::lock_guard<std::mutex> lk(mu_);
    Buffer* b = get(slot);
    if (!b) return SND_ERR_NOBUFFER;
    const int at = int((b->pos >> 32) % b->frames) * b->blockAlign;
    if (play) *play = at;
    if (write) *write = at;
    return SND_OK;
}

int SoundMixer::SetPosition(int slot, int offset) {
    std::lock_guard<std::mutex> lk(mu_);
    Buffer* b = get(slot);
    if (!b) return SND_ERR_NOBUFFER;
    if (offset < 0 || offset >= b->lengthBytes) return SND_ERR_INVALIDPARAM;
    b->pos = uint64_t(offset / b->blockAlign) << 32;
    return SND_OK;
}

void SoundMixer::updateGains(Buffer& b) {
    const float g = Snd_AttenuationToGain(b.volume);
    b.gainL = b.pan > 0 ? g * Snd_AttenuationToGain(-b.pan) : g;
    b.gainR = b.pan < 0 ? g * Snd_AttenuationToGain(b.pan) : g;
}

int SoundMixer::SetVolume(int slot, int attenuation) {
    std::lock_guard<std::mutex> lk(mu_);
    Buffer* b = get(slot);
    if (!b) return SND_ERR_NOBUFFER;
    if (attenuation < -10000 || attenuation > 0) return SND_ERR_INVALIDPARAM;
    b->volume = attenuation;
    updateGains(*b);
    return SND_OK;
}

int SoundMixer::SetPan(int slot, int pan) {
    std::lock_guard<std::mutex> lk(mu_);
    Buffer* b = get(slot);
    if (!b) return SND_ERR_NOBUFFER;
    if (pan < -10000 || pan > 10000) return SND_ERR_INVALIDPARAM;
    b->pan = pan;
    updateGains(*b);
    return SND_OK;
}

int SoundMixer::GetStatus(int slot, uint32_t* status) const {
    std::lock_guard<std::mutex> lk(mu_);
    Buffer* b = get(slot);
    if (!b) return SND_ERR_NOBUFFER;
    if (!status) return SND_ERR_INVALIDPARAM;
    *status = b->playing ? (SND_STATUS_PLAYING | (b->looping ? SND_STATUS_LOOPING : 0u)) : 0u;
    return SND_OK;
}

bool SoundMixer::GetGains(int slot, float* left, float* right) const {
    std::lock_guard<std::mutex> lk(mu_);
    Buffer* b = get(slot);
    if (!b) return false;
    *left = b->gainL;
    *right = b->gainR;
    return true;
}

// Linear interpolation between a frame and the next; at a whole position the sample is exact.
void SoundMixer::mixOne(Buffer& b, float* acc, int frames) {
    const int16_t* s = b.samples.data();
    const uint64_t end = uint64_t(b.frames) << 32;
    const int ch = b.channels;
    for (int i = 0; i < frames; ++i) {
        if (b.pos >= end) {
            if (!b.looping) {
                b.playing = false;
                b.pos = 0;
                return;
            }
            b.pos %= end;
        }
        const uint32_t idx = uint32_t(b.pos >> 32);
        const uint32_t next = idx + 1 < b.frames ? idx + 1 : (b.looping ? 0 : idx);
        const float frac = float(uint32_t(b.pos)) * (1.0f / 4294967296.0f);
        const float l0 = s[idx * ch], l1 = s[next * ch];
        const float l = l0 + (l1 - l0) * frac;
        float r = l;
        if (ch == 2) {
            const float r0 = s[idx * 2 + 1], r1 = s[next * 2 + 1];
            r = r0 + (r1 - r0) * frac;
        }
        acc[2 * i] += l * b.gainL;
        acc[2 * i + 1] += r * b.gainR;
        b.pos += b.step;
    }
}

void SoundMixer::Render(int16_t* out, int frames) {
    std::lock_guard<std::mutex> lk(mu_);
    while (frames > 0) {
        const int n = std::min(frames, kMixBlock);
        std::fill(acc_.begin(), acc_.begin() + 2 * n, 0.0f);
        for (auto& b : slots_)
            if (b && b->playing) mixOne(*b, acc_.data(), n);
        for (int i = 0; i < 2 * n; ++i) out[i] = Snd_FloatToSample(acc_[size_t(i)]);
        out += 2 * n;
        frames -= n;
    }
}
