// Image files made ready for a texture or a surface, as the texture loader
// and the surface loader treat them: sizes and format chosen from the
// request, the file and what the device holds, the picture scaled with the
// requested filter and the mip levels averaged down from it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ImageFile.h"
#include "platform/PixelFormat.h"

namespace plat {

struct TextureRequest {
    uint32_t width = kDefaultValue;  // 0 or default: the file's width
    uint32_t height = kDefaultValue; // 0 or default: the file's height
    uint32_t levels = kDefaultValue; // 0 or default: a full chain
    uint32_t format = fmt::Unknown;  // unknown or default: the file's format
    uint32_t filter = filter::Default;
    uint32_t mipFilter = filter::Default;
};

struct TextureLevels {
    ImageInfo source;          // what the file holds
    uint32_t format = 0;       // the format to create
    std::vector<Image> levels; // level 0 at the chosen size, each next one half as large
    bool dither = false;       // whether conversion into the format should dither
};

// Loads the file and prepares every level. False, with a message naming the
// file, when it cannot be read or decoded or no format fits the device.
bool LoadTextureLevels(std::string_view gamePath, const TextureRequest& request,
                       const TextureLimits& limits, TextureLevels& out,
                       std::string* error = nullptr);

// The same for an image already decoded (the file's information given).
bool PrepareTextureLevels(const Image& image, const ImageInfo& info, const TextureRequest& request,
                          const TextureLimits& limits, TextureLevels& out,
                          std::string* error = nullptr);

} // namespace plat
