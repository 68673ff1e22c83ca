// The settings file "quillm2.cfg": the global settings record, its loading and saving.
#pragma once
#include <cstdint>
#include <string>

struct OrvConfig {
    // Mouse options.
    int32_t mouseSpeed = 100;      // percent of the base mouse-look speed, 25..400
    int32_t invertLook = 0;        // 0 or 1: vertical look inverted
    // Volumes.
    int32_t masterVolume = 256;    // 0..256, a scale in 256ths
    int32_t effectsVolume = 127;   // 0..127
    int32_t voiceVolume = 127;     // 0..127, dialogue voices
    int32_t musicMaxVolume = 100;  // 0..127, the music's user volume
    // Screen: 640x480 or 800x600.
    int32_t screenWidth = 640;
    int32_t screenHeight = 480;
    // Display options.
    uint8_t fullScreen = 0;
    uint8_t subtitles = 1;
    uint8_t centreCross = 0;
};

// Size of the settings file in bytes.
constexpr int CONFIG_FILE_SIZE = 35;

extern OrvConfig g_Config;

// Full path of the settings file in the installation directory.
std::string config_path();
// Reads the settings; a missing or short file and each out-of-range field give defaults, with a
// log line. True when every field came from the file.
bool config_load();
// Writes the settings through a temporary file and a rename; nothing unless they were loaded.
bool config_save();
bool config_loaded();
// Tests: defaults, not loaded.
void config_reset();

// The file image of a settings record.
void config_encode(const OrvConfig& c, uint8_t out[CONFIG_FILE_SIZE]);
