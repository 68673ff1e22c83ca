// Framework exceptions and the DirectDraw / DirectInput result codes with their symbolic names.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace Velkrum {

// Result codes keep the values the game's logs and reports have always shown.
constexpr int32_t MakeDDResult(int code) { return int32_t(0x88760000u | uint32_t(code)); }

constexpr int32_t DD_OK = 0;
constexpr int32_t DDERR_GENERIC = int32_t(0x80004005u);
constexpr int32_t DDERR_UNSUPPORTED = int32_t(0x80004001u);
constexpr int32_t DDERR_INVALIDPARAMS = int32_t(0x80070057u);
constexpr int32_t DDERR_OUTOFMEMORY = int32_t(0x8007000Eu);
constexpr int32_t DDERR_NOTINITIALIZED = int32_t(0x800401F0u);
constexpr int32_t DDERR_ALREADYINITIALIZED = MakeDDResult(5);
constexpr int32_t DDERR_CANNOTATTACHSURFACE = MakeDDResult(10);
constexpr int32_t DDERR_CURRENTLYNOTAVAIL = MakeDDResult(40);
constexpr int32_t DDERR_EXCEPTION = MakeDDResult(55);
constexpr int32_t DDERR_INCOMPATIBLEPRIMARY = MakeDDResult(95);
constexpr int32_t DDERR_INVALIDCAPS = MakeDDResult(100);
constexpr int32_t DDERR_INVALIDMODE = MakeDDResult(120);
constexpr int32_t DDERR_INVALIDOBJECT = MakeDDResult(130);
constexpr int32_t DDERR_INVALIDPIXELFORMAT = MakeDDResult(145);
constexpr int32_t DDERR_INVALIDRECT = MakeDDResult(150);
constexpr int32_t DDERR_LOCKEDSURFACES = MakeDDResult(160);
constexpr int32_t DDERR_NO3D = MakeDDResult(170);
constexpr int32_t DDERR_NOCOOPERATIVELEVELSET = MakeDDResult(212);
constexpr int32_t DDERR_NODIRECTDRAWSUPPORT = MakeDDResult(222);
constexpr int32_t DDERR_NOEXCLUSIVEMODE = MakeDDResult(225);
constexpr int32_t DDERR_NOFLIPHW = MakeDDResult(230);
constexpr int32_t DDERR_NOTFOUND = MakeDDResult(255);
constexpr int32_t DDERR_NOSTRETCHHW = MakeDDResult(310);
constexpr int32_t DDERR_NOZBUFFERHW = MakeDDResult(340);
constexpr int32_t DDERR_OUTOFCAPS = MakeDDResult(360);
constexpr int32_t DDERR_OUTOFVIDEOMEMORY = MakeDDResult(380);
constexpr int32_t DDERR_PALETTEBUSY = MakeDDResult(387);
constexpr int32_t DDERR_SURFACEALREADYATTACHED = MakeDDResult(410);
constexpr int32_t DDERR_SURFACEBUSY = MakeDDResult(430);
constexpr int32_t DDERR_CANTLOCKSURFACE = MakeDDResult(435);
constexpr int32_t DDERR_SURFACEISOBSCURED = MakeDDResult(440);
constexpr int32_t DDERR_SURFACELOST = MakeDDResult(450);
constexpr int32_t DDERR_SURFACENOTATTACHED = MakeDDResult(460);
constexpr int32_t DDERR_TOOBIGHEIGHT = MakeDDResult(470);
constexpr int32_t DDERR_TOOBIGSIZE = MakeDDResult(480);
constexpr int32_t DDERR_TOOBIGWIDTH = MakeDDResult(490);
constexpr int32_t DDERR_UNSUPPORTEDFORMAT = MakeDDResult(510);
constexpr int32_t DDERR_UNSUPPORTEDMASK = MakeDDResult(520);
constexpr int32_t DDERR_WASSTILLDRAWING = MakeDDResult(540);
constexpr int32_t DDERR_INVALIDDIRECTDRAWGUID = MakeDDResult(561);
constexpr int32_t DDERR_DIRECTDRAWALREADYCREATED = MakeDDResult(562);
constexpr int32_t DDERR_NODIRECTDRAWHW = MakeDDResult(563);
constexpr int32_t DDERR_PRIMARYSURFACEALREADYEXISTS = MakeDDResult(564);
constexpr int32_t DDERR_NOEMULATION = MakeDDResult(565);
constexpr int32_t DDERR_NOHWND = MakeDDResult(569);
constexpr int32_t DDERR_HWNDALREADYSET = MakeDDResult(571);
constexpr int32_t DDERR_NOPALETTEATTACHED = MakeDDResult(572);
constexpr int32_t DDERR_NOBLTHW = MakeDDResult(575);
constexpr int32_t DDERR_EXCLUSIVEMODEALREADYSET = MakeDDResult(581);
constexpr int32_t DDERR_NOTFLIPPABLE = MakeDDResult(582);
constexpr int32_t DDERR_NOTLOCKED = MakeDDResult(584);
constexpr int32_t DDERR_CANTCREATEDC = MakeDDResult(585);
constexpr int32_t DDERR_WRONGMODE = MakeDDResult(587);
constexpr int32_t DDERR_UNSUPPORTEDMODE = MakeDDResult(590);
constexpr int32_t DDERR_NOMIPMAPHW = MakeDDResult(591);
constexpr int32_t DDERR_INVALIDSURFACETYPE = MakeDDResult(592);
constexpr int32_t DDERR_NOFOCUSWINDOW = MakeDDResult(602);

