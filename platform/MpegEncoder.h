// Writes short MPEG-1 clips (MPEG-1 video, MP2 audio, MPEG program stream)
// with libavcodec: the demo data's title and intro videos, and test clips.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace plat {

struct MpegClip {
    int width = 320;  // even, at least 16
    int height = 240;
    int framesPerSecond = 25;  // one of MPEG-1's rates: 24, 25, 30, 50 or 60
    int frameCount = 50;
    // Paints picture `frame` into `pixels` (A8R8G8B8, rows top-down, width * height).
    std::function<void(int frame, std::uint32_t* pixels, int width, int height)> draw;
    double toneHz = 0;  // a sine soundtrack at this pitch; 0 for none
    int sampleRate = 44100;
};

// Writes the clip to a game path (created or replaced). False with an error text on failure.
bool EncodeMpegClip(std::string_view gamePath, const MpegClip& clip, std::string& error);

// A `draw` that fills each picture with one colour (A8R8G8B8) chosen per frame.
std::function<void(int, std::uint32_t*, int, int)> SolidColour(std::function<std::uint32_t(int frame)> colour);

} // namespace plat
