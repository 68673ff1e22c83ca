// The demo's dialogues: each world's three scripts and resident hero, YU 2's guardian who talks about the
// subjects the scenario grants him, their voices, stand videos and faces, and the subject icons.
#include "testdata/DemoDialogue.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/FloatToInt.h"
#include "menus/Orv_Font.h"
#include "testdata/DemoWorld.h"
#include "testdata/KsnWriter.h"
#include "testdata/MenuArt.h"
#include "testdata/QmvWriter.h"
#include "testdata/SprWriter.h"
#include "testdata/TempDir.h"

namespace {

constexpr uint32_t kRate = 22050;
constexpr int W = 640;
constexpr int H = 480;
// IR's dialogue is numbered apart from YU's: the voices of every world share one directory.
constexpr int kIrDialogue = 10;

struct Reply {
    int dialogue;
    int reply;
    const char* perso;
    const char* staging;
    const char* text;
};

const Reply kYuReplies[] = {
    {DEMO_DIAL_GREETING, 1, DEMO_GUARDIAN, "stand1 camera1 humeur3",
     "Halt, stranger. The temple does not open to one who passes without a word."},
    {DEMO_DIAL_GREETING, 2, "Heros", "stand1 camera1 humeur2", "I seek nothing but the way of the stars."},
    {DEMO_DIAL_GREETING, 3, DEMO_GUARDIAN, "stand1 camera1 humeur4",
     "Then look to your left: the sky awaits its seven stars."},
    {DEMO_DIAL_TEMPLE, 1, "Heros", "voixoff", "This guardian knows more than he says."},
    {DEMO_DIAL_TEMPLE, 2, DEMO_GUARDIAN, "stand1 camera1 humeur1",
     "This temple was built to count the nights. Each star laid gives one back to the sky."},
    {DEMO_DIAL_SKY, 1, DEMO_GUARDIAN, "stand1 camera1 humeur5",
     "When the seven stars shine, the far door will let you pass."},
};
const Reply kIrReplies[] = {
    {kIrDialogue, 1, "H1", "voixoff", "This island keeps its secrets behind every stone."},
};

DlgPersoDesc Perso(const std::string& name, const std::string& mesh) {
    DlgPersoDesc p;
    p.name = name;
    p.mesh = mesh;
    return p;
}

// Every reply with its voice's length and pitch.
struct Voiced {
    const Reply* reply;
    double pitch;
};
std::vector<Voiced> AllReplies() {
    std::vector<Voiced> out;
    for (const Reply& r : kYuReplies) out.push_back({&r, std::string(r.perso) == DEMO_GUARDIAN ? 105.0 : 150.0});
    for (const Reply& r : kIrReplies) out.push_back({&r, 140.0});
    return out;
}

// A voice lasts about as long as its subtitle takes to read.
double VoiceSeconds(const Reply& r) { return std::clamp(double(std::string(r.text).size()) * 0.045, 1.2, 4.0); }

bool Fail(std::string* error, const std::string& what) {
    if (error) *error = what;
    return false;
}

// ---- subject icons ----

void Put(SprImage& s, int x, int y, uint32_t rgb) {
    if (x >= 0 && y >= 0 && x < s.width && y < s.height) s.pixels[size_t(y) * size_t(s.width) + size_t(x)] = 0xFF000000u | rgb;
}

// The cell's frame: a gilded square ring, open inside.
SprImage CellFrame() {
    SprImage s = MenuArt_Sprite(62, 62, 0);
    for (int y = 0; y < 62; ++y)
        for (int x = 0; x < 62; ++x) {
            const int edge = std::min({x, y, 61 - x, 61 - y});
            if (edge < 4) Put(s, x, y, edge == 0 || edge == 3 ? 0x6A4A10 : 0xD0A040);
        }
    return s;
}

}  // namespace

