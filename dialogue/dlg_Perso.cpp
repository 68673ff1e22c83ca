// Dialogue characters: stands loaded on demand, face maps and their eye variants.
#include "dialogue/dlg_Perso.h"

#include <fstream>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "audio/Orv_Muzik.h"
#include "dialogue/dlg_Anim.h"
#include "dialogue/dlg_Script.h"
#include "engine3d/Orv3D.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Tga.h"

const char* const kDlgGridName = "Texture générée";
dlg_TextureSet* g_TextureSet = nullptr;
int32_t g_CurrentTexture = -1;

namespace {

constexpr int kGridSize = 32;
constexpr int kGridCell = 2;

bool Checkerboard(CSystemMemorySurface& surface)
{
    return surface.Create(kGridSize, kGridSize, Orv3D_TextureFormat()) && DrawCheckerboard(surface, kGridCell);
}

enum class MapRead { Ok, Palettised, Bad };

// Reads a true-colour TGA into a surface of its size in the texture format.
MapRead ReadMap(const std::string& path, CSystemMemorySurface& out)
{
    DebugOut() << "Loading " << path << std::endl;
    std::ifstream in(OrvFile_Resolve(path.c_str()), std::ios::binary);
    TgaHeader header;
    if (!in || !Tga_ReadHeader(in, header)) return MapRead::Bad;
    const CPixelFormat format = Tga_GetPixelFormat(header);
    if (format.flags & PF_PALETTED) return MapRead::Palettised;
    if (format.bitsPerPixel == 0) return MapRead::Bad;
    // A header announcing more than the file holds is refused before its surface is allocated.
    const std::streamoff start = in.tellg();
    in.seekg(0, std::ios::end);
    const std::streamoff left = in.tellg() - start;
    in.seekg(start);
    if (left < Tga_MinimumDataBytes(header)) {
        OrvError_Warning("void dlg_Perso::LoadTextures() ATTENTION: la map %s est tronquée.", path.c_str());
        return MapRead::Bad;
    }
    CSystemMemorySurface picture;
    if (!picture.Create(header.Width(), header.Height(), format) || !Tga_ReadPixels(in, header, picture) ||
        !out.Create(header.Width(), header.Height(), Orv3D_TextureFormat()) || !CopySurface(out, picture)) {
        out.Free();
        return MapRead::Bad;
    }
    return MapRead::Ok;
}

// The name with a suffix inserted before its last '.'; empty when it has none.
std::string EyeVariant(const std::string& name, const char* suffix)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    return name.substr(0, dot) + suffix + name.substr(dot);
}

// Reads one eye variant into its surface; false when the load of the variants ends.
bool LoadVariant(const std::string& name, const char* suffix, CSystemMemorySurface& out)
{
    char path[ORV_PATH_MAX];
    build_path_3d_dial(path, EyeVariant(name, suffix).c_str());
    if (!OrvFile_Exists(path)) {
        OrvError_Warning("ATTENTION: impossible de trouver la map des yeux fermés :%s", path);
        return false;
    }
    const MapRead got = ReadMap(path, out);
    if (got == MapRead::Palettised)
        OrvError_Warning("void dlg_Perso::LoadTextures() ATTENTION: la map %s est en format paletté.", path);
    if (got != MapRead::Ok) return false;
    OrvMuzik_Step();
    return true;
}

}  // namespace

void dlg_FaceTexture::MakeGrid()
{
    name = kDlgGridName;
    MakeLiveGrid();
}

void dlg_FaceTexture::MakeLiveGrid()
{
    CTTexture& live = map_[name];
    live.name = name;
    live.palette = nullptr;
    live.textureFlags = 0;
    Checkerboard(live.surface);
}

dlg_Perso::dlg_Perso() = default;
dlg_Perso::~dlg_Perso() = default;

dlg_Anim* dlg_Perso::GetAnime(int32_t stand) const
{
    return stand >= 0 && stand < DLG_MAX_STANDS ? anims_[stand].get() : nullptr;
}

dlg_FaceTexture* dlg_Perso::GetTexture(int slot) const
{
    return slot >= 0 && slot < DLG_MAX_TEXTURES ? textures_[slot].get() : nullptr;
}

