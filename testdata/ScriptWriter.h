// Writers of the scenario's text files: "defnames.con", chapter scripts and "messages.txt".
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Lines of the five sections, each "NAME param...", in id order.
struct DefNamesDesc {
    std::vector<std::string> personnages, objets, sujets, variables, zones;
};
// The text of a "defnames.con" (CR LF line ends).
std::string DefNames_Make(const DefNamesDesc& desc);
// The variables the engine reads, which every "defnames.con" must define.
const std::vector<std::string>& DefNames_EngineVariables();

// A chapter script: initialisation lines, "/FININIT", then blocks.
class ChapterWriter {
public:
    // A "/set" line of the initialisation.
    ChapterWriter& Init(const std::string& commands);
    // Starts the blocks of one view.
    ChapterWriter& Vue(const std::string& code, uint32_t id);
    // A block: "/con" with its conditions ("" always holds), then one "/set" line per entry.
    ChapterWriter& Block(const std::string& conditions, const std::vector<std::string>& setLines);
    ChapterWriter& Comment(const std::string& text);
    std::string Text() const;

private:
    std::vector<std::string> init_;
    std::vector<std::string> body_;
};

// "messages.txt": object names and numbered messages of one or more lines.
struct MessagesDesc {
    std::vector<std::pair<std::string, std::string>> objets;
    std::vector<std::pair<int32_t, std::vector<std::string>>> messages;
};
std::string Messages_Make(const MessagesDesc& desc);
