// Chapter scripts: read against the demo's names, command places checked, initialisation and a pass run.
#include "testdata/DemoWorld.h"
#include "testdata/ScriptWriter.h"
#include "tests/fuzz/FuzzTarget.h"
#include "world/ChapterScript.h"
#include "world/Interp.h"
#include "world/Orv_Msg.h"
#include "world/wam.h"

namespace {

const char* const kFile = "scenar/chapi001.con";

void Setup() { Fuzz_UseWorld(); }

void Use(const ChapterScript& s) {
    for (size_t i = 0; i < s.lines.size(); i++) {
        const ScriptLine& l = s.lines[i];
        Fuzz_Check(ChapterScript_LineAt(s, l.offset) == int32_t(i), "a line does not hold its own start");
        Fuzz_Check(ChapterScript_IsResumePoint(s, l.offset), "a line start is no resume point");
        for (const ScriptCmd& c : l.cmds) {
            Fuzz_Check(c.offset >= l.offset && size_t(c.offset) < s.text.size() && s.text[size_t(c.offset)] == '(',
                       "a command outside its line");
            Fuzz_Check(ChapterScript_IsResumePoint(s, c.offset), "a command is no resume point");
        }
    }
    Interp_RunInit();
    Interp_SetEngineVar(IV_ARRIVEEVUE, 1);
    CtrlScenarIN();
    for (int k = 0; k < 4 && PendingScenarioBlock.flag; k++) {
        OrvMsg_Abort();
        Interp_ResumePending();
    }
}

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile(kFile, data, size);
    const bool loaded = Interp_LoadChapter(1);
    if (loaded) {
        Fuzz_Check(Interp_CurrentScript() && Interp_CurrentScript()->text.size() == size, "script not installed whole");
        Use(*Interp_CurrentScript());
    }
    // The next input starts from the demo's first chapter, as a new game.
    OrvMsg_Abort();
    OrvWam_CancelJump();
    Interp_ResetState();
    const std::string demo = DemoWorld_Chapter1();
    Fuzz_WriteFile(kFile, demo.data(), demo.size());
    Fuzz_Check(Interp_LoadChapter(1), "demo chapter refused");
    return loaded;
}

std::vector<FuzzBytes> Seeds() {
    ChapterWriter c;
    c.Init("(SOURCIER=3)(flag7=1)").Comment("deux vues").Vue("YU", 2);
    c.Block("", {"(MESSAGE=7)", "(VISITES_YU=SOURCIER)(HIDEPERSO=GARDIEN)"});
    c.Block("SOURCIER>=3 & flag7!=0 & sacados=CLE", {"(CHAPTER=2)"});
    c.Vue("IR", 1).Block("VUE<LASTVUE", {"(SHOWOBJ=CLE)(EXIT=1)"});
    return {Fuzz_Text(DemoWorld_Chapter1()), Fuzz_Text(c.Text())};
}

}  // namespace

QM_FUZZ_TARGET(chapter, Setup, Run, Seeds);
