// The portable triangle, edge set-up, scan and wireframe routines of rows 0 to 99.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "graphics2d/Draw.h"
#include "raster/portable/PortableSpans.h"
#include "raster/portable/RastConvert.h"

namespace {

constexpr uint32_t kModeZBuffer = 0x4;
constexpr uint32_t kModeTexture8 = 0x8000;

// The three edges of the triangle being drawn: long (top-bottom), upper short, lower short.
RastEdge g_edges[3];
// Their end points in double precision. The walk evaluates x at each row's centre directly from
// them and publishes float(x): coverage follows the fill rule without the drift of an accumulator,
// and an edge shared by two triangles gives both the very same columns. The product comes before
// the one division, so a centre that lies exactly on the edge gives exactly its column.
struct EdgeX {
    double ux, uy;  // upper end
    double dx, dy;  // lower end minus upper end, dy > 0
    double At(int32_t row) const { return ux + ((double(row) + 1.0 - uy) * dx) / dy; }
};
EdgeX g_edgeX[3];

bool IsPerspective(uint32_t mode) { return (mode & kRastModePerspective) == kRastModePerspective; }

// The viewport as the routines use it: never left of column 0 or above row 0.
int32_t ClipTop(const SpanState& st) { return std::max(st.rastClipTop, 0); }
int32_t ClipLeft(const SpanState& st) { return std::max(RastTruncSat(st.rastClipLeftF), 0); }

// Number of filled vertices, 0 when the end pointer is outside the list.
int VertexCount(const SpanState& st)
{
    const auto begin = reinterpret_cast<uintptr_t>(st.rastVertices);
    const auto end = reinterpret_cast<uintptr_t>(st.rastVertexEnd);
    if (end < begin) return 0;
    const uintptr_t n = (end - begin) / sizeof(RastVertex);
    return static_cast<int>(std::min<uintptr_t>(n, kRastMaxVertices));
}

// Pixel-centre offset, texture scale, perspective premultiply or depth scale, intensity scale.
// Returns false when a value the mode uses is not finite.
bool PrepareVertex(RastVertex& v, const SpanState& st)
{
    const uint32_t mode = st.rastMode;
    v.x += 0.5f;
    v.y += 0.5f;
    v.u *= st.rastTexScaleU;
    v.v *= st.rastTexScaleV;
    if (IsPerspective(mode)) {
        v.u *= v.z;
        v.v *= v.z;
    } else {
        v.z *= 2147483648.0f;
    }
    if (mode & kRastModeGouraudmono) {
        if (v.shade2 > 1.0f) v.shade2 = 1.0f;
        v.shade0 *= 32767.0f;
        v.shade1 *= 32767.0f;
        v.shade2 *= 32767.0f;
        v.shade3 *= 32767.0f;
    }
    bool ok = std::isfinite(v.x) && std::isfinite(v.y);
    if (mode & kRastModeInterpZ) ok = ok && std::isfinite(v.z);
    if (mode & kRastModeTextured) ok = ok && std::isfinite(v.u) && std::isfinite(v.v);
    if (mode & kRastModeGouraudmono) ok = ok && std::isfinite(v.shade2);
    // 1/w must stay positive for the perspective divisions.
    if (IsPerspective(mode)) ok = ok && v.z > 0.0f;
    return ok;
}

bool HasRows(const RastEdge& e) { return e.dxdy != kRastNoRows; }

// Edge i of g_edges with its exact companion.
bool BuildEdge(int i, const RastVertex& a, const RastVertex& b, bool xOnly)
{
    RastEdge& e = g_edges[i];
    Rast_EdgeHelperC(a, b, e, xOnly);
    if (!HasRows(e)) return false;
    const RastVertex& upper = b.y < a.y ? b : a;
    const RastVertex& lower = b.y < a.y ? a : b;
    g_edgeX[i] = {upper.x, upper.y, double(lower.x) - double(upper.x), double(lower.y) - double(upper.y)};
    e.x = static_cast<float>(g_edgeX[i].At(e.yFirst));
    return true;
}

EdgeX* ExactOf(RastEdge* e)
{
    for (int i = 0; i < 3; ++i)
        if (e == &g_edges[i]) return &g_edgeX[i];
    return nullptr;
}

// Sorts A, B, C by y into top, middle, bottom, then draws the triangle's edges through rastSetupFn.
void DrawSortedTriangle(const RastVertex* A, const RastVertex* B, const RastVertex* C)
{
    SpanState& st = rastState;
    const RastVertex *top, *mid, *bot;
    if (A->y > B->y) {
        if (B->y > C->y) {
            top = C, mid = B, bot = A;
        } else if (C->y <= A->y) {
            top = B, mid = C, bot = A;
        } else {
            top = B, mid = A, bot = C;
        }
    } else {
        if (B->y < C->y) {
            top = A, mid = B, bot = C;
        } else if (C->y < A->y) {
            top = C, mid = A, bot = B;
        } else {
            top = A, mid = C, bot = B;
        }
    }
    // Of two vertices on the top row the left one is the top; of two on the bottom row the right
    // one is the middle.
    if (mid->y == top->y && mid->x < top->x) std::swap(top, mid);
    if (bot->y == mid->y && mid->x < bot->x) std::swap(mid, bot);

    RastEdge* const longEdge = &g_edges[0];
    RastEdge* const upperEdge = &g_edges[1];
    RastEdge* const lowerEdge = &g_edges[2];
    if (!BuildEdge(0, *top, *bot, false)) return;

    if (!BuildEdge(1, *top, *mid, false)) {
        // Flat top, or the upper part lies above the viewport: one pair of edges.
        if (!BuildEdge(2, *mid, *bot, false)) return;
        const int32_t row = longEdge->yFirst;
        const bool longLeft = g_edgeX[0].At(row) < g_edgeX[2].At(row);
        st.rastLeftEdge = longLeft ? longEdge : lowerEdge;
        st.rastRightEdge = longLeft ? lowerEdge : longEdge;
        st.rastNextLeftEdge = nullptr;
        st.rastNextRightEdge = nullptr;
    } else {
        // Compare the slopes dx/dy without dividing.
        const bool longLeft = g_edgeX[0].dx * g_edgeX[1].dy < g_edgeX[1].dx * g_edgeX[0].dy;
        st.rastLeftEdge = longLeft ? longEdge : upperEdge;
        st.rastRightEdge = longLeft ? upperEdge : longEdge;
        // A middle vertex right of both others makes the lower short edge a right edge.
        const bool xOnly = mid->x > top->x && mid->x > bot->x;
        if (!BuildEdge(2, *mid, *bot, xOnly)) {
            st.rastNextLeftEdge = nullptr;
            st.rastNextRightEdge = nullptr;
        } else if (st.rastLeftEdge->yEnd > st.rastRightEdge->yEnd) {
            st.rastNextLeftEdge = st.rastLeftEdge;
            st.rastNextRightEdge = lowerEdge;
        } else {
            st.rastNextLeftEdge = lowerEdge;
            st.rastNextRightEdge = st.rastRightEdge;
        }
    }
    if (st.rastSetupFn) st.rastSetupFn();
}

// Twice the signed area; zero for degenerate triangles.
double Cross(const RastVertex& a, const RastVertex& b, const RastVertex& c)
{
    return (double(b.x) - a.x) * (double(c.y) - a.y) - (double(b.y) - a.y) * (double(c.x) - a.x);
}

// Step of an x gradient: (right step - left step) / (right dxdy - left dxdy); 0 when undefined.
float Gradient(float right, float left, float inv)
{
    const float g = (right - left) * inv;
    return std::isfinite(g) ? g : 0.0f;
}

}  // namespace

