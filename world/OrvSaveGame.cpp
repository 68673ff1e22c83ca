// Save games "%sORV%02d_%02d.SAV": a "ZAPFILE 1.0" container of named blocks from a registry.
#include "world/OrvSaveGame.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "world/ChapterScript.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/Orv_Msg.h"
#include "world/ScriptText.h"
#include "world/ZapFile.h"
#include "world/wam.h"

ST_save_header OrvSaveGame_Header = {};

namespace {
const char* const kHeaderBlock = "HEADER";

std::vector<OrvSaveBlockDef> g_blocks;
int32_t g_player = 0;
bool g_diskFull = false;
// The message a loaded save was taken on, shown again once its view is entered; -1 when none.
struct SavedMessage {
    int32_t message = -1;
    bool blockWaits = false;
} g_loadedMessage;

struct PendingLoad {
    bool active = false;
    int32_t player = 0;
    int32_t slot = 0;
} g_pendingLoad;

// What a load prepares before it changes anything; the world blocks' checks read it.
struct LoadContext {
    std::unique_ptr<ChapterScript> script;
    ST_wam_world* world = nullptr;
    ST_wam_vue* vue = nullptr;
} g_ctx;

template <class T>
void append(std::vector<uint8_t>& out, const T& v) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&v);
    out.insert(out.end(), p, p + sizeof v);
}
template <class T>
T readAt(const uint8_t* data, size_t at) {
    T v;
    std::memcpy(&v, data + at, sizeof v);
    return v;
}

// Block "INTERP": the waiting block, valid only against the script it was taken in.
struct InterpBlock {
    int32_t pendingFlag;
    int32_t pendingBlock;
    uint32_t scriptSize;
};
void saveInterp(std::vector<uint8_t>& out) {
    const ChapterScript* s = Interp_CurrentScript();
    append(out, InterpBlock{PendingScenarioBlock.flag ? 1 : 0, PendingScenarioBlock.block,
                            s ? uint32_t(s->text.size()) : 0});
}
bool checkInterp(const uint8_t* data, uint32_t) {
    InterpBlock b = readAt<InterpBlock>(data, 0);
    if (b.pendingFlag == 0) return true;
    if (b.pendingFlag != 1 || !g_ctx.script || b.scriptSize != g_ctx.script->text.size() ||
        !ChapterScript_IsResumePoint(*g_ctx.script, b.pendingBlock)) {
        OrvError_Warning("OrvSaveGame_Load() bloc en attente %d incompatible avec le chapitre %d", b.pendingBlock,
                         g_ctx.script ? g_ctx.script->chapter : -1);
        return false;
    }
    return true;
}
void loadInterp(const uint8_t* data, uint32_t) {
    InterpBlock b = readAt<InterpBlock>(data, 0);
    PendingScenarioBlock = {uint8_t(b.pendingFlag), b.pendingFlag ? b.pendingBlock : INTERP_NO_BLOCK};
}

// Block "MESSAGE": the message on screen (-1 when none) and whether the waiting block waits for it.
struct MessageBlock {
    int32_t message;
    int32_t blockWaits;
};
void saveMessage(std::vector<uint8_t>& out) {
    append(out, MessageBlock{OrvMsg_Current(), OrvMsg_BlockWaits() ? 1 : 0});
}
bool checkMessage(const uint8_t* data, uint32_t) {
    MessageBlock b = readAt<MessageBlock>(data, 0);
    if (b.message == -1 && b.blockWaits == 0) return true;
    if (b.message < 0 || !OrvMsg_GetMessage(b.message) || (b.blockWaits != 0 && b.blockWaits != 1)) {
        OrvError_Warning("OrvSaveGame_Load() message %d absent de %s", b.message, MESSAGES_FILE_NAME);
        return false;
    }
    return true;
}
void loadMessage(const uint8_t* data, uint32_t) {
    MessageBlock b = readAt<MessageBlock>(data, 0);
    g_loadedMessage = SavedMessage{b.message, b.blockWaits != 0};
}

void saveVars(std::vector<uint8_t>& out) { append(out, Interp_Variables); }
void loadVars(const uint8_t* data, uint32_t) { std::memcpy(Interp_Variables, data, sizeof Interp_Variables); }
void saveFlags(std::vector<uint8_t>& out) { append(out, Interp_Flags); }
void loadFlags(const uint8_t* data, uint32_t) { std::memcpy(Interp_Flags, data, sizeof Interp_Flags); }

