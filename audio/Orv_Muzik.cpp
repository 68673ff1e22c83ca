// Streamed music: state machine, file reading and decoding into the looping buffer, marks, loops, fades.
#include "audio/Orv_Muzik.h"
#include "menus/Orv_MusikCopy.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "app/Clock.h"
#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Orv_Mem.h"
#include "app/Random.h"
#include "audio/AudioMath.h"
#include "audio/Orv_Sound.h"

int32_t OrvMuzik_nb_loop = 0;

namespace {

enum FileType { TYPE_KSN = 0, TYPE_WAV = 1, TYPE_ZIK = 2 };

constexpr const char* kBufferTag = "OrvMuzik_Init(): music_buffer";
constexpr const char* kAdpcmTag = "OrvMuzik_MainInit() : adpcmbuf";
constexpr const char* kMarkTag = "tbl_mark";
// A jump rewrites the four pieces that start five pieces before the next load.
constexpr int kJumpBack = 5 * MUSIC_PIECE_SIZE;
constexpr int kJumpPieces = 4;
constexpr double kFadeRate = 1.0;
constexpr double kFadeRestartAfter = 2.0;

int defaultHook(std::string&, int&, int&) { return 0; }

struct Muzik {
    bool initialised = false;
    int32_t state = MUZIK_IDLE;
    std::string pendingName;  // the music asked for next
    std::string playingName;  // the music whose file is open
    std::string path;
    OrvFileHandle file = 0;
    int type = TYPE_KSN;
    int rate = 22050;
    int bits = 16;
    int channels = 2;
    uint8_t* buffer = nullptr;
    uint8_t* adpcmbuf = nullptr;
    SoundHandle handle = 0;
    int32_t loadOffset = 0;
    int32_t musicPos = 0;
    int32_t pcmSize = 0;
    AdpcmStreamState stream{};
    uint32_t markCount = 0;
    ST_tbl_mark* marks = nullptr;
    int startMark = 0;
    int currentMark = 0;
    int curVol = 0;
    int targetVol = 0;
    int volAfter = 0;
    int32_t stateAfter = MUZIK_IDLE;
    bool lowVolume = false;
    double fadeStart = -1.0;
    int fadeFrom = 0;
    int fadeTo = 0;
    double fadeSpeed = 0.0;
    OrvMuzikLoadHook hook = defaultHook;
    // After the music could not go on: bytes of silence written since, or -1 while it streams.
    int32_t drained = -1;
    // Rate of the looping buffer on voice 0.
    int bufferRate = 0;
    // A chained music of another rate, started in a buffer of its own once this one has drained.
    bool chainAfterDrain = false;
    std::string chainName;
    int chainMark = 0;
    int chainLoops = 0;
    // Inside a step: a step the step causes (the please-wait page of a copy) does nothing.
    bool stepping = false;
};

Muzik g;

int dataStart() { return g.type == TYPE_KSN ? int(KSN_HEADER_SIZE) : 0; }

void closeFile() {
    if (g.file) OrvFile_Close(g.file);
    g.file = 0;
}

void freeMarks() {
    if (g.marks) mem_free(g.marks, kMarkTag);
    g.marks = nullptr;
    g.markCount = 0;
}

void OrvMuzik_Close() {
    OrvSound_stop_voice(VOICE_MUSIC);
    closeFile();
    g.state = MUZIK_IDLE;
    freeMarks();
    g.handle = 0;
    g.drained = -1;
    g.chainAfterDrain = false;
}

void adpcmText(int rc, char* text, size_t size) { Adpcm_GetErrorText(rc, text, size); }

void OrvMuzik_StartFade() {
    g.state = MUZIK_FADING;
    g.fadeFrom = g.curVol;
    g.fadeTo = g.targetVol;
    g.fadeStart = -1.0;
    g.fadeSpeed = std::abs(g.targetVol - g.curVol) / (127.0 / kFadeRate);
}

void fadeOutThen(int32_t next) {
    g.targetVol = OrvMuzik_GetMinVol();
    g.stateAfter = next;
    g.volAfter = OrvMuzik_GetMaxVol();
    OrvMuzik_StartFade();
}

// Idle: the start is due at the next step; otherwise it waits for the playing music to fade out.
void requestStart(const char* name, int32_t start) {
    g.pendingName = name ? name : "";
    if (g.state == MUZIK_IDLE)
        g.state = start;
    else
        fadeOutThen(start);
}

int startVolume() { return g.lowVolume ? MUSIC_LOW_VOLUME : OrvMuzik_GetMaxVol(); }

// Format and size of the open file; the decoder starts at its data. Every failure closes the file.
bool init_read_music_data() {
    if (g.type != TYPE_KSN) {
        g.rate = 22050;
        g.bits = 16;
        g.channels = 2;
        g.pcmSize = OrvFile_GetSize(g.file) & ~3;
    } else {
        const int32_t got = OrvFile_Read(g.file, g.adpcmbuf, int32_t(KSN_HEADER_SIZE));
        if (got != int32_t(KSN_HEADER_SIZE)) {
            OrvError_Fatal("init_read_music_data() : OrvFile_Read(Adpcm_Header)=%d", got);
            closeFile();
            return false;
        }
        const int rc = Adpcm_InitStream(g.adpcmbuf, KSN_HEADER_SIZE, &g.stream);
        if (rc != ADPCM_OK) {
            char text[128];
            adpcmText(rc, text, sizeof text);
            OrvError_Fatal("init_read_music_data() : %s", text);
            closeFile();
            return false;
        }
        if (!g.stream.stereo) {
            OrvError_Warning("init_read_music_data() : musique mono refusée : %s", g.path.c_str());
            closeFile();
            return false;
        }
        g.rate = int(g.stream.frequency);
        g.bits = 16;
        g.channels = 2;
        const int64_t pcm = int64_t(g.stream.totalFrames) * 4;
        const int64_t fromFile = (int64_t(OrvFile_GetSize(g.file)) - int64_t(KSN_HEADER_SIZE)) * 4;
        // Data shorter than the header says would end in a failed read; a longer file is only padded.
        if (pcm > INT32_MAX || fromFile < pcm || fromFile - pcm > 4) {
            OrvError_Warning(
                "init_read_music_data(): Fichier musique corrompu: taille datas fichier*4=%d, taille header=%d",
                Orv_TruncSat(double(fromFile)), Orv_TruncSat(double(pcm)));
            closeFile();
            const int number = music_number_from_name(g.path.c_str());
            if (number >= 0) {
                OrvFile_Delete(g.path.c_str());
                CopyMusikToDrive(std::to_string(number).c_str());
            }
            return false;
        }
        g.pcmSize = int32_t(pcm);
    }
    if (g.pcmSize < MUSIC_BUFFER_SIZE) {
        OrvError_Fatal("init_read_music_data() : musique trop courte (%d octets PCM) : %s", g.pcmSize, g.path.c_str());
        closeFile();
        return false;
    }
    return true;
}

// A read that reaches the music's end came back short: the file was cut while it played. What was read
// is kept and the rest of the piece is silence, and the music ends there.
int shortEnd(uint8_t* dest, int length, int filled) {
    OrvError_Warning("read_music_data() : fin de musique tronquée (%d octets PCM manquent) : %s", length - filled,
                     g.path.c_str());
    std::memset(dest + filled, 0, size_t(length - filled));
    return length;
}

// Decodes `length` bytes of PCM at dest; -1 after a fatal report. `toEnd`: the bytes end at the end of
// the music.
int read_music_data(uint8_t* dest, int length, bool toEnd) {
    if (length <= 0) {
        OrvError_Fatal("read_music_data(): len=%d", length);
        return -1;
    }
    if (g.type != TYPE_KSN) {
        const int32_t got = OrvFile_Read(g.file, dest, length);
        if (got != length && toEnd) return shortEnd(dest, length, got > 0 ? got : 0);
        if (got != length) {
            OrvError_Fatal("read_music_data(file %d) OrvFile_Read(%d)=%d à len=%d music_pos_file=%d", int(g.file),
                           length, got, length, g.musicPos);
            return -1;
        }
        return length;
    }
    auto* out = reinterpret_cast<int16_t*>(dest);
    int left = length;
    char text[128];
    while (left > 0) {
        const bool whole = left > MUSIC_PIECE_SIZE;
        const int bytes = whole ? MUSIC_ADPCMBUF_SIZE : left / 4;
        const int32_t got = OrvFile_Read(g.file, g.adpcmbuf, bytes);
        if (got != bytes && toEnd) {
            uint32_t shortfall = 0;
            g.stream.dataOffset = 0;
            if (got > 0) Adpcm_DecodeStream(&out, &g.stream, uint32_t(got), &shortfall, g.adpcmbuf, size_t(got));
            return shortEnd(dest, length, int(reinterpret_cast<uint8_t*>(out) - dest));
        }
        if (got != bytes) {
            if (whole)
                OrvError_Fatal("read_music_data(file %d) OrvFile_Read(%d)=%d à len=%d music_pos_file=%d", int(g.file),
                               bytes, got, length, g.musicPos);
            else
                OrvError_Fatal("read_music_data(file=%d) OrvFile_Read2(%d)=%d music_pos_file=%d", int(g.file), bytes,
                               got, g.musicPos);
            return -1;
        }
        g.stream.dataOffset = 0;
        uint32_t shortfall = 0;
        int rc = Adpcm_DecodeStream(&out, &g.stream, uint32_t(bytes), &shortfall, g.adpcmbuf, size_t(bytes));
        if (rc == ADPCM_OK && shortfall != 0) rc = ADPCM_ERR_NOT_KSN;
        if (rc != ADPCM_OK) {
            adpcmText(rc, text, sizeof text);
            if (whole)
                OrvError_Fatal("read_music_data() len=%d: %s music_pos_file=%d", length, text, g.musicPos);
            else
                OrvError_Fatal("read_music_data() : %s music_pos_file=%d", text, g.musicPos);
            return -1;
        }
        left -= whole ? MUSIC_PIECE_SIZE : left;
    }
    return length;
}

bool OrvMuzik_OpenFile(const std::string& name) {
    char path[ORV_PATH_MAX];
    build_path_music(path, name.c_str());
    OrvFileHandle f = OrvFile_Open(path, ORV_READ);
    if (!f) return false;
    closeFile();
    g.path = path;
    g.file = f;
    const size_t n = name.size();
    std::string ext = n >= 3 ? name.substr(n - 3) : name;
    for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
    g.type = ext == "KSN" ? TYPE_KSN : ext == "WAV" ? TYPE_WAV : TYPE_ZIK;
    if (!init_read_music_data()) return false;
    g.musicPos = 0;
    g.playingName = name;
    Load_Spp(path);
    return true;
}

bool openFileTwice(const std::string& name) { return OrvMuzik_OpenFile(name) || OrvMuzik_OpenFile(name); }

// The file and the decoder at a mark (0 = the start of the data); no buffer is touched.
bool seekToMark(int m) {
    if (m == -1) m = OrvMuzik_GetRandomMark();
    uint32_t position = 0;
    if (m == 0) {
        OrvFile_Seek(g.file, 0, 0);
        if (g.type == TYPE_KSN) {
            const int32_t got = OrvFile_Read(g.file, g.adpcmbuf, int32_t(KSN_HEADER_SIZE));
            if (got != int32_t(KSN_HEADER_SIZE)) {
                OrvError_Fatal("OrvMuzik_GotoMark() : OrvFile_Read(Adpcm_Header) %d != %d", got, int(KSN_HEADER_SIZE));
                return false;
            }
            Adpcm_InitStream(g.adpcmbuf, KSN_HEADER_SIZE, &g.stream);
        }
    } else {
        if (m < 1 || uint32_t(m) > g.markCount || !g.marks) {
            OrvError_Fatal("OrvMuzik_GotoMark(%d) invalide  tbl_mark=%X", m, unsigned(uintptr_t(g.marks)));
            return false;
        }
        position = g.marks[m - 1].position;
        g.stream = g.marks[m - 1].state;
    }
    debug_log("OrvMuzik_GotoMark():%d", m);
    g.currentMark = m;
    if (OrvFile_Seek(g.file, int32_t(position) + dataStart(), 0) != 0)
        OrvError_Warning("OrvMuzik_GotoMark(%d): OrvFile_Seek FAILED", m);
    g.musicPos = int32_t(position) * 4;
    return true;
}

// The end of the music lies in the piece being filled: loop it, or chain the hook's music.
bool atMusicEnd() {
    const char* seekFailure = "check_buffer_music() : OrvFile_Seek(0) ";
    if (OrvMuzik_nb_loop >= 2) {
        OrvMuzik_nb_loop--;
        debug_log("--- loop :OrvMuzik_nb_loop = %d", OrvMuzik_nb_loop);
    } else {
        std::string name;
        int mark = 0, loops = 0;
        const int number = g.hook(name, mark, loops);
        if (number != 0) {
            // The next music continues in the same piece, so nothing buffered of this one is lost.
            if (name == g.playingName && mark != -1) mark = 0;
            closeFile();
            if (!OrvMuzik_OpenFile(name)) {
                CopyMusikToDrive(std::to_string(number).c_str());
                if (!OrvMuzik_OpenFile(name)) return false;
            }
            if (g.rate != g.bufferRate) {
                // The buffer plays at the rate it was made with: a music of another rate starts in a
                // buffer of its own once this one has played out.
                closeFile();
                g.chainAfterDrain = true;
                g.chainName = name;
                g.chainMark = mark;
                g.chainLoops = loops;
                return false;
            }
            if (!seekToMark(mark)) return false;
            OrvMuzik_nb_loop = loops;
            return true;
        }
        seekFailure = "check_buffer_music() : OrvFile_Seek(0) 2";
    }
    if (OrvFile_Seek(g.file, 0, 0) != 0) {
        OrvError_Fatal("%s", seekFailure);
        return false;
    }
    if (!init_read_music_data()) return false;
    g.musicPos = 0;
    return true;
}

// Fills n bytes with the music from its current position, across its end as often as needed; when
// the music cannot go on, the rest is silence and the buffer drains.
void fillPiece(uint8_t* dest, int n) {
    int done = 0;
    while (done < n && g.drained < 0) {
        const int avail = g.pcmSize - g.musicPos;
        const int take = avail < n - done ? avail : n - done;
        if (avail <= 0 ? !atMusicEnd() : read_music_data(dest + done, take, take == avail) < 0) {
            closeFile();
            g.drained = 0;
            break;
        }
        if (avail > 0) {
            g.musicPos += take;
            done += take;
        }
    }
    if (done < n) std::memset(dest + done, 0, size_t(n - done));
}

bool advanceLoadOffset(int n, const char* beyond) {
    g.loadOffset += n;
    if (g.loadOffset == MUSIC_BUFFER_SIZE) g.loadOffset = 0;
    if (g.loadOffset > MUSIC_BUFFER_SIZE) {
        OrvError_Fatal("%s", beyond);
        return false;
    }
    return true;
}

bool OrvMuzik_OpenAndFill() {
    if (!openFileTwice(g.pendingName)) return false;
    if (read_music_data(g.buffer, MUSIC_BUFFER_SIZE, g.pcmSize == MUSIC_BUFFER_SIZE) < 0) {
        OrvMuzik_Close();
        return false;
    }
    g.loadOffset = 0;
    g.musicPos = MUSIC_BUFFER_SIZE;
    g.curVol = 0;
    orv_srand(uint32_t(FrameCount));
    return true;
}

SoundHandle musicHandle() {
    const SoundHandle h = OrvSound_GetVoiceHandle(VOICE_MUSIC);
    return h == ORVSOUND_NO_HANDLE ? 0 : h;
}

void OrvMuzik_PlayFromStart() {
    OrvSound_play_set(g.buffer, MUSIC_BUFFER_SIZE, VOICE_MUSIC, 1, g.rate, g.bits, g.channels,
                      OrvSound_VolumeToAttenuation(0), 0, 0);
    g.handle = musicHandle();
    g.bufferRate = g.rate;
    OrvMuzik_ApplyVolume(startVolume());
    g.state = MUZIK_PLAYING;
}

// The looping buffer on voice 0 in the music's format, not started: the jump to the mark fills it.
void OrvMuzik_PrepareAtMark() {
    g.loadOffset = 0;
    OrvSound_play_raw(g.buffer, MUSIC_BUFFER_SIZE, VOICE_MUSIC, g.rate, g.bits, g.channels, 0);
    g.handle = musicHandle();
    g.bufferRate = g.rate;
    g.state = MUZIK_PLAYING;
}

void OrvMuzik_PlayAtMark() {
    g.curVol = startVolume();
    OrvSound_StartVoice(VOICE_MUSIC, 1, OrvSound_VolumeToAttenuation(g.curVol), 0);
}

}  // namespace

