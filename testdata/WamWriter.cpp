// Writer of world files (.wam) from plain descriptions, for the tests and the demo.
#include "testdata/WamWriter.h"

#include <cstring>
#include <utility>

#include "testdata/TempDir.h"

namespace {
class Out {
public:
    void u32(uint32_t v) {
        for (int i = 0; i < 4; i++) bytes.push_back(uint8_t(v >> (8 * i)));
    }
    void i32(int32_t v) { u32(uint32_t(v)); }
    void f32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        u32(v);
    }
    void u8(uint8_t v) { bytes.push_back(v); }
    // A fixed text field, cut to leave its terminating 0.
    void text(const std::string& s, size_t n) {
        for (size_t i = 0; i < n; i++) bytes.push_back(i + 1 < n && i < s.size() ? uint8_t(s[i]) : 0);
    }
    void chunk(const char* tag, const Out& payload) {
        bytes.insert(bytes.end(), tag, tag + 4);
        u32(uint32_t(payload.bytes.size()));
        bytes.insert(bytes.end(), payload.bytes.begin(), payload.bytes.end());
        count++;
    }
    std::vector<uint8_t> bytes;
    uint32_t count = 0;
};
}  // namespace

std::vector<uint8_t> WamWriter_Build(const WamFileDesc& d) {
    Out body;
    for (const WamLieuDesc& l : d.lieux) {
        Out p;
        p.u32(l.id);
        p.text(l.name, 32);
        body.chunk("LIEU", p);
        for (const WamVueDesc& v : l.vues) {
            Out pv;
            pv.u32(v.id);
            pv.text(v.name, 16);
            for (float f : {v.yawMin, v.yawMax, v.pitchMin, v.pitchMax, v.yawStart, v.pitchStart}) pv.f32(f);
            body.chunk("VUE ", pv);
            for (const WamZoneDesc& z : v.zones) {
                Out pz;
                pz.i32(z.type);
                pz.u32(z.numero);
                pz.text(z.name, 32);
                pz.u32(uint32_t(z.points.size()));
                for (const WamPointDesc& pt : z.points) {
                    pz.f32(pt.x);
                    pz.f32(pt.y);
                    pz.f32(pt.z);
                }
                body.chunk("ZCLI", pz);
            }
            for (const WamDestDesc& ds : v.dests) {
                Out pd;
                pd.u32(ds.vue);
                pd.text(ds.video, 16);
                body.chunk("DEST", pd);
            }
            for (const WamBruitDesc& b : v.bruits) {
                Out pb;
                pb.u32(b.son);
                for (float f : b.direction) pb.f32(f);
                body.chunk("BRUI", pb);
            }
        }
    }
    for (const WamLienDesc& l : d.liens) {
        Out p;
        p.u32(l.id);
        p.text(l.wam, 32);
        p.u32(l.vue);
        body.chunk("LIEN", p);
    }
    for (const WamPersoDesc& pe : d.persos) {
        Out p;
        p.i32(pe.type);
        p.text(pe.name, 32);
        for (size_t i = 0; i < 4; i++) p.u8(i < pe.prefix.size() ? uint8_t(pe.prefix[i]) : uint8_t(0));
        body.chunk("PERS", p);
        for (const WamAnimDesc& a : pe.anims) {
            Out pa;
            pa.u8(uint8_t(a.letter));
            pa.u8(0);
            pa.u8(0);
            pa.u8(0);
            pa.u32(a.numero);
            pa.u32(a.vue);
            for (int32_t v : {a.clic, a.first, a.last, a.face, a.x, a.y}) pa.i32(v);
            body.chunk("ANIM", pa);
        }
    }
    for (const WamSonDesc& s : d.sons) {
        Out p;
        p.u32(s.id);
        p.text(s.name, 16);
        for (float f : {s.x, s.y, s.z, s.level}) p.f32(f);
        for (uint8_t pc : s.percent) p.u8(pc);
        for (const std::string& r : s.recordings) p.text(r, 16);
        body.chunk("SON ", p);
    }
    Out file;
    file.bytes.insert(file.bytes.end(), {'W', 'A', 'M', 'V', 'E', 'L', 'K', ' '});
    file.u32(208);
    file.u32(32);
    file.u32(uint32_t(32 + body.bytes.size()));
    file.u32(body.count);
    file.i32(d.monde);
    file.i32(d.cd);
    file.bytes.insert(file.bytes.end(), body.bytes.begin(), body.bytes.end());
    return file.bytes;
}

bool WamWriter_Save(const std::string& path, const WamFileDesc& desc) {
    std::vector<uint8_t> bytes = WamWriter_Build(desc);
    return WriteFileBytes(path, bytes.data(), bytes.size());
}

std::vector<WamPointDesc> WamWriter_FaceSquare(int face, float u, float v, float half) {
    std::vector<WamPointDesc> pts;
    for (auto [du, dv] : {std::pair{-1.f, -1.f}, {1.f, -1.f}, {1.f, 1.f}, {-1.f, 1.f}}) {
        const float a = u + du * half, b = v + dv * half;
        switch (face) {
        case 0: pts.push_back({a, b, 1}); break;
        case 1: pts.push_back({1, b, -a}); break;
        case 2: pts.push_back({-a, b, -1}); break;
        case 3: pts.push_back({-1, b, a}); break;
        case 4: pts.push_back({a, 1, -b}); break;
        default: pts.push_back({a, -1, b}); break;
        }
    }
    return pts;
}

long WamWriter_FindChunk(const std::vector<uint8_t>& bytes, const char tag[4]) {
    size_t pos = 32;
    while (pos + 8 <= bytes.size()) {
        uint32_t len = uint32_t(bytes[pos + 4]) | uint32_t(bytes[pos + 5]) << 8 | uint32_t(bytes[pos + 6]) << 16 |
                       uint32_t(bytes[pos + 7]) << 24;
        if (std::memcmp(bytes.data() + pos, tag, 4) == 0) return long(pos);
        pos += 8 + len;
    }
    return -1;
}
