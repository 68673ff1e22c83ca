// Tests of the script tokenizer: separators, lines, numbers and end of text.
#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
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

TEST(TxtReader, LineEndings) {
    const struct {
        const char* text;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\n", {"ab"}},          // a lone CR is dropped
        {"x\r", {"x"}},              // a CR as the last byte ends the line and the text
        {"p\r\r\nq", {"p\r", "q"}},  // the byte after a CR is taken as it is
        {"\n\n", {"", ""}},
    };
    for (const auto& c : cases) {
        TxtReader r(c.text);
        EXPECT_EQ(Lines(r), c.lines) << c.text;
    }

    // A token consumes exactly one ending separator: the CR, leaving the LF as an empty line.
    TxtReader r("[Font]\r\nName x");
    EXPECT_EQ(r.txt_NextToken(), "[Font]");
    EXPECT_EQ(r.position(), 7u);
    TxtReader line;
    r.txt_ReadLine(line);
    EXPECT_EQ(line.str(), "");
    r.txt_ReadLine(line);
    EXPECT_EQ(line.str(), "Name x");
    EXPECT_TRUE(r.txt_IsEnd());
    r.txt_ReadLine(line);  // at the end: an empty line
    EXPECT_EQ(line.str(), "");
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
    EXPECT_EQ(TxtReader(",12").txt_ToLong(), 0);  // atol skips white space, not commas
}

TEST(TxtReader, LoadFileEndsAtAZeroByte) {
    TempDir dir;
    std::string bytes("line1\r\nab\0cd", 12);
    ASSERT_TRUE(WriteFileBytes(dir / "s.txt", bytes.data(), bytes.size()));
    TxtReader r;
    ASSERT_TRUE(TxtReader_LoadFile((dir / "s.txt").c_str(), r));
    EXPECT_EQ(r.str(), "line1\r\nab");
    EXPECT_FALSE(TxtReader_LoadFile((dir / "missing.txt").c_str(), r));
    EXPECT_EQ(OrvFile_OpenCount(), 0);
}
