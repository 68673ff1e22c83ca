// The dialogue scripts of a world: character definitions, replies and the readers of the three files.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Mouth shapes of the lip-sync, and the rows of a character's weight table.
constexpr int DLG_VISEMES = 7;
constexpr int DLG_MATRIX_ROWS = 10;
constexpr float DLG_DEFAULT_FOCAL = 76.0f;

// One [Perso] section of the character script.
class dlg_PersoDef {
public:
    dlg_PersoDef();
    // Kind 0..3 selects focal list 1..4; its element at index, or 76.0 when there is none.
    float GetParam(int32_t kind, uint32_t index) const;

    std::string mesh;
    std::vector<std::string> idTexts;
    float smooth = 0.45f;
    float offset = 0.22f;
    std::vector<float> focals[4];
    // Row-major, one column per mouth shape.
    float matrix[DLG_MATRIX_ROWS * DLG_VISEMES];
};

// Character definitions by name (case kept).
using dlg_PersoDefMap = std::map<std::string, dlg_PersoDef>;
extern dlg_PersoDefMap g_PersoDefs;

// The first two characters of a name: the default mesh prefix.
std::string dlg_DefaultMesh(const std::string& name);

// Reply modes.
enum : int32_t {
    DLG_MODE_SCREEN = 0,
    DLG_MODE_VOIXOFF = 1,
    DLG_MODE_VOIXOFF0 = 2,
    DLG_MODE_CINEMA = 3,
};

// One reply of a dialogue.
class dlg_Replique {
public:
    // Stores the values; from, to and the voice come from the staging line just read, the video from
    // the speaker's mesh prefix.
    void Init(const std::string& name, int32_t perso, int32_t stand, int32_t camera, int32_t humeur,
              const std::string& text, int32_t mode);

    int32_t GetPerso() const { return perso_; }
    int32_t GetStand() const { return stand_; }
    int32_t GetCamera() const { return camera_; }
    int32_t GetHumeur() const { return humeur_; }
    int32_t GetMode() const { return mode_; }
    const std::string& GetVideoPath() const { return video_; }
    const std::string& GetVoicePath() const { return voice_; }
    const std::string& GetText() const { return text_; }
    int32_t GetFrom() const { return from_; }
    int32_t GetTo() const { return to_; }

private:
    int32_t perso_ = 0;
    int32_t stand_ = -1;
    int32_t camera_ = -1;
    int32_t humeur_ = 0;
    int32_t mode_ = 0;
    std::string video_;
    std::string voice_;
    std::string text_;
    int32_t from_ = 0;
    int32_t to_ = 0;
};

// What the reader of a dialogue hands each reply to (the dialogue object).
class dlg_ReplySink {
public:
    virtual ~dlg_ReplySink() = default;
    virtual bool AddPerso(const std::string& name, int32_t stand) = 0;
    virtual void AddReplique(const std::string& name, int32_t stand, int32_t camera, int32_t humeur,
                             const std::string& text, int32_t mode) = 0;
};

// The loading and unloading of a world's scripts are dlg_Dialog::LoadScript and UnloadScript.
// Replaces the definitions by those of a character script's text.
void dlg_Script_ParsePersos(const std::string& text);
// Reads dialogue n from the loaded texts, or from the given ones, reply after reply into the sink.
void dlg_Script_ReadDialogue(uint32_t n, dlg_ReplySink& sink);
void dlg_Script_ReadDialogueFrom(const std::string& text, const std::string& staging, uint32_t n, dlg_ReplySink& sink);

// The values of the staging line just read: the reply code (its voice) and its from and to.
const std::string& dlg_Script_VoiceCode();
int32_t dlg_Script_From();
int32_t dlg_Script_To();

// The text of the reply given when a dialogue is not in the scripts.
extern const char* const kDlgMissingDialogueText;
