// World files (.wam): their records, the reader, the current place and view, and view jumps.
#include "world/wam.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Orv_Mem.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/ScriptText.h"

const char WAM_MAGIC[8] = {'W', 'A', 'M', 'V', 'E', 'L', 'K', ' '};

ST_wam_lieu* OrvWam_CurrentLieu = nullptr;
ST_wam_vue* OrvWam_CurrentVue = nullptr;
OrvWamJump OrvWam_Jump = {};

namespace {
const char* const kTag = "wam";
constexpr uint32_t kMaxFileSize = 64u * 1024 * 1024;

ST_wam_world* g_world = nullptr;
std::vector<OrvWamReplacedFn> g_replaced;

// Payload sizes of the fixed chunks (docs/wam.md).
constexpr uint32_t kLieuSize = 36, kVueSize = 44, kZclicBase = 44, kDestSize = 20, kBruiSize = 16, kLienSize = 40,
                   kPersSize = 40, kAnimSize = 36, kSonSize = 104;

// Bounds-checked little-endian reads over one chunk's payload.
class Reader {
public:
    Reader(const uint8_t* p, uint32_t size) : p_(p), size_(size) {}
    uint32_t u32() {
        uint32_t v = 0;
        if (pos_ + 4 <= size_) std::memcpy(&v, p_ + pos_, 4);
        pos_ += 4;
        return v;
    }
    int32_t i32() { return int32_t(u32()); }
    float f32() {
        uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    uint8_t u8() {
        uint8_t v = pos_ < size_ ? p_[pos_] : 0;
        pos_ += 1;
        return v;
    }
    // A fixed text field: false when it holds no terminating 0.
    bool text(char* out, uint32_t n) {
        bool ok = pos_ + n <= size_ && std::memchr(p_ + pos_, 0, n) != nullptr;
        if (ok) std::memcpy(out, p_ + pos_, n);
        else std::memset(out, 0, n);
        pos_ += n;
        return ok;
    }
    void skip(uint32_t n) { pos_ += n; }

private:
    const uint8_t* p_;
    uint32_t size_;
    uint32_t pos_ = 0;
};

// Everything of a file, read and checked before the block is built.
struct ZoneIn {
    ST_wam_zclic rec;
    std::vector<ST_wam_point> points;
};
struct VueIn {
    ST_wam_vue rec;
    std::vector<ZoneIn> zones;
    std::vector<ST_wam_destination> dests;
    std::vector<ST_wam_bruitage> bruits;
};
struct LieuIn {
    ST_wam_lieu rec;
    std::vector<VueIn> vues;
};
struct PersoIn {
    ST_wam_perso rec;
    std::vector<ST_wam_animation> anims;
};
struct FileIn {
    int32_t monde = 0;
    int32_t cd = 0;
    std::vector<LieuIn> lieux;
    std::vector<ST_wam_lien> liens;
    std::vector<PersoIn> persos;
    std::vector<ST_wam_son> sons;
};

bool finite(std::initializer_list<float> values) {
    for (float v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

bool validZoneKind(int32_t type) {
    int32_t base = type >= WAM_ZONE_DISABLED ? type - WAM_ZONE_DISABLED : type;
    return base >= 1 && base < WAM_ZONE_DISABLED;
}

class Parser {
public:
    Parser(const uint8_t* data, uint32_t size, const char* name) : d_(data), size_(size), name_(name) {}

    bool run(FileIn& out) {
        if (size_ < uint32_t(WAM_HEADER_SIZE)) return fail("fichier tronqué (%u octets)", size_);
        if (std::memcmp(d_, WAM_MAGIC, 8) != 0) return fail("signature incorrecte");
        Reader h(d_ + 8, WAM_HEADER_SIZE - 8);
        uint32_t version = h.u32(), headerSize = h.u32(), fileSize = h.u32(), count = h.u32();
        out.monde = h.i32();
        out.cd = h.i32();
        if (version != WAM_VERSION) return fail("version %u (attendue %u)", version, WAM_VERSION);
        if (headerSize != uint32_t(WAM_HEADER_SIZE)) return fail("taille d'entête %u", headerSize);
        if (fileSize != size_) return fail("taille annoncée %u, fichier de %u octets", fileSize, size_);
        if (out.cd < 0 || out.cd > 4) return fail("numéro de CD %d", out.cd);
        if (count > (size_ - WAM_HEADER_SIZE) / 8) return fail("%u blocs annoncés", count);
        uint32_t pos = WAM_HEADER_SIZE;
        for (chunk_ = 0; chunk_ < count; chunk_++) {
            if (size_ - pos < 8) return fail("bloc %u tronqué", chunk_);
            char tag[5] = {};
            std::memcpy(tag, d_ + pos, 4);
            uint32_t len = 0;
            std::memcpy(&len, d_ + pos + 4, 4);
            pos += 8;
            if (len > size_ - pos) return fail("bloc %u (%s) dépasse la fin du fichier", chunk_, tag);
            if (len % 4) return fail("bloc %u (%s) de taille %u", chunk_, tag, len);
            if (!chunk(tag, d_ + pos, len, out)) return false;
            pos += len;
        }
        if (pos != size_) return fail("%u octets après le dernier bloc", size_ - pos);
        return finish(out);
    }

private:
    bool fail(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        va_list ap;
        va_start(ap, fmt);
        Script_VRefuse("wam_load_game() " + std::string(name_), fmt, ap);
        va_end(ap);
        return false;
    }

    bool expect(const char* tag, uint32_t len, uint32_t want) {
        if (len == want) return true;
        return fail("bloc %u (%s) de %u octets, %u attendus", chunk_, tag, len, want);
    }

    bool chunk(const char* tag, const uint8_t* p, uint32_t len, FileIn& out) {
        Reader r(p, len);
        if (!std::strcmp(tag, "LIEU")) {
            if (!expect(tag, len, kLieuSize)) return false;
            LieuIn l{};
            l.rec.id = r.u32();
            if (!r.text(l.rec.name, 32)) return fail("bloc %u : nom de lieu sans fin", chunk_);
            if (!lieuIds_.insert(l.rec.id).second) return fail("lieu %u en double", l.rec.id);
            vueIds_.clear();
            out.lieux.push_back(std::move(l));
            return true;
        }
        if (!std::strcmp(tag, "VUE ")) {
            if (!expect(tag, len, kVueSize)) return false;
            if (out.lieux.empty()) return fail("vue avant tout lieu (bloc %u)", chunk_);
            VueIn v{};
            v.rec.id = r.u32();
            if (!r.text(v.rec.name, 16)) return fail("bloc %u : nom de vue sans fin", chunk_);
            v.rec.yaw_min = r.f32();
            v.rec.yaw_max = r.f32();
            v.rec.pitch_min = r.f32();
            v.rec.pitch_max = r.f32();
            v.rec.yaw_start = r.f32();
            v.rec.pitch_start = r.f32();
            if (std::strlen(v.rec.name) < 2) return fail("vue %u : nom sans code de monde", v.rec.id);
            if (!finite({v.rec.yaw_min, v.rec.yaw_max, v.rec.pitch_min, v.rec.pitch_max, v.rec.yaw_start,
                         v.rec.pitch_start}))
                return fail("vue %u : angle non fini", v.rec.id);
            if (v.rec.yaw_min > v.rec.yaw_max || v.rec.pitch_min > v.rec.pitch_max)
                return fail("vue %u : limites d'angle inversées", v.rec.id);
            if (!vueIds_.insert(v.rec.id).second)
                return fail("vue %u en double dans le lieu %u", v.rec.id, out.lieux.back().rec.id);
            out.lieux.back().vues.push_back(std::move(v));
            return true;
        }
        if (!std::strcmp(tag, "ZCLI")) {
            if (len < kZclicBase) return fail("bloc %u (ZCLI) de %u octets", chunk_, len);
            VueIn* v = vueOf(out, "zone");
            if (!v) return false;
            ZoneIn z{};
            z.rec.type = r.i32();
            z.rec.numero = r.u32();
            if (!r.text(z.rec.name, 32)) return fail("bloc %u : nom de zone sans fin", chunk_);
            uint32_t n = r.u32();
            if (uint64_t(kZclicBase) + uint64_t(n) * 12 != len)
                return fail("zone %s : %u points pour un bloc de %u octets", z.rec.name, n, len);
            if (!validZoneKind(z.rec.type)) return fail("zone %s : type %d", z.rec.name, z.rec.type);
            int32_t base = z.rec.type >= WAM_ZONE_DISABLED ? z.rec.type - WAM_ZONE_DISABLED : z.rec.type;
            if (base >= WAM_ZONE_SCENARIO && z.rec.name[0]) {
                int32_t id = DefName_FindId(DEFNAME_ZONES_CLIC, z.rec.name);
                if (id < 0) return fail("zone %s absente de #ZONES_CLIC#", z.rec.name);
                if (uint32_t(id) != z.rec.numero)
                    return fail("zone %s : numéro %u, %d dans #ZONES_CLIC#", z.rec.name, z.rec.numero, id);
            }
            z.points.resize(n);
            for (ST_wam_point& pt : z.points) {
                pt.x = r.f32();
                pt.y = r.f32();
                pt.z = r.f32();
                pt.next = nullptr;
                if (!finite({pt.x, pt.y, pt.z})) return fail("zone %s : point non fini", z.rec.name);
            }
            v->zones.push_back(std::move(z));
            return true;
        }
        if (!std::strcmp(tag, "DEST")) {
            VueIn* v = expect(tag, len, kDestSize) ? vueOf(out, "destination") : nullptr;
            if (!v) return false;
            ST_wam_destination dst{};
            dst.vue_id = r.u32();
            if (!r.text(dst.video, 16)) return fail("bloc %u : nom de vidéo sans fin", chunk_);
            v->dests.push_back(dst);
            return true;
        }
        if (!std::strcmp(tag, "BRUI")) {
            VueIn* v = expect(tag, len, kBruiSize) ? vueOf(out, "bruitage") : nullptr;
            if (!v) return false;
            ST_wam_bruitage b{};
            b.son_id = r.u32();
            for (float& f : b.direction) f = r.f32();
            if (!finite({b.direction[0], b.direction[1], b.direction[2]}))
                return fail("bruitage %u : valeur non finie", b.son_id);
            v->bruits.push_back(b);
            return true;
        }
        if (!std::strcmp(tag, "LIEN")) {
            if (!expect(tag, len, kLienSize)) return false;
            ST_wam_lien l{};
            l.id = r.u32();
            if (!r.text(l.wam, 32) || !l.wam[0]) return fail("lien %u : nom de fichier vide ou sans fin", l.id);
            l.vue_id = r.u32();
            if (!lienIds_.insert(l.id).second) return fail("lien %u en double", l.id);
            out.liens.push_back(l);
            return true;
        }
        if (!std::strcmp(tag, "PERS")) {
            if (!expect(tag, len, kPersSize)) return false;
            PersoIn pe{};
            pe.rec.type = r.i32();
            if (!r.text(pe.rec.name, 32)) return fail("bloc %u : nom d'élément sans fin", chunk_);
            for (int i = 0; i < 4; i++) pe.rec.prefix[i] = char(r.u8());
            pe.rec.prefix[4] = 0;
            if (pe.rec.type < WAM_PERSO || pe.rec.type > WAM_OBJET_DECOR)
                return fail("élément %s : type %d", pe.rec.name, pe.rec.type);
            int section = pe.rec.type % 2 ? DEFNAME_PERSONNAGES : DEFNAME_OBJETS;
            pe.rec.id = DefName_FindId(section, pe.rec.name);
            if (pe.rec.id < 0) return fail("élément %s absent de %s", pe.rec.name, DefName_SectionKeyword(section));
            out.persos.push_back(std::move(pe));
            return true;
        }
        if (!std::strcmp(tag, "ANIM")) {
            if (!expect(tag, len, kAnimSize)) return false;
            if (out.persos.empty()) return fail("animation avant tout élément (bloc %u)", chunk_);
            ST_wam_animation a{};
            a.lettre = char(r.u8());
            r.skip(3);
            a.numero = r.u32();
            a.vue_id = r.u32();
            a.clic_type = r.i32();
            a.first_frame = r.i32();
            a.last_frame = r.i32();
            a.face = r.i32();
            a.x = r.i32();
            a.y = r.i32();
            if (!Script_IsNameChar(a.lettre)) return fail("animation %u : lettre %d", a.numero, a.lettre);
            if (a.numero > 999) return fail("animation %u : numéro au-delà de 999", a.numero);
            if (a.face < 0 || a.face > 5) return fail("animation %u : face %d", a.numero, a.face);
            if (a.first_frame < 0 || a.last_frame < a.first_frame)
                return fail("animation %u : images %d à %d", a.numero, a.first_frame, a.last_frame);
            out.persos.back().anims.push_back(a);
            return true;
        }
        if (!std::strcmp(tag, "SON ")) {
            if (!expect(tag, len, kSonSize)) return false;
            ST_wam_son s{};
            s.id = r.u32();
            if (!r.text(s.name, 16)) return fail("bloc %u : nom de son sans fin", chunk_);
            s.pos.x = r.f32();
            s.pos.y = r.f32();
            s.pos.z = r.f32();
            s.pos.level = r.f32();
            for (uint8_t& pc : s.percent) pc = r.u8();
            for (auto& rec : s.recording)
                if (!r.text(rec, 16)) return fail("son %u : nom d'enregistrement sans fin", s.id);
            if (!finite({s.pos.x, s.pos.y, s.pos.z, s.pos.level})) return fail("son %u : valeur non finie", s.id);
            if (!sonIds_.insert(s.id).second) return fail("son %u en double", s.id);
            out.sons.push_back(s);
            return true;
        }
        return fail("bloc %u : étiquette inconnue \"%s\"", chunk_, tag);
    }

    // The view a child chunk belongs to: the last view of the last place.
    VueIn* vueOf(FileIn& out, const char* what) {
        if (out.lieux.empty() || out.lieux.back().vues.empty()) {
            fail("%s avant toute vue (bloc %u)", what, chunk_);
            return nullptr;
        }
        return &out.lieux.back().vues.back();
    }

    bool finish(FileIn& out) {
        size_t nbVues = 0;
        for (const LieuIn& l : out.lieux) nbVues += l.vues.size();
        if (nbVues == 0) return fail("aucune vue");
        for (const LieuIn& l : out.lieux)
            for (const VueIn& v : l.vues)
                for (const ST_wam_bruitage& b : v.bruits)
                    if (!sonIds_.count(b.son_id)) return fail("vue %u : bruitage du son %u absent", v.rec.id, b.son_id);
        return true;
    }

    const uint8_t* d_;
    uint32_t size_;
    const char* name_;
    uint32_t chunk_ = 0;
    // Ids met so far, so that a file of many records is checked in linear time.
    std::unordered_set<uint32_t> lieuIds_, vueIds_, lienIds_, sonIds_;
};
// Lays the checked records out in one block; every record holds a pointer, so all are 8-aligned.
class Block {
public:
    explicit Block(size_t size) : size_(size) {
        base_ = static_cast<uint8_t*>(mem_alloc(size, kTag));
        std::memset(base_, 0, size);
    }
    template <class T>
    T* make(const T& value) {
        static_assert(alignof(T) <= 8 && sizeof(T) % alignof(T) == 0);
        T* p = new (base_ + pos_) T(value);
        pos_ += sizeof(T);
        return p;
    }
    uint8_t* base() const { return base_; }
    size_t used() const { return pos_; }
    size_t size() const { return size_; }

private:
    uint8_t* base_ = nullptr;
    size_t size_;
    size_t pos_ = 0;
};

size_t blockSize(const FileIn& in) {
    size_t n = sizeof(ST_wam_world);
    for (const LieuIn& l : in.lieux) {
        n += sizeof(ST_wam_lieu);
        for (const VueIn& v : l.vues) {
            n += sizeof(ST_wam_vue) + v.dests.size() * sizeof(ST_wam_destination) +
                 v.bruits.size() * sizeof(ST_wam_bruitage);
            for (const ZoneIn& z : v.zones) n += sizeof(ST_wam_zclic) + z.points.size() * sizeof(ST_wam_point);
        }
    }
    n += in.liens.size() * sizeof(ST_wam_lien) + in.sons.size() * sizeof(ST_wam_son);
    for (const PersoIn& p : in.persos) n += sizeof(ST_wam_perso) + p.anims.size() * sizeof(ST_wam_animation);
    return n;
}

// Links records at the end of a list in file order, keeping the list's tail.
template <class T>
class Chain {
public:
    explicit Chain(T*& head) : tail_(&head) {}
    T* add(T* p) {
        p->next = nullptr;
        *tail_ = p;
        tail_ = &p->next;
        return p;
    }

private:
    T** tail_;
};

ST_wam_world* build(const FileIn& in, const char* name) {
    Block block(blockSize(in));
    ST_wam_world w{};
    Script_CopyField(w.file_name, sizeof w.file_name, name);
    w.monde = in.monde;
    w.cd = in.cd;
    w.block_size = uint32_t(block.size());
    ST_wam_world* world = block.make(w);
    Chain<ST_wam_lieu> lieux(world->lieux);
    for (const LieuIn& l : in.lieux) {
        ST_wam_lieu* lieu = lieux.add(block.make(l.rec));
        Chain<ST_wam_vue> vues(lieu->vues);
        for (const VueIn& v : l.vues) {
            ST_wam_vue* vue = vues.add(block.make(v.rec));
            vue->lieu = lieu;
            Chain<ST_wam_zclic> zones(vue->zclic);
            for (const ZoneIn& z : v.zones) {
                ST_wam_zclic* zone = zones.add(block.make(z.rec));
                zone->nb_points = int32_t(z.points.size());
                Chain<ST_wam_point> points(zone->points);
                for (const ST_wam_point& pt : z.points) points.add(block.make(pt));
            }
            Chain<ST_wam_destination> dests(vue->destinations);
            for (const ST_wam_destination& d : v.dests) dests.add(block.make(d));
            Chain<ST_wam_bruitage> bruits(vue->bruitages);
            for (const ST_wam_bruitage& b : v.bruits) bruits.add(block.make(b));
        }
    }
    Chain<ST_wam_lien> liens(world->liens);
    for (const ST_wam_lien& l : in.liens) liens.add(block.make(l));
    Chain<ST_wam_perso> persos(world->persos);
    for (const PersoIn& p : in.persos) {
        ST_wam_perso* perso = persos.add(block.make(p.rec));
        Chain<ST_wam_animation> anims(perso->animations);
        for (const ST_wam_animation& a : p.anims) anims.add(block.make(a));
    }
    Chain<ST_wam_son> sons(world->sons);
    for (const ST_wam_son& s : in.sons) sons.add(block.make(s));
    return world;
}

// Appends p at the end of a list linked through `next`.
template <class T>
void append(T*& head, T* p) {
    p->next = nullptr;
    T** link = &head;
    while (*link) link = &(*link)->next;
    *link = p;
}

std::string baseName(const char* path) {
    std::string p = path ? path : "";
    size_t cut = p.find_last_of("/\\");
    return cut == std::string::npos ? p : p.substr(cut + 1);
}
}  // namespace

#define WAM_ADD(fn, Parent, field, Rec)                  \
    void fn(Parent* parent, Rec* p) {                    \
        if (!parent || !p) {                             \
            OrvError_Warning(#fn "() p=NULL");           \
            return;                                      \
        }                                                \
        append(parent->field, p);                        \
    }
WAM_ADD(wam_add_lieu, ST_wam_world, lieux, ST_wam_lieu)
WAM_ADD(wam_add_vue, ST_wam_lieu, vues, ST_wam_vue)
WAM_ADD(wam_add_zclic, ST_wam_vue, zclic, ST_wam_zclic)
WAM_ADD(wam_add_destination, ST_wam_vue, destinations, ST_wam_destination)
WAM_ADD(wam_add_bruitage, ST_wam_vue, bruitages, ST_wam_bruitage)
WAM_ADD(wam_add_lien, ST_wam_world, liens, ST_wam_lien)
WAM_ADD(wam_add_perso, ST_wam_world, persos, ST_wam_perso)
WAM_ADD(wam_add_animation, ST_wam_perso, animations, ST_wam_animation)
WAM_ADD(wam_add_son, ST_wam_world, sons, ST_wam_son)
#undef WAM_ADD

void z3d_add_point(ST_wam_zclic* zone, ST_wam_point* p) {
    if (!zone || !p) {
        OrvError_Warning("z3d_add_point() p=NULL");
        return;
    }
    append(zone->points, p);
    zone->nb_points++;
}

ST_wam_world* wam_read_memory(const uint8_t* data, uint32_t size, const char* name) {
    std::string file = baseName(name);
    if (!data) {
        OrvError_Warning("wam_load_game() %s : pas de données", file.c_str());
        return nullptr;
    }
    if (file.size() >= sizeof(ST_wam_world::file_name)) {
        OrvError_Warning("wam_load_game() nom de fichier trop long : %s", file.c_str());
        return nullptr;
    }
    FileIn in;
    if (!Parser(data, size, file.c_str()).run(in)) return nullptr;
    return build(in, file.c_str());
}

ST_wam_world* wam_read_file(const char* path) {
    OrvFileHandle h = OrvFile_Open(path, ORV_READ);
    if (!h) {
        OrvError_Warning("wam_load_game() fichier absent : %s", path ? path : "(null)");
        return nullptr;
    }
    int32_t size = OrvFile_GetSize(h);
    if (size < 0 || uint32_t(size) > kMaxFileSize) {
        OrvFile_Close(h);
        OrvError_Warning("wam_load_game() taille incorrecte (%d) : %s", size, path);
        return nullptr;
    }
    std::vector<uint8_t> bytes(size_t(size) + 1);
    int32_t got = size ? OrvFile_Read(h, bytes.data(), size) : 0;
    OrvFile_Close(h);
    if (got != size) {
        OrvError_Warning("wam_load_game() lecture incomplète : %s", path);
        return nullptr;
    }
    return wam_read_memory(bytes.data(), uint32_t(size), path);
}

void wam_free_world(ST_wam_world** world) {
    if (!world || !*world) return;
    mem_free(*world, kTag);
    *world = nullptr;
}

void OrvWam_AddReplacedCallback(OrvWamReplacedFn fn) {
    if (fn && std::find(g_replaced.begin(), g_replaced.end(), fn) == g_replaced.end()) g_replaced.push_back(fn);
}

void OrvWam_RemoveReplacedCallback(OrvWamReplacedFn fn) {
    g_replaced.erase(std::remove(g_replaced.begin(), g_replaced.end(), fn), g_replaced.end());
}

void OrvWam_WorldReplaced() {
    // A copy: a callback may remove itself.
    const std::vector<OrvWamReplacedFn> callbacks = g_replaced;
    for (OrvWamReplacedFn fn : callbacks) fn();
}

void OrvWam_Install(ST_wam_world* world) {
    if (g_world == world) return;
    if (g_world) OrvWam_WorldReplaced();
    OrvWam_CurrentLieu = nullptr;
    OrvWam_CurrentVue = nullptr;
    wam_free_world(&g_world);
    g_world = world;
    if (world) debug_log("wam_load_game() : %s chargé (%u octets)", world->file_name, world->block_size);
}

bool wam_load_game(const char* name) {
    char path[ORV_PATH_MAX];
    build_path_wam(path, name);
    ST_wam_world* world = wam_read_file(path);
    if (!world) return false;
    OrvWam_Install(world);
    return true;
}

void OrvWam_Free() {
    OrvWam_Install(nullptr);
    OrvWam_RestoreCurrentVue(nullptr);  // a view made current without a world file goes too
    OrvWam_CancelJump();
}

ST_wam_world* OrvWam_GetWorld() { return g_world; }
const char* OrvWam_GetName() { return g_world ? g_world->file_name : ""; }

void OrvWam_WorldCode(const ST_wam_vue* vue, char out[3]) {
    out[0] = out[1] = out[2] = 0;
    if (!vue) return;
    for (int i = 0; i < 2 && vue->name[i]; i++) out[i] = char(std::toupper(static_cast<unsigned char>(vue->name[i])));
}

ST_wam_vue* wam_cherche_vue_id(ST_wam_lieu* lieu, uint32_t id) {
    for (ST_wam_vue* v = lieu ? lieu->vues : nullptr; v; v = v->next)
        if (v->id == id) return v;
    return nullptr;
}

ST_wam_vue* OrvWam_FindVue(uint32_t id) {
    if (ST_wam_vue* v = wam_cherche_vue_id(OrvWam_CurrentLieu, id)) return v;
    for (ST_wam_lieu* l = g_world ? g_world->lieux : nullptr; l; l = l->next)
        if (ST_wam_vue* v = wam_cherche_vue_id(l, id)) return v;
    return nullptr;
}

ST_wam_lieu* wam_cherche_lieu_id(uint32_t id) {
    for (ST_wam_lieu* l = g_world ? g_world->lieux : nullptr; l; l = l->next)
        if (l->id == id) return l;
    return nullptr;
}

ST_wam_lien* wam_cherche_lien(uint32_t id) {
    for (ST_wam_lien* l = g_world ? g_world->liens : nullptr; l; l = l->next)
        if (l->id == id) return l;
    return nullptr;
}

ST_wam_son* wam_cherche_son(uint32_t id) {
    for (ST_wam_son* s = g_world ? g_world->sons : nullptr; s; s = s->next)
        if (s->id == id) return s;
    return nullptr;
}

ST_wam_destination* wam_cherche_destination(ST_wam_vue* vue, uint32_t vue_id) {
    for (ST_wam_destination* d = vue ? vue->destinations : nullptr; d; d = d->next)
        if (d->vue_id == vue_id) return d;
    return nullptr;
}

ST_wam_perso* wam_cherche_perso(int32_t type, int32_t id) {
    for (ST_wam_perso* p = g_world ? g_world->persos : nullptr; p; p = p->next)
        if (p->type == type && p->id == id) return p;
    return nullptr;
}

void wam_build_spw_name(char* out, const ST_wam_perso* perso, const ST_wam_animation* anim) {
    if (!out) return;
    if (!perso || !anim) {
        OrvError_Warning("wam_build_spw_name() p=NULL");
        out[0] = 0;
        return;
    }
    std::snprintf(out, 16, "%.4s%c%03u.SPW", perso->prefix, anim->lettre, anim->numero % 1000);
}

void OrvWam_RestoreCurrentVue(ST_wam_vue* vue) {
    OrvWam_CurrentVue = vue;
    OrvWam_CurrentLieu = vue ? vue->lieu : nullptr;
}

void OrvWam_SetCurrentVue(ST_wam_vue* vue) {
    if (!vue) {
        OrvError_Fatal("OrvWam_SetCurrentVue() vue NULL");
        return;
    }
    Interp_SetEngineVar(IV_LASTVUE, OrvWam_CurrentVue ? int32_t(OrvWam_CurrentVue->id) : 0);
    Interp_SetEngineVar(IV_VUE, int32_t(vue->id));
    OrvWam_RestoreCurrentVue(vue);
}

void OrvWam_RequestVue(uint32_t vue_id) {
    OrvWam_Jump = OrvWamJump{};
    OrvWam_Jump.pending = 1;
    OrvWam_Jump.vue_id = vue_id;
}

bool OrvWam_RequestWorld(const char* wam, uint32_t vue_id, bool first_view) {
    OrvWamJump jump{};
    if (!wam || !wam[0] || !Script_CopyField(jump.wam, sizeof jump.wam, wam)) {
        OrvError_Warning("OrvWam_RequestWorld() nom de fichier incorrect : %s", wam ? wam : "(null)");
        return false;
    }
    jump.pending = 1;
    jump.change_world = 1;
    jump.first_view = first_view ? 1 : 0;
    jump.vue_id = vue_id;
    OrvWam_Jump = jump;
    return true;
}

bool OrvWam_RequestLien(uint32_t lien_id) {
    ST_wam_lien* lien = wam_cherche_lien(lien_id);
    if (!lien) {
        OrvError_Warning("OrvWam_RequestLien() lien %u absent de %s", lien_id, OrvWam_GetName());
        return false;
    }
    return OrvWam_RequestWorld(lien->wam, lien->vue_id, false);
}

void OrvWam_CancelJump() { OrvWam_Jump = OrvWamJump{}; }

int OrvWam_DoJump(OrvWamJumpResult* result) {
    OrvWamJumpResult res{};
    if (!OrvWam_Jump.pending) return WAM_JUMP_NONE;
    const OrvWamJump jump = OrvWam_Jump;
    ST_wam_vue* from = OrvWam_CurrentVue;
    res.from_id = from ? from->id : 0;

    // The same file named again is only a view change.
    bool newWorld = jump.change_world && (!g_world || strcasecmp(jump.wam, g_world->file_name) != 0);
    ST_wam_world* world = g_world;
    if (newWorld) {
        char path[ORV_PATH_MAX];
        build_path_wam(path, jump.wam);
        world = wam_read_file(path);
        if (!world) {
            OrvWam_CancelJump();
            return WAM_JUMP_NO_WORLD;
        }
        // The CD of the world's pictures becomes current; while it is missing the jump waits.
        if (world->cd > 0 && !cd_request(world->cd, 1)) {
            wam_free_world(&world);
            return WAM_JUMP_WAIT_CD;
        }
    }
    ST_wam_vue* to = nullptr;
    if (jump.first_view && world) {
        for (ST_wam_lieu* l = world->lieux; l && !to; l = l->next) to = l->vues;
    } else if (newWorld) {
        for (ST_wam_lieu* l = world->lieux; l && !to; l = l->next) to = wam_cherche_vue_id(l, jump.vue_id);
    } else {
        to = OrvWam_FindVue(jump.vue_id);
    }
    OrvWam_CancelJump();
    if (!to) {
        OrvError_Warning("OrvWam_DoJump() vue %u absente de %s", jump.vue_id, newWorld ? world->file_name : OrvWam_GetName());
        if (newWorld) wam_free_world(&world);
        return WAM_JUMP_NO_VIEW;
    }
    if (ST_wam_destination* d = wam_cherche_destination(from, to->id)) Script_CopyField(res.video, sizeof res.video, d->video);
    if (newWorld) {
        OrvWam_Install(world);
        Interp_SetEngineVar(IV_LASTVUE, int32_t(res.from_id));
        Interp_SetEngineVar(IV_VUE, int32_t(to->id));
        OrvWam_RestoreCurrentVue(to);
        Interp_SetEngineVar(IV_MONDE, world->monde);
        Interp_ChangeWorld();
    } else {
        OrvWam_SetCurrentVue(to);
    }
    Interp_SetEngineVar(IV_ARRIVEEVUE, int32_t(to->id));
    res.to = to;
    res.world_changed = newWorld;
    if (result) *result = res;
    return WAM_JUMP_DONE;
}
