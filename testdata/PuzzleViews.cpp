// An installation whose worlds hold the view puzzles: octopus, dragon, blackbirds, ogham stone, ring,
// mandalas and fireflies, and the dowsing rod, with their names, sprites, sounds and scripts.
#include "testdata/PuzzleViews.h"

#include <cmath>
#include <cstdio>

#include "panorama/WarpFaceNames.h"
#include "testdata/DemoDialogue.h"
#include "testdata/KsnWriter.h"
#include "testdata/PanoramaWriter.h"
#include "testdata/SprWriter.h"
#include "testdata/TempDir.h"
#include "testdata/TgaWriter.h"
#include "world/wam.h"

const char* const PUZZLE_WAM = "monde.wam";
const char* const PUZZLE_WAM_VOILES = "voiles.wam";

namespace {
constexpr float kPi = 3.14159265f;
constexpr float kHalf = 0.12f;

// Zone ids of #ZONES_CLIC#, by position.
enum : uint32_t {
    Z_DRAGON = 1, Z_NUAGE_GAUCHE, Z_NUAGE_DROITE, Z_POETE, Z_TORTUE_GAUCHE, Z_TORTUE_DROITE,
    Z_IRB, Z_CHB, Z_YUB, Z_IRA, Z_CHA, Z_YUA, Z_SOURCE,
};

WamZoneDesc Zone(int32_t type, uint32_t numero, const std::string& name, int face, float u = 0) {
    return WamZoneDesc{type, numero, name, WamWriter_FaceSquare(face, u, 0, kHalf)};
}

WamVueDesc Vue(uint32_t id, const std::string& name) {
    WamVueDesc v;
    v.id = id;
    v.name = name;
    v.pitchMin = -kPi / 4;
    v.pitchMax = kPi / 4;
    return v;
}

// An animation shown in no view: the puzzle that owns it loads it.
WamAnimDesc Anim(char letter, uint32_t numero, uint32_t vue, int32_t frames, int face, int x, int y) {
    return WamAnimDesc{letter, numero, vue, 0, 0, frames - 1, face, x, y};
}

// The zone of position i (0..19) round IR 6: five to a side face.
int OghamFace(int i) { return i / 5; }
float OghamU(int i) { return float(i % 5 - 2) * 0.3f; }
int OghamIndex(uint32_t zoneId) { return zoneId == 99 ? 18 : int(zoneId) - 1; }

uint32_t SoundSeed(const std::string& name) {
    uint32_t h = 2166136261u;
    for (char c : name) h = (h ^ uint8_t(c)) * 16777619u;
    return h;
}

bool Fail(std::string* error, const std::string& what) {
    if (error) *error = what;
    return false;
}

SprImage Flat(int w, int h, uint32_t colour) {
    SprImage img;
    img.width = w;
    img.height = h;
    img.pixels.assign(size_t(w) * size_t(h), colour);
    return img;
}

bool SaveBank(const std::string& path, const std::vector<SprImage>& images, std::string* error) {
    std::string why;
    if (SprWriter_Save(path, images, SprWriterOptions{}, &why)) return true;
    return Fail(error, path + ": " + why);
}

// A flat face, run-length coded: small files for the many views.
const std::vector<uint8_t>& FaceFile(int face) {
    static std::vector<uint8_t> files[6];
    if (files[face].empty()) {
        TgaImage img;
        img.width = img.height = 512;
        img.type = 10;
        img.bitsPerPixel = 32;
        img.pixels.assign(512u * 512u, 0xFF000000u | uint32_t(0x203040 + face * 0x181008));
        files[face] = TgaWriter_Encode(img);
    }
    return files[face];
}

const char* const kSongs[] = {"merlem.ksn", "merleb.ksn", "merle1.ksn", "merle2.ksn", "merle3.ksn", "merle4.ksn",
                              "merle5.ksn", "merle6.ksn", "merle7.ksn", "merle8.ksn", "merle9.ksn", "merle10.ksn"};
constexpr int kScriptSounds[] = {4, 205, 206, 207, 208, 209, 210, 218, 300, 301, 302, 303, 304, 400};
}  // namespace

