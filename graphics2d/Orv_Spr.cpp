// Sprite front end: loads the drawing plug-in and drives it for banks, cursor, overlays and SPW files.
#include "graphics2d/Orv_Spr.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Cpu.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Orv_Mem.h"
#include "app/Plugin.h"

namespace {

void* g_lib = nullptr;
SprDllApi g_api{};
int g_variant = 0;
int32_t g_screenPal = SPR_PAL_565;

CSurface* g_target = nullptr;
bool g_hasClip = false;
ClipRect g_clip{};

SprBank* g_cursorBank = nullptr;
int g_cursorN = 0;
SprBank* g_objBank = nullptr;
int g_objN = 0;
void (*g_resetHook)() = nullptr;
const int32_t* g_mouseX = nullptr;
const int32_t* g_mouseY = nullptr;

SprBank* g_spf[MAX_SPF] = {};
int g_nbSpf = 0;

const char* const kTagBank = "sprbank";
const char* const kTagSpw = "spw";

template <class F>
bool Bind(F*& slot, const char* name) {
    slot = reinterpret_cast<F*>(OrvPlugin_Symbol(g_lib, name));
    if (!slot) OrvError_Fatal("OrvSpr_MainInit(): point d'entrée %s absent du plug-in", name);
    return slot != nullptr;
}

bool BindAll() {
    return Bind(g_api.init, "SprDll_Init") && Bind(g_api.free, "SprDll_Free") && Bind(g_api.aff_spr, "AFF_SPR") &&
           Bind(g_api.aff_spw, "AFF_SPW") && Bind(g_api.aff_sprtrs50, "AFF_SPRTRS50") &&
           Bind(g_api.aff_sprtrs, "AFF_SPRTRS") && Bind(g_api.aff_spralpha, "AFF_SPRALPHA") &&
           Bind(g_api.aff_sprecl, "AFF_SPRECL") && Bind(g_api.aff_spromb, "AFF_SPROMB") &&
           Bind(g_api.conv_pal32, "SPR_CONVPAL32") && Bind(g_api.conv_pal16, "SPR_CONVPAL16") &&
           Bind(g_api.get_sprz, "GET_SPRZ") && Bind(g_api.get_sprt, "GET_SPRT") &&
           Bind(g_api.mod_sproff, "MOD_SPROFF") && Bind(g_api.get_sproff, "GET_SPROFF") &&
           Bind(g_api.get_nbspr, "GET_NBSPR") && Bind(g_api.conv_spr32_64, "CONV_SPR32_64") &&
           Bind(g_api.restore_pal, "SPR_RESTOPAL") && Bind(g_api.save_pal, "SPR_SAVPAL") &&
           Bind(g_api.shadow_pal, "SPR_OMBREPAL") && Bind(g_api.repal, "SPR_REPAL");
}

void Unload() {
    OrvPlugin_Unload(g_lib);
    g_lib = nullptr;
    g_api = SprDllApi{};
    g_variant = 0;
}

// The formats the plug-in draws: x8r8g8b8, r5g6b5 and x1r5g5b5; others would swap or lose channels.
int32_t PalFormatOf(const CPixelFormat& pf) {
    auto masks = [&](uint32_t r, uint32_t g, uint32_t b) {
        return pf.redMask == r && pf.greenMask == g && pf.blueMask == b;
    };
    if (pf.bitsPerPixel == 32 && masks(0xFF0000, 0xFF00, 0xFF)) return SPR_PAL_8888;
    if (pf.bitsPerPixel == 16 && masks(0xF800, 0x7E0, 0x1F)) return SPR_PAL_565;
    if (pf.bitsPerPixel == 16 && masks(0x7C00, 0x3E0, 0x1F)) return SPR_PAL_555;
    return SPR_PAL_NONE;
}

int32_t PalFormatOf(const SprTarget& t) {
    if (t.bpp == 32) return SPR_PAL_8888;
    return t.is565 ? SPR_PAL_565 : SPR_PAL_555;
}

int32_t ConvertPalette(void* data, int32_t fmt) {
    return fmt == SPR_PAL_8888 ? g_api.conv_pal32(data) : g_api.conv_pal16(data, fmt == SPR_PAL_565);
}

// The clip actually used: the set clip within the target surface.
ClipRect EffectiveClip() {
    ClipRect c{0, g_target->height - 1, g_target->width - 1, 0};
    if (g_hasClip) {
        c.top = std::max(c.top, g_clip.top);
        c.bottom = std::min(c.bottom, g_clip.bottom);
        c.right = std::min(c.right, g_clip.right);
        c.left = std::max(c.left, g_clip.left);
    }
    return c;
}

bool MakeTarget(const char* fn, SprTarget* t) {
    if (!g_lib) {
        OrvError_Warning("%s(): plug-in de sprites non chargé", fn);
        return false;
    }
    if (!g_target) {
        OrvError_Warning("%s(): pas de surface cible", fn);
        return false;
    }
    const int32_t fmt = PalFormatOf(g_target->format);
    if (fmt == SPR_PAL_NONE) {
        OrvError_Warning("%s(): format de surface non géré (%u bits)", fn, g_target->format.bitsPerPixel);
        return false;
    }
    const ClipRect c = EffectiveClip();
    *t = SprTarget{g_target->pixels, g_target->width, g_target->height, g_target->pitch,
                   fmt == SPR_PAL_8888 ? 32 : 16, fmt == SPR_PAL_565, SprClip{c.top, c.bottom, c.right, c.left}};
    return true;
}

struct Geom {
    int32_t w, h, hx, hy;
};

bool GetGeom(const char* fn, const void* data, int n, Geom* g) {
    int32_t rc = g_api.get_sprt(data, n, &g->w, &g->h);
    if (rc == SPR_OK) rc = g_api.get_sproff(data, n, &g->hx, &g->hy);
    if (rc == SPR_OK) return true;
    int32_t count = 0;
    g_api.get_nbspr(data, &count);
    OrvError_Warning("%s(): sprite %d : %s (%d sprites)", fn, n, OrvSpr_GetErrorText(rc), count);
    return false;
}

int32_t CallMode(const SprTarget& t, void* data, int n, int32_t x, int32_t y, int mode) {
    switch (mode) {
        case SPR_MODE_PLAIN: return g_api.aff_spr(&t, data, n, x, y);
        case SPR_MODE_TRS50: return g_api.aff_sprtrs50(&t, data, n, x, y);
        case SPR_MODE_ECL: return g_api.aff_sprecl(&t, data, n, x, y);
        case SPR_MODE_OMB: return g_api.aff_spromb(&t, data, n, x, y, 128);
        case SPR_MODE_ALPHA: return g_api.aff_spralpha(&t, data, n, x, y);
        default:
            if (mode >= SPR_MODE_TRS && mode <= SPR_MODE_TRS + 256)
                return g_api.aff_sprtrs(&t, data, n, x, y, mode - SPR_MODE_TRS);
            return SPR_ERR_PARAM;
    }
}

// A bank converted for another format than the target's is converted again, then drawn.
template <class Call>
int32_t WithPalette(const SprTarget& t, void* data, Call call) {
    int32_t rc = call();
    if (rc == SPR_ERR_FORMAT) {
        rc = ConvertPalette(data, PalFormatOf(t));
        if (rc == SPR_OK) rc = call();
    }
    return rc;
}

// Draws with the hot spot on (x, y); with `early` a sprite wholly outside the clip is not handed over.
bool DrawAt(const char* fn, SprBank* bank, int n, int64_t x, int64_t y, int mode, bool early) {
    if (!bank) return false;
    SprTarget t;
    Geom g;
    if (!MakeTarget(fn, &t) || !GetGeom(fn, bank, n, &g)) return false;
    if (early) {
        const int64_t cx = x - g.hx, cy = y - g.hy;
        if (cx > t.clip.right || cx + g.w <= t.clip.left || cy > t.clip.bottom || cy + g.h <= t.clip.top) return true;
    }
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) {
        OrvError_Warning("%s(): position hors limites (%lld, %lld)", fn, (long long)x, (long long)y);
        return false;
    }
    const int32_t rc =
        WithPalette(t, bank, [&] { return CallMode(t, bank, n, int32_t(x), int32_t(y), mode); });
    if (rc == SPR_OK) return true;
    if (rc == SPR_ERR_PARAM)
        OrvError_Warning("%s(): mode %d : %s", fn, mode, OrvSpr_GetErrorText(rc));
    else
        OrvError_Warning("%s(): %s", fn, OrvSpr_GetErrorText(rc));
    return false;
}

