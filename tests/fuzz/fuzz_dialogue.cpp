// Dialogue scripts (character, staging and text scripts joined): the readers on the bytes, then the three files
// loaded as a world change loads them and dialogues built from them, every reply checked.
#include <cctype>
#include <cmath>
#include <set>

#include "app/Orv_Log.h"
#include "dialogue/dlg_Dialog.h"
#include "dialogue/dlg_Script.h"
#include "testdata/DemoDialogue.h"
#include "testdata/DialogueWriter.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

// Records what the reader hands over and checks it as it comes.
class Replies : public dlg_ReplySink {
public:
    std::set<std::string> persos;
    int replies = 0;

    bool AddPerso(const std::string& name, int32_t stand) override {
        Fuzz_Check(stand >= -1 && stand < DLG_MAX_STANDS, "a stand out of range");
        persos.insert(name);
        return true;
    }
    void AddReplique(const std::string& name, int32_t stand, int32_t camera, int32_t humeur, const std::string& text,
                     int32_t mode) override {
        ++replies;
        Fuzz_Check(persos.count(name) == 1, "a reply of a character never added");
        Fuzz_Check(text.size() <= 1021, "a subtitle longer than a line");
        if (OrvError_InFatal()) return;
        Fuzz_Check(stand >= -1 && stand < DLG_MAX_STANDS && camera >= -1, "a stand or camera out of range");
        Fuzz_Check(humeur >= 1 && humeur <= 5 && mode >= DLG_MODE_SCREEN && mode <= DLG_MODE_CINEMA,
                   "a mood or mode out of range");
        Fuzz_Check(mode == DLG_MODE_SCREEN || stand == -1, "a voice-over or cinema reply with a stand");
    }
};

// The dialogue numbers of the first staging lines, and two others.
std::vector<uint32_t> Numbers(const std::string& staging) {
    std::vector<uint32_t> out = {0, 999};
    size_t at = 0;
    for (int line = 0; line < 8 && at < staging.size(); ++line) {
        if (at + 3 <= staging.size() && std::isdigit(uint8_t(staging[at])) && std::isdigit(uint8_t(staging[at + 1])) &&
            std::isdigit(uint8_t(staging[at + 2])))
            out.push_back(uint32_t(std::stoul(staging.substr(at, 3))));
        at = staging.find('\n', at);
        if (at != std::string::npos) ++at;
    }
    return out;
}

dlg_Dialog* g_dialog = nullptr;

void Setup() {
    Fuzz_Dir();
    // Built once: its buffers are large, and it lives as the program's does.
    static dlg_Dialog dialog;
    g_dialog = &dialog;
}

bool Run(const uint8_t* data, size_t size) {
    const std::vector<FuzzPart> parts = Fuzz_Split(data, size, 3);
    const std::string info(reinterpret_cast<const char*>(parts[0].data), parts[0].size);
    const std::string staging(reinterpret_cast<const char*>(parts[1].data), parts[1].size);
    const std::string text(reinterpret_cast<const char*>(parts[2].data), parts[2].size);

    dlg_Script_ParsePersos(info);
    for (const auto& [name, def] : g_PersoDefs) {
        Fuzz_Check(std::isfinite(def.smooth) && def.smooth >= 0.0f && std::isfinite(def.offset), "a character's timing");
        for (int kind = -1; kind <= 4; ++kind) def.GetParam(kind, 0);
    }
    bool accepted = false;
    for (uint32_t n : Numbers(staging)) {
        Replies sink;
        dlg_Script_ReadDialogueFrom(text, staging, n, sink);
        if (OrvError_InFatal()) return false;
        Fuzz_Check(sink.replies >= 1, "a dialogue without even its missing reply");
        accepted = accepted || (n != 0 && n != 999);
    }

    // As the program: the files of a world, then a dialogue built, stepped and taken down.
    Fuzz_WriteFile("scenar/infoIR.txt", info.data(), info.size());
    Fuzz_WriteFile("scenar/comIR.txt", staging.data(), staging.size());
    Fuzz_WriteFile("loc/dialIR.txt", text.data(), text.size());
    dlg_Dialog::LoadScript("dialIR.txt", "comIR.txt", "infoIR.txt");
    const std::vector<uint32_t> numbers = Numbers(staging);
    g_dialog->Initialise(numbers.size() > 2 ? numbers[2] : 1);
    for (size_t i = 0; i < g_dialog->GetRepliqueCount(); ++i)
        Fuzz_Check(size_t(g_dialog->GetRepliqueAt(i)->GetPerso()) < g_dialog->GetPersoCount(), "a reply of no character");
    for (int step = 0; step < 64 && g_dialog->Update(); ++step) {
        g_dialog->GetFocal();
        g_dialog->EndReplique();
    }
    g_dialog->Remove();
    g_dialog->RemoveResidents();
    dlg_Dialog::UnloadScript();
    return accepted && !OrvError_InFatal();
}

FuzzBytes Join(const DlgScriptDesc& d) {
    return Fuzz_Join({Fuzz_Text(DlgScript_InfoText(d)), Fuzz_Text(DlgScript_ComText(d)), Fuzz_Text(DlgScript_DialText(d))});
}

std::vector<FuzzBytes> Seeds() {
    DlgScriptDesc every;
    DlgPersoDesc marco;
    marco.name = "Marco";
    marco.mesh = "ma";
    marco.idTexts = {"GARDIEN"};
    marco.smooth = 0.3f;
    marco.offset = 0.1f;
    marco.focals[1] = {40.0f, 50.0f};
    marco.matrix.assign(70, 0.5f);
    every.persos = {marco};
    every.lines = {DlgScript_Reply(12, 1, "Marco", "stand2 camera2 humeur4", "Bonjour."),
                   DlgScript_Reply(12, 2, "Marco", "cinema from3 to9", "Plus tard."),
                   DlgScript_Reply(12, 3, "Marco", "voixoff0", "Ailleurs, sans visage.")};
    every.eol = "\n";
    every.finalEol = false;
    return {Join(DemoDialogue_Scripts("YU")), Join(DemoDialogue_Scripts("IR")), Join(every)};
}

}  // namespace

QM_FUZZ_TARGET(dialogue, Setup, Run, Seeds);
