// A chapter script ("chapi%03d.con") read, checked and cut into lines, conditions and commands.
#include "world/ChapterScript.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "world/DefName.h"
#include "world/Interp.h"
#include "world/ScriptText.h"

namespace {
class Parser {
public:
    Parser(ChapterScript& s, const char* what) : s_(s), what_(what) {}

    bool run() {
        const std::string& t = s_.text;
        int32_t lineNo = 0;
        size_t start = 0;
        while (start < t.size()) {
            size_t end = t.find('\n', start);
            if (end == std::string::npos) end = t.size();
            lineNo_ = ++lineNo;
            if (!line(int32_t(start), int32_t(end))) return false;
            start = end + 1;
        }
        if (s_.finInit < 0) return fail("/FININIT absent");
        s_.sectionEnd.assign(s_.lines.size(), int32_t(s_.lines.size()));
        int32_t open = -1;
        for (size_t i = 0; i < s_.lines.size(); i++) {
            if (s_.lines[i].kind != LineKind::Vue) continue;
            if (open >= 0) s_.sectionEnd[size_t(open)] = int32_t(i);
            open = int32_t(i);
        }
        return true;
    }

private:
    bool fail(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        va_list ap;
        va_start(ap, fmt);
        Script_VRefuse("Interp_LoadChapter() " + std::string(what_) + " ligne " + std::to_string(lineNo_), fmt, ap);
        va_end(ap);
        return false;
    }

    bool line(int32_t begin, int32_t end) {
        const std::string& t = s_.text;
        int32_t p = begin;
        while (p < end && (t[size_t(p)] == ' ' || t[size_t(p)] == '\t')) p++;
        int32_t stop = end;
        while (stop > p && (t[size_t(stop - 1)] == '\r' || t[size_t(stop - 1)] == ' ' || t[size_t(stop - 1)] == '\t'))
            stop--;
        if (p == stop || t.compare(size_t(p), 2, "//") == 0) return true;
        int32_t kwEnd = p;
        while (kwEnd < stop && t[size_t(kwEnd)] != ' ' && t[size_t(kwEnd)] != '\t') kwEnd++;
        std::string kw = Script_Upper(t.substr(size_t(p), size_t(kwEnd - p)));
        std::string rest = t.substr(size_t(kwEnd), size_t(stop - kwEnd));

        ScriptLine l{};
        l.offset = begin;
        l.lineNo = lineNo_;
        l.section = section_;
        bool afterInit = s_.finInit >= 0;
        if (kw == "/FININIT") {
            if (afterInit) return fail("/FININIT en double");
            if (!Script_Trim(rest).empty()) return fail("texte après /FININIT");
            l.kind = LineKind::FinInit;
            s_.finInit = int32_t(s_.lines.size());
        } else if (kw == "/SET") {
            if (afterInit && !inBlock_) return fail("/set hors d'un bloc /con");
            l.kind = LineKind::Set;
            if (!commands(kwEnd, stop, l.cmds)) return false;
        } else if (kw == "/CON") {
            if (!afterInit) return fail("/con avant /FININIT");
            l.kind = LineKind::Con;
            if (!conditions(rest, l.conds)) return false;
            inBlock_ = true;
        } else if (kw == "/VUE") {
            if (!afterInit) return fail("/vue avant /FININIT");
            std::vector<std::string> tok = Script_Tokens(rest);
            int32_t id = -1;
            if (tok.size() != 2 || tok[0].size() != 2 || !Script_IsNameChar(tok[0][0]) || !Script_IsNameChar(tok[0][1]) ||
                !Script_ParseInt(tok[1], id) || id < 0)
                return fail("/vue attend un code de monde et un numéro de vue");
            l.kind = LineKind::Vue;
            std::string code = Script_Upper(tok[0]);
            l.code[0] = code[0];
            l.code[1] = code[1];
            l.vueId = uint32_t(id);
            section_ = l.section = int32_t(s_.lines.size());
            inBlock_ = false;
        } else {
            return fail("directive inconnue : %s", kw.c_str());
        }
        s_.lines.push_back(std::move(l));
        return true;
    }

    bool commands(int32_t from, int32_t stop, std::vector<ScriptCmd>& out) {
        const std::string& t = s_.text;
        int32_t p = from;
        while (true) {
            while (p < stop && (t[size_t(p)] == ' ' || t[size_t(p)] == '\t')) p++;
            if (p >= stop) break;
            if (t[size_t(p)] != '(') return fail("commande attendue entre parenthèses");
            size_t close = t.find(')', size_t(p));
            if (close == std::string::npos || int32_t(close) >= stop) return fail("parenthèse non fermée");
            std::string command = t.substr(size_t(p), close - size_t(p) + 1);
            if (command.size() > size_t(MAX_COMMAND_LEN))
                return fail("commande de %zu caractères (%d au plus)", command.size(), MAX_COMMAND_LEN);
            ScriptCmd c{p, {}, {}};
            if (!ChapterScript_SplitCommand(command, c.name, c.value)) return fail("commande incorrecte : %s", command.c_str());
            std::string why;
            if (!Interp_CheckCommand(c.name, c.value, &why)) return fail("%s", why.c_str());
            out.push_back(std::move(c));
            p = int32_t(close) + 1;
        }
        if (out.empty()) return fail("/set sans commande");
        return true;
    }

