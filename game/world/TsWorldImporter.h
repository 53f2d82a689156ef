// Turns a level's scene tree into a TsWorld: every mesh is diced into
// square cells on the XZ plane, each cell's triangles become 16-bit
// quantised geometry with per-vertex light choices and 4 x 4 bins, the
// fx_water, fx_lava and fx_mist shapes become liquid surfaces, the scene's
// lights are copied into the world, and a sparse quadtree over the
// occupied cells is built in Morton order. It also writes "dynobj.lua",
// which places the level's dynamic objects.
//
// One importer serves one import: construct, Run, WriteDynamicObjects,
// destroy. Triangles that clipping or quantising squeezed flat are dropped;
// a cell group the cell renderer could not draw (too many vertices or
// indices), or a liquid with more vertices than its 16-bit indices name,
// keeps only what fits, with a message naming the cell.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmMesh.h"
#include "engine/OmRef.h"
#include "engine/OmVector3.h"

class OmGroup;
class OmNode;
class OmRenderer;
class OmShape;
class TsWorld;
class TsWorldCell;
struct TsCellGroup;
struct TsLiquid;

class TsWorldImporter {
public:
    // Largest grid the importer builds (1024 cells a side); a level that
    // would need more gets larger cells instead.
    static constexpr int32_t kMaxImportLevels = 10;
    // Most lights a vertex byte can name (index 0 is no light).
    static constexpr uint32_t kMaxVertexLights = 256;

    // min and max are the box the grid must cover; edge the cell side.
    TsWorldImporter(TsWorld& world, OmGroup* root, const OmVector3& min, const OmVector3& max, float edge,
                    bool vertexColours);
    ~TsWorldImporter();
    TsWorldImporter(const TsWorldImporter&) = delete;
    TsWorldImporter& operator=(const TsWorldImporter&) = delete;

    // Always true: problems with single nodes are logged and skipped.
    bool Run(OmGroup* root, OmRenderer* renderer);
    // False when the file cannot be opened.
    bool WriteDynamicObjects(const char* path) const;

    int32_t GetGridSize() const { return m_gridSize; }
    int32_t GetLevels() const { return m_levels; }
    float GetEdge() const { return m_edge; }
    const OmVector3& GetOrigin() const { return m_origin; }

    // The grid a box and edge need: levels and cells per side.
    static void GridFor(const OmVector3& min, const OmVector3& max, float edge, int32_t& levels, float& usedEdge);

private:
    // A diced polygon corner: the vertex and whether it lies on an open
    // edge of its liquid mesh.
    struct Corner {
        OmMeshVertex vertex;
        bool still = false;
    };
    using Polygon = std::vector<Corner>;

    void Classify(OmGroup* group);
    // targets holds a mesh per grid position, made when a piece first lands there.
    void DiceShape(OmShape& shape, std::vector<OmRef<OmMesh>>& targets);
    void DiceGroup(OmGroup* group, std::vector<OmRef<OmMesh>>& targets);
    void ClipToCell(const Polygon& in, int32_t cx, int32_t cz, Polygon& out) const;
    // Clips the triangle to each cell its bounds cross; visit(position) for
    // each cell left holding a polygon, which is in piece.
    template <class Visit>
    void ForEachCellPiece(const Polygon& triangle, Polygon& piece, Visit&& visit) const;
    void ProcessEffects();
    void DiceLiquid(OmShape& shape, uint32_t kind);
    TsLiquid* SurfaceAt(int32_t position, uint32_t material);
    void ReadLights();
    void BuildCells(OmRenderer* renderer);
    void BuildCell(int32_t x, int32_t z, TsWorldCell& cell, OmRenderer* renderer);
    void ConvertMesh(OmMesh& mesh, TsWorldCell& cell, int kind, bool append);
    // Names the cell that kept only what fitted and what it left out.
    void ReportLeftOut(int32_t x, int32_t z, const char* what, uint32_t dropped) const;
    void BuildBins(TsWorldCell& cell) const;
    void PrepareGroup(TsWorldCell& cell, int kind);
    void SetHeights(TsWorldCell& cell, int32_t position);
    void EncodeVertex(const OmMeshVertex& in, const TsWorldCell& cell, bool nudge, struct TsCellVertex& out) const;
    void BuildQuadtree();
    void CopyToWorld();

    uint32_t m_kind = 0;
    TsWorld& m_world;
    OmGroup* m_root;
    std::vector<OmRef<OmMesh>> m_solidMeshes; // null where nothing landed
    std::vector<OmRef<OmMesh>> m_nonCollidableMeshes;
    std::vector<std::vector<TsLiquid*>> m_surfaceLists; // owned until a cell takes them
    std::vector<uint8_t> m_occupied;
    OmVector3 m_origin;
    float m_edge = 1.0f;
    int32_t m_gridSize = 0;
    int32_t m_levels = 0;
    int32_t m_cellCount = 0;
    float m_minY = 0.0f, m_maxY = 0.0f;
    bool m_vertexColours = true;
    std::vector<std::vector<int32_t>> m_levelNodes;
    std::vector<std::vector<uint32_t>> m_levelCompact;
    std::vector<int32_t> m_levelCounts;
    // While a cell is built: its position and each group's triangle materials.
    int32_t m_buildX = 0, m_buildZ = 0;
    std::vector<int32_t> m_buildMaterials[2];
    // The scene's nodes the import sorts out by kind.
    std::vector<OmRef<OmNode>> m_lightNodes;
    std::vector<OmRef<OmNode>> m_dynamicNodes;
    std::vector<OmRef<OmNode>> m_nonCollidableGroups;
    std::vector<OmRef<OmNode>> m_effectNodes;
};
