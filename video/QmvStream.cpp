// The dialogue video stream: open, advance with looping, and the alpha-masked composite with its blend tables.
#include "video/QmvStream.h"

#include <algorithm>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Surface.h"
#include "video/Orv_Qmv.h"
#include "video/QmvDecoder.h"

namespace {

constexpr int LEVELS = 32;
uint32_t g_high[LEVELS][256];
uint32_t g_low[LEVELS][256];

// A weighted value doubled, halved again with an odd value rounded up.
uint32_t HalveUp(uint32_t doubled, uint32_t limit) { return std::min((doubled + 1) >> 1, limit); }

}  // namespace

QmvStream::~QmvStream() { Close(); }

void QmvStream::BuildBlendTables(bool is555) {
    for (uint32_t a = 0; a < LEVELS; ++a) {
        const uint32_t k = 31 - a;
        for (uint32_t b = 0; b < 256; ++b) {
            // The low byte holds the low green bits and blue in both layouts.
            g_low[a][b] = ((k * (b >> 5 & 7)) >> 5) << 5 | (k * (b & 31)) >> 5;
            if (is555) {
                const uint32_t red = b >> 2 & 31;
                g_high[a][b] = ((red * k) >> 5) << 10 | HalveUp((((b & 3) << 3) * k) >> 4, 31) << 5;
            } else {
                const uint32_t red = b >> 3;
                g_high[a][b] = ((red * k) >> 5) << 11 | HalveUp((((b & 7) << 3) * k) >> 4, 63) << 5;
            }
        }
    }
}

uint32_t QmvStream::BlendHigh(int level, int byte) { return g_high[std::clamp(level, 0, 31)][byte & 255]; }
uint32_t QmvStream::BlendLow(int level, int byte) { return g_low[std::clamp(level, 0, 31)][byte & 255]; }

void QmvStream::AlphaCopy(const uint16_t* source, uint16_t* destination, const uint8_t* alpha, uint32_t alphaSize,
                          int width, int height, int destinationWidth, int destinationHeight,
                          int destinationPitch) {
    if (!source || !destination || !alpha || width <= 0 || height <= 0) return;
    const int visibleRows = std::min(height, destinationHeight);
    int x = 0, y = 0;
    for (uint32_t i = 0; i + 1 < alphaSize && y < visibleRows; i += 2) {
        int n = alpha[i] + 1;
        const int level = std::min<int>(alpha[i + 1], 31);
        // A run may cross row ends: each row's part is clamped to the destination.
        while (n > 0 && y < visibleRows) {
            const int span = std::min(n, width - x);
            const int end = std::min(x + span, destinationWidth);
            if (level != 0 && x < end) {
                const uint16_t* s = source + size_t(y) * size_t(width);
                uint16_t* d = destination + size_t(y) * size_t(destinationPitch);
                if (level == 31) {
                    std::copy(s + x, s + end, d + x);
                } else {
                    for (int p = x; p < end; ++p)
                        d[p] = uint16_t(s[p] + g_high[level][d[p] >> 8] + g_low[level][d[p] & 255]);
                }
            }
            x += span;
            n -= span;
            if (x == width) x = 0, ++y;
        }
    }
}

void QmvStream::Open(const std::string& name) {
    if (open_) Close();
    name_ = name;
    second_ = 0;
    if (!OrvFile_Exists(name.c_str()) || !OrvQmv_open(name.c_str())) {
        open_ = 0;
        OrvError_Warning("void QmvStream::Open(string) ERROR: Pb ouverture QMV %s", name.c_str());
        return;
    }
    debug_log("void QmvStream::Open(string) : Ouverture QMV %s OK.", name.c_str());
    open_ = 1;
    frame_ = -1;
    is555_ = Is565 ? 0 : 1;
    BuildBlendTables(is555_ != 0);
    Advance();
    Advance();
    if (!qmv_has_alpha())
        OrvError_Warning("void QmvStream::Open(string) ATTENTION: ouverture d'un QMV sans ALPHA: %s", name.c_str());
}

void QmvStream::Close() {
    // Only a stream that holds the player stops it: a closed one must not end another video.
    const bool wasOpen = open_ != 0;
    name_.clear();
    open_ = 0;
    second_ = 0;
    frame_ = 0;
    if (wasOpen) OrvQmv_stop();
}

void QmvStream::Advance() {
    if (!open_) return;
    if (!OrvQmv_IsEnded()) {
        OrvQmv_next();
        ++frame_;
    } else {
        OrvQmv_rewind();
        OrvQmv_next();
        frame_ = 1;
    }
}

void QmvStream::Update(CSurface* destination) {
    if (!open_ || !destination) return;
    CSurface* frame = OrvQmv_GetSurface();
    if (!frame) return;
    if (!destination->pixels || destination->format.bitsPerPixel != 16) {
        OrvError_Warning("QmvStream::Update(): destination non verrouillee ou pas en 16 bits");
        return;
    }
    frame->flags |= SURF_LOCKED;
    frame->Lock(0);
    if (qmv_has_alpha()) {
        AlphaCopy(static_cast<const uint16_t*>(frame->pixels), static_cast<uint16_t*>(destination->pixels),
                  qmv_alpha_chunk(), qmv_alpha_chunk_size(), QMVDEC_WIDTH, QMVDEC_HEIGHT, destination->width,
                  destination->height, destination->pitch);
    } else {
        CopySurface(*destination, *frame);
    }
    frame->Unlock();
    frame->flags &= SURF_LOCK_CLEAR_MASK;
}
