// A full-screen colour fade drawn over the frame: uniform, a wipe from left
// to right, or an iris opening from (or closing on) the screen centre. The
// screen is a 16 x 16 grid of vertices whose colours are set each frame, so
// the patterns need no texture. A finished fade out stays on screen until
// StopRendering; a finished fade in stops drawing by itself.
#pragma once

#include <cstdint>

#include "engine/OmVector4.h"

enum TsFadeKind : int32_t {
    TS_FADE_NONE = 0,
    TS_FADE_UNIFORM = 1,
    TS_FADE_WIPE_LR = 2,
    TS_FADE_IRIS = 3,
    TS_FADE_IRIS_CLOSING = 4, // the game-over scene's; scripts have no name for it
};

// One vertex of the grid: a screen position with rhw and a packed colour.
struct TsFaderVertex {
    float x, y, z, rhw;
    uint32_t colour;
};
static_assert(sizeof(TsFaderVertex) == 20, "fader vertices are 20-byte records");

class TsFader {
public:
    static constexpr int kGridSide = 16;   // vertices along each edge
    static constexpr int kVertexCount = kGridSide * kGridSide;
    static constexpr int kCellsPerSide = kGridSide - 1;
    static constexpr int kIndexCount = kCellsPerSide * kCellsPerSide * 6;

    TsFader() = default;
    ~TsFader();
    TsFader(const TsFader&) = delete;
    TsFader& operator=(const TsFader&) = delete;

    // Starts a fade of the given kind over seconds: out = true fades from
    // clear to the colour, false from the colour to clear. False when the
    // renderer's buffers could not be made (the fade then never draws).
    bool Start(TsFadeKind kind, float seconds, bool out, const OmColour& colour);
    // Once per tick.
    void Update();
    // Sets the vertex colours for the frame's fraction and draws the grid
    // with every changed render state put back.
    void Render(float fraction);
    // Makes the device buffers and draws the grid once, fully clear, without
    // starting a fade: a level's warm-up, so that the first fade allocates
    // nothing (its buffers, its drawing state).
    void WarmUp();

    // No fade, or its progress has reached the end.
    bool IsComplete() const;
    void StopRendering() { m_rendering = 0; }
    bool IsRendering() const { return m_rendering != 0; }
    TsFadeKind GetKind() const { return m_kind; }
    float GetProgress() const { return m_current; }

    // The colour factor of a vertex at t for a pattern coordinate r (0 at
    // the pattern's start, 1 at its far edge): 0 is the start colour, 1 the
    // end colour. Exposed for the tests of the patterns' edges.
    static float PatternBlend(float r, float t);
    // The fraction of the fade drawn at f between the last two ticks,
    // clamped to 0..1.
    float BlendAt(float fraction) const;
    // The vertex colours for t, as Render sets them (for tests and Render).
    void ColourVertices(float t);
    const TsFaderVertex& GetVertex(int i) const { return m_vertices[i]; }

    // Renderer buffer ids, -1 while there are none.
    int32_t GetVertexBufferId() const { return m_vertexBuffer; }
    int32_t GetIndexBufferId() const { return m_indexBuffer; }

private:
    bool CreateBuffers();
    void Draw();
    void ReleaseBuffers();
    void PlaceVertices(float width, float height);
    float PatternCoordinate(int i) const;

    int32_t m_indexBuffer = -1;
    int32_t m_vertexBuffer = -1;
    uint32_t m_primitiveType = 4; // triangle list
    uint32_t m_vertexCount = kVertexCount;
    TsFadeKind m_kind = TS_FADE_NONE;
    float m_next = 0.0f;
    float m_previous = 0.0f;
    float m_current = 0.0f;
    float m_speed = 0.0f;
    uint8_t m_out = 0;
    OmColour m_startColour;
    OmColour m_endColour;
    uint8_t m_rendering = 0;
    float m_screenWidth = 0.0f;
    float m_screenHeight = 0.0f;
    TsFaderVertex m_vertices[kVertexCount] = {};
};
