// Writes the radar's art under the folder given on the command line
// (normally data/): the frame hud/radar.tga (a bevelled border around a
// clear middle, so the map shows through) and the four blips, each a round
// dot of its own colour: the player's squad green, other characters blue,
// banter characters yellow and the objective white.
//
// Usage: make_demo_radar DATA_DIR
#include <cstdio>
#include <filesystem>

#include "tools/DemoImages.h"

namespace fs = std::filesystem;
using demo::Argb;
using demo::Picture;

namespace {

Picture Frame()
{
    Picture p(256, 128, 0);
    const uint32_t light = Argb(200, 200, 210), dark = Argb(70, 70, 90);
    p.Fill(0, 0, 256, 3, light);
    p.Fill(0, 0, 3, 128, light);
    p.Fill(0, 125, 256, 128, dark);
    p.Fill(253, 0, 256, 128, dark);
    return p;
}

Picture Dot(uint32_t colour)
{
    Picture p(16, 16, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const float dx = float(x) - 7.5f, dy = float(y) - 7.5f;
            if (dx * dx + dy * dy <= 7.5f * 7.5f)
                p.At(uint32_t(x), uint32_t(y)) = colour;
        }
    return p;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_radar DATA_DIR\n");
        return 2;
    }
    const fs::path hud = fs::path(argv[1]) / "hud";
    std::error_code error;
    fs::create_directories(hud, error);
    if (error || !demo::WriteTarga(hud / "radar.tga", Frame()) ||
        !demo::WriteTarga(hud / "PCRadarSprite.tga", Dot(Argb(40, 255, 60))) ||
        !demo::WriteTarga(hud / "NPCRadarSprite.tga", Dot(Argb(60, 120, 255))) ||
        !demo::WriteTarga(hud / "BanterRadarSprite.tga", Dot(Argb(255, 230, 40))) ||
        !demo::WriteTarga(hud / "ObjectiveRadarSprite.tga", Dot(Argb(255, 255, 255)))) {
        std::fprintf(stderr, "make_demo_radar: cannot write the radar images in %s\n", hud.string().c_str());
        return 1;
    }
    return 0;
}
