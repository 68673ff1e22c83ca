// The music copies: number lists, the piecewise copy under the please-wait page, deletion, and the start.
#include "menus/Orv_MusikCopy.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Orv_Mem.h"
#include "menus/Orv_Menu.h"
#include "menus/Orv_MenuHooks.h"

namespace {

const char* const kCopyFn = "Erreur CopyMusikToDrive(char*)";
const char* const kDeleteFn = "Erreur DeleteMusikOnDrive(char*)";
const char* const kBufferTag = "CopyMusikToDrive";

int32_t g_currentMusic = -1;

// The items of a number list, each with the characters up to its separator.
std::vector<std::string> SplitNumberList(const char* list) {
    std::vector<std::string> items;
    const char* p = list;
    for (;;) {
        std::string item;
        while (*p && *p != ',' && *p != '\n' && *p != ')') item += *p++;
        items.push_back(item);
        if (*p != ',') return items;
        ++p;
    }
}

// A music number is digits only. Anything else would name no music of the CD, and could name a path
// outside the music directory, so the item is refused after a warning for each wrong character.
bool ValidNumber(const std::string& item, const char* fn) {
    bool ok = !item.empty();
    for (char c : item) {
        if (c >= '0' && c <= '9') continue;
        OrvError_Warning("%s: paramètre incorrect.", fn);
        ok = false;
    }
    if (item.empty()) OrvError_Warning("%s: paramètre incorrect.", fn);
    return ok;
}

// Size of a file, -1 when it is missing.
int64_t FileSize(const char* path) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(OrvFile_Resolve(path), ec);
    return ec ? -1 : int64_t(size);
}

// One menu frame of the please-wait page, with its animation stepped.
void RunWaitFrame() {
    NewFrameFlags |= NEWFRAME_MENU;
    OrvMenu_continue();
    Menu_PresentFrame();
}

enum class CopyResult { Done, Failed, DiskFull, DiskError };

// A copy under way: both files and the piece buffer. Unless committed, the temporary file is deleted,
// whichever way the copy ends (an error, or the program quitting from inside a frame).
struct PartialCopy {
    OrvFileHandle in = 0;
    OrvFileHandle out = 0;
    std::string tempPath;
    void* buffer = nullptr;
    bool committed = false;

    ~PartialCopy() {
        Close();
        if (!committed && !tempPath.empty()) OrvFile_Delete(tempPath.c_str());
        if (buffer) mem_free(buffer, kBufferTag);
    }
    void Close() {
        if (in) OrvFile_Close(in);
        if (out) OrvFile_Close(out);
        in = out = 0;
    }
};

CopyResult CopyOneFile(const std::string& name) {
    char dst[ORV_PATH_MAX], src[ORV_PATH_MAX];
    build_path_music(dst, name.c_str());
    build_path_ksn_music(src, name.c_str());
    if (FileSize(dst) > 0) return CopyResult::Done;

    const std::string finalPath = OrvFile_Resolve(dst);
    PartialCopy copy;
    copy.tempPath = OrvFile_TempPath(finalPath);
    copy.out = OrvFile_Open(copy.tempPath.c_str(), ORV_WRITE);
    if (!copy.out) {
        copy.tempPath.clear();
        OrvError_Warning("%s: impossible de créer le fichier %s", kCopyFn, dst);
        return CopyResult::Failed;
    }
    copy.in = OrvFile_Open(src, ORV_READ);
    const int64_t size = copy.in ? FileSize(src) : -1;
    if (size < 0) {
        OrvError_Warning("%s: impossible d'ouvrir le fichier %s", kCopyFn, src);
        return CopyResult::Failed;
    }
    if (Menu_DiskFreeSpace() < uint64_t(size)) {
        OrvError_Warning("%s: espace disk insufisant pour copier la musique %s", kCopyFn, dst);
        return CopyResult::DiskFull;
    }
    copy.buffer = mem_alloc(MUSIK_COPY_PIECE, kBufferTag);
    if (!copy.buffer) return CopyResult::DiskError;
    for (int64_t left = size; left > 0;) {
        const int32_t piece = left < MUSIK_COPY_PIECE ? int32_t(left) : MUSIK_COPY_PIECE;
        const int32_t got = OrvFile_Read(copy.in, copy.buffer, piece);
        RunWaitFrame();
        if (got != piece) {
            OrvError_Warning("%s: erreure de lecture du fichier %s", kCopyFn, src);
            return CopyResult::DiskError;
        }
        const int32_t put = OrvFile_Write(copy.out, copy.buffer, piece);
        RunWaitFrame();
        if (put != piece) {
            OrvError_Warning("%s: erreure d'écriture du fichier %s", kCopyFn, dst);
            return CopyResult::DiskError;
        }
        left -= piece;
    }
    copy.Close();
    if (!OrvFile_Commit(copy.tempPath, finalPath)) {
        OrvError_Warning("%s: erreure d'écriture du fichier %s", kCopyFn, dst);
        return CopyResult::DiskError;
    }
    copy.committed = true;
    return CopyResult::Done;
}

}  // namespace

std::string Musik_FileName(const std::string& digits, const char* extension) {
    return "muzik" + std::string(digits.size() == 1 ? "0" : "") + digits + extension;
}

bool CopyMusikToDrive(const char* numberList) {
    if (!numberList) return false;
    OrvMenu_start_PleaseWait();
    bool ok = true;
    for (const std::string& item : SplitNumberList(numberList)) {
        if (!ValidNumber(item, kCopyFn)) {
            ok = false;
            continue;
        }
        for (const char* ext : {".ksn", ".spp"}) {
            const CopyResult r = CopyOneFile(Musik_FileName(item, ext));
            if (r == CopyResult::DiskFull || r == CopyResult::DiskError) {
                OrvMenu_stop();
                if (r == CopyResult::DiskFull)
                    OrvMenu_start_DiskFull();
                else
                    OrvMenu_start_DiskError();
                return false;
            }
            if (r == CopyResult::Failed) {
                // Without its sound the marks are of no use: on to the next number.
                ok = false;
                break;
            }
        }
    }
    OrvMenu_stop();
    return ok;
}

void DeleteMusikOnDrive(const char* numberList) {
    if (!numberList) return;
    for (const std::string& item : SplitNumberList(numberList)) {
        if (!ValidNumber(item, kDeleteFn)) continue;
        for (const char* ext : {".ksn", ".spp"}) {
            char path[ORV_PATH_MAX];
            build_path_music(path, Musik_FileName(item, ext).c_str());
            OrvFile_Delete(path);
        }
    }
}

bool PlayMusikNumber(int32_t number, int32_t mark, int32_t loops) {
    if (number == g_currentMusic) return true;
    if (number < 0) {
        OrvError_Warning("PlayMusikNumber(%d) : numéro de musique incorrect", number);
        return false;
    }
    if (MenuHooks.Qmv_ClearMusicFlag) MenuHooks.Qmv_ClearMusicFlag();
    g_currentMusic = number;
    char name[32];
    std::snprintf(name, sizeof name, "muzik%02d.ksn", number);
    CopyMusikToDrive(std::to_string(number).c_str());
    // A music that did not reach the disk is copied again at the next request.
    char path[ORV_PATH_MAX];
    build_path_music(path, name);
    if (FileSize(path) <= 0) g_currentMusic = -1;
    return MenuHooks.Muzik_Start ? MenuHooks.Muzik_Start(name, mark, loops) : false;
}

void MusikCopy_Reset() { g_currentMusic = -1; }
