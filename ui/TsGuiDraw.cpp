#include "ui/TsGuiDraw.h"

#include <bit>

#include "game/framework/TsAccess.h"
#include "platform/GfxTypes.h"
#include "render/OmD3D.h"
#include "ui/TsGuiSprite.h"

using namespace plat;

namespace {

// A pre-transformed vertex with a colour and no texture (format 0x44).
struct LineVertex {
    float x, y, z, rhw;
    uint32_t colour;
};
static_assert(sizeof(LineVertex) == 20);

float Ratio(float value, int size) { return size > 0 ? value / float(size) : 0.0f; }

} // namespace

float GuiToPixelsX(float f) { return f * float(TsAccess::ScreenWidth()); }
float GuiToPixelsY(float f) { return f * float(TsAccess::ScreenHeight()); }
float GuiToFractionX(float p) { return Ratio(p, TsAccess::ScreenWidth()); }
float GuiToFractionY(float p) { return Ratio(p, TsAccess::ScreenHeight()); }
float GuiPixelWidth() { return Ratio(1.0f, TsAccess::ScreenWidth()); }
float GuiPixelHeight() { return Ratio(1.0f, TsAccess::ScreenHeight()); }

int32_t GuiPackMouse(int32_t x, int32_t y) { return int32_t((uint32_t(x) << 16) | (uint32_t(y) & 0xFFFFu)); }

TsGuiArg GuiFloatArg(float f) { return TsGuiArg(std::bit_cast<uint32_t>(f)); }
float GuiArgFloat(TsGuiArg a) { return std::bit_cast<float>(uint32_t(uintptr_t(a))); }

namespace {

// The end points of the frame's edges that have no sprite.
struct FrameLines {
    LineVertex points[8];
    uint32_t count = 0;
    void Add(float x0, float y0, float x1, float y1)
    {
        points[count++] = {x0, y0, 0.0f, 1.0f, 0xFFFFFFFFu};
        points[count++] = {x1, y1, 0.0f, 1.0f, 0xFFFFFFFFu};
    }
};

void DrawLines(const FrameLines& lines)
{
    OmD3D* r = OmD3D::Instance();
    if (!r || lines.count == 0) {
        return;
    }
    r->SetVertexShader(GfxFvf::RhwDiffuse);
    r->SetIndices(-1, 0);
    r->SetStreamSource(0, -1);
    r->SetTexture(0, -1);
    r->DrawPrimitiveUP(GfxPrimitive::LineList, lines.count / 2, lines.points, sizeof(LineVertex));
}

} // namespace

void DrawGuiFrame(float x, float y, float w, float h, const TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS], bool lines)
{
    const TsGuiSpritePlacement& topLeft = frame[TS_FRAME_TOP_LEFT];
    const TsGuiSpritePlacement& top = frame[TS_FRAME_TOP];
    const TsGuiSpritePlacement& topRight = frame[TS_FRAME_TOP_RIGHT];
    const TsGuiSpritePlacement& left = frame[TS_FRAME_LEFT];
    const TsGuiSpritePlacement& right = frame[TS_FRAME_RIGHT];
    const TsGuiSpritePlacement& bottomLeft = frame[TS_FRAME_BOTTOM_LEFT];
    const TsGuiSpritePlacement& bottom = frame[TS_FRAME_BOTTOM];
    const TsGuiSpritePlacement& bottomRight = frame[TS_FRAME_BOTTOM_RIGHT];
    FrameLines gathered;

    float R = x + w - topRight.GetPixelWidth();
    topLeft.Draw(x, y);
    float cx = topLeft.sprite ? x + topLeft.GetPixelWidth() : x;
    // Tiles step back a quarter pixel so neighbours overlap; a zero-sized
    // tile would never advance, so it counts as no tile.
    if (top.sprite && top.GetPixelWidth() > 0.0f) {
        while (cx < R) {
            top.Draw(cx - 0.25f, y);
            cx += top.GetPixelWidth();
        }
        R = cx - 0.25f;
    } else if (lines) {
        gathered.Add(cx, y, R, y);
    }
    topRight.Draw(R, y);

    float cy = y + topLeft.GetPixelHeight();
    float B = y + h - bottomLeft.GetPixelHeight();
    const bool leftTiles = left.sprite && left.GetPixelHeight() > 0.0f;
    if (leftTiles) {
        while (cy < B) {
            left.Draw(x, cy - 0.25f);
            cy += left.GetPixelHeight();
        }
        B = cy - 0.25f;
    } else if (lines) {
        gathered.Add(x, cy, x, B);
    }

    cy = y + topRight.GetPixelHeight();
    if (right.sprite && right.GetPixelHeight() > 0.0f) {
        const float limit = y + h - bottomRight.GetPixelHeight();
        while (cy < limit) {
            right.Draw(R, cy - 0.25f);
            cy += right.GetPixelHeight();
        }
        if (!leftTiles) {
            B = cy - 0.25f;
        }
    } else if (lines) {
        gathered.Add(x + w, y + topRight.GetPixelHeight(), x + w, B);
    }

    bottomLeft.Draw(x, B);
    cx = x + bottomLeft.GetPixelWidth();
    if (bottom.sprite && bottom.GetPixelWidth() > 0.0f) {
        while (cx < R) {
            bottom.Draw(cx - 0.25f, B);
            cx += bottom.GetPixelWidth();
        }
    } else if (lines) {
        gathered.Add(cx, y + h - 1.0f, R, y + h - 1.0f);
    }
    bottomRight.Draw(R - 0.25f, B);
    DrawLines(gathered);
}

void DrawGuiLines(const float* points, uint32_t lineCount, uint32_t colour)
{
    FrameLines lines;
    for (uint32_t i = 0; i < lineCount && i < 4; ++i) {
        lines.Add(points[4 * i], points[4 * i + 1], points[4 * i + 2], points[4 * i + 3]);
    }
    for (uint32_t i = 0; i < lines.count; ++i) {
        lines.points[i].colour = colour;
    }
    DrawLines(lines);
}

void DrawGuiShade(float x, float y, float w, float h)
{
    OmD3D* r = OmD3D::Instance();
    if (!r) {
        return;
    }
    const float l = x + 4.0f, t = y + 4.0f, rt = x + w - 4.0f, b = y + h - 4.0f;
    const uint32_t c = 0xA0000000u;
    const LineVertex v[6] = {
        {l, t, 0.0f, 1.0f, c},  {rt, t, 0.0f, 1.0f, c}, {l, b, 0.0f, 1.0f, c},
        {rt, t, 0.0f, 1.0f, c}, {rt, b, 0.0f, 1.0f, c}, {l, b, 0.0f, 1.0f, c},
    };
    r->SetVertexShader(GfxFvf::RhwDiffuse);
    r->SetBlendMode(0x42);
    r->SetTexture(0, -1);
    // A sprite drawn before leaves the stage reading its texture: with none
    // bound that is opaque white, so the shade takes its own colour.
    r->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::SelectArg1);
    r->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Diffuse);
    r->SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::SelectArg1);
    r->SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Diffuse);
    r->DrawPrimitiveUP(GfxPrimitive::TriangleList, 2, v, sizeof(LineVertex));
    r->SetBlendMode(0);
}
