// A chapter script ("chapi%03d.con") read, checked and cut into lines, conditions and commands.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Longest command, from its '(' to its ')'.
constexpr int MAX_COMMAND_LEN = 254;

enum class CondSide : uint8_t { Const, Var, Flag, Sac };
enum class CondOp : uint8_t { Eq, Ne, Lt, Gt, Le, Ge };

// One term of a "/con" line: left side, operator, right side.
struct ScriptCond {
    CondSide lhs;
    int32_t lhsIndex;  // variable index, flag number or (Sac) unused
    CondOp op;
    CondSide rhs;      // Const or Var
    int32_t rhsValue;  // constant, variable index, or (Sac) object id
};

// One "(NAME=value)" of a "/set" line; offset of its '(' in the text is its resume position.
struct ScriptCmd {
    int32_t offset;
    std::string name;
    std::string value;
};

enum class LineKind : uint8_t { Set, Con, Vue, FinInit };

struct ScriptLine {
    LineKind kind;
    int32_t offset;   // of the line's first byte
    int32_t lineNo;   // 1-based, for reports
    int32_t section;  // index of the "/vue" line it belongs to, -1 before any
    std::vector<ScriptCond> conds;
    std::vector<ScriptCmd> cmds;
    char code[3];     // "/vue": world code
    uint32_t vueId;   // "/vue": view id
};

struct ChapterScript {
    int32_t chapter = 0;
    std::string text;
    std::vector<ScriptLine> lines;
    int32_t finInit = -1;              // index of the "/FININIT" line
    std::vector<int32_t> sectionEnd;   // per line: for a "/vue" line, index of the next one (or the end)
};

// File name of a chapter: "chapi%03d.con".
std::string ChapterScript_FileName(int32_t chapter);
// Reads "scenar\chapiNNN.con"; null with a warning naming the line when the script is bad.
std::unique_ptr<ChapterScript> ChapterScript_Read(int32_t chapter);
// Parses a script held in memory; names are resolved in the loaded name definitions.
std::unique_ptr<ChapterScript> ChapterScript_Parse(const std::string& text, int32_t chapter, const char* what);
// Splits "(NAME=value)" into its parts; false when it is not of that form or too long.
bool ChapterScript_SplitCommand(const std::string& command, std::string& name, std::string& value);
// Index of the line holding byte `pos` (the last line starting at or before it), -1 before the first.
int32_t ChapterScript_LineAt(const ChapterScript& s, int32_t pos);
// True when pos is a place a block can resume from: a command of a "/set" line, a line start or the end.
bool ChapterScript_IsResumePoint(const ChapterScript& s, int32_t pos);

// The interpreter's current script: replaced whole (a new chapter, a loaded game).
void Interp_InstallScript(std::unique_ptr<ChapterScript> script);
const ChapterScript* Interp_CurrentScript();
