// The common base of the game's modes (front end, level, object viewer): at
// most one is current, and the application switches between them between
// frames. A paused mode keeps its render time and tick count still.
#pragma once

#include <cstdint>

#include "game/framework/TsObject.h"

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

    TsGameMode() = default;
    explicit TsGameMode(OmArchive& archive) : TsObject(archive) {}

    // The renderer set-up, the audio update and the camera that every mode
    // shares belong here; what of them does not exist yet is logged once.
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;

    virtual TsModeType GetModeType() const = 0;

    bool IsPaused() const { return m_paused != 0; }
    void SetPaused(bool paused) { m_paused = paused ? 1 : 0; }

protected:
    uint8_t m_paused = 0;
};
