// JPEG files written with libjpeg at full quality for the image tests:
// colour, grey and four-channel ink pictures (Adobe's programs store inks
// inverted, with their marker, as CMYK or YCCK).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace imgtest {

// Rows of `components` bytes a pixel in colour space `given`, stored as `stored`.
inline std::vector<uint8_t> EncodeJpeg(uint32_t width, uint32_t height, int components, J_COLOR_SPACE given,
                                       J_COLOR_SPACE stored, bool adobeMarker, const std::vector<uint8_t>& samples)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = width;
    c.image_height = height;
    c.input_components = components;
    c.in_color_space = given;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_set_colorspace(&c, stored);
    c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = 1; // no chroma subsampling
    c.write_Adobe_marker = adobeMarker;
    jpeg_start_compress(&c, TRUE);
    for (uint32_t y = 0; y < height; ++y) {
        JSAMPROW rows[1] = {const_cast<uint8_t*>(&samples[size_t(y) * width * size_t(components)])};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> file(buffer, buffer + size);
    std::free(buffer);
    jpeg_destroy_compress(&c);
    return file;
}

// A 16 x 8 picture whose left half holds the samples `left` and right half
// `right` (one byte a component), given in colour space `given`.
inline std::vector<uint8_t> HalvesJpeg(J_COLOR_SPACE given, J_COLOR_SPACE stored, bool adobeMarker,
                                       const std::vector<uint8_t>& left, const std::vector<uint8_t>& right)
{
    std::vector<uint8_t> samples;
    for (int i = 0; i < 16 * 8; ++i) {
        const std::vector<uint8_t>& half = i % 16 < 8 ? left : right;
        samples.insert(samples.end(), half.begin(), half.end());
    }
    return EncodeJpeg(16, 8, int(left.size()), given, stored, adobeMarker, samples);
}

} // namespace imgtest
