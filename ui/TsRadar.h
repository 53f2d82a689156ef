// The level's minimap: a 256 x 128 pixel window in the top-right corner that
// shows, in a small tilted view of its own, a disc of the ground around the
// current character shaded from the AI map, blips for the characters near it
// and the mission objective (a blip when in range, an arrow at the disc's
// edge when not), under a frame image.
//
// Three shading modes: 0 shades a 64 x 64 local map by how much of each
// texel's footprint is blocked, 1 by the blocked corners of each texel, and
// 2 builds one blurred map of the whole world once and patches it when
// doors change the AI map.
//
// The shading and placement rules are plain functions over a texel buffer
// and positions, so they can be checked without a device.
#pragma once

#include <cstdint>

#include "engine/OmMatrix4.h"
#include "engine/OmRef.h"
#include "engine/OmVector3.h"
#include "platform/GfxTexture.h"

class OmArchive;
class TsAIMap;
class TsEntity;
class TsLevel;

class TsRadar {
public:
    enum Sprite : int32_t { kPCBlip = 0, kNPCBlip = 1, kBanterBlip = 2, kObjectiveBlip = 3, kSpriteCount = 4 };
    // The shading modes above.
    enum Mode : int32_t { kFootprintMode = 0, kCornerMode = 1, kWorldMapMode = 2 };
    // Bits of the radar's flags and of Update's mask: the objective is drawn
    // and the map is shaded only when their bit is set.
    static constexpr uint32_t kObjectiveFlag = 8;
    static constexpr uint32_t kUpdateFlag = 16;
    static constexpr uint32_t kUpdateAll = 31; // every bit, as the level's tick asks
    static constexpr int32_t kLocalMapSize = 64;
    static constexpr int32_t kWorldMapMax = 512;
    static constexpr float kDiscRadius = 75.0f;
    static constexpr float kDefaultRange = 40.0f;
    static constexpr uint16_t kBlocked = 0xF800; // full red

    // What one texel of the AI map tells the shading: whether the tile at a
    // world position (x, z) is inside the map, and whether its bit 0 is set.
    struct TileSampler {
        virtual ~TileSampler() = default;
        // False outside the map.
        virtual bool TileAt(int32_t tileX, int32_t tileZ, bool& bit0) const = 0;
        // World position to tile, and the world's tile bounds.
        virtual void WorldToTile(float x, float z, int32_t& tileX, int32_t& tileZ) const = 0;
        virtual void TileToWorld(int32_t tileX, int32_t tileZ, float& x, float& z) const = 0;
        virtual void TileBounds(int32_t& firstX, int32_t& firstZ, int32_t& lastX, int32_t& lastZ) const = 0;
        // Tiles per world unit.
        virtual float Scale() const = 0;
    };

    TsRadar();
    ~TsRadar();
    TsRadar(const TsRadar&) = delete;
    TsRadar& operator=(const TsRadar&) = delete;

    void CreateRadar(int32_t mode);
    void Update(uint32_t flags);
    void Render();
    void HandleCollisionMapChange(int32_t tileX, int32_t tileZ, int32_t width, int32_t height);
    void Release();

    // Saved with the level: objective shown, radar shown, range, objective.
    void Read(OmArchive& archive);
    void Write(OmArchive& archive) const;

    // ---- script operations ----
    void UseRadar(bool show) { m_radarShown = show ? 1 : 0; }
    void UseObjective(bool show) { m_objectiveShown = show ? 1 : 0; }
    void SetObjective(float x, float y, float z) { m_objective = OmVector3(x, y, z); }
    void SetObjective(const OmVector3& position) { m_objective = position; }
    OmVector3& GetObjective() { return m_objective; }

    bool IsRadarShown() const { return m_radarShown != 0; }
    bool IsObjectiveShown() const { return m_objectiveShown != 0; }
    float GetRange() const { return m_range; }
    void SetRange(float range) { m_range = range > 0.0f ? range : kDefaultRange; }
    int32_t GetMode() const { return m_mode; }
    uint32_t GetFlags() const { return m_flags; }
    float GetDiscRadius() const { return m_discRadius; }
    int32_t GetSpriteTexture(int32_t slot) const;
    int32_t GetFrameTexture() const { return m_frameTexture; }
    plat::GfxTexture* GetWorldMap() const { return m_worldMap; }
    plat::GfxTexture* GetLocalMap() const { return m_localMap; }
    int32_t GetWorldMapWidth() const { return m_worldMapWidth; }
    int32_t GetWorldMapHeight() const { return m_worldMapHeight; }
    // Pixels: x, y, width, height.
    const float* GetScreenRect() const { return m_screenRect; }
    // Counts of what the last Render drew (blips by slot, arrows), for tests
    // and the developer overlay.
    int32_t GetDrawnBlips(int32_t slot) const { return slot >= 0 && slot < kSpriteCount ? m_drawn[slot] : 0; }
    int32_t GetDrawnArrows() const { return m_drawnArrows; }

