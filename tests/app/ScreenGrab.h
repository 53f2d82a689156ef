// A picture of the screen, and the reading of an X display's root window into
// one, so an end-to-end test can look at what the game shows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace game_test {

// A picture of the screen: the game's own screen read back (its alpha kept
// in the top byte) or the display's pixels (0xRRGGBB), top row first.
struct Screenshot {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    int Red(int x, int y) const { return int(At(x, y) >> 16 & 0xFF); }
    int Green(int x, int y) const { return int(At(x, y) >> 8 & 0xFF); }
    int Blue(int x, int y) const { return int(At(x, y) & 0xFF); }
    // Pixels of the rectangle [x0, x1) x [y0, y1) that pass the test, which
    // is given the pixel's place (x, y) or its colour.
    template <class Test>
    int Count(int x0, int y0, int x1, int y1, Test test) const
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if constexpr (std::is_invocable_v<Test&, int, int>)
                    n += test(x, y) ? 1 : 0;
                else
                    n += test(At(x, y)) ? 1 : 0;
        return n;
    }
    int Differing(const Screenshot& other) const
    {
        int n = 0;
        for (size_t i = 0; i < pixels.size() && i < other.pixels.size(); ++i)
            n += pixels[i] != other.pixels[i];
        return n;
    }
    // The pixels of the rectangle, row by row.
    std::vector<uint32_t> Region(int x0, int y0, int x1, int y1) const
    {
        std::vector<uint32_t> pixels;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                pixels.push_back(At(x, y));
        return pixels;
    }
    // Whether the pixel is brighter than level in all three channels, and
    // how many of the rectangle's are.
    bool Bright(int x, int y, int level) const
    {
        return Red(x, y) > level && Green(x, y) > level && Blue(x, y) > level;
    }
    int CountBright(int x0, int y0, int x1, int y1, int level) const
    {
        return Count(x0, y0, x1, y1, [&](int x, int y) { return Bright(x, y, level); });
    }
};

// The top-left width x height pixels of the display; empty when it cannot be read.
Screenshot GrabScreen(const std::string& display, int width, int height);

// Where the game's width x height picture shows on a desktop of another
// size, which the display cannot switch to: scaled to fit, its shape kept,
// centred. Coordinates in pixels, fractions allowed.
struct ShownPicture {
    int desktopWidth = 0, desktopHeight = 0, width = 0, height = 0;
    double Scale() const { return std::min(double(desktopWidth) / width, double(desktopHeight) / height); }
    double DesktopX(double x) const { return (desktopWidth - width * Scale()) / 2 + x * Scale(); }
    double DesktopY(double y) const { return (desktopHeight - height * Scale()) / 2 + y * Scale(); }
};

// The game's picture as it drew it, width x height, read where the desktop
// shows it (each pixel from the desktop's pixel under its middle).
Screenshot GrabPicture(const std::string& display, const ShownPicture& shown);

} // namespace game_test
