// View sprites: the animated sprites (.SPW) of the current view, their slots, frame lists and painting.
#include "panorama/Orv_Spw.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "graphics2d/Orv_Spr.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/wam.h"

ST_spw_visible OrvSpw_Visibles[MAX_SPW_VISIBLES];
int32_t OrvSpw_NbVisibles = 0;
int32_t OrvSpw_ClickedIndex = -1;
int32_t OrvSpw_PointerOver = 0;

namespace {

constexpr ClipRect kNothing{0, -1, -1, 0};

// Face pixels under the painted frames, restored after the frame in reverse order.
struct SavedRect {
    CSurface* face;
    ClipRect r;
    std::vector<uint16_t> pixels;
};
std::vector<SavedRect> g_saved;

uint32_t CurrentVueId() { return OrvWam_CurrentVue ? OrvWam_CurrentVue->id : 0; }

bool SameSection(int32_t kindA, int32_t kindB) { return (kindA % 2) == (kindB % 2); }

// The face rectangle of one frame of a slot, clipped to the face; false when nothing is left.
bool FrameRect(const ST_spw_visible& s, const CSurface& face, int32_t frame, ClipRect& out) {
    const SprDllApi* api = OrvSpr_GetDll();
    if (!api || !s.spw) return false;
    int32_t w = 0, h = 0, ox = 0, oy = 0;
    if (api->get_sprt(s.spw, frame, &w, &h) != 0 || api->get_sproff(s.spw, frame, &ox, &oy) != 0) return false;
    const int64_t left = int64_t(s.x) + ox, top = int64_t(s.y) + oy;
    out.left = int32_t(std::clamp<int64_t>(left, 0, face.width));
    out.top = int32_t(std::clamp<int64_t>(top, 0, face.height));
    out.right = int32_t(std::clamp<int64_t>(left + w, 0, face.width)) - 1;
    out.bottom = int32_t(std::clamp<int64_t>(top + h, 0, face.height)) - 1;
    return out.right >= out.left && out.bottom >= out.top;
}

void Save(CSurface* face, const ClipRect& r) {
    SavedRect s{face, r, {}};
    const int w = r.right - r.left + 1;
    s.pixels.resize(size_t(w) * size_t(r.bottom - r.top + 1));
    for (int y = r.top; y <= r.bottom; y++)
        std::memcpy(&s.pixels[size_t(y - r.top) * w], face->Row(y) + size_t(r.left) * 2, size_t(w) * 2);
    g_saved.push_back(std::move(s));
}

void Grow(ClipRect& acc, const ClipRect& r) {
    if (acc.right < acc.left) {
        acc = r;
        return;
    }
    acc.left = std::min(acc.left, r.left);
    acc.top = std::min(acc.top, r.top);
    acc.right = std::max(acc.right, r.right);
    acc.bottom = std::max(acc.bottom, r.bottom);
}

void PaintFrame(ST_spw_visible& s, CSurface* face, int32_t frame) {
    if (frame < 0 || frame >= OrvSpr_GetNbFrameSpw(s.spw)) return;
    ClipRect r;
    if (!FrameRect(s, *face, frame, r)) return;
    Save(face, r);
    OrvSpr_AffSpw(s.spw, frame, s.x, s.y);
    Grow(s.drawn, r);
}

bool HasFrameList(const ST_spw_visible& s) { return s.frame_tab[0] != SPW_FRAME_FREE; }

int UsedEntries(const ST_spw_visible& s) {
    int n = 0;
    while (n < MAX_FRAME_TAB && s.frame_tab[n] != SPW_FRAME_FREE) n++;
    return n;
}

bool IsElem(const ST_spw_visible& s, int32_t elemId, int32_t kind) {
    return s.elem_id == elemId && SameSection(s.type, kind);
}

template <class Fn>
bool ForEachSlotOf(int32_t elemId, int32_t kind, Fn&& fn) {
    bool any = false;
    for (int i = 0; i < OrvSpw_NbVisibles; i++)
        if (IsElem(OrvSpw_Visibles[i], elemId, kind)) {
            fn(OrvSpw_Visibles[i]);
            any = true;
        }
    return any;
}

// A frame-list entry holds a byte; values 0xFE and above are markers.
bool ValidListFrame(int32_t frame) { return frame >= 0 && frame < SPW_FRAME_FREE; }

}  // namespace

