// The canoe's river without its screen: the reader, the chaining, the pieces' turns and moves, the
// arrivals at points and the canoe's steps along the path.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "engine3d/Orv3D.h"
#include "puzzles/pz_pirogue.h"
#include "puzzles/pz_pirogue_scene.h"
#include "puzzles/pz_pirogue_traj.h"
#include "testdata/CanoeRiver.h"
#include "testdata/CanoeScene.h"
#include "testdata/DbWriter.h"
#include "testdata/TempDir.h"
#include "tests/puzzles/ReportCapture.h"
#include "world/Interp.h"

namespace {

struct Pt {
    std::string name;
    float x, y;
};

class CanoeTraj : public ::testing::Test {
protected:
    void SetUp() override {
        reports.Start();
        debug_log_open((dir / "quillmar2.log").c_str());
        camera = CanoeScene_Camera();
        pirogue_camera = &camera;
        init_plateau();
        calc_ratios_zbuffer();
        for (int32_t n = 0; n < PIROGUE_NB_CASES; n++) {
            pirogue_grille[n][0] = n % 3;
            pirogue_grille[n][1] = n / 3;
        }
        for (int i = 0; i < PIROGUE_NB_PIERRES; i++) {
            std::memset(pirogue_pierres[i].name, 0, sizeof pirogue_pierres[i].name);
            std::strncpy(pirogue_pierres[i].name, pirogue_pierre_points[i], sizeof pirogue_pierres[i].name);
        }
        reset_pierres();
        lettre_courante = 'A';
        current_anim_perso = &pirogue_anims[PIROGUE_C1];
        for (PirogueAnim& a : pirogue_anims) a.delai = 0;
        Interp_ClearCommands();
        Interp_RegisterCommand("NewSound", [](const char* v) {
            g_sounds->push_back(v);
            return int(CMD_DONE);
        });
        g_sounds = &sounds;
    }
    void TearDown() override {
        Orv3D_clear_caches();
        pirogue_camera = nullptr;
        Interp_ClearCommands();
        reports.Stop();
        debug_log_open("");
    }

    static bool Read(const std::string& text) { return pirogue_lit_trajet(text.data(), text.size()); }
    // "$Mesh:" lines of the points, z 0.
    static std::string Text(const std::vector<Pt>& pts) {
        std::vector<CanoePoint> out;
        for (const Pt& p : pts) out.push_back({p.name, {p.x, p.y, 0.0f}});
        return CanoeRiver_Text(out);
    }
    static std::vector<std::string> Names() {
        std::vector<std::string> n;
        for (int32_t i = 0; i < nb_points_trajet; i++)
            n.emplace_back(pirogue_trajet[i].name, strnlen(pirogue_trajet[i].name, 8));
        return n;
    }
    static std::vector<std::string> Names(const std::vector<CanoePoint>& pts) {
        std::vector<std::string> n;
        for (const CanoePoint& p : pts) n.push_back(p.name);
        return n;
    }
    // Point i of the path as {x, y, z}.
    static std::vector<float> At(int32_t i) { return {pirogue_trajet[i].x, pirogue_trajet[i].y, pirogue_trajet[i].z}; }
    static std::vector<int32_t> Gaps() {
        std::vector<int32_t> g;
        for (int32_t i = 0; i < nb_points_trajet; i++) g.push_back(pirogue_trajet[i].gap);
        return g;
    }
    // Loads the canoe database of that file into its slot (written to the scratch directory first).
    void LoadCanoe(int slot, const std::string& file) {
        const std::string path = dir / file;
        ASSERT_TRUE(DbWriter_Save(path, CanoeScene_Canoe(file)));
        ASSERT_TRUE(Orv3D_LoadDatabase(path.c_str(), pirogue_anims[slot].db, false));
    }
    std::string Log() const { return ReadFileText(dir / "quillmar2.log"); }
    // The fatal reports but the stones' (a river of a few points has none of the stones' points).
    std::vector<std::string> Fatals() const {
        std::vector<std::string> out;
        for (const std::string& f : fatals)
            if (f.rfind("find_mesh_name", 0) != 0) out.push_back(f);
        return out;
    }

