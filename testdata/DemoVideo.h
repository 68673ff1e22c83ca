// The demo installation's intro video and its soundtrack.
#pragma once
#include <string>

// Names in the CD's "datas_q2\qmv\" and "datas_q2\ksn\" directories.
constexpr const char* DEMO_INTRO_VIDEO = "intro.qmv";
constexpr const char* DEMO_INTRO_SOUND = "intro.ksn";
constexpr int DEMO_INTRO_FRAMES = 45;

// Writes <dir>/datas_q2/qmv/intro.qmv (three seconds at 15 pictures a second: a disc crossing a dusk sky)
// and its soundtrack <dir>/datas_q2/ksn/intro.ksn; false with *error when a file cannot be written.
bool DemoVideo_Write(const std::string& dir, std::string* error = nullptr);