// Block "ELEMS": character count, object count, then one byte per character and per object.
void saveElems(std::vector<uint8_t>& out) {
    int32_t nbPersos = 0, nbObjets = 0;
    uint8_t* persos = Interp_ElemTable(1, &nbPersos);
    uint8_t* objets = Interp_ElemTable(2, &nbObjets);
    append(out, nbPersos);
    append(out, nbObjets);
    if (nbPersos) out.insert(out.end(), persos, persos + nbPersos);
    if (nbObjets) out.insert(out.end(), objets, objets + nbObjets);
}
bool checkElems(const uint8_t* data, uint32_t size) {
    int32_t nbPersos = 0, nbObjets = 0;
    Interp_ElemTable(1, &nbPersos);
    Interp_ElemTable(2, &nbObjets);
    if (size < 8 || readAt<int32_t>(data, 0) != nbPersos || readAt<int32_t>(data, 4) != nbObjets ||
        size != 8 + uint32_t(nbPersos) + uint32_t(nbObjets)) {
        OrvError_Warning("OrvSaveGame_Load() éléments : le jeu définit %d personnages et %d objets", nbPersos, nbObjets);
        return false;
    }
    for (uint32_t i = 8; i < size; i++)
        if (data[i] > 1) return false;
    return true;
}
void loadElems(const uint8_t* data, uint32_t) {
    int32_t nbPersos = 0, nbObjets = 0;
    uint8_t* persos = Interp_ElemTable(1, &nbPersos);
    uint8_t* objets = Interp_ElemTable(2, &nbObjets);
    if (nbPersos) std::memcpy(persos, data + 8, size_t(nbPersos));
    if (nbObjets) std::memcpy(objets, data + 8 + nbPersos, size_t(nbObjets));
}

// Block "SAC": object count, object in hand, the 90 bag slots.
constexpr int32_t kSacSize = 8 + MAX_OBJ_SAC_TOTAL * int32_t(sizeof(ST_sac_objet));
void saveSac(std::vector<uint8_t>& out) {
    append(out, Inventaire_NbObjets);
    append(out, Interp_GetEngineVar(IV_OBJETENMAIN));
    append(out, Inventaire_Sac);
}
bool checkSac(const uint8_t* data, uint32_t) {
    int32_t count = readAt<int32_t>(data, 0), hand = readAt<int32_t>(data, 4);
    int32_t nbObjets = DefName_GetCount(DEFNAME_OBJETS);
    if (count < 0 || count > MAX_OBJ_SAC_TOTAL || hand < 0 || hand >= std::max(nbObjets, 1)) {
        OrvError_Warning("OrvSaveGame_Load() sac : %d objets, objet en main %d", count, hand);
        return false;
    }
    for (int32_t i = 0; i < MAX_OBJ_SAC_TOTAL; i++) {
        ST_sac_objet o = readAt<ST_sac_objet>(data, 8 + size_t(i) * sizeof(ST_sac_objet));
        bool used = i < count;
        if (used ? (o.id <= 0 || o.id >= nbObjets) : (o.id != 0 || o.nspr != 0 || o.monde != 0)) {
            OrvError_Warning("OrvSaveGame_Load() sac : emplacement %d incorrect (objet %d)", i, o.id);
            return false;
        }
        for (int32_t k = 0; used && k < i; k++)
            if (readAt<ST_sac_objet>(data, 8 + size_t(k) * sizeof(ST_sac_objet)).id == o.id) return false;
    }
    return true;
}
void loadSac(const uint8_t* data, uint32_t) {
    std::memcpy(Inventaire_Sac, data + 8, sizeof Inventaire_Sac);
    Inventaire_NbObjets = readAt<int32_t>(data, 0);
    Inventaire_SetObjetEnMain_id(readAt<int32_t>(data, 4));
}

