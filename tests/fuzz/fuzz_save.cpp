// Save games against the demo world: scanned and loaded; a game that loads saves and loads again.
#include <algorithm>

#include "app/Orv_File.h"
#include "testdata/DemoWorld.h"
#include "tests/fuzz/FuzzTarget.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/OrvSaveGame.h"
#include "world/ZapFile.h"
#include "world/wam.h"

// The input's first byte chooses whether its sums are made right first; the rest is the file.
namespace {

// Mutations rarely keep a size or a sum right: with an odd first byte the input's file size and sums
// are made right again (the directory's and each block's that lies in the file), so the blocks' own
// checks are reached.
FuzzBytes Sealed(const uint8_t* data, size_t size) {
    FuzzBytes b(data, data + size);
    auto get = [&](size_t at) { return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24; };
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++) b[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    if (b.size() < ZAPFILE_HEADER_SIZE) return b;
    const uint64_t dirEnd = ZAPFILE_HEADER_SIZE + uint64_t(std::min(get(12), ZAPFILE_MAX_BLOCKS)) * ZAPFILE_ENTRY_SIZE;
    if (dirEnd > b.size()) return b;
    for (size_t e = ZAPFILE_HEADER_SIZE; e < dirEnd; e += ZAPFILE_ENTRY_SIZE) {
        const uint64_t offset = get(e + 16), bytes = get(e + 20);
        if (offset + bytes <= b.size()) put(e + 24, Zap_Crc32(b.data() + offset, size_t(bytes)));
    }
    put(16, uint32_t(b.size()));
    put(20, Zap_Crc32(b.data() + ZAPFILE_HEADER_SIZE, size_t(dirEnd) - ZAPFILE_HEADER_SIZE));
    return b;
}

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
    if (size == 0) return false;
    char path[ORV_PATH_MAX];
    Fuzz_Check(OrvSaveGame_BuildPath(path, 0, 0), "no save path");
    const FuzzBytes file = data[0] & 1 ? Sealed(data + 1, size - 1) : FuzzBytes(data + 1, data + size);
    Fuzz_WriteFile(std::string(path).substr(Fuzz_Dir().size()), file.data(), file.size());
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
    seeds.back().insert(seeds.back().begin(), 1);
    // Further on: another view, the key in the bag and in hand, a flag and a variable set.
    OrvWam_RequestVue(3);
    Fuzz_Check(OrvWam_DoJump(nullptr) == WAM_JUMP_DONE, "no view 3");
    Inventaire_PrendObjEnMain("CLE");
    Interp_Flags[2] = 1;
    Interp_WriteVar("VISITES_YU", 5);
    Fuzz_Check(OrvSaveGame_Save(8) && OrvSaveGame_BuildPath(path, 0, 8), "the demo game does not save");
    seeds.push_back(Fuzz_ReadFile(path));
    seeds.back().insert(seeds.back().begin(), 0);
    NewGame();
    return seeds;
}

}  // namespace

QM_FUZZ_TARGET(save, Setup, Run, Seeds);
