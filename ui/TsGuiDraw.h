// The GUI's coordinates and its two shape drawings. Elements are placed in
// screen fractions (0..1 of the width and height, y down) and drawn in pixels
// converted from the screen size at the moment of drawing. Mouse positions
// travel packed in one word, x above y.
#pragma once

#include <cstdint>

struct TsGuiSpritePlacement;

// An event argument: wide enough for a pointer, so a window may be opened
// with one.
using TsGuiArg = intptr_t;

// Fraction <-> pixel conversions; all answer 0 while there is no screen.
float GuiToPixelsX(float f);
float GuiToPixelsY(float f);
float GuiToFractionX(float p);
float GuiToFractionY(float p);
float GuiPixelWidth();
float GuiPixelHeight();

// x in bits 16-31, y in bits 0-15. Only y's low 16 bits are kept, so a
// negative y cannot spill into x.
int32_t GuiPackMouse(int32_t x, int32_t y);
inline int32_t GuiPackedX(int32_t p) { return p >> 16; }
inline int32_t GuiPackedY(int32_t p) { return p & 0xFFFF; }

// Bits of the button word that travels with a packed position.
enum TsGuiButtons : uint32_t {
    TS_GUI_SELECT = 1,
    TS_GUI_SECOND = 2,
    TS_GUI_DOUBLE_CLICK = 4,
};

// A float (render fraction or game time) carried in an event argument.
TsGuiArg GuiFloatArg(float f);
float GuiArgFloat(TsGuiArg a);

// The eight slots of a frame, in the order every frame keeps them.
enum TsGuiFrameSlot : int {
    TS_FRAME_TOP_LEFT,
    TS_FRAME_TOP,
    TS_FRAME_TOP_RIGHT,
    TS_FRAME_LEFT,
    TS_FRAME_RIGHT,
    TS_FRAME_BOTTOM_LEFT,
    TS_FRAME_BOTTOM,
    TS_FRAME_BOTTOM_RIGHT,
    TS_FRAME_SLOTS
};

// Whole tiles covering a length, both in whole pixels: the integer quotient,
// plus one for a remainder; none for a length or tile under a pixel.
inline int32_t TilesFor(float length, float tile)
{
    const int32_t t = int32_t(tile), n = int32_t(length);
    if (t <= 0 || n <= 0) {
        return 0;
    }
    return n / t + (n % t ? 1 : 0);
}

// A frame of tiled edges and corners around (x, y, w, h) pixels; edges
// without a sprite become one-pixel white lines when lines is true.
void DrawGuiFrame(float x, float y, float w, float h, const TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS],
                  bool lines);
// One-pixel lines from pairs of end points (x, y, x, y, ...), in one draw.
void DrawGuiLines(const float* points, uint32_t lineCount, uint32_t colour);
// A translucent black rectangle inset by 4 pixels.
void DrawGuiShade(float x, float y, float w, float h);