    bool conditions(const std::string& rest, std::vector<ScriptCond>& out) {
        if (Script_Trim(rest).empty()) return true;  // always holds
        size_t start = 0;
        while (start <= rest.size()) {
            size_t amp = rest.find('&', start);
            if (amp == std::string::npos) amp = rest.size();
            ScriptCond c{};
            if (!term(Script_Trim(rest.substr(start, amp - start)), c)) return false;
            out.push_back(c);
            start = amp + 1;
        }
        return true;
    }

    bool term(const std::string& text, ScriptCond& c) {
        size_t at = text.find_first_of("=!<>");
        if (text.empty() || at == std::string::npos) return fail("condition incorrecte : \"%s\"", text.c_str());
        size_t opLen = 1;
        char a = text[at], b = at + 1 < text.size() ? text[at + 1] : 0;
        if (a == '!' && b == '=') c.op = CondOp::Ne, opLen = 2;
        else if (a == '<' && b == '=') c.op = CondOp::Le, opLen = 2;
        else if (a == '>' && b == '=') c.op = CondOp::Ge, opLen = 2;
        else if (a == '=') c.op = CondOp::Eq;
        else if (a == '<') c.op = CondOp::Lt;
        else if (a == '>') c.op = CondOp::Gt;
        else return fail("opérateur incorrect : \"%s\"", text.c_str());
        std::string name = Script_Trim(text.substr(0, at));
        std::string value = Script_Trim(text.substr(at + opLen));
        if (name.empty() || value.empty()) return fail("condition incomplète : \"%s\"", text.c_str());

        if (Script_EqualsNoCase(name, "sacados")) {
            if (c.op != CondOp::Eq && c.op != CondOp::Ne) return fail("sacados se compare avec = ou !=");
            c.lhs = CondSide::Sac;
            c.rhs = CondSide::Const;
            c.rhsValue = DefName_FindId(DEFNAME_OBJETS, value.c_str());
            if (c.rhsValue < 0) return fail("objet inconnu : %s", value.c_str());
            return true;
        }
        if ((c.lhsIndex = DefName_FindId(DEFNAME_VARIABLES, name.c_str())) >= 0) {
            c.lhs = CondSide::Var;
        } else if (Interp_FlagNumber(name.c_str(), &c.lhsIndex)) {
            c.lhs = CondSide::Flag;
        } else {
            return fail("variable inconnue : %s", name.c_str());
        }
        if (Script_ParseInt(value, c.rhsValue)) {
            c.rhs = CondSide::Const;
        } else if ((c.rhsValue = DefName_FindId(DEFNAME_VARIABLES, value.c_str())) >= 0) {
            c.rhs = CondSide::Var;
        } else if ((c.rhsValue = Interp_NameId(value.c_str())) >= 0) {
            c.rhs = CondSide::Const;
        } else {
            return fail("nom inconnu : %s", value.c_str());
        }
        return true;
    }

    ChapterScript& s_;
    const char* what_;
    int32_t lineNo_ = 0;
    int32_t section_ = -1;
    bool inBlock_ = false;
};
}  // namespace

std::string ChapterScript_FileName(int32_t chapter) {
    char name[32];
    std::snprintf(name, sizeof name, "chapi%03d.con", chapter);
    return name;
}

bool ChapterScript_SplitCommand(const std::string& command, std::string& name, std::string& value) {
    std::string c = Script_Trim(command);
    if (c.size() < 4 || c.size() > size_t(MAX_COMMAND_LEN) || c.front() != '(' || c.back() != ')') return false;
    std::string inner = c.substr(1, c.size() - 2);
    size_t eq = inner.find('=');
    if (eq == std::string::npos || inner.find_first_of("()") != std::string::npos) return false;
    name = Script_Trim(inner.substr(0, eq));
    value = Script_Trim(inner.substr(eq + 1));
    if (name.empty()) return false;
    for (char ch : name)
        if (!Script_IsNameChar(ch)) return false;
    return true;
}

std::unique_ptr<ChapterScript> ChapterScript_Parse(const std::string& text, int32_t chapter, const char* what) {
    auto s = std::make_unique<ChapterScript>();
    s->chapter = chapter;
    s->text = text;
    if (!Parser(*s, what).run()) return nullptr;
    return s;
}

std::unique_ptr<ChapterScript> ChapterScript_Read(int32_t chapter) {
    std::string name = ChapterScript_FileName(chapter);
    char path[ORV_PATH_MAX];
    build_path_scenar(path, name.c_str());
    std::string text;
    if (!Script_ReadFile(path, "Interp_LoadChapter()", text)) return nullptr;
    return ChapterScript_Parse(text, chapter, name.c_str());
}

int32_t ChapterScript_LineAt(const ChapterScript& s, int32_t pos) {
    auto it = std::upper_bound(s.lines.begin(), s.lines.end(), pos,
                               [](int32_t p, const ScriptLine& l) { return p < l.offset; });
    return int32_t(it - s.lines.begin()) - 1;
}

bool ChapterScript_IsResumePoint(const ChapterScript& s, int32_t pos) {
    if (pos < 0 || size_t(pos) > s.text.size()) return false;
    if (pos == 0 || size_t(pos) == s.text.size()) return true;
    int32_t i = ChapterScript_LineAt(s, pos);
    if (i < 0) return false;
    const ScriptLine& l = s.lines[size_t(i)];
    if (l.offset == pos) return true;
    if (l.kind != LineKind::Set) return false;
    for (const ScriptCmd& c : l.cmds)
        if (c.offset == pos) return true;
    return false;
}
