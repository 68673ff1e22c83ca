// Subtitles: lines broken after partition characters within the width, cut words, the line limit, double-byte
// characters, the shadow, and the pictures of cinema and voice-over replies held over many passes.
#include <gtest/gtest.h>

#include "tests/dialogue/DialogueTestUtil.h"

namespace {

class Subtitles : public DialogueScreenTest {
protected:
    int32_t Width(const std::string& text)
    {
        OrvTextSize size;
        OrvFont_GetTextSize(text.c_str(), int32_t(text.size()), size);
        return size.cx;
    }
    std::vector<std::string> Split(const std::string& text, int32_t width, size_t lines)
    {
        OrvFont_PrintBegin(nullptr, "OrvFT_Dialog", 0xFFFFFF);
        std::vector<std::string> out = dlg_SplitSubtitle(text, width, lines);
        OrvFont_PrintEnd();
        return out;
    }
    // Measures inside a begun print.
    template <class F>
    auto Measuring(F f)
    {
        OrvFont_PrintBegin(nullptr, "OrvFT_Dialog", 0xFFFFFF);
        auto r = f();
        OrvFont_PrintEnd();
        return r;
    }
    // A dialogue of one reply of that staging and text, started.
    dlg_Dialog& Start(const std::string& staging, const std::string& text)
    {
        DlgScriptDesc desc;
        desc.persos = {Perso("Lia")};
        desc.lines = {DlgScript_Reply(12, 1, "Lia", staging, text)};
        dlg_Dialog& d = Build(desc);
        EXPECT_TRUE(d.Update());
        return d;
    }
    // A picture that is not uniform, as a panorama is.
    static void Stripes()
    {
        ASSERT_TRUE(OrvDisplay_LockSurface());
        CSurface& s = *OrvDisplay_GetRenderSurface();
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                const uint32_t c = 0xFF000000u | uint32_t(x * 255 / s.width) << 16 | uint32_t((y / 8) % 2 ? 0x60 : 0x20) << 8;
                const uint16_t v = uint16_t(PackColor(s.format, c));
                std::memcpy(s.Row(y) + 2 * x, &v, 2);
            }
        OrvDisplay_UnlockSurface();
    }
};

const std::string kText =
    "Le gardien du temple compte les nuits depuis que la dernière étoile est tombée, et chaque soir, il attend "
    "qu'un voyageur lui rapporte ce que le ciel a perdu, sans jamais lever les yeux.";

TEST_F(Subtitles, LinesBreakAfterTheirLastPartitionCharacterWithinTheWidth)
{
    const int32_t width = 620;
    const std::vector<std::string> lines = Split(kText, width, 20);
    ASSERT_GE(lines.size(), 3u);
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        joined += lines[i];
        EXPECT_LT(Measuring([&] { return Width(lines[i]); }), width) << lines[i];
        if (i + 1 == lines.size()) continue;
        const char last = lines[i].back();
        EXPECT_TRUE(last == ' ' || last == ',') << lines[i];
        // The next line's first word, with its partition character, would not have fitted.
        const std::string& next = lines[i + 1];
        const size_t end = next.find_first_of(" ,");
        const std::string word = next.substr(0, end == std::string::npos ? next.size() : end + 1);
        EXPECT_GE(Measuring([&] { return Width(lines[i] + word); }), width) << lines[i] << "|" << word;
    }
    EXPECT_EQ(joined, kText);
    // The line limit: the lines after it are not shown.
    const std::vector<std::string> two = Split(kText, width, 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], lines[0]);
    EXPECT_EQ(two[1], lines[1]);
    EXPECT_TRUE(Split(kText, width, 0).empty());
    // A line as wide as the limit is too wide.
    const int32_t exact = Measuring([&] { return Width("aa bb"); });
    EXPECT_EQ(Split("aa bb", exact, 5), (std::vector<std::string>{"aa ", "bb"}));
    EXPECT_EQ(Split("aa bb", exact + 1, 5), std::vector<std::string>{"aa bb"});
}

TEST_F(Subtitles, AWordWiderThanTheLineIsCutAndNothingFollowsIt)
{
    const std::string word(200, 'M');
    const std::vector<std::string> alone = Split(word + " et la suite", 300, 20);
    ASSERT_EQ(alone.size(), 1u);
    ASSERT_LT(alone[0].size(), word.size());
    EXPECT_EQ(alone[0], word.substr(0, alone[0].size()));
    EXPECT_LT(Measuring([&] { return Width(alone[0]); }), 300);
    EXPECT_GE(Measuring([&] { return Width(alone[0] + "M"); }), 300);
    // After a broken line: the long word starts the next line and is cut there.
    const std::vector<std::string> after = Split("Oui, " + word + " et la suite", 300, 20);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0], "Oui, ");
    EXPECT_EQ(after[1], alone[0]);
}

