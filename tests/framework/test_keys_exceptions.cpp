// The keyboard table (SDL scancodes to DirectInput codes) and the exception texts with symbolic names.
#include <gtest/gtest.h>

#include <SDL.h>

#include <set>

#include "framework/Exceptions.h"
#include "framework/KeyCodes.h"

using namespace Velkrum;

TEST(KeyTable, KeysTheGameUsesGetTheirScanCodeSetValues)
{
    const struct {
        SDL_Scancode sdl;
        int dik;
    } cases[] = {
        {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_SPACE, 0x39}, {SDL_SCANCODE_RETURN, 0x1C},
        {SDL_SCANCODE_UP, 0xC8},     {SDL_SCANCODE_DOWN, 0xD0},  {SDL_SCANCODE_LEFT, 0xCB},
        {SDL_SCANCODE_RIGHT, 0xCD},  {SDL_SCANCODE_Q, 0x10},     {SDL_SCANCODE_P, 0x19},
        {SDL_SCANCODE_A, 0x1E},      {SDL_SCANCODE_L, 0x26},     {SDL_SCANCODE_Z, 0x2C},
        {SDL_SCANCODE_M, 0x32},      {SDL_SCANCODE_1, 0x02},     {SDL_SCANCODE_0, 0x0B},
        {SDL_SCANCODE_F1, 0x3B},     {SDL_SCANCODE_F10, 0x44},   {SDL_SCANCODE_F11, 0x57},
        {SDL_SCANCODE_F12, 0x58},    {SDL_SCANCODE_TAB, 0x0F},   {SDL_SCANCODE_KP_ENTER, 0x9C},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Input_ScancodeToDIK(c.sdl), c.dik) << SDL_GetScancodeName(c.sdl);
}

TEST(KeyTable, LettersAndFunctionKeysAreDistinctAndRoundTrip)
{
    std::set<int> seen;
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_Z; ++sc)
        seen.insert(Input_ScancodeToDIK(sc));
    for (int sc = SDL_SCANCODE_F1; sc <= SDL_SCANCODE_F12; ++sc)
        seen.insert(Input_ScancodeToDIK(sc));
    EXPECT_EQ(seen.size(), 26u + 12u);
    EXPECT_EQ(seen.count(0), 0u);

    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
        const uint8_t dik = Input_ScancodeToDIK(sc);
        if (dik) {
            EXPECT_EQ(Input_DIKToScancode(dik), sc) << SDL_GetScancodeName(SDL_Scancode(sc));
        }
    }
}

TEST(KeyTable, UnknownKeysAndOutOfRangeValuesGiveZero)
{
    EXPECT_EQ(Input_ScancodeToDIK(-1), 0);
    EXPECT_EQ(Input_ScancodeToDIK(SDL_NUM_SCANCODES), 0);
    EXPECT_EQ(Input_ScancodeToDIK(SDL_SCANCODE_F24), 0);
    EXPECT_EQ(Input_DIKToScancode(0), 0);
    EXPECT_EQ(Input_DIKToScancode(0xFF), 0);
}

TEST(Exceptions, TextsCarryTheInterfaceAndTheSymbolicName)
{
    const CDirectDrawException dd(DDERR_SURFACELOST, "Flip");
    EXPECT_STREQ(dd.what(), "Direct Draw (DDERR_SURFACELOST) : Flip\n");
    EXPECT_EQ(uint32_t(dd.Result()), 0x887601C2u);
    EXPECT_EQ(dd.Name(), "DDERR_SURFACELOST");

    const CDirectInputException di(DIERR_INPUTLOST, "Acquire");
    EXPECT_STREQ(di.what(), "Direct Input (DIERR_INPUTLOST) : Acquire\n");
    EXPECT_EQ(uint32_t(di.Result()), 0x8007001Eu);

    const CDirectXException dx(DDERR_INVALIDMODE, "SetDisplayMode");
    EXPECT_STREQ(dx.what(), "DirectX (DDERR_INVALIDMODE) : SetDisplayMode\n");
}

TEST(Exceptions, SharedCodesAreNamedAfterTheirInterfaceAndUnknownOnesByValue)
{
    EXPECT_EQ(DXErrorName(DXApi::DirectDraw, int32_t(0x8007000Eu)), "DDERR_OUTOFMEMORY");
    EXPECT_EQ(DXErrorName(DXApi::DirectInput, int32_t(0x8007000Eu)), "DIERR_OUTOFMEMORY");
    EXPECT_EQ(DXErrorName(DXApi::DirectDraw, DIERR_INPUTLOST), "UNKNOWN_0x8007001E");
    EXPECT_EQ(DXErrorName(DXApi::Any, DIERR_INPUTLOST), "DIERR_INPUTLOST");
    EXPECT_EQ(DXErrorName(DXApi::Any, 0x12345678), "UNKNOWN_0x12345678");
    EXPECT_EQ(DXErrorName(DXApi::DirectDraw, MakeDDResult(120)), "DDERR_INVALIDMODE");
}

TEST(Exceptions, AllAreCaughtAsTheFrameworkAndStandardErrors)
{
    EXPECT_THROW(throw CDirectDrawException(DDERR_GENERIC, "x"), CDirectXException);
    EXPECT_THROW(throw CDirectInputException(DIERR_GENERIC, "x"), CException);
    EXPECT_THROW(throw CDirectXException(DD_OK, "x"), std::runtime_error);
    EXPECT_THROW(throw CException("plain"), std::runtime_error);
}
