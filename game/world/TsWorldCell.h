// One square cell of the static world: its level geometry in a compact form
// that serves both drawing and collision. Positions are 16-bit integers over
// the cell's box, indices 16-bit, one float plane per triangle; 4 x 4 bins
// list the triangles over each part of the cell so a query tests only those
// near it. Liquid surfaces (water, lava, mist) ride along for drawing.
//
// The world writes and reads its cells inline (not as archive objects of
// their own), followed by their neighbour links.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmObject.h"
#include "engine/OmPlane.h"
#include "engine/OmVector3.h"

// A quantised vertex, 24 bytes as stored.
struct TsCellVertex {
    uint16_t x = 0, y = 0, z = 0;
    // The importer writes 0x7FFF; the cell renderer marks vertices to decode
    // with the top bit.
    uint16_t flags = 0x7FFF;
    // R, G, B in the low 24 bits (half the vertex colour, so drawing may
    // double it); the normal's direction index in the top byte.
    uint32_t colour = 0;
    // Indices into the world's light nodes: slot 0 in bits 24-31 ... slot 3
    // in bits 0-7; index 0 is no light.
    uint32_t lightIndices = 0;
    // The four weights (0..255), packed as the indices.
    uint32_t lightWeights = 0;
    // Texture coordinates times 511.
    int16_t u = 0, v = 0;
};
static_assert(sizeof(TsCellVertex) == 24, "cell vertices are stored raw");

// The triangles of one material, contiguous; 20 bytes as stored (the
// material travels as an archive resource reference).
struct TsCellRun {
    int32_t material = -1; // renderer material id
    uint32_t firstTriangle = 0;
    uint32_t triangleCount = 0;
    uint32_t firstVertex = 0;
    uint32_t vertexCount = 0;
};
static_assert(sizeof(TsCellRun) == 20);
static_assert(sizeof(OmPlane) == 16, "cell planes are stored raw");

// What one list of 16-bit indices and its vertices may hold. A triangle
// joins only while the vertices it brings and its three indices still fit;
// one that does not is left out whole rather than given an index that wraps.
struct TsIndexLimits {
    uint32_t vertices;
    uint32_t indices;

    bool Admits(uint32_t vertexCount, uint32_t freshVertices, uint32_t indexCount) const
    {
        return uint64_t(vertexCount) + freshVertices <= vertices && uint64_t(indexCount) + 3 <= indices;
    }
};

// One geometry group: triangles 3t, 3t+1, 3t+2 of the index list.
struct TsCellGroup {
    OmArray<TsCellVertex> vertices{64};
    OmArray<uint16_t> indices{64};
    OmArray<TsCellRun> runs{64};

    uint32_t GetTriangleCount() const { return indices.GetCount() / 3; }
};

// A liquid vertex relative to its surface's origin, 28 bytes as stored.
struct TsLiquidVertex {
    float x = 0, y = 0, z = 0;
    float u = 0, v = 0;
    uint32_t colour = 0; // ARGB
    uint32_t still = 0;  // 1: the waves never move it (an open edge)
};
static_assert(sizeof(TsLiquidVertex) == 28);

struct TsLiquidTriangle {
    uint16_t index[3] = {};
};
static_assert(sizeof(TsLiquidTriangle) == 6);

// A water, lava or mist surface inside one cell.
struct TsLiquid {
    enum Kind : uint32_t { kWater = 0, kLava = 4, kMist = 8 };
    // As many vertices as a 16-bit index names; the surface is drawn in
    // pieces, so its triangles have no limit of their own.
    static constexpr TsIndexLimits kLimits{65536, UINT32_MAX};

    uint32_t kind = kWater;
    OmVector3 origin;
    OmArray<TsLiquidVertex> vertices{64};
    OmArray<TsLiquidTriangle> triangles{64};
    int32_t material = -1; // renderer material id; -1 after release
};

// Which of a cell's two groups.
enum TsCellGroupKind : int { TS_CELL_OPAQUE = 0, TS_CELL_ALPHA = 1 };

// The triangles over one sixteenth of the cell and their height range.
struct TsCellBin {
    OmArray<uint16_t> triangles[2]; // per group
    float maxY = -FLT_MAX;
    float minY = FLT_MAX;
};