    // ---- the rules, open for tests ----
    // Blip slot of an entity's class; -1 for one that has no blip.
    static int32_t BlipSlotFor(const TsEntity& entity);
    // Strictly closer than range, on the ground plane.
    static bool InRange(const OmVector3& position, const OmVector3& centre, float range);
    // True when the objective is far enough to show as an arrow.
    static bool ObjectiveAsArrow(const OmVector3& objective, const OmVector3& centre, float range);
    // The blip offset on the disc (x, y in disc units).
    static void DiscOffset(const OmVector3& position, const OmVector3& centre, float range, float radius, float& x,
                           float& y);
    // The 64 x 64 local maps, row by row along z (texels of R5G6B5).
    static void ShadeDensity(const TileSampler& map, float centreX, float centreZ, float range, uint16_t* texels,
                             int32_t size);
    static void ShadeEdges(const TileSampler& map, float centreX, float centreZ, float range, uint16_t* texels,
                           int32_t size);
    // The blurred world map texels for the tile rectangle and the two tiles
    // around it, whose blur it reaches (pitch in texels). A rectangle from a
    // damaged save may reach past an int: its edges saturate.
    static void ShadeWorldRect(const TileSampler& map, int32_t tileX, int32_t tileZ, int32_t width, int32_t height,
                               uint16_t* texels, int32_t texWidth, int32_t texHeight);
    // The 3 x 3 weights, summing to 31.
    static const float* BlurKernel();
    // Grey of a disc vertex at distance d from the centre.
    static uint32_t DiscShade(float d, float radius);

private:
    void LoadTextures();
    void BuildDisc();
    void BuildWorldMap();
    void ShadeLocalMap(bool edges);
    void RenderDisc(const OmVector3& centre);
    void DrawWorldDisc(const OmVector3& centre);
    void RenderBlips(const OmVector3& centre);
    void DrawBlip(int32_t slot, const OmVector3& position, const OmVector3& centre, float scale);
    void DrawObjectiveArrow(const OmVector3& centre);
    void DrawFrame();

    // The disc's grid as one serpentine strip, kept here and drawn from
    // memory (nothing is allocated per frame).
    struct DiscVertex {
        float x, y, z;
        uint32_t colour;
        float u, v;
    };
    static constexpr int32_t kMaxDiscVertices = 2 * 6 * 5;

    int32_t m_sprites[kSpriteCount] = {-1, -1, -1, -1};
    uint32_t m_flags = kUpdateAll;
    int32_t m_mode = 0;
    int32_t m_frameTriangles = 2;
    int32_t m_gridColumns = 6;
    int32_t m_gridRows = 6;
    int32_t m_frameTexture = -1;
    OmRef<plat::GfxTexture> m_worldMap;
    int32_t m_worldMapWidth = 0;
    int32_t m_worldMapHeight = 0;
    int32_t m_arrowVertices = 9;
    int32_t m_arrowTriangles = 3;
    DiscVertex m_disc[kMaxDiscVertices] = {};
    int32_t m_discVertexCount = 0;
    int32_t m_discStripTriangles = 0;
    int32_t m_localMapWidth = kLocalMapSize;
    int32_t m_localMapHeight = kLocalMapSize;
    OmRef<plat::GfxTexture> m_localMap;
    OmVector3 m_objective{0.0f, 0.0f, 0.0f};
    float m_discRadius = 0.0f;
    float m_range = kDefaultRange;
    uint8_t m_radarShown = 1;
    uint8_t m_objectiveShown = 1;
    float m_screenRect[4] = {0.0f, 10.0f, 256.0f, 128.0f};
    OmMatrix4 m_view;
    OmMatrix4 m_projection;
    int32_t m_drawn[kSpriteCount] = {};
    int32_t m_drawnArrows = 0;
};
