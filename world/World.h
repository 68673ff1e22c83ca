// Start-up and shut-down of the world model and scenario as one step each.
#pragma once

extern const char* const DEFNAMES_FILE_NAME;  // "defnames.con", in "scenar\"

// Messages (a bad or missing file is a warning), name definitions, interpreter, inventory, save
// blocks and the first chapter. A missing or bad "defnames.con" or first chapter is fatal.
bool OrvWorld_Init();
// Its steps that the program's start-up runs apart: the name definitions with the interpreter sized
// on them, and the first chapter.
bool OrvWorld_InitNames();
bool OrvWorld_InitFirstChapter();
// Dumps the scenario state to the log, then frees everything, the world file last.
void OrvWorld_Close();
