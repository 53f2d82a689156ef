// A level's static world: the level geometry diced into square cells on the
// XZ plane with a sparse quadtree that finds the cell at a grid position,
// the level's static lights, its effect nodes, the AI map and the
// pathfinder beacons, the cloud parameters and the bounding box.
//
// The world importer builds it from a scene file; the level saves it in its
// environment archive (.tsw) and loads it from there. Every count and index
// read from a file is checked before the world is used: a damaged file fails
// its load with a message instead of leaving a world that reads out of
// bounds.
//
// Queries (casts, ground heights, picking, shadows, lights) live in
// TsWorldQueries.cpp. They share program-wide scratch lists held by the
// world and are not re-entrant.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmRef.h"
#include "engine/OmVector3.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsLink.h"
#include "game/framework/TsObject.h"
#include "game/world/TsWorldCell.h"
#include "game/world/TsWorldHit.h"

class OmMaxLight;
class OmNode;
class TsNibbleArray;
class TsWorldDrawing;
struct OmMeshVertex;

// A pathfinder beacon: the centre of a passable AI tile.
struct TsBeacon {
    float x = 0.0f;
    float z = 0.0f;
};
static_assert(sizeof(TsBeacon) == 8);

// What the importer is asked to do besides dicing (the level's import call
// passes these through).
struct TsWorldImportSettings {
    float cellEdge = 8.0f;     // world units per cell side
    bool vertexColours = true; // the meshes carry vertex colours
};

class TsWorld : public TsObject {
    OM_DECLARE_CLASS(TsWorld)

    // Deepest quadtree a file may give (4096 cells a side).
    static constexpr int32_t kMaxLevels = 12;
    // A shadow gather keeps at most this many triangles per cell.
    static constexpr int32_t kMaxShadowTriangles = 256;
    // How far below a point GetGroundHeight looks.
    static constexpr float kGroundReach = 5.0f;

    TsWorld();
    explicit TsWorld(OmArchive& archive);
    ~TsWorld() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // Every light and effect node holds at least one count per place the
    // world lists it, so the world's releases never end one early.
    bool LinksAreSound() const override;
    bool Import() override { return true; }
    bool Initialise() override { return true; }
    void Tick(uint32_t) override {}
    void Render(float renderTime, float fraction) override;
    // The clouds' shadows fall on everything drawn between the two: the
    // cells, then the level's entities.
    void BeginCloudPass(float renderTime);
    void EndCloudPass();
    bool OnTimer(TsTimerEntry&) override { return true; }
    // The world's own slot; it does nothing.
    virtual void Notify(int32_t, int32_t) {}

    // ---- building -------------------------------------------------------
    // Loads the scene file (textures under its folder's "textures\"), dices
    // it into cells and writes "dynobj.lua" into dynObjFolder. False, with
    // the invalid-path message, when the scene cannot be loaded.
    bool ImportWorld(const char* scenePath, const char* dynObjFolder, const TsWorldImportSettings& settings);
    void SetWorldBounds(const OmVector3& min, const OmVector3& max);
    // The world as the only root of an environment archive (.tsw), its
    // materials and textures with it through the current renderer.
    bool SaveWorld(const char* path);
    // The world of an environment archive, its only root (one reference,
    // the caller's); null with a logged message otherwise, the file's roots
    // let go.
    static TsWorld* LoadWorld(const char* path);
    // The entities stand on one world, the played level's: the level makes
    // its world their ground and takes it back. A world made or loaded is
    // nobody's ground until then; one that goes gives the ground up.
    void BecomeGround();
    void LeaveGround();
    bool IsGround() const;
    // The level's values stored with the world at import.
    void SetCloudParams(float a, float b)
    {
        m_cloudParamA = a;
        m_cloudParamB = b;
    }
    void SetImportFlag(bool flag) { m_importFlag = flag ? 1 : 0; }

    // ---- the grid -------------------------------------------------------
    void WorldToCell(float x, float z, int32_t& cx, int32_t& cz) const;
    OmVector3 CellOrigin(int32_t cx, int32_t cz) const;
    // -1 (null) outside the grid and where no cell exists.
    int32_t CellIndexAt(int32_t cx, int32_t cz) const;
    TsWorldCell* CellAt(int32_t cx, int32_t cz) const;

