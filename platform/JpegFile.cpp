// JPEG images through libjpeg: grey, colour and four-channel (CMYK, or
// YCCK that libjpeg turns into CMYK) files. Its errors long-jump back to the
// one frame that set the jump, which holds no object with a destructor;
// every warning about damaged data fails the load instead of yielding a
// grey-filled image.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "platform/ImageCodecs.h"
#include "platform/PixelFormat.h"

namespace plat::codec {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    cinfo->err->format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level)
{
    if (level < 0) { // a warning: the data is damaged or cut short
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        cinfo->err->format_message(cinfo, err->message);
        std::longjmp(err->jump, 1);
    }
}

// Everything the decode touches after setjmp lives here, outside the
// jumping frame, so nothing is left indeterminate by the jump.
struct JpegJob {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    std::span<const uint8_t> data;
    Image* out = nullptr;
    ImageInfo* info = nullptr;
    std::string error;
    bool created = false;
};

bool ReadHeader(JpegJob& job)
{
    jpeg_mem_src(&job.cinfo, job.data.data(), static_cast<unsigned long>(job.data.size()));
    jpeg_read_header(&job.cinfo, TRUE);
    const auto space = job.cinfo.jpeg_color_space;
    if (space != JCS_GRAYSCALE && space != JCS_YCbCr && space != JCS_RGB && space != JCS_CMYK &&
        space != JCS_YCCK) {
        job.error = "JPEG image uses an unsupported colour space";
        return false;
    }
    if (!CheckImageSize(job.cinfo.image_width, job.cinfo.image_height, job.error)) return false;
    *job.info = ImageInfo{};
    job.info->width = job.cinfo.image_width;
    job.info->height = job.cinfo.image_height;
    job.info->format = space == JCS_GRAYSCALE ? fmt::L8 : fmt::X8R8G8B8;
    job.info->fileFormat = imagefile::Jpg;
    return true;
}

bool IsFourChannel(const jpeg_decompress_struct& cinfo)
{
    return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

// Ink amounts to light, in place over a row of C, M, Y, K bytes. Adobe's
// programs, which write the marker, store every channel inverted (255 is no
// ink); other writers store the ink itself.
void CmykToArgb(uint32_t* row, uint32_t width, bool inverted)
{
    auto* bytes = reinterpret_cast<uint8_t*>(row);
    for (uint32_t x = 0; x < width; ++x) {
        uint8_t* p = bytes + size_t(x) * 4;
        uint32_t c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) {
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        }
        row[x] = Argb(0xFF, (c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

void ReadPixels(JpegJob& job)
{
    Image& out = *job.out;
    out.width = job.info->width;
    out.height = job.info->height;
    out.pixels.assign(size_t(out.width) * out.height, 0);
    const bool cmyk = IsFourChannel(job.cinfo);
    // Our A8R8G8B8 words with alpha filled opaque, or four ink bytes a pixel
    // converted once the row is in.
    job.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&job.cinfo);
    while (job.cinfo.output_scanline < job.cinfo.output_height) {
        const size_t y = job.cinfo.output_scanline;
        JSAMPROW row = reinterpret_cast<JSAMPROW>(&out.pixels[y * out.width]);
        jpeg_read_scanlines(&job.cinfo, &row, 1);
        if (cmyk) CmykToArgb(&out.pixels[y * out.width], out.width, job.cinfo.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&job.cinfo);
}

// Kept out of line so that nothing of it lands in the frame that set the jump.
[[gnu::noinline]] bool Body(JpegJob& job)
{
    jpeg_create_decompress(&job.cinfo);
    job.created = true;
    if (!ReadHeader(job)) return false;
    if (job.out) ReadPixels(job);
    return true;
}

bool Run(JpegJob& job)
{
    job.cinfo.err = jpeg_std_error(&job.err.base);
    job.err.base.error_exit = OnError;
    job.err.base.emit_message = OnMessage;
    if (setjmp(job.err.jump)) return false;
    return Body(job);
}

} // namespace

bool DecodeJpeg(std::span<const uint8_t> data, Image* out, ImageInfo& info, std::string& error)
{
    JpegJob job;
    job.data = data;
    job.out = out;
    job.info = &info;
    const bool ok = Run(job);
    if (job.created) jpeg_destroy_decompress(&job.cinfo);
    if (!ok) {
        error = job.error.empty() ? std::string("JPEG image is damaged: ") + job.err.message
                                  : job.error;
        if (out) *out = Image{};
    }
    return ok;
}

} // namespace plat::codec
