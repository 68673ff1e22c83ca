// The demo's dialogues: each world's three scripts and resident hero, YU 2's guardian who talks about the
// subjects the scenario grants him, their voices, stand videos and faces, and the subject icons.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "testdata/DialogueWriter.h"
#include "testdata/SprWriter.h"

// The guardian of YU 2: his name in the dialogue scripts and in the name definitions.
constexpr const char* DEMO_GUARDIAN = "Gardien";
constexpr const char* DEMO_GUARDIAN_ID = "GARDIEN";
// His subjects (numbers of #SUJETS#, icons of the subject bank) and the dialogue each leads to: the
// greeting and the temple at the start, the sky once the temple was talked about.
constexpr int DEMO_SUBJECT_GREETING = 2;
constexpr int DEMO_SUBJECT_TEMPLE = 3;
constexpr int DEMO_SUBJECT_SKY = 4;
// The first speaks on screen, the second is the hero's voice-over and the guardian, the third the guardian.
constexpr int DEMO_DIAL_GREETING = 1;
constexpr int DEMO_DIAL_TEMPLE = 2;
constexpr int DEMO_DIAL_SKY = 3;

// The scripts of a world ("IR" or "YU").
DlgScriptDesc DemoDialogue_Scripts(const std::string& worldCode);
// The generated characters: the two heroes ("H1", "Heros") and the guardian.
std::vector<DlgCharacterDesc> DemoDialogue_Characters();
// A voice of about `seconds`: syllables of a voiced sound with consonant bursts between them, 22050 Hz mono.
std::vector<int16_t> DemoDialogue_Voice(uint32_t seed, double seconds, double pitch);
// One picture (0xAARRGGBB) and its alpha levels (0..31) of a stand video: a hood and shoulders around the
// face, breathing over the frames.
void DemoDialogue_StandPicture(int frame, uint32_t robe, std::vector<uint32_t>& picture, std::vector<uint8_t>& alpha);
constexpr int DEMO_STAND_FRAMES = 8;

// Icon n (1..30) of the subject banks, 48x48: sprites 26 to 30 are the five blackbirds.
SprImage DemoDialogue_SubjectIcon(int n);

// What every world of a generated installation needs for its world change: the three scripts (the hero's
// definition, no dialogue), the hero's stand and the world's subject bank. World codes IR, YU, CH, SH, TI.
bool DemoDialogue_WriteWorld(const std::string& dir, const std::string& worldCode);

// Writes the scripts of IR and YU, the characters' stands and maps, the replies' voices, the stand videos
// and the subject banks "sujeire.spr" and "sujyuc.spr"; false with *error on failure.
bool DemoDialogue_Write(const std::string& dir, std::string* error = nullptr);
