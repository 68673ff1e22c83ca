// The dialogue scripts: character definitions, the replies of one dialogue, and every script error.
#include <gtest/gtest.h>

#include "tests/dialogue/DialogueTestUtil.h"

namespace {

// What the reader handed the dialogue, with the staging values it held at each reply.
struct Call {
    std::string name;
    int stand = 0;
    bool reply = false;
    int camera = 0, humeur = 0, mode = 0, from = 0, to = 0;
    std::string text = {}, voice = {};
};

class Recorder : public dlg_ReplySink {
public:
    std::vector<Call> calls;
    bool persoResult = true;

    bool AddPerso(const std::string& name, int32_t stand) override
    {
        calls.push_back({name, stand});
        return persoResult;
    }
    void AddReplique(const std::string& name, int32_t stand, int32_t camera, int32_t humeur, const std::string& text,
                     int32_t mode) override
    {
        calls.push_back({name, stand, true, camera, humeur, mode, dlg_Script_From(), dlg_Script_To(), text,
                         dlg_Script_VoiceCode()});
    }
    std::vector<Call> Replies() const
    {
        std::vector<Call> r;
        for (const Call& c : calls)
            if (c.reply) r.push_back(c);
        return r;
    }
};

class Scripts : public DialogueTest {
protected:
    DlgScriptDesc desc;
    Recorder rec;