// Reads a file into one allocation and has the plug-in check it. Reports on failure and returns null.
void* LoadFile(const char* fn, const char* path, int32_t kind, const char* tag, bool badIsFatal) {
    if (!g_lib) {
        OrvError_Warning("%s(): plug-in de sprites non chargé : %s", fn, path);
        return nullptr;
    }
    const OrvFileHandle h = OrvFile_Open(path, ORV_READ);
    if (!h) {
        OrvError_Warning("%s(): fichier non trouvé: %s", fn, path);
        return nullptr;
    }
    const int32_t size = OrvFile_GetSize(h);
    void* data = nullptr;
    int32_t rc = kind == SPR_KIND_SPW ? SPR_ERR_NOTSPW : SPR_ERR_NOTSPR;
    if (size >= SPR_MAGIC_SIZE) {
        data = mem_alloc(size_t(size), tag);
        if (!data) {
            OrvFile_Close(h);
            return nullptr;
        }
        rc = OrvFile_Read(h, data, size) == size ? g_api.conv_spr32_64(data, uint32_t(size), kind) : SPR_ERR_CORRUPT;
        if (rc == SPR_OK) rc = ConvertPalette(data, g_screenPal);
    }
    OrvFile_Close(h);
    if (rc == SPR_OK) return data;
    if (data) mem_free(data, tag);
    if (badIsFatal)
        OrvError_Fatal("%s(): %s : %s", fn, OrvSpr_GetErrorText(rc), path);
    else
        OrvError_Warning("%s(): %s : %s", fn, OrvSpr_GetErrorText(rc), path);
    return nullptr;
}

