#include "ScreenGrab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace game_test {

int Screenshot::CountBright(int x0, int y0, int x1, int y1, int level) const
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += Red(x, y) > level && Green(x, y) > level && Blue(x, y) > level;
    return n;
}

int Screenshot::CountDifferent(const Screenshot& other, int x0, int y0, int x1, int y1) const
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += At(x, y) != other.At(x, y);
    return n;
}

Screenshot GrabScreen(const std::string& display, int width, int height)
{
    Screenshot shot;
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection)
        return shot;
    XImage* image = XGetImage(connection, DefaultRootWindow(connection), 0, 0, unsigned(width), unsigned(height),
                              AllPlanes, ZPixmap);
    if (image) {
        shot.width = width;
        shot.height = height;
        shot.rgb.resize(size_t(width) * size_t(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                shot.rgb[size_t(y) * size_t(width) + size_t(x)] = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
        XDestroyImage(image);
    }
    XCloseDisplay(connection);
    return shot;
}

} // namespace game_test
