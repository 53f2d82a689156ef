#include "platform/ErrorText.h"

#include <cstdio>
#include <cstring>

namespace plat {
namespace {

struct NamedCode {
    uint32_t code;
    const char* name;
};

constexpr NamedCode kNames[] = {
    {0x00000000, "D3D_OK"},
    {0x80004001, "E_NOTIMPL"},
    {0x80004002, "E_NOINTERFACE"},
    {0x80004003, "E_POINTER"},
    {0x80004005, "E_FAIL"},
    {0x8007000E, "E_OUTOFMEMORY"},
    {0x80070057, "E_INVALIDARG"},
    {0x8876017C, "D3DERR_OUTOFVIDEOMEMORY"},
    {0x88760818, "D3DERR_WRONGTEXTUREFORMAT"},
    {0x88760819, "D3DERR_UNSUPPORTEDCOLOROPERATION"},
    {0x8876081A, "D3DERR_UNSUPPORTEDCOLORARG"},
    {0x8876081B, "D3DERR_UNSUPPORTEDALPHAOPERATION"},
    {0x8876081C, "D3DERR_UNSUPPORTEDALPHAARG"},
    {0x8876081D, "D3DERR_TOOMANYOPERATIONS"},
    {0x8876081E, "D3DERR_CONFLICTINGTEXTUREFILTER"},
    {0x8876081F, "D3DERR_UNSUPPORTEDFACTORVALUE"},
    {0x88760821, "D3DERR_CONFLICTINGRENDERSTATE"},
    {0x88760822, "D3DERR_UNSUPPORTEDTEXTUREFILTER"},
    {0x88760826, "D3DERR_CONFLICTINGTEXTUREPALETTE"},
    {0x88760827, "D3DERR_DRIVERINTERNALERROR"},
    {0x88760866, "D3DERR_NOTFOUND"},
    {0x88760867, "D3DERR_MOREDATA"},
    {0x88760868, "D3DERR_DEVICELOST"},
    {0x88760869, "D3DERR_DEVICENOTRESET"},
    {0x8876086A, "D3DERR_NOTAVAILABLE"},
    {0x8876086B, "D3DERR_INVALIDDEVICE"},
    {0x8876086C, "D3DERR_INVALIDCALL"},
    {0x8876086D, "D3DERR_DRIVERINVALIDCALL"},
    {0x88760B54, "D3DXERR_CANNOTMODIFYINDEXBUFFER"},
    {0x88760B55, "D3DXERR_INVALIDMESH"},
    {0x88760B56, "D3DXERR_CANNOTATTRSORT"},
    {0x88760B57, "D3DXERR_SKINNINGNOTSUPPORTED"},
    {0x88760B58, "D3DXERR_TOOMANYINFLUENCES"},
    {0x88760B59, "D3DXERR_INVALIDDATA"},
    {0x88760B5A, "D3DXERR_LOADEDMESHASNODATA"},
};

} // namespace

std::string_view ErrorName(uint32_t code)
{
    for (const NamedCode& n : kNames) {
        if (n.code == code) return n.name;
    }
    return {};
}

std::string ErrorString(uint32_t code)
{
    const std::string_view name = ErrorName(code);
    if (!name.empty()) return std::string(name);
    char text[32];
    std::snprintf(text, sizeof text, "Unknown error 0x%08X", code);
    return text;
}

void FormatErrorString(uint32_t code, char* buffer, size_t size)
{
    if (!buffer || size == 0) return;
    const std::string text = ErrorString(code);
    const size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

} // namespace plat
