// Image decoding must reject any damaged file with a message: the header
// reader and the full decoder both see the input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/ImageFile.h"
#include "platform/PixelFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    plat::ImageInfo info;
    std::string error;
    const bool header = plat::ReadImageInfo(bytes, info, &error);
    plat::Image image;
    if (plat::DecodeImage(bytes, image, &info, &error)) {
        if (!header || image.pixels.size() != size_t(image.width) * image.height) __builtin_trap();
        // Small results also go through the mip and scaling paths.
        if (image.pixels.size() <= 4096) {
            plat::BuildMipChain(image, 0);
            plat::ScaleImage(image, 7, 5, plat::filter::Linear | plat::filter::Mirror);
        }
    } else if (error.empty() || !image.pixels.empty()) {
        __builtin_trap();
    }
    return 0;
}