bool OrvMuzik_MainInit() {
    OrvMuzik_MainClose();
    if (!OrvSound_Available()) return true;
    g.buffer = static_cast<uint8_t*>(mem_alloc(MUSIC_BUFFER_SIZE, kBufferTag));
    std::memset(g.buffer, 0, MUSIC_BUFFER_SIZE);
    g.adpcmbuf = static_cast<uint8_t*>(mem_alloc(MUSIC_ADPCMBUF_SIZE, kAdpcmTag));
    g.curVol = 0;
    g.state = MUZIK_IDLE;
    g.initialised = true;
    frame_timer_add_hook(OrvMuzik_Fade);
    return true;
}

void OrvMuzik_MainClose() {
    if (!g.initialised) return;
    frame_timer_remove_hook(OrvMuzik_Fade);
    OrvMuzik_Close();
    mem_free(g.buffer, kBufferTag);
    mem_free(g.adpcmbuf, kAdpcmTag);
    const OrvMuzikLoadHook hook = g.hook;
    g = Muzik{};
    g.hook = hook;
}

void OrvMuzik_SetLoadHook(OrvMuzikLoadHook hook) { g.hook = hook ? hook : defaultHook; }

bool OrvMuzik_Start(const char* name, int mark, int loops) {
    OrvMuzik_nb_loop = loops;
    if (mark == 0) return OrvMuzik_Play(name);
    g.startMark = mark;
    requestStart(name, MUZIK_START_AT_MARK);
    return true;
}

