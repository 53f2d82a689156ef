// A shape that plays a morph animation at 30 frames a second: each update
// it tells the renderer's morph mesh which two frames to blend and by how
// much. It animates only once its geometry is a render morph mesh.
#pragma once

#include <cstdint>

#include "engine/OmAnimationFrames.h"
#include "engine/OmShape.h"

class OmMorphShape : public OmShape {
    OM_DECLARE_CLASS(OmMorphShape)

    OmMorphShape() = default;
    explicit OmMorphShape(OmArchive& archive) : OmShape(archive) {}

    OmNode* NewInstance() override { return new OmMorphShape(); }
    void Update(float time) override;

    // Loop, once or ping-pong; an index below 0 plays nothing. The speed is
    // taken from the animation's record on every update.
    virtual void PlayAnimation(int32_t index, int32_t mode);
    virtual void QueueAnimation(int32_t index, int32_t mode);

    const OmAnimationFrames& GetFrames() const { return m_frames; }
    int32_t GetAnimation() const { return m_animation; }
    int32_t GetQueuedAnimation() const { return m_queuedAnimation; }
    float GetSpeed() const { return m_speed; }

private:
    OmAnimationFrames m_frames;
    float m_startTime = 0.0f;
    float m_speed = 0.5f;
    uint8_t m_restart = 0;
    int32_t m_playMode = 0;
    int32_t m_queuedMode = 0;
    int32_t m_animation = -1;
    int32_t m_queuedAnimation = -1;
};
