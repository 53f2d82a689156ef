// The world's geometry batch: every frame it decodes the cells' quantised
// vertices straight into one dynamic vertex buffer (adding the colour of the
// dynamic lights), copies their triangles into one dynamic index buffer,
// and draws them run by run (one run per material). Geometry standing
// between the camera and the focus (the current character) fades out. It
// also lays the round blob shadows onto the ground triangles under
// characters.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "engine/OmArray.h"
#include "engine/OmRef.h"
#include "engine/OmVector3.h"
#include "game/world/TsEntShadow.h"

class OmMaxLight;
struct OmPlane;
struct TsCellGroup;
struct TsCellRun;
struct TsCellVertex;

// One decoded vertex: position, packed colour, texture pair (24 bytes).
struct TsBlobVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(TsBlobVertex) == 24);

// The light list a cell's vertices index (entry 0 is no light), borrowed
// from the world that holds it.
using TsCellLights = std::span<const OmRef<OmMaxLight>>;

class TsBlobRenderer {
public:
    static constexpr uint32_t kMaxVertices = 8192;
    static constexpr uint32_t kMaxIndices = 16384;
    static constexpr uint32_t kMaxRuns = 256;
    static constexpr uint16_t kDecodedFlag = 0x7FFF;
    static constexpr uint16_t kDecodeMark = 0x8000;
    // Squared distance from the camera's axis inside which geometry fades.
    static constexpr float kFadeReach = 5.0f;

    struct Run {
        int32_t material;
        uint32_t firstVertex;
        uint32_t vertexCount;
        uint32_t firstIndex;
        uint32_t triangleCount;
        uint32_t doubleSided;
        uint32_t indexBase;
        // Holds camera-faded copies: drawn blended after the solid runs.
        uint32_t faded;
    };

    TsBlobRenderer();
    ~TsBlobRenderer();
    TsBlobRenderer(const TsBlobRenderer&) = delete;
    TsBlobRenderer& operator=(const TsBlobRenderer&) = delete;

    // False when either buffer cannot be made (nothing is drawn then).
    bool Create(float cellEdge, float heightRange);
    bool IsReady() const;

    void SetCameraFade(float minimumAlpha, const OmVector3& position, float radius);
    bool IsCameraFadeOn() const { return m_fade != 0; }

    // Locks both buffers; false (nothing is added until the next frame)
    // when either lock fails.
    bool BeginFrame();
    // Appends one group of a cell whose box starts at origin and spans size.
    void AddCell(TsCellGroup& group, const OmArray<OmPlane>& planes, const OmVector3& origin,
                 const OmVector3& size, TsCellLights lights);
    // Decodes a dynamic object's geometry (quantised as the cells are, over
    // one cell edge and the world's height range, from origin) into the
    // frame's geometry batch and files its triangles there, where they are
    // depth-sorted with the frame's other blended geometry. With camera
    // fade on, its vertices fade as the cells' do. Nothing happens while
    // the batch is closed; geometry that does not hold together is left out
    // (reported once).
    void AddDynamic(const TsCellGroup& geometry, const OmVector3& origin, TsCellLights lights);
    // Draws everything added; with restart, opens the buffers again.
    void Flush(bool restart);
    // Ends the frame (a flush without restart).
    void EndFrame() { Flush(false); }

    // Lays a blob shadow of radius around centre onto the listed triangles
    // of a cell group.
    void DrawShadowTriangles(const TsCellGroup& group, const uint16_t* triangles, int32_t count,
                             const OmVector3& origin, const OmVector3& size, const OmVector3& centre,
                             float radius);

    // The colour of a vertex by the plain path: stored RGB plus the
    // weighted colour of its lights, alpha 255; brightened first (below)
    // when asked.
    static uint32_t LitColour(const TsCellVertex& v, TsCellLights lights, bool brighten = false);
    // The vertex as a device without double-bright modulation draws it:
    // the colour's R, G and B bytes and the four light weights doubled,
    // each clamped to 255.
    static TsCellVertex Brightened(const TsCellVertex& v);
    // The camera-fade alpha of a point (255 for opaque).
    uint32_t FadeAlpha(const OmVector3& p, const OmVector3& camera, const OmVector3& axis) const;

