// dlg_Dialog: the dialogue object: its characters, its replies and the means to draw its faces.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/AdpcmStream.h"
#include "dialogue/dlg_LipSync.h"
#include "dialogue/dlg_Perso.h"
#include "dialogue/dlg_Script.h"
#include "engine3d/Camera.h"
#include "engine3d/Material.h"
#include "engine3d/PolygonPipeline.h"
#include "graphics2d/Surface.h"
#include "raster/Rasterizer.h"
#include "video/QmvStream.h"

// The working camera into which every stand converts its camera records before copying them: the
// 640 x 480 screen with its centre, clip rectangle, 76 degrees, near 1.5 and far 50000.
CTCamera& dlg_DialogCamera();
// Gives the dialogue camera that screen again.
void dlg_ResetDialogCamera();

class dlg_Dialog : public dlg_ReplySink {
public:
    // The rasteriser covers 640 x 480 in white, the depth buffer is created in its z-buffer format, the
    // dialogue camera is set and the random generator seeded with the time.
    dlg_Dialog();
    ~dlg_Dialog() override;
    dlg_Dialog(const dlg_Dialog&) = delete;
    dlg_Dialog& operator=(const dlg_Dialog&) = delete;

    // A world's three scripts, by bare file name (text, staging, characters).
    static void LoadScript(const std::string& textName, const std::string& stagingName, const std::string& persoName);
    static void UnloadScript();

    // Builds dialogue n from the scripts; a dialogue already built is refused with a warning. True.
    bool Initialise(uint32_t n);
    // The character of that name (created when new) loads that stand (-1: none).
    bool AddPerso(const std::string& name, int32_t stand) override;
    // Appends a reply; a speaker without a camera keeps the one of his previous reply while the stand
    // has it, else draws one of the stand's cameras.
    void AddReplique(const std::string& name, int32_t stand, int32_t camera, int32_t humeur, const std::string& text,
                     int32_t mode) override;

    bool IsInitialised() const { return initialised_; }
    size_t GetPersoCount() const { return persos_.size(); }
    dlg_Perso* GetPersoAt(size_t i) const { return i < persos_.size() ? persos_[i].get() : nullptr; }
    // Position in the character table, -1 when absent.
    int32_t FindPerso(const std::string& name) const;
    size_t GetRepliqueCount() const { return replies_.size(); }
    const dlg_Replique* GetRepliqueAt(size_t i) const { return i < replies_.size() ? replies_[i].get() : nullptr; }

    CTRasterizer& Rasterizer() { return rasterizer_; }
    CTPolygonPipeline& Pipeline() { return pipeline_; }
    CSystemMemorySurface& DepthBuffer() { return depthBuffer_; }

private:
    int32_t width_ = 640;
    int32_t height_ = 480;
    CTRasterizer rasterizer_;
    CTConfigurer configurer_;
    CTPolygonPipeline pipeline_;
    CSystemMemorySurface depthBuffer_;
    QmvStream video_;
    AdpcmStream voice_;
    std::unique_ptr<dlg_VoiceAnalysis> analysis_;
    std::unique_ptr<float[]> weights_;
    // Residents first.
    std::vector<std::unique_ptr<dlg_Perso>> persos_;
    std::vector<std::unique_ptr<dlg_Replique>> replies_;
    uint32_t current_ = uint32_t(-1);
    bool finished_ = true;
    bool initialised_ = false;
    int32_t frameCounter_ = -1;
};
