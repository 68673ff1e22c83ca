// The text reader of the plain-text scripts: a whole file read, then every way of walking it.
#include <cstring>

#include "menus/TxtReader.h"
#include "testdata/MenuTextWriter.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

void Setup() { Fuzz_Dir(); }

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("loc/fuzz.txt", data, size);
    TxtReader text;
    if (!TxtReader_LoadFile(Fuzz_Path("loc/fuzz.txt").c_str(), text)) return false;
    Fuzz_Check(text.length() <= size && std::strlen(text.c_str()) == text.length(), "text beyond the file");

    // Each walk must reach the end, moving on at every step.
    TxtReader tokens = text, numbers = text, lines = text, rests = text;
    while (!tokens.txt_IsEnd()) {
        const uint32_t at = tokens.position();
        TxtReader token;
        tokens.txt_ReadString(token);
        Fuzz_Check(tokens.position() > at || tokens.txt_IsEnd(), "token walk stands still");
        token.txt_ToUpper();
        (void)token.txt_KeepDigits().txt_ToLong();
        (void)token.txt_StripDigits().txt_SubString(1, int32_t(token.length()) - 2);
    }
    for (bool odd = false; !numbers.txt_IsEnd(); odd = !odd) {
        int32_t i = 0;
        float f = 0;
        if (odd) numbers.txt_ReadFloat(f);
        else numbers.txt_ReadLong(i);
        Fuzz_Check(f == f, "a number read as NaN");
    }
    while (!lines.txt_IsEnd()) {
        TxtReader line;
        lines.txt_ReadLine(line);
        Fuzz_Check(std::memchr(line.c_str(), '\n', line.length()) == nullptr, "a line holds its end");
    }
    std::string rest;
    while (!rests.txt_IsEnd()) rests.txt_ReadRestOfLine(rest);

    // Positions taken from the text itself, as scripts seek with numbers they read.
    for (size_t k = 0; k + 4 <= size && k < 64; k += 4) {
        int32_t v;
        std::memcpy(&v, data + k, 4);
        text.txt_Seek(v, int16_t(k / 4 % 4));
        Fuzz_Check(text.length() == 0 || text.position() < text.length(), "seek outside the text");
        (void)*text.txt_CharAt(v);
        (void)text.txt_SubString(v, int32_t(k)).length();
    }
    return true;
}

std::vector<FuzzBytes> Seeds() {
    return {Fuzz_Text(MenuTxt_Make(MenuTxt_StandardSections())),
            Fuzz_Text(CreditsTxt_Make({{"#Quillmar 2", "", "12, -3; 4.5e2\t0.25"}, {"x"}})),
            Fuzz_Text("1 -2 3.5 +7e-3 999999999999 .5e\r\nline two;;,,\r\n\r\n  last")};
}

}  // namespace

QM_FUZZ_TARGET(txt, Setup, Run, Seeds);
