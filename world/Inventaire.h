// The inventory: the bag of carried objects and the object in the player's hand.
#pragma once
#include <cstdint>

struct SprBank;

constexpr int MAX_OBJ_SAC_TOTAL = 90;
// Bank of the objects' inventory sprites, in "spr\".
extern const char* const INVENTAIRE_BANK_NAME;  // "objets.spr"

// One bag slot; id 0 (the placeholder first object) marks a free slot.
struct ST_sac_objet {
    int32_t nspr;   // sprite in the object bank
    int32_t id;     // #OBJETS# id
    int32_t monde;  // "MONDE" when the object was taken, or as set by Inventaire_SetMondeObjet_id
};
static_assert(sizeof(ST_sac_objet) == 12, "saved as is");

// Used slots come first, in the order the objects were taken.
extern ST_sac_objet Inventaire_Sac[MAX_OBJ_SAC_TOTAL];
extern int32_t Inventaire_NbObjets;
// Non-zero while the inventory screen is open.
extern uint8_t Inventaire_Shown;

// Loads the object bank (a missing bank is a warning: objects then have no sprite) and empties the bag.
void Inventaire_Init();
void Inventaire_Close();
// Empty bag and empty hand.
void Inventaire_Reset();
SprBank* Inventaire_GetBank();

// Puts the object into the bag (once); false when the id is not an object or the bag is full.
bool Inventaire_PrendObj_id_nspr(int32_t id, int32_t nspr);
// Removes the object from the bag; false when it was not there.
bool Inventaire_EnleveObj_id(int32_t id);
// Into the bag (with its sprite from the name definitions) and into the hand.
bool Inventaire_PrendObjEnMain(const char* name);
bool Inventaire_PrendObjEnMain_id(int32_t id);
// Empties the hand ("OBJETENMAIN" 0, no object under the pointer) and removes the object from the bag.
void Inventaire_DeposeObjEnMain_id(int32_t id);
// The object in hand: "OBJETENMAIN" and the sprite drawn under the pointer; 0 empties the hand.
void Inventaire_SetObjetEnMain_id(int32_t id);
void Inventaire_SetObjetEnMain(const char* name);
bool Inventaire_IsObjetInSac(const char* name);
bool Inventaire_IsObjetInSac_id(int32_t id);
void Inventaire_SetMondeObjet_id(int32_t id, int32_t monde);
// The player chose bag slot `slot` on the inventory screen: a module may take the choice
// (the dowsing rod, the choice strip); otherwise the object goes into the hand, or, when it is
// already there, the hand empties as OrvSpr_reset_curseur leaves it.
void Inventaire_Choisit(int32_t slot);
// Writes the bag to the log.
void Inventaire_Dump();

// The inventory screen: drawn over the panorama while Inventaire_Shown is set, one cell per bag
// slot (sprite centred, name under it), slots row by row.
struct InventaireGrid {
    int32_t x0, y0;
    int32_t cellWidth, cellHeight;
    int32_t columns, rows;
};
// Cells for `count` objects, centred in a render area of that size; they shrink when the bag
// would not fit at full size.
InventaireGrid Inventaire_GetGrid(int32_t count, int32_t width, int32_t height);
void Inventaire_Show();
// Closes the screen and with it the dialogue's choice strip.
void Inventaire_Hide();
// A left click while the screen is open, taken whatever it hits: an object's cell chooses that
// object (the screen stays open), anywhere else closes the screen.
void Inventaire_GereClic();
// Draws the screen into the locked render surface; nothing while it is closed.
void Inventaire_Draw();