    void SetUp() override
    {
        DialogueTest::SetUp();
        desc.persos = {Perso("Marco"), Perso("Lia")};
    }
    // Writes the world's scripts and loads them.
    void Load(const std::string& world = "IR")
    {
        ASSERT_TRUE(DlgScript_Save(dir.Path(), world, desc));
        dlg_Dialog::LoadScript("dial" + world + ".txt", "com" + world + ".txt", "info" + world + ".txt");
    }
    void Read(uint32_t n) { dlg_Script_ReadDialogue(n, rec); }
    const dlg_PersoDef& Def(const std::string& name) { return g_PersoDefs.at(name); }
};

TEST_F(Scripts, ASectionWithOnlyItsNameHasEveryDefault)
{
    dlg_Script_ParsePersos("[Perso] Benedict\n[FinPerso]\n//\n");
    ASSERT_EQ(g_PersoDefs.size(), 1u);
    const dlg_PersoDef& d = Def("Benedict");
    EXPECT_EQ(d.mesh, "Be");
    EXPECT_TRUE(d.idTexts.empty());
    EXPECT_FLOAT_EQ(d.smooth, 0.45f);
    EXPECT_FLOAT_EQ(d.offset, 0.22f);
    EXPECT_FLOAT_EQ(d.matrix[0], 0.01f);
    EXPECT_FLOAT_EQ(d.matrix[5], 0.8f);
    EXPECT_FLOAT_EQ(d.matrix[7 * 7], 1.0f);
    EXPECT_FLOAT_EQ(d.matrix[8 * 7 + 6], 0.65f);
    EXPECT_FLOAT_EQ(d.matrix[9 * 7], 0.8f);
    for (int kind = 0; kind < 4; ++kind) EXPECT_EQ(d.GetParam(kind, 0), 76.0f);
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(Scripts, EveryKeywordSetsItsField)
{
    std::string matrix;
    for (int i = 0; i < 70; ++i) matrix += (i % 7 == 0 && i ? "\r\n" : " ") + std::to_string(i);
    dlg_Script_ParsePersos("// the hero\r\n\r\n[Perso] Marco\r\n[Mesh] MA\r\n[Mesh] MB\r\n[IdText] MARCO\r\n"
                           "[IdText] PECHEUR\r\n[Smooth] 0.3\r\n[Offset] 0.1\r\n[Matrice]" + matrix +
                           "\r\n[Focale2] 40 50 \t \r\n[Focale4] 33\r\n[Focale4] 34\r\n[FinPerso]\r\n// end\r\n");
    const dlg_PersoDef& d = Def("Marco");
    EXPECT_EQ(d.mesh, "MB");
    EXPECT_EQ(d.idTexts, (std::vector<std::string>{"MARCO", "PECHEUR"}));
    EXPECT_FLOAT_EQ(d.smooth, 0.3f);
    EXPECT_FLOAT_EQ(d.offset, 0.1f);
    for (int i = 0; i < 70; ++i) EXPECT_EQ(d.matrix[i], float(i)) << i;
    EXPECT_EQ(d.focals[1], (std::vector<float>{40, 50}));
    EXPECT_EQ(d.GetParam(1, 1), 50.0f);
    EXPECT_EQ(d.GetParam(1, 2), 76.0f);
    EXPECT_EQ(d.GetParam(3, 1), 34.0f);
    EXPECT_EQ(d.GetParam(4, 0), 76.0f);
    EXPECT_EQ(d.GetParam(-1, 0), 76.0f);
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(Scripts, TheLastLineOfTheCharacterScriptIsNeverRead)
{
    // The section ends with the text: it is kept, but the value on the last line is lost.
    dlg_Script_ParsePersos("[Perso] Marco\n[Offset] 0.5\n[Smooth] 0.1\n");
    EXPECT_FLOAT_EQ(Def("Marco").offset, 0.5f);
    EXPECT_FLOAT_EQ(Def("Marco").smooth, 0.45f);
    dlg_Script_ParsePersos("[Perso] Marco\n[Smooth] 0.1");
    EXPECT_FLOAT_EQ(Def("Marco").smooth, 0.45f);
    // One line defines nothing.
    dlg_Script_ParsePersos("[Perso] Marco\n");
    EXPECT_TRUE(g_PersoDefs.empty());
    // A matrix cut by the end of the text.
    dlg_Script_ParsePersos("[Perso] Marco\n[Matrice] 1 2 3 4 5 6 7\n9 9 9 9 9 9 9\n");
    EXPECT_EQ(Def("Marco").matrix[0], 1.0f);
    EXPECT_FLOAT_EQ(Def("Marco").matrix[7], 0.01f);
}

TEST_F(Scripts, ASecondSectionOfOneNameReplacesTheFirstWhole)
{
    dlg_Script_ParsePersos("[Perso] Marco\n[IdText] A\n[Smooth] 0.1\n[FinPerso]\n[Perso] Marco\n[IdText] B\n"
                           "[FinPerso]\n[Perso] A\n[FinPerso]\n//\n");
    EXPECT_EQ(Def("Marco").idTexts, std::vector<std::string>{"B"});
    EXPECT_FLOAT_EQ(Def("Marco").smooth, 0.45f);
    // A one-letter name gives a one-letter mesh.
    EXPECT_EQ(Def("A").mesh, "A");
}

TEST_F(Scripts, BadCharacterLinesAreWarnedAndSkipped)
{
    dlg_Script_ParsePersos("Perso Marco\n/ / x\na/ commentaire\n[Perso] Marco\n[Taille] 3\n[Perso] Lia\n  //x\n[Smooth] -0.5\n"
                           "[Mesh] mc\n[FinPerso]\n//\n");
    EXPECT_EQ(Warnings(), (std::vector<std::string>{
                              "void dlg_Dialog::LoadScript() SCRIPT ERROR: Ligne incorrecte: \"Perso Marco\"",
                              "void dlg_Dialog::LoadScript() SCRIPT ERROR: Ligne incorrecte: \"[Taille] 3\"",
                              "void dlg_Dialog::LoadScript() SCRIPT ERROR: Ligne incorrecte: \"[Perso] Lia\"",
                              "void dlg_Dialog::LoadScript() SCRIPT ERROR: Ligne incorrecte: \"[Smooth] -0.5\""}));
    ASSERT_EQ(g_PersoDefs.size(), 1u);
    EXPECT_EQ(Def("Marco").mesh, "mc");
    EXPECT_FLOAT_EQ(Def("Marco").smooth, 0.45f);

    dlg_Script_ParsePersos("[Perso]\n[FinPerso]\n//\n");
    EXPECT_EQ(Fatals(), std::vector<std::string>{"void dlg_Dialog::LoadScript() SCRIPT ERROR: Nom de personnage incorrect."});
    EXPECT_TRUE(g_PersoDefs.empty());
}

TEST_F(Scripts, MissingScriptFiles)
{
    desc.lines = {DlgScript_Reply(1, 1, "Marco", "", "Salut")};
    ASSERT_TRUE(DlgScript_Save(dir.Path(), "IR", desc));
    // Without a character script the world has no definitions, silently.
    std::filesystem::remove(dir.Path() + "scenar/infoIR.txt");
    dlg_Dialog::LoadScript("dialIR.txt", "comIR.txt", "infoIR.txt");
    EXPECT_TRUE(g_PersoDefs.empty());
    EXPECT_TRUE(lines.empty());
    dlg_Dialog::LoadScript("dialIR.txt", "comYU.txt", "infoIR.txt");
    dlg_Dialog::LoadScript("dialYU.txt", "comIR.txt", "infoIR.txt");
    EXPECT_EQ(Fatals(), (std::vector<std::string>{"Script de dialogue introuvable: " + dir.Path() + "scenar/comYU.txt",
                                                  "Script de dialogue introuvable: " + dir.Path() + "loc/dialYU.txt"}));
}

TEST_F(Scripts, ADialogueReadsIntoItsReplies)
{
    desc.lines = {DlgScript_Reply(11, 1, "Lia", "", "Avant"),
                  DlgScript_Reply(12, 1, "Marco", "Stand3 CAMERA2 humeur4", "Bonjour,  le monde ; ici"),
                  DlgScript_Reply(12, 2, "Lia", "voixoff", "Qui parle ?"),
                  DlgScript_Reply(12, 3, "Marco", "voixoff stand2", "Moi."),
                  DlgScript_Reply(12, 4, "Lia", "cinema from12 to300", ""),
                  DlgScript_Reply(12, 5, "Lia", "voixoff0 to stand10 camera3 humeur5 from", "Fin"),
                  DlgScript_Reply(13, 1, "Marco", "", "Apres")};
    Load();
    Read(12);
    ASSERT_EQ(rec.calls.size(), 10u);
    const std::vector<Call> r = rec.Replies();
    ASSERT_EQ(r.size(), 5u);
    // Stand, camera, humeur, mode, from, to. A stand after the mode keyword gives the reply a stand again;
    // "stand10" is not "stand" and one character; bare "to" and "from" give 0.
    const std::vector<std::vector<int>> staging = {
        {2, 1, 4, 0, 0, 0}, {-1, -1, 1, 1, 0, 0}, {1, -1, 1, 1, 0, 0}, {-1, -1, 1, 3, 12, 300}, {-1, 2, 5, 2, 0, 0}};
    for (size_t i = 0; i < r.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rec.calls[2 * i].name, r[i].name);
        EXPECT_EQ(rec.calls[2 * i].stand, r[i].stand);
        EXPECT_FALSE(rec.calls[2 * i].reply);
        EXPECT_EQ(r[i].voice, DlgScript_Code(12, int(i) + 1));
        EXPECT_EQ((std::vector<int>{r[i].stand, r[i].camera, r[i].humeur, r[i].mode, r[i].from, r[i].to}), staging[i]);
    }
    EXPECT_EQ(r[0].name, "Marco");
    EXPECT_EQ(r[0].text, "Bonjour,  le monde ; ici");
    EXPECT_EQ(r[3].text, "");
    EXPECT_TRUE(Warnings().empty());
    EXPECT_TRUE(Fatals().empty());
}

TEST_F(Scripts, OnlyTheFirstRunOfADialoguesLinesIsRead)
{
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "", "A"), DlgScript_Reply(13, 1, "Lia", "", "B"),
                  DlgScript_Reply(12, 2, "Marco", "", "C")};
    Load();
    Read(12);
    ASSERT_EQ(rec.Replies().size(), 1u);
    EXPECT_EQ(rec.Replies()[0].text, "A");
}

