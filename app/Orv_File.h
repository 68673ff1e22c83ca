// File access through counted handles, data directories, path builders and CD drives.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

constexpr int ORV_PATH_MAX = 1024;

// Handles are non-zero; 0 means failure. A handle closed once is refused ever after, even when its
// slot holds another file.
using OrvFileHandle = uint32_t;
enum { ORV_READ = 0, ORV_WRITE = 1, ORV_APPEND = 2 };

OrvFileHandle OrvFile_Open(const char* path, int mode);
int32_t OrvFile_Read(OrvFileHandle h, void* buf, int32_t count);
int32_t OrvFile_Write(OrvFileHandle h, const void* buf, int32_t count);
int OrvFile_Seek(OrvFileHandle h, int32_t offset, int origin);  // 0 ok, 1 failure
int32_t OrvFile_Tell(OrvFileHandle h);
int32_t OrvFile_GetSize(OrvFileHandle h);
int32_t OrvFile_GetSizeByName(const char* path);
void OrvFile_Close(OrvFileHandle h);
bool OrvFile_Exists(const char* path);
bool OrvFile_Load(const char* path, void* buf, int32_t count);
bool OrvFile_Save(const char* path, const void* buf, int32_t count);
// Writes a whole file through a temporary file and a rename.
bool OrvFile_SaveAtomic(const char* path, const void* buf, size_t count);
// Files the program rewrites are written to OrvFile_TempPath(final) and committed: renamed over the final
// name, the directory then synced. A temporary left by an interrupted write is stale at the next start.
constexpr const char* ORV_TEMP_SUFFIX = ".orvtmp";
std::string OrvFile_TempPath(const std::string& finalPath);
bool OrvFile_Commit(const std::string& tempPath, const std::string& finalPath);
// Deletes the stale temporaries (regular files ending in ORV_TEMP_SUFFIX) of one directory; how many.
int OrvFile_RemoveStaleTemporaries(const char* dir);
// Why the last OrvFile_SaveAtomic failed (ORV_SAVE_OK after a success).
enum : int { ORV_SAVE_OK = 0, ORV_SAVE_DISK_FULL = 1, ORV_SAVE_FAILED = 2 };
int OrvFile_LastSaveFailure();
// Tests: every write (OrvFile_Write, OrvFile_SaveAtomic) fails with this errno, ENOSPC standing for a
// full device, until it is set back to 0.
void OrvFile_SetWriteFailure(int error);
bool OrvFile_Delete(const char* path);
bool OrvFile_MakeDir(const char* path);
int OrvFile_OpenCount();
// Logs every handle still open; returns how many.
int OrvFile_ReportOpen();

// Resolves a data path: '\' read as '/', each component matched without regard to case.
// Returns the existing path, or the best-effort path when it does not exist.
std::string OrvFile_Resolve(const char* path);

// Installation directory (ends with '/') and CD roots.
void OrvFile_SetInstallDir(const std::string& dir);
const std::string& OrvFile_GetInstallDir();
// Directory where CD n (1..4) is found; default <install>/cdN, or one directory for all CDs.
void OrvFile_SetCDRoot(int cd, const std::string& dir);
// Root of the current game CD (ends with '/').
const std::string& OrvFile_GetCDRoot();
// Probe file of CD n, relative to the CD root.
std::string cd_probe_name(int cd);
// Finds the CD directories; false when none holds a game CD.
bool cd_init();
// Forgets the CD directories, the current and requested CD and the change hook, as before any start.
void cd_reset();
// True when CD n is present (its probe file is found).
bool cd_present(int cd);
// Makes CD n current; when it is absent calls the CD-change hook (the menus' CD page).
bool cd_request(int cd, int flag);
int cd_get_requested();
int cd_get_current();
void cd_set_change_hook(void (*hook)(int cd, int flag));

// Sub-directory of "datas_q2\3d\" used instead of "dial\" by build_path_3d_dial while set.
void OrvFile_Set_DB_secondary_path(const char* subdir);

void build_path_root(char* out, const char* name);
void build_path_wam(char* out, const char* name);
void build_path_music(char* out, const char* name);
void build_path_spr(char* out, const char* name);
void build_path_sprmenu(char* out, const char* name);
void build_path_scenar(char* out, const char* name);
void build_path_loc(char* out, const char* name);
void build_path_save(char* out, const char* name);
// Files the program derives from the CD's data and keeps for later runs.
void build_path_cache(char* out, const char* name);
void build_path_warp(char* out, const char* name);
void build_path_ksn(char* out, const char* name);
void build_path_ksn_music(char* out, const char* name);
void build_path_ksn_dial(char* out, const char* name);
void build_path_spw(char* out, const char* name);
void build_path_qmv(char* out, const char* name);
void build_path_3d(char* out, const char* name);
void build_path_3d_dial(char* out, const char* name);
void build_path_spf(char* out, const char* name);

// Free bytes on the drive of the installation directory.
uint64_t disk_free_space();
