// The decorated border around the HUD's windows: four corners and four
// edges cut from two small images, so any window size can be framed. The
// owner draws the interior. This file also holds the screen-space vertex
// and the overlay render state every HUD overlay draws with.
#pragma once

#include <cstdint>

#include "engine/OmVector2.h"

// Pixel position, z, rhw, ARGB colour and texture coordinates: the vertex
// format XYZRHW | DIFFUSE | TEX1.
struct TsScreenVertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.5f;
    float rhw = 1.0f;
    uint32_t colour = 0xFFFFFFFFu;
    float u = 0.0f;
    float v = 0.0f;
};
static_assert(sizeof(TsScreenVertex) == 28, "screen vertices are 28 bytes");

// Four vertices drawn as a two-triangle strip: 0 bottom-left, 1 top-left,
// 2 bottom-right, 3 top-right.
struct TsScreenQuad {
    TsScreenVertex v[4];
    TsScreenQuad();
    void Place(float left, float top, float right, float bottom);
};

// Sets the blended, unlit, depth-free state for screen overlays and puts it
// back when it goes out of scope (Z-write, lighting and the vertex shader to
// what they were; depth test on and counter-clockwise culling, as the rest
// of the frame expects).
class TsHUDOverlay {
public:
    static constexpr uint32_t kScreenVertexFormat = 0x144;
    static constexpr uint32_t kFlatVertexFormat = 0x44;

    TsHUDOverlay();
    ~TsHUDOverlay();
    TsHUDOverlay(const TsHUDOverlay&) = delete;
    TsHUDOverlay& operator=(const TsHUDOverlay&) = delete;

    // Binds the texture (an id of the renderer's registry; -1 none).
    void SetTexture(int32_t textureId);
    // One quad from memory.
    void Draw(const TsScreenQuad& quad);
    // Indexed triangles from memory (16-bit indices).
    void DrawIndexed(const TsScreenVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                     uint32_t triangleCount);

private:
    bool m_active = false;
    uint32_t m_zWrite = 0;
    uint32_t m_lighting = 0;
    uint32_t m_shader = 0;
};

class TsFrameWindow {
public:
    enum Piece { kTopLeft, kTopRight, kBottomLeft, kBottomRight, kLeft, kRight, kTop, kBottom, kPieceCount };

    TsFrameWindow();

    bool LoadTextures();
    bool Build(const OmVector2& position, const OmVector2& size, float border);
    // Where a window of this size, opened at start, begins so that it and
    // its frame stay on a screen of this extent: moved in by what
    // overhangs, the start edge kept should it be wider than the screen. A
    // screen not yet known (extent 0) moves nothing.
    static float FitOnScreen(float start, float size, float border, int extent);
    void Render();

    const TsScreenQuad& GetPiece(int i) const { return m_pieces[i]; }
    int32_t GetCornerTexture() const { return m_cornerTexture; }
    int32_t GetEdgeTexture() const { return m_edgeTexture; }
    const OmVector2& GetPosition() const { return m_position; }

private:
    TsScreenQuad m_pieces[kPieceCount];
    int32_t m_cornerTexture = -1;
    int32_t m_edgeTexture = -1;
    OmVector2 m_position;
};
