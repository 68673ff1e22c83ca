// Click zones in 3D: which zone of a view lies under a screen point.
#include "panorama/Z3d.h"

#include <cmath>
#include <vector>

#include "panorama/Orv_Warp.h"
#include "panorama/WarpCube.h"
#include "world/wam.h"

namespace {

// Points this close to the plane through the eye square to the view direction are cut away, so that
// the outline can be projected onto the plane one unit ahead.
constexpr double kMinAhead = 1e-3;

struct D3 {
    double x, y, z;
};
double Dot(const D3& a, const D3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3 Unit(const D3& a, bool& ok) {
    const double n = std::sqrt(Dot(a, a));
    ok = n > 0.0 && std::isfinite(n);
    return ok ? D3{a.x / n, a.y / n, a.z / n} : D3{0, 0, 0};
}

}  // namespace

bool z3d_zone_contains(const ST_wam_zclic* zone, const CTVector3& dirIn) {
    if (!zone || zone->nb_points < 3) return false;
    bool ok;
    const D3 d = Unit(D3{dirIn.x, dirIn.y, dirIn.z}, ok);
    if (!ok) return false;
    std::vector<D3> poly;
    for (const ST_wam_point* p = zone->points; p; p = p->next) {
        const D3 u = Unit(D3{p->x, p->y, p->z}, ok);
        if (!ok) return false;
        poly.push_back(u);
    }
    // The outline's part ahead of the eye; its edges are arcs of great circles, which stay straight
    // lines once projected from the eye onto the plane ahead.
    std::vector<D3> ahead;
    for (size_t i = 0; i < poly.size(); i++) {
        const D3& a = poly[i];
        const D3& b = poly[(i + 1) % poly.size()];
        const double da = Dot(a, d) - kMinAhead, db = Dot(b, d) - kMinAhead;
        if (da >= 0) ahead.push_back(a);
        if ((da >= 0) != (db >= 0)) {
            const double t = da / (da - db);
            ahead.push_back(D3{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t});
        }
    }
    if (ahead.size() < 3) return false;
    // Two axes across the view direction.
    const D3 helper = std::fabs(d.y) < 0.9 ? D3{0, 1, 0} : D3{1, 0, 0};
    D3 e1 = Unit(D3{helper.y * d.z - helper.z * d.y, helper.z * d.x - helper.x * d.z, helper.x * d.y - helper.y * d.x}, ok);
    const D3 e2{d.y * e1.z - d.z * e1.y, d.z * e1.x - d.x * e1.z, d.x * e1.y - d.y * e1.x};
    // Even-odd rule for the view direction, the origin of the projected plane.
    bool inside = false;
    for (size_t i = 0, j = ahead.size() - 1; i < ahead.size(); j = i++) {
        const double si = Dot(ahead[i], d), sj = Dot(ahead[j], d);
        const double xi = Dot(ahead[i], e1) / si, yi = Dot(ahead[i], e2) / si;
        const double xj = Dot(ahead[j], e1) / sj, yj = Dot(ahead[j], e2) / sj;
        if ((yi > 0) != (yj > 0) && 0 < xj + (0 - yj) * (xi - xj) / (yi - yj)) inside = !inside;
    }
    return inside;
}

ST_wam_zclic* z3d_find_zone_at_camera(ST_wam_zclic* zones, const CTCamera& camera, float x, float y) {
    const CTVector3 world = WarpCube_ToWorld(WarpCube_ScreenDirection(camera, x, y));
    for (ST_wam_zclic* z = zones; z; z = z->next)
        if (z3d_zone_contains(z, world)) return z;
    return nullptr;
}

ST_wam_zclic* z3d_find_zone_at(ST_wam_zclic* zones, int32_t x, int32_t y) {
    return z3d_find_zone_at_camera(zones, OrvWarp_GetCamera(), float(x), float(y));
}
