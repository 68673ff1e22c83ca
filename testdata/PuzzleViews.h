// An installation whose worlds hold the view puzzles: octopus, dragon, blackbirds, ogham stone, ring,
// mandalas and fireflies, and the dowsing rod, with their names, sprites, sounds and scripts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "testdata/ScriptWriter.h"
#include "testdata/WamWriter.h"

// "monde.wam" holds QU 3, 5, 16, 20; SS 30, 31; IR 2, 6, 7, 73; CH 40, 41, 65; TI 10. "voiles.wam" holds SH 1.
extern const char* const PUZZLE_WAM;
extern const char* const PUZZLE_WAM_VOILES;
// Link ids: TI 10 to SH 1 and back.
constexpr uint32_t PUZZLE_LIEN_VOILES = 1;
constexpr uint32_t PUZZLE_LIEN_MONDE = 2;
// A move zone of TI 10 and the one of SH 1 that lead to a view neither file has.
constexpr uint32_t PUZZLE_VUE_ABSENTE = 99;
// The ogham zones (ids 1 to 18 and 99) lie one after the other round IR 6, zone i at PuzzleViews_OghamYaw(i) (pitch 0).
float PuzzleViews_OghamYaw(uint32_t zoneId);
// The ring's frames and the sprite frames of the tentacles and the dragon.
constexpr int PUZZLE_RING_FRAMES = 20;
constexpr int PUZZLE_TENTACLE_FRAMES = 70;
constexpr int PUZZLE_DRAGON_FRAMES = 60;
// QU 3 shows a small octopus ("PTP_TENTACULE1", "PTP_CORPS_V1"); its zones of kind PUZZLE_FLED_ZONE
// lead to QU 16 and QU 5 once it has fled. Its body's second animation has PUZZLE_FLIGHT_FRAMES frames.
constexpr uint32_t PUZZLE_SMALL_OCTOPUS_VUE = 3;
constexpr int32_t PUZZLE_FLED_ZONE = 1967;
constexpr int PUZZLE_FLIGHT_FRAMES = 40;
// The poet's three subjects of IR 73 (#SUJETS# names), numbered from PUZZLE_POET_SUBJECT_FIRST.
inline constexpr const char* PUZZLE_POET_SUBJECTS[3] = {"POEME_MER", "POEME_VENT", "POEME_NUIT"};
constexpr int32_t PUZZLE_POET_SUBJECT_FIRST = 11;
// A fourth subject, numbered next, which the scenario may grant the poet too.
inline constexpr const char* PUZZLE_POET_SUBJECT_FOURTH = "POEME_LUNE";
// The unnamed zone of IR 2 (reached from IR 7) on which the cross may lie beside zone 1, which solves it.
constexpr uint32_t PUZZLE_CROSS_ZONE = 40;
// An unnamed zone of IR 2 whose id reads negative as the cross's signed word.
constexpr uint32_t PUZZLE_CROSS_ZONE_HIGH = 0xFFFFFFFFu;
// Sprites of the rod's bank.
constexpr int PUZZLE_BATON_SPRITES = 5;

DefNamesDesc PuzzleViews_DefNames();
WamFileDesc PuzzleViews_Monde();
WamFileDesc PuzzleViews_Voiles();
// Chapter 1 grants the poet his subjects and enters `startView` of "monde.wam" after the given
// initialisation commands; its blocks answer the puzzles' outcomes (see the .cpp). Chapters 200 and
// 201 are the octopus's won and lost fights.
std::string PuzzleViews_Chapter1(uint32_t startView, const std::vector<std::string>& init = {});
std::string PuzzleViews_ChapterOutcome(int32_t chapter);

// Writes names, scripts (chapter 1 starting in startView), both worlds, view sprites, faces, the
// sprite banks "viseur.spr", "baton.spr", "objets.spr" and "interfac.spr", the sounds (the
// blackbirds' songs and answers, and every "son%03d.ksn" the puzzles ask for) and what the dialogue
// needs for each world change (scripts, hero, subject bank) into the installation dir; false with
// *error on failure.
bool PuzzleViews_Write(const std::string& dir, uint32_t startView, std::string* error = nullptr,
                       const std::vector<std::string>& init = {});
// The PCM samples of a song ("merle1.ksn" to "merle10.ksn") and of the answers, as written.
std::vector<int16_t> PuzzleViews_Song(const std::string& name);
// The colour of sprite n of "baton.spr" and of "viseur.spr" (opaque, 0xAARRGGBB).
uint32_t PuzzleViews_BatonColour(int n);
uint32_t PuzzleViews_ViseurColour(int n);