bool OrvMuzik_Play(const char* name) {
    requestStart(name, MUZIK_START);
    return true;
}

void OrvMuzik_Stop() {
    g.targetVol = OrvMuzik_GetMinVol();
    g.stateAfter = MUZIK_STOP;
    OrvMuzik_StartFade();
}

namespace {
bool step() {
    switch (g.state) {
        case MUZIK_START:
            if (!OrvMuzik_OpenAndFill()) {
                g.state = MUZIK_IDLE;
                return false;
            }
            OrvMuzik_PlayFromStart();
            return false;
        case MUZIK_START_AT_MARK:
            if (!openFileTwice(g.pendingName)) {
                g.state = MUZIK_IDLE;
                return false;
            }
            OrvMuzik_PrepareAtMark();
            if (!OrvMuzik_GotoMark(g.startMark)) {
                OrvMuzik_Close();
                return false;
            }
            OrvMuzik_PlayAtMark();
            return true;  // the rest of the buffer still holds the last music
        case MUZIK_FADING:
            OrvMuzik_Fade();
            return check_buffer_music();
        case MUZIK_PLAYING:
            return check_buffer_music();
        case MUZIK_STOP:
            OrvMuzik_Close();
            return false;
        default:
            return false;
    }
}
}  // namespace

bool OrvMuzik_Step() {
    if (!OrvSound_Available() || !g.initialised || g.stepping) return false;
    g.stepping = true;
    const bool again = step();
    g.stepping = false;
    return again;
}

