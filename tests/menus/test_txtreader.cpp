// Tests of the script tokenizer: separators, lines, numbers, end of text and string operations.
#include <gtest/gtest.h>

#include <clocale>
#include <cfloat>
#include <string>
#include <vector>

#include "app/Orv_File.h"
#include "menus/TxtReader.h"
#include "testdata/TempDir.h"

namespace {

std::vector<std::string> Tokens(TxtReader& r, int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(r.txt_NextToken());
    return out;
}

std::vector<std::string> Lines(TxtReader& r) {
    std::vector<std::string> out;
    while (!r.txt_IsEnd()) {
        TxtReader line;
        r.txt_ReadLine(line);
        out.push_back(line.str());
    }
    return out;
}

}  // namespace

TEST(TxtReader, TokensSkipSeparatorRunsAndRunAcrossLines) {
    TxtReader r("  alpha,,beta;\r\n gamma");
    EXPECT_EQ(Tokens(r, 4), (std::vector<std::string>{"alpha", "beta", "gamma", ""}));
    EXPECT_TRUE(r.txt_IsEnd());

    // Only the six separators split; brackets, quotes, '=' and high bytes are token bytes.
    TxtReader s("[Font]=\"x\"#\xE9t\xE9\ttab\v1,5");
    EXPECT_EQ(Tokens(s, 4), (std::vector<std::string>{"[Font]=\"x\"#\xE9t\xE9", "tab\v1", "5", ""}));

    TxtReader empty;
    EXPECT_TRUE(empty.txt_IsEnd());
    EXPECT_EQ(empty.txt_NextToken(), "");
    TxtReader seps(" ,;\r\n\t");
    EXPECT_EQ(seps.txt_NextToken(), "");
    EXPECT_TRUE(seps.txt_IsEnd());
}

TEST(TxtReader, TokenConsumesExactlyOneEndingSeparator) {
    TxtReader r("[Font]\r\nName x");
    EXPECT_EQ(r.txt_NextToken(), "[Font]");
    EXPECT_EQ(r.position(), 7u);  // the CR only
    TxtReader line;
    r.txt_ReadLine(line);
    EXPECT_EQ(line.str(), "");  // the LF alone
    r.txt_ReadLine(line);
    EXPECT_EQ(line.str(), "Name x");
    EXPECT_TRUE(r.txt_IsEnd());

    // A token read from a line does not disturb the file reader.
    EXPECT_EQ(line.txt_NextToken(), "Name");
    EXPECT_EQ(line.txt_NextToken(), "x");
}

TEST(TxtReader, LineEndings) {
    TxtReader crlf("a\r\nb");
    EXPECT_EQ(Lines(crlf), (std::vector<std::string>{"a", "b"}));
    TxtReader lf("a\nb\n");
    EXPECT_EQ(Lines(lf), (std::vector<std::string>{"a", "b"}));
    TxtReader lone("a\rb\n");
    EXPECT_EQ(Lines(lone), (std::vector<std::string>{"ab"}));
    // A CR as the last byte ends the line and the text.
    TxtReader trailing("x\r");
    EXPECT_EQ(Lines(trailing), (std::vector<std::string>{"x"}));
    // The byte after a CR is taken as it is, even another CR.
    TxtReader doubled("p\r\r\nq");
    EXPECT_EQ(Lines(doubled), (std::vector<std::string>{"p\r", "q"}));
    TxtReader blank("\n\n");
    EXPECT_EQ(Lines(blank), (std::vector<std::string>{"", ""}));
    // Reading a line at the end gives an empty line and keeps the reader at the end.
    TxtReader line;
    blank.txt_ReadLine(line);
    EXPECT_EQ(line.str(), "");
    EXPECT_EQ(line.position(), 0u);
}

TEST(TxtReader, RestOfLineSkipsBlankLinesAndLeadingSeparators) {
    TxtReader r("\r\n\r\n  Hello, world\r\nnext");
    std::string s = "old";
    r.txt_ReadRestOfLine(s);
    EXPECT_EQ(s, "Hello, world");
    r.txt_ReadRestOfLine(s);
    EXPECT_EQ(s, "next");
    r.txt_ReadRestOfLine(s);
    EXPECT_EQ(s, "");

    TxtReader key("Type Times New Roman\r\n");
    EXPECT_EQ(key.txt_NextToken(), "Type");
    TxtReader rest;
    key.txt_ReadLine(rest);
    EXPECT_EQ(rest.str(), "Times New Roman");
}