void OrvSpw_FreeAll() {
    OrvSpw_Restore();
    for (int i = 0; i < OrvSpw_NbVisibles; i++)
        if (OrvSpw_Visibles[i].spw) OrvSpr_FreeSpw(&OrvSpw_Visibles[i].spw);
    std::memset(OrvSpw_Visibles, 0, sizeof OrvSpw_Visibles);
    OrvSpw_NbVisibles = 0;
    OrvSpw_ClickedIndex = -1;
    OrvSpw_PointerOver = 0;
}

int OrvSpw_load(const char* path, ST_wam_perso* perso, ST_wam_animation* anim) {
    if (!perso || !anim) {
        OrvError_Warning("OrvSpw_load() p=NULL");
        return 0;
    }
    if (OrvSpw_NbVisibles >= MAX_SPW_VISIBLES) {
        OrvError_Warning("OrvSpw_load() vue %u : plus de %d sprites (%s)", CurrentVueId(), MAX_SPW_VISIBLES, path);
        return 0;
    }
    ST_spw_visible& s = OrvSpw_Visibles[OrvSpw_NbVisibles];
    s = ST_spw_visible{};
    if (!OrvSpr_LoadSpw(path, &s.spw)) return 0;
    const int32_t frames = OrvSpr_GetNbFrameSpw(s.spw);
    if (anim->first_frame >= frames) {
        OrvError_Warning("OrvSpw_load() %s : image %d au-delà des %d images", path, anim->first_frame, frames);
        OrvSpr_FreeSpw(&s.spw);
        return 0;
    }
    s.type = perso->type;
    s.elem_id = perso->id;
    s.anim_id = int32_t(anim->numero);
    s.first_frame = anim->first_frame;
    s.last_frame = std::min(anim->last_frame, frames - 1);
    s.frame = s.first_frame;
    s.clic_type = anim->clic_type;
    s.perso = perso;
    s.anim = anim;
    s.shown = 1;
    s.active = 1;
    s.playing = 1;
    std::memset(s.frame_tab, SPW_FRAME_FREE, sizeof s.frame_tab);
    s.face = anim->face;
    s.x = anim->x;
    s.y = anim->y;
    s.drawn = kNothing;
    OrvSpw_NbVisibles++;
    return 1;
}

int OrvSpw_LoadView(const ST_wam_vue* vue) {
    ST_wam_world* world = OrvWam_GetWorld();
    if (!vue || !world) return 0;
    int loaded = 0;
    for (ST_wam_perso* p = world->persos; p; p = p->next)
        for (ST_wam_animation* a = p->animations; a; a = a->next) {
            if (a->vue_id != vue->id) continue;
            char name[32];
            char path[ORV_PATH_MAX];
            wam_build_spw_name(name, p, a);
            build_path_spw(path, name);
            loaded += OrvSpw_load(path, p, a);
        }
    return loaded;
}

void OrvSpw_UpdateObjectIndex() {
    for (int i = 0; i < OrvSpw_NbVisibles; i++) {
        ST_spw_visible& s = OrvSpw_Visibles[i];
        s.shown = Interp_IsElemHidden(s.elem_id, s.type) ? 0 : 1;
    }
    Call_pz_entree_vue();
}

void OrvSpw_UpdateElem(int32_t id, int32_t kind, bool shown) {
    for (int i = 0; i < OrvSpw_NbVisibles; i++) {
        ST_spw_visible& s = OrvSpw_Visibles[i];
        if (!IsElem(s, id, kind)) continue;
        s.shown = shown ? 1 : 0;
        if (!shown) s.frame = 0;
    }
}