void OrvMuzik_Run() {
    // A full buffer is at most this many pieces; the bound keeps a stalled cursor from spinning here.
    for (int i = 0; i < MUSIC_BUFFER_SIZE / MUSIC_PIECE_SIZE + 8 && OrvMuzik_Step(); ++i) {
    }
}

void OrvMuzik_Fade() {
    if (g.state != MUZIK_FADING) return;
    const double now = get_current_time();
    if (g.fadeStart < 0.0) g.fadeStart = now;
    const double elapsed = now - g.fadeStart;
    if (elapsed > kFadeRestartAfter) {
        OrvMuzik_StartFade();
        return;
    }
    if (g.curVol == g.targetVol) {
        if (g.stateAfter == MUZIK_START || g.stateAfter == MUZIK_START_AT_MARK) {
            OrvMuzik_Close();
            g.targetVol = g.volAfter;
        }
        g.state = g.stateAfter;
        return;
    }
    int v = g.fadeTo;
    if (g.fadeSpeed > 0.0) v = g.fadeFrom + Orv_TruncSat((g.fadeTo - g.fadeFrom) * elapsed / g.fadeSpeed);
    if ((g.fadeTo >= g.fadeFrom && v > g.fadeTo) || (g.fadeTo < g.fadeFrom && v < g.fadeTo)) v = g.fadeTo;
    if (v != g.curVol) OrvMuzik_ApplyVolume(v);
}