void Rast_EdgeHelperC(const RastVertex& a, const RastVertex& b, RastEdge& edge, bool xOnly)
{
    const SpanState& st = rastState;
    edge.dxdy = kRastNoRows;
    if (RastTruncSat(a.y) == RastTruncSat(b.y)) return;
    const RastVertex& upper = b.y < a.y ? b : a;
    const RastVertex& lower = b.y < a.y ? a : b;
    int32_t first = RastTruncSat(upper.y);
    // The viewport is clipped exactly at the bottom as at the top.
    if (first >= st.rastClipBottomEnd) return;
    int32_t end = RastTruncSat(lower.y);
    const int32_t top = ClipTop(st);
    if (end <= top) return;
    const float inv = 1.0f / (lower.y - upper.y);
    end = std::min(end, st.rastClipBottomEnd);
    first = std::max(first, top);
    if (first >= end) return;
    const float dxdy = (lower.x - upper.x) * inv;
    const float pre = static_cast<float>(first + 1) - upper.y;
    edge.yFirst = first;
    edge.yEnd = end;
    edge.dxdy = dxdy;
    edge.x = dxdy * pre + upper.x;
    if (xOnly) {
        // Never read; zeroed so nothing stale survives from an earlier triangle.
        edge.z = edge.dzdy = edge.u = edge.v = edge.dudy = edge.dvdy = edge.shade = edge.dshadedy = 0.0f;
        return;
    }
    const uint32_t mode = st.rastMode;
    if (mode & kRastModeInterpZ) {
        edge.dzdy = (lower.z - upper.z) * inv;
        edge.z = edge.dzdy * pre + upper.z;
    }
    if (mode & kRastModeTextured) {
        edge.dudy = (lower.u - upper.u) * inv;
        edge.u = edge.dudy * pre + upper.u;
        edge.dvdy = (lower.v - upper.v) * inv;
        edge.v = edge.dvdy * pre + upper.v;
    }
    if (mode & kRastModeGouraudmono) {
        edge.dshadedy = (lower.shade2 - upper.shade2) * inv;
        edge.shade = edge.dshadedy * pre + upper.shade2;
    }
}

