// Save games ("ORVpp_ss.SAV") against the demo world: the slot scanned and loaded as the load page does;
// a game that loads must save again and load back from its own save.
#include "app/Orv_File.h"
#include "testdata/DemoWorld.h"
#include "tests/fuzz/FuzzTarget.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/OrvSaveGame.h"
#include "world/wam.h"

namespace {

// A new game's first view, as the program reaches it.
void NewGame() {
    Fuzz_Check(Interp_RunInit(), "the demo game does not start");
    Fuzz_Check(OrvWam_DoJump(nullptr) == WAM_JUMP_DONE, "the demo game reaches no view");
}

void Setup() {
    Fuzz_UseWorld();
    NewGame();
    OrvSaveGame_SetPlayer(0);
}

bool Run(const uint8_t* data, size_t size) {
    char path[ORV_PATH_MAX];
    Fuzz_Check(OrvSaveGame_BuildPath(path, 0, 0), "no save path");
    Fuzz_WriteFile(std::string(path).substr(Fuzz_Dir().size()), data, size);
    const bool scanned = OrvSaveGame_ScanSlot(0);
    const bool loaded = OrvSaveGame_Load(0);
    Fuzz_Check(!loaded || scanned, "a save loads that its scan refused");
    if (loaded) {
        Fuzz_Check(OrvWam_CurrentVue && OrvWam_GetWorld() && Interp_HasScript(), "a loaded game without its view");
        const uint32_t vue = OrvWam_CurrentVue->id;
        Fuzz_Check(OrvSaveGame_Save(1) && OrvSaveGame_Load(1), "a loaded game does not save and load again");
        Fuzz_Check(OrvWam_CurrentVue && OrvWam_CurrentVue->id == vue, "the view changed through a save");
    }
    return loaded;
}

std::vector<FuzzBytes> Seeds() {
    char path[ORV_PATH_MAX];
    std::vector<FuzzBytes> seeds;
    Fuzz_Check(OrvSaveGame_Save(7) && OrvSaveGame_BuildPath(path, 0, 7), "the demo game does not save");
    seeds.push_back(Fuzz_ReadFile(path));
    // Further on: another view, the key in the bag and in hand, a flag and a variable set.
    OrvWam_RequestVue(3);
    Fuzz_Check(OrvWam_DoJump(nullptr) == WAM_JUMP_DONE, "no view 3");
    Inventaire_PrendObjEnMain("CLE");
    Interp_Flags[2] = 1;
    Interp_WriteVar("VISITES_YU", 5);
    Fuzz_Check(OrvSaveGame_Save(8) && OrvSaveGame_BuildPath(path, 0, 8), "the demo game does not save");
    seeds.push_back(Fuzz_ReadFile(path));
    NewGame();
    return seeds;
}

}  // namespace

QM_FUZZ_TARGET(save, Setup, Run, Seeds);
