// Name definitions of "defnames.con": five sections of names whose position is their id.
#pragma once
#include <cstdint>
#include <string>

// Sections, in the order of the DefName_* section arguments.
enum : int {
    DEFNAME_PERSONNAGES = 0,
    DEFNAME_OBJETS = 1,
    DEFNAME_SUJETS = 2,
    DEFNAME_VARIABLES = 3,
    DEFNAME_ZONES_CLIC = 4,
    DEFNAME_NB_SECTIONS = 5,
};

// A name is shorter than this.
constexpr int DEFNAME_MAX_LEN = 32;
// Fixed table sizes the name definitions must fit.
constexpr int MAX_PERSONNAGES = 256;
constexpr int MAX_VARIABLES = 300;

// Section keyword as it stands in the file ("#PERSONNAGES#" ...).
const char* DefName_SectionKeyword(int section);

// Reads the name definitions (full path). A bad file is reported with its line and refused,
// leaving the definitions loaded before untouched.
bool DefName_Load(const char* path);
// Parses definitions held in memory; `what` names the source in reports.
bool DefName_LoadText(const std::string& text, const char* what);
void DefName_Free();
bool DefName_IsLoaded();

// Id of a name of a section, matched without regard to case. An empty name, a name of 32
// characters or more, or a name missing from the section is fatal; -1 when the fatal report returns.
int32_t DefName_GetIdName(int section, const char* name);
// The same without any report: -1 when the name is not defined.
int32_t DefName_FindId(int section, const char* name);
// Name of an id as written in the file; "" for an id outside the section.
const char* DefName_GetName(int section, int32_t id);
int32_t DefName_GetCount(int section);
// Parameter n (1 = the first after the name) of the line of an id; null when missing.
const char* DefName_GetParam(int section, int32_t id, int n);
// Parameter 1 of the line of the name at the start of text (the name ends at the first character
// that cannot be part of a name), as an integer; 0 when the name or the parameter is missing.
int32_t DefName_GetParamInt(int section, const char* text);

// Variables the engine itself reads; the definitions are refused when one is missing.
extern const char* const DefName_EngineVariables[];
extern const int DefName_NbEngineVariables;
