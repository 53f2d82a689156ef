// A model that changes the level's walkable ground and stops shots: it owns
// tile overlays of the AI map that it writes when its state changes (0
// closed, 1 open), a footprint on the ground from which they are filled,
// and a vertical blocking face that segment casts test. Doors and switches
// are its kinds.
//
// The model's x and z axes are exchanged throughout: the footprint and face
// come from the mesh that way, and the world transform turns the model a
// quarter further than its heading to match.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmVector3.h"
#include "game/objects/TsModel.h"
#include "game/world/TsTileWalker.h"

struct TsWorldHit;
class TsCharacterObject;

class TsDynGeometry : public TsModel {
    OM_DECLARE_CLASS(TsDynGeometry)

    static constexpr int32_t kClosedOverlay = 0;
    static constexpr int32_t kOpenOverlay = 1;
    // Pending index that gives the AI map back its saved codes.
    static constexpr int32_t kRestoreCodes = -1;
    static constexpr int32_t kOverlayCount = 2;
    // The folder under the level's data path that holds the models.
    static constexpr const char* kModelFolder = "doors/";
    // How far party members are pushed to get off a closing footprint.
    static constexpr float kPushReach = 8.0f;
    static constexpr float kPushBeyond = 0.5f;

    TsDynGeometry();
    explicit TsDynGeometry(OmArchive& archive);
    ~TsDynGeometry() override;

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    bool Import() override;
    bool Initialise() override;
    // The model's tick, then a pending overlay is written.
    void Tick(uint32_t tickCount) override;
    // Debug lines of the footprint and face, then the model.
    void Render(float renderTime, float fraction) override;
    void ScanModelNodes(OmNode* model) override;
    void SetupFromModel(TsModel* other) override;

    // True when the segment passes; false and the hit filled when it meets
    // the face (ray parameter in [0, 1)).
    virtual bool TestSegment(const OmVector3& start, const OmVector3& end, TsWorldHit& hit);
    // The overlay the present state calls for (kRestoreCodes for none).
    virtual int32_t CurrentOverlayIndex() const { return kClosedOverlay; }

    // Every door of the entity database; the nearest hit is kept. True when
    // nothing was hit.
    static bool CastSegmentAgainstDoors(const OmVector3& start, const OmVector3& end, TsWorldHit& hit);
    static void _DebugDynGeometry(bool on) { s_debug = on; }
    static bool IsDebugDrawn() { return s_debug; }

    // Sizes the overlay array and fills each overlay over the rectangle
    // from the world footprint; an overlay that cannot be made is logged
    // and left empty. False without a world to write to.
    bool CreateOverlays(int32_t count, int32_t x, int32_t z, int32_t width, int32_t height);
    // Marks an overlay index to be written at the next tick.
    void SetPendingOverlay(int32_t index);
    // Writes the pending overlay now (what Tick does when one is pending).
    void WritePendingOverlay();
    // Applies overlay index to the AI map at once (index 0 or above).
    void ApplyOverlay(int32_t index);

    // Computes the world corners, face plane and overlay rectangle from the
    // model-space corners, the position and the heading.
    void UpdateWorldShape();
    // Model-space corners, for geometry made in code (tools and tests).
    void SetModelShape(const OmVector3 footprint[4], const OmVector3 face[4], float slideWidth);

    const OmVector3* GetWorldFootprint() const { return m_worldFootprint; }
    const OmVector3* GetWorldFace() const { return m_worldFace; }
    const OmVector3& GetFaceNormal() const { return m_faceNormal; }
    float GetFaceDistance() const { return m_faceDistance; }
    float GetSlideWidth() const { return m_slideWidth; }
    bool IsFootprintKnown() const { return m_footprintKnown != 0; }
    int32_t GetPendingOverlay() const { return m_pendingOverlay; }
    bool IsOverlayPending() const { return m_overlayPending != 0; }
    const int32_t* GetOverlayRect() const { return m_overlayRect; }
    uint32_t GetOverlayCount() const { return m_overlays.GetCount(); }
    const TsTileOverlay* GetOverlay(uint32_t i) const { return i < m_overlays.GetCount() ? m_overlays.At(i) : nullptr; }

    // Code 0 for tiles of the rectangle that the quad covers, 1 elsewhere.
    static void RasteriseQuad(TsTileOverlay& overlay, const OmVector3 quad[4], float tileSize, float originX,
                              float originZ);

protected:
    // Fills an overlay's codes from a world quad (the footprint, or the
    // swung footprint of an open pivoting door).
    virtual void FillOverlay(uint32_t index, TsTileOverlay& overlay);
    // Moves the local player's party off an applied overlay.
    void PushPartyOff(const TsTileOverlay& overlay);
    // The four tile-walker probes of a character's push-off.
    bool FindPushPoint(TsCharacterObject& character, OmVector3& out) const;

    static bool s_debug;

    OmArray<TsTileOverlay> m_overlays{64};
    int32_t m_pendingOverlay = kRestoreCodes;
    uint8_t m_overlayPending = 0;
    OmVector3 m_footprint[4];
    OmVector3 m_worldFootprint[4];
    OmVector3 m_face[4];
    OmVector3 m_worldFace[4];
    OmVector3 m_faceNormal;
    float m_faceDistance = 0.0f;
    uint8_t m_footprintKnown = 0;
    float m_slideWidth = 0.0f;
    int32_t m_overlayRect[4] = {-1, -1, -1, -1}; // tile x, tile z, width, height
};
