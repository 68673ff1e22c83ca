// The settings file: fixed little-endian fields in a fixed sequence, without a header.
#include "app/Config.h"

#include "app/Orv_File.h"
#include "app/Orv_Log.h"

OrvConfig g_Config;

namespace {

const char* const kConfigName = "quillm2.cfg";
bool g_loaded = false;

// One field of the file: 4-byte signed or 1-byte unsigned, with its accepted range.
struct Field {
    const char* name;
    int offset;
    int32_t OrvConfig::*i32;
    uint8_t OrvConfig::*u8;
    int32_t min, max;
};

constexpr Field kFields[] = {
    {"mouseSpeed", 0, &OrvConfig::mouseSpeed, nullptr, 25, 400},
    {"invertLook", 4, &OrvConfig::invertLook, nullptr, 0, 1},
    {"masterVolume", 8, &OrvConfig::masterVolume, nullptr, 0, 256},
    {"effectsVolume", 12, &OrvConfig::effectsVolume, nullptr, 0, 127},
    {"voiceVolume", 16, &OrvConfig::voiceVolume, nullptr, 0, 127},
    {"musicMaxVolume", 20, &OrvConfig::musicMaxVolume, nullptr, 0, 127},
    {"screenWidth", 24, &OrvConfig::screenWidth, nullptr, 640, 800},
    {"screenHeight", 28, &OrvConfig::screenHeight, nullptr, 480, 600},
    {"fullScreen", 32, nullptr, &OrvConfig::fullScreen, 0, 1},
    {"subtitles", 33, nullptr, &OrvConfig::subtitles, 0, 1},
    {"centreCross", 34, nullptr, &OrvConfig::centreCross, 0, 1},
};

int field_size(const Field& f) { return f.i32 ? 4 : 1; }

int32_t get_field(const OrvConfig& c, const Field& f) { return f.i32 ? c.*f.i32 : c.*f.u8; }

void set_field(OrvConfig& c, const Field& f, int32_t v)
{
    if (f.i32)
        c.*f.i32 = v;
    else
        c.*f.u8 = static_cast<uint8_t>(v);
}

int32_t read_field(const uint8_t* p, const Field& f)
{
    if (!f.i32)
        return p[0];
    const uint32_t u = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return static_cast<int32_t>(u);
}

void write_field(uint8_t* p, const Field& f, int32_t v)
{
    const uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < field_size(f); ++i)
        p[i] = static_cast<uint8_t>(u >> (8 * i));
}

// Reads up to CONFIG_FILE_SIZE bytes; -1 when the file cannot be opened.
int read_file(const std::string& path, uint8_t* buf)
{
    OrvFileHandle h = OrvFile_Open(path.c_str(), ORV_READ);
    if (!h)
        return -1;
    const int32_t size = OrvFile_GetSize(h);
    const int32_t n = OrvFile_Read(h, buf, CONFIG_FILE_SIZE);
    OrvFile_Close(h);
    if (size > CONFIG_FILE_SIZE)
        debug_log("config_load() : %s has %d bytes, the last %d ignored", path.c_str(), size,
                  size - CONFIG_FILE_SIZE);
    return n < 0 ? 0 : n;
}

}  // namespace

std::string config_path()
{
    char path[ORV_PATH_MAX];
    build_path_root(path, kConfigName);
    return path;
}

void config_encode(const OrvConfig& c, uint8_t out[CONFIG_FILE_SIZE])
{
    for (const Field& f : kFields)
        write_field(out + f.offset, f, get_field(c, f));
}

bool config_load()
{
    const OrvConfig defaults;
    g_Config = defaults;
    g_loaded = true;

    const std::string path = config_path();
    uint8_t buf[CONFIG_FILE_SIZE] = {};
    const int n = read_file(path, buf);
    if (n < 0) {
        debug_log("config_load() : %s missing, default settings", path.c_str());
        return false;
    }
    bool whole = true;
    if (n < CONFIG_FILE_SIZE) {
        debug_log("config_load() : %s has %d bytes of %d, missing settings take their defaults",
                  path.c_str(), n, CONFIG_FILE_SIZE);
        whole = false;
    }
    for (const Field& f : kFields) {
        if (f.offset + field_size(f) > n)
            continue;
        const int32_t v = read_field(buf + f.offset, f);
        if (v < f.min || v > f.max) {
            debug_log("config_load() : %s = %d out of range (%d..%d), default %d", f.name, v, f.min,
                      f.max, get_field(defaults, f));
            whole = false;
            continue;
        }
        set_field(g_Config, f, v);
    }
    const bool size640 = g_Config.screenWidth == 640 && g_Config.screenHeight == 480;
    const bool size800 = g_Config.screenWidth == 800 && g_Config.screenHeight == 600;
    if (!size640 && !size800) {
        debug_log("config_load() : screen %dx%d not supported, default %dx%d", g_Config.screenWidth,
                  g_Config.screenHeight, defaults.screenWidth, defaults.screenHeight);
        g_Config.screenWidth = defaults.screenWidth;
        g_Config.screenHeight = defaults.screenHeight;
        whole = false;
    }
    return whole;
}

bool config_save()
{
    if (!g_loaded) {
        debug_log("config_save() : settings never loaded, file left as it is");
        return false;
    }
    uint8_t buf[CONFIG_FILE_SIZE];
    config_encode(g_Config, buf);
    const std::string path = config_path();
    if (!OrvFile_SaveAtomic(path.c_str(), buf, sizeof buf)) {
        OrvError_Warning("config_save() : cannot write %s", path.c_str());
        return false;
    }
    return true;
}

bool config_loaded() { return g_loaded; }

void config_reset()
{
    g_Config = OrvConfig{};
    g_loaded = false;
}
