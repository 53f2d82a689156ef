#include "platform/TextureImage.h"

namespace plat {

bool PrepareTextureLevels(const Image& image, const ImageInfo& info, const TextureRequest& request,
                          const TextureLimits& limits, TextureLevels& out, std::string* error)
{
    out = TextureLevels{};
    out.source = info;
    const auto unset = [](uint32_t v) { return v == 0 || v == kDefaultValue; };
    uint32_t width = unset(request.width) ? image.width : request.width;
    uint32_t height = unset(request.height) ? image.height : request.height;
    uint32_t levels = request.levels;
    uint32_t format = (request.format == fmt::Unknown || request.format == kDefaultValue)
                          ? info.format
                          : request.format;
    if (!CheckTextureRequirements(width, height, levels, format, limits)) {
        if (error) *error = "no texture format the device holds fits";
        return false;
    }
    const uint32_t filterWord = request.filter == filter::Default
                                    ? filter::Triangle | filter::Dither
                                    : request.filter;
    const uint32_t mipWord = request.mipFilter == filter::Default ? filter::Box | filter::Dither
                                                                  : request.mipFilter;
    out.format = format;
    out.dither = (filterWord & filter::Dither) != 0 || (levels > 1 && (mipWord & filter::Dither));
    out.levels = BuildMipChain(ScaleImage(image, width, height, filterWord), levels);
    return true;
}

bool LoadTextureLevels(std::string_view gamePath, const TextureRequest& request,
                       const TextureLimits& limits, TextureLevels& out, std::string* error)
{
    out = TextureLevels{};
    Image image;
    ImageInfo info;
    if (!LoadImageFile(gamePath, image, &info, error)) return false;
    std::string why;
    if (!PrepareTextureLevels(image, info, request, limits, out, &why)) {
        if (error) *error = std::string(gamePath) + ": " + why;
        return false;
    }
    return true;
}

} // namespace plat