void OrvMuzik_SetVolumePercent(int percent) {
    if (!OrvSound_Available() || !g.handle || g.state == MUZIK_IDLE) return;
    percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    if (g.state != MUZIK_FADING) g.stateAfter = MUZIK_PLAYING;
    g.targetVol = OrvMuzik_GetMaxVol() * percent / 100;
    OrvMuzik_StartFade();
}

void OrvMuzik_ApplyVolume(int volume) {
    g.curVol = volume;
    if (g.handle) SysSnd_SetSoundVolume(g.handle, OrvSound_VolumeToAttenuation(volume));
}

bool OrvMuzik_SetMaxVol(int volume) {
    if (volume < 0 || volume > 127) return false;
    g_Config.musicMaxVolume = volume;
    return true;
}

int OrvMuzik_GetMaxVol() { return g_Config.musicMaxVolume; }
int OrvMuzik_GetMinVol() { return 0; }
int OrvMuzik_GetCurrentVol() { return g.curVol; }
int32_t OrvMuzik_GetState() { return g.state; }
int OrvMuzik_GetCurrentMark() { return g.currentMark; }
void OrvMuzik_SetLowVolume(bool low) { g.lowVolume = low; }
int OrvMuzik_GetMarkCount() { return int(g.markCount); }
int32_t OrvMuzik_GetMusicPosition() { return g.musicPos; }
int32_t OrvMuzik_GetLoadOffset() { return g.loadOffset; }

