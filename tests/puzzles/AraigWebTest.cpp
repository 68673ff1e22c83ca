// The spider's web and its spiders on the generated web: rings and positions, the path search rule by
// rule, the stun and lure counters, the second small spider, turns, walks and strikes, the actors' places
// and hit zones.
#include "panorama/Z3d.h"
#include "tests/puzzles/AraigFixture.h"

namespace {

constexpr float kPi = 3.1415927f;

class AraigWeb : public AraigTest {
protected:
    // A run in progress with the player on `player` and no actor; the web's coordinates read.
    void Setup(int stage) {
        StartAtStage(stage);
        araig_stage = stage;
        fill_coord_warps();
        araig_clear_actors();
        araig_running = 1;
        araig_caught = araig_lost = 0;
        araig_epee_state = araig_plume_state = araig_plume_case = 0;
    }
    // The player stands on p; the path search measures from there.
    static void Player(uint32_t p) {
        OrvWam_RestoreCurrentVue(wam_cherche_vue_id(OrvWam_CurrentLieu, p));
        const int32_t n = araig_nb_actors;
        araig_nb_actors = 0;
        araig_move_spiders();
        araig_nb_actors = n;
    }
    // A spider standing on c, facing its cell's direction.
    static int32_t Spider(int32_t kind, int32_t c) {
        const int32_t i = araig_add_actor(kind, kind == ARAIG_BIG_SPIDER ? &db_ARstby : &db_PARstby, c, c, 0, 0, 0);
        araig_actors[i].rate = 0;
        return i;
    }
    // The answer of the path search for a spider on c with the player on p.
    static int32_t Next(int32_t c, uint32_t p, int32_t excluded = -1) {
        araig_clear_actors();
        Player(p);
        const int32_t i = Spider(ARAIG_SMALL_SPIDER, c);
        return araig_next_case(i, excluded);
    }
    // One move of the spiders with the player entering p.
    static void Move(uint32_t p) {
        OrvWam_RestoreCurrentVue(wam_cherche_vue_id(OrvWam_CurrentLieu, p));
        araig_move_spiders();
    }
    // The actor turned already and walking from one cell to the next (or standing, from == to).
    static void Walking(ST_araig_actor& a, int32_t from, int32_t to) {
        a.from = from;
        a.to = to;
        a.rate = 0;
    }
};

TEST_F(AraigWeb, RingsAndPositionsMatchTheWebsGeometry) {
    Setup(1);
    for (int32_t c = ARAIG_FIRST_CASE; c <= ARAIG_CENTRE; c++) {
        const CTVector3 at = araig_case_coords(c);
        const float radius = std::sqrt(at.x * at.x + at.y * at.y);
        const int32_t ring = araig_case_ring(c);
        EXPECT_EQ(ring, 5 - int32_t(std::lround(radius / SPIDERWEB_RING_STEP))) << c;
        if (ring == 5) {
            EXPECT_EQ(araig_case_angle(c, ring), 0);
            continue;
        }
        float turn = std::atan2(at.y, at.x) / (kPi / 8);
        if (turn < -0.5f) turn += 16;
        EXPECT_EQ(araig_case_angle(c, ring), int32_t(std::lround(turn)) % 16) << c;
    }
    for (int32_t c : {201, 218, 235, 252}) EXPECT_EQ(araig_case_angle(c, araig_case_ring(c)), 0) << c;
    for (int32_t c : {216, 217, 234, 251}) EXPECT_EQ(araig_case_angle(c, araig_case_ring(c)), 15) << c;
    EXPECT_EQ(araig_case_ring(ARAIG_CENTRE), 5);
    EXPECT_EQ(araig_case_angle(ARAIG_CENTRE, 7), 0);
}

TEST_F(AraigWeb, ConnectionsComeFromTheViewsExits) {
    Setup(1);
    int32_t out[ARAIG_MAX_CONNECTIONS];
    ASSERT_EQ(find_connected_cases(213, out), 4);
    EXPECT_EQ(std::vector<int32_t>(out, out + 4), (std::vector<int32_t>{212, 214, 230, 199}));
    EXPECT_EQ(find_connected_cases(ARAIG_CENTRE, out), 16);
    EXPECT_EQ(find_connected_cases(230, out), 3);  // no thread toward 231
    EXPECT_TRUE(fatals.empty());
    EXPECT_EQ(find_connected_cases(314, out), 0);
    ASSERT_EQ(fatals.size(), 1u);
    EXPECT_EQ(fatals[0], "pz_araig : find_connected_cases() : case 314 non trouvée");
}

TEST_F(AraigWeb, EachRuleOfThePathSearch) {
    Setup(1);
    // On the centre: the neighbour nearest to the player.
    EXPECT_EQ(Next(ARAIG_CENTRE, 206), 257);
    // The player two rings out and the spider far round: through the centre, also when both ways are as long.
    EXPECT_EQ(Next(235, 209), 252);
    EXPECT_EQ(Next(235, 205), 252);
    // The spider farther out than the player: toward the centre, except across the gap of ring 2.
    EXPECT_EQ(Next(201, 236), 218);
    EXPECT_EQ(Next(214, 228), 213);
    EXPECT_EQ(Next(213, 217), 214);
    EXPECT_EQ(Next(213, 241), 230);
    // On the player's radius: the neighbour nearest to the player.
    EXPECT_EQ(Next(240, 206), 223);
    // Otherwise one cell round the ring toward the player, wrapping at the ring's ends.
    EXPECT_EQ(Next(220, 223), 221);
    EXPECT_EQ(Next(223, 220), 222);
    EXPECT_EQ(Next(217, 228), 232);
    EXPECT_EQ(Next(216, 203), 201);
    // Round ring 2 at its gap the spider changes ring: inward, or outward toward a player on ring 1.
    EXPECT_EQ(Next(231, 226), 248);
    EXPECT_EQ(Next(231, 209), 214);
    EXPECT_EQ(Next(230, 217), 247);
    EXPECT_EQ(Next(230, 216), 213);
    // The step round the ring avoids an excluded cell by going outward, when the player is farther out.
    EXPECT_EQ(Next(220, 206, 221), 203);
    EXPECT_EQ(Next(220, 223, 221), 221);
    EXPECT_TRUE(fatals.empty()) << Reports();
}

TEST_F(AraigWeb, TiesGoToTheFirstNeighbourInListOrderAndWaysOutAreNeverTaken) {
    Setup(1);
    // 251 ends the centre's list: put it where 252 is and the first one wins.
    for (int k = 0; k < 3; k++) coord_warps[251 - ARAIG_FIRST_CASE][k] = coord_warps[252 - ARAIG_FIRST_CASE][k];
    EXPECT_EQ(Next(ARAIG_CENTRE, 201), 252);
    fill_coord_warps();
    // 213's exit to the way 199 has no coordinates: toward the centre the spider takes 230.
    EXPECT_EQ(Next(213, 241), 230);
    EXPECT_TRUE(fatals.empty());
}

TEST_F(AraigWeb, ASpiderWithoutANeighbourOnTheWebStays) {
    // 213 keeps only its exit to the way 199, which the spiders never take.
    for (WamVueDesc& v : world.lieux[0].vues)
        if (v.id == 213) v.dests = {{SPIDERWEB_WAY_199, ""}};
    Setup(1);
    Player(230);
    // Another spider answers first, so that the last answer is a cell.
    const int32_t other = Spider(ARAIG_SMALL_SPIDER, 240);
    const int32_t i = Spider(ARAIG_SMALL_SPIDER, 213);
    EXPECT_EQ(araig_next_case(i, -1), -1);
    Move(230);
    EXPECT_NE(araig_actors[other].to, 240);
    EXPECT_EQ(araig_actors[i].to, 213);
    EXPECT_EQ(araig_actors[i].db, &db_PARstby);
}

TEST_F(AraigWeb, TheSwordStunsForFourMovesAndEverySearchAdvancesTheCounters) {
    Setup(3);
    Player(213);
    const int32_t big = Spider(ARAIG_BIG_SPIDER, 257);
    araig_epee_state = 2;
    std::vector<int32_t> states;
    for (int move = 0; move < 4; move++) {
        Move(move % 2 ? 213 : 212);
        EXPECT_EQ(araig_actors[big].to, 257) << move;
        states.push_back(araig_epee_state);
    }
    EXPECT_EQ(states, (std::vector<int32_t>{3, 4, 5, 6}));
    Move(212);
    EXPECT_NE(araig_actors[big].to, 257);
    // The move and the search each advanced it once.
    EXPECT_EQ(araig_epee_state, 8);
    // The search alone advances the counters and skips while stunned.
    araig_epee_state = 5;
    EXPECT_EQ(araig_next_case(big, -1), -1);
    EXPECT_EQ(araig_epee_state, 6);
    EXPECT_NE(araig_next_case(big, -1), -1);
}

TEST_F(AraigWeb, TheFeatherLuresTheSpiderOnceThenItSkipsAMove) {
    Setup(3);
    Player(213);
    const int32_t big = Spider(ARAIG_BIG_SPIDER, 247);
    araig_actors[big].steps = 1;
    // Its next cell is the feather's: lured.
    araig_plume_case = 230;
    Move(213);
    EXPECT_EQ(araig_actors[big].to, 230);
    EXPECT_EQ(araig_plume_state, 1);
    // Walking onto the player it gives up, back to its cell, and stands.
    ST_araig_actor& a = araig_actors[big];
    Walking(a, 230, 213);
    a.steps = 1;
    araig_caught = 1;
    araig_animate_actors();
    EXPECT_EQ((std::vector<int32_t>{a.to, araig_plume_state, araig_caught, a.steps}), (std::vector<int32_t>{230, 2, 0, 0}));
    EXPECT_EQ(a.db, &db_ARstby);
    // The next move is skipped; the one after it is not.
    Move(212);
    EXPECT_EQ(a.to, 230);
    EXPECT_EQ(araig_plume_state, 3);
    Move(213);
    EXPECT_NE(a.to, 230);
    EXPECT_EQ(araig_plume_state, 5);
    // A spider walking onto a player who stands on the feather is not turned back.
    araig_plume_state = 1;
    OrvWam_RestoreCurrentVue(wam_cherche_vue_id(OrvWam_CurrentLieu, 230));
    Walking(a, 247, 230);
    araig_animate_actors();
    EXPECT_EQ(a.to, 230);
    EXPECT_EQ(araig_plume_state, 1);
}

TEST_F(AraigWeb, ASecondSmallSpiderComesOnTheOuterRingAndOnlyOneGoesForThePlayer) {
    Setup(2);
    Player(212);
    const int32_t first = Spider(ARAIG_SMALL_SPIDER, 210);
    Spider(ARAIG_GRASSHOPPER, 251);
    // The first spider's next cell is on ring 1 with the player there.
    Move(212);
    EXPECT_EQ(araig_actors[first].to, 211);
    EXPECT_EQ(araig_second_state, 1);
    ASSERT_EQ(araig_nb_actors, 3);
    EXPECT_EQ(araig_second_index, 2);
    const ST_araig_actor& second = araig_actors[2];
    EXPECT_EQ((std::vector<int32_t>{second.kind, second.from, second.to}), (std::vector<int32_t>{ARAIG_SMALL_SPIDER, ARAIG_CENTRE, 263}));
    EXPECT_EQ(second.db, &db_PARstby);
    EXPECT_NE(second.rate, 0.0f);

    // Both would take 221: the first searches again without it and goes outward.
    Walking(araig_actors[first], 220, 220);
    Walking(araig_actors[2], 222, 222);
    Move(204);
    EXPECT_EQ(araig_actors[2].to, 221);
    EXPECT_EQ(araig_actors[first].to, 203);

    // Both go for the player (the second already on its way): the first keeps it, the other stops.
    Walking(araig_actors[first], 204, 204);
    Walking(araig_actors[2], 206, 205);
    Move(205);
    EXPECT_EQ(araig_caught, 1);
    EXPECT_EQ(araig_actors[first].to, 205);
    EXPECT_EQ(araig_actors[2].to, 206);
    EXPECT_EQ(araig_actors[2].db, &db_PARstby);
}

TEST_F(AraigWeb, NoSecondSpiderInStageOneOrAwayFromTheOuterRing) {
    Setup(1);
    Player(212);
    Spider(ARAIG_SMALL_SPIDER, 210);
    Move(212);
    EXPECT_EQ(araig_actors[0].to, 211);
    EXPECT_EQ(araig_second_state, 0);
    araig_stage = 2;
    araig_clear_actors();
    Spider(ARAIG_SMALL_SPIDER, 244);
    Move(212);
    EXPECT_EQ(araig_actors[0].to, 245);
    EXPECT_EQ(araig_second_state, 0);
    // Onto ring 1 by the gap of ring 2, with the player on ring 2.
    araig_clear_actors();
    Spider(ARAIG_SMALL_SPIDER, 214);
    Move(228);
    EXPECT_EQ(araig_actors[0].to, 213);
    EXPECT_EQ(araig_second_state, 0);
}

TEST_F(AraigWeb, ATenthActorIsWrittenButNotCounted) {
    Setup(1);
    Player(213);
    for (int i = 0; i < 9; i++) EXPECT_EQ(araig_add_actor(ARAIG_SKULL, &db_crane, 230, 230, 0, 0, 0), i);
    EXPECT_EQ(araig_nb_actors, 9);
    EXPECT_EQ(araig_add_actor(ARAIG_SWORD, &db_macahuitl, 247, 247, 0, 0, 0), 9);
    EXPECT_EQ(araig_nb_actors, 9);
    EXPECT_EQ(araig_actors[9].kind, ARAIG_SWORD);
    EXPECT_EQ(araig_add_actor(ARAIG_FEATHER, &db_bouclier, 212, 212, 0, 0, 0), 9);
    EXPECT_EQ(araig_actors[9].kind, ARAIG_FEATHER);
    araig_remove_actors_of_kind(ARAIG_SKULL);
    for (int i = 0; i < 9; i++) EXPECT_EQ(araig_actors[i].kind, ARAIG_REMOVED);
    araig_clear_actors();
    EXPECT_EQ(araig_nb_actors, 0);
    EXPECT_EQ(araig_actors[9].kind, ARAIG_REMOVED);
}

TEST_F(AraigWeb, TurnsTakeTheShortWayAndEndOnTheTarget) {
    Setup(1);
    Player(213);
    // From 265 toward 249 (the file's angle of position 13) with a heading just past pi: the short way.
    const int32_t i = araig_add_actor(ARAIG_SMALL_SPIDER, &db_PARstby, ARAIG_CENTRE, 249, 0, 0, 3.0f);
    ST_araig_actor& a = araig_actors[i];
    const float target = std::atan2(araig_case_coords(249).y, araig_case_coords(249).x);
    EXPECT_FLOAT_EQ(a.target, target);
    EXPECT_FLOAT_EQ(a.rate, araig_wrap_angle(target - 3.0f) > 0 ? 0.07f : -0.07f);
    int passes = 0;
    for (; a.rate != 0.0f && passes < 200; passes++) araig_animate_actors();
    EXPECT_EQ(passes, int(std::ceil(std::fabs(araig_wrap_angle(target - 3.0f)) / 0.07f)));
    EXPECT_FLOAT_EQ(a.heading, target);
    EXPECT_EQ(a.progress, 0.0f);
    // Then the walk: 50 passes, ending on the cell turned toward the player.
    passes = 0;
    for (; a.from != a.to && passes < 100; passes++) araig_animate_actors();
    EXPECT_EQ(passes, 50);
    EXPECT_EQ(a.progress, 0.0f);
    EXPECT_EQ(a.from, 249);
    // Aiming at its own cell keeps the heading.
    a.heading = 1.0f;
    a.to = a.from;
    araig_aim_actor(i);
    EXPECT_EQ(a.target, 1.0f);
    EXPECT_EQ(a.rate, 0.0f);
    EXPECT_FLOAT_EQ(araig_wrap_angle(3 * kPi), kPi);
    EXPECT_FLOAT_EQ(araig_wrap_angle(-1.5f * kPi), 0.5f * kPi);
}

TEST_F(AraigWeb, AStrikeEndsWithTheAnimationAndLosesTheRun) {
    Setup(3);
    Player(213);
    ST_araig_actor& a = araig_actors[Spider(ARAIG_BIG_SPIDER, 230)];
    a.to = 213;
    a.db = &db_ARmar;
    araig_caught = 1;
    int passes = 0;
    for (; araig_caught == 1 && passes < 100; passes++) araig_animate_actors();
    EXPECT_EQ(passes, 16);  // the 0.3 of the way
    EXPECT_EQ(a.db, &db_ARmen);
    const float stop = a.progress;
    ASSERT_GT(db_ARmen.frameCount, 1.0f);
    for (int f = 1; f < int(db_ARmen.frameCount); f++) {
        araig_animate_actors();
        EXPECT_FALSE(araig_lost) << f;
    }
    araig_animate_actors();
    EXPECT_TRUE(araig_lost);
    EXPECT_EQ(araig_caught, 0);
    EXPECT_EQ(a.progress, stop);

    // A database without animation ends a strike at the next pass.
    araig_lost = 0;
    Orv3DDataBase still;
    a.db = &still;
    araig_caught = 2;
    araig_animate_actors();
    EXPECT_FALSE(araig_lost);  // only the striking and walking databases end a run
    a.db = &db_PARmar;
    db_PARmar.frameCount = 0;
    araig_animate_actors();
    EXPECT_TRUE(araig_lost);
}

TEST_F(AraigWeb, ActorsStandOnTheSegmentBetweenTheirCellsBelowTheEye) {
    Setup(1);
    coord_warps[230 - ARAIG_FIRST_CASE][2] = 12.0f;  // a cell lifted off the web's plane
    Player(213);
    const int32_t i = Spider(ARAIG_SMALL_SPIDER, 230);
    ST_araig_actor& a = araig_actors[i];
    const CTVector3 p = araig_case_coords(213), f = araig_case_coords(230), t = araig_case_coords(247);
    CTVector3 at = araig_actor_pos(i);
    EXPECT_FLOAT_EQ(at.x, f.x - p.x);
    EXPECT_FLOAT_EQ(at.y, p.z - f.z + ARAIG_HEIGHT);
    EXPECT_FLOAT_EQ(at.z, f.y - p.y);
    a.to = 247;
    a.progress = 0.25f;
    at = araig_actor_pos(i);
    EXPECT_FLOAT_EQ(at.x, (f.x - p.x) + 0.25f * (t.x - f.x));
    EXPECT_FLOAT_EQ(at.y, ARAIG_HEIGHT - 12.0f + 0.25f * 12.0f);
    EXPECT_FLOAT_EQ(at.z, (f.y - p.y) + 0.25f * (t.y - f.y));
    // Placing turns the database about the vertical by -(heading + yaw offset).
    a.heading = 0.5f;
    a.yaw = kPi / 2;
    a.frame = 7;
    araig_place_actors(i);
    EXPECT_FLOAT_EQ(db_PARstby.frame, 7.0f);
    const CTVector3 pos = db_PARstby.root.GetPosition(nullptr);
    EXPECT_FLOAT_EQ(pos.x, at.x);
    const CTQuaternion q = db_PARstby.root.GetRotation(nullptr);
    const CTQuaternion want = CTQuaternion::FromAxisAngle({0, 1, 0}, -(0.5f + kPi / 2));
    EXPECT_NEAR(std::fabs(q.x * want.x + q.y * want.y + q.z * want.z + q.w * want.w), 1.0f, 1e-5f);
}

// The fraction of the zone's half-size at which a direction leaves it, seen from the zone's centre.
float ZoneEdge(const ST_wam_zclic& zone, const CTVector3& centre, const CTVector3& across) {
    for (float f = 0.0f; f < 3.0f; f += 0.01f) {
        const CTVector3 d{centre.x + across.x * f, centre.y + across.y * f, centre.z + across.z * f};
        if (!z3d_zone_contains(&zone, d)) return f;
    }
    return 3.0f;
}

TEST_F(AraigWeb, HitZonesKeepTheirSizeInTheSceneWhateverTheDistance) {
    for (int stage : {1, 3}) {
        SCOPED_TRACE(stage);
        Setup(stage);
        Player(213);
        const int32_t i = Spider(stage == 3 ? ARAIG_BIG_SPIDER : ARAIG_SMALL_SPIDER, 230);
        araig_init_zones();
        EXPECT_EQ(araig_zone1.type, WAM_ZONE_LIEN);
        EXPECT_EQ(araig_zone1.nb_points, 4);
        float previous = 0.0f;
        for (int32_t cell : {230, 247, 264, ARAIG_CENTRE}) {
            araig_actors[i].from = araig_actors[i].to = cell;
            araig_build_zones();
            CTVector3 p = araig_actor_pos(i);
            p.y -= 20.0f;
            const float len = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
            // World directions have y up.
            const CTVector3 centre{p.x / len, -p.y / len, p.z / len};
            const CTVector3 side{-centre.z, 0, centre.x};
            const float half = (stage == 3 ? 8.0f : 6.0f) * kPi / len;
            const float edge = ZoneEdge(araig_zone1, centre, {side.x * half, 0, side.z * half});
            // About 8 pi (6 pi) units on each side; the arcs between the corners bulge out when near.
            EXPECT_NEAR(edge, 1.1f, 0.12f) << cell;
            if (previous > 0) EXPECT_LT(half, previous);
            previous = half;
        }
        TearDown();
        SetUp();
    }
}

TEST_F(AraigWeb, AZoneWithoutAnAxisKeepsItsPoints) {
    Setup(1);
    Player(213);
    const int32_t i = Spider(ARAIG_SMALL_SPIDER, 230);
    araig_init_zones();
    araig_build_zones();
    std::vector<float> before;
    for (const ST_wam_point* q = araig_zone1.points; q; q = q->next) before.insert(before.end(), {q->x, q->y, q->z});
    // Straight below the eye: P has no horizontal part.
    araig_actors[i].from = araig_actors[i].to = 213;
    araig_build_zones();
    std::vector<float> after;
    for (const ST_wam_point* q = araig_zone1.points; q; q = q->next) after.insert(after.end(), {q->x, q->y, q->z});
    EXPECT_EQ(after, before);
    for (float v : after) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
