// Writers of dialogue data: a world's three scripts from a reply list, and generated 3D characters.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine3d/Database.h"
#include "testdata/TgaWriter.h"

// ---- Scripts ----

// One [Perso] section of the character script; empty or negative values write no line.
struct DlgPersoDesc {
    std::string name;
    std::string mesh;
    std::vector<std::string> idTexts;
    float smooth = -1.0f;
    float offset = -1.0f;
    std::vector<float> focals[4];
    // 70 values (10 rows of 7), or empty.
    std::vector<float> matrix;
};
std::string DlgScript_PersoSection(const DlgPersoDesc& perso, const std::string& eol = "\r\n");

// The reply code of the scripts: three digits of the dialogue, '_', the reply number ("012_3").
std::string DlgScript_Code(int dialogue, int reply);

// One line of each script.
struct DlgScriptLine {
    std::string staging;
    std::string text;
};
// "<code> <perso> <staging tokens>" and "<code> <perso> <text>".
DlgScriptLine DlgScript_Reply(int dialogue, int reply, const std::string& perso, const std::string& staging,
                              const std::string& text);

struct DlgScriptDesc {
    std::vector<DlgPersoDesc> persos;
    std::vector<DlgScriptLine> lines;
    std::string eol = "\r\n";
    // The last line of the staging and text scripts ends with eol.
    bool finalEol = true;
};
// The character script ends with a comment line, so that its last section is read whole.
std::string DlgScript_InfoText(const DlgScriptDesc& desc);
std::string DlgScript_ComText(const DlgScriptDesc& desc);
std::string DlgScript_DialText(const DlgScriptDesc& desc);
// Writes "scenar/info<XX>.txt", "scenar/com<XX>.txt" and "loc/dial<XX>.txt" under the installation.
bool DlgScript_Save(const std::string& installDir, const std::string& worldCode, const DlgScriptDesc& desc);

// ---- Characters ----

// A generated character: a curved face mask of grid x grid cells under an animated body, with its
// mouth targets for the five moods and seven shapes in the "morphing" track, and cameras looking at
// the face. The face mesh is face + "1-d"; the targets face + mood + "-" + shape letter.
struct DlgCharacterDesc {
    std::string mesh = "ma";
    std::string face = "mar";
    int stands = 1;
    // The map of stand s is maps[s % maps.size()], written with its "yf" and "ymf" variants.
    std::vector<std::string> maps = {"matete.tga"};
    bool eyeVariants = true;
    int cameras = 2;
    int grid = 24;
    // Body turn per frame, radians, over 50 frames.
    float bodyTurn = 0.004f;
    // How far the cameras stand from the face.
    float cameraDistance = 5.2f;
    // Colours of the face map, 0xRRGGBB.
    uint32_t skin = 0xE8B898;
    uint32_t hair = 0x4A2A10;
};

// The database of one stand.
CTDataBase DlgCharacter_Stand(const DlgCharacterDesc& desc, int stand);
// The face map: eyes 0 open, 1 closed ("yf"), 2 half closed ("ymf").
TgaImage DlgCharacter_Map(const DlgCharacterDesc& desc, int eyes);
// The vertices of the face for a mood (1..5) and a mouth-shape letter of "diaobsv".
std::vector<CTVector3> DlgCharacter_Target(const DlgCharacterDesc& desc, int mood, char shape);
// The map's pixel rectangle of the mouth's inside (x0, y0, x1, y1, inclusive).
void DlgCharacter_MouthTexels(const DlgCharacterDesc& desc, int rect[4]);
// Writes "<mesh>s<k>.db" for every stand and the maps into the dialogue 3D directory.
bool DlgCharacter_Save(const std::string& dir, const DlgCharacterDesc& desc);