    TempDir dir;
    CTCamera camera;
    ReportCapture reports;
    std::vector<std::string>& warnings = reports.warnings;
    std::vector<std::string>& fatals = reports.fatals;
    std::vector<std::string> sounds;
    static inline std::vector<std::string>* g_sounds = nullptr;
};

// --- The reader.

TEST_F(CanoeTraj, ReaderCutsNamesAndReadsTheNumbersOfEachPoint) {
    const std::string text = "entete 12 $Mesh:ABCDEFGHIJ {0 0} [1.5, -2,3e1] $Mesh:X9E1\t[ 7 8 9]\n$Mesh:W1S002 [1e2 5 6]$Mesh:Z1";
    // The last point has no "[": the text holds two points before it.
    EXPECT_FALSE(Read(text));
    ASSERT_EQ(fatals.size(), 1u);
    EXPECT_EQ(fatals[0], "read_coord_traj() err '[' Point 3 :Z1");
    fatals.clear();
    ASSERT_TRUE(Read(text.substr(0, text.rfind("$Mesh:Z1"))));
    ASSERT_EQ(nb_points_trajet, 3);
    EXPECT_EQ(std::memcmp(pirogue_trajet[0].name, "ABCDEFGH", 8), 0);
    EXPECT_EQ(At(0), (std::vector<float>{1.5f, -2, 30}));
    // A blank after "[" is read again as the start of the first number.
    EXPECT_EQ(At(1), (std::vector<float>{7, 7, 8}));
    // An exponent: its digits are read again as the next number.
    EXPECT_EQ(At(2), (std::vector<float>{100, 2, 5}));
    EXPECT_EQ(pirogue_trajet[2].gap, 0);
    EXPECT_EQ(reports.Text(), "");
}

TEST_F(CanoeTraj, APointFollowedAtOnceByTheNextKeepsBoth) {
    // Nothing numeric between z and the next point's name, whose digit the number reader reaches first.
    ASSERT_TRUE(Read("$Mesh:X9E1 [1,2,3]$Mesh:W9A002 [4,5,6]\n$Mesh:W9S003 [7,8,9]"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"X9E1", "W9A002", "W9S003"}));
    EXPECT_EQ(pirogue_trajet[1].x, 4.0f);
    EXPECT_EQ(pirogue_trajet[2].z, 9.0f);
}

TEST_F(CanoeTraj, ReaderRefusesTextsWithoutPointsAndNeverPassesTheEnd) {
    EXPECT_FALSE(Read("rien que du texte [1,2,3]"));
    ASSERT_EQ(fatals.size(), 1u);
    EXPECT_EQ(fatals[0], "read_coord_traj() err thirst Mesh");
    fatals.clear();
    // The buffer ends inside a name, then inside the numbers: nothing past it is read.
    const std::string text = "$Mesh:X9E1 [1,2,3] $Mesh:W9A0";
    EXPECT_FALSE(pirogue_lit_trajet(text.data(), text.size()));
    EXPECT_EQ(nb_points_trajet, 1);
    const std::string cut = "$Mesh:X9E1 [1,2";
    EXPECT_TRUE(pirogue_lit_trajet(cut.data(), cut.size()));
    EXPECT_EQ(At(0), (std::vector<float>{1, 2, 0}));
}

TEST_F(CanoeTraj, AtMostFourHundredPointsWithOneWarning) {
    for (int n : {399, 400, 401}) {
        std::vector<Pt> pts;
        for (int i = 0; i < n; i++) pts.push_back({"W1A" + std::to_string(i), float(i), 0});
        warnings.clear();
        ASSERT_TRUE(Read(Text(pts))) << n;
        EXPECT_EQ(nb_points_trajet, std::min(n, MAX_COORD_TRAJET)) << n;
        EXPECT_EQ(warnings, n < MAX_COORD_TRAJET ? std::vector<std::string>{}
                                                 : std::vector<std::string>{"read_coord_traj(): MAX_COORD_TRAJET overflow"})
            << n;
    }
}

// --- The chaining.