class TsWorldCell : public OmObject {
    OM_DECLARE_CLASS(TsWorldCell)

    static constexpr int kBinsPerSide = 4;
    static constexpr int kBinCount = kBinsPerSide * kBinsPerSide;
    // A bin spans this many quantised units per side.
    static constexpr int kBinShift = 14;
    // What the cell renderer can draw from one group.
    static constexpr uint32_t kMaxVertices = 8192;
    static constexpr uint32_t kMaxIndices = 16384;
    static constexpr TsIndexLimits kGroupLimits{kMaxVertices, kMaxIndices};

    TsWorldCell() = default;
    explicit TsWorldCell(OmArchive& archive) : OmObject(archive) {}
    // Gives the renderer back the materials of the runs and liquids.
    ~TsWorldCell() override;

    // Counts the run and liquid materials as archive resources; the cell
    // itself is written by its world, not as an object of its own.
    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    // Every count, index and range is checked once read: a cell that does
    // not hold together fails the archive.
    void Read(OmArchive& archive) override;

    // Quantised units and world points over the cell's box. Quantise rounds
    // to the nearest unit and clamps to 0..65535.
    OmVector3 Dequantise(uint16_t x, uint16_t y, uint16_t z) const;
    OmVector3 Dequantise(const TsCellVertex& v) const { return Dequantise(v.x, v.y, v.z); }
    void Quantise(const OmVector3& p, int32_t& x, int32_t& y, int32_t& z) const;

    // Sets the box and the bin sizes that follow from it.
    void SetBox(const OmVector3& origin, const OmVector3& size);
    const OmVector3& GetBoxOrigin() const { return m_boxOrigin; }
    const OmVector3& GetBoxSize() const { return m_boxSize; }
    float GetBinWidth() const { return m_binWidth; }
    float GetBinDepth() const { return m_binDepth; }

    TsCellGroup& Group(int kind) { return m_groups[kind]; }
    const TsCellGroup& Group(int kind) const { return m_groups[kind]; }
    OmArray<OmPlane>& Planes(int kind) { return m_planes[kind]; }
    const OmArray<OmPlane>& Planes(int kind) const { return m_planes[kind]; }
    TsCellBin& Bin(int index) { return m_bins[index]; }
    const TsCellBin& Bin(int index) const { return m_bins[index]; }

    uint32_t GetLiquidCount() const { return m_liquids.GetCount(); }
    TsLiquid& Liquid(uint32_t i) { return *m_liquids[i]; }
    const TsLiquid& Liquid(uint32_t i) const { return *m_liquids[i]; }
    // The cell takes the surface.
    void AddLiquid(TsLiquid* liquid) { m_liquids.Add(liquid); }

    float GetMaxY() const { return m_maxY; }
    float GetMinY() const { return m_minY; }
    void SetHeightRange(float minY, float maxY)
    {
        m_minY = minY;
        m_maxY = maxY;
    }

    // Neighbours in the order +Z, +X, -Z, -X; null for none.
    TsWorldCell* GetNeighbour(int i) const { return m_neighbours[i]; }
    void SetNeighbour(int i, TsWorldCell* cell) { m_neighbours[i] = cell; }

    // The largest light index any vertex names (0 when none does), for the
    // world's check against its light list.
    uint32_t GetLargestLightIndex() const;

private:
    void WriteGroup(OmArchive& archive, int kind);
    void ReadGroup(OmArchive& archive, int kind);
    void ReadLiquids(OmArchive& archive);
    bool Validate(OmArchive& archive) const;
    void ReleaseMaterials();

    TsCellGroup m_groups[2];
    OmArray<TsLiquid*> m_liquids{64}; // owned: deleted in the destructor
    float m_maxY = -FLT_MAX;
    float m_minY = FLT_MAX;
    TsCellBin m_bins[kBinCount];
    OmArray<OmPlane> m_planes[2];
    OmVector3 m_boxOrigin;
    OmVector3 m_boxSize;
    float m_binWidth = 0.0f;
    float m_binDepth = 0.0f;
    TsWorldCell* m_neighbours[4] = {};
};