// A load needs a name and an empty destination; the one already there is kept.
bool ReadyToLoad(const char* fn, const char* what, const char* name, bool hasOut, bool outFull) {
    if (!name || !hasOut) {
        OrvError_Warning("%s(): paramètre NULL", fn);
        return false;
    }
    if (outFull) {
        OrvError_Warning("%s(): %s déja init ! %s", fn, what, name);
        return false;
    }
    return true;
}

SprBank* AsBank(void* p) { return static_cast<SprBank*>(p); }
SprSpw* AsSpw(void* p) { return static_cast<SprSpw*>(p); }

}  // namespace

const char* OrvSpr_PluginName(int processorKind) {
    const bool withoutMmx = processorKind == CPU_AMD_K5 || processorKind == CPU_CYRIX ||
                            processorKind == CPU_CENTAUR || processorKind == CPU_OTHER;
    return processorKind >= CPU_PENTIUM_MMX && !withoutMmx ? "blt_p6" : "blt_p5";
}

bool OrvSpr_MainInit() {
    if (g_lib) return true;
    const OrvPluginLibrary lib = OrvPlugin_Load(std::string(OrvSpr_PluginName(ProcessorKind)) + ".so");
    if (!lib.handle) {
        OrvError_Fatal("OrvSpr_MainInit(): plug-in de sprites %s", lib.error.c_str());
        return false;
    }
    g_lib = lib.handle;
    if (!BindAll()) {
        Unload();
        return false;
    }
    const int32_t rc = g_api.init(SPRDLL_INTERFACE_VERSION, &g_variant);
    if (rc != SPR_OK) {
        Unload();
        OrvError_Fatal("OrvSpr_MainInit(): %s : %s", lib.path.c_str(), OrvSpr_GetErrorText(rc));
        return false;
    }
    debug_log("OrvSpr_MainInit(): %s (variante %d)", lib.path.c_str(), g_variant);
    return true;
}

void OrvSpr_MainClose() {
    OrvSpr_clear_spf();
    g_cursorBank = g_objBank = nullptr;
    g_cursorN = g_objN = 0;
    g_target = nullptr;
    g_hasClip = false;
    if (g_api.free) g_api.free();
    Unload();
}

const SprDllApi* OrvSpr_GetDll() { return g_lib ? &g_api : nullptr; }

int OrvSpr_GetPluginVariant() { return g_variant; }