TEST_F(CanoeTraj, TheGeneratedRiverChainsIntoItsPathWithoutGap) {
    ASSERT_TRUE(Read(CanoeRiver_Text(CanoeRiver_Points())));
    ASSERT_TRUE(recalc_trajet());
    const std::vector<CanoePoint> path = CanoeRiver_Path();
    EXPECT_EQ(Names(), Names(path));
    EXPECT_EQ(Gaps(), std::vector<int32_t>(path.size(), 0));
    for (size_t i = 0; i < path.size(); i++) {
        EXPECT_NEAR(pirogue_trajet[i].x, path[i].pos.x, 1e-3) << i;
        EXPECT_NEAR(pirogue_trajet[i].y, path[i].pos.y, 1e-3) << i;
    }
    // The stones lie on their points.
    for (int i = 0; i < PIROGUE_NB_PIERRES; i++) {
        const CTVector3 at = pirogue_point(find_mesh_name(pirogue_pierre_points[i]));
        const CTVector3 db = DBpierre[i].root.GetPosition(nullptr);
        EXPECT_EQ(db.x, at.x) << i;
        EXPECT_EQ(db.y, at.y) << i;
    }
    // Chained again, the path stays.
    ASSERT_TRUE(recalc_trajet());
    EXPECT_EQ(Names(), Names(path));
    EXPECT_TRUE(fatals.empty());
}

TEST_F(CanoeTraj, ShuffledAndUndoneTheRiverIsWholeAgain) {
    ASSERT_TRUE(Read(CanoeRiver_Text(CanoeRiver_Points())));
    ASSERT_TRUE(recalc_trajet());
    melange_plateau();
    std::vector<int32_t> codes, pieces;
    for (const CasePlateau& c : pirogue_plateau) {
        codes.push_back(c.code);
        pieces.push_back(c.piece);
    }
    EXPECT_EQ(codes, (std::vector<int32_t>{12, 9, 6, 22, 25, 3, 28, 19, 32}));
    EXPECT_EQ(pieces, (std::vector<int32_t>{3, 2, 1, 5, 6, 0, 7, 4, 8}));
    const std::vector<int32_t> shuffled = Gaps();
    EXPECT_GT(std::count(shuffled.begin(), shuffled.end(), 1), 0);
    // Back home through the same moves the board makes: swaps, then turns to rotation 0.
    for (int32_t home = 0; home < 8; home++) {
        int32_t at = 0;
        while (pirogue_plateau[at].piece != home) at++;
        if (at != home) {
            std::swap(pirogue_plateau[at].code, pirogue_plateau[home].code);
            swap_trajet_pieces(at, home);
            std::swap(pirogue_plateau[at].piece, pirogue_plateau[home].piece);
        }
        while (pirogue_plateau[home].code % 4) {
            pirogue_plateau[home].code = pirogue_tourne_code(pirogue_plateau[home].code);
            rotate_trajet_piece(home, 3.14159265f / 2);
        }
    }
    EXPECT_EQ(Names(), Names(CanoeRiver_Path()));
    EXPECT_EQ(Gaps(), std::vector<int32_t>(size_t(nb_points_trajet), 0));
    EXPECT_TRUE(fatals.empty());
}

TEST_F(CanoeTraj, GapsFromTwentyUnitsOnAndTiesToTheEarlierEnd) {
    for (float d : {19.99f, 20.0f}) {
        ASSERT_TRUE(Read(Text({{"X9E1", 0, 0}, {"W9A001", 1, 0}, {"W9S002", 2, 0},
                               {"W1E003", 2 + d, 0}, {"W1A004", 3 + d, 0}, {"W1S005", 4 + d, 0}})));
        ASSERT_TRUE(recalc_trajet());
        EXPECT_EQ(Gaps(), (std::vector<int32_t>{0, 0, 0, d >= 20.0f ? 1 : 0, 0, 0})) << d;
    }
    // Two ends 5 away from the first stretch's end: the earlier one in the table is taken, the second
    // is then reached from the first stretch's far end.
    ASSERT_TRUE(Read(Text({{"X9E1", 0, 0}, {"W9A001", 1, 0}, {"W9S002", 2, 0},
                           {"W2S003", 2, -5}, {"W2A004", 2, -15}, {"W2E005", 2, -30},
                           {"W1E006", 2, 5}, {"W1A007", 2, 15}, {"W1S008", 2, 30}})));
    ASSERT_TRUE(recalc_trajet());
    EXPECT_EQ(Names(), (std::vector<std::string>{"X9E1", "W9A001", "W9S002", "W2S003", "W2A004", "W2E005", "W1E006",
                                                 "W1A007", "W1S008"}));
    EXPECT_EQ(Gaps(), (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 1, 0, 0}));
    // A stretch written from its far end is walked backward.
    ASSERT_TRUE(Read(Text({{"X9E1", 0, 0}, {"W9A001", 1, 0}, {"W9S002", 2, 0},
                           {"W1S003", 9, 0}, {"W1A004", 6, 0}, {"W1E005", 3, 0}})));
    ASSERT_TRUE(recalc_trajet());
    EXPECT_EQ(Names(), (std::vector<std::string>{"X9E1", "W9A001", "W9S002", "W1E005", "W1A004", "W1S003"}));
    EXPECT_TRUE(Fatals().empty());
}

