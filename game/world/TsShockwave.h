// The flat ring an explosion can leave on the ground: it grows from its
// minimum to its maximum radius over its lifetime, fading as it goes, and is
// drawn from one vertex buffer that every ring shares (64-vertex slices, a
// closed triangle strip of outer and inner points).
#pragma once

#include <cstdint>

#include "engine/OmVector3.h"

struct TsExplosionParams;

// One ring vertex: the renderer's position + colour + one texture pair layout.
struct TsShockwaveVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(TsShockwaveVertex) == 24);

class TsShockwave {
public:
    static constexpr uint32_t kRingVertices = 64;
    static constexpr uint32_t kBufferVertices = 512;
    static constexpr uint32_t kRingIndices = 66;

    virtual ~TsShockwave() = default;

    // Takes the ring's shape from the type, centred 1 unit above position.
    void Start(const TsExplosionParams& type, const OmVector3& position);
    // Moves the ring on by dt seconds and draws it when it shows. False once
    // the ring is finished.
    bool Advance(float dt);

    // Radius, inner radius and colour after the last Advance that showed the
    // ring; Visible says whether it did.
    float Radius() const { return m_radius; }
    float InnerRadius() const { return m_inner; }
    uint32_t Colour() const { return m_drawColour; }
    bool Visible() const { return m_visible; }
    float Elapsed() const { return m_elapsed; }

    // The 64 vertices of a ring (outer at even, inner at odd positions).
    static void BuildRing(const OmVector3& centre, float radius, float inner, uint32_t colour,
                          TsShockwaveVertex* out);

    // The shared buffers: made once at start-up, given up at shut-down.
    static bool InitBuffers();
    static void ReleaseBuffers();
    static bool BuffersReady();

private:
    void Draw();

    OmVector3 m_centre;
    float m_minRadius = 0.0f;
    float m_maxRadius = 0.0f;
    float m_width = 0.0f;
    float m_rate = 0.0f; // 1 / lifetime; 0 for a ring with no lifetime
    OmTuple3 m_colour;
    float m_elapsed = 0.0f;
    float m_delay = 0.0f;
    int32_t m_texture = -1;

    float m_radius = 0.0f;
    float m_inner = 0.0f;
    uint32_t m_drawColour = 0;
    bool m_visible = false;
};
