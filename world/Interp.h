// The scenario interpreter: variables, flags, clocks, chapter scripts, blocks and commands.
#pragma once
#include <cstdint>
#include <string>

#include "world/DefName.h"

constexpr int MAX_FLAGS = 1024;
constexpr int MAX_CMD_AFTER_DISPLAY = 16;
constexpr int32_t INTERP_FIRST_CHAPTER = 1;
// Position returned when no block is left.
constexpr int32_t INTERP_NO_BLOCK = -1;

// The scenario state, indexed by the #VARIABLES# id and by flag number.
extern int32_t Interp_Variables[MAX_VARIABLES];
extern int32_t Interp_Flags[MAX_FLAGS];
// Raised by the script command EXIT; the warp pass then quits.
extern int32_t quitqu2;

// A block waiting for a screen (dialogue, video, message, CD page) to close: the position it
// resumes from with Interp_RunBlock. The owner of the screen clears the flag and runs it.
struct ST_PendingBlock {
    uint8_t flag;
    int32_t block;
};
extern ST_PendingBlock PendingScenarioBlock;

// Variables the engine reads, in the order of DefName_EngineVariables.
enum : int {
    IV_CLICZONE, IV_DEPARTVUE, IV_ARRIVEEVUE, IV_ABORTDEPART, IV_UDADA, IV_VUE, IV_LASTVUE, IV_MONDE,
    IV_OBJETENMAIN, IV_RANDOM, IV_TIME1, IV_TIME2, IV_NEXTWARPINVALIDE, IV_CLICPERSO, IV_SUJET,
};
int32_t Interp_GetEngineVar(int var);
void Interp_SetEngineVar(int var, int32_t value);

// Sizes the element tables from the loaded name definitions, clears the state and installs the clock.
void Interp_Init();
void Interp_Free();
// Zeroes variables, flags, element visibility, the waiting block, the after-display queue and quitqu2.
void Interp_ResetState();

// Variables by name (without regard to case); a name missing from #VARIABLES# is fatal.
int32_t Interp_VarIndex(const char* name);
int32_t Interp_ReadVar(const char* name);
void Interp_WriteVar(const char* name, int32_t value);
void Interp_AddVar(const char* name, int32_t delta);
// "flagN" with N in 0..1023.
bool Interp_FlagNumber(const char* name, int32_t* n);
// Id of a click zone, object or character name (searched in that order); -1 when none.
int32_t Interp_NameId(const char* name);
// A command value: a number, a variable's value, or the id of a zone, object or character.
bool Interp_ValueOf(const char* text, int32_t* out);

// Once per accumulated second: TIME1 and TIME2 count on, RANDOM takes a new value in 0..99.
void Interp_ClockSecond();

// Chapters: reads "chapiNNN.con" and makes it current (no block runs); false leaves the old one.
bool Interp_LoadChapter(int32_t chapter);
int32_t Interp_GetChapter();
bool Interp_HasScript();
// Script command "chapter": loads the chapter and runs its initialisation.
bool Interp_ChangeChapter(int32_t chapter);
// A new game: the first chapter (loaded when another is current), state cleared, the world file
// freed (through the world-replaced path), its initialisation run. False when the chapter could not
// be loaded.
bool Interp_RunInit();

// Blocks. Positions are byte offsets in the current script.
int32_t Interp_SkipInitSection();
// Next "/con" block from position whose conditions hold (in the sections of every view and of
// the current view); the position of its "/set" lines, or INTERP_NO_BLOCK.
int32_t Interp_EvalCondBlock(int32_t position);
// Runs the "/set" lines from position; non-zero when evaluation is to continue, 0 when a command
// waits (PendingScenarioBlock is set), EXIT ran or another chapter was loaded (the block stops
// there), or the block asked for a view jump (the block runs to its end).
int Interp_RunBlock(int32_t position);
// One scenario pass over the blocks after "/FININIT". CtrlScenarIN on arrival and after a click,
// CtrlScenarOUT on leaving (with "DEPARTVUE" set by the caller).
void CtrlScenarIN();
void CtrlScenarOUT();
// Scenario work of the warp pass: a pass when "CLICZONE" or "ARRIVEEVUE" is set; "ARRIVEEVUE" back to 0.
void Interp_ScenarioFrame();
// Resumes the waiting block, if any (clears the flag first).
void Interp_ResumePending();

// Commands "(NAME=value)", names matched without regard to case.
enum : int { CMD_DONE = 0, CMD_WAIT = 1 };
using InterpCommandFn = int (*)(const char* value);
// Adds or replaces the handler of a command word; the interpreter's own words cannot be taken.
bool Interp_RegisterCommand(const char* name, InterpCommandFn fn);
// Load-time check of a script command: the names the interpreter's words and assignments use must
// be defined. Words of other modules are not checked here.
bool Interp_CheckCommand(const std::string& name, const std::string& value, std::string* why);
void Interp_UnregisterCommand(const char* name);
void Interp_ClearCommands();
// Runs one command at once; false when it is malformed or unknown.
bool RunOneCommand(const char* command);
bool RunOneCommandf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// Queues one command (254 characters at most) for Interp_RunAfterDisplay.
bool RunOneCommand_AfterDisplay(const char* command);
// After the next display: runs the queued commands in order.
void Interp_RunAfterDisplay();
void Interp_ClearQueue();

// Visibility of characters (kind 1, 3) and objects (kind 2, 4), remembered for view entries and
// saves. With 0 as the third argument the element's view sprites in the current view follow.
void Elem_Show(int32_t id, int32_t kind, int32_t anim);
void Elem_Hide(int32_t id, int32_t kind, int32_t anim);
bool Interp_IsElemHidden(int32_t id, int32_t kind);
bool Interp_is_perso_hidden(const char* name);
// Raw tables (1 = hidden) for the save game; their sizes are the section counts.
uint8_t* Interp_ElemTable(int32_t kind, int32_t* count);

// After a new world file: the dialogue's world scripts and subject bank for worlds IR, YU, CH, SH, TI.
void Interp_ChangeWorld();

// Writes variables, non-zero flags and the bag to the log.
void Interp_DumpVariables();