TEST_F(CanoeTraj, BrokenChainsAreFatalAndLeaveThePointsAsTheyWere) {
    const struct {
        std::vector<Pt> pts;
        const char* fatal;
    } cases[] = {
        {{{"X9A1", 0, 0}, {"W9A001", 1, 0}, {"W9S002", 2, 0}}, "recalc_trajet() err Debut de sequence X9A1"},
        {{{"X9E1", 0, 0}, {"W9A001", 1, 0}, {"W9S002", 2, 0}, {"W1A003", 9, 0}, {"W1E004", 3, 0}, {"W1A005", 6, 0},
          {"W1S006", 9, 9}},
         "recalc_trajet() err Direction Debut de sequence W1E004 case 1"},
        // The second stretch has no far end: its walk would leave the table.
        {{{"X9E1", 0, 0}, {"W9A001", 1, 0}, {"W9S002", 2, 0}, {"W1E003", 3, 0}, {"W1A004", 6, 0}, {"W1A005", 9, 0}},
         "recalc_trajet(): p_trajet = NULL pour last_trajet=W1A005 n=1 "},
        // A two-point stretch entered at its first point is walked backward into the one before.
        {{{"X9E1", 0, 0}, {"W9A001", 1, 0}, {"W9S002", 2, 0}, {"W1E003", 3, 0}, {"W1S004", 6, 0}},
         "recalc_trajet(): p_trajet = NULL pour last_trajet=W1E003 n=-1 "},
        {{{"W9E1", 0, 0}, {"W9A001", 1, 0}, {"W9S002", 2, 0}}, "recalc_trajet() : premier point déplacé!!"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Read(Text(c.pts)));
        const std::vector<PointTrajet> before(pirogue_trajet, pirogue_trajet + nb_points_trajet);
        fatals.clear();
        pirogue_trajet_casse = false;
        EXPECT_FALSE(recalc_trajet()) << c.fatal;
        EXPECT_EQ(Fatals(), std::vector<std::string>{c.fatal});
        EXPECT_TRUE(pirogue_trajet_casse);
        EXPECT_EQ(std::memcmp(before.data(), pirogue_trajet, before.size() * sizeof(PointTrajet)), 0) << c.fatal;
    }
    // A stone whose point the river lacks.
    std::vector<CanoePoint> pts = CanoeRiver_Points();
    for (CanoePoint& p : pts)
        if (p.name == "W8A019") p.name = "W8A999";
    ASSERT_TRUE(Read(CanoeRiver_Text(pts)));
    fatals.clear();
    recalc_trajet();
    EXPECT_EQ(fatals, std::vector<std::string>{"find_mesh_name(): W8A019 non trouvé"});
}

TEST_F(CanoeTraj, DumpListsEndsAndJoinsThePointsBetween) {
    ASSERT_TRUE(Read(Text({{"X9E1", 0, 0}, {"W9A001", 1, 0}, {"W9A002", 2, 0}, {"W9S003", 3, 0}, {"W1E004", 4, 0},
                           {"W1C005", 5, 0}, {"W1S006", 6, 0}})));
    dump_trajet();
    const std::string log = Log();
    EXPECT_NE(log.find("0 : X9E1\nW9A001 - W9A002\n3 : W9S003\n\n4 : W1E004\nW1C005\n6 : W1S006\n\n"), std::string::npos)
        << log;
}

