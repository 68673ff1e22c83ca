// dlg_Anim: one stand of a dialogue character: its database, pose, mouth targets, cameras and face.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "dialogue/dlg_Perso.h"
#include "engine3d/Animation.h"
#include "engine3d/Camera.h"
#include "engine3d/Database.h"
#include "engine3d/Material.h"
#include "engine3d/Mesh.h"

class CTPolygonPipeline;
class dlg_VoiceAnalysis;

// The mouth shapes, one letter each, in weight order.
extern const char kDlgVisemeLetters[];

// The pipeline's draw flags for a face mesh seen by a camera.
uint32_t dlg_FaceDrawFlags(const CTCamera& camera, const CTMesh& mesh, const CTPolygonPipeline& pipeline);

class dlg_Anim {
public:
    dlg_Anim() = default;
    dlg_Anim(const dlg_Anim&) = delete;
    dlg_Anim& operator=(const dlg_Anim&) = delete;

    // Loads the stand (g_TextureSet and g_CurrentTexture set by the character); reports its failures.
    void LoadDataBase(const std::string& path);
    // Poses every instance at the frame.
    void Play(int32_t frame);
    void ResetMouth() { idleTimer_ = 0.0f; }
    // The mouth of the mood: the voice's weighted targets, or an idle wander without a voice.
    void UpdateMouth(int32_t humeur, dlg_VoiceAnalysis* analysis, float* weights, float time);
    // Blinks, then draws the face with camera number `camera`.
    void DisplayFace(CTPolygonPipeline& pipeline, uint32_t camera, dlg_TextureSet& set);
    uint32_t GetCameraCount() const { return uint32_t(cameras_.size()); }

    // Objects named with "-d", or without any "-", are built; the other "-" names carry morph targets.
    static bool KeepObject(const std::string& name);

    // Read access for the character's owner and tests.
    const CTInstanceList& Instances() const { return instances_; }
    const std::vector<CTAnimationSet*>& InstanceAnimations() const { return instanceAnims_; }
    const std::vector<CTCamera>& Cameras() const { return cameras_; }
    const std::map<std::string, std::vector<CTVector3>>& MorphTargets() const { return morphTargets_; }
    CTObjectInstance* Face() const { return face_; }
    const std::string& TargetName() const { return targetName_; }
    int32_t TextureSlot() const { return textureSlot_; }
    int32_t BlinkState() const { return blinkState_; }
    const CTMaterialMap& Materials() const { return materials_; }

private:
    void Blink(dlg_FaceTexture& record);
    std::vector<CTVector3>& Target(char letter);

    CTDataBase database_;
    CTMaterialMap materials_;
    CTMeshMap meshes_;
    CTFrame root_;
    CTInstanceList instances_;
    CTAnimationSetMap animationSets_;
    std::vector<CTAnimationSet*> instanceAnims_;
    std::map<std::string, std::vector<CTVector3>> morphTargets_;
    CTObjectInstance* face_ = nullptr;
    std::string targetName_;
    std::vector<CTCamera> cameras_;
    int32_t textureSlot_ = -1;
    int32_t blinkState_ = 1;
    float idleTimer_ = 0.0f;
    float idleStep_ = 0.5f;
};
