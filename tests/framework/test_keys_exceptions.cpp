// The keyboard table: SDL scancodes to DirectInput codes.
#include <gtest/gtest.h>

#include <SDL.h>

#include <set>

#include "framework/KeyCodes.h"

TEST(KeyTable, GameKeysMapToScanCodeSetValuesAndTheTableRoundTrips)
{
    const std::pair<SDL_Scancode, int> cases[] = {
        {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_SPACE, 0x39}, {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_UP, 0xC8},
        {SDL_SCANCODE_LEFT, 0xCB},   {SDL_SCANCODE_A, 0x1E},     {SDL_SCANCODE_M, 0x32},      {SDL_SCANCODE_0, 0x0B},
        {SDL_SCANCODE_F10, 0x44},    {SDL_SCANCODE_F11, 0x57},   {SDL_SCANCODE_KP_ENTER, 0x9C},
    };
    for (const auto& [sdl, dik] : cases)
        EXPECT_EQ(Input_ScancodeToDIK(sdl), dik) << SDL_GetScancodeName(sdl);

    std::set<int> letters;
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_Z; ++sc)
        letters.insert(Input_ScancodeToDIK(sc));
    EXPECT_EQ(letters.size(), 26u);
    EXPECT_EQ(letters.count(0), 0u);
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc)
        if (const uint8_t dik = Input_ScancodeToDIK(sc)) {
            EXPECT_EQ(Input_DIKToScancode(dik), sc) << SDL_GetScancodeName(SDL_Scancode(sc));
        }

    for (int bad : {-1, int(SDL_NUM_SCANCODES), int(SDL_SCANCODE_F24)})
        EXPECT_EQ(Input_ScancodeToDIK(bad), 0) << bad;
    EXPECT_EQ(Input_DIKToScancode(0xFF), 0);
}