// Icon n: a disc of its own colour with a sign: a speech bubble, a temple, a star, a bird, or rings.
SprImage DemoDialogue_SubjectIcon(int n) {
    static const uint32_t kDiscs[] = {0x2C4C70, 0x70442C, 0x2C6A48, 0x5A2C6A, 0x6A602C};
    SprImage s = MenuArt_Sprite(48, 48, 0);
    const uint32_t disc = kDiscs[n % 5], sign = 0xF0E8D0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            const int dx = x - 24, dy = y - 24, d2 = dx * dx + dy * dy;
            if (d2 > 23 * 23) continue;
            bool on = false;
            if (n == DEMO_SUBJECT_GREETING) {
                on = (dx * dx * 4 + dy * dy * 9 <= 15 * 15 * 4 && dy < 6) || (dy >= 5 && dy <= 12 && dx >= -8 && dx <= -8 + (12 - dy));
            } else if (n == DEMO_SUBJECT_TEMPLE) {
                on = (dy >= -14 && dy <= -6 && std::abs(dx) <= (dy + 14) * 2) || (dy > -6 && dy < 10 && (std::abs(dx) % 8) < 3 && std::abs(dx) < 14) ||
                     (dy >= 10 && dy <= 13 && std::abs(dx) <= 15);
            } else if (n == DEMO_SUBJECT_SKY) {
                const double a = std::atan2(dy, dx), r = std::sqrt(double(d2));
                on = r < 8.0 + 9.0 * std::pow(std::fabs(std::cos(2.5 * a)), 6.0);
            } else if (n >= 26 && n <= 30) {
                on = (dx * dx + 2 * (dy - 2) * (dy - 2) < 100) || (std::abs(dy + 4 - std::abs(dx) / 2) < 2 && std::abs(dx) < 18);
            } else {
                on = d2 < 14 * 14 && d2 > 9 * 9 + n % 7 * 3;
            }
            Put(s, x, y, n >= 26 && n <= 30 ? (on ? 0x101010 : disc) : (on ? sign : disc));
        }
    return s;
}

namespace {

std::vector<SprImage> SubjectBank() {
    std::vector<SprImage> bank = {CellFrame()};
    for (int n = 1; n <= 30; ++n) bank.push_back(DemoDialogue_SubjectIcon(n));
    return bank;
}

bool WriteVideo(const std::string& path, uint32_t robe) {
    std::vector<std::vector<uint32_t>> pictures(DEMO_STAND_FRAMES);
    std::vector<std::vector<uint8_t>> alpha(DEMO_STAND_FRAMES);
    for (int f = 0; f < DEMO_STAND_FRAMES; ++f) DemoDialogue_StandPicture(f, robe, pictures[size_t(f)], alpha[size_t(f)]);
    const std::vector<uint8_t> video = QmvWriter_Video(pictures, 75, alpha);
    return WriteFileBytes(path, video.data(), video.size());
}

}  // namespace

namespace {
// The hero of a world (H1 in IR, Heros elsewhere) and its subject bank.
struct WorldOf {
    const char* code;
    const char* hero;
    const char* mesh;
    const char* bank;
};
constexpr WorldOf kWorlds[] = {{"IR", "H1", "h1", "sujeire.spr"},
                               {"YU", "Heros", "he", "sujyuc.spr"},
                               {"CH", "Heros", "he", "sujchine.spr"},
                               {"SH", "Heros", "he", "sujshamb.spr"},
                               {"TI", "Heros", "he", "sujtibet.spr"}};

const WorldOf* FindWorld(const std::string& code) {
    for (const WorldOf& w : kWorlds)
        if (code == w.code) return &w;
    return nullptr;
}

const DlgCharacterDesc* HeroOf(const std::vector<DlgCharacterDesc>& characters, const std::string& mesh) {
    for (const DlgCharacterDesc& c : characters)
        if (c.mesh == mesh) return &c;
    return nullptr;
}
}  // namespace

