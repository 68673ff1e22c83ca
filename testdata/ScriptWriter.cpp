// Writers of the scenario's text files: "defnames.con", chapter scripts and "messages.txt".
#include "testdata/ScriptWriter.h"

namespace {
void section(std::string& out, const char* keyword, const std::vector<std::string>& lines) {
    out += keyword;
    out += "\r\n";
    for (const std::string& l : lines) out += l + "\r\n";
}
}  // namespace

std::string DefNames_Make(const DefNamesDesc& d) {
    std::string out = "// Name definitions\r\n";
    section(out, "#PERSONNAGES#", d.personnages);
    section(out, "#OBJETS#", d.objets);
    section(out, "#SUJETS#", d.sujets);
    section(out, "#VARIABLES#", d.variables);
    section(out, "#ZONES_CLIC#", d.zones);
    return out;
}

const std::vector<std::string>& DefNames_EngineVariables() {
    static const std::vector<std::string> names = {
        "CLICZONE", "DEPARTVUE", "ARRIVEEVUE", "ABORTDEPART", "UDADA",           "VUE",       "LASTVUE", "MONDE",
        "OBJETENMAIN", "RANDOM", "TIME1",      "TIME2",       "NextWarpInvalide", "CLICPERSO", "SUJET",
    };
    return names;
}

ChapterWriter& ChapterWriter::Init(const std::string& commands) {
    init_.push_back("/set " + commands);
    return *this;
}

ChapterWriter& ChapterWriter::Vue(const std::string& code, uint32_t id) {
    body_.push_back("/vue " + code + " " + std::to_string(id));
    return *this;
}

ChapterWriter& ChapterWriter::Block(const std::string& conditions, const std::vector<std::string>& setLines) {
    body_.push_back(conditions.empty() ? "/con" : "/con " + conditions);
    for (const std::string& s : setLines) body_.push_back("/set " + s);
    return *this;
}

ChapterWriter& ChapterWriter::Comment(const std::string& text) {
    body_.push_back("// " + text);
    return *this;
}

std::string ChapterWriter::Text() const {
    std::string out;
    for (const std::string& l : init_) out += l + "\r\n";
    out += "/FININIT\r\n";
    for (const std::string& l : body_) out += l + "\r\n";
    return out;
}

std::string Messages_Make(const MessagesDesc& d) {
    std::string out = "[Objets]\r\n";
    for (const auto& [name, text] : d.objets) out += name + " " + text + "\r\n";
    out += "[Messages]\r\n";
    for (const auto& [n, lines] : d.messages) {
        out += "#" + std::to_string(n) + "\r\n";
        for (const std::string& l : lines) out += l + "\r\n";
    }
    return out;
}
