// Start-up and shut-down of the world model and scenario as one step each.
#include "world/World.h"

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/OrvSaveGame.h"
#include "world/Orv_Msg.h"
#include "world/wam.h"

const char* const DEFNAMES_FILE_NAME = "defnames.con";

bool OrvWorld_InitNames() {
    char path[ORV_PATH_MAX];
    build_path_scenar(path, DEFNAMES_FILE_NAME);
    if (!DefName_Load(path)) {
        OrvError_Fatal("OrvWorld_Init() : définitions de noms illisibles : %s", path);
        return false;
    }
    Interp_Init();
    return true;
}

bool OrvWorld_InitFirstChapter() {
    if (!Interp_LoadChapter(INTERP_FIRST_CHAPTER)) {
        OrvError_Fatal("OrvWorld_Init() : chapitre %d illisible", INTERP_FIRST_CHAPTER);
        return false;
    }
    debug_log("OrvWorld_Init() : ok");
    return true;
}

bool OrvWorld_Init() {
    OrvMsg_Init();
    if (!OrvWorld_InitNames()) return false;
    Inventaire_Init();
    OrvSaveGame_Init();
    return OrvWorld_InitFirstChapter();
}

void OrvWorld_Close() {
    if (DefName_IsLoaded()) Interp_DumpVariables();
    OrvSaveGame_Close();
    Interp_Free();
    Inventaire_Close();
    OrvMsg_Free();
    DefName_Free();
    OrvWam_Free();
}
