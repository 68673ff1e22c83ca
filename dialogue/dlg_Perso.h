// dlg_Perso: a dialogue character, its eight stands and its shared face textures.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "engine3d/Material.h"
#include "graphics2d/Surface.h"

class CTPolygonPipeline;
class dlg_Anim;
class dlg_VoiceAnalysis;
struct CTDbMaterial;

constexpr int DLG_MAX_STANDS = 8;
constexpr int DLG_MAX_TEXTURES = 8;
extern const char* const kDlgGridName;

// One face map: the live texture the mesh samples, and the open, closed and half-closed eye copies
// that blinking copies into it.
class dlg_FaceTexture {
public:
    std::string name;

    CTTextureMap& GetTextureMap() { return map_; }
    // The surface of the entry under the record's name (created empty when missing).
    CSystemMemorySurface& GetLiveSurface() { return map_[name].surface; }
    CSystemMemorySurface& GetOpenSurface() { return open_; }
    CSystemMemorySurface& GetClosedSurface() { return closed_; }
    CSystemMemorySurface& GetHalfClosedSurface() { return halfClosed_; }
    bool CanBlink() const { return open_.pixels && closed_.pixels && halfClosed_.pixels; }

    // Named "Texture générée", a 32 x 32 checkerboard of 2-pixel cells, no eye copies.
    void MakeGrid();
    // The live entry under the record's name becomes the checkerboard.
    void MakeLiveGrid();

private:
    CTTextureMap map_;
    CSystemMemorySurface open_;
    CSystemMemorySurface closed_;
    CSystemMemorySurface halfClosed_;
};

using dlg_TextureSet = std::unique_ptr<dlg_FaceTexture>[DLG_MAX_TEXTURES];

// The texture set of the character whose stand is loading, and its slot bound to that stand (-1: none).
extern dlg_TextureSet* g_TextureSet;
extern int32_t g_CurrentTexture;

class dlg_Perso {
public:
    dlg_Perso();
    ~dlg_Perso();
    dlg_Perso(const dlg_Perso&) = delete;
    dlg_Perso& operator=(const dlg_Perso&) = delete;

    std::string name;

    // Loads stand 0..7 from "<mesh>s<stand + 1>.db" (-1 loads nothing); false when its file is missing.
    bool AddAnime(int32_t stand);
    void PlayAnime(int32_t stand, int32_t frame);
    void ResetMouth(int32_t stand);
    void UpdateMouth(int32_t stand, int32_t humeur, dlg_VoiceAnalysis* analysis, float* weights, float time);
    void DisplayFace(int32_t stand, CTPolygonPipeline& pipeline, uint32_t camera);
    // Cameras of a loaded stand, 0 for any other.
    uint32_t GetCameraCount(int32_t stand) const;
    void SetResident(bool resident) { resident_ = resident; }
    bool IsResident() const { return resident_; }

    dlg_Anim* GetAnime(int32_t stand) const;
    dlg_FaceTexture* GetTexture(int slot) const;

    // Binds the map a material names to a slot of g_TextureSet, loading it into the first free slot.
    static void FindOrLoadTexture(const CTDbMaterial& material);
    // Fills a record from its map file and the "yf" and "ymf" eye variants.
    static void LoadTextures(dlg_FaceTexture& record);

private:
    bool resident_ = false;
    dlg_TextureSet textures_;
    std::unique_ptr<dlg_Anim> anims_[DLG_MAX_STANDS];
};