TEST_F(Scripts, LinesWithoutAReplyCode)
{
    desc.lines = {{"// dialogues du monde IR", "// textes"},
                  {"", ""},
                  {"ab", "cd"},
                  {"0001", "0001"},
                  DlgScript_Reply(0, 1, "Marco", "", "Zero"),
                  {"", ""},
                  {"x12_2 Lia", "012_02 Lia Perdu"},
                  DlgScript_Reply(0, 2, "Lia", "", "Deux")};
    Load();
    // Comment and blank lines are passed over silently while searching, and never read as dialogue 0.
    Read(0);
    ASSERT_EQ(rec.Replies().size(), 2u);
    EXPECT_EQ(rec.Replies()[1].text, "Deux");
    EXPECT_EQ(Warnings(), std::vector<std::string>{"DIALOG SCRIPT ERROR: (dial:0,repl:1) Numéro de réplique incorrect!!"});
    EXPECT_TRUE(Fatals().empty());
}

TEST_F(Scripts, AMissingDialogueGivesTheDummyVoiceOver)
{
    desc.lines = {{"// rien", "// rien"}, DlgScript_Reply(12, 1, "Marco", "from5", "A")};
    Load();
    Read(0);
    ASSERT_EQ(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls[0].name, "Dummy");
    EXPECT_EQ(rec.calls[0].stand, -1);
    const Call& d = rec.calls[1];
    EXPECT_EQ(d.name, "Dummy");
    EXPECT_EQ((std::vector<int>{d.stand, d.camera, d.humeur, d.mode, d.from}), (std::vector<int>{-1, -1, 1, 1, 0}));
    EXPECT_EQ(d.text, kDlgMissingDialogueText);
    // Not the voice of the last line read, which belongs to another dialogue.
    EXPECT_EQ(d.voice, "");
    EXPECT_EQ(Warnings(), std::vector<std::string>{
                              "dlg_Dialog::Initialise(unsigned long) ERROR: Le numéro de dialogue demandé n'existe pas "
                              "dans le scipt (NoDialog=0)."});
}

