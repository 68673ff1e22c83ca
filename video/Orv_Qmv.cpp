// The full-motion video player: header, read ring, block loading, decoding, display and the loop-type-1 step.
#include "video/Orv_Qmv.h"

#include <cstring>

#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Orv_Mem.h"
#include "app/main/Orv_Main.h"
#include "audio/Orv_Muzik.h"
#include "audio/Orv_Sound.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "graphics2d/Surface.h"
#include "video/QmvDecoder.h"
#include "world/Interp.h"

namespace {

// Sliding read buffer over the file: refilled by large reads, it always holds a whole block.
struct ReadRing {
    uint8_t* data = nullptr;
    uint32_t capacity = 0;
    uint32_t pos = 0;
    uint32_t end = 0;

    // True when n bytes stand at pos, reading more of the file when they do not.
    bool Need(OrvFileHandle file, uint32_t n) {
        if (end - pos >= n) return true;
        if (n > capacity) return false;
        std::memmove(data, data + pos, end - pos);
        end -= pos;
        pos = 0;
        const int32_t got = OrvFile_Read(file, data + end, int32_t(capacity - end));
        if (got > 0) end += uint32_t(got);
        return end - pos >= n;
    }
    void Reset() { pos = end = 0; }
};

struct Player {
    uint8_t header[QMV_HEADER_SIZE] = {};
    int version = 0;
    OrvFileHandle file = 0;
    ReadRing ring;
    QmvBlockChunks chunks;
    uint8_t swap = 0;
    int32_t frameCount = 0;
    uint8_t ended = 1;
    int32_t previousLoopType = 0;
    uint8_t overDialogue = 0;
    uint8_t musicLowered = 0;
    bool surfacesCreated = false;
    bool haveFrame = false;
} g;

uint8_t g_bufComp[BUFCOMPSIZE];
CSystemMemorySurface g_surface[2];
OrvQmvLink g_link;
int32_t g_loopTypeWithoutMain = LOOP_WARP;

int32_t LoopTypeNow() { return g_link.getLoopType ? g_link.getLoopType() : g_loopTypeWithoutMain; }
int32_t SetLoopType(int32_t type) {
    if (g_link.setLoopType) return g_link.setLoopType(type);
    const int32_t previous = g_loopTypeWithoutMain;
    g_loopTypeWithoutMain = type;
    return previous;
}

Velkrum::CDirectDrawWindow* Window() { return dynamic_cast<Velkrum::CDirectDrawWindow*>(Velkrum::MainWindow()); }

uint32_t HeaderFrames() { return QmvRead32(g.header + QMV_HDR_FRAMES); }

void LockFrames() {
    for (CSystemMemorySurface& s : g_surface) {
        s.flags |= SURF_LOCKED | SURF_WRITE_LOCK;
        s.Lock(0);
    }
}
void UnlockFrames() {
    for (CSystemMemorySurface& s : g_surface) {
        s.Unlock();
        s.flags &= SURF_LOCK_CLEAR_MASK;
    }
}

void OrvQmv_Close() {
    if (g.file) OrvFile_Close(g.file);
    g.file = 0;
    if (g.ring.data) mem_free(g.ring.data, "QMV bufRead");
    g.ring = ReadRing{};
    for (CSystemMemorySurface& s : g_surface) s.Free();
    g.surfacesCreated = false;
    g.haveFrame = false;
    g.chunks = QmvBlockChunks{};
}

enum class HeaderResult { Ok, NoFile, Refused };

HeaderResult OrvQmv_ReadHeader(const char* path) {
    g.file = OrvFile_Open(path, ORV_READ);
    if (!g.file) return HeaderResult::NoFile;
    const int32_t got = OrvFile_Read(g.file, g.header, int32_t(QMV_HEADER_SIZE));
    if (got == int32_t(QMV_HEADER_SIZE) && std::memcmp(g.header, QMV_MAGIC, 4) != 0) {
        OrvError_Fatal("Erreur Qmv Version incorrecte");
        return HeaderResult::Refused;
    }
    const uint32_t largest = QmvRead32(g.header + QMV_HDR_LARGEST);
    if (got != int32_t(QMV_HEADER_SIZE) || largest == 0 || largest > BUFCOMPSIZE) {
        OrvError_Fatal("Erreur Qmv Header incorrect");
        return HeaderResult::Refused;
    }
    g.version = QMV_VERSION;
    g.swap = 0;
    Velkrum::CDirectDrawWindow* window = Window();
    const CPixelFormat format = window ? window->GetPixelFormat() : CPixelFormat{};
    if (PixelFormat_Is555(format)) {
        g.header[QMV_HDR_DEPTH] = 15;
        QmvDec_Init555();
    } else if (PixelFormat_Is565(format)) {
        g.header[QMV_HDR_DEPTH] = 16;
        QmvDec_Init565();
    } else {
        OrvError_Fatal("window.CPixelFormat() incorrect");
        return HeaderResult::Refused;
    }
    for (CSystemMemorySurface& s : g_surface)
        if (!s.Create(QMVDEC_WIDTH, QMVDEC_HEIGHT, format, QMVDEC_WIDTH) || s.PitchBytes() != QMVDEC_PITCH_BYTES) {
            OrvError_Fatal("OrvQmv_ReadHeader(%s): surfaces video impossibles", path);
            return HeaderResult::Refused;
        }
    g.surfacesCreated = true;
    return HeaderResult::Ok;
}

// The video and alpha chunks of the block just loaded into the compression buffer.
bool OrvQmv_ScanChunks(int32_t bytes) { return QmvBlock_ScanChunks(g_bufComp, uint32_t(bytes), &g.chunks); }

// The block's video chunk decoded against the previous picture into the other surface: the swap flag
// says which surface holds the previous one. A block without a video chunk leaves both as they are.
int OrvQmv_DecodeFrame() {
    if (!g.chunks.video.data) return QMVDEC_OK;
    LockFrames();
    const uint16_t* previous = static_cast<const uint16_t*>(g_surface[g.swap ? 1 : 0].pixels);
    uint16_t* destination = static_cast<uint16_t*>(g_surface[g.swap ? 0 : 1].pixels);
    const int r = QmvDec_DecodeFrame(g.chunks.video.data, g.chunks.video.size, previous, destination);
    UnlockFrames();
    return r;
}

// Steps 1 to 3 of a picture and its count: false when the video ended instead (nothing new to show).
bool LoadAndDecode() {
    if (!g.file || !g.surfacesCreated) {
        g.ended = 1;
        return false;
    }
    const int32_t bytes = Ubb_load_one_block();
    bool ok = bytes > 0;
    if (ok && !OrvQmv_ScanChunks(bytes)) {
        OrvError_Warning("OrvQmv_frame(): bloc %d incorrect", g.frameCount);
        ok = false;
    }
    if (ok) {
        const int r = OrvQmv_DecodeFrame();
        if (r != QMVDEC_OK) {
            OrvError_Warning("OrvQmv_frame(): image %d illisible : %s", g.frameCount, QmvDec_ResultText(r));
            ok = false;
        }
    }
    if (!ok) {
        g.chunks = QmvBlockChunks{};
        g.ended = 1;
        g.frameCount++;
        return false;
    }
    g.haveFrame = true;
    return true;
}

void CountFrame() {
    g.frameCount++;
    g.swap ^= 1;
    if (uint32_t(g.frameCount) == HeaderFrames()) {
        g.frameCount = 0;
        g.ended = 1;
    }
}

void Show() {
    CSurface* render = OrvDisplay_GetRenderSurface();
    if (!render || !OrvDisplay_LockSurface()) return;
    LockFrames();
    OrvSpr_SetSurfaceInfo(render);
    CopySurface(*render, g_surface[g.swap ? 0 : 1]);
    OrvSpr_Aff_spf(g.frameCount);
    OrvDisplay_AutoBlit();
    UnlockFrames();
    OrvDisplay_UnlockSurface();
}

void Flip() {
    if (Velkrum::CDirectDrawWindow* window = Window()) window->Flip();
}

}  // namespace