// --- Turns and moves.

TEST_F(CanoeTraj, AQuarterTurnSendsAnOffsetToTheNextQuarter) {
    const CTVector3 c = pirogue_centres[4];
    ASSERT_TRUE(Read(Text({{"X9E1", 0, 0}, {"W9A001", 1, 0}, {"W9S002", 2, 0}, {"W5E003", c.x + 10, c.y},
                           {"W5A004", c.x + 3, c.y + 7}, {"W5S005", c.x, c.y - 4}})));
    pirogue_trajet[3].z = 2.5f;
    pirogue_plateau[4].piece = 4;
    rotate_trajet_piece(4, 3.14159265f / 2);
    // Chaining puts the turned stretch in its own order; find its points by name.
    auto at = [](const char* name) { return pirogue_point(find_mesh_name(name)); };
    for (auto [name, dx, dy] : {std::tuple{"W5E003", 0.0f, -10.0f}, {"W5A004", 7.0f, -3.0f}, {"W5S005", -4.0f, 0.0f}}) {
        EXPECT_NEAR(at(name).x - c.x, dx, 1e-4) << name;
        EXPECT_NEAR(at(name).y - c.y, dy, 1e-4) << name;
    }
    EXPECT_EQ(at("W5E003").z, 2.5f);
    EXPECT_EQ(at("W9A001").x, 1.0f);
    EXPECT_EQ(at("W9A001").y, 0.0f);
}

TEST_F(CanoeTraj, ASwapMovesTheTwoPiecesPointsByTheCellPitch) {
    ASSERT_TRUE(Read(Text({{"X9E1", 0, 0}, {"W9A001", 1, 0}, {"W9S002", 2, 0}, {"W1E003", 10, 20}, {"W1A004", 11, 20},
                           {"W1S005", 12, 20}, {"W6E006", 300, 400}, {"W6A007", 301, 400}, {"W6S008", 302, 400}})));
    swap_trajet_pieces(0, 5);
    auto at = [](const char* name) { return pirogue_point(find_mesh_name(name)); };
    const float dx = 2 * 99.16676f, dy = -99.16639f;
    EXPECT_FLOAT_EQ(at("W1A004").x, 11 + dx);
    EXPECT_FLOAT_EQ(at("W1A004").y, 20 + dy);
    EXPECT_FLOAT_EQ(at("W6A007").x, 301 - dx);
    EXPECT_FLOAT_EQ(at("W6A007").y, 400 - dy);
    EXPECT_EQ(at("W9A001").x, 1.0f);
    // A cell with itself moves nothing.
    swap_trajet_pieces(3, 3);
    EXPECT_FLOAT_EQ(at("W1A004").x, 11 + dx);
}

// --- Arrivals at points.

// A table of points named after the letters, index_trajet before the point to arrive at.
void ArriveAt(const std::string& letters, int32_t k) {
    std::memset(pirogue_trajet, 0, sizeof pirogue_trajet);
    nb_points_trajet = int32_t(letters.size());
    for (int32_t i = 0; i < nb_points_trajet; i++) {
        const std::string name = std::string("W1") + letters[size_t(i)] + std::to_string(100 + i);
        std::memcpy(pirogue_trajet[i].name, name.data(), name.size());
    }
    index_trajet = k - 1;
    arrivee_point();
}

