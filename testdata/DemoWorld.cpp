// The demo's worlds, name definitions, chapter script, messages and object sprites.
#include "testdata/DemoWorld.h"

#include "menus/Orv_Font.h"
#include "testdata/DemoCanoe.h"
#include "testdata/DemoDialogue.h"
#include "testdata/DemoIcons.h"
#include "testdata/MenuArt.h"
#include "testdata/SprWriter.h"
#include "testdata/TempDir.h"

const char* const DEMO_WAM_IR = "bigile1.wam";
const char* const DEMO_WAM_YU = "yucatan.wam";
// Named as a world the sound module has listeners for, so that the web is heard.
const char* const DEMO_WAM_TOILE = "Xibalba.wam";
const char* const DEMO_CARVING_BANK = "gravure.spr";

namespace {
constexpr float kPi = 3.14159265f;
const char* const kCarvingFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

WamZoneDesc zone(int32_t type, uint32_t numero, const std::string& name, int face, float u = 0, float v = 0) {
    return WamZoneDesc{type, numero, name, WamWriter_FaceSquare(face, u, v, 0.25f)};
}

WamVueDesc vue(uint32_t id, const std::string& name) {
    WamVueDesc v;
    v.id = id;
    v.name = name;
    v.yawMin = v.yawMax = 0;  // a full turn
    v.pitchMin = -kPi / 4;
    v.pitchMax = kPi / 4;
    return v;
}

// The ambient noises of the demo's places: one record per world file that plays them, a few hundred units
// from where its views listen, and faded by the distance gently enough to be heard from each of them. The wind
// and the temple's hum always play (100 %) and loop, so that no view is ever silent; birds and drops come and go.
enum : uint32_t { SON_VENT = 1, SON_OISEAU = 2, SON_GOUTTES = 3, SON_TEMPLE = 4 };
// Where the island's views listen from (the sound module's own listeners of "bigile1.wam"); the other worlds'
// views listen from the origin.
constexpr float kIslandEar[3] = {1130.0f, 600.0f, 320.0f};
WamSonDesc son(uint32_t id, const char* name, const char* file, const float ear[3], float x, float z, uint8_t percent) {
    WamSonDesc s;
    s.id = id;
    s.name = name;
    s.x = ear[0] + x;
    s.y = ear[1];
    s.z = ear[2] + z;
    s.level = 180;
    s.percent[0] = percent;
    s.recordings[0] = file;
    return s;
}
WamBruitDesc bruit(uint32_t id) { return {id, {1.0f, 0.002f, 0.0f}}; }

// Zone ids of #ZONES_CLIC#, by position.
enum : uint32_t { Z_COFFRE = 1, Z_CLE = 2, Z_PORTE = 3, Z_MORTE = 4, Z_GARDIEN = 5, Z_SORTIE = 6 };

constexpr float kStarPlaces[DEMO_STAR_PLACES][2] = {
    {-0.70f, 0.30f}, {-0.55f, 0.55f}, {-0.45f, 0.15f}, {-0.30f, 0.65f}, {-0.25f, 0.35f}, {-0.10f, 0.10f},
    {0.00f, 0.50f},  {0.05f, 0.75f},  {0.15f, 0.28f},  {0.25f, 0.60f},  {0.30f, 0.10f},  {0.40f, 0.42f},
    {0.50f, 0.70f},  {0.55f, 0.20f},  {0.65f, 0.55f},  {0.75f, 0.30f},  {0.70f, 0.05f},
};

bool fail(std::string* error, const std::string& what) {
    if (error) *error = what;
    return false;
}
}  // namespace

void DemoWorld_StarPlace(int n, float* u, float* v) {
    *u = kStarPlaces[n][0];
    *v = kStarPlaces[n][1];
}

bool DemoWorld_StarFinishes(int n) {
    for (int f : {0, 2, 6, 8, 11, 13, 16})
        if (n == f) return true;
    return false;
}