void Rast_TriangleC()
{
    SpanState& st = rastState;
    const int n = VertexCount(st);
    if (n < 3) return;
    const uint32_t mode = st.rastMode;
    // Nothing to draw into, or a resource the spans read is missing.
    if (!st.rastDestBits || !st.rastSpanFn) return;
    if ((mode & kModeZBuffer) && !st.rastZBits) return;
    if ((mode & kRastModeTextured) && !st.rastTexBits) return;
    if ((mode & kModeTexture8) && !st.rastPalette) return;
    if (ClipTop(st) >= st.rastClipBottomEnd || ClipLeft(st) >= st.rastClipRightEnd) return;

    RastVertex* const v = st.rastVertices;
    bool ok[kRastMaxVertices];
    ok[0] = PrepareVertex(v[0], st);
    ok[1] = PrepareVertex(v[1], st);
    for (int i = 2; i < n; ++i) {
        ok[i] = PrepareVertex(v[i], st);
        if (!(ok[0] && ok[i - 1] && ok[i])) continue;
        const double area = Cross(v[0], v[i - 1], v[i]);
        if (area == 0.0 || !std::isfinite(area)) continue;
        DrawSortedTriangle(&v[0], &v[i - 1], &v[i]);
    }
    st.rastLeftEdge = st.rastRightEdge = st.rastNextLeftEdge = st.rastNextRightEdge = nullptr;
}

