// PNG images through libpng's whole-image reader, which reports every error
// as a message instead of unwinding through our frames.
#include <png.h>

#include "platform/ImageCodecs.h"
#include "platform/PixelFormat.h"

namespace plat::codec {
namespace {

uint32_t FileFormat(png_uint_32 format)
{
    const bool alpha = format & PNG_FORMAT_FLAG_ALPHA;
    if (format & (PNG_FORMAT_FLAG_COLOR | PNG_FORMAT_FLAG_COLORMAP)) {
        return alpha ? fmt::A8R8G8B8 : fmt::R8G8B8;
    }
    return alpha ? fmt::A8L8 : fmt::L8;
}

struct PngImage {
    png_image image{};
    PngImage()
    {
        image.version = PNG_IMAGE_VERSION;
    }
    ~PngImage() { png_image_free(&image); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;
};

} // namespace

bool DecodePng(std::span<const uint8_t> data, Image* out, ImageInfo& info, std::string& error)
{
    PngImage png;
    if (!png_image_begin_read_from_memory(&png.image, data.data(), data.size())) {
        error = std::string("PNG image is damaged: ") + png.image.message;
        return false;
    }
    if (!CheckImageSize(png.image.width, png.image.height, error)) return false;
    info = ImageInfo{};
    info.width = png.image.width;
    info.height = png.image.height;
    info.format = FileFormat(png.image.format);
    info.fileFormat = imagefile::Png;
    if (!out) return true;

    // Blue, green, red, alpha bytes are our A8R8G8B8 words on a
    // little-endian machine.
    png.image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> pixels(size_t(info.width) * info.height);
    if (!png_image_finish_read(&png.image, nullptr, pixels.data(), 0, nullptr)) {
        error = std::string("PNG image is damaged: ") + png.image.message;
        return false;
    }
    out->width = info.width;
    out->height = info.height;
    out->pixels = std::move(pixels);
    return true;
}

} // namespace plat::codec