TEST_F(Subtitles, DoubleByteCharactersStayWholeAndALastLeadByteIsTakenAlone)
{
    WriteFonts(true);
    std::string text;
    for (int i = 0; i < 150; ++i) text += "\x82\xA0";
    const std::vector<std::string> cut = Split(text, 200, 20);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].size() % 2, 0u) << "no pair is split";
    EXPECT_GT(cut[0].size(), 0u);
    EXPECT_LT(cut[0].size(), text.size());
    const std::string tail = "ab\x82";
    EXPECT_EQ(Split(tail, 600, 20), std::vector<std::string>{tail});
    // A last lead byte that makes the line too wide is cut alone.
    const std::string pairs = text.substr(0, 20);
    const int32_t before = Measuring([&] { return Width(pairs); }), with = Measuring([&] { return Width(pairs + "\x82"); });
    ASSERT_GT(with, before);
    EXPECT_EQ(Split(pairs + "\x82", with, 20), std::vector<std::string>{pairs});
}

TEST_F(Subtitles, TheLastLineStandsTenPixelsAboveTheBottomWithAShadowToItsLowerRight)
{
    const std::string text = "Deux lignes, car celle-ci est bien trop longue pour tenir sur une seule ligne de l'écran.";
    dlg_Dialog& d = Start("voixoff", text);
    Clear(0xFF406080);
    d.DrawSubtitle(OrvDisplay_GetRenderSurface());
    EXPECT_EQ(OrvDisplay_GetLockCount(), 0);
    const uint64_t drawn = Checksum();
    int top = 480, bottom = -1, left = 640, black = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            black += Pixel(x, y) == 0xFF000000u;
            if (Pixel(x, y) != 0xFFFFFFFFu) continue;
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            left = std::min(left, x);
        }
    const int32_t height = Measuring([] { return OrvFont_GetHeight(); });
    EXPECT_GE(top, 480 - 10 - 2 * height);
    EXPECT_LT(top, 480 - 10 - height);
    EXPECT_LT(bottom, 480 - 10);
    EXPECT_GE(left, 10);
    EXPECT_GT(black, 20);
    // The same lines drawn by hand: black one pixel right and down, then white.
    const std::vector<std::string> lines = Split(text, 620, 26);
    ASSERT_EQ(lines.size(), 2u);
    Clear(0xFF406080);
    OrvFont_PrintBegin(nullptr, "OrvFT_Dialog", 0xFFFFFF);
    for (int i = 0; i < 2; ++i) {
        const int y = 480 - height * (2 - i) - 10;
        OrvFont_SetColor(0);
        OrvFont_PrintAt(11, y + 1, lines[size_t(i)].c_str());
        OrvFont_SetColor(0xFFFFFF);
        OrvFont_PrintAt(10, y, lines[size_t(i)].c_str());
    }
    OrvFont_PrintEnd();
    EXPECT_EQ(Checksum(), drawn);
}

TEST_F(Subtitles, ACinemaReplyHeldForManyPassesDrawsTheSamePicture)
{
    dlg_Dialog& d = Start("cinema from0 to50", "Les nuits passent, les étoiles restent.");
    ASSERT_TRUE(d.Update());  // counted 0: not yet after from
    Stripes();
    d.Display(true);
    EXPECT_EQ(d.GetFrameCounter(), 0);
    const uint64_t bare = Checksum();
    ASSERT_TRUE(d.Update());
    d.Display(true);
    const uint64_t first = Checksum();
    EXPECT_NE(first, bare);
    for (int pass = 0; pass < 30; ++pass) {
        ASSERT_TRUE(d.Update());
        d.Display(true);
        ASSERT_EQ(Checksum(), first) << pass;
    }
    // Past its end the subtitle goes and the picture it started on is back.
    for (int pass = 0; pass < 30 && d.GetFrameCounter() < 50; ++pass) ASSERT_TRUE(d.Update());
    d.Display(true);
    EXPECT_EQ(Checksum(), bare);
}

TEST_F(Subtitles, VoiceOversWithoutSubtitlesDrawNothing)
{
    for (const char* staging : {"voixoff", "voixoff0"}) {
        dlg_Dialog& d = Start(staging, "Rien.");
        Stripes();
        const uint64_t before = Checksum();
        d.Display(false);
        EXPECT_EQ(Checksum(), before) << staging;
        d.Display(true);
        EXPECT_NE(Checksum(), before) << staging;
    }
}

}  // namespace