int32_t OrvSpw_FindSlot(int32_t elemId, int32_t kind) {
    for (int i = 0; i < OrvSpw_NbVisibles; i++)
        if (IsElem(OrvSpw_Visibles[i], elemId, kind)) return i;
    return -1;
}

int32_t OrvSpw_find_index(int32_t elemId, int32_t kind) {
    const int32_t i = OrvSpw_FindSlot(elemId, kind);
    if (i < 0)
        OrvError_Fatal("OrvSpw_find_index() vue %u : aucun sprite de l'élément %d (%s)", CurrentVueId(), elemId,
                       kind % 2 ? "personnage" : "objet");
    return i;
}

int32_t OrvSpw_FindSlotAnum(int32_t elemId, int32_t kind, int32_t anum) {
    for (int i = 0; i < OrvSpw_NbVisibles; i++) {
        const ST_spw_visible& s = OrvSpw_Visibles[i];
        if (IsElem(s, elemId, kind) && s.anim_id == anum) return i;
    }
    return -1;
}

int32_t OrvSpw_find_index_anum(int32_t elemId, int32_t kind, int32_t anum) {
    const int32_t i = OrvSpw_FindSlotAnum(elemId, kind, anum);
    if (i >= 0) return i;
    OrvError_Fatal("OrvSpw_find_index_anum() vue %u : aucun sprite de l'élément %d, animation %d", CurrentVueId(),
                   elemId, anum);
    return -1;
}

void AddSpwToFrameTab(int32_t elemId, int32_t kind, int32_t frame) {
    if (!ValidListFrame(frame) && frame != SPW_FRAME_NONE) {
        OrvError_Warning("AddSpwToFrameTab() élément %d : image %d", elemId, frame);
        return;
    }
    const bool any = ForEachSlotOf(elemId, kind, [&](ST_spw_visible& s) {
        const int n = UsedEntries(s);
        if (n >= MAX_FRAME_TAB) {
            OrvError_Warning("AddSpwToFrameTab() élément %d : liste pleine", elemId);
            return;
        }
        s.frame_tab[n] = uint8_t(frame);
    });
    if (!any) OrvError_Warning("AddSpwToFrameTab() élément %d absent de la vue %u", elemId, CurrentVueId());
}

void SubSpwToFrameTab(int32_t elemId, int32_t kind, int32_t frame) {
    ForEachSlotOf(elemId, kind, [&](ST_spw_visible& s) {
        const int n = UsedEntries(s);
        for (int i = n - 1; i >= 0; i--)
            if (s.frame_tab[i] == frame) {
                s.frame_tab[i] = s.frame_tab[n - 1];
                s.frame_tab[n - 1] = SPW_FRAME_FREE;
                return;
            }
    });
}

void ClearSpwFrameTab(int32_t elemId, int32_t kind) {
    ForEachSlotOf(elemId, kind, [](ST_spw_visible& s) { std::memset(s.frame_tab, SPW_FRAME_FREE, sizeof s.frame_tab); });
}

int32_t TestSpwFrameTab(int32_t elemId, int32_t kind, int32_t frame) {
    int32_t found = -1;
    ForEachSlotOf(elemId, kind, [&](ST_spw_visible& s) {
        const int n = UsedEntries(s);
        for (int i = 0; i < n; i++)
            if (s.frame_tab[i] == frame) found = frame;
    });
    return found;
}

int32_t OrvSpw_IsAnimInFrame(int32_t elemId, int32_t kind, int32_t frame) {
    return TestSpwFrameTab(elemId, kind, frame) >= 0 ? 1 : 0;
}

