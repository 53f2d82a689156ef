#include "platform/GfxFileTexture.h"

#include "platform/DebugOutput.h"
#include "platform/PixelFormat.h"
#include "platform/TextureImage.h"

#include <algorithm>

namespace plat {

namespace {

TextureLimits LimitsOf(GfxDevice* device)
{
    GfxCaps caps{};
    device->GetDeviceCaps(&caps);
    TextureLimits limits;
    limits.maxWidth = caps.maxTextureWidth ? caps.maxTextureWidth : 2048;
    limits.maxHeight = caps.maxTextureHeight ? caps.maxTextureHeight : 2048;
    // A device that takes any size keeps a picture at its own size: rounding
    // up would stretch it and resample every texel.
    limits.powerOfTwo = (caps.textureCaps & GfxTextureCapsBits::Pow2) != 0;
    // The formats GfxDevice::CreateTexture takes.
    limits.formats = {fmt::R8G8B8,   fmt::A8R8G8B8, fmt::X8R8G8B8, fmt::R5G6B5, fmt::X1R5G5B5,
                      fmt::A1R5G5B5, fmt::A4R4G4B4, fmt::R3G3B2,   fmt::A8,     fmt::X4R4G4B4};
    return limits;
}

void ApplyColorKey(Image& image, uint32_t colorKey)
{
    if (colorKey == 0)
        return;
    for (uint32_t& p : image.pixels)
        if (p == colorKey)
            p = 0;
}

int32_t Fail(const std::string& message)
{
    DebugOutput("Graphics files: " + message + "\n");
    return GfxResult::InvalidData;
}

} // namespace

int32_t GfxCheckTextureRequirements(GfxDevice* device, uint32_t* width, uint32_t* height,
                                    uint32_t* levels, uint32_t /*usage*/, uint32_t* format,
                                    uint32_t /*pool*/)
{
    if (!device)
        return GfxResult::InvalidCall;
    uint32_t w = width ? *width : kDefaultValue;
    uint32_t h = height ? *height : kDefaultValue;
    uint32_t l = levels ? *levels : kDefaultValue;
    uint32_t f = format ? *format : fmt::Unknown;
    if (!CheckTextureRequirements(w, h, l, f, LimitsOf(device)))
        return GfxResult::NotAvailable;
    if (width)
        *width = w;
    if (height)
        *height = h;
    if (levels)
        *levels = l;
    if (format)
        *format = f;
    return GfxResult::Ok;
}

int32_t GfxGetImageInfoFromFile(const char* file, ImageInfo* info)
{
    if (!file || !info)
        return GfxResult::InvalidCall;
    std::string error;
    if (!ReadImageFileInfo(file, *info, &error))
        return Fail(error);
    return GfxResult::Ok;
}

int32_t GfxCreateTextureFromFileEx(GfxDevice* device, const char* file, uint32_t width,
                                   uint32_t height, uint32_t mipLevels, uint32_t usage,
                                   uint32_t format, uint32_t pool, uint32_t filter,
                                   uint32_t mipFilter, uint32_t colorKey, ImageInfo* sourceInfo,
                                   void* /*palette*/, GfxTexture** texture)
{
    if (!device || !file || !texture)
        return GfxResult::InvalidCall;
    *texture = nullptr;
    Image image;
    ImageInfo info;
    std::string error;
    if (!LoadImageFile(file, image, &info, &error))
        return Fail(error);
    ApplyColorKey(image, colorKey);
    TextureRequest request;
    request.width = width;
    request.height = height;
    request.levels = mipLevels;
    request.format = format;
    request.filter = filter;
    request.mipFilter = mipFilter;
    TextureLevels levels;
    if (!PrepareTextureLevels(image, info, request, LimitsOf(device), levels, &error))
        return Fail(std::string(file) + ": " + error);
    const Image& top = levels.levels.front();
    GfxTexture* t = nullptr;
    const int32_t result = device->CreateTexture(top.width, top.height,
                                                 static_cast<uint32_t>(levels.levels.size()), usage,
                                                 levels.format, pool, &t);
    if (GfxFailed(result))
        return result;
    for (uint32_t i = 0; i < t->GetLevelCount(); ++i) {
        GfxLockedRect locked{};
        if (t->LockRect(i, &locked, nullptr, 0) != GfxResult::Ok)
            continue;
        WriteImageRows(levels.levels[i], levels.format, locked.bits,
                       static_cast<size_t>(locked.pitch), levels.dither);
        t->UnlockRect(i);
    }
    if (sourceInfo)
        *sourceInfo = info;
    *texture = t;
    return GfxResult::Ok;
}

int32_t GfxCreateTextureFromFile(GfxDevice* device, const char* file, GfxTexture** texture)
{
    return GfxCreateTextureFromFileEx(device, file, kDefaultValue, kDefaultValue, kDefaultValue, 0,
                                      fmt::Unknown, GfxPool::Managed, filter::Default,
                                      filter::Default, 0, nullptr, nullptr, texture);
}

int32_t GfxLoadSurfaceFromFile(GfxSurface* dest, const void* /*palette*/, const GfxRect* destRect,
                               const char* file, const GfxRect* sourceRect, uint32_t filterWord,
                               uint32_t colorKey, ImageInfo* sourceInfo)
{
    if (!dest || !file)
        return GfxResult::InvalidCall;
    if (!IsConvertibleFormat(dest->Format()))
        return GfxResult::InvalidCall;
    const GfxRect whole{0, 0, static_cast<int32_t>(dest->Width()), static_cast<int32_t>(dest->Height())};
    const GfxRect to = destRect ? *destRect : whole;
    if (to.left < 0 || to.top < 0 || to.right > whole.right || to.bottom > whole.bottom
        || to.left >= to.right || to.top >= to.bottom)
        return GfxResult::InvalidCall;
    Image image;
    ImageInfo info;
    std::string error;
    if (!LoadImageFile(file, image, &info, &error))
        return Fail(error);
    if (sourceRect) {
        const GfxRect& r = *sourceRect;
        if (r.left < 0 || r.top < 0 || r.right > static_cast<int32_t>(image.width)
            || r.bottom > static_cast<int32_t>(image.height) || r.left >= r.right || r.top >= r.bottom)
            return GfxResult::InvalidCall;
        Image part;
        part.width = static_cast<uint32_t>(r.right - r.left);
        part.height = static_cast<uint32_t>(r.bottom - r.top);
        part.pixels.resize(static_cast<size_t>(part.width) * part.height);
        for (uint32_t y = 0; y < part.height; ++y)
            for (uint32_t x = 0; x < part.width; ++x)
                part.At(x, y) = image.At(static_cast<uint32_t>(r.left) + x, static_cast<uint32_t>(r.top) + y);
        image = std::move(part);
    }
    ApplyColorKey(image, colorKey);
    const uint32_t w = static_cast<uint32_t>(to.right - to.left);
    const uint32_t h = static_cast<uint32_t>(to.bottom - to.top);
    const uint32_t word = filterWord == filter::Default ? (filter::Triangle | filter::Dither) : filterWord;
    const Image scaled = (image.width == w && image.height == h) ? image : ScaleImage(image, w, h, word);
    GfxLockedRect locked{};
    const int32_t result = dest->LockRect(&locked, &to, 0);
    if (GfxFailed(result))
        return result;
    WriteImageRows(scaled, dest->Format(), locked.bits, static_cast<size_t>(locked.pitch),
                   (word & filter::Dither) != 0);
    dest->UnlockRect();
    if (sourceInfo)
        *sourceInfo = info;
    return GfxResult::Ok;
}

} // namespace plat
