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

class CSurface;
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

    // Takes the dialogue down: its characters but the residents, its replies, voice and video.
    void Remove();
    // A world's hero, with every stand he has, kept between dialogues; refused while a dialogue is built.
    bool AddResident(const std::string& name);
    bool RemoveResidents();

    // One frame-timer tick: starts the next reply once the current one is finished, ends a reply whose
    // voice has played out or whose cinema count is past its end. False once the dialogue is over.
    bool Update();
    // The current reply is finished (a click).
    void EndReplique() { finished_ = true; }
    // One pass: the speaker's stand video and face for a reply on screen, then the subtitle.
    void Display(bool subtitles);
    void DrawSubtitle(CSurface* surface);
    void AnimateFace();
    void DrawFace();

    // -1 when no reply is current.
    int32_t GetCurrentMode() const;
    std::string GetCurrentPersoName() const;
    const dlg_Replique* GetCurrentReplique() const;
    // Slot of the first shown view sprite of a character named by the speaker's [IdText] lines, or -1.
    int32_t FindSpeakerSprite() const;
    // Field of view of the current reply's stand and camera, degrees.
    float GetFocal() const;
    // Over a running video only subtitles are drawn and the video player is left to that video.
    void SetOverVideo(bool over) { overVideo_ = over; }
    bool IsOverVideo() const { return overVideo_; }

    bool IsInitialised() const { return initialised_; }
    int32_t GetFrameCounter() const { return frameCounter_; }
    bool IsVoiceOpen() const { return voice_.IsOpen(); }
    // Seconds the current reply's voice has played: its clock stands still while the sound is paused
    // (an inactive window), so the mouth keeps in step with the voice.
    double GetVoiceTime() const;
    const QmvStream& Video() const { return video_; }
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
    // The picture a cinema reply started on, put back before each of its subtitles.
    void RestoreCinemaPicture(CSurface& render);

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
    bool overVideo_ = false;
    CSystemMemorySurface cinemaPicture_;
    bool cinemaPictureHeld_ = false;
};

// A subtitle's lines in the font begun (OrvFont_PrintBegin): each narrower than maxWidth, broken after its
// last partition character; a word that cannot be broken is cut and ends the text; at most maxLines lines.
std::vector<std::string> dlg_SplitSubtitle(const std::string& text, int32_t maxWidth, size_t maxLines);

// The one dialogue object: built by dial_maininit, gone after OrvDial_close (null then).
dlg_Dialog* dlg_TheDialog();
void dlg_SetTheDialog(std::unique_ptr<dlg_Dialog> dialog);