const OrvSaveBlockDef kWorldBlocks[] = {
    {"INTERP", int32_t(sizeof(InterpBlock)), saveInterp, checkInterp, loadInterp},
    {"MESSAGE", int32_t(sizeof(MessageBlock)), saveMessage, checkMessage, loadMessage, true},
    {"VARS", int32_t(sizeof Interp_Variables), saveVars, nullptr, loadVars},
    {"FLAGS", int32_t(sizeof Interp_Flags), saveFlags, nullptr, loadFlags},
    {"ELEMS", -1, saveElems, checkElems, loadElems},
    {"SAC", kSacSize, saveSac, checkSac, loadSac},
};

bool validSlot(int32_t player, int32_t slot, const char* who) {
    if (player >= 0 && player < SAVE_MAX_PLAYERS && slot >= 0 && slot < SAVE_MAX_SLOTS) return true;
    OrvError_Warning("%s() joueur %d, emplacement %d hors limites", who, player, slot);
    return false;
}

// Reads and checks the container and its header.
bool readSave(int32_t player, int32_t slot, const char* who, bool quiet, ZapFile& zap, ST_save_header& header) {
    char path[ORV_PATH_MAX];
    if (!OrvSaveGame_BuildPath(path, player, slot)) return false;
    OrvFileHandle h = OrvFile_Open(path, ORV_READ);
    if (!h) {
        if (!quiet) OrvError_Warning("%s() sauvegarde absente : %s", who, path);
        return false;
    }
    int32_t size = OrvFile_GetSize(h);
    std::vector<uint8_t> bytes(size > 0 ? size_t(size) : 0);
    bool ok = size > 0 && uint32_t(size) <= ZAPFILE_MAX_SIZE && OrvFile_Read(h, bytes.data(), size) == size;
    OrvFile_Close(h);
    std::string why = "fichier illisible";
    if (ok) ok = zap.Parse(bytes.data(), bytes.size(), &why);
    const ZapFile::Block* hb = ok ? zap.Find(kHeaderBlock) : nullptr;
    if (ok && !hb) ok = false, why = "bloc HEADER absent";
    if (ok && hb->data.size() != sizeof(ST_save_header)) ok = false, why = "bloc HEADER de taille incorrecte";
    if (ok) {
        std::memcpy(&header, hb->data.data(), sizeof header);
        if (header.version != uint32_t(SAVE_VERSION)) ok = false, why = "version " + std::to_string(header.version);
        else if (!std::memchr(header.wam, 0, sizeof header.wam) || !header.wam[0]) ok = false, why = "nom de monde incorrect";
        else if (header.chapter < 0 || header.chapter > 999) ok = false, why = "chapitre " + std::to_string(header.chapter);
    }
    if (!ok) OrvError_Warning("%s() %s : %s", who, path, why.c_str());
    return ok;
}

void clearContext() {
    g_ctx.script.reset();
    wam_free_world(&g_ctx.world);
    g_ctx.vue = nullptr;
}
}  // namespace

bool OrvSaveGame_RegisterBlock(const OrvSaveBlockDef& def) {
    size_t len = def.name ? std::strlen(def.name) : 0;
    bool nameOk = len > 0 && len < ZAPFILE_NAME_LEN && std::strcmp(def.name, kHeaderBlock) != 0;
    for (size_t i = 0; nameOk && i < len; i++) nameOk = Script_IsNameChar(def.name[i]);
    if (!nameOk || !def.save || !def.load || def.size < -1) {
        OrvError_Warning("OrvSaveGame_RegisterBlock() bloc refusé : %s", def.name ? def.name : "(null)");
        return false;
    }
    for (OrvSaveBlockDef& b : g_blocks)
        if (std::strcmp(b.name, def.name) == 0) {
            b = def;
            return true;
        }
    if (g_blocks.size() + 1 >= ZAPFILE_MAX_BLOCKS) {
        OrvError_Warning("OrvSaveGame_RegisterBlock() plus de %u blocs : %s", ZAPFILE_MAX_BLOCKS - 1, def.name);
        return false;
    }
    g_blocks.push_back(def);
    return true;
}

void OrvSaveGame_UnregisterBlock(const char* name) {
    for (size_t i = 0; name && i < g_blocks.size(); i++)
        if (std::strcmp(g_blocks[i].name, name) == 0) g_blocks.erase(g_blocks.begin() + long(i));
}

