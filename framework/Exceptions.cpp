// Framework exceptions and the symbolic names of DirectDraw / DirectInput result codes.
#include "framework/Exceptions.h"

#include <cstdio>
#include <iterator>

namespace Velkrum {
namespace {

struct NamedResult {
    int32_t code;
    const char* name;
};

#define QM_RESULT(n) {n, #n}

const NamedResult kDrawResults[] = {
    QM_RESULT(DD_OK),
    QM_RESULT(DDERR_GENERIC),
    QM_RESULT(DDERR_UNSUPPORTED),
    QM_RESULT(DDERR_INVALIDPARAMS),
    QM_RESULT(DDERR_OUTOFMEMORY),
    QM_RESULT(DDERR_NOTINITIALIZED),
    QM_RESULT(DDERR_ALREADYINITIALIZED),
    QM_RESULT(DDERR_CANNOTATTACHSURFACE),
    QM_RESULT(DDERR_CURRENTLYNOTAVAIL),
    QM_RESULT(DDERR_EXCEPTION),
    QM_RESULT(DDERR_INCOMPATIBLEPRIMARY),
    QM_RESULT(DDERR_INVALIDCAPS),
    QM_RESULT(DDERR_INVALIDMODE),
    QM_RESULT(DDERR_INVALIDOBJECT),
    QM_RESULT(DDERR_INVALIDPIXELFORMAT),
    QM_RESULT(DDERR_INVALIDRECT),
    QM_RESULT(DDERR_LOCKEDSURFACES),
    QM_RESULT(DDERR_NO3D),
    QM_RESULT(DDERR_NOCOOPERATIVELEVELSET),
    QM_RESULT(DDERR_NODIRECTDRAWSUPPORT),
    QM_RESULT(DDERR_NOEXCLUSIVEMODE),
    QM_RESULT(DDERR_NOFLIPHW),
    QM_RESULT(DDERR_NOTFOUND),
    QM_RESULT(DDERR_NOSTRETCHHW),
    QM_RESULT(DDERR_NOZBUFFERHW),
    QM_RESULT(DDERR_OUTOFCAPS),
    QM_RESULT(DDERR_OUTOFVIDEOMEMORY),
    QM_RESULT(DDERR_PALETTEBUSY),
    QM_RESULT(DDERR_SURFACEALREADYATTACHED),
    QM_RESULT(DDERR_SURFACEBUSY),
    QM_RESULT(DDERR_CANTLOCKSURFACE),
    QM_RESULT(DDERR_SURFACEISOBSCURED),
    QM_RESULT(DDERR_SURFACELOST),
    QM_RESULT(DDERR_SURFACENOTATTACHED),
    QM_RESULT(DDERR_TOOBIGHEIGHT),
    QM_RESULT(DDERR_TOOBIGSIZE),
    QM_RESULT(DDERR_TOOBIGWIDTH),
    QM_RESULT(DDERR_UNSUPPORTEDFORMAT),
    QM_RESULT(DDERR_UNSUPPORTEDMASK),
    QM_RESULT(DDERR_WASSTILLDRAWING),
    QM_RESULT(DDERR_INVALIDDIRECTDRAWGUID),
    QM_RESULT(DDERR_DIRECTDRAWALREADYCREATED),
    QM_RESULT(DDERR_NODIRECTDRAWHW),
    QM_RESULT(DDERR_PRIMARYSURFACEALREADYEXISTS),
    QM_RESULT(DDERR_NOEMULATION),
    QM_RESULT(DDERR_NOHWND),
    QM_RESULT(DDERR_HWNDALREADYSET),
    QM_RESULT(DDERR_NOPALETTEATTACHED),
    QM_RESULT(DDERR_NOBLTHW),
    QM_RESULT(DDERR_EXCLUSIVEMODEALREADYSET),
    QM_RESULT(DDERR_NOTFLIPPABLE),
    QM_RESULT(DDERR_NOTLOCKED),
    QM_RESULT(DDERR_CANTCREATEDC),
    QM_RESULT(DDERR_WRONGMODE),
    QM_RESULT(DDERR_UNSUPPORTEDMODE),
    QM_RESULT(DDERR_NOMIPMAPHW),
    QM_RESULT(DDERR_INVALIDSURFACETYPE),
    QM_RESULT(DDERR_NOFOCUSWINDOW),
};

const NamedResult kInputResults[] = {
    QM_RESULT(DI_OK),
    QM_RESULT(DI_BUFFEROVERFLOW),
    QM_RESULT(DI_POLLEDDEVICE),
    QM_RESULT(DIERR_GENERIC),
    QM_RESULT(DIERR_UNSUPPORTED),
    QM_RESULT(DIERR_NOINTERFACE),
    QM_RESULT(DIERR_INVALIDPARAM),
    QM_RESULT(DIERR_OUTOFMEMORY),
    QM_RESULT(DIERR_NOTFOUND),
    QM_RESULT(DIERR_OTHERAPPHASPRIO),
    QM_RESULT(DIERR_NOTACQUIRED),
    QM_RESULT(DIERR_NOTINITIALIZED),
    QM_RESULT(DIERR_INPUTLOST),
    QM_RESULT(DIERR_BADDRIVERVER),
    QM_RESULT(DIERR_ACQUIRED),
    QM_RESULT(DIERR_OLDDIRECTINPUTVERSION),
    QM_RESULT(DIERR_BETADIRECTINPUTVERSION),
    QM_RESULT(DIERR_ALREADYINITIALIZED),
    QM_RESULT(DIERR_NOAGGREGATION),
    QM_RESULT(DIERR_DEVICENOTREG),
    QM_RESULT(DIERR_INSUFFICIENTPRIVS),
    QM_RESULT(DIERR_DEVICEFULL),
    QM_RESULT(DIERR_MOREDATA),
    QM_RESULT(DIERR_NOTEXCLUSIVEACQUIRED),
    QM_RESULT(DIERR_NOTBUFFERED),
};

#undef QM_RESULT

template <size_t N>
const char* findName(const NamedResult (&table)[N], int32_t code)
{
    for (const NamedResult& r : table)
        if (r.code == code)
            return r.name;
    return nullptr;
}

std::string describe(const char* apiLabel, const std::string& name, const std::string& text)
{
    return std::string(apiLabel) + " (" + name + ") : " + text + "\n";
}

}  // namespace

std::string DXErrorName(DXApi api, int32_t result)
{
    const char* name = nullptr;
    if (api != DXApi::DirectInput)
        name = findName(kDrawResults, result);
    if (!name && api != DXApi::DirectDraw)
        name = findName(kInputResults, result);
    if (name)
        return name;
    char buf[32];
    std::snprintf(buf, sizeof buf, "UNKNOWN_0x%08X", uint32_t(result));
    return buf;
}

CDirectXException::CDirectXException(int32_t result, const std::string& text)
    : CDirectXException("DirectX", DXApi::Any, result, text)
{
}

CDirectXException::CDirectXException(const char* apiLabel, DXApi api, int32_t result, const std::string& text)
    : CException(describe(apiLabel, DXErrorName(api, result), text)), result_(result), name_(DXErrorName(api, result))
{
}

CDirectDrawException::CDirectDrawException(int32_t result, const std::string& text)
    : CDirectXException("Direct Draw", DXApi::DirectDraw, result, text)
{
}

CDirectInputException::CDirectInputException(int32_t result, const std::string& text)
    : CDirectXException("Direct Input", DXApi::DirectInput, result, text)
{
}

}  // namespace Velkrum
