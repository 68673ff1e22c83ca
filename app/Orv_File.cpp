// File access through counted handles, data directories, path builders and CD drives.
#include "app/Orv_File.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/Orv_Log.h"

namespace {
// A handle is the slot number + 1 in its low 16 bits and the slot's generation above them, so that a
// handle kept after its close never reaches the file that reuses the slot.
constexpr uint32_t kSlotBits = 16;
constexpr uint32_t kSlotMask = (1u << kSlotBits) - 1;
constexpr size_t kMaxSlots = kSlotMask;
constexpr uint32_t kMaxGeneration = (1u << (32 - kSlotBits)) - 1;

struct OpenFile {
    int fd = -1;
    uint32_t generation = 0;
    std::string path;
};
std::vector<OpenFile> g_files;
int g_openCount = 0;

std::string g_installDir = "./";
std::string g_cdRoots[5];  // 1..4
std::string g_cdCurrentRoot;
int g_cdCurrent = 0;
int g_cdRequested = 1;
void (*g_cdChangeHook)(int, int) = nullptr;
std::string g_dbSecondary;
int g_lastSaveFailure = ORV_SAVE_OK;
int g_writeFailure = 0;

// write(2), or the failure a test set.
ssize_t writeSome(int fd, const void* buf, size_t count) {
    if (g_writeFailure == 0) return ::write(fd, buf, count);
    errno = g_writeFailure;
    return -1;
}

std::string withSlash(std::string d) {
    if (d.empty()) d = ".";
    if (d.back() != '/') d += '/';
    return d;
}

OpenFile* lookup(OrvFileHandle h) {
    const uint32_t slot = h & kSlotMask;
    if (slot == 0 || slot > g_files.size()) return nullptr;
    OpenFile& f = g_files[slot - 1];
    if (f.fd < 0 || f.generation != h >> kSlotBits) return nullptr;
    return &f;
}

OrvFileHandle handleOf(size_t index) { return OrvFileHandle(g_files[index].generation << kSlotBits | (index + 1)); }

// The directory holding path: after a rename it is synced so that the new name survives a crash.
bool syncDirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool isDir(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool exists(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

void buildPath(char* out, const std::string& base, const char* dir, const char* name) {
    int n = std::snprintf(out, ORV_PATH_MAX, "%s%s%s", base.c_str(), dir, name ? name : "");
    if (n < 0 || n >= ORV_PATH_MAX) OrvError_Warning("build_path() : chemin trop long : %s%s", dir, name ? name : "");
}
}  // namespace

std::string OrvFile_Resolve(const char* path) {
    std::string p = path ? path : "";
    for (char& c : p) if (c == '\\') c = '/';
    if (p.empty() || exists(p)) return p;
    std::string cur = p[0] == '/' ? "/" : "";
    size_t i = p[0] == '/' ? 1 : 0;
    while (i <= p.size()) {
        size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        std::string comp = p.substr(i, j - i);
        i = j + 1;
        if (comp.empty()) continue;
        std::string exact = cur + comp;
        if (!exists(exact)) {
            // Data from Windows CDs arrives in any letter case.
            DIR* d = ::opendir(cur.empty() ? "." : cur.c_str());
            std::string found;
            if (d) {
                while (dirent* e = ::readdir(d)) {
                    if (::strcasecmp(e->d_name, comp.c_str()) == 0) {
                        found = e->d_name;
                        break;
                    }
                }
                ::closedir(d);
            }
            if (found.empty()) return cur + p.substr(i - comp.size() - 1);
            exact = cur + found;
        }
        cur = exact;
        if (j < p.size()) cur += '/';
    }
    return cur;
}

OrvFileHandle OrvFile_Open(const char* path, int mode) {
    if (!path) return 0;
    std::string real = OrvFile_Resolve(path);
    int flags = O_RDONLY;
    const char* tag = "R";
    if (mode == ORV_WRITE) {
        flags = O_WRONLY | O_CREAT | O_TRUNC;
        tag = "W";
    } else if (mode == ORV_APPEND) {
        flags = O_WRONLY | O_CREAT | O_APPEND;
        tag = "A";
    } else if (mode != ORV_READ) {
        OrvError_Warning("OrvFile_Open() : mode %d incorrect (%s)", mode, path);
        return 0;
    }
    int fd = ::open(real.c_str(), flags | O_CLOEXEC, 0644);
    if (fd >= 0 && isDir(real)) {
        ::close(fd);
        fd = -1;
    }
    OrvFileHandle h = 0;
    if (fd >= 0) {
        size_t slot = 0;
        while (slot < g_files.size() && g_files[slot].fd >= 0) slot++;
        if (slot == kMaxSlots) {
            ::close(fd);
            OrvError_Warning("OrvFile_Open() : trop de fichiers ouverts (%s)", path);
            return 0;
        }
        if (slot == g_files.size()) g_files.emplace_back();
        OpenFile& f = g_files[slot];
        f.fd = fd;
        f.generation = f.generation == kMaxGeneration ? 1 : f.generation + 1;
        f.path = real;
        h = handleOf(slot);
        g_openCount++;
    }
    debug_log("ORV OPEN %s (%s) = %X", tag, path, h);
    return h;
}

int32_t OrvFile_Read(OrvFileHandle h, void* buf, int32_t count) {
    OpenFile* f = lookup(h);
    if (!f || !buf || count <= 0) return 0;
    int32_t done = 0;
    while (done < count) {
        ssize_t n = ::read(f->fd, static_cast<char*>(buf) + done, size_t(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += int32_t(n);
    }
    return done;
}

int32_t OrvFile_Write(OrvFileHandle h, const void* buf, int32_t count) {
    OpenFile* f = lookup(h);
    if (!f || !buf || count <= 0) return 0;
    int32_t done = 0;
    while (done < count) {
        ssize_t n = writeSome(f->fd, static_cast<const char*>(buf) + done, size_t(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += int32_t(n);
    }
    return done;
}

int OrvFile_Seek(OrvFileHandle h, int32_t offset, int origin) {
    OpenFile* f = lookup(h);
    if (!f) return 1;
    int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    return ::lseek(f->fd, offset, whence) < 0 ? 1 : 0;
}

int32_t OrvFile_Tell(OrvFileHandle h) {
    OpenFile* f = lookup(h);
    if (!f) return -1;
    off_t pos = ::lseek(f->fd, 0, SEEK_CUR);
    return pos < 0 ? -1 : int32_t(pos);
}

int32_t OrvFile_GetSize(OrvFileHandle h) {
    OpenFile* f = lookup(h);
    struct stat st;
    if (!f || ::fstat(f->fd, &st) != 0) return 0;
    return st.st_size > INT32_MAX ? INT32_MAX : int32_t(st.st_size);
}

int32_t OrvFile_GetSizeByName(const char* path) {
    OrvFileHandle h = OrvFile_Open(path, ORV_READ);
    if (!h) return 0;
    int32_t size = OrvFile_GetSize(h);
    OrvFile_Close(h);
    return size;
}

void OrvFile_Close(OrvFileHandle h) {
    OpenFile* f = lookup(h);
    if (!f) {
        OrvError_Warning("OrvFile_Close() : handle incorrect %X", h);
        return;
    }
    ::close(f->fd);
    f->fd = -1;
    f->path.clear();
    g_openCount--;
    debug_log("ORV CLOSE (%X)", h);
}

bool OrvFile_Exists(const char* path) {
    OrvFileHandle h = OrvFile_Open(path, ORV_READ);
    if (!h) return false;
    OrvFile_Close(h);
    return true;
}

bool OrvFile_Load(const char* path, void* buf, int32_t count) {
    OrvFileHandle h = OrvFile_Open(path, ORV_READ);
    if (!h) return false;
    int32_t got = OrvFile_Read(h, buf, count);
    OrvFile_Close(h);
    if (got != count) {
        OrvError_Warning("OrvFile_Load() : %s : %d octets lus sur %d", path, got, count);
        return false;
    }
    return true;
}

bool OrvFile_Save(const char* path, const void* buf, int32_t count) {
    if (count < 0) return false;
    return OrvFile_SaveAtomic(path, buf, size_t(count));
}

std::string OrvFile_TempPath(const std::string& finalPath) { return finalPath + ORV_TEMP_SUFFIX; }

bool OrvFile_Commit(const std::string& tempPath, const std::string& finalPath) {
    if (::rename(tempPath.c_str(), finalPath.c_str()) != 0) return false;
    if (!syncDirectoryOf(finalPath))
        OrvError_Warning("OrvFile_Commit() : répertoire non synchronisé : %s", finalPath.c_str());
    return true;
}

int OrvFile_RemoveStaleTemporaries(const char* dir) {
    const std::string base = withSlash(OrvFile_Resolve(dir));
    DIR* d = ::opendir(base.c_str());
    if (!d) return 0;
    std::vector<std::string> stale;
    const size_t suffix = std::strlen(ORV_TEMP_SUFFIX);
    while (dirent* e = ::readdir(d)) {
        const size_t n = std::strlen(e->d_name);
        if (n > suffix && std::strcmp(e->d_name + n - suffix, ORV_TEMP_SUFFIX) == 0) stale.push_back(base + e->d_name);
    }
    ::closedir(d);
    int removed = 0;
    for (const std::string& path : stale) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::unlink(path.c_str()) == 0) {
            debug_log("OrvFile_RemoveStaleTemporaries() : %s supprimé (écriture interrompue)", path.c_str());
            removed++;
        }
    }
    return removed;
}

bool OrvFile_SaveAtomic(const char* path, const void* buf, size_t count) {
    if (!path) return false;
    std::string real = OrvFile_Resolve(path);
    std::string tmp = OrvFile_TempPath(real);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    auto fail = [&](const char* what, int error) {
        g_lastSaveFailure = error == ENOSPC || error == EDQUOT ? ORV_SAVE_DISK_FULL : ORV_SAVE_FAILED;
        OrvError_Warning("OrvFile_Save() : %s : %s (%s)", what, path, std::strerror(error));
        return false;
    };
    if (fd < 0) return fail("création impossible", errno);
    size_t done = 0;
    int error = 0;
    while (done < count && !error) {
        ssize_t n = writeSome(fd, static_cast<const char*>(buf) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) error = n < 0 ? errno : ENOSPC;
        else done += size_t(n);
    }
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    // The old file stays intact unless the new one was written whole.
    if (!error && !OrvFile_Commit(tmp, real)) error = errno;
    if (error) {
        ::unlink(tmp.c_str());
        return fail("écriture impossible", error);
    }
    g_lastSaveFailure = ORV_SAVE_OK;
    return true;
}

int OrvFile_LastSaveFailure() { return g_lastSaveFailure; }
void OrvFile_SetWriteFailure(int error) { g_writeFailure = error; }

bool OrvFile_Delete(const char* path) {
    std::string real = OrvFile_Resolve(path);
    return ::unlink(real.c_str()) == 0;
}

bool OrvFile_MakeDir(const char* path) {
    std::string real = OrvFile_Resolve(path);
    if (::mkdir(real.c_str(), 0755) == 0 || (errno == EEXIST && isDir(real))) return true;
    OrvError_Warning("OrvFile_MakeDir() : %s : %s", path, std::strerror(errno));
    return false;
}

int OrvFile_OpenCount() { return g_openCount; }

int OrvFile_ReportOpen() {
    int n = 0;
    for (size_t i = 0; i < g_files.size(); i++) {
        if (g_files[i].fd < 0) continue;
        debug_log("  fichier non fermé : %X (%s)", handleOf(i), g_files[i].path.c_str());
        n++;
    }
    return n;
}

void OrvFile_SetInstallDir(const std::string& dir) { g_installDir = withSlash(dir); }
const std::string& OrvFile_GetInstallDir() { return g_installDir; }

void OrvFile_SetCDRoot(int cd, const std::string& dir) {
    if (cd < 1 || cd > 4) return;
    g_cdRoots[cd] = withSlash(dir);
    if (cd == g_cdCurrent) g_cdCurrentRoot = g_cdRoots[cd];
}

const std::string& OrvFile_GetCDRoot() { return g_cdCurrentRoot; }

std::string cd_probe_name(int cd) { return "datas_q2/cd" + std::to_string(cd) + ".spr"; }

bool cd_present(int cd) {
    if (cd < 1 || cd > 4) return false;
    return exists(OrvFile_Resolve((g_cdRoots[cd] + cd_probe_name(cd)).c_str()));
}

bool cd_init() {
    // Each CD is a directory "cdN" of the installation, unless the installation itself holds them all.
    for (int cd = 1; cd <= 4; cd++) {
        if (!g_cdRoots[cd].empty()) continue;
        std::string own = OrvFile_Resolve((g_installDir + "cd" + std::to_string(cd)).c_str());
        g_cdRoots[cd] = isDir(own) ? withSlash(own) : g_installDir;
    }
    g_cdCurrent = 0;
    for (int cd = 1; cd <= 4; cd++) {
        if (cd_present(cd)) {
            g_cdCurrent = cd;
            g_cdCurrentRoot = g_cdRoots[cd];
            debug_log("cd_init() : CD %d dans %s", cd, g_cdCurrentRoot.c_str());
            return true;
        }
    }
    g_cdCurrentRoot = g_installDir;
    return false;
}

void cd_reset() {
    for (std::string& root : g_cdRoots) root.clear();
    g_cdCurrentRoot.clear();
    g_cdCurrent = 0;
    g_cdRequested = 1;
    g_cdChangeHook = nullptr;
}

bool cd_request(int cd, int flag) {
    if (cd < 1 || cd > 4) {
        OrvError_Warning("cd_request() : CD %d incorrect", cd);
        return false;
    }
    g_cdRequested = cd;
    if (cd_present(cd)) {
        g_cdCurrent = cd;
        g_cdCurrentRoot = g_cdRoots[cd];
        return true;
    }
    if (g_cdChangeHook) g_cdChangeHook(cd, flag);
    else OrvError_Warning("cd_request() : CD %d absent", cd);
    return false;
}

int cd_get_requested() { return g_cdRequested; }
int cd_get_current() { return g_cdCurrent; }
void cd_set_change_hook(void (*hook)(int, int)) { g_cdChangeHook = hook; }

void OrvFile_Set_DB_secondary_path(const char* subdir) { g_dbSecondary = subdir ? subdir : ""; }

void build_path_root(char* out, const char* name) { buildPath(out, g_installDir, "", name); }
void build_path_wam(char* out, const char* name) { buildPath(out, g_installDir, "wam/", name); }
void build_path_music(char* out, const char* name) { buildPath(out, g_installDir, "music/", name); }
void build_path_spr(char* out, const char* name) { buildPath(out, g_installDir, "spr/", name); }
void build_path_sprmenu(char* out, const char* name) { buildPath(out, g_installDir, "spr/menu/", name); }
void build_path_scenar(char* out, const char* name) { buildPath(out, g_installDir, "scenar/", name); }
void build_path_loc(char* out, const char* name) { buildPath(out, g_installDir, "loc/", name); }
void build_path_save(char* out, const char* name) { buildPath(out, g_installDir, "save/", name); }
void build_path_cache(char* out, const char* name) { buildPath(out, g_installDir, "cache/", name); }
void build_path_warp(char* out, const char* name) { buildPath(out, g_cdCurrentRoot, "datas_q2/warp/", name); }
void build_path_ksn(char* out, const char* name) { buildPath(out, g_cdCurrentRoot, "datas_q2/ksn/", name); }
void build_path_ksn_music(char* out, const char* name) { buildPath(out, g_cdCurrentRoot, "datas_q2/ksn/music/", name); }
void build_path_ksn_dial(char* out, const char* name) { buildPath(out, g_cdCurrentRoot, "datas_q2/ksn/dial/", name); }
void build_path_spw(char* out, const char* name) { buildPath(out, g_cdCurrentRoot, "datas_q2/spw/", name); }
void build_path_qmv(char* out, const char* name) { buildPath(out, g_cdCurrentRoot, "datas_q2/qmv/", name); }
void build_path_3d(char* out, const char* name) { buildPath(out, g_cdCurrentRoot, "datas_q2/3d/", name); }
void build_path_spf(char* out, const char* name) { buildPath(out, g_cdCurrentRoot, "datas_q2/spf/", name); }

void build_path_3d_dial(char* out, const char* name) {
    if (g_dbSecondary.empty()) {
        buildPath(out, g_cdCurrentRoot, "datas_q2/3d/dial/", name);
        return;
    }
    std::string dir = "datas_q2/3d/" + g_dbSecondary;
    for (char& c : dir) if (c == '\\') c = '/';
    if (dir.back() != '/') dir += '/';
    buildPath(out, g_cdCurrentRoot, dir.c_str(), name);
}

uint64_t disk_free_space() {
    struct statvfs st;
    if (::statvfs(g_installDir.c_str(), &st) != 0) return 0;
    return uint64_t(st.f_bavail) * uint64_t(st.f_frsize);
}