const char* OrvSpr_GetErrorText(int code) {
    static const char* const texts[SPR_ERR_COUNT] = {
        "Rien a signaler",
        "Fichier non SPR",
        "Fichier non SPW",
        "Fichier SPR corrompu ou tronqué",
        "Version de fichier SPR inconnue",
        "Bank SPR non préparée",
        "Numéro de sprite hors limites",
        "Surface cible invalide",
        "Palette non convertie au format de la cible",
        "Paramètre invalide",
        "Palette non sauvegardée",
        "Plug-in non initialisé",
        "Version d'interface du plug-in incompatible",
    };
    return code >= 0 && code < SPR_ERR_COUNT ? texts[code] : "Erreur inconnue";
}

void OrvSpr_SetScreenFormat(const CPixelFormat& format) {
    const int32_t fmt = PalFormatOf(format);
    if (fmt == SPR_PAL_NONE) {
        OrvError_Warning("OrvSpr_SetScreenFormat(): format non géré (%u bits)", format.bitsPerPixel);
        return;
    }
    g_screenPal = fmt;
}

bool OrvSpr_LoadBank(const char* name, SprBank** bank, int fullPath) {
    if (!ReadyToLoad("OrvSpr_LoadBank", "bank spr", name, bank != nullptr, bank && *bank)) return false;
    char path[ORV_PATH_MAX];
    if (fullPath)
        std::snprintf(path, sizeof(path), "%s", name);
    else
        build_path_spr(path, name);
    *bank = AsBank(LoadFile("OrvSpr_LoadBank", path, SPR_KIND_BANK, kTagBank, true));
    return *bank != nullptr;
}

void OrvSpr_LibereBank(SprBank** bank) {
    if (!bank || !*bank) return;
    if (*bank == g_cursorBank) OrvSpr_set_curseur(nullptr, 0);
    if (*bank == g_objBank) OrvSpr_SetObjetEnMainSprite(0, nullptr);
    mem_free(*bank, kTagBank);
    *bank = nullptr;
}

int OrvSpr_GetNbSprBank(const SprBank* bank) {
    int32_t count = 0;
    if (!bank || !g_lib || g_api.get_nbspr(bank, &count) != SPR_OK) return 0;
    return count;
}

bool OrvSpr_GetSize(const SprBank* bank, int n, int* w, int* h) {
    Geom g{0, 0, 0, 0};
    bool ok = false;
    if (!bank)
        OrvError_Warning("OrvSpr_GetSize(): bank NULL");
    else if (!g_lib)
        OrvError_Warning("OrvSpr_GetSize(): plug-in de sprites non chargé");
    else
        ok = GetGeom("OrvSpr_GetSize", bank, n, &g);
    if (w) *w = ok ? g.w : 0;
    if (h) *h = ok ? g.h : 0;
    return ok;
}

bool Spr_Gett(const SprBank* bank, int n, SprSize* size) {
    int w, h;
    const bool ok = OrvSpr_GetSize(bank, n, &w, &h);
    if (size) *size = SprSize{w, h};
    return ok;
}

void OrvSpr_SetSurfaceInfo(CSurface* surface) { g_target = surface; }

void OrvSpr_SetClip(const ClipRect& clip) {
    g_clip = clip;
    g_hasClip = true;
}

void OrvSpr_ResetClip() { g_hasClip = false; }

bool OrvSpr_Aff(SprBank* bank, int n, int x, int y, int mode) {
    const bool positioned = x != SPR_NOPOS;
    return DrawAt("OrvSpr_Aff", bank, n, positioned ? x : 0, y == SPR_NOPOS ? 0 : y, mode, positioned);
}

bool OrvSpr_Aff_centre(SprBank* bank, int n, int x, int y, int mode) {
    Geom g;
    if (!bank || !g_lib || !GetGeom("OrvSpr_Aff_centre", bank, n, &g)) return false;
    return DrawAt("OrvSpr_Aff_centre", bank, n, int64_t(x) - g.w / 2 + g.hx, int64_t(y) - g.h / 2 + g.hy, mode, true);
}

void OrvSpr_set_curseur(SprBank* bank, int n) {
    g_cursorBank = bank;
    g_cursorN = n;
}

SprBank* OrvSpr_get_curseur_bank() { return g_cursorBank; }
int OrvSpr_get_curseur_sprite() { return g_cursorN; }