void DemoWorld_AddAmbience(WamFileDesc& world) {
    static const float origin[3] = {0, 0, 0};
    const float* ear = world.monde == 1 ? kIslandEar : origin;
    if (world.sons.empty())
        world.sons = {son(SON_VENT, "vent", "vent.ksn", ear, 0, 10, 100), son(SON_OISEAU, "oiseau", "oiseau.ksn", ear, -80, 60, 30),
                      son(SON_GOUTTES, "gouttes", "gouttes.ksn", ear, 60, -40, 40),
                      son(SON_TEMPLE, "temple", "temple.ksn", ear, -10, 0, 100)};
    for (WamLieuDesc& lieu : world.lieux)
        for (WamVueDesc& v : lieu.vues)
            if (v.bruits.empty()) v.bruits = {bruit(SON_VENT), bruit(SON_GOUTTES)};
}

DefNamesDesc DemoWorld_DefNames() {
    DefNamesDesc d;
    // The spider's web names its bat and priestess, the spider goddess' subject and its objects.
    d.personnages = {"PERSONNE", "GARDIEN", "CHAUVE_SOURIS", "PRETRESSE"};
    d.objets = {"RIEN 0", "CLE 1", "LANTERNE 2", "Etoiles_Puz", "REPERES"};
    for (int n = 102; n <= 115; n++) d.objets.push_back("ETOILE" + std::to_string(n) + " 3");
    for (const char* o : {"EPEE 4", "PLUME 5", "CHENILLE 6", "SAUTERELLE 7", "CRANE_ARAIG2 8"}) d.objets.push_back(o);
    d.sujets = {"AUCUN 0 0", "DEESSE_ARAIGNEE 1 0", "SALUT " + std::to_string(DEMO_SUBJECT_GREETING),
                "TEMPLE " + std::to_string(DEMO_SUBJECT_TEMPLE), "CIEL " + std::to_string(DEMO_SUBJECT_SKY)};
    d.variables = DefNames_EngineVariables();
    d.variables.push_back("SOURCIER");
    d.variables.push_back("VISITES_YU");
    d.variables.push_back("GARDIEN_A_PARLE");
    // Read by the puzzles whenever a game is loaded or left.
    for (const char* v : {"finmaya1", "finmaya2", "finmaya3"}) d.variables.push_back(v);
    for (int n = 0; n < DEMO_STAR_PLACES; n++) d.variables.push_back("etat_etoile" + std::to_string(n));
    for (const char* v : {"etoiles_fini", "Etoiles_JustFinished", "pz_etoile_started"}) d.variables.push_back(v);
    for (const char* v : {"finaraign1", "finaraign2", "finaraign3", "FuiteToileAraig"}) d.variables.push_back(v);
    d.zones = {"AUCUNE", "ZONE_COFFRE", "ZONE_CLE", "ZONE_PORTE", "ZONE_MORTE", "ZONE_GARDIEN", "ZONE_SORTIE"};
    DemoCanoe_AddNames(d);
    return d;
}

WamFileDesc DemoWorld_Ir() {
    WamFileDesc f;
    f.monde = 1;
    f.cd = 1;
    WamLieuDesc rivage{1, "Rivage", {}};

    WamVueDesc v1 = vue(1, "IR001");
    v1.zones = {zone(1, 3, "", 1), zone(1, 4, "", 3), zone(3, Z_COFFRE, "ZONE_COFFRE", 0),
                zone(3 + 88888, Z_MORTE, "ZONE_MORTE", 2)};
    v1.dests = {{3, "ir001_3"}, {4, "ir001_4"}};
    v1.bruits = {bruit(SON_VENT)};

    WamVueDesc v3 = vue(3, "IR003");
    v3.zones = {zone(1, 1, "", 3), zone(3, Z_CLE, "ZONE_CLE", 0, 0, -0.3f)};
    v3.dests = {{1, "ir003_1"}};
    v3.bruits = {bruit(SON_VENT), bruit(SON_GOUTTES)};

    WamVueDesc v4 = vue(4, "IR004");
    v4.zones = {zone(1, 1, "", 1), zone(2, DEMO_LIEN_TO_YU, "", 0), zone(4, Z_PORTE, "ZONE_PORTE", 3)};
    v4.dests = {{1, "ir004_1"}};
    v4.yawMin = -kPi / 2;
    v4.yawMax = kPi / 2;
    v4.bruits = {bruit(SON_VENT), bruit(SON_OISEAU)};

    rivage.vues = {v1, v3, v4};
    f.lieux = {rivage};
    f.liens = {{DEMO_LIEN_TO_YU, DEMO_WAM_YU, 1}};
    f.persos = {{2, "CLE", "CLE_", {{'a', 1, 3, 1, 0, 3, 0, 200, 300}}}};
    DemoWorld_AddAmbience(f);
    return f;
}