bool dlg_Perso::AddAnime(int32_t stand)
{
    if (name.empty()) {
        OrvError_Fatal("void dlg_Perso::AddAnime(long) ERROR: Nom du personnage non initialisé.");
        return false;
    }
    auto def = g_PersoDefs.find(name);
    if (def == g_PersoDefs.end()) {
        def = g_PersoDefs.emplace(name, dlg_PersoDef()).first;
        def->second.mesh = dlg_DefaultMesh(name);
    }
    if (stand == -1 || GetAnime(stand)) return true;
    if (stand < 0 || stand >= DLG_MAX_STANDS) {
        OrvError_Warning("bool dlg_Perso::AddAnime(const long p_lStand) ERREUR: stand %d incorrect.", int(stand));
        return false;
    }
    char path[ORV_PATH_MAX];
    build_path_3d_dial(path, (def->second.mesh + "s" + std::to_string(stand + 1) + ".db").c_str());
    if (!OrvFile_Exists(path)) {
        OrvError_Warning("bool dlg_Perso::AddAnime(const long p_lStand) ERREUR: impossible de trouver le fichier %s.", path);
        return false;
    }
    g_TextureSet = &textures_;
    g_CurrentTexture = -1;
    anims_[stand] = std::make_unique<dlg_Anim>();
    anims_[stand]->LoadDataBase(path);
    g_TextureSet = nullptr;
    return true;
}

void dlg_Perso::PlayAnime(int32_t stand, int32_t frame)
{
    if (dlg_Anim* a = GetAnime(stand)) a->Play(frame);
}

void dlg_Perso::ResetMouth(int32_t stand)
{
    if (dlg_Anim* a = GetAnime(stand)) a->ResetMouth();
}

void dlg_Perso::UpdateMouth(int32_t stand, int32_t humeur, dlg_VoiceAnalysis* analysis, float* weights, float time)
{
    if (dlg_Anim* a = GetAnime(stand)) a->UpdateMouth(humeur, analysis, weights, time);
}

void dlg_Perso::DisplayFace(int32_t stand, CTPolygonPipeline& pipeline, uint32_t camera)
{
    if (dlg_Anim* a = GetAnime(stand)) a->DisplayFace(pipeline, camera, textures_);
}

uint32_t dlg_Perso::GetCameraCount(int32_t stand) const
{
    const dlg_Anim* a = GetAnime(stand);
    return a ? a->GetCameraCount() : 0;
}

void dlg_Perso::FindOrLoadTexture(const CTDbMaterial& material)
{
    if (!g_TextureSet) return;
    dlg_TextureSet& set = *g_TextureSet;
    const std::string& map = material.mapFile;
    int slot = 0;
    for (; slot < DLG_MAX_TEXTURES && set[slot]; ++slot) {
        if (set[slot]->name == map) {
            g_CurrentTexture = slot;
            return;
        }
    }
    if (slot == DLG_MAX_TEXTURES) {
        OrvError_Warning("void dlg_Perso::FindOrLoadTexture() ATTENTION: plus de place pour la map %s.", map.c_str());
        return;
    }
    char path[ORV_PATH_MAX];
    build_path_3d_dial(path, map.c_str());
    if (!OrvFile_Exists(path)) return;
    g_CurrentTexture = slot;
    set[slot] = std::make_unique<dlg_FaceTexture>();
    set[slot]->name = map;
    LoadTextures(*set[slot]);
}

void dlg_Perso::LoadTextures(dlg_FaceTexture& record)
{
    char path[ORV_PATH_MAX];
    build_path_3d_dial(path, record.name.c_str());
    if (!OrvFile_Exists(path)) {
        OrvError_Warning("Map 3d introuvable : %s =>generation cadrillage", path);
        DebugOut() << "Generating " << record.name << std::endl;
        record.MakeLiveGrid();
        return;
    }
    CTTexture& live = record.GetTextureMap()[record.name];
    live.name = record.name;
    const MapRead got = ReadMap(path, record.GetOpenSurface());
    if (got != MapRead::Ok) {
        if (got == MapRead::Palettised)
            OrvError_Warning("void dlg_Perso::LoadTextures() ATTENTION: la map %s est en format paletté.", path);
        // The face keeps a texture with pixels: the grid stands in for the refused map.
        record.MakeLiveGrid();
        return;
    }
    live.surface.Create(record.GetOpenSurface().width, record.GetOpenSurface().height, Orv3D_TextureFormat());
    CopySurface(live.surface, record.GetOpenSurface());
    OrvMuzik_Step();
    if (EyeVariant(record.name, "yf").empty()) {
        OrvError_Warning("void dlg_Perso::LoadTextures() ATTENTION: la map %s n'a pas d'extension: pas de clignement.",
                         path);
        return;
    }
    if (LoadVariant(record.name, "yf", record.GetClosedSurface()))
        LoadVariant(record.name, "ymf", record.GetHalfClosedSurface());
}
