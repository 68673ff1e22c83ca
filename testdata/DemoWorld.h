// The demo's worlds, name definitions, chapter script, messages and object sprites.
#pragma once
#include <string>
#include <vector>

#include "testdata/ScriptWriter.h"
#include "testdata/WamWriter.h"

// The two worlds: world code "IR" in "bigile1.wam", world code "YU" in "yucatan.wam".
extern const char* const DEMO_WAM_IR;
extern const char* const DEMO_WAM_YU;
// The kind-2 zone of IR 4 follows this link to YU 1, and YU 1's link leads back to IR 4.
constexpr unsigned DEMO_LIEN_TO_YU = 50;
constexpr unsigned DEMO_LIEN_TO_IR = 51;
// The spider's web of YU in its own world file: YU 2's link leads to its view 198, and 198's back.
extern const char* const DEMO_WAM_TOILE;
// The carving the door of IR 4 shows in the picture viewer ("spr\gravure.spr").
extern const char* const DEMO_CARVING_BANK;
constexpr unsigned DEMO_LIEN_TO_TOILE = 52;
constexpr unsigned DEMO_LIEN_FROM_TOILE = 53;
// The web's errands (caterpillar, grasshopper, skull): each one's rules, on messages 11, 12 and 13, go on
// on a second page.
constexpr int DEMO_WEB_RULES_PAGE2[3] = {18, 19, 20};

// The guardian of YU 2 breathes over this many frames. He bars the passage behind him with this message
// until he has spoken.
constexpr int DEMO_GUARDIAN_FRAMES = 48;
constexpr int DEMO_GUARDIAN_BARS_MESSAGE = 16;

// The stars of YU 121, reached from YU 2 (on its left): 17 places on face 0 of the view, star n at
// face direction (u, v) (x and y one unit ahead); the seven places that finish the puzzle are ringed.
constexpr int DEMO_STAR_PLACES = 17;
constexpr unsigned DEMO_STARS_VIEW = 121;
void DemoWorld_StarPlace(int n, float* u, float* v);
bool DemoWorld_StarFinishes(int n);

// The ambient noises of a demo world file: its sound records and every view given the noises of its place
// (views that have their own are left as they are).
void DemoWorld_AddAmbience(WamFileDesc& world);

DefNamesDesc DemoWorld_DefNames();
WamFileDesc DemoWorld_Ir();
WamFileDesc DemoWorld_Yu();
std::string DemoWorld_Chapter1();
MessagesDesc DemoWorld_Messages();
// The lines of the carving, in the game's code page.
std::vector<std::string> DemoWorld_CarvingLines();

// Writes "scenar\defnames.con", "scenar\chapi001.con", "wam\bigile1.wam", "wam\yucatan.wam",
// "loc\messages.txt" and "spr\objets.spr" into the installation dir; false with *error on failure.
bool DemoWorld_Write(const std::string& dir, std::string* error = nullptr);