void OrvQmv_SetLink(const OrvQmvLink& link) { g_link = link; }

bool OrvQmv_start(const char* name) {
    if (LoopTypeNow() == LOOP_QMV) {
        OrvError_Warning("OrvQmv_start(%s): deja en OrvMain_loop_QMV!!", name);
        return false;
    }
    g.overDialogue = 0;
    char path[ORV_PATH_MAX];
    build_path_qmv(path, name);
    OrvMuzik_Run();
    if (!OrvQmv_open(path)) {
        if (LoopTypeNow() != LOOP_DIALOGUE) OrvMuzik_SetVolumePercent(100);
        return false;
    }
    g.previousLoopType = SetLoopType(LOOP_QMV);
    OrvQmv_frame();
    Flip();
    frame_timer_sync();
    OrvSound_SetBruitagesTransition(int(HeaderFrames()));
    if (QmvSoundLoaded && g_link.soundtrackId) OrvSound_play(g_link.soundtrackId(), VOICE_QMV);
    OrvMuzik_Run();
    return true;
}

bool OrvQmv_startOverDialogue(const char* name, int32_t dialogue) {
    // Only over a video that runs: no step would ever remove a dialogue started over a failed one.
    if (!OrvQmv_start(name)) return false;
    g.overDialogue = 1;
    if (g_link.dialStartOverVideo) g_link.dialStartOverVideo(dialogue);
    return true;
}