bool DemoDialogue_WriteWorld(const std::string& dir, const std::string& worldCode) {
    const std::string root = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    const WorldOf* w = FindWorld(worldCode);
    if (!w) return false;
    DlgScriptDesc d;
    d.persos = {Perso(w->hero, w->mesh)};
    const std::vector<DlgCharacterDesc> characters = DemoDialogue_Characters();
    std::string why;
    return DlgScript_Save(root, w->code, d) && DlgCharacter_Save(root + "datas_q2/3d/dial/", *HeroOf(characters, w->mesh)) &&
           SprWriter_Save(root + "spr/" + w->bank, SubjectBank(), SprWriterOptions{}, &why);
}

DlgScriptDesc DemoDialogue_Scripts(const std::string& worldCode) {
    DlgScriptDesc d;
    const bool yu = worldCode == "YU";
    if (yu) {
        DlgPersoDesc guardian = Perso(DEMO_GUARDIAN, "ga");
        guardian.idTexts = {DEMO_GUARDIAN_ID};
        guardian.focals[0] = {58.0f};
        d.persos = {Perso("Heros", "he"), guardian};
    } else {
        d.persos = {Perso("H1", "h1")};
    }
    for (const Voiced& v : AllReplies()) {
        const Reply& r = *v.reply;
        const bool ofYu = r.dialogue != kIrDialogue;
        if (ofYu != yu) continue;
        d.lines.push_back(DlgScript_Reply(r.dialogue, r.reply, r.perso, r.staging, OrvFont_FromUtf8(r.text)));
    }
    return d;
}

std::vector<DlgCharacterDesc> DemoDialogue_Characters() {
    DlgCharacterDesc h1, heros, guardian;
    h1.mesh = "h1";
    h1.face = "hun";
    h1.maps = {"h1tete.tga"};
    heros.mesh = "he";
    heros.face = "her";
    heros.maps = {"hetete.tga"};
    heros.skin = 0xD8A880;
    heros.hair = 0x2A1A10;
    guardian.mesh = "ga";
    guardian.face = "gar";
    guardian.maps = {"gatete.tga"};
    guardian.skin = 0xB08060;
    guardian.hair = 0xB0B0A8;
    for (DlgCharacterDesc* c : {&h1, &heros, &guardian}) {
        c->cameras = 1;
        c->grid = 16;
        c->cameraDistance = 9.0f;
    }
    // A world's hero is resident with every stand he has: the heroes have all eight.
    h1.stands = heros.stands = 8;
    return {h1, heros, guardian};
}

std::vector<int16_t> DemoDialogue_Voice(uint32_t seed, double seconds, double pitch) {
    const size_t n = size_t(seconds * kRate);
    std::vector<int16_t> pcm(n, 0);
    uint32_t state = seed * 2654435761u + 1;
    auto random = [&state] {
        state = state * 1664525u + 1013904223u;
        return double(state >> 8) / double(1u << 24);
    };
    double t = 0.12, phase = 0.0;
    while (t < seconds - 0.25) {
        const double length = 0.11 + 0.16 * random(), gap = 0.03 + 0.08 * random();
        // A vowel of its own: its two formants.
        const double f1 = 300.0 + 500.0 * random(), f2 = 900.0 + 1300.0 * random();
        const bool burst = random() < 0.6;
        const size_t start = size_t(t * kRate), count = size_t(length * kRate);
        for (size_t i = 0; i < count && start + i < n; ++i) {
            const double u = double(i) / double(count), time = t + double(i) / kRate;
            const double f0 = pitch * (1.0 + 0.08 * std::sin(6.0 * time) - 0.1 * time / seconds);
            phase += 2.0 * M_PI * f0 / kRate;
            double s = 0.0;
            for (int k = 1; k <= 14; ++k) {
                const double f = f0 * k;
                const double gain = 1.0 / (1.0 + std::pow((f - f1) / 140.0, 2.0)) + 0.6 / (1.0 + std::pow((f - f2) / 220.0, 2.0));
                s += gain * std::sin(k * phase);
            }
            double env = std::sin(M_PI * u);
            env = std::sqrt(env);
            // A consonant before the vowel: noise, whose crossings are close together.
            const double noise = burst && u < 0.12 ? (random() * 2.0 - 1.0) * (1.0 - u / 0.12) * 0.9 : 0.0;
            pcm[start + i] = int16_t(std::clamp(Orv_RoundSat(9000.0 * (env * s * 0.55 + noise)), -32767, 32767));
        }
        t += length + gap;
        if (random() < 0.18) t += 0.2;  // a pause between words
    }
    return pcm;
}