WamFileDesc DemoWorld_Yu() {
    WamFileDesc f;
    f.monde = 2;
    f.cd = 1;
    WamLieuDesc temple{1, "Temple", {}};

    WamVueDesc v1 = vue(1, "YU001");
    v1.zones = {zone(1, 2, "", 0), zone(2, DEMO_LIEN_TO_IR, "", 2)};
    v1.dests = {{2, "yu001_2"}};
    WamVueDesc v2 = vue(2, "YU002");
    v2.zones = {zone(1, 1, "", 2), zone(1, 3, "", 1), zone(3, Z_GARDIEN, "ZONE_GARDIEN", 0),
                zone(1, DEMO_STARS_VIEW, "", 3, 0, 0.6f), zone(2, DEMO_LIEN_TO_TOILE, "", 3)};
    WamVueDesc v3 = vue(3, "YU003");
    v3.zones = {zone(1, 2, "", 3), zone(4, Z_SORTIE, "ZONE_SORTIE", 0, 0, 0.3f)};

    // The sky: star places (kind 50, id = the place), a way back behind.
    WamVueDesc sky = vue(DEMO_STARS_VIEW, "YU121");
    for (int n = 0; n < DEMO_STAR_PLACES; n++)
        sky.zones.push_back({50, uint32_t(n), "", WamWriter_FaceSquare(0, kStarPlaces[n][0], kStarPlaces[n][1], 0.05f)});
    sky.zones.push_back(zone(1, 2, "", 2));

    // Birds and wind at the temple's door; inside, its hum goes on under the drops.
    v1.bruits = {bruit(SON_OISEAU), bruit(SON_VENT)};
    v2.bruits = {bruit(SON_TEMPLE), bruit(SON_GOUTTES)};
    v3.bruits = {bruit(SON_TEMPLE), bruit(SON_GOUTTES), bruit(SON_OISEAU)};
    sky.bruits = {bruit(SON_VENT)};
    temple.vues = {v1, v2, v3, sky};
    f.lieux = {temple};
    f.liens = {{DEMO_LIEN_TO_IR, DEMO_WAM_IR, 4}, {DEMO_LIEN_TO_TOILE, DEMO_WAM_TOILE, 198}};
    f.persos = {{1, "GARDIEN", "GARD", {{'a', 1, 2, 1, 0, DEMO_GUARDIAN_FRAMES - 1, 0, 100, 188}}},
                {2, "REPERES", "REPR", {{'a', 1, DEMO_STARS_VIEW, 0, 0, 0, 0, 0, 0}}},
                {2, "Etoiles_Puz", "CIEL", {{'a', 1, DEMO_STARS_VIEW, 0, 0, DEMO_STAR_PLACES - 1, 0, 0, 0}}}};
    DemoCanoe_AddViews(f, 3, DemoCanoe_ZoneId(DemoWorld_DefNames()));
    DemoWorld_AddAmbience(f);
    return f;
}