bool OrvMuzik_GotoMark(int mark) {
    if (!g.file) {
        OrvError_Warning("OrvMuzik_GotoMark(%d) : music_file=NULL!!", mark);
        return false;
    }
    if (!seekToMark(mark)) return false;
    if (g.musicPos + kJumpPieces * MUSIC_PIECE_SIZE > g.pcmSize) {
        OrvError_Fatal("OrvMuzik_GotoMark(): trop pres de la fin");
        return false;
    }
    g.loadOffset -= kJumpBack;
    if (g.loadOffset < 0) g.loadOffset += MUSIC_BUFFER_SIZE;
    const int32_t first = g.loadOffset;
    for (int i = 0; i < kJumpPieces; ++i) {
        void* region = nullptr;
        int locked = 0;
        if (SysSnd_LockSoundBuffer(g.handle, g.loadOffset, MUSIC_PIECE_SIZE, &region, &locked) != 0) return false;
        const int got = locked == MUSIC_PIECE_SIZE ? read_music_data(static_cast<uint8_t*>(region), locked, false) : -1;
        SysSnd_UnlockSoundBuffer(g.handle);
        if (got < 0) return false;
        g.musicPos += MUSIC_PIECE_SIZE;
        if (!advanceLoadOffset(MUSIC_PIECE_SIZE, "OrvMuzik_GotoMark(): music_offset_next_load > MUSIC_BUFFER_SIZE"))
            return false;
    }
    if (SysSnd_SetSoundPosition(g.handle, first) != 0) {
        OrvError_Fatal("OrvMuzik_GotoMark() : SysSnd_SetSoundPosition ");
        return false;
    }
    return true;
}

int OrvMuzik_GetRandomMark() {
    const int count = int(g.markCount);
    int r = g.currentMark;
    for (int i = 0; i < 10 && r == g.currentMark; ++i) {
        r = orv_rand() * (count + 1) / ORV_RAND_MAX;
        if (r > count) r = count;
    }
    debug_log("OrvMuzik_GetRandomMark() : %d", r);
    return r;
}