    int32_t GetLevels() const { return m_levels; }
    int32_t GetGridSize() const { return m_gridSize; }
    int32_t GetCellCount() const { return m_cellCount; }
    float GetCellEdge() const { return m_cellEdge; }
    const OmVector3& GetGridOrigin() const { return m_gridOrigin; }
    TsWorldCell& Cell(int32_t i) { return m_cells[i]; }
    const TsWorldCell& Cell(int32_t i) const { return m_cells[i]; }
    const OmVector3& GetBoundsMin() const { return m_boundsMin; }
    const OmVector3& GetBoundsMax() const { return m_boundsMax; }
    bool IsLightingOff() const { return m_lightingOff != 0; }
    float GetCloudParamA() const { return m_cloudParamA; }
    float GetCloudParamB() const { return m_cloudParamB; }
    bool GetImportFlag() const { return m_importFlag != 0; }

    // ---- queries (TsWorldQueries.cpp) -----------------------------------
    // The nearest hit among the cells and the doors; true when anything was hit.
    bool CastSegment(const OmVector3& start, const OmVector3& end, TsWorldHit& hit, bool includeAlpha);
    // Doors and other dynamic geometry live a layer above the world: their
    // owner installs the cast against them (true when nothing was hit), and
    // CastSegment keeps the nearer of that hit and the cells'.
    using DoorCaster = bool (*)(const OmVector3& start, const OmVector3& end, TsWorldHit& hit);
    static void SetDoorCaster(DoorCaster caster);
    // The same against the cells only.
    bool CastSegmentStatic(const OmVector3& start, const OmVector3& end, TsWorldHit& hit, bool includeAlpha);
    // Y of the first opaque surface within kGroundReach below the point; FLT_MAX for none.
    float GetGroundHeight(const OmVector3& point);
    // Every hit of a downward ray down to the world's floor, at most
    // maxCount; 0 for a ray that does not go down.
    int32_t FindAllIntersections(const OmVector3& start, const OmVector3& direction, OmVector3* points,
                                 int32_t maxCount, bool includeAlpha);
    // The world points under a screen pixel (in the order the walk meets
    // them); true when any.
    bool PickScreenPoint(float x, float y, OmVector3* points, int32_t& count, int32_t maxCount);
    // Draws a caster's blob shadow on the ground triangles under it.
    void ProjectShadow(const OmVector3& position, float radius, float height);
    // Gathers the opaque triangles of a cell a shadow at p (radius, caster
    // height h) falls on; the count (also GetShadowTriangleCount).
    int32_t GatherShadowTriangles(const TsWorldCell& cell, const OmVector3& p, float radius, float h);
    int32_t GetShadowTriangleCount() const { return m_shadowCount; }
    const uint16_t* GetShadowTriangles() const { return m_shadowTriangles; }
    // The n strongest lights at a point (brightest in the slots the scan
    // left them in), their strengths, the sum of strength times red, and
    // how many lights are significant; returns the slots filled.
    int32_t FindStrongestLights(const OmVector3& point, int32_t n, OmMaxLight** lights, float* strengths,
                                float* colour, float& total, int32_t& significant) const;
    // Screen fractions and depth of a world point under the renderer's
    // current view and projection; false when not in front of the camera.
    bool WorldToScreen(const OmVector3& point, float& x, float& y, float& depth) const;

    // ---- lights and effects ---------------------------------------------
    // Each list holds one reference per entry; whoever reads one borrows.
    std::vector<OmRef<OmMaxLight>>& GetLights() { return m_lights; }
    std::vector<OmRef<OmMaxLight>>& GetLightNodes() { return m_lightNodes; }
    std::vector<OmRef<OmNode>>& GetEffectNodes() { return m_effectNodes; }
    const std::vector<OmRef<OmMaxLight>>& GetLights() const { return m_lights; }
    const std::vector<OmRef<OmMaxLight>>& GetLightNodes() const { return m_lightNodes; }
    const std::vector<OmRef<OmNode>>& GetEffectNodes() const { return m_effectNodes; }
    // The world takes one reference on the object and releases it when it goes.
    void AddOwnedObject(OmObject* object);
    // Particle emitters on the effect nodes (the level calls these).
    void CreateEffects();
    void WarmUpEffects(float now);
    void UpdateEffects(float time);
    // A triangle of importer vertices joins a liquid surface; corners at an
    // open edge of their mesh are still. False, the surface unchanged, when
    // the triangle's new vertices would pass what its indices can name.
    static bool AddLiquidTriangle(TsLiquid& liquid, const OmMeshVertex* corners[3], const bool still[3]);

