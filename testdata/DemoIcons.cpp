// The demo's object icons, drawn shape by shape: each object its own outline and its own colours.
#include "testdata/DemoIcons.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "testdata/DemoPanorama.h"

namespace {
constexpr int kSide = 24;
constexpr uint32_t kClear = 0;

struct Icon {
    SprImage img;
    Icon() {
        img.width = img.height = kSide;
        img.x = img.y = kSide / 2;
        img.pixels.assign(kSide * kSide, kClear);
    }
    // Every pixel whose centre `inside` takes gets the colour.
    template <class Fn>
    Icon& Fill(uint32_t colour, Fn&& inside) {
        for (int y = 0; y < kSide; y++)
            for (int x = 0; x < kSide; x++)
                if (inside(x + 0.5, y + 0.5)) img.pixels[size_t(y) * kSide + size_t(x)] = colour;
        return *this;
    }
    Icon& Disc(double cx, double cy, double r, uint32_t colour) {
        return Fill(colour, [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; });
    }
    Icon& Box(double left, double top, double right, double bottom, uint32_t colour) {
        return Fill(colour, [=](double x, double y) { return x >= left && x <= right && y >= top && y <= bottom; });
    }
    // A stroke of that width from (x0, y0) to (x1, y1), round at its ends.
    Icon& Line(double x0, double y0, double x1, double y1, double width, uint32_t colour) {
        return Fill(colour, [=](double x, double y) {
            const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
            const double t = len2 > 0 ? std::clamp(((x - x0) * dx + (y - y0) * dy) / len2, 0.0, 1.0) : 0.0;
            const double ex = x - (x0 + t * dx), ey = y - (y0 + t * dy);
            return ex * ex + ey * ey <= width * width / 4;
        });
    }
    Icon& Polygon(const std::vector<std::pair<double, double>>& pts, uint32_t colour) {
        return Fill(colour, [&](double x, double y) { return DemoPanorama_InPolygon(pts, x, y); });
    }
    // An ellipse along the segment from (x0, y0) to (x1, y1), `half` wide on each side at its middle.
    Icon& Leaf(double x0, double y0, double x1, double y1, double half, uint32_t colour) {
        return Fill(colour, [=](double x, double y) {
            const double dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
            const double s = ((x - x0) * dx + (y - y0) * dy) / len - len / 2, t = ((x - x0) * dy - (y - y0) * dx) / len;
            return (s * s) / (len * len / 4) + (t * t) / (half * half) <= 1.0;
        });
    }
};

SprImage Key() {
    const uint32_t bronze = 0xFFC88A30u, dark = 0xFF7A4E18u;
    return Icon()
        .Disc(12, 17.5, 5.5, dark)
        .Disc(12, 17.5, 4.3, bronze)
        .Disc(12, 17.5, 2.0, kClear)
        .Line(12, 1.5, 12, 12.5, 3.2, bronze)
        .Line(12, 2.5, 17.5, 2.5, 2.6, bronze)
        .Line(12, 6.5, 16, 6.5, 2.6, bronze)
        .Line(13.2, 2, 13.2, 12, 0.9, dark)
        .img;
}

SprImage Lantern() {
    const uint32_t iron = 0xFF383840u, glass = 0xFFF08A20u, flame = 0xFFFFE890u;
    return Icon()
        .Line(7.5, 7, 12, 1.5, 1.6, iron)
        .Line(12, 1.5, 16.5, 7, 1.6, iron)
        .Polygon({{10, 3.5}, {14, 3.5}, {19.5, 9.5}, {4.5, 9.5}}, iron)
        .Box(6, 9, 18, 20, glass)
        .Disc(12, 15, 2.6, flame)
        .Polygon({{10.5, 14}, {13.5, 14}, {12, 10.5}}, flame)
        .Box(5.5, 9, 7, 20, iron)
        .Box(17, 9, 18.5, 20, iron)
        .Box(4.5, 20, 19.5, 22.5, iron)
        .img;
}

SprImage Star() {
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < 10; i++) {
        const double a = -M_PI / 2 + i * M_PI / 5, r = i % 2 ? 4.6 : 11.5;
        points.push_back({12 + r * std::cos(a), 12.5 + r * std::sin(a)});
    }
    return Icon().Polygon(points, 0xFFFFD840u).Disc(12, 12.5, 2.8, 0xFFFFFFF0u).img;
}

SprImage Sword() {
    const uint32_t steel = 0xFFB8C8E8u, gold = 0xFFD8A830u;
    return Icon()
        .Line(8, 16, 21.5, 2.5, 3.4, steel)
        .Line(10, 14, 21.5, 2.5, 1.0, 0xFF8090B8u)
        .Line(3.5, 12.5, 11.5, 20.5, 2.6, gold)
        .Line(7.5, 16.5, 3, 21, 2.6, 0xFF6A4020u)
        .Disc(2.5, 21.5, 2.0, gold)
        .img;
}

SprImage Feather() {
    return Icon()
        .Leaf(5, 20, 21, 2.5, 5.0, 0xFF2E68D8u)
        .Leaf(9, 16, 20, 3.5, 2.0, 0xFF70A8F8u)
        .Line(2.5, 22.5, 19, 5, 1.3, 0xFFF0F0F0u)
        .img;
}

SprImage Caterpillar() {
    Icon icon;
    const double centres[][2] = {{3.5, 15.5}, {7.5, 13.5}, {11.5, 14.5}, {15.5, 12.5}};
    for (const auto& c : centres) icon.Disc(c[0], c[1], 3.4, 0xFF287818u).Disc(c[0], c[1], 2.5, 0xFF50C040u);
    return icon.Disc(19.5, 10, 3.6, 0xFF287818u).Disc(20.5, 9, 1.0, 0xFFFFF040u).Line(19, 6.5, 17.5, 3, 0.9, 0xFF287818u).img;
}

SprImage Grasshopper() {
    const uint32_t body = 0xFFA8C838u, dark = 0xFF4E6A18u;
    return Icon()
        .Leaf(3, 14, 17, 11, 2.8, body)
        .Disc(18.5, 10.5, 2.6, body)
        .Disc(19.3, 9.8, 0.8, dark)
        .Line(8, 12.5, 14, 4.5, 2.4, dark)
        .Line(14, 4.5, 9.5, 20.5, 1.3, dark)
        .Line(15, 13, 17, 19, 1.0, dark)
        .Line(19.5, 8.5, 23, 1.5, 0.8, dark)
        .img;
}

SprImage Skull() {
    const uint32_t bone = 0xFFF0ECE0u, hollow = 0xFF201810u;
    return Icon()
        .Disc(12, 10, 8.2, bone)
        .Box(7.5, 14, 16.5, 20.5, bone)
        .Disc(8.8, 11, 2.3, hollow)
        .Disc(15.2, 11, 2.3, hollow)
        .Polygon({{12, 13.2}, {10.8, 16}, {13.2, 16}}, hollow)
        .Line(10, 18, 10, 20.5, 0.8, hollow)
        .Line(12, 18, 12, 20.5, 0.8, hollow)
        .Line(14, 18, 14, 20.5, 0.8, hollow)
        .img;
}
}  // namespace

std::vector<SprImage> DemoIcons_Objects() {
    SprImage plain;
    plain.width = plain.height = kSide;
    plain.x = plain.y = kSide / 2;
    plain.pixels.assign(kSide * kSide, 0xFF000000u);
    return {plain, Key(), Lantern(), Star(), Sword(), Feather(), Caterpillar(), Grasshopper(), Skull()};
}