void OrvSpr_SetObjetEnMainSprite(int n, SprBank* bank) {
    g_objBank = bank;
    g_objN = n;
}

SprBank* OrvSpr_GetObjetEnMainSprite(int* n) {
    if (n) *n = g_objN;
    return g_objBank;
}

void OrvSpr_reset_curseur() {
    OrvSpr_set_curseur(nullptr, 0);
    OrvSpr_SetObjetEnMainSprite(0, nullptr);
    if (g_resetHook) g_resetHook();
}

void OrvSpr_SetResetHook(void (*hook)()) { g_resetHook = hook; }

void OrvSpr_SetMouseSource(const int32_t* x, const int32_t* y) {
    g_mouseX = x;
    g_mouseY = y;
}

void OrvSpr_Aff_curseur(int x, int y) {
    DrawAt("OrvSpr_Aff_curseur", g_objBank, g_objN, x, y, SPR_MODE_PLAIN, true);
    DrawAt("OrvSpr_Aff_curseur", g_cursorBank, g_cursorN, x, y, SPR_MODE_PLAIN, true);
}

void OrvSpr_Aff_curseur_souris() {
    if (!g_mouseX || !g_mouseY) {
        OrvError_Warning("OrvSpr_Aff_curseur_souris(): pas de position souris");
        return;
    }
    OrvSpr_Aff_curseur(*g_mouseX, *g_mouseY);
}

void OrvSpr_Aff_curseur_centre() {
    if (!g_target) {
        OrvError_Warning("OrvSpr_Aff_curseur_centre(): pas de surface cible");
        return;
    }
    const ClipRect c = EffectiveClip();
    OrvSpr_Aff_curseur(c.left + (c.right - c.left + 1) / 2, c.top + (c.bottom - c.top + 1) / 2);
}

bool OrvSpr_LoadSpf(const char* name) {
    if (!name) return false;
    if (g_nbSpf >= MAX_SPF) {
        OrvError_Warning("OrvSpr_LoadSpf(): MAX_SPF (%d) atteint : %s", MAX_SPF, name);
        return false;
    }
    char path[ORV_PATH_MAX];
    build_path_spf(path, name);
    if (!OrvSpr_LoadBank(path, &g_spf[g_nbSpf], 1)) return false;
    ++g_nbSpf;
    return true;
}

void OrvSpr_Aff_spf(int number) {
    for (int i = 0; i < g_nbSpf; ++i)
        if (number >= 0 && number < OrvSpr_GetNbSprBank(g_spf[i]))
            DrawAt("OrvSpr_Aff_spf", g_spf[i], number, 0, 0, SPR_MODE_PLAIN, false);
}

void OrvSpr_clear_spf() {
    for (int i = 0; i < g_nbSpf; ++i) OrvSpr_LibereBank(&g_spf[i]);
    g_nbSpf = 0;
}

bool OrvSpr_LoadSpw(const char* path, SprSpw** spw) {
    if (!ReadyToLoad("OrvSpr_LoadSpw", "spw", path, spw != nullptr, spw && *spw)) return false;
    *spw = AsSpw(LoadFile("OrvSpr_LoadSpw", path, SPR_KIND_SPW, kTagSpw, false));
    return *spw != nullptr;
}

void OrvSpr_FreeSpw(SprSpw** spw) {
    if (!spw || !*spw) return;
    mem_free(*spw, kTagSpw);
    *spw = nullptr;
}

int OrvSpr_GetNbFrameSpw(const SprSpw* spw) {
    int32_t count = 0;
    if (!spw || !g_lib || g_api.get_nbspr(spw, &count) != SPR_OK) return 0;
    return count;
}

bool OrvSpr_AffSpw(SprSpw* spw, int frame, int x, int y) {
    SprTarget t;
    if (!spw || !MakeTarget("OrvSpr_AffSpw", &t)) return false;
    const int32_t rc = WithPalette(t, spw, [&] { return g_api.aff_spw(&t, spw, frame, x, y); });
    if (rc == SPR_OK) return true;
    OrvError_Warning("OrvSpr_AffSpw(): frame %d : %s", frame, OrvSpr_GetErrorText(rc));
    return false;
}