std::string DemoWorld_Chapter1() {
    ChapterWriter c;
    c.Init("(CHANGEWAM=bigile1.wam,1)");
    c.Init("(VISITES_YU=0)");
    c.Init("(MUSIQUE=1)");
    c.Comment("The feather comes back to the bag at each visit of the spider's web.");
    c.Init("(flag115=1)");
    c.Init(std::string("(ENABLESUJ=") + DEMO_GUARDIAN_ID + ",SALUT,TEMPLE)");
    c.Comment("Every departure is allowed unless a view's block forbids it.");
    c.Block("DEPARTVUE!=0", {"(ABORTDEPART=0)"});
    c.Block("ARRIVEEVUE!=0 & MONDE=2", {"(VISITES_YU=1)"});
    c.Vue("IR", 1);
    c.Block("ARRIVEEVUE=1 & flag1=0", {"(flag1=1)(MESSAGE=1)"});
    c.Block("CLICZONE=ZONE_COFFRE & sacados!=CLE", {"(MESSAGE=2)"});
    c.Block("CLICZONE=ZONE_COFFRE & sacados=CLE & flag2=0", {"(flag2=1)(sacados=LANTERNE)", "(MESSAGE=3)"});
    c.Vue("IR", 3);
    c.Comment("The key lies still.");
    c.Block("ARRIVEEVUE=3", {"(ANIM_THE_FRAME=CLE,0)"});
    c.Block("CLICZONE=ZONE_CLE & sacados!=CLE", {"(sacados=CLE)(HIDEOBJ=CLE)", "(MESSAGE=4)"});
    c.Vue("IR", 4);
    c.Comment("A refused departure holds only its own click: once the message is read, the next click is heard.");
    c.Block("DEPARTVUE=" + std::to_string(DEMO_LIEN_TO_YU) + " & sacados!=LANTERNE", {"(ABORTDEPART=1)(MESSAGE=5)", "(ABORTDEPART=0)"});
    c.Comment("The door bears the carving of the island's ways.");
    c.Block("CLICZONE=ZONE_PORTE", {"(ViewBigSpr=" + std::string(DEMO_CARVING_BANK) + ")"});
    c.Vue("YU", DEMO_STARS_VIEW);
    c.Block("ARRIVEEVUE=" + std::to_string(DEMO_STARS_VIEW), {"(ANIM_THE_FRAME=REPERES,0)"});
    c.Block("ARRIVEEVUE=" + std::to_string(DEMO_STARS_VIEW) + " & flag10=0",
            {"(flag10=1)(sacados=ETOILE102)(sacados=ETOILE103)(sacados=ETOILE104)(sacados=ETOILE105)",
             "(sacados=ETOILE106)(sacados=ETOILE107)(sacados=ETOILE108)", "(MESSAGE=9)"});
    c.Block("Etoiles_JustFinished=1", {"(Etoiles_JustFinished=0)(etoiles_fini=1)", "(MESSAGE=10)"});
    c.Vue("YU", 2);
    c.Comment("The guardian keeps the passage until he has spoken, and steps aside only while the player stays:");
    c.Comment("he is back at his post at every arrival, so that his dialogue is never lost.");
    c.Block("ARRIVEEVUE!=0", {"(SHOWPERSO=GARDIEN)"});
    c.Block("CLICZONE=ZONE_GARDIEN & GARDIEN_A_PARLE=0", {"(MESSAGE=" + std::to_string(DEMO_GUARDIAN_BARS_MESSAGE) + ")"});
    c.Block("CLICZONE=ZONE_GARDIEN & GARDIEN_A_PARLE=1", {"(MESSAGE=7)(HIDEPERSO=GARDIEN)"});
    c.Comment("The guardian's subjects: each leads to its dialogue; the temple brings the sky up.");
    const std::string talk = std::string("CLICPERSO=") + DEMO_GUARDIAN_ID + " & SUJET=";
    const std::string spoken = "(GARDIEN_A_PARLE=1)";
    c.Block(talk + std::to_string(DEMO_SUBJECT_GREETING), {spoken + "(DIAL=" + std::to_string(DEMO_DIAL_GREETING) + ")"});
    c.Block(talk + std::to_string(DEMO_SUBJECT_TEMPLE),
            {spoken + "(DIAL=" + std::to_string(DEMO_DIAL_TEMPLE) + ")(ENABLESUJ=GARDIEN,CIEL)(DISABLESUJ=GARDIEN,TEMPLE)"});
    c.Block(talk + std::to_string(DEMO_SUBJECT_SKY), {spoken + "(DIAL=" + std::to_string(DEMO_DIAL_SKY) + ")"});
    c.Vue("YU", 3);
    c.Comment("The demo ends through the credits.");
    c.Block("CLICZONE=ZONE_SORTIE & VISITES_YU=1", {"(MESSAGE=8)", "(CREDITS=1)(EXIT=1)"});
    c.Vue("YU", 198);
    const auto page2 = [](int errand) { return "(MESSAGE=" + std::to_string(DEMO_WEB_RULES_PAGE2[errand]) + ")"; };
    c.Block("ARRIVEEVUE=198 & flag3=0", {"(flag3=1)(MESSAGE=11)", page2(0)});
    // A flight from the web skips the way's entry: the way is entered again, which ends the run.
    for (int way : {199, 200}) {
        c.Vue("YU", uint32_t(way));
        c.Block("FuiteToileAraig=1", {"(FuiteToileAraig=0)(NEXTVUE=" + std::to_string(way) + ")"});
        c.Block("finaraign1=1 & flag4=0", {"(flag4=1)(MESSAGE=12)", page2(1)});
        c.Block("finaraign2=1 & flag5=0", {"(flag5=1)(MESSAGE=13)", page2(2)});
        c.Block("finaraign3=1 & flag6=0", {"(flag6=1)(MESSAGE=14)"});
    }
    DemoCanoe_AddScript(c);
    return c.Text();
}