TEST_F(Scripts, LineEnds)
{
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "humeur2", "Un"), DlgScript_Reply(12, 2, "Lia", "humeur3", "Deux")};
    for (const char* eol : {"\r\n", "\n"}) {
        for (bool finalEol : {true, false}) {
            SCOPED_TRACE(std::string(eol == std::string("\n") ? "LF" : "CRLF") + (finalEol ? " ended" : " open"));
            desc.eol = eol;
            desc.finalEol = finalEol;
            rec.calls.clear();
            Load();
            Read(12);
            const std::vector<Call> r = rec.Replies();
            // A last line without its LF is not used.
            ASSERT_EQ(r.size(), finalEol ? 2u : 1u);
            EXPECT_EQ(r[0].text, "Un");
            EXPECT_EQ(r[0].humeur, 2);
            if (finalEol) {
                EXPECT_EQ(r[1].humeur, 3);
            }
        }
    }
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(Scripts, ATextLineHasAtMost1021Characters)
{
    desc.eol = "\n";
    const std::string head = DlgScript_Reply(12, 1, "Marco", "", "").text;
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "", std::string(1021 - head.size(), 'x'))};
    ASSERT_EQ(desc.lines[0].text.size(), 1021u);
    Load();
    Read(12);
    ASSERT_EQ(rec.Replies().size(), 1u);
    EXPECT_EQ(rec.Replies()[0].text.size(), 1021 - head.size());
    EXPECT_TRUE(Fatals().empty());

    desc.lines[0].text += 'x';
    rec.calls.clear();
    Load();
    Read(12);
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_EQ(Fatals(), std::vector<std::string>{"DIALOG SCRIPT ERROR: (dial:12,repl:1) Texte trop long!!"});

    // A staging line as long is the same error.
    desc.lines = {DlgScript_Reply(12, 1, "Marco", std::string(1100, 'y'), "")};
    Load();
    Read(12);
    EXPECT_EQ(Fatals().size(), 2u);
}

