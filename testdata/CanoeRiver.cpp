// The canoe puzzle's river as the tests and the demo install it: "traj_pirog.txt", and the channels each
// board piece carries for its ground pictures.
#include "testdata/CanoeRiver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "puzzles/pz_pirogue_scene.h"
#include "testdata/TempDir.h"

namespace {
constexpr float H = CANOE_HALF_CELL;
// The river's points lie about this far apart.
constexpr float kSpacing = 9.0f;
constexpr int kFine = 256;

// A stretch end: a place of the piece and the direction the channel leaves it in.
struct End {
    float u, v, du, dv;
};
End East(float t) { return {H, t, -1, 0}; }
End West(float t) { return {-H, t, 1, 0}; }
End North(float t) { return {t, H, 0, -1}; }
End South(float t) { return {t, -H, 0, 1}; }

struct Stretch {
    int piece;
    End from, to;   // in the canoe's direction
    float reach;    // length of the curve's handles
    const char* kinds;  // letters of the points between the ends, in turn
    const char* stone;  // name of the middle point, or null
    bool reversed;      // the file lists it from its far end
};

// The canoe's way on the solved board: 8 7 6 3 (and back) 6 7 4 5 2 1 0 3 4 5 8.
const Stretch kRiver[] = {
    {8, {12, -H + 3, 0, 1}, West(-20), 18, "A", nullptr, false},
    {7, East(-20), West(-20), 30, "A", "W8A019", false},
    {6, East(-20), North(-20), 40, "D", nullptr, true},
    {3, South(-20), South(20), 38, "A", "W4A040", false},
    {6, North(20), East(20), 16, "A", "W7A062", false},
    {7, West(20), North(-20), 16, "C", nullptr, true},
    {4, South(-20), East(-20), 35, "B", nullptr, false},
    {5, West(-20), North(0), 30, "A", "W6A123", false},
    {2, South(0), West(0), 25, "A", "W3A131", false},
    {1, East(0), West(0), 30, "A", "W2A157", true},
    {0, East(0), South(0), 25, "A", "W1A175", false},
    {3, North(0), East(0), 25, "A", nullptr, true},
    {4, West(0), East(20), 30, "A", nullptr, true},
    {5, West(20), South(0), 30, "GH", nullptr, false},
    {8, North(0), {H - 6, -10, -1, 0}, 25, "A", nullptr, false},
};
constexpr int kStretches = int(sizeof kRiver / sizeof kRiver[0]);

CTVector3 Bezier(const Stretch& s, float t) {
    const CTVector3 p0{s.from.u, s.from.v, 0}, p3{s.to.u, s.to.v, 0};
    const CTVector3 p1{p0.x + s.from.du * s.reach, p0.y + s.from.dv * s.reach, 0};
    const CTVector3 p2{p3.x + s.to.du * s.reach, p3.y + s.to.dv * s.reach, 0};
    const float a = 1 - t;
    const float w0 = a * a * a, w1 = 3 * a * a * t, w2 = 3 * a * t * t, w3 = t * t * t;
    return {w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x, w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y, 0};
}

std::vector<CTVector3> Fine(const Stretch& s) {
    std::vector<CTVector3> out;
    for (int i = 0; i <= kFine; i++) out.push_back(Bezier(s, float(i) / kFine));
    return out;
}

float Dist(const CTVector3& a, const CTVector3& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Points at even steps along the curve, both ends included.
std::vector<CTVector3> Sampled(const Stretch& s) {
    const std::vector<CTVector3> fine = Fine(s);
    std::vector<float> at(1, 0.0f);
    for (size_t i = 1; i < fine.size(); i++) at.push_back(at.back() + Dist(fine[i - 1], fine[i]));
    const int n = std::max(3, int(std::lround(at.back() / kSpacing)) + 1);
    std::vector<CTVector3> out;
    size_t j = 0;
    for (int k = 0; k < n; k++) {
        const float want = at.back() * float(k) / float(n - 1);
        while (j + 1 < fine.size() && at[j + 1] < want) j++;
        const float span = j + 1 < fine.size() ? at[j + 1] - at[j] : 1.0f;
        const float t = span > 0 ? std::clamp((want - at[j]) / span, 0.0f, 1.0f) : 0.0f;
        const CTVector3& a = fine[j];
        const CTVector3& b = fine[std::min(j + 1, fine.size() - 1)];
        out.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, 0});
    }
    return out;
}