MessagesDesc DemoWorld_Messages() {
    MessagesDesc m;
    m.objets = {{"CLE", "Bronze key"}, {"LANTERNE", "Lantern"}};
    for (int n = 102; n <= 115; n++) m.objets.push_back({"ETOILE" + std::to_string(n), "Star"});
    for (auto o : std::vector<std::pair<const char*, const char*>>{{"EPEE", "Sword"},
                {"PLUME", "Feather"}, {"CHENILLE", "Caterpillar"}, {"SAUTERELLE", "Grasshopper"},
                {"CRANE_ARAIG2", "Skull"}})
        m.objets.push_back({o.first, o.second});
    m.messages = {
        {1, {"Welcome to the island.", "Turn the view with the mouse;", "click what the pointer shows.",
             "Click to go on."}},
        {2, {"The chest is locked."}},
        {3, {"The chest opens:", "it holds a lantern."}},
        {4, {"You pick up a bronze key."}},
        {5, {"It is too dark", "to go on without a light."}},
        {6, {"The door does not move."}},
        {7, {"The guardian steps aside for you.", "He will be back at his post", "when you return."}},
        {8, {"You leave the temple.", "End of the demo."}},
        {9, {"Seven stars are missing", "from the sky.", "Right click: the bag opens;", "take a star, then click",
             "a blue ring to set it there."}},
        {10, {"The stars shine in their places."}},
        // The web's rules, true to the spiders' moves (puzzles/pz_toile.cpp), and a way to win each errand by
        // them; each errand's rules take two pages.
        {11, {"A giant web spans the ravine. Fetch", "the caterpillar at its centre and", "leave by a way without being caught.",
              "Each gold frame is a step. After each", "of your steps the spider takes one,", "by the first rule that fits:",
              "1. At the centre: out to your spoke.", "2. Inward, if its way to you through", "the centre is no longer than round,",
              "or if it is further out than you.", "3. On your spoke: toward you.", "4. Else round its ring toward you.",
              "It catches you on your cell; never", "step onto its own."}},
        {12, {"The caterpillar is yours. Now a", "grasshopper waits on the inner ring,", "one spoke right of the right way.",
              "The first time the spider steps onto", "the outer ring while you are on it,", "a second spider comes out of the",
              "centre. Both step by the same rules;", "where both would step onto one cell,", "the first steps outward instead if it",
              "was going round inside you, else", "the second one waits."}},
        {13, {"The grasshopper is yours. The big", "spider guards a skull at the centre;", "it takes two steps to each of yours.",
              "A sword lies on the third ring of the", "left way's spoke: step there and it is", "in your hand. With it in hand, click",
              "the spider: it misses your next four", "steps. Hold the feather from your bag", "and click a cell next to you to lay it",
              "there: once the spider has stepped on", "it, its next attack on you fails and", "it misses a step."}},
        {14, {"The skull is yours:", "the web is beaten."}},
        {DEMO_WEB_RULES_PAGE2[0], {"(Left and right: facing the centre.)", "The second ring is broken between", "the left way's spoke and the middle", "one: no spider crosses there. It goes",
                                   "round by the outer ring if you or it", "are on it, else by the third ring.", "So lure it out: from the left way's",
                                   "cell step in; once it is next to you,", "step back out, then right: it comes", "out onto the outer ring behind you.",
                                   "Walk in to the centre: it follows.", "Then out along a spoke two or more", "from its own, and round to a way."}},
        {DEMO_WEB_RULES_PAGE2[1], {"Lure the first out as before; lead", "it right round the whole outer ring", "back to the left way's cell. Lure the",
                                   "second the same way and walk on right", "to the grasshopper's spoke. Go in to", "it, step back out one cell, then left,",
                                   "and out along the right way's spoke."}},
        {DEMO_WEB_RULES_PAGE2[2], {"Come in by the right way. Lay the", "feather on the cell to your left and", "step onto it, then left again. Step",
                                   "in twice to the sword and click the", "spider beside you. Go in to the skull", "and back to the sword's cell, take the",
                                   "sword in hand again, click the spider", "again, and leave by the left way."}},
        {DEMO_GUARDIAN_BARS_MESSAGE, {"The guardian bars the passage.", "Speak with him first: point at him,",
                                      "nothing in your hand, to see what", "he will talk about."}},
    };
    DemoCanoe_AddMessages(m);
    return m;
}