    uint32_t VerticesUsed() const { return m_verticesUsed; }
    uint32_t IndicesUsed() const { return m_indicesUsed; }
    uint32_t RunsUsed() const { return m_runsUsed; }
    const Run& GetRun(uint32_t i) const { return m_runs[i]; }
    uint32_t FlushCount() const { return m_flushes; }
    TsEntShadow* Shadow() const { return m_shadow.get(); }
    float FadeScale() const { return m_fadeScale; }
    float FadeMinimum() const { return m_fadeMinimum; }

private:
    void Unlock();
    bool Lock();
    void DrawRun(const Run& run, uint32_t colourOp);
    void Decode(const TsCellVertex& in, TsBlobVertex& out, const OmVector3& origin, float sh, float sv) const;
    // The colour of a decoded vertex under camera fade: the plain path's lit
    // colour at the vertex's fade alpha (255 where it does not fade).
    uint32_t FadeColour(const TsCellVertex& in, const TsBlobVertex& out, TsCellLights lights,
                        const OmVector3& camera, const OmVector3& axis) const;
    // True when every run and index of a dynamic geometry lies inside it.
    static bool HoldsTogether(const TsCellGroup& geometry);
    // True when any corner of the triangle fades.
    bool Fades(const TsCellGroup& group, const uint16_t* corners, const OmVector3& origin, float sh, float sv,
               const OmVector3& camera, const OmVector3& axis) const;
    // The index (relative to the cell's base) of a faded copy of vertex i.
    uint16_t CopyVertex(TsCellGroup& group, uint16_t i, const OmVector3& origin, float sh, float sv,
                        TsCellLights lights, uint32_t base, uint32_t& copies, const OmVector3& camera,
                        const OmVector3& axis);
    // AddCell's parts, apart so that the per-triangle loop reads alone: room
    // for the cell's worst case (false when it cannot be drawn), one run's
    // triangles split into solid and faded, and the corners they named.
    bool RoomForCell(const TsCellGroup& group, bool fade);
    void AddRun(TsCellGroup& group, const TsCellRun& run, const OmArray<OmPlane>& planes, bool fade,
                bool doubleSided, const OmVector3& origin, float sh, float sv, TsCellLights lights, uint32_t base,
                uint32_t& copies, const OmVector3& eye, const OmVector3& axis);
    void DecodeMarked(TsCellGroup& group, const OmVector3& origin, float sh, float sv, TsCellLights lights,
                      uint32_t base);

    std::unique_ptr<TsEntShadow> m_shadow;
    int32_t m_vertexBuffer = -1;
    int32_t m_indexBuffer = -1;
    uint32_t m_verticesUsed = 0;
    uint32_t m_indicesUsed = 0;
    uint32_t m_runsUsed = 0;
    TsBlobVertex* m_vertices = nullptr;
    uint16_t* m_indices = nullptr;
    float m_stepH = 0.0f;
    float m_stepV = 0.0f;
    uint8_t m_fade = 0;
    float m_fadeScale = 0.2f;
    float m_fadeMinimum = 0.0f;
    OmVector3 m_fadeCentre;
    OmArray<Run> m_runs{1024, 64};
    uint32_t m_flushes = 0;
    bool m_reportedOversize = false;
    bool m_reportedBadDynamic = false;
    bool m_brighten = false;

    // Per-cell scratch of the fade copies: the copy of shared vertex i is
    // m_copyIndex[i] while m_copyStamp[i] equals the cell's stamp.
    uint32_t m_cellStamp = 0;
    uint16_t m_copyIndex[kMaxVertices] = {};
    uint32_t m_copyStamp[kMaxVertices] = {};
};
