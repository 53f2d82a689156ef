#include "engine/OmMorphShape.h"

#include "engine/OmBaseMorphMesh.h"
#include "engine/OmMorphMesh.h"

OM_IMPLEMENT_CLASS(OmMorphShape, OmShape)

void OmMorphShape::PlayAnimation(int32_t index, int32_t mode)
{
    m_playMode = mode;
    m_restart = 1;
    m_animation = index;
    const OmBaseMorphMesh* mesh = OmBaseMorphMesh::Cast(GetGeometry());
    const OmMorphAnimation* anim = mesh ? mesh->GetAnimation(index) : nullptr;
    m_speed = anim && anim->frameCount > 0 ? 1.0f / anim->Duration() : 1.0f;
}

void OmMorphShape::QueueAnimation(int32_t index, int32_t mode)
{
    if (m_animation >= 0) {
        m_queuedAnimation = index;
        m_queuedMode = mode;
    } else {
        PlayAnimation(index, mode);
    }
}

void OmMorphShape::Update(float time)
{
    OmNode::Update(time);
    OmBaseMorphMesh* mesh = OmBaseMorphMesh::Cast(GetGeometry());
    if (!mesh || (m_animation < 0 && m_queuedAnimation < 0))
        return;
    const OmMorphAnimation* anim = mesh->GetAnimation(m_animation);
    float elapsed = 0.0f;
    // An index without a record, or a record without frames, counts as
    // finished so a queued animation can take over.
    bool finished = true;
    if (anim) {
        // A newly asked animation starts from its first frame, whenever it
        // is asked for: its clock starts at this update.
        if (time < 0.0f || m_restart)
            m_startTime = time;
        m_restart = 0;
        elapsed = time - m_startTime;
        finished = anim->frameCount < 1 || elapsed > anim->Duration();
    }
    if (m_queuedAnimation >= 0 && finished) {
        PlayAnimation(m_queuedAnimation, m_queuedMode);
        m_queuedAnimation = -1;
        m_queuedMode = 0;
        m_startTime = time;
        m_restart = 0;
        elapsed = 0.0f;
        anim = mesh->GetAnimation(m_animation);
    }
    if (!anim || anim->frameCount < 1 || !anim->frames)
        return;
    // The speed comes from the record now, not from when play was asked:
    // an animation started before the render mesh existed plays at its
    // own rate.
    const float duration = anim->Duration();
    m_speed = 1.0f / duration;
    if (!ComputeAnimationFrames(m_playMode, elapsed, duration, m_speed, uint32_t(anim->frameCount), false, m_frames))
        return;
    mesh->SetFrames(anim->frames[m_frames.frame0], anim->frames[m_frames.frame1], m_frames.fraction);
}
