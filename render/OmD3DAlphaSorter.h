// Draws the queued blended objects of a frame back to front per triangle.
// Each item's mesh is transformed into view space here, every triangle is
// keyed by its farthest corner, and the triangles are sorted only within a
// cluster of items whose bounding spheres overlap in view space: an item
// that does not touch the cluster flushes it first. Items queued under
// different cameras land on one screen at their own view depths, so they
// share clusters too; each run is drawn through its own camera's view so
// that the device lights it in world space.
//
// All storage is inside the object; nothing is allocated per frame.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/OmMatrix4.h"
#include "engine/OmSphere.h"
#include "engine/OmVector3.h"

class OmD3D;
struct OmRenderItem;

// The triangle record a mesh reports to the sorter.
struct OmAlphaTriangle {
    uint16_t v[3];
    uint32_t materialId;
};
static_assert(sizeof(OmAlphaTriangle) == 12);

class OmD3DAlphaSorter {
public:
    static constexpr uint32_t kMaxTriangles = 8192;
    static constexpr uint32_t kMaxItemVertices = 4096;
    static constexpr uint32_t kBufferVertices = kMaxTriangles * 3;
    static constexpr uint32_t kMaxClusterViews = 8;

    explicit OmD3DAlphaSorter(OmD3D& renderer);
    ~OmD3DAlphaSorter();
    OmD3DAlphaSorter(const OmD3DAlphaSorter&) = delete;
    OmD3DAlphaSorter& operator=(const OmD3DAlphaSorter&) = delete;

    // The object must report its vertex format, its vertices (an
    // OmArray<OmMeshVertex>) and its triangles (an OmArray<OmAlphaTriangle>).
    void AddItem(const OmRenderItem& item);
    void Flush();
    bool CreateBuffers();
    void ReleaseBuffers();

    void ResetCounts() { m_flushes = m_draws = 0; }
    uint32_t GetFlushCount() const { return m_flushes; }
    uint32_t GetDrawCount() const { return m_draws; }
    uint32_t GetTriangleCount() const { return m_triangleCount; }

private:
    struct Vertex { // the layout of format 0x152
        OmVector3 position;
        OmVector3 normal;
        uint32_t colour;
        float uv[2];
    };
    static_assert(sizeof(Vertex) == 36);
    struct Triangle {
        Vertex v[3];
        uint32_t materialId;
        uint32_t format;
        uint32_t view; // index into the cluster's views
        float key;
    };

    // The index of the item's view among the cluster's.
    uint32_t StartCluster(const OmRenderItem& item);
    bool Accepts(uint32_t format, uint32_t vertexCount, const void* triangles, uint32_t triangleCount);
    void ReportUnsupported(uint32_t format);
    void TransformVertices(const OmRenderItem& item, uint32_t format, const void* vertices, uint32_t count);
    uint8_t* LockBuffer();
    void DrawRun(const Triangle& first, uint32_t count);

    OmD3D& m_renderer;
    uint32_t m_flushes = 0;
    uint32_t m_draws = 0;
    uint32_t m_triangleCount = 0;
    std::unique_ptr<Triangle*[]> m_sorted;
    std::unique_ptr<Triangle[]> m_triangles;
    std::unique_ptr<Vertex[]> m_scratch;
    OmSphere m_cluster; // in view space
    OmMatrix4 m_views[kMaxClusterViews];
    uint32_t m_viewCount = 0;
    // Formats already reported: a mesh queues its blended parts every frame,
    // and one line per format says all there is to say (past eight formats,
    // nothing more is said).
    static constexpr uint32_t kMaxReportedFormats = 8;
    uint32_t m_reportedFormats[kMaxReportedFormats] = {};
    uint32_t m_reportedFormatCount = 0;
    int32_t m_buffer = -1;
};
