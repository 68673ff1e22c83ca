// The settings file ("quillm2.cfg"): read, every field in range, written back and read again alike.
#include <cstring>

#include "app/Config.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

void Setup() { Fuzz_Dir(); }

bool InRange(const OrvConfig& c) {
    const bool size = (c.screenWidth == 640 && c.screenHeight == 480) || (c.screenWidth == 800 && c.screenHeight == 600);
    return size && c.mouseSpeed >= 25 && c.mouseSpeed <= 400 && c.invertLook >= 0 && c.invertLook <= 1 &&
           c.masterVolume >= 0 && c.masterVolume <= 256 && c.effectsVolume >= 0 && c.effectsVolume <= 127 &&
           c.voiceVolume >= 0 && c.voiceVolume <= 127 && c.musicMaxVolume >= 0 && c.musicMaxVolume <= 127 &&
           c.fullScreen <= 1 && c.subtitles <= 1 && c.centreCross <= 1;
}

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("quillm2.cfg", data, size);
    config_reset();
    const bool whole = config_load();
    Fuzz_Check(InRange(g_Config), "a setting out of its range was kept");
    uint8_t first[CONFIG_FILE_SIZE], second[CONFIG_FILE_SIZE];
    config_encode(g_Config, first);
    Fuzz_Check(config_save(), "settings not written");
    Fuzz_Check(config_load(), "settings written are not read back whole");
    config_encode(g_Config, second);
    Fuzz_Check(std::memcmp(first, second, CONFIG_FILE_SIZE) == 0, "settings changed through a save");
    config_reset();
    return whole;
}

std::vector<FuzzBytes> Seeds() {
    OrvConfig c;
    FuzzBytes file(CONFIG_FILE_SIZE);
    config_encode(c, file.data());
    c.screenWidth = 800;
    c.screenHeight = 600;
    c.mouseSpeed = 400;
    c.fullScreen = 1;
    FuzzBytes large(CONFIG_FILE_SIZE);
    config_encode(c, large.data());
    return {file, large};
}

}  // namespace

QM_FUZZ_TARGET(settings, Setup, Run, Seeds);
