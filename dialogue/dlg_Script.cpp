// The readers of the dialogue scripts: character definitions, and the replies of one dialogue.
#include "dialogue/dlg_Script.h"

#include <cmath>
#include <cstring>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "dialogue/dlg_Dialog.h"
#include "menus/TxtReader.h"

dlg_PersoDefMap g_PersoDefs;

// Shown to the player: in the fonts' single-byte code page (0xE9 is an e with an acute accent).
const char* const kDlgMissingDialogueText =
    "dlg_Dialog::Initialise(unsigned long) ERROR: Le num\xE9ro de dialogue demand\xE9 n'existe pas dans le scipt";

namespace {

constexpr float kDefaultMatrix[DLG_MATRIX_ROWS * DLG_VISEMES] = {
    0.01f, 0.2f, 0.0f,  0.0f,  0.0f,  0.8f, 0.0f,   //
    0.01f, 0.5f, 0.15f, 0.0f,  0.0f,  0.1f, 0.0f,   //
    0.01f, 0.1f, 0.5f,  0.4f,  0.0f,  0.0f, 0.0f,   //
    0.01f, 0.0f, 0.4f,  0.6f,  0.0f,  0.0f, 0.0f,   //
    0.1f,  0.0f, 0.1f,  0.8f,  0.0f,  0.0f, 0.0f,   //
    0.15f, 0.0f, 0.1f,  0.65f, 0.0f,  0.0f, 0.1f,   //
    0.2f,  0.0f, 0.15f, 0.5f,  0.0f,  0.0f, 0.15f,  //
    1.0f,  0.0f, 0.0f,  0.0f,  0.0f,  0.0f, 0.0f,   //
    0.1f,  0.0f, 0.0f,  0.0f,  0.25f, 0.0f, 0.65f,  //
    0.8f,  0.0f, 0.1f,  0.1f,  0.0f,  0.0f, 0.0f,
};

// The world's staging and text scripts, held whole from LoadScript to the next load or UnloadScript.
std::string g_TextScript;
std::string g_StagingScript;
// The staging line being read.
std::string g_VoiceCode;
int32_t g_From = 0;
int32_t g_To = 0;

constexpr char kPersoError[] = "void dlg_Dialog::LoadScript() SCRIPT ERROR: ";

bool IsBlankOrComment(const std::string& token)
{
    return token.empty() || token[0] == '/' || (token.size() > 1 && token[1] == '/');
}

void BadPersoLine(const TxtReader& line)
{
    OrvError_Warning("%sLigne incorrecte: \"%s\"", kPersoError, line.c_str());
}

// Reads floats until only separators are left on the line.
void ReadFloatList(TxtReader& line, std::vector<float>& out)
{
    for (std::string token; line.txt_GetToken(token), !token.empty();) {
        TxtReader number(token);
        float v = 0.0f;
        number.txt_ReadFloat(v);
        out.push_back(v);
    }
}

// The lines of one [Perso] section after its head, up to "[FinPerso]". False when reading a line
// reached the end of the text, which ends the whole script without interpreting that line.
bool ParseSection(TxtReader& file, dlg_PersoDef& def)
{
    TxtReader line;
    for (;;) {
        file.txt_ReadLine(line);
        if (file.txt_IsEnd()) return false;
        std::string key;
        line.txt_GetToken(key);
        if (IsBlankOrComment(key)) continue;
        if (key == "[FinPerso]") return true;
        if (key == "[Mesh]") {
            line.txt_GetToken(def.mesh);
        } else if (key == "[IdText]") {
            std::string id;
            line.txt_GetToken(id);
            def.idTexts.push_back(id);
        } else if (key == "[Smooth]") {
            float v = 0.0f;
            line.txt_ReadFloat(v);
            // A negative smoothing would carry NaN into every later mouth frame.
            if (v >= 0.0f && std::isfinite(v))
                def.smooth = v;
            else
                BadPersoLine(line);
        } else if (key == "[Offset]") {
            line.txt_ReadFloat(def.offset);
        } else if (key == "[Matrice]") {
            for (int row = 0; row < DLG_MATRIX_ROWS; ++row) {
                if (row > 0) {
                    file.txt_ReadLine(line);
                    if (file.txt_IsEnd()) return false;
                }
                for (int col = 0; col < DLG_VISEMES; ++col) line.txt_ReadFloat(def.matrix[row * DLG_VISEMES + col]);
            }
        } else if (key.size() == 9 && key.compare(0, 7, "[Focale") == 0 && key[7] >= '1' && key[7] <= '4' &&
                   key[8] == ']') {
            ReadFloatList(line, def.focals[key[7] - '1']);
        } else {
            BadPersoLine(line);
        }
    }
}

enum class LineRead { Ok, End, TooLong };
constexpr size_t kLineMax = 1023;

// One read of at most 1023 characters, up to and with the LF; the line keeps neither the LF nor a
// CR before it. End: the text ended before an LF (the line is not used).
LineRead ReadScriptLine(const std::string& text, size_t& pos, std::string& out)
{
    out.clear();
    size_t taken = 0;
    bool lf = false;
    while (taken < kLineMax && pos < text.size()) {
        const char c = text[pos++];
        ++taken;
        if (c == '\n') {
            lf = true;
            break;
        }
        out += c;
    }
    if (taken >= kLineMax) return LineRead::TooLong;
    if (!lf) return LineRead::End;
    if (!out.empty() && out.back() == '\r') out.pop_back();
    return LineRead::Ok;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void Incompatible(int32_t dialogue, int32_t reply)
{
    OrvError_Fatal("DIALOG SCRIPT ERROR: (dial:%d,repl:%d) les scripts de dialogues sont incompatibles entre eux!!",
                   int(dialogue), int(reply));
}

// The two scripts read line by line in step.
class PairReader {
public:
    PairReader(const std::string& text, const std::string& staging) : text_(text), staging_(staging) {}

    enum Result { Pair, End, Fatal };
    // The next pair of lines: End at the end of either text, Fatal after a line too long.
    Result Next(uint32_t n, int32_t repl)
    {
        const LineRead a = ReadScriptLine(text_, textPos_, textLine);
        const LineRead b = a == LineRead::Ok ? ReadScriptLine(staging_, stagingPos_, stagingLine) : LineRead::End;
        if (a == LineRead::TooLong || b == LineRead::TooLong) {
            OrvError_Fatal("DIALOG SCRIPT ERROR: (dial:%d,repl:%d) Texte trop long!!", int(n), int(repl));
            return Fatal;
        }
        return a == LineRead::Ok && b == LineRead::Ok ? Pair : End;
    }
    // A pair that holds a reply code: both lines of five characters or more, the staging line
    // beginning with three decimal digits.
    bool Short() const { return textLine.size() < 5 || stagingLine.size() < 5; }
    bool Coded() const { return IsDigit(stagingLine[0]) && IsDigit(stagingLine[1]) && IsDigit(stagingLine[2]); }

    // Takes the voice code and both dialogue numbers of a coded pair; false (fatal) when they differ.
    bool Open(int32_t repl)
    {
        g_VoiceCode = TxtReader(stagingLine).txt_NextToken();
        stagingLine[3] = '\t';
        textLine[3] = '\t';
        staging.txt_SetString(stagingLine);
        text.txt_SetString(textLine);
        staging.txt_ReadLong(dialogue);
        int32_t textDialogue = 0;
        text.txt_ReadLong(textDialogue);
        if (dialogue == textDialogue) return true;
        Incompatible(dialogue, repl);
        return false;
    }

    std::string textLine;
    std::string stagingLine;
    TxtReader text;
    TxtReader staging;
    int32_t dialogue = 0;

private:
    const std::string& text_;
    const std::string& staging_;
    size_t textPos_ = 0;
    size_t stagingPos_ = 0;
};

// "word" followed by exactly one character.
bool WordAndOne(const std::string& token, const char* word)
{
    const size_t n = std::strlen(word);
    return token.size() == n + 1 && token.compare(0, n, word) == 0;
}

int DigitOf(char c) { return IsDigit(c) ? c - '0' : -1; }

struct Staging {
    int32_t stand = 0;
    int32_t camera = -1;
    int32_t humeur = 1;
    int32_t mode = DLG_MODE_SCREEN;
};

// Applies the staging tokens after the name; false after a fatal error.
bool ReadStaging(TxtReader& line, uint32_t n, int32_t r, Staging& st)
{
    g_From = g_To = 0;
    for (std::string raw; line.txt_GetToken(raw), !raw.empty();) {
        TxtReader token(raw);
        token.txt_ToLower();
        const std::string& t = token.str();
        if (WordAndOne(t, "stand")) {
            st.stand = DigitOf(t.back()) - 1;
            if (DigitOf(t.back()) < 0 || st.stand < 0 || st.stand > 7) {
                OrvError_Fatal("DIALOG SCRIPT ERROR: (dial:%d,repl:%d) paramètre STAND incorrect: %s", int(n), int(r), t.c_str());
                return false;
            }
        } else if (WordAndOne(t, "camera")) {
            st.camera = DigitOf(t.back()) - 1;
            if (st.camera < 0) {
                OrvError_Fatal("DIALOG SCRIPT ERROR: (dial:%d,repl:%d) paramètre CAMERA incorrect: %s", int(n), int(r), t.c_str());
                return false;
            }
        } else if (WordAndOne(t, "humeur")) {
            st.humeur = DigitOf(t.back());
            if (st.humeur < 1 || st.humeur > 5) {
                OrvError_Fatal("DIALOG SCRIPT ERROR: (dial:%d,repl:%d) paramètre HUMEUR incorrect: %s", int(n), int(r), t.c_str());
                return false;
            }
        } else if (t == "voixoff") {
            st.mode = DLG_MODE_VOIXOFF;
            st.stand = -1;
        } else if (t == "voixoff0") {
            st.mode = DLG_MODE_VOIXOFF0;
            st.stand = -1;
        } else if (t == "cinema") {
            st.mode = DLG_MODE_CINEMA;
            st.stand = -1;
        } else {
            const TxtReader word = token.txt_StripDigits();
            if (word.txt_Equals("from")) g_From = token.txt_KeepDigits().txt_ToLong();
            if (word.txt_Equals("to")) g_To = token.txt_KeepDigits().txt_ToLong();
        }
    }
    return true;
}

// One reply from the current pair of dialogue n; false after a fatal error.
bool ReadReply(PairReader& pair, uint32_t n, int32_t expected, int32_t& r, dlg_ReplySink& sink)
{
    std::string name;
    pair.staging.txt_ReadLong(r).txt_GetToken(name);
    int32_t textReply = 0;
    pair.text.txt_ReadLong(textReply);
    if (r != textReply) {
        Incompatible(int32_t(n), r);
        return false;
    }
    if (r != expected) {
        OrvError_Fatal("DIALOG SCRIPT ERROR: (dial:%d,repl:%d) numéro de réplique incorrect. Numéro de réplique attendu: %d",
                       int(n), int(r), int(expected));
        return false;
    }
    if (name.empty()) {
        OrvError_Fatal("DIALOG SCRIPT ERROR: (dial:%d,repl:%d) le nom du personnage n'est pas renseigné.", int(n), int(r));
        return false;
    }
    if (!g_PersoDefs.count(name)) {
        OrvError_Fatal("DIALOG SCRIPT ERROR: (dial:%d,repl:%d) nom de personnage inconnu: %s", int(n), int(r), name.c_str());
        return false;
    }
    Staging st;
    if (!ReadStaging(pair.staging, n, r, st)) return false;
    pair.text.txt_NextToken();
    const std::string text = pair.text.str().substr(pair.text.position());
    if (!sink.AddPerso(name, st.stand))
        OrvError_Warning("DIALOG SCRIPT ERROR: (dial:%d,repl:%d) problème lors de l'ajout du personnage: %d", int(n),
                         int(r), int(st.stand));
    sink.AddReplique(name, st.stand, st.camera, st.humeur, text, st.mode);
    return true;
}

}  // namespace

dlg_PersoDef::dlg_PersoDef() { std::memcpy(matrix, kDefaultMatrix, sizeof matrix); }

float dlg_PersoDef::GetParam(int32_t kind, uint32_t index) const
{
    if (kind < 0 || kind > 3 || index >= focals[kind].size()) return DLG_DEFAULT_FOCAL;
    return focals[kind][index];
}

std::string dlg_DefaultMesh(const std::string& name) { return name.substr(0, 2); }

void dlg_Replique::Init(const std::string& name, int32_t perso, int32_t stand, int32_t camera, int32_t humeur,
                        const std::string& text, int32_t mode)
{
    perso_ = perso;
    stand_ = stand;
    camera_ = camera;
    humeur_ = humeur;
    mode_ = mode;
    text_ = text;
    from_ = g_From;
    to_ = g_To;
    char path[ORV_PATH_MAX];
    if (stand == -1 || camera == -1) {
        video_ = "NIL";
    } else {
        auto def = g_PersoDefs.find(name);
        const std::string mesh = def != g_PersoDefs.end() ? def->second.mesh : dlg_DefaultMesh(name);
        const std::string file =
            "dial/" + mesh + "s" + std::to_string(stand + 1) + "c" + std::to_string(camera + 1) + ".qmv";
        build_path_qmv(path, file.c_str());
        video_ = path;
    }
    build_path_ksn_dial(path, (g_VoiceCode + ".ksn").c_str());
    voice_ = path;
}

void dlg_Script_ParsePersos(const std::string& text)
{
    g_PersoDefs.clear();
    TxtReader file(text);
    TxtReader line;
    // The read that reaches the end of the text ends the parse: the last line is never interpreted.
    for (file.txt_ReadLine(line); !file.txt_IsEnd(); file.txt_ReadLine(line)) {
        std::string token;
        line.txt_GetToken(token);
        if (IsBlankOrComment(token)) continue;
        if (token != "[Perso]") {
            BadPersoLine(line);
            continue;
        }
        std::string name;
        line.txt_GetToken(name);
        if (name.empty()) {
            OrvError_Fatal("%sNom de personnage incorrect.", kPersoError);
            return;
        }
        dlg_PersoDef def;
        def.mesh = dlg_DefaultMesh(name);
        const bool more = ParseSection(file, def);
        g_PersoDefs[name] = std::move(def);
        if (!more) return;
    }
}

void dlg_Script_ReadDialogueFrom(const std::string& text, const std::string& staging, uint32_t n, dlg_ReplySink& sink)
{
    PairReader pair(text, staging);
    g_VoiceCode.clear();
    g_From = g_To = 0;
    int32_t r = 1;
    // Pairs without a reply code are passed over, here as between replies.
    bool found = false;
    while (!found) {
        const PairReader::Result got = pair.Next(n, r);
        if (got == PairReader::Fatal) return;
        if (got == PairReader::End) break;
        if (pair.Short() || !pair.Coded()) continue;
        if (!pair.Open(r)) return;
        found = int64_t(pair.dialogue) == int64_t(n);
    }
    if (!found) {
        OrvError_Warning("dlg_Dialog::Initialise(unsigned long) ERROR: Le numéro de dialogue demandé n'existe pas dans "
                         "le scipt (NoDialog=%d).",
                         int(n));
        // The last line read belongs to another dialogue: its voice is not this reply's.
        g_VoiceCode.clear();
        g_From = g_To = 0;
        sink.AddPerso("Dummy", -1);
        sink.AddReplique("Dummy", -1, -1, 1, kDlgMissingDialogueText, DLG_MODE_VOIXOFF);
        return;
    }
    for (int32_t built = 0;; ++built) {
        if (!ReadReply(pair, n, built + 1, r, sink)) return;
        for (;;) {
            if (pair.Next(n, r) != PairReader::Pair) return;
            if (pair.Short()) continue;
            if (!pair.Coded()) {
                OrvError_Warning("DIALOG SCRIPT ERROR: (dial:%d,repl:%d) Numéro de réplique incorrect!!", int(n), int(r));
                continue;
            }
            if (!pair.Open(r)) return;
            break;
        }
        if (int64_t(pair.dialogue) != int64_t(n)) return;
    }
}

void dlg_Script_ReadDialogue(uint32_t n, dlg_ReplySink& sink)
{
    dlg_Script_ReadDialogueFrom(g_TextScript, g_StagingScript, n, sink);
}

const std::string& dlg_Script_VoiceCode() { return g_VoiceCode; }
int32_t dlg_Script_From() { return g_From; }
int32_t dlg_Script_To() { return g_To; }

void dlg_Dialog::LoadScript(const std::string& textName, const std::string& stagingName, const std::string& persoName)
{
    char path[ORV_PATH_MAX];
    TxtReader file;
    auto load = [&](std::string& script, void (*build)(char*, const char*), const std::string& name) {
        script.clear();
        build(path, name.c_str());
        if (!TxtReader_LoadFile(path, file)) {
            OrvError_Fatal("Script de dialogue introuvable: %s", path);
            return false;
        }
        script = file.str();
        return true;
    };
    if (!load(g_TextScript, &build_path_loc, textName) || !load(g_StagingScript, &build_path_scenar, stagingName)) return;
    g_PersoDefs.clear();
    build_path_scenar(path, persoName.c_str());
    if (TxtReader_LoadFile(path, file)) dlg_Script_ParsePersos(file.str());
}

void dlg_Dialog::UnloadScript()
{
    g_TextScript.clear();
    g_TextScript.shrink_to_fit();
    g_StagingScript.clear();
    g_StagingScript.shrink_to_fit();
    g_PersoDefs.clear();
}