TEST(TxtReader, NumbersAreDecimalOnlyInAnyLocale) {
    TxtReader r("-42 3.9 12ab ab 0x10 +7 2147483648 -2147483649 99999999999999999999");
    int32_t v = -1;
    std::vector<int32_t> got;
    for (int i = 0; i < 9; ++i) {
        r.txt_ReadLong(v);
        got.push_back(v);
    }
    EXPECT_EQ(got, (std::vector<int32_t>{-42, 3, 12, 0, 0, 7, INT32_MAX, INT32_MIN, INT32_MAX}));
    r.txt_ReadLong(v);
    EXPECT_EQ(v, 0);  // end of text

    // A locale whose decimal point is a comma must not change how "0.75" reads.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    bool switched = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") || std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    TxtReader f("0.75 -1.5e2 .5 5. 1e 0x10 inf nan -infinity 1e400 -1e400 1e-400 . -");
    std::vector<float> fs;
    float x = -1;
    for (int i = 0; i < 14; ++i) {
        f.txt_ReadFloat(x);
        fs.push_back(x);
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(fs, (std::vector<float>{0.75f, -150.f, 0.5f, 5.f, 1.f, 0.f, 0.f, 0.f, 0.f, FLT_MAX, -FLT_MAX, 0.f,
                                      0.f, 0.f}));
    if (!switched) GTEST_LOG_(INFO) << "no comma-decimal locale installed; checked in the C locale only";

    EXPECT_EQ(Txt_AtoF("  \v12.5xyz"), 12.5);
    EXPECT_EQ(TxtReader(" 12ab").txt_ToLong(), 12);
    EXPECT_EQ(TxtReader(",12").txt_ToLong(), 0);  // atol skips white space, not commas
}

TEST(TxtReader, ChainedReads) {
    TxtReader r("name 3 0.25 next");
    TxtReader name;
    int32_t n = 0;
    float f = 0;
    std::string next;
    r.txt_ReadString(name).txt_ReadLong(n).txt_ReadFloat(f).txt_GetToken(next);
    EXPECT_TRUE(name.txt_Equals("name"));
    EXPECT_EQ(name.position(), 0u);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(f, 0.25f);
    EXPECT_EQ(next, "next");
}

TEST(TxtReader, SeekClampsToTheLastByte) {
    TxtReader r("abc");
    r.txt_Seek(5, 0);
    EXPECT_EQ(r.position(), 2u);
    r.txt_Seek(0, 0);
    EXPECT_EQ(r.position(), 0u);
    r.txt_Seek(-1, 1);
    EXPECT_EQ(r.position(), 0u);
    r.txt_Seek(1, 1);
    EXPECT_EQ(r.position(), 1u);
    r.txt_Seek(-2, 2);
    EXPECT_EQ(r.position(), 1u);
    r.txt_Seek(0, 2);
    EXPECT_EQ(r.position(), 2u);
    r.txt_Seek(2, 7);
    EXPECT_EQ(r.position(), 0u);
    r.txt_Seek(INT32_MIN, 1);
    EXPECT_EQ(r.position(), 0u);
    TxtReader e;
    e.txt_Seek(3, 0);
    EXPECT_EQ(e.position(), 0u);
    EXPECT_TRUE(e.txt_IsEnd());
}

TEST(TxtReader, StringOperations) {
    TxtReader empty;
    EXPECT_EQ(*empty.txt_CharAt(0), 0);
    TxtReader abc("abc");
    EXPECT_EQ(*abc.txt_CharAt(-4), 'a');
    EXPECT_EQ(*abc.txt_CharAt(1), 'b');
    EXPECT_EQ(*abc.txt_CharAt(99), 'c');

    TxtReader s("abcdef");
    EXPECT_EQ(s.txt_SubString(1, 3).str(), "bcd");
    EXPECT_EQ(s.txt_SubString(4, 3).str(), "");
    EXPECT_EQ(s.txt_SubString(3, 3).str(), "def");
    EXPECT_EQ(s.txt_SubString(-1, 2).str(), "");
    EXPECT_EQ(s.txt_SubString(2, 0).str(), "");
    EXPECT_EQ(s.txt_SubString(2, INT32_MAX).str(), "");

    EXPECT_TRUE(abc.txt_Equals("abc"));
    EXPECT_FALSE(abc.txt_Equals("abcd"));
    EXPECT_FALSE(abc.txt_Equals("ABC"));
    EXPECT_TRUE(abc.txt_NotEquals("ab"));
    EXPECT_TRUE(abc.txt_EqualsString("abc"));

    TxtReader mixed("Ab\xC9z-9");
    mixed.txt_ToUpper();
    EXPECT_EQ(mixed.str(), "AB\xC9Z-9");
    mixed.txt_ToLower();
    EXPECT_EQ(mixed.str(), "ab\xC9z-9");

    TxtReader d("hello12b");
    EXPECT_EQ(d.txt_StripDigits().str(), "hellob");
    EXPECT_EQ(d.txt_KeepDigits().str(), "12");

    // Copies carry the position; a new text starts at 0; an embedded 0 byte ends the text.
    TxtReader src("one two");
    src.txt_NextToken();
    TxtReader copy;
    copy = src;
    EXPECT_EQ(copy.position(), 4u);
    EXPECT_EQ(copy.txt_NextToken(), "two");
    copy.txt_SetString(std::string("ab\0cd", 5));
    EXPECT_EQ(copy.length(), 2u);
    EXPECT_EQ(copy.position(), 0u);
}

TEST(TxtReader, LoadFile) {
    TempDir dir;
    std::string bytes("line1\r\nab\0cd", 12);
    ASSERT_TRUE(WriteFileBytes(dir / "s.txt", bytes.data(), bytes.size()));
    TxtReader r;
    ASSERT_TRUE(TxtReader_LoadFile((dir / "s.txt").c_str(), r));
    EXPECT_EQ(r.str(), "line1\r\nab");
    EXPECT_FALSE(TxtReader_LoadFile((dir / "missing.txt").c_str(), r));
    ASSERT_TRUE(WriteFileBytes(dir / "empty.txt", "", 0));
    ASSERT_TRUE(TxtReader_LoadFile((dir / "empty.txt").c_str(), r));
    EXPECT_TRUE(r.txt_IsEnd());
    EXPECT_EQ(OrvFile_OpenCount(), 0);
}
