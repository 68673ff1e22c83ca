// World files (.wam): read through a world jump, every record walked in its block, every view entered.
#include <cstring>

#include "testdata/DemoWorld.h"
#include "testdata/WamWriter.h"
#include "tests/fuzz/FuzzTarget.h"
#include "world/Interp.h"
#include "world/wam.h"

namespace {

void Setup() { Fuzz_UseWorld(); }

struct Walk {
    const uint8_t* begin;
    const uint8_t* end;
    template <class T>
    void In(const T* p) {
        const auto* b = reinterpret_cast<const uint8_t*>(p);
        Fuzz_Check(b >= begin && b + sizeof(T) <= end, "a record outside the world's block");
    }
    void Text(const char* s, size_t n) { Fuzz_Check(std::memchr(s, 0, n) != nullptr, "a name without its end"); }
};

void Check(const ST_wam_world* w, std::vector<uint32_t>& views) {
    Walk k{reinterpret_cast<const uint8_t*>(w), reinterpret_cast<const uint8_t*>(w) + w->block_size};
    k.In(w);
    for (const ST_wam_lieu* l = w->lieux; l; l = l->next) {
        k.In(l);
        k.Text(l->name, sizeof l->name);
        for (const ST_wam_vue* v = l->vues; v; v = v->next) {
            k.In(v);
            k.Text(v->name, sizeof v->name);
            Fuzz_Check(v->lieu == l, "a view outside its place");
            views.push_back(v->id);
            for (const ST_wam_zclic* z = v->zclic; z; z = z->next) {
                k.In(z);
                k.Text(z->name, sizeof z->name);
                int32_t n = 0;
                for (const ST_wam_point* p = z->points; p; p = p->next, n++) k.In(p);
                Fuzz_Check(n == z->nb_points, "a zone's point count");
            }
            for (const ST_wam_destination* d = v->destinations; d; d = d->next) k.In(d), k.Text(d->video, sizeof d->video);
            for (const ST_wam_bruitage* b = v->bruitages; b; b = b->next) k.In(b);
        }
    }
    for (const ST_wam_lien* l = w->liens; l; l = l->next) k.In(l), k.Text(l->wam, sizeof l->wam);
    for (const ST_wam_perso* p = w->persos; p; p = p->next) {
        k.In(p);
        k.Text(p->name, sizeof p->name);
        for (const ST_wam_animation* a = p->animations; a; a = a->next) {
            k.In(a);
            char spw[16];
            wam_build_spw_name(spw, p, a);
        }
    }
    for (const ST_wam_son* s = w->sons; s; s = s->next) k.In(s), k.Text(s->name, sizeof s->name);
}

bool Run(const uint8_t* data, size_t size) {
    const FuzzBytes file = Fuzz_SizedFile(data, size, 16);
    Fuzz_WriteFile("wam/fuzz.wam", file.data(), file.size());
    OrvWam_Free();
    Fuzz_Check(OrvWam_RequestWorld("fuzz.wam", 0, true), "jump refused");
    const bool loaded = OrvWam_DoJump(nullptr) == WAM_JUMP_DONE;
    if (loaded) {
        std::vector<uint32_t> views;
        Check(OrvWam_GetWorld(), views);
        for (size_t i = 0; i < views.size() && i < 16; i++) {
            OrvWam_RequestVue(views[i]);
            Fuzz_Check(OrvWam_DoJump(nullptr) == WAM_JUMP_DONE, "a view of the world cannot be reached");
        }
    }
    OrvWam_Free();
    Interp_ResetState();
    return loaded;
}

std::vector<FuzzBytes> Seeds() { return {Fuzz_AsIs(WamWriter_Build(DemoWorld_Ir())), Fuzz_AsIs(WamWriter_Build(DemoWorld_Yu()))}; }

}  // namespace

QM_FUZZ_TARGET(wam, Setup, Run, Seeds);