    // ---- the AI map (built from its Targa with the AI-map code) ---------
    bool CreateAIMap(const char* targaName, const char* boundsModelName);
    void DrawAIMapDebug();
    void SetTrackedEntity(TsEntity* entity) { m_trackedEntity = entity; }
    TsEntity* GetTrackedEntity() const { return m_trackedEntity; }
    TsNibbleArray* GetAIMap() const { return m_aiMap.get(); }
    // The world takes the map (null removes it).
    void SetAIMap(std::unique_ptr<TsNibbleArray> map);
    const OmVector3& GetAIMapOrigin() const { return m_aiMapOrigin; }
    float GetAITileSize() const { return m_aiTileSize; }
    float GetAITileSizeInverse() const { return m_aiTileSizeInverse; }
    int32_t GetAIRows() const { return m_aiRows; }
    int32_t GetAIColumns() const { return m_aiColumns; }
    int32_t GetAIFirstColumn() const { return m_aiFirstColumn; }
    int32_t GetAIFirstRow() const { return m_aiFirstRow; }
    int32_t GetAILastColumn() const { return m_aiLastColumn; }
    int32_t GetAILastRow() const { return m_aiLastRow; }
    OmArray<TsBeacon>& GetBeacons() { return m_beacons; }
    const OmArray<TsBeacon>& GetBeacons() const { return m_beacons; }

    // The cell renderer, cloud layer and emitters (TsWorldDrawing.cpp),
    // made on first use.
    std::shared_ptr<TsWorldDrawing>& DrawingSlot() { return m_drawing; }

private:
    friend class TsWorldImporter;
    friend class TsWorldAIMap;

    // Answers the entities' ground probes while the world is their ground.
    class GroundProbe : public TsGroundProbe {
    public:
        explicit GroundProbe(TsWorld& world) : m_world(world) {}
        bool CastSegmentStatic(const OmVector3& from, const OmVector3& to, float& hitHeight) override;
        float GetGroundHeight(const OmVector3& point) override;

    private:
        TsWorld& m_world;
    };

    void ReadGrid(OmArchive& archive);
    void ReadAIMap(OmArchive& archive);
    void ReadCells(OmArchive& archive);
    void ReadQuadtree(OmArchive& archive);
    void ReadObjectList(OmArchive& archive, std::vector<OmRef<OmMaxLight>>& list);
    bool ValidateLightIndices(OmArchive& archive) const;
    void ValidateAIMap(OmArchive& archive) const;
    void WriteQuadtree(OmArchive& archive) const;
    void FreeGeometry();
    // The segment clipped to the grid's box; false when none of it (or a
    // coordinate that is not finite) remains.
    bool ClipToGrid(OmVector3& a, OmVector3& b) const;
    bool TestCell(int32_t cx, int32_t cz, const OmVector3& a, const OmVector3& b, const OmVector3& start,
                  TsWorldHit& hit, bool includeAlpha, bool& found);
    int32_t CollectCellHits(int32_t cx, int32_t cz, const OmVector3& a, const OmVector3& b, OmVector3* points,
                            int32_t count, int32_t maxCount, bool includeAlpha);

    std::vector<OmRef<OmMaxLight>> m_lights;
    std::vector<OmRef<OmMaxLight>> m_lightNodes; // entry 0 means no light
    std::vector<OmRef<OmObject>> m_ownedObjects; // not saved
    OmArray<TsBeacon> m_beacons{64};
    TsLink<TsEntity> m_trackedEntity; // the debug view's; not held
    int32_t m_levels = 0;
    int32_t m_gridSize = 0;
    int32_t m_cellCount = 0;
    float m_cellEdge = 0.0f;
    OmVector3 m_gridOrigin;
    OmVector3 m_aiMapOrigin;
    std::unique_ptr<TsWorldCell[]> m_cells;
    OmArray<int32_t> m_levelCounts{64};
    std::unique_ptr<OmArray<uint32_t>[]> m_levelNodes; // m_levels arrays of node words
    uint8_t m_lightingOff = 0;
    OmVector3 m_boundsMin;
    OmVector3 m_boundsMax;
    std::unique_ptr<TsNibbleArray> m_aiMap;
    float m_aiTileSize = 0.0f;
    float m_aiTileSizeInverse = 0.0f;
    int32_t m_aiRows = 0;
    int32_t m_aiColumns = 0;
    int32_t m_aiFirstColumn = 0;
    int32_t m_aiFirstRow = 0;
    int32_t m_aiLastColumn = 0;
    int32_t m_aiLastRow = 0;
    float m_cloudParamA = 0.0f;
    float m_cloudParamB = 0.0f;
    uint8_t m_importFlag = 0;
    std::vector<OmRef<OmNode>> m_effectNodes;

    // Query scratch, kept for the world's life so queries allocate nothing.
    OmArray<int32_t> m_visitedNearest{256}; // pairs (cx, cz)
    OmArray<int32_t> m_visitedAll{256};
    uint16_t m_shadowTriangles[kMaxShadowTriangles] = {};
    int32_t m_shadowCount = 0;
    GroundProbe m_probe{*this};
    std::shared_ptr<TsWorldDrawing> m_drawing;
};