float PuzzleViews_OghamYaw(uint32_t zoneId) {
    const int i = OghamIndex(zoneId);
    return float(OghamFace(i)) * kPi / 2 + std::atan(OghamU(i));
}

uint32_t PuzzleViews_BatonColour(int n) { return 0xFF000000u | uint32_t(0x40 + 0x30 * n) << 16 | 0x2080; }
uint32_t PuzzleViews_ViseurColour(int n) { return 0xFF000000u | uint32_t(0x60 + 0x40 * n) << 8 | 0x10; }

DefNamesDesc PuzzleViews_DefNames() {
    DefNamesDesc d;
    // SPECTATEUR has the id of the object DRAGON_NUAGE: both have sprites in SS 31.
    d.personnages = {"PERSONNE",   "POETE_ASSIS", "SPECTATEUR", "GDP_TENTACULE1", "GDP_CORPS_V1",
                     "GDP_BRAS1",  "GDP_PATTE1",  "GDP_PINCE1", "GDP_QUEUE1",     "GDP_TENTACULE5",
                     "PTP_TENTACULE1", "PTP_CORPS_V1"};
    d.objets = {"RIEN 0",          "CRISTAL_ENGLOUTI 1", "DRAGON_NUAGE 0",      "NUAGE_BAS1 0",        "NUAGE_BAS2 0",
                "NUAGE_BAS3 0",    "NUAGE_BAS4 0",       "NUAGE_BAS5 0",        "NUAGE_GAUCHE 0",      "NUAGE_DROITE 0",
                "PERLE_NUAGE_GAUCHE 0", "PERLE_NUAGE_DROITE 0", "PERLE_TROU 0", "OGHAM_SPRITE 0",      "COUTEAU_AILILL 2",
                "ANNEAU_GRAVE 0",  "MANDALA_BATEAU_IR 3", "MANDALA_BATEAU_CH 4", "MANDALA_BATEAU_YU 5", "MANDALA_IRLANDE 6",
                "MANDALA_CHINE 7", "MANDALA_YUCATAN 8",  "BATON_SOURCE 9",       "CROIXBRIGIT_SPRITE 0", "CROIX_BRIGID 10",
                // An object named like a part of the big octopus.
                "GDP_VENTOUSE1 0"};
    d.sujets = {"AUCUN 0 0"};
    for (int i = 0; i < 3; i++) d.sujets.push_back(std::string(PUZZLE_POET_SUBJECTS[i]) + " " + std::to_string(PUZZLE_POET_SUBJECT_FIRST + i));
    d.sujets.push_back(std::string(PUZZLE_POET_SUBJECT_FOURTH) + " " + std::to_string(PUZZLE_POET_SUBJECT_FIRST + 3));
    d.variables = DefNames_EngineVariables();
    for (const char* v : {"SOURCIER", "NEARW77", "POEME_ENTENDU", "finmaya1", "finmaya2", "finmaya3", "EnergieJoueur", "State_nuages_bas",
                          "Perle_cachee", "Num_sequence_dragon", "Action_nuage_bas", "Time_nuage_transparent",
                          "NuageTransparent", "FINPERLE", "FINMERLE", "FINOGHAM", "NbMandalaPosed", "NbLucioleAllumed",
                          "Puzzle_Lucioles_Fini", "Puzzle_Lucioles_AutoWin", "FINCROIX"})
        d.variables.push_back(v);
    d.variables.push_back("PoulpeWarp" + std::to_string(PUZZLE_SMALL_OCTOPUS_VUE));
    for (int i = 1; i <= 6; i++) {
        d.variables.push_back("BigTenta" + std::to_string(i) + "Died");
        d.variables.push_back("OrdreMandala" + std::to_string(i));
    }
    d.zones = {"AUCUNE",   "CLIC_DRAGON", "CLIC_NUAGE_GAUCHE", "CLIC_NUAGE_DROITE", "ZONE_POETE",
               "TORTUE_GAUCHE", "TORTUE_DROITE", "ZONE_IRB", "ZONE_CHB", "ZONE_YUB",
               "ZONE_IRA", "ZONE_CHA", "ZONE_YUA", "ZONE_SOURCE"};
    return d;
}