TEST_F(CanoeTraj, LettersChooseTheCanoesDatabase) {
    PirogueAnim* const c1 = &pirogue_anims[PIROGUE_C1];
    const struct {
        char from;
        const char* letters;  // the point arrived at, then the one after it
        PirogueAnim* to;
    } cases[] = {
        {'A', "EB", &pirogue_anims[PIROGUE_G1]}, {'A', "EC", &pirogue_anims[PIROGUE_A1]},
        {'A', "ED", &pirogue_anims[PIROGUE_H1]}, {'A', "EGH", &pirogue_anims[PIROGUE_G1]},
        {'A', "EHG", &pirogue_anims[PIROGUE_A1]}, {'A', "EGG", c1},
        {'A', "EHH", c1},                         {'A', "EX", c1},
        {'B', "EC", c1},                          {'D', "EA", c1},
    };
    for (const auto& c : cases) {
        current_anim_perso = c1;
        for (PirogueAnim& a : pirogue_anims) a.delai = 0;
        lettre_courante = uint8_t(c.from);
        ArriveAt(c.letters, 1);
        EXPECT_EQ(current_anim_perso, c.to) << c.from << " " << c.letters;
        EXPECT_EQ(lettre_courante, uint8_t(c.letters[1])) << c.from << " " << c.letters;
        EXPECT_EQ(c.to->delai, c.to == c1 ? 0 : PIROGUE_DELAI) << c.letters;
    }
    // Back to C1 from every letter but 'A'; G and H lead to each other through C1.
    for (const char* s : {"BA", "CA", "DA", "GA", "HA", "GH", "HG"}) {
        current_anim_perso = &pirogue_anims[PIROGUE_G1];
        c1->delai = 0;
        c1->db.frame = 9.0f;
        lettre_courante = uint8_t(s[0]);
        ArriveAt(std::string("E") + s[1], 1);
        EXPECT_EQ(current_anim_perso, c1) << s;
        EXPECT_EQ(c1->delai, PIROGUE_DELAI) << s;
        EXPECT_EQ(c1->db.frame, 1.0f) << s;
    }
    // An end point or the current letter changes nothing.
    for (const char* s : {"AE", "AS", "BB"}) {
        current_anim_perso = &pirogue_anims[PIROGUE_H1];
        lettre_courante = uint8_t(s[0]);
        ArriveAt(std::string("E") + s[1], 1);
        EXPECT_EQ(current_anim_perso, &pirogue_anims[PIROGUE_H1]) << s;
        EXPECT_EQ(lettre_courante, uint8_t(s[0])) << s;
    }
}

TEST_F(CanoeTraj, StonesTakenInOrderWinWithTheirSounds) {
    for (int n = 0; n < PIROGUE_NB_PIERRES; n++) {
        std::memset(pirogue_trajet, 0, sizeof pirogue_trajet);
        nb_points_trajet = 3;
        std::memcpy(pirogue_trajet[1].name, pirogue_pierre_points[ordre_pierres[n]], 6);
        index_trajet = 0;
        arrivee_point();
        EXPECT_EQ(pirogue_pierres[ordre_pierres[n]].shown, 0);
        EXPECT_EQ(nb_pierres_prises, n + 1);
        EXPECT_EQ(pirogue_reussie, n == 6 ? 1 : 0) << n;
    }
    EXPECT_EQ(sounds, (std::vector<std::string>{"107", "108", "109", "106", "107", "108", "109"}));
    // The river's end stops the canoe unless the stones came in order (out of order: the canoe tests).
    ArriveAt("EAS", 1);
    std::memcpy(pirogue_trajet[1].name, "W9A279", 6);
    pirogue_en_marche = 1;
    arrivee_point();
    EXPECT_EQ(pirogue_en_marche, 1);
}

// --- The canoe's steps.

class CanoeSteps : public CanoeTraj {
protected:
    void SetUp() override {
        CanoeTraj::SetUp();
        LoadCanoe(PIROGUE_C1, "C1.db");
        LoadCanoe(PIROGUE_G1, "g1.db");
    }
    // A table of points along x (z 0) named by the letters; the canoe launched at the first point.
    static void Line(const std::string& letters, const std::vector<float>& xs) {
        std::memset(pirogue_trajet, 0, sizeof pirogue_trajet);
        nb_points_trajet = int32_t(letters.size());
        for (int32_t i = 0; i < nb_points_trajet; i++) {
            const std::string name = std::string("W1") + letters[size_t(i)] + std::to_string(100 + i);
            std::memcpy(pirogue_trajet[i].name, name.data(), name.size());
            pirogue_trajet[i].x = xs[size_t(i)];
        }
        lance_pirogue();
    }
    static float X() { return current_anim_perso->db.root.GetPosition(nullptr).x; }
};