bool OrvSpw_AnimTheFrame(const char* value) {
    const std::string text = value ? value : "";
    const size_t comma = text.find(',');
    const std::string name = text.substr(0, comma);
    char* end = nullptr;
    const char* number = comma == std::string::npos ? "" : text.c_str() + comma + 1;
    const long frame = std::strtol(number, &end, 10);
    if (comma == std::string::npos || end == number) {
        OrvError_Warning("ANIM_THE_FRAME=%s : élément,image attendus", text.c_str());
        return false;
    }
    const auto shows = [&name](const ST_spw_visible& s) {
        return s.perso && strcasecmp(s.perso->name, name.c_str()) == 0;
    };
    // Every slot of the element takes the frame, or none does.
    bool found = false;
    for (int i = 0; i < OrvSpw_NbVisibles; i++) {
        const ST_spw_visible& s = OrvSpw_Visibles[i];
        if (!shows(s)) continue;
        found = true;
        if (frame >= 0 && frame > s.last_frame) {
            OrvError_Warning("ANIM_THE_FRAME=%s : image %ld au-delà de %d", text.c_str(), frame, s.last_frame);
            return false;
        }
    }
    if (!found) {
        OrvError_Warning("ANIM_THE_FRAME=%s : élément absent de la vue", text.c_str());
        return false;
    }
    for (int i = 0; i < OrvSpw_NbVisibles; i++) {
        ST_spw_visible& s = OrvSpw_Visibles[i];
        if (!shows(s)) continue;
        s.playing = frame < 0;
        if (frame >= 0) s.frame = int32_t(frame);
    }
    return true;
}

void OrvSpw_Advance() {
    for (int i = 0; i < OrvSpw_NbVisibles; i++) {
        ST_spw_visible& s = OrvSpw_Visibles[i];
        if (!s.active || !s.shown || !s.playing) continue;
        if (s.frame < 0) s.frame = s.first_frame;
        else if (s.frame >= s.last_frame) s.frame = -1;
        else s.frame++;
    }
}

void OrvSpw_Paint(CSurface* const faces[6], int32_t frameCount) {
    OrvSpw_Restore();
    for (int i = 0; i < OrvSpw_NbVisibles; i++) {
        ST_spw_visible& s = OrvSpw_Visibles[i];
        s.drawn = kNothing;
        if (!s.active || !s.shown || !s.spw || s.face < 0 || s.face > 5 || !faces[s.face]) continue;
        if (s.flicker && !(frameCount & 1)) continue;
        CSurface* face = faces[s.face];
        OrvSpr_SetSurfaceInfo(face);
        if (HasFrameList(s)) {
            const int n = UsedEntries(s);
            for (int k = 0; k < n; k++)
                if (s.frame_tab[k] != SPW_FRAME_NONE) PaintFrame(s, face, s.frame_tab[k]);
        } else {
            // Between two cycles (-1) the last frame stays: a looping sprite never blinks out.
            PaintFrame(s, face, s.frame == -1 ? s.last_frame : s.frame);
        }
    }
    OrvSpr_SetSurfaceInfo(nullptr);
}

void OrvSpw_Restore() {
    for (auto it = g_saved.rbegin(); it != g_saved.rend(); ++it) {
        const int w = it->r.right - it->r.left + 1;
        for (int y = it->r.top; y <= it->r.bottom; y++)
            std::memcpy(it->face->Row(y) + size_t(it->r.left) * 2, &it->pixels[size_t(y - it->r.top) * w], size_t(w) * 2);
    }
    g_saved.clear();
}

int32_t OrvSpw_HitAt(int face, int32_t px, int32_t py) {
    for (int i = 0; i < OrvSpw_NbVisibles; i++) {
        const ST_spw_visible& s = OrvSpw_Visibles[i];
        if (!s.clic_type || !s.shown || !s.active || s.face != face) continue;
        if (px >= s.drawn.left && px <= s.drawn.right && py >= s.drawn.top && py <= s.drawn.bottom) return i;
    }
    return -1;
}