void Rast_SetupScanC()
{
    SpanState& st = rastState;
    RastEdge* left = st.rastLeftEdge;
    RastEdge* right = st.rastRightEdge;
    if (!left || !right || !st.rastSpanFn) return;
    const uint32_t mode = st.rastMode;
    const bool persp = IsPerspective(mode);

    // Gradients once per triangle, from the first pair of edges.
    const float inv = 1.0f / (right->dxdy - left->dxdy);
    if (mode & kRastModeInterpZ) {
        st.rastDzDx = Gradient(right->dzdy, left->dzdy, inv);
        st.rastDzDx32 = st.rastDzDx * 32.0f;
        st.rastDzDxFixed = static_cast<int32_t>(
            persp ? RastTruncWrap(double(st.rastDzDx) * 2147483648.0) : RastTruncWrap(st.rastDzDx));
    }
    if (mode & kRastModeTextured) {
        st.rastDuDx = Gradient(right->dudy, left->dudy, inv);
        st.rastDvDx = Gradient(right->dvdy, left->dvdy, inv);
        if (persp) {
            st.rastDuDx32 = st.rastDuDx * 32.0f;
            st.rastDvDx32 = st.rastDvDx * 32.0f;
        } else {
            st.rastDuDxFixed = static_cast<int32_t>(RastTruncWrap(st.rastDuDx) << 6);
            st.rastDvDxFixed = static_cast<int32_t>(RastTruncWrap(st.rastDvDx) << 6);
        }
    }
    if (mode & kRastModeGouraudmono) {
        st.rastDsDx = Gradient(right->dshadedy, left->dshadedy, inv);
        st.rastDsDxFixed = static_cast<int32_t>(RastTruncWrap(st.rastDsDx));
    }

    const int32_t clipLeft = ClipLeft(st);
    const int32_t clipRightEnd = st.rastClipRightEnd;
    const bool zRows = (mode & (kRastModeInterpZ | kModeZBuffer)) != 0 && st.rastZBits;
    int32_t y = left->yFirst;
    st.rastSpanEdge = left;
    st.rastDestRow = st.rastDestBits + ptrdiff_t(st.rastDestPitch) * y;
    st.rastZRow = zRows ? st.rastZBits + ptrdiff_t(st.rastZPitch) * y : nullptr;

    EdgeX* lx = ExactOf(left);
    EdgeX* rx = ExactOf(right);
    auto rowsUntil = [&](int32_t end) {
        for (; y < end; ++y) {
            const double xl = lx ? lx->At(y) : left->x;
            const double xr = rx ? rx->At(y) : right->x;
            left->x = static_cast<float>(xl);
            right->x = static_cast<float>(xr);
            const int32_t x0 = std::max(clipLeft, RastTruncSat(xl));
            const int32_t x1 = std::min(RastTruncSat(xr), clipRightEnd);
            if (x0 < x1) {
                st.rastSpanX0 = x0;
                st.rastSpanX1 = x1;
                st.rastSpanFn();
            }
            st.rastDestRow += st.rastDestPitch;
            right->x += right->dxdy;
            left->x += left->dxdy;
            if (zRows) st.rastZRow += st.rastZPitch;
            if (mode & kRastModeInterpZ) left->z += left->dzdy;
            if (mode & kRastModeTextured) {
                left->u += left->dudy;
                left->v += left->dvdy;
            }
            if (mode & kRastModeGouraudmono) left->shade += left->dshadedy;
        }
    };
    rowsUntil(std::min(left->yEnd, right->yEnd));
    if (st.rastNextLeftEdge && st.rastNextRightEdge) {
        left = st.rastNextLeftEdge;
        right = st.rastNextRightEdge;
        lx = ExactOf(left);
        rx = ExactOf(right);
        st.rastSpanEdge = left;
        rowsUntil(left->yEnd);
    }
}

void Rast_Wireframe()
{
    const SpanState& st = rastState;
    if (!st.rastTarget) return;
    const int n = VertexCount(st);
    const ClipRect clip{st.rastClipTop, RastTruncSat(double(st.rastClipBottomEnd) - 1.0),
                        RastTruncSat(double(st.rastClipRightEnd) - 1.0), RastTruncSat(st.rastClipLeftF)};
    auto point = [](const RastVertex& v) { return DrawPoint{RastTruncSat(v.x), RastTruncSat(v.y)}; };
    auto finite = [](const RastVertex& v) { return std::isfinite(v.x) && std::isfinite(v.y); };
    const RastVertex* v = st.rastVertices;
    for (int i = 2; i < n; ++i) {
        if (!finite(v[0]) || !finite(v[i - 1]) || !finite(v[i])) continue;
        const DrawPoint p0 = point(v[0]), p1 = point(v[i - 1]), p2 = point(v[i]);
        DrawLineClipped(*st.rastTarget, p0, p1, clip, 0xFFFFFFFFu);
        DrawLineClipped(*st.rastTarget, p1, p2, clip, 0xFFFFFFFFu);
        DrawLineClipped(*st.rastTarget, p2, p0, clip, 0xFFFFFFFFu);
    }
}
