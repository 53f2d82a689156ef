// What the device meshes share: their size limits and buffers, writing one
// device vertex field by field where the vertex format puts each part (so
// any stride the layout gives is filled exactly), the subset record with its
// material reference, and the copy of the alpha subsets that the alpha pass
// sorts.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmMesh.h"
#include "engine/OmVector4.h"
#include "platform/GfxTypes.h"
#include "render/OmD3DAlphaSorter.h"

class OmD3D;
class OmD3DBatch;

// The most one device mesh holds: its indices are 16 bits.
inline constexpr uint32_t kOmDeviceMaxIndices = 65535;
inline constexpr uint32_t kOmDeviceMaxVertices = 65536;

// False (reported as the owner's) when the counts are more than 16-bit
// indices reach.
bool OmCheckDeviceCounts(uint32_t indexCount, uint32_t vertexCount, const char* owner);

// Makes a mesh's index buffer (when it has triangles) and vertex buffer
// (when it has vertices); false when one it needs could not be made. Dynamic
// vertices are rewritten by the CPU, so their buffer is always write-only.
bool OmCreateDeviceBuffers(OmD3D& renderer, uint32_t triangleCount, uint32_t vertexCount, uint32_t format,
                           bool dynamicVertices, bool writeOnly, int32_t& indexBuffer, int32_t& vertexBuffer);

// Gives both buffers back (while the renderer lives) and forgets them.
void OmReleaseDeviceBuffers(int32_t& indexBuffer, int32_t& vertexBuffer);

// Writes position, then the normal, the packed colour and the texture sets
// when the format has them; every other byte of the vertex is zeroed.
void OmWriteDeviceVertex(uint8_t* out, const plat::GfxFvfLayout& layout, uint32_t stride, const OmVector3& position,
                         const OmVector3& normal, uint32_t colour, const float* uv0, const float* uv1);

struct OmDeviceSubset {
    uint32_t materialId;
    uint32_t firstIndex;
    uint32_t triangleCount;
    uint32_t minVertex;
    uint32_t vertexCount;
};
static_assert(sizeof(OmDeviceSubset) == 20);

// The subsets of a device mesh and the vertices its blended subsets use,
// numbered in order of first use. The mesh refreshes the copied vertices
// whenever it rewrites its buffer, so the alpha pass sorts what is drawn.
class OmDeviceSubsets {
public:
    static constexpr uint16_t kNotAlpha = 0xFFFF;

    OmDeviceSubsets() = default;
    OmDeviceSubsets(const OmDeviceSubsets&) = delete;
    OmDeviceSubsets& operator=(const OmDeviceSubsets&) = delete;
    ~OmDeviceSubsets() { Release(); }

    // Takes a material reference per group; false (with a report, nothing
    // held) when a group lies outside the mesh or names no material.
    bool Take(OmD3D& renderer, const OmArray<OmMaterialGroup>& groups, uint32_t triangleCount,
              uint32_t vertexCount, const char* owner);
    // Numbers the vertices of the subsets for which isBlended holds and
    // keeps their triangles; indices are the mesh's (already checked).
    template <class Pred>
    void BuildAlphaMap(const OmArray<uint32_t>& indices, uint32_t vertexCount, Pred isBlended)
    {
        alphaMap.assign(vertexCount, kNotAlpha);
        alphaVertices.RemoveAll();
        alphaTriangles.RemoveAll();
        uint32_t count = 0;
        for (const OmDeviceSubset& s : subsets) {
            if (!isBlended(s.materialId))
                continue;
            for (uint32_t t = 0; t < s.triangleCount; ++t) {
                OmAlphaTriangle tri{{0, 0, 0}, s.materialId};
                for (uint32_t k = 0; k < 3; ++k) {
                    uint16_t& entry = alphaMap[indices[s.firstIndex + 3 * t + k]];
                    if (entry == kNotAlpha && count < kNotAlpha)
                        entry = uint16_t(count++);
                    tri.v[k] = entry;
                }
                alphaTriangles.Add(tri);
            }
        }
        alphaVertices.Resize(count);
    }
    // Gives back every material reference and forgets the subsets.
    void Release();

    uint32_t GetAlphaCount() const { return alphaVertices.GetCount(); }

    std::vector<OmDeviceSubset> subsets;
    std::vector<uint16_t> alphaMap;
    OmArray<OmMeshVertex> alphaVertices{64};
    OmArray<OmAlphaTriangle> alphaTriangles{64};
};

// Files a device mesh's alpha subsets into the renderer's open batch. The
// device lights vertices as it transforms them, under the material applied
// at that moment: lit, the alpha vertices are transformed once for each
// alpha material (subsets come sorted by material); unlit, once.
// transform() fills the batch source and transforms it, false when it
// could not; file(subset, base) files the subset's triangles against the
// first batch vertex of that transform, false to stop.
template <class Renderer, class Subsets, class Transform, class File>
void OmFileAlphaSubsets(Renderer& renderer, const Subsets& subsets, bool lit, Transform&& transform, File&& file)
{
    bool transformed = false;
    uint32_t transformedFor = 0, base = 0;
    for (const auto& s : subsets) {
        if (!renderer.IsAlphaMaterial(int32_t(s.materialId)))
            continue;
        if (!transformed || (lit && s.materialId != transformedFor)) {
            renderer.ApplyMaterial(int32_t(s.materialId));
            base = renderer.GetBatch().GetVertexCount();
            if (!transform())
                return;
            transformed = true;
            transformedFor = s.materialId;
        }
        if (!file(s, base))
            return;
    }
}

// Writes 16-bit indices into the index buffer; false (reported) when one
// names a vertex past the count or the buffer cannot be written.
bool OmWriteDeviceIndices(OmD3D& renderer, int32_t indexBuffer, const OmArray<uint32_t>& indices,
                          uint32_t vertexCount, const char* owner);
