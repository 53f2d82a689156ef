// The frame's blended triangles of world geometry and meshes. Callers write
// vertices into one of two source buffers, the device transforms them in
// software into one screen-space output buffer, and each triangle is filed
// into one of 4096 depth buckets by its mean transformed depth. Flush draws
// them far to near (or near to far), one draw per run of triangles that
// share a material and second-stage texture.
//
// Everything has a fixed capacity; work beyond it is dropped and reported
// once, so one over-full frame cannot write outside the buffers.
#pragma once

#include <cstdint>
#include <memory>

class OmD3D;

class OmD3DBatch {
public:
    static constexpr uint32_t kMaxTriangles = 16384;
    static constexpr uint32_t kMaxOutputVertices = 49152;
    static constexpr uint32_t kMaxSourceVertices = 8192;
    static constexpr uint32_t kBucketCount = 4096;

    explicit OmD3DBatch(OmD3D& renderer);
    virtual ~OmD3DBatch();
    OmD3DBatch(const OmD3DBatch&) = delete;
    OmD3DBatch& operator=(const OmD3DBatch&) = delete;

    // Mode 0, 1 or 2: texture sets the output carries. True when all four
    // buffers exist.
    bool CreateBuffers(uint32_t mode);
    void ReleaseBuffers();

    // orderFlag 0 draws far to near.
    void Begin(uint8_t orderFlag);
    void Flush();
    // Between Begin and Flush, with an output buffer to fill.
    bool IsOpen() const { return m_output != nullptr; }

    // Coloured source (position, diffuse, one texture set). Null when the
    // count is beyond a source lock's capacity or the lock fails.
    void* LockSourceVertices(uint32_t count);
    void UnlockSourceVertices();
    void TransformVertices(uint32_t count);
    // Lit source (position, normal, one texture set).
    void* LockLitVertices(uint32_t count);
    void UnlockLitVertices();
    void TransformLitVertices(uint32_t count);

    // Output vertices so far: the base of the indices added next.
    uint32_t GetVertexCount() const { return m_outputCount; }
    // Triangle t uses output vertices base + 3t, + 1, + 2.
    void AddTriangles(uint32_t count, uint32_t materialId, uint32_t base);
    // Triangle t uses base + indices[3t + k]; returns the triangles added this frame.
    uint32_t AddIndexedTriangles(const uint16_t* indices, uint32_t materialId, uint32_t count, uint32_t base);
    // Triangle t uses base + remap[indices[first + 3t + k]].
    void AddRemappedTriangles(const uint16_t* indices, uint32_t first, const uint16_t* remap,
                              uint32_t materialId, uint32_t count, uint32_t base);

    // The texture triangles added from now on carry on the second stage
    // (the cloud layer); -1 for none.
    void SetSecondTexture(int32_t id) { m_secondTexture = static_cast<int16_t>(id < 0 ? -1 : id); }
    int32_t GetSecondTexture() const { return m_secondTexture; }

    uint32_t GetTriangleCount() const { return m_triangleCount; }
    uint32_t GetMode() const { return m_mode; }
    int32_t GetOutputBufferId() const { return m_outputBuffer; }

private:
    struct Triangle {
        uint16_t v[3];
        uint16_t materialId;
        int16_t secondTexture;
        float key;
        Triangle* next;
    };
    struct Run {
        uint16_t materialId;
        int16_t secondTexture;
        uint32_t firstIndex;
        uint32_t count;
    };
    struct Source {
        int32_t buffer = -1;
        void* mapped = nullptr;
        uint32_t locked = 0; // vertices of the last lock
    };
    enum Problem : uint32_t {
        kTooManyTriangles = 1,
        kTooManyOutputVertices = 2,
        kSourceTooLarge = 4,
        kBadIndex = 8,
        kNotOpen = 16,
        kLockFailed = 32,
    };

    void* LockSource(Source& source, uint32_t count);
    void UnlockSource(Source& source);
    void Transform(Source& source, uint32_t fvf, uint32_t count);
    // False (reported once) when the triangle cannot be taken.
    bool AddOne(uint32_t a, uint32_t b, uint32_t c, uint32_t materialId, bool ascending);
    float Depth(uint32_t vertex) const;
    uint32_t BuildRuns(uint16_t* indices);
    void DrawRuns(uint32_t runCount);
    void Report(Problem problem, const char* text);

    OmD3D& m_renderer;
    int16_t m_secondTexture = -1;
    std::unique_ptr<Triangle[]> m_triangles;
    uint32_t m_triangleCount = 0;
    std::unique_ptr<Triangle*[]> m_buckets;
    std::unique_ptr<Run[]> m_runs;
    uint8_t m_orderFlag = 0;
    Source m_lit, m_coloured;
    int32_t m_outputBuffer = -1;
    uint32_t m_mode = 0;
    uint32_t m_outputStride = 0;
    uint8_t* m_output = nullptr;
    uint32_t m_outputCount = 0;
    int32_t m_indexBuffer = -1;
    uint32_t m_trianglesAdded = 0;
    uint32_t m_reported = 0;
};
