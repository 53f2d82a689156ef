#include "ScreenGrab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace game_test {

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
        shot.pixels.resize(size_t(width) * size_t(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                shot.pixels[size_t(y) * size_t(width) + size_t(x)] = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
        XDestroyImage(image);
    }
    XCloseDisplay(connection);
    return shot;
}

Screenshot GrabPicture(const std::string& display, const ShownPicture& shown)
{
    if (shown.desktopWidth == shown.width && shown.desktopHeight == shown.height)
        return GrabScreen(display, shown.width, shown.height);
    const Screenshot desktop = GrabScreen(display, shown.desktopWidth, shown.desktopHeight);
    if (desktop.width == 0)
        return desktop;
    Screenshot picture;
    picture.width = shown.width;
    picture.height = shown.height;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x)
            picture.pixels.push_back(desktop.At(int(shown.DesktopX(x + 0.5)), int(shown.DesktopY(y + 0.5))));
    return picture;
}

} // namespace game_test
