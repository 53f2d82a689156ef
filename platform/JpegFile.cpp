// JPEG images through libjpeg. Its errors long-jump back to the one frame
// that set the jump, which holds no object with a destructor; every warning
// about damaged data fails the load instead of yielding a grey-filled image.
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
    if (space != JCS_GRAYSCALE && space != JCS_YCbCr && space != JCS_RGB) {
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

void ReadPixels(JpegJob& job)
{
    Image& out = *job.out;
    out.width = job.info->width;
    out.height = job.info->height;
    out.pixels.assign(size_t(out.width) * out.height, 0);
    job.cinfo.out_color_space = JCS_EXT_BGRA; // our A8R8G8B8 words, alpha filled opaque
    jpeg_start_decompress(&job.cinfo);
    while (job.cinfo.output_scanline < job.cinfo.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(&out.pixels[size_t(job.cinfo.output_scanline) *
                                                              out.width]);
        jpeg_read_scanlines(&job.cinfo, &row, 1);
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