bool OrvQmv_open(const char* path) {
    // A video still open (a stream left open) gives way to the new one.
    if (g.file || g.surfacesCreated) OrvQmv_Close();
    g.ended = 0;
    const HeaderResult header = OrvQmv_ReadHeader(path);
    if (header != HeaderResult::Ok) {
        OrvQmv_Close();
        g.ended = 1;
        return false;
    }
    g.frameCount = 0;
    g.ring.capacity = QMV_RING_SIZE + QmvRead32(g.header + QMV_HDR_LARGEST) - 1;
    g.ring.data = static_cast<uint8_t*>(mem_alloc(g.ring.capacity, "QMV bufRead"));
    g.ring.Reset();
    return true;
}

int32_t Ubb_load_one_block() {
    if (!g.file || !g.ring.data || !g.ring.Need(g.file, QMV_BLOCK_HEAD_SIZE)) return 0;
    const uint32_t length = QmvRead32(g.ring.data + g.ring.pos) & QMV_BLOCK_LENGTH_MASK;
    if (length > BUFCOMPSIZE) {
        OrvError_Fatal("Orv_Qmv:Ubb_load_one_block():len > (BUFCOMPSIZE-4) :%d", int(length - QMV_BLOCK_HEAD_SIZE));
        return 0;
    }
    if (length < QMV_BLOCK_HEAD_SIZE) {
        OrvError_Warning("Orv_Qmv:Ubb_load_one_block(): bloc de longueur %u", length);
        return 0;
    }
    if (!g.ring.Need(g.file, length)) return 0;
    std::memcpy(g_bufComp, g.ring.data + g.ring.pos, length);
    g.ring.pos += length;
    return int32_t(length);
}

void OrvQmv_frame() {
    if (!LoadAndDecode()) return;
    Show();
    CountFrame();
}

void OrvQmv_next() {
    if (!LoadAndDecode()) return;
    CountFrame();
}

void OrvQmv_rewind() {
    if (!g.file) return;
    g.frameCount = 0;
    OrvFile_Seek(g.file, int32_t(QMV_HEADER_SIZE), 0);
    g.ring.Reset();
    g.ended = 0;
    OrvQmv_next();
}

bool OrvQmv_step() {
    if (!frame_timer_new_frame()) return true;
    OrvMuzik_Step();
    OrvQmv_frame();
    Velkrum::CDirectDrawWindow* window = Window();
    if (g.overDialogue) {
        if (g_link.dialUpdateOverVideo) g_link.dialUpdateOverVideo();
        if (g_link.dialDisplay) g_link.dialDisplay(window);
    }
    Flip();
    if (g.ended || MouseClickFlags.click || MouseClickFlags.doubleClick) {
        MouseClickFlags.click = 0;
        MouseClickFlags.doubleClick = 0;
        // Kept: the next intro's start clears the flag of the video that ends here.
        const bool overDialogue = g.overDialogue;
        OrvQmv_stop();
        SetLoopType(g.previousLoopType);
        OrvSpr_clear_spf();
        if (g_link.introPending && g_link.introPending()) {
            if (g_link.playIntro) g_link.playIntro();
        } else {
            OrvSound_InitBruitagesApresFli();
        }
        if (overDialogue && g_link.dialRemoveOverVideo) g_link.dialRemoveOverVideo();
        OrvMuzik_Run();
        if (PendingScenarioBlock.flag) {
            PendingScenarioBlock.flag = 0;
            Interp_RunBlock(PendingScenarioBlock.block);
        }
        return false;
    }
    OrvSound_GereBruitagesFli();
    return true;
}

void OrvQmv_stop() {
    g.ended = 1;
    OrvQmv_Close();
    if (QmvSoundLoaded) {
        OrvSound_FreeQmvSound();
        QmvSoundLoaded = 0;
        OrvSound_ClearQmvSoundName();
    }
    if (LoopTypeNow() != LOOP_DIALOGUE) g.musicLowered = 1;
}

void OrvQmv_ClearMusicFlag() { g.musicLowered = 0; }

bool OrvQmv_RestoreMusic() {
    if (!g.musicLowered) return false;
    g.musicLowered = 0;
    OrvMuzik_SetVolumePercent(100);
    return true;
}

bool OrvQmv_IsEnded() { return g.ended != 0; }

CSurface* OrvQmv_GetSurface() {
    if (!g.surfacesCreated) return nullptr;
    return &g_surface[g.haveFrame && !g.swap ? 0 : 1];
}

const uint8_t* qmv_alpha_chunk() { return g.chunks.alpha.data; }
uint32_t qmv_alpha_chunk_size() { return g.chunks.alpha.size; }
bool qmv_has_alpha() { return g.chunks.alpha.data != nullptr; }

int32_t OrvQmv_GetFrameCount() { return g.frameCount; }
int32_t OrvQmv_GetHeaderFrameCount() { return int32_t(HeaderFrames()); }
bool OrvQmv_IsOpen() { return g.file != 0; }
bool OrvQmv_IsOverDialogue() { return g.overDialogue != 0; }
const uint8_t* OrvQmv_GetHeader() { return g.header; }