WamFileDesc PuzzleViews_Monde() {
    WamFileDesc f;
    f.monde = 1;

    WamVueDesc qu5 = Vue(5, "QU005"), qu16 = Vue(16, "QU016"), qu20 = Vue(20, "QU020");
    qu16.zones = {Zone(1, 5, "", 1), Zone(1, 20, "", 2)};
    qu5.zones = {Zone(1, 16, "", 1)};
    qu20.zones = {Zone(1, 16, "", 1)};
    // The small octopus's view: its ways on (ahead and right) open when it has fled; the one behind
    // is disabled and stays so.
    WamVueDesc qu3 = Vue(PUZZLE_SMALL_OCTOPUS_VUE, "QU003");
    qu3.zones = {Zone(PUZZLE_FLED_ZONE, 16, "", 0), Zone(PUZZLE_FLED_ZONE, 5, "", 1),
                 Zone(PUZZLE_FLED_ZONE + WAM_ZONE_DISABLED, 20, "", 2)};

    WamVueDesc ss30 = Vue(30, "SS030"), ss31 = Vue(31, "SS031");
    // One zone name is written in other letters than its definition.
    ss31.zones = {Zone(3, Z_DRAGON, "CLIC_DRAGON", 0), Zone(3, Z_NUAGE_GAUCHE, "clic_nuage_gauche", 3),
                  Zone(3, Z_NUAGE_DROITE, "CLIC_NUAGE_DROITE", 1), Zone(1, 30, "", 2)};
    ss30.zones = {Zone(1, 31, "", 0)};

    WamVueDesc ir2 = Vue(2, "IR002"), ir6 = Vue(6, "IR006"), ir7 = Vue(7, "IR007"), ir73 = Vue(73, "IR073");
    for (uint32_t id = 1; id <= 18; id++) ir6.zones.push_back(Zone(3, id, "", OghamFace(OghamIndex(id)), OghamU(OghamIndex(id))));
    ir6.zones.push_back(Zone(3, 99, "", OghamFace(18), OghamU(18)));
    ir6.zones.push_back(Zone(1, 73, "", OghamFace(19), OghamU(19)));
    ir73.zones = {Zone(3, Z_POETE, "ZONE_POETE", 0), Zone(1, 6, "", 2), Zone(1, 7, "", 3)};
    ir7.zones = {Zone(3, Z_SOURCE, "ZONE_SOURCE", 0), Zone(1, 73, "", 2), Zone(1, 2, "", 1)};
    // The cross's places: the one that solves it, an unnamed zone whose id lies past the names and one
    // whose id reads negative.
    ir2.zones = {Zone(3, 1, "", 0, -0.3f), Zone(3, PUZZLE_CROSS_ZONE, "", 0, 0.3f),
                 Zone(3, PUZZLE_CROSS_ZONE_HIGH, "", 1), Zone(1, 7, "", 3)};

    WamVueDesc ch40 = Vue(40, "CH040"), ch41 = Vue(41, "CH041"), ch65 = Vue(65, "CH065");
    ch40.zones = {Zone(3, Z_TORTUE_GAUCHE, "TORTUE_GAUCHE", 3), Zone(3, Z_TORTUE_DROITE, "TORTUE_DROITE", 1),
                  Zone(1, 41, "", 2, -0.3f), Zone(1, 65, "", 2, 0.3f)};
    ch41.zones = {Zone(3, Z_TORTUE_GAUCHE, "TORTUE_GAUCHE", 3), Zone(3, Z_TORTUE_DROITE, "TORTUE_DROITE", 1),
                  Zone(1, 40, "", 2)};
    ch65.zones = {Zone(1, 40, "", 2)};

    WamVueDesc ti10 = Vue(10, "TI010");
    ti10.zones = {Zone(3, Z_IRB, "ZONE_IRB", 0, -0.6f), Zone(3, Z_CHB, "ZONE_CHB", 0, -0.3f),
                  Zone(3, Z_YUB, "ZONE_YUB", 0, 0.0f),  Zone(3, Z_IRA, "ZONE_IRA", 0, 0.3f),
                  Zone(3, Z_CHA, "ZONE_CHA", 0, 0.6f),  Zone(3, Z_YUA, "ZONE_YUA", 1),
                  Zone(2, PUZZLE_LIEN_VOILES, "", 2),   Zone(1, PUZZLE_VUE_ABSENTE, "", 3)};

    f.lieux = {{1, "Pieuvre", {qu5, qu16, qu20, qu3}},
               {2, "Dragon", {ss30, ss31}},
               {3, "Poete", {ir2, ir6, ir7, ir73}},
               {4, "Anneau", {ch40, ch41, ch65}},
               {5, "Mandalas", {ti10}}};
    f.liens = {{PUZZLE_LIEN_VOILES, PUZZLE_WAM_VOILES, 1}};

    WamPersoDesc spectateur{1, "SPECTATEUR", "SPEC", {Anim('a', 1, 31, 1, 0, 240, 60)}};
    WamPersoDesc tentacles{1, "GDP_TENTACULE1", "GDPT", {}};
    for (uint32_t k = 1; k <= 6; k++) tentacles.anims.push_back(Anim('a', k, 0, PUZZLE_TENTACLE_FRAMES, 3, 240, 240));
    WamPersoDesc body{1, "GDP_CORPS_V1", "GDPC", {Anim('a', 1, 0, 4, 3, 100, 100)}};
    WamPersoDesc dragon{2, "DRAGON_NUAGE", "DRAG", {Anim('a', 1, 31, PUZZLE_DRAGON_FRAMES, 0, 240, 60)}};
    // The poet sits to the right in IR 73, apart from his zone; pointing at him opens his subjects.
    WamPersoDesc poete{1, "POETE_ASSIS", "POET", {WamAnimDesc{'a', 1, 73, 1, 0, 0, 1, 240, 240}}};
    f.persos = {spectateur, tentacles, body, dragon, poete};
    for (int i = 1; i <= 5; i++)
        f.persos.push_back({2, "NUAGE_BAS" + std::to_string(i), "NBA" + std::to_string(i),
                            {Anim('a', 1, 31, 2, 0, 100 + 60 * i, 400)}});
    f.persos.push_back({2, "NUAGE_GAUCHE", "NUAG", {Anim('a', 1, 31, 1, 3, 240, 240)}});
    f.persos.push_back({2, "NUAGE_DROITE", "NUAD", {Anim('a', 1, 31, 1, 1, 240, 240)}});
    f.persos.push_back({2, "PERLE_NUAGE_GAUCHE", "PNUG", {Anim('a', 1, 31, 1, 3, 250, 250)}});
    f.persos.push_back({2, "PERLE_NUAGE_DROITE", "PNUD", {Anim('a', 1, 31, 1, 1, 250, 250)}});
    f.persos.push_back({2, "PERLE_TROU", "PTRO", {Anim('a', 1, 31, 1, 0, 240, 300)}});
    f.persos.push_back({2, "OGHAM_SPRITE", "OGHA", {Anim('a', 1, 6, 60, 0, 200, 100)}});
    f.persos.push_back({2, "CROIXBRIGIT_SPRITE", "CROI", {Anim('a', 1, 2, 2, 0, 240, 100)}});
    f.persos.push_back({2, "ANNEAU_GRAVE", "ANNO", {Anim('a', 1, 40, PUZZLE_RING_FRAMES, 0, 240, 100),
                                                   Anim('a', 2, 41, PUZZLE_RING_FRAMES, 0, 240, 100)}});
    // The small octopus is part of its view (no view enables it for the puzzle's own load), to the
    // left like the big one; its body's second animation is its flight.
    WamPersoDesc small{1, "PTP_TENTACULE1", "PTPT", {}};
    for (uint32_t k = 1; k <= 6; k++)
        small.anims.push_back(Anim('a', k, PUZZLE_SMALL_OCTOPUS_VUE, PUZZLE_TENTACLE_FRAMES, 3, 240, 240));
    f.persos.push_back(small);
    f.persos.push_back({1, "PTP_CORPS_V1", "PTPC",
                        {Anim('a', 1, PUZZLE_SMALL_OCTOPUS_VUE, 4, 3, 100, 100),
                         Anim('a', 2, PUZZLE_SMALL_OCTOPUS_VUE, PUZZLE_FLIGHT_FRAMES, 3, 100, 100)}});
    return f;
}