bool check_buffer_music() {
    if (!OrvSound_Available() || !g.handle || (!g.file && g.drained < 0)) return false;
    int play = 0, write = 0;
    if (SysSnd_GetSoundPosition(g.handle, &play, &write) != 0) {
        OrvError_Fatal("check_buffer_music() : SysSnd_GetSoundPosition ");
        return false;
    }
    if (g.loadOffset <= play && play <= g.loadOffset + MUSIC_PIECE_SIZE) return false;
    int n = MUSIC_PIECE_SIZE;
    if (MUSIC_BUFFER_SIZE - g.loadOffset < n) {
        n = MUSIC_BUFFER_SIZE - g.loadOffset;
        OrvError_Warning("music_offset_next_load+read > MUSIC_BUFFER_SIZE read=%d", n);
    }
    void* region = nullptr;
    int locked = 0;
    if (SysSnd_LockSoundBuffer(g.handle, g.loadOffset, n, &region, &locked) != 0) return false;
    const bool draining = g.drained >= 0;
    fillPiece(static_cast<uint8_t*>(region), locked);
    SysSnd_UnlockSoundBuffer(g.handle);
    // Once a whole buffer of silence has been written, everything streamed before has been heard.
    if (draining && (g.drained += n) >= MUSIC_BUFFER_SIZE) {
        const bool chain = g.chainAfterDrain;
        OrvMuzik_Close();
        if (!chain) return false;
        g.pendingName = g.chainName;
        g.startMark = g.chainMark;
        OrvMuzik_nb_loop = g.chainLoops;
        g.state = g.chainMark != 0 ? MUZIK_START_AT_MARK : MUZIK_START;
        return true;
    }
    return advanceLoadOffset(n, "check_buffer_music() : music_offset_next_load > MUSIC_BUFFER_SIZE ! ANORMAL ");
}

bool Load_Spp(const char* musicPath) {
    freeMarks();
    if (g.type != TYPE_KSN) return true;
    std::string spp;
    if (!music_name_to_spp_name(musicPath, &spp)) return false;
    const int32_t size = OrvFile_GetSizeByName(spp.c_str());
    if (size <= 0) return true;
    if (size % int32_t(sizeof(ST_tbl_mark)) != 0) {
        OrvError_Fatal("Load_Spp() : fichier SPP invalide : %s (sizeof(ST_tbl_mark)=%d)", spp.c_str(),
                       int(sizeof(ST_tbl_mark)));
        return false;
    }
    auto* marks = static_cast<ST_tbl_mark*>(mem_alloc(size_t(size), kMarkTag));
    if (!OrvFile_Load(spp.c_str(), marks, size)) {
        mem_free(marks, kMarkTag);
        return false;
    }
    const uint32_t count = uint32_t(size) / sizeof(ST_tbl_mark);
    const uint32_t dataBytes = uint32_t(g.pcmSize / 4);
    for (uint32_t i = 0; i < count; ++i) {
        const ST_tbl_mark& m = marks[i];
        const AdpcmStreamState& s = m.state;
        // A mark must be a decoder state of this music at its own position.
        const bool ok = m.position < dataBytes && Adpcm_StateIsConsistent(s) && s.stereo == 1 && s.phase == 0 &&
                        s.frequency == g.stream.frequency && s.totalFrames == g.stream.totalFrames &&
                        s.framesLeft == s.totalFrames - m.position;
        if (!ok) {
            OrvError_Warning("Load_Spp() : marque %u invalide : %s", i + 1, spp.c_str());
            mem_free(marks, kMarkTag);
            return false;
        }
    }
    g.marks = marks;
    g.markCount = count;
    return true;
}

bool music_name_to_spp_name(const char* musicPath, std::string* sppPath) {
    const size_t n = musicPath ? std::strlen(musicPath) : 0;
    if (n < 4) {
        OrvError_Fatal("music_name_to_spp_name(len<4)");
        return false;
    }
    std::string s = musicPath;
    for (size_t i = n - 4; i < n; ++i) s[i] = char(std::toupper(static_cast<unsigned char>(s[i])));
    if (s.compare(n - 3, 3, "KSN") != 0) {
        OrvError_Warning("music_name_to_spp_name(): music filename non KSN:%s", musicPath);
        return false;
    }
    s.replace(n - 3, 3, "SPP");
    *sppPath = s;
    return true;
}

int music_number_from_name(const char* path) {
    if (!path) return -1;
    const char* dot = std::strrchr(path, '.');
    if (!dot) return -1;
    const char* p = dot;
    while (p > path && std::isdigit(static_cast<unsigned char>(p[-1]))) --p;
    if (p == dot || dot - p > 6) return -1;
    return std::atoi(std::string(p, dot).c_str());
}