TEST_F(CanoeSteps, OnePointFivePerFramePassingEveryPointReached) {
    Line("EAAAAS", {0, 2, 2.5f, 2.8f, 10, 20});
    EXPECT_EQ(X(), 0.0f);
    avance_pirogue();
    EXPECT_FLOAT_EQ(X(), 1.5f);
    EXPECT_EQ(index_trajet, 0);
    // 2, 2.5 and 2.8 are passed in one frame, which then moves 1.5 toward 10 from where it began.
    avance_pirogue();
    EXPECT_EQ(index_trajet, 3);
    EXPECT_FLOAT_EQ(X(), 3.0f);
    // A step that ends on the point does not pass it yet.
    Line("EAS", {0, 1.5f, 10});
    avance_pirogue();
    EXPECT_EQ(index_trajet, 0);
    EXPECT_FLOAT_EQ(X(), 1.5f);
    // A point at the canoe's own place is passed at once.
    Line("EAAS", {0, 0, 5, 9});
    avance_pirogue();
    EXPECT_EQ(index_trajet, 1);
    EXPECT_FLOAT_EQ(X(), 1.5f);
}

TEST_F(CanoeSteps, AGapAheadStopsTheCanoeAtTheStretchsEnd) {
    Line("EASEAS", {0, 1, 2, 30, 31, 32});
    pirogue_trajet[3].gap = 1;
    avance_pirogue();
    EXPECT_EQ(pirogue_en_marche, 1);
    avance_pirogue();
    EXPECT_EQ(pirogue_en_marche, 0);
    EXPECT_EQ(index_trajet, 1);
    EXPECT_EQ(current_anim_perso, &pirogue_anims[PIROGUE_C1]);
    EXPECT_EQ(pirogue_anims[PIROGUE_C1].db.frame, 1.0f);
}

TEST_F(CanoeSteps, TheEndWithoutTheStonesStopsTheFrameEvenJustBeforeTheLastPoint) {
    // "W9A279" and the last point at one place, passed in the same frame as the canoe overshoots them.
    Line("EAS", {0, 2.6f, 2.6f});
    std::memcpy(pirogue_trajet[1].name, "W9A279", 6);
    avance_pirogue();
    avance_pirogue();
    EXPECT_EQ(pirogue_en_marche, 0);
    EXPECT_EQ(pirogue_finie, 0);
    EXPECT_EQ(index_trajet, 0);
    EXPECT_FLOAT_EQ(X(), 1.5f);
    EXPECT_TRUE(fatals.empty());
}

TEST_F(CanoeSteps, AnotherDatabaseWaitsFiveFramesThenGoesOn) {
    Line("EABBBS", {0, 1, 2, 10, 20, 30});
    avance_pirogue();
    EXPECT_EQ(current_anim_perso, &pirogue_anims[PIROGUE_C1]);
    avance_pirogue();
    PirogueAnim* const g1 = &pirogue_anims[PIROGUE_G1];
    ASSERT_EQ(current_anim_perso, g1);
    // Placed by the frame that chose it.
    EXPECT_FLOAT_EQ(X(), 3.0f);
    for (int k = 0; k < PIROGUE_DELAI; k++) {
        avance_pirogue();
        EXPECT_FLOAT_EQ(X(), 3.0f) << k;
        EXPECT_EQ(g1->db.frame, 1.0f) << k;
    }
    avance_pirogue();
    EXPECT_FLOAT_EQ(X(), 4.5f);
    EXPECT_EQ(g1->db.frame, 2.0f);
}

TEST_F(CanoeSteps, C1LoopsOverItsFramesFromTheSixth) {
    std::vector<float> xs;
    for (int i = 0; i < 60; i++) xs.push_back(float(i) * 10);
    Line(std::string("E") + std::string(58, 'A') + "S", xs);
    std::vector<float> frames;
    for (uint32_t k = 0; k < CANOE_FRAMES + 2; k++) {
        avance_pirogue();
        frames.push_back(current_anim_perso->db.frame);
    }
    EXPECT_EQ(frames[CANOE_FRAMES - 3], float(CANOE_FRAMES - 1));
    EXPECT_EQ(frames[CANOE_FRAMES - 2], 6.0f);
    EXPECT_EQ(frames[CANOE_FRAMES - 1], 7.0f);
}

}  // namespace