WamFileDesc PuzzleViews_Voiles() {
    WamFileDesc f;
    f.monde = 4;
    WamVueDesc sh1 = Vue(1, "SH001");
    // The six fireflies; each leads to a view of its own id, which only view 1 has here.
    for (uint32_t n = 1; n <= 5; n++) sh1.zones.push_back(Zone(1, n, "", 0, float(int(n) - 3) * 0.3f));
    sh1.zones.push_back(Zone(1, 6, "", 1));
    sh1.zones.push_back(Zone(2, PUZZLE_LIEN_MONDE, "", 2));
    sh1.zones.push_back(Zone(1, PUZZLE_VUE_ABSENTE, "", 3));
    f.lieux = {{1, "Voiles", {sh1}}};
    f.liens = {{PUZZLE_LIEN_MONDE, PUZZLE_WAM, 10}};
    return f;
}

std::string PuzzleViews_Chapter1(uint32_t startView, const std::vector<std::string>& init) {
    ChapterWriter c;
    for (const std::string& line : init) c.Init(line);
    c.Init("(CHANGEWAM=" + std::string(PUZZLE_WAM) + "," + std::to_string(startView) + ")");
    c.Init("(ENABLESUJ=POETE_ASSIS," + std::string(PUZZLE_POET_SUBJECTS[0]) + "," + PUZZLE_POET_SUBJECTS[1] + "," +
           PUZZLE_POET_SUBJECTS[2] + ")");
    c.Block("DEPARTVUE!=0", {"(ABORTDEPART=0)"});
    c.Vue("IR", 73);
    c.Comment("The poet's second subject reaches the scenario.");
    c.Block("CLICPERSO=POETE_ASSIS & SUJET=" + std::to_string(PUZZLE_POET_SUBJECT_FIRST + 1), {"(POEME_ENTENDU=1)"});
    c.Vue("IR", 7);
    c.Comment("The spring: the rod stops swinging.");
    c.Block("CLICZONE=ZONE_SOURCE", {"(NEARW77=0)"});
    c.Vue("TI", 10);
    c.Comment("The mandalas' zones reach the scenario too: flag 30 records one.");
    c.Block("CLICZONE=ZONE_IRA", {"(flag30=1)"});
    c.Vue("SH", 1);
    c.Comment("The fireflies handed over: flag 20 records the pass.");
    c.Block("Puzzle_Lucioles_AutoWin=1 & flag20=0", {"(flag20=1)"});
    return c.Text();
}