std::vector<std::string> DemoWorld_CarvingLines() {
    std::vector<std::string> lines;
    for (const char* line : {"The ways of the island", "", "The chest keeps the light,", "the light opens the path to the temple.",
                             "In the temple: the guardian, the sky,", "the web and the canoe.", "", "Click to go back."})
        lines.push_back(OrvFont_FromUtf8(line));
    return lines;
}

namespace {
// The carving on the door of IR 4: a stone slab of 400 x 300 that tells the ways of the demo.
SprImage Carving() {
    SprImage img;
    img.width = 400;
    img.height = 300;
    img.x = 200;
    img.y = 150;
    img.pixels.assign(size_t(img.width) * size_t(img.height), 0);
    for (int y = 0; y < img.height; y++)
        for (int x = 0; x < img.width; x++) {
            const bool edge = x < 6 || y < 6 || x >= img.width - 6 || y >= img.height - 6;
            img.pixels[size_t(y) * size_t(img.width) + size_t(x)] = edge ? 0xFF3A3228u : ((x / 8 + y / 8) % 2 ? 0xFF6E6452u : 0xFF6A604Eu);
        }
    const std::vector<std::string> lines = DemoWorld_CarvingLines();
    int top = 24;
    for (const std::string& line : lines) {
        SprImage text;
        text.width = img.width - 24;
        text.height = 30;
        text.pixels.assign(size_t(text.width) * size_t(text.height), 0xFF000000u);  // labels draw on opaque pixels
        if (!line.empty() && MenuArt_Label(text, line, kCarvingFont, &line == &lines[0] ? 22 : 17))
            for (int y = 0; y < text.height; y++)
                for (int x = 0; x < text.width; x++) {
                    const uint32_t c = text.pixels[size_t(y) * size_t(text.width) + size_t(x)];
                    if ((c & 0xFF) > 0x60) img.pixels[size_t(top + y) * size_t(img.width) + size_t(12 + x)] = 0xFFF0E0B0u;
                }
        top += 32;
    }
    return img;
}
}  // namespace

bool DemoWorld_Write(const std::string& dir, std::string* error) {
    std::string root = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    if (!WriteFileText(root + "scenar/defnames.con", DefNames_Make(DemoWorld_DefNames())))
        return fail(error, "scenar/defnames.con");
    if (!WriteFileText(root + "scenar/chapi001.con", DemoWorld_Chapter1())) return fail(error, "scenar/chapi001.con");
    if (!WamWriter_Save(root + "wam/" + DEMO_WAM_IR, DemoWorld_Ir())) return fail(error, std::string("wam/") + DEMO_WAM_IR);
    if (!WamWriter_Save(root + "wam/" + DEMO_WAM_YU, DemoWorld_Yu())) return fail(error, std::string("wam/") + DEMO_WAM_YU);
    if (!WriteFileText(root + "loc/messages.txt", OrvFont_FromUtf8(Messages_Make(DemoWorld_Messages()))))
        return fail(error, "loc/messages.txt");
    std::string why;
    if (!SprWriter_Save(root + "spr/objets.spr", DemoIcons_Objects(), SprWriterOptions{}, &why))
        return fail(error, "spr/objets.spr: " + why);
    if (!SprWriter_Save(root + "spr/" + DEMO_CARVING_BANK, {Carving()}, SprWriterOptions{}, &why))
        return fail(error, std::string("spr/") + DEMO_CARVING_BANK + ": " + why);
    return true;
}