TEST_F(Scripts, BrokenScriptsAreFatal)
{
    struct Case {
        std::vector<DlgScriptLine> lines;
        std::string fatal;
    };
    DlgScriptLine otherDialogue = DlgScript_Reply(12, 1, "Marco", "", "A");
    otherDialogue.text[2] = '3';
    DlgScriptLine otherReply = DlgScript_Reply(12, 2, "Marco", "", "A");
    otherReply.text[5] = '3';
    const std::string head = "DIALOG SCRIPT ERROR: (dial:12,repl:";
    const std::vector<Case> cases = {
        {{otherDialogue}, head + "1) les scripts de dialogues sont incompatibles entre eux!!"},
        {{DlgScript_Reply(12, 1, "Marco", "", "A"), otherReply}, head + "2) les scripts de dialogues sont incompatibles entre eux!!"},
        {{DlgScript_Reply(12, 2, "Marco", "", "A")}, head + "2) numéro de réplique incorrect. Numéro de réplique attendu: 1"},
        {{DlgScript_Reply(12, 1, "Marco", "", "A"), DlgScript_Reply(12, 3, "Lia", "", "B")},
         head + "3) numéro de réplique incorrect. Numéro de réplique attendu: 2"},
        {{{"012_01", "012_01 x"}}, head + "1) le nom du personnage n'est pas renseigné."},
        {{DlgScript_Reply(12, 1, "marco", "", "A")}, head + "1) nom de personnage inconnu: marco"},
        {{DlgScript_Reply(12, 1, "Marco", "stand9", "A")}, head + "1) paramètre STAND incorrect: stand9"},
        {{DlgScript_Reply(12, 1, "Marco", "Stand0", "A")}, head + "1) paramètre STAND incorrect: stand0"},
        {{DlgScript_Reply(12, 1, "Marco", "standa", "A")}, head + "1) paramètre STAND incorrect: standa"},
        {{DlgScript_Reply(12, 1, "Marco", "camera0", "A")}, head + "1) paramètre CAMERA incorrect: camera0"},
        {{DlgScript_Reply(12, 1, "Marco", "camera:", "A")}, head + "1) paramètre CAMERA incorrect: camera:"},
        {{DlgScript_Reply(12, 1, "Marco", "humeur6", "A")}, head + "1) paramètre HUMEUR incorrect: humeur6"},
        {{DlgScript_Reply(12, 1, "Marco", "HUMEUR0", "A")}, head + "1) paramètre HUMEUR incorrect: humeur0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fatal);
        desc.lines = c.lines;
        lines.clear();
        rec.calls.clear();
        Load();
        Read(12);
        EXPECT_EQ(Fatals(), std::vector<std::string>{c.fatal});
        // Nothing is added for the broken reply.
        for (const Call& call : rec.calls) EXPECT_EQ(call.name, "Marco");
    }
}

TEST_F(Scripts, ACharacterThatCannotBeAddedStillSpeaks)
{
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "stand4", "A")};
    Load();
    rec.persoResult = false;
    Read(12);
    EXPECT_EQ(rec.Replies().size(), 1u);
    EXPECT_EQ(Warnings(), std::vector<std::string>{
                              "DIALOG SCRIPT ERROR: (dial:12,repl:1) problème lors de l'ajout du personnage: 3"});
}

TEST_F(Scripts, TheReplyRecordsItsPaths)
{
    desc.persos = {Perso("Marco", "MA"), Perso("Lia")};
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "stand1 camera2 cinema stand1 from3 to9", "Oui"),
                  DlgScript_Reply(12, 2, "Lia", "voixoff", "Non")};
    dlg_Dialog& dialog = Build(desc);
    ASSERT_EQ(dialog.GetRepliqueCount(), 2u);
    const dlg_Replique& r = *dialog.GetRepliqueAt(0);
    EXPECT_EQ(r.GetPerso(), 0);
    EXPECT_EQ(r.GetStand(), 0);
    EXPECT_EQ(r.GetCamera(), 1);
    EXPECT_EQ(r.GetMode(), 3);
    EXPECT_EQ(r.GetFrom(), 3);
    EXPECT_EQ(r.GetTo(), 9);
    EXPECT_EQ(r.GetText(), "Oui");
    EXPECT_EQ(r.GetVideoPath(), dir.Path() + "datas_q2/qmv/dial/MAs1c2.qmv");
    EXPECT_EQ(r.GetVoicePath(), dir.Path() + "datas_q2/ksn/dial/012_01.ksn");
    const dlg_Replique& v = *dialog.GetRepliqueAt(1);
    EXPECT_EQ(v.GetPerso(), 1);
    EXPECT_EQ(v.GetVideoPath(), "NIL");
    EXPECT_EQ(v.GetVoicePath(), dir.Path() + "datas_q2/ksn/dial/012_02.ksn");
    // The stand file is missing: the reply stays, after the warning.
    EXPECT_TRUE(Logged("impossible de trouver le fichier " + dir.Path() + "datas_q2/3d/dial/MAs1.db."));
    EXPECT_TRUE(Logged("problème lors de l'ajout du personnage: 0"));

    // A dialogue already built is refused.
    dialog.Initialise(13);
    EXPECT_EQ(dialog.GetRepliqueCount(), 2u);
    EXPECT_TRUE(Logged("dlg_Dialog::Initialise(unsigned long) ERROR : le dialogue est déja initialisé (dial:13)"));
}

}  // namespace