std::string PuzzleViews_ChapterOutcome(int32_t chapter) {
    ChapterWriter c;
    c.Init("(flag" + std::to_string(chapter) + "=1)");
    c.Comment("The view pass that follows the outcome: flag 300 records it.");
    c.Block("flag300=0", {"(flag300=1)"});
    return c.Text();
}

bool PuzzleViews_Write(const std::string& dir, uint32_t startView, std::string* error,
                       const std::vector<std::string>& init) {
    const std::string root = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    if (!WriteFileText(root + "scenar/defnames.con", DefNames_Make(PuzzleViews_DefNames())))
        return Fail(error, "scenar/defnames.con");
    if (!WriteFileText(root + "scenar/chapi001.con", PuzzleViews_Chapter1(startView, init)))
        return Fail(error, "scenar/chapi001.con");
    for (int32_t chapter : {200, 201}) {
        char name[32];
        std::snprintf(name, sizeof name, "scenar/chapi%03d.con", chapter);
        if (!WriteFileText(root + name, PuzzleViews_ChapterOutcome(chapter))) return Fail(error, name);
    }
    for (const char* world : {"IR", "CH", "TI", "SH"})
        if (!DemoDialogue_WriteWorld(root, world)) return Fail(error, std::string("dialogue of ") + world);
    if (!WriteFileText(root + "loc/messages.txt", Messages_Make(MessagesDesc{}))) return Fail(error, "loc/messages.txt");
    const WamFileDesc monde = PuzzleViews_Monde(), voiles = PuzzleViews_Voiles();
    if (!WamWriter_Save(root + "wam/" + PUZZLE_WAM, monde)) return Fail(error, PUZZLE_WAM);
    if (!WamWriter_Save(root + "wam/" + PUZZLE_WAM_VOILES, voiles)) return Fail(error, PUZZLE_WAM_VOILES);

    // Faces of every view, and a view sprite for every animation.
    for (const WamFileDesc* w : {&monde, &voiles})
        for (const WamLieuDesc& l : w->lieux)
            for (const WamVueDesc& v : l.vues)
                for (int f = 0; f < 6; f++) {
                    const std::string name = "datas_q2/warp/" + WarpFace_FileName(v.name.c_str(), f);
                    const std::vector<uint8_t>& bytes = FaceFile(f);
                    if (!WriteFileBytes(root + name, bytes.data(), bytes.size())) return Fail(error, name);
                }
    uint32_t colour = 0x305070;
    for (const WamPersoDesc& p : monde.persos)
        for (const WamAnimDesc& a : p.anims) {
            char name[40];
            std::snprintf(name, sizeof name, "datas_q2/spw/%.4s%c%03u.SPW", p.prefix.c_str(), a.letter, a.numero);
            colour += 0x0B1713;
            if (!PanoramaWriter_WriteSpw(root + name, PanoramaWriter_SpwFrames(a.last - a.first + 1, 32, 32, colour & 0xFFFFFF),
                                         error))
                return false;
        }

    std::vector<SprImage> viseur, baton, objets;
    for (int n = 0; n < 3; n++) viseur.push_back(Flat(16, 16, PuzzleViews_ViseurColour(n)));
    for (int n = 0; n < PUZZLE_BATON_SPRITES; n++) baton.push_back(Flat(20, 20, PuzzleViews_BatonColour(n)));
    for (int n = 0; n < 11; n++) objets.push_back(Flat(24, 24, 0xFF000000u | uint32_t(0x102030 * (n + 1))));
    if (!SaveBank(root + "spr/viseur.spr", viseur, error) || !SaveBank(root + "spr/baton.spr", baton, error) ||
        !SaveBank(root + "spr/objets.spr", objets, error) ||
        !SaveBank(root + "spr/interfac.spr", PanoramaWriter_InterfaceImages(), error))
        return false;

    for (const char* song : kSongs)
        if (!KsnWriter_Save(root + "datas_q2/ksn/" + song, PuzzleViews_Song(song), 1, 22050))
            return Fail(error, song);
    for (int n : kScriptSounds) {
        char name[32];
        std::snprintf(name, sizeof name, "son%03d.ksn", n);
        if (!KsnWriter_Save(root + "datas_q2/ksn/" + name, KsnWriter_TestSignal(441, 1, uint32_t(n)), 1, 22050))
            return Fail(error, name);
    }
    return true;
}

std::vector<int16_t> PuzzleViews_Song(const std::string& name) { return KsnWriter_TestSignal(2205, 1, SoundSeed(name)); }