constexpr int32_t DI_OK = 0;
constexpr int32_t DI_BUFFEROVERFLOW = 1;
constexpr int32_t DI_POLLEDDEVICE = 2;
constexpr int32_t DIERR_GENERIC = int32_t(0x80004005u);
constexpr int32_t DIERR_UNSUPPORTED = int32_t(0x80004001u);
constexpr int32_t DIERR_NOINTERFACE = int32_t(0x80004002u);
constexpr int32_t DIERR_INVALIDPARAM = int32_t(0x80070057u);
constexpr int32_t DIERR_OUTOFMEMORY = int32_t(0x8007000Eu);
constexpr int32_t DIERR_NOTFOUND = int32_t(0x80070002u);
constexpr int32_t DIERR_OTHERAPPHASPRIO = int32_t(0x80070005u);
constexpr int32_t DIERR_NOTACQUIRED = int32_t(0x8007000Cu);
constexpr int32_t DIERR_NOTINITIALIZED = int32_t(0x80070015u);
constexpr int32_t DIERR_INPUTLOST = int32_t(0x8007001Eu);
constexpr int32_t DIERR_BADDRIVERVER = int32_t(0x80070077u);
constexpr int32_t DIERR_ACQUIRED = int32_t(0x800700AAu);
constexpr int32_t DIERR_OLDDIRECTINPUTVERSION = int32_t(0x8007047Eu);
constexpr int32_t DIERR_BETADIRECTINPUTVERSION = int32_t(0x80070481u);
constexpr int32_t DIERR_ALREADYINITIALIZED = int32_t(0x800704DFu);
constexpr int32_t DIERR_NOAGGREGATION = int32_t(0x80040110u);
constexpr int32_t DIERR_DEVICENOTREG = int32_t(0x80040154u);
constexpr int32_t DIERR_INSUFFICIENTPRIVS = int32_t(0x80040200u);
constexpr int32_t DIERR_DEVICEFULL = int32_t(0x80040201u);
constexpr int32_t DIERR_MOREDATA = int32_t(0x80040202u);
constexpr int32_t DIERR_NOTEXCLUSIVEACQUIRED = int32_t(0x80040205u);
constexpr int32_t DIERR_NOTBUFFERED = int32_t(0x80040207u);

// Which result table a code is read against: several codes are shared between the interfaces.
enum class DXApi { DirectDraw, DirectInput, Any };

// The symbolic name of a result code ("DDERR_SURFACELOST"); unknown codes give "UNKNOWN_0x%08X".
std::string DXErrorName(DXApi api, int32_t result);

class CException : public std::runtime_error {
public:
    explicit CException(const std::string& text) : std::runtime_error(text) {}
};

// A failed DirectX-style call: "<api> (<symbolic name>) : <text>\n".
class CDirectXException : public CException {
public:
    CDirectXException(int32_t result, const std::string& text);
    int32_t Result() const { return result_; }
    const std::string& Name() const { return name_; }

protected:
    CDirectXException(const char* apiLabel, DXApi api, int32_t result, const std::string& text);

private:
    int32_t result_;
    std::string name_;
};

// "Direct Draw (%s) : %s\n"
class CDirectDrawException : public CDirectXException {
public:
    CDirectDrawException(int32_t result, const std::string& text);
};

// "Direct Input (%s) : %s\n"
class CDirectInputException : public CDirectXException {
public:
    CDirectInputException(int32_t result, const std::string& text);
};

}  // namespace Velkrum