// The stretches' points in the canoe's direction, named, in the scene.
std::vector<std::vector<CanoePoint>> Stretches(const CanoeRiverOptions& options) {
    std::vector<std::vector<CanoePoint>> all;
    int number = 300;
    for (int i = 0; i < kStretches; i++) {
        const Stretch& s = kRiver[i];
        const std::vector<CTVector3> local = Sampled(s);
        const CTVector3 c = pirogue_centre_case(s.piece);
        const int n = int(local.size());
        const char entry = i % 2 ? 'S' : 'E', exit = i % 2 ? 'E' : 'S';
        std::vector<CanoePoint> pts;
        for (int k = 0; k < n; k++) {
            const char letter = k == 0 ? entry : k == n - 1 ? exit : s.kinds[(k - 1) % std::strlen(s.kinds)];
            char name[16];
            std::snprintf(name, sizeof name, "W%c%c%03d", char('1' + s.piece), letter, number++ % 1000);
            pts.push_back({name, {c.x + local[size_t(k)].x, c.y + local[size_t(k)].y, c.z}});
        }
        if (s.stone) pts[size_t(n / 2)].name = s.stone;
        if (i == 0) pts[0].name = "X9E1";
        if (i == kStretches - 1) {
            const size_t end = size_t(n) - (options.endAtLast ? 2 : 3);
            pts[end].name = "W9A279";
            if (options.endAtLast) pts.back().pos = pts[end].pos;
        }
        all.push_back(pts);
    }
    return all;
}

std::string Number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", double(v));
    return text;
}
}  // namespace

std::vector<CanoePoint> CanoeRiver_Path(const CanoeRiverOptions& options) {
    std::vector<CanoePoint> out;
    for (const auto& s : Stretches(options)) out.insert(out.end(), s.begin(), s.end());
    return out;
}

std::vector<CanoePoint> CanoeRiver_Points(const CanoeRiverOptions& options) {
    const auto stretches = Stretches(options);
    std::vector<int> order(kStretches);
    for (int i = 0; i < kStretches; i++) order[size_t(i)] = i;
    // The start first, then piece by piece, the river's end last.
    std::stable_sort(order.begin() + 1, order.end() - 1, [](int a, int b) { return kRiver[a].piece < kRiver[b].piece; });
    std::vector<CanoePoint> out;
    for (int i : order) {
        std::vector<CanoePoint> s = stretches[size_t(i)];
        if (kRiver[i].reversed) std::reverse(s.begin(), s.end());
        out.insert(out.end(), s.begin(), s.end());
    }
    return out;
}

std::string CanoeRiver_Text(const std::vector<CanoePoint>& points) {
    std::string text = "// Trajectoire de la pirogue\n";
    for (const CanoePoint& p : points)
        text += "$Mesh:" + p.name + " {Point} [" + Number(p.pos.x) + "," + Number(p.pos.y) + "," + Number(p.pos.z) + "]\n";
    return text;
}

bool CanoeRiver_Save(const std::string& path, const std::vector<CanoePoint>& points) {
    return WriteFileText(path, CanoeRiver_Text(points));
}

std::vector<std::vector<CTVector3>> CanoeRiver_Channels(int piece) {
    std::vector<std::vector<CTVector3>> out;
    for (const Stretch& s : kRiver)
        if (s.piece == piece) out.push_back(Fine(s));
    return out;
}
