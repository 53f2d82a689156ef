// Four-channel JPEG files written with libjpeg for the image tests: ink
// amounts stored as they are (no Adobe marker), inverted the way Adobe's
// programs store them, or inverted and carried as YCCK.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace imgtest {

enum class InkStore { Plain, AdobeCmyk, AdobeYcck };

// Cyan, magenta, yellow and black ink of one pixel, 255 the most.
using Ink = std::array<uint8_t, 4>;

inline std::vector<uint8_t> InkJpeg(uint32_t width, uint32_t height, const std::vector<Ink>& inks, InkStore store)
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
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_set_colorspace(&c, store == InkStore::AdobeYcck ? JCS_YCCK : JCS_CMYK);
    c.write_Adobe_marker = store != InkStore::Plain;
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(width) * 4);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            for (int channel = 0; channel < 4; ++channel) {
                const uint8_t ink = inks[size_t(y) * width + x][size_t(channel)];
                row[size_t(x) * 4 + size_t(channel)] = store == InkStore::Plain ? ink : uint8_t(255 - ink);
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> file(buffer, buffer + size);
    std::free(buffer);
    jpeg_destroy_compress(&c);
    return file;
}

} // namespace imgtest
