// JPEG files written with libjpeg at full quality for the image tests:
// colour and grey pictures, and four-channel ink pictures whose amounts are
// stored as they are (no Adobe marker), inverted the way Adobe's programs
// store them, or inverted and carried as YCCK.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
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

// A colour picture whose pixel (x, y) is colourAt(x, y) as 0xRRGGBB.
inline std::vector<uint8_t> RgbJpeg(uint32_t width, uint32_t height, const std::function<uint32_t(uint32_t, uint32_t)>& colourAt)
{
    std::vector<uint8_t> samples;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (int shift : {16, 8, 0})
                samples.push_back(uint8_t(colourAt(x, y) >> shift));
    return EncodeJpeg(width, height, 3, JCS_RGB, JCS_YCbCr, false, samples);
}

// A grey picture whose pixel (x, y) has level levelAt(x, y).
inline std::vector<uint8_t> GreyJpeg(uint32_t width, uint32_t height, const std::function<uint8_t(uint32_t, uint32_t)>& levelAt)
{
    std::vector<uint8_t> samples;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            samples.push_back(levelAt(x, y));
    return EncodeJpeg(width, height, 1, JCS_GRAYSCALE, JCS_GRAYSCALE, false, samples);
}

enum class InkStore { Plain, AdobeCmyk, AdobeYcck };

// Cyan, magenta, yellow and black ink of one pixel, 255 the most.
using Ink = std::array<uint8_t, 4>;

inline std::vector<uint8_t> InkJpeg(uint32_t width, uint32_t height, const std::vector<Ink>& inks, InkStore store)
{
    std::vector<uint8_t> samples;
    for (const Ink& ink : inks)
        for (uint8_t amount : ink)
            samples.push_back(store == InkStore::Plain ? amount : uint8_t(255 - amount));
    return EncodeJpeg(width, height, 4, JCS_CMYK, store == InkStore::AdobeYcck ? JCS_YCCK : JCS_CMYK,
                      store != InkStore::Plain, samples);
}

} // namespace imgtest
