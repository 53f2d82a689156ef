// The common base of the game's modes (front end, level, object viewer): at
// most one is current, and the application switches between them between
// frames. Every mode owns a scene root that it draws each frame; a paused
// mode keeps its render time and tick count still.
#pragma once

#include <cstdint>

#include "engine/OmGroup.h"
#include "engine/OmRef.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsObject.h"

class OmNode;
class OmRenderer;

// Values of mode requests and of GetModeType.
enum TsModeType : int32_t {
    TS_MODE_NO_REQUEST = -1,
    TS_MODE_OBJECT_VIEW = 0,
    TS_MODE_NONE = 1,
    TS_MODE_LEVEL = 3,
    TS_MODE_FRONT_END = 4,
};

class TsGameMode : public TsObject {
    OM_DECLARE_ABSTRACT_CLASS(TsGameMode)

    TsGameMode();
    explicit TsGameMode(OmArchive& archive);
    ~TsGameMode() override;

    // Prepares the renderer for the mode: default states, the whole screen,
    // no queued text, every texture registered so far loaded.
    bool Initialise() override;
    // The audio's per-tick update.
    void Tick(uint32_t tickCount) override;
    // The developer overlay, then the scene root, in one frame.
    void Render(float renderTime, float fraction) override;

    virtual TsModeType GetModeType() const = 0;
    // Stands the entities on this mode's ground (a level's world); the
    // application asks it of the level that becomes the played one.
    virtual void GroundEntities() {}

    bool IsPaused() const { return m_paused != 0; }
    void SetPaused(bool paused) { m_paused = paused ? 1 : 0; }

    OmGroup* GetSceneRoot() const { return m_sceneRoot; }
    // The mode's camera ("main_camera"), set up for play at construction
    // and drawn through the renderer's camera.
    TsCamera* GetCamera() const { return m_camera; }
    // Depth first below the scene root; false when no node has the name.
    bool FindNode(const char* name, OmNode*& found) const;

protected:
    void QueueDebugOverlay(OmRenderer& renderer) const;

    OmRef<OmGroup> m_sceneRoot;
    OmRef<TsCamera> m_camera;
    uint8_t m_paused = 0;

private:
    void CreateSceneRoot();
    void CreateCamera();
};