void OrvSaveGame_Init() {
    for (const OrvSaveBlockDef& def : kWorldBlocks) OrvSaveGame_RegisterBlock(def);
    OrvError_SetEmergencySaveHook(OrvSaveGame_EmergencySave);
    char dir[ORV_PATH_MAX];
    build_path_save(dir, "");
    OrvFile_MakeDir(dir);
}

void OrvSaveGame_Close() {
    OrvError_SetEmergencySaveHook(nullptr);
    g_blocks.clear();
    g_pendingLoad = PendingLoad();
    clearContext();
}

void OrvSaveGame_SetPlayer(int32_t player) { g_player = player; }
int32_t OrvSaveGame_GetPlayer() { return g_player; }

bool OrvSaveGame_BuildPath(char* out, int32_t player, int32_t slot) {
    if (!validSlot(player, slot, "OrvSaveGame_BuildPath")) return false;
    char name[32];
    std::snprintf(name, sizeof name, "ORV%02d_%02d.SAV", player, slot);
    build_path_save(out, name);
    return true;
}

bool OrvSaveGame_ScanSlot(int32_t slot) {
    ZapFile zap;
    ST_save_header header{};
    if (!readSave(g_player, slot, "OrvSaveGame_ScanSlot", true, zap, header)) return false;
    OrvSaveGame_Header = header;
    return true;
}

bool OrvSaveGame_SaveAs(int32_t player, int32_t slot) {
    g_diskFull = false;
    char path[ORV_PATH_MAX];
    if (!OrvSaveGame_BuildPath(path, player, slot)) return false;
    if (!OrvWam_CurrentVue || !OrvWam_GetWorld()) {
        OrvError_Warning("OrvSaveGame_Save() aucune vue courante : rien à sauver");
        return false;
    }
    ST_save_header header{};
    header.version = SAVE_VERSION;
    header.time = GetLocalSystemTime();
    header.picture = Interp_GetEngineVar(IV_MONDE);
    header.chapter = Interp_GetChapter();
    Script_CopyField(header.wam, sizeof header.wam, OrvWam_GetName());
    header.lieu_id = OrvWam_CurrentLieu ? OrvWam_CurrentLieu->id : 0;
    header.vue_id = OrvWam_CurrentVue->id;

    ZapFile zap;
    zap.AddBlock(kHeaderBlock, &header, sizeof header);
    for (const OrvSaveBlockDef& def : g_blocks) {
        std::vector<uint8_t> data;
        def.save(data);
        if ((def.size >= 0 && data.size() != size_t(def.size)) || !zap.AddBlock(def.name, data.data(), data.size())) {
            OrvError_Warning("OrvSaveGame_Save() bloc %s de %zu octets refusé", def.name, data.size());
            return false;
        }
    }
    std::vector<uint8_t> bytes = zap.Build();
    if (!OrvFile_SaveAtomic(path, bytes.data(), bytes.size())) {
        g_diskFull = OrvFile_LastSaveFailure() == ORV_SAVE_DISK_FULL;
        return false;
    }
    debug_log("OrvSaveGame_Save() : %s (%zu octets)", path, bytes.size());
    return true;
}

bool OrvSaveGame_Save(int32_t slot) { return OrvSaveGame_SaveAs(g_player, slot); }

bool OrvSaveGame_DiskWasFull() { return g_diskFull; }

