// The puzzles' saved words: one block of the save game, checked before a load changes anything.
#include "puzzles/pz_save.h"

#include <cstring>

#include "app/Orv_Log.h"
#include "puzzles/pz_anneau.h"
#include "puzzles/pz_araig.h"
#include "puzzles/pz_crane.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_maya.h"
#include "puzzles/pz_ogham.h"
#include "world/OrvSaveGame.h"

const char* const PZ_SAVE_BLOCK_NAME = "PUZZLES";

namespace {
// The block's layout: each field's bytes, in the order they are written.
struct Field {
    void* data;
    size_t size;
};
constexpr int kNbFields = 3 * 2 + 7;
void Fields(Field out[kNbFields]) {
    int n = 0;
    for (int b = 0; b < PZ_MAYA_BOARDS; b++) {
        out[n++] = {&maya_etat[b], sizeof maya_etat[b]};
        out[n++] = {maya_plateau[b], sizeof maya_plateau[b]};
    }
    out[n++] = {&pz_actif, sizeof pz_actif};
    out[n++] = {&araig_stage, sizeof araig_stage};
    out[n++] = {&anneau_pas, sizeof anneau_pas};
    out[n++] = {&anneau_frame, sizeof anneau_frame};
    out[n++] = {crane_etat, sizeof crane_etat};
    out[n++] = {ogham_etat, sizeof ogham_etat};
    out[n++] = {&croix_etat, sizeof croix_etat};
}

int32_t ReadI32(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

bool BadWord(const char* what, int32_t value) {
    OrvError_Warning("pz_save_check() %s : %d hors limites", what, value);
    return false;
}

bool CheckBoard(const uint8_t* p, int b) {
    const int32_t etat = ReadI32(p);
    if (etat < 0 || etat > 2) return BadWord("état du plateau maya", etat);
    for (int k = 0; k < PZ_MAYA_CELLS; k++)
        if (p[4 + k] < '0' || p[4 + k] > '5') return BadWord("case du plateau maya", b * PZ_MAYA_CELLS + k);
    if (p[4 + PZ_MAYA_CELLS] != 0) return BadWord("fin du plateau maya", b);
    return true;
}

// Characters 0 and 1 are "0" and "1"; character i of 2 to 6 is "9" (nothing laid) or the digit i.
bool CheckSkulls(const uint8_t* p) {
    for (int i = 0; i < 7; i++) {
        const bool ok = i < 2 ? p[i] == '0' + i : p[i] == '9' || p[i] == '0' + i;
        if (!ok) return BadWord("crâne", i);
    }
    return p[7] == 0 || BadWord("fin des crânes", p[7]);
}

// Each position is empty (-1) or carved with one of the four shapes of its own frames.
bool CheckOgham(const uint8_t* p) {
    for (int i = 0; i < PZ_OGHAM_POSITIONS; i++) {
        const int v = int8_t(p[i]);
        if (v != -1 && (v < 4 * i || v > 4 * i + 3)) return BadWord("trait d'ogham", i);
    }
    return true;
}

void Save(std::vector<uint8_t>& out) { pz_save_write(out); }
bool Check(const uint8_t* data, uint32_t size) { return pz_save_check(data, size); }
void Load(const uint8_t* data, uint32_t size) { pz_save_read(data, size); }
}  // namespace

void pz_save_register() {
    OrvSaveGame_RegisterBlock(OrvSaveBlockDef{PZ_SAVE_BLOCK_NAME, PZ_SAVE_SIZE, Save, Check, Load});
}

void pz_save_reset() {
    for (int b = 0; b < PZ_MAYA_BOARDS; b++) {
        maya_etat[b] = 0;
        std::memcpy(maya_plateau[b], MAYA_VIDE, PZ_MAYA_CELLS + 1);
    }
    pz_actif = PZ_NONE;
    araig_stage = ARAIG_STAGE_INITIAL;
    anneau_pas = 0;
    anneau_frame = 0;
    std::memcpy(crane_etat, CRANE_INITIAL, sizeof crane_etat);
    for (int i = 0; i < PZ_OGHAM_POSITIONS; i++) ogham_etat[i] = int8_t(4 * i + 2);
    croix_etat = 0;
}

void pz_save_write(std::vector<uint8_t>& out) {
    Field fields[kNbFields];
    Fields(fields);
    for (const Field& f : fields) {
        const uint8_t* p = static_cast<const uint8_t*>(f.data);
        out.insert(out.end(), p, p + f.size);
    }
}

bool pz_save_check(const uint8_t* data, uint32_t size) {
    if (!data || size != uint32_t(PZ_SAVE_SIZE)) return BadWord("taille du bloc", int32_t(size));
    const uint8_t* p = data;
    for (int b = 0; b < PZ_MAYA_BOARDS; b++, p += 4 + PZ_MAYA_CELLS + 1)
        if (!CheckBoard(p, b)) return false;
    const int32_t actif = ReadI32(p);
    if (actif < PZ_NONE || actif > PZ_LAST) return BadWord("pz_actif", actif);
    const int32_t stage = ReadI32(p + 4);
    if (stage < 1 || stage > 4) return BadWord("araig_stage", stage);
    const int32_t pas = ReadI32(p + 8), frame = ReadI32(p + 12);
    if (pas < -10 || pas > 10) return BadWord("anneau_pas", pas);
    if (frame < 0) return BadWord("anneau_frame", frame);
    p += 16;
    if (!CheckSkulls(p)) return false;
    // The cross word is 0 or the id of the zone the cross lies on, and an unnamed zone may carry any id:
    // every value is one the laying can write.
    return CheckOgham(p + 8);
}

void pz_save_read(const uint8_t* data, uint32_t size) {
    if (!data || size != uint32_t(PZ_SAVE_SIZE)) return;
    Field fields[kNbFields];
    Fields(fields);
    for (const Field& f : fields) {
        std::memcpy(f.data, data, f.size);
        data += f.size;
    }
}