void DemoDialogue_StandPicture(int frame, uint32_t robe, std::vector<uint32_t>& picture, std::vector<uint8_t>& alpha) {
    picture.assign(size_t(W) * H, 0xFF000000u);
    alpha.assign(size_t(W) * H, 0);
    // Breathing: the shoulders rise and fall by two pixels.
    const double breath = 2.0 * std::sin(2.0 * M_PI * frame / DEMO_STAND_FRAMES);
    const uint32_t r = robe >> 16 & 255, g = robe >> 8 & 255, b = robe & 255;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double dx = x - 320.0, hy = y - 232.0, sy = y - 322.0 + breath;
            // Distance inside the hood (an ellipse round the face) and the shoulders (a wide arch).
            const double hood = 1.0 - std::sqrt(dx * dx / (122.0 * 122.0) + hy * hy / (138.0 * 138.0));
            const double shoulders = sy > 0 ? 1.0 - std::fabs(dx) / (120.0 + 1.4 * sy) : -1.0;
            const double inside = std::max(hood * 122.0, shoulders * 120.0);
            if (inside <= 0.0) continue;
            const size_t at = size_t(y) * W + size_t(x);
            alpha[at] = uint8_t(std::min(31.0, inside * 8.0));
            // Folds of the cloth, lighter towards the middle.
            const double fold = 0.75 + 0.15 * std::sin(dx / 9.0 + y / 40.0) + 0.1 * (1.0 - std::fabs(dx) / 320.0);
            const auto shade = [fold](uint32_t c) { return uint32_t(std::min(255.0, c * fold)); };
            picture[at] = 0xFF000000u | shade(r) << 16 | shade(g) << 8 | shade(b);
        }
}

bool DemoDialogue_Write(const std::string& dir, std::string* error) {
    std::string root = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    for (const char* world : {"IR", "YU"})
        if (!DlgScript_Save(root, world, DemoDialogue_Scripts(world)))
            return Fail(error, std::string("scripts of ") + world);
    for (const DlgCharacterDesc& c : DemoDialogue_Characters())
        if (!DlgCharacter_Save(root + "datas_q2/3d/dial/", c)) return Fail(error, "character " + c.mesh);
    uint32_t seed = 1;
    for (const Voiced& v : AllReplies()) {
        const std::string path = root + "datas_q2/ksn/dial/" + DlgScript_Code(v.reply->dialogue, v.reply->reply) + ".ksn";
        if (!KsnWriter_Save(path, DemoDialogue_Voice(seed++, VoiceSeconds(*v.reply), v.pitch), 1, kRate))
            return Fail(error, path);
    }
    std::error_code ec;
    std::filesystem::create_directories(root + "datas_q2/qmv/dial", ec);
    for (auto [name, robe] : {std::pair{"gas1c1.qmv", 0x6A2420u}, std::pair{"hes1c1.qmv", 0x2A3A5Au},
                              std::pair{"h1s1c1.qmv", 0x3A4A2Au}})
        if (!WriteVideo(root + "datas_q2/qmv/dial/" + name, robe)) return Fail(error, std::string("video ") + name);
    std::string why;
    for (const char* world : {"IR", "YU"})
        if (!SprWriter_Save(root + "spr/" + FindWorld(world)->bank, SubjectBank(), SprWriterOptions{}, &why))
            return Fail(error, std::string(world) + " subject bank: " + why);
    return true;
}