bool OrvSaveGame_LoadAs(int32_t player, int32_t slot) {
    const char* who = "OrvSaveGame_Load";
    ZapFile zap;
    ST_save_header header{};
    if (!readSave(player, slot, who, false, zap, header)) return false;

    clearContext();
    char path[ORV_PATH_MAX];
    build_path_wam(path, header.wam);
    g_ctx.world = wam_read_file(path);
    if (g_ctx.world) {
        for (ST_wam_lieu* l = g_ctx.world->lieux; l && !g_ctx.vue; l = l->next)
            if (l->id == header.lieu_id) g_ctx.vue = wam_cherche_vue_id(l, header.vue_id);
    }
    if (!g_ctx.vue) {
        OrvError_Warning("%s() vue %u du lieu %u introuvable dans %s", who, header.vue_id, header.lieu_id, header.wam);
        clearContext();
        return false;
    }
    g_ctx.script = ChapterScript_Read(header.chapter);
    if (!g_ctx.script) {
        clearContext();
        return false;
    }
    for (const OrvSaveBlockDef& def : g_blocks) {
        const ZapFile::Block* b = zap.Find(def.name);
        if (!b && def.optional) continue;
        bool ok = b && (def.size < 0 || b->data.size() == size_t(def.size));
        if (ok && def.check) ok = def.check(b->data.data(), uint32_t(b->data.size()));
        if (!ok) {
            OrvError_Warning("%s() bloc %s absent ou incorrect", who, def.name);
            clearContext();
            return false;
        }
    }
    // The saved world's CD becomes current; while it is missing the load waits for it.
    if (int cd = g_ctx.world->cd; cd > 0 && !cd_request(cd, 1)) {
        g_pendingLoad = PendingLoad{true, player, slot};
        clearContext();
        debug_log("%s() : CD %d demandé", who, cd);
        return false;
    }

    // Everything is checked: from here on the game is replaced.
    g_pendingLoad = PendingLoad();
    OrvMsg_Abort();
    Call_pz_quit_all();
    Interp_ClearQueue();
    quitqu2 = 0;
    Interp_InstallScript(std::move(g_ctx.script));
    OrvWam_Install(g_ctx.world);
    g_ctx.world = nullptr;
    OrvWam_RestoreCurrentVue(g_ctx.vue);
    OrvWam_CancelJump();
    g_loadedMessage = SavedMessage();
    for (const OrvSaveBlockDef& def : g_blocks) {
        if (const ZapFile::Block* b = zap.Find(def.name)) def.load(b->data.data(), uint32_t(b->data.size()));
    }
    // A game loads with no character's panel open and no dialogue running: nobody is talked to, whoever was
    // when it was saved.
    Interp_SetEngineVar(IV_CLICPERSO, 0);
    clearContext();
    debug_log("%s() : joueur %d, emplacement %d, %s vue %u", who, player, slot, header.wam, header.vue_id);
    Interp_ChangeWorld();
    init_after_load_End();
    return true;
}

void init_after_load_End() {
    ST_wam_vue* savedVue = OrvWam_CurrentVue;
    if (!savedVue) return;
    uint32_t vueId = savedVue->id;
    Call_pz_araig_init_after_load(&vueId);
    // A puzzle may move the game to another view of the place (the spider's web resumes before it).
    if (vueId != savedVue->id) {
        ST_wam_vue* vue = wam_cherche_vue_id(savedVue->lieu, vueId);
        if (vue) {
            OrvWam_SetCurrentVue(vue);
        } else {
            OrvError_Warning("init_after_load_End() vue %u absente du lieu %u", vueId,
                             savedVue->lieu ? savedVue->lieu->id : 0);
            OrvWam_RestoreCurrentVue(savedVue);
        }
    } else if (OrvWam_CurrentVue != savedVue) {
        OrvWam_RestoreCurrentVue(savedVue);
    }
    Call_OrvWarp_EnterView();
    const SavedMessage saved = std::exchange(g_loadedMessage, SavedMessage());
    const bool shown = saved.message >= 0 && OrvMsg_ShowAgain(saved.message, saved.blockWaits);
    // A block that waits on the message resumes when it closes.
    if (!(shown && saved.blockWaits)) Interp_ResumePending();
}

bool OrvSaveGame_Load(int32_t slot) { return OrvSaveGame_LoadAs(g_player, slot); }

bool OrvSaveGame_Delete(int32_t slot) {
    char path[ORV_PATH_MAX];
    if (!OrvSaveGame_BuildPath(path, g_player, slot)) return false;
    return OrvFile_Delete(path);
}

bool OrvSaveGame_LoadPending() { return g_pendingLoad.active; }

bool OrvSaveGame_ResumeLoad() {
    if (!g_pendingLoad.active) return false;
    PendingLoad p = g_pendingLoad;
    g_pendingLoad = PendingLoad();
    return OrvSaveGame_LoadAs(p.player, p.slot);
}

void OrvSaveGame_EmergencySave() {
    if (!OrvWam_CurrentVue) return;
    OrvSaveGame_SaveAs(SAVE_EMERGENCY_PLAYER, SAVE_EMERGENCY_SLOT);
}
