// A shape that plays bone animations on a skinned mesh. Each update samples
// the current animation into a pose, poses the skeleton into one matrix per
// bone and moves the nodes attached to bones (carried weapons and the like);
// each draw hands the matrices to the renderer's skinned mesh. The attached
// nodes hang from the shape: each update places them in the world and each
// draw draws them, so whatever is hung on a bone is seen where the bone is.
#pragma once

#include <cstdint>

#include "engine/OmAnimationFrames.h"
#include "engine/OmArray.h"
#include "engine/OmBoneAnimation.h"
#include "engine/OmRef.h"
#include "engine/OmShape.h"
#include "engine/OmSkeleton.h"

class OmGroup;

class OmSkinShape : public OmShape {
    OM_DECLARE_CLASS(OmSkinShape)

    // Most segments of the skeleton display.
    static constexpr uint32_t kMaxSkeletonLines = 256;
    // Bits of the renderer's option word that this shape reads.
    static constexpr int32_t kDrawSkeleton = 1;
    static constexpr int32_t kDrawMesh = 2;
    static constexpr int32_t kDrawHeadMarker = 4;

    struct Attachment {
        int32_t bone = -1;
        OmGroup* node = nullptr;
    };

    OmSkinShape() = default;
    explicit OmSkinShape(OmArchive& archive) : OmShape(archive) {}
    ~OmSkinShape() override;

    OmNode* NewInstance() override { return new OmSkinShape(); }
    void SetGeometry(OmGeometry* geometry) override;
    void Update(float time) override;
    void Render(OmRenderer& renderer) override;

    // The node attached to the bone, made (and appended) when there is none;
    // its local transform is reset. Null for an index that is not a bone of
    // the skin mesh, and without a skin mesh.
    virtual OmGroup* AttachNodeToBone(int32_t bone);
    virtual void DetachAttachmentAt(uint32_t slot);
    virtual void DetachNode(OmGroup* node);
    // A null animation plays nothing; one without frames or with no
    // positive duration is refused with a report. The shape holds what it
    // plays and what it has queued until it lets go of it.
    virtual void PlayAnimation(const OmBoneAnimation* animation, int32_t mode);
    // Played once the current animation has run its duration; at once when
    // nothing plays.
    virtual void QueueAnimation(const OmBoneAnimation* animation, int32_t mode);
    void ClearAnimation();

    OmGroup* FindBoneNode(int32_t bone) const;
    // The first bone whose name contains the text; -1 when none.
    int32_t GetBoneIndex(const char* text) const;
    // One posed matrix per bone; writable so drawing code can scale one.
    OmArray<OmBoneMatrix>& GetBones() { return m_boneMatrices; }
    // The skeleton of the skin mesh drawn (engine or render mesh), or null.
    const OmSkeleton* GetSkeleton() const;
    // A bone index outside the skeleton is refused with a report.
    bool SetScaledBone(int32_t bone, float factor);
    // Turns the bone (and the bones below it) by the angle about the
    // model's vertical at the next pose; -1 turns none. A bone index
    // outside the skeleton is refused with a report.
    bool SetTwistedBone(int32_t bone, float angle);

    const OmAnimationFrames& GetFrames() const { return m_frames; }
    const OmBoneAnimation* GetAnimation() const { return m_animation; }
    const OmBoneAnimation* GetQueuedAnimation() const { return m_queuedAnimation; }
    const OmPose* GetPose() const { return m_pose; }
    uint32_t GetAttachmentCount() const { return m_attachments.GetCount(); }
    const Attachment& GetAttachment(uint32_t slot) const { return m_attachments[slot]; }

private:
    bool IsBoneOrNone(int32_t bone, const char* caller) const;
    void Animate(float time, uint32_t boneCount);
    void SamplePose(uint32_t boneCount);
    void ScaleBone();
    void MoveAttachments(float time);
    void RenderAttachments(OmRenderer& renderer);
    void ReleaseAttachments();
    void DrawSkeleton(OmRenderer& renderer, const OmSkeleton& skeleton, bool headMarker) const;

    OmAnimationFrames m_frames;
    float m_startTime = 0.0f;
    float m_speed = 1.0f;
    uint8_t m_restart = 0;
    int32_t m_playMode = 0;
    int32_t m_queuedMode = 0;
    OmRef<const OmBoneAnimation> m_animation;
    OmRef<const OmBoneAnimation> m_queuedAnimation;
    OmPose* m_pose = nullptr;
    OmArray<OmBoneMatrix> m_boneMatrices{64};
    OmArray<Attachment> m_attachments{64};
    int32_t m_scaledBone = -1;
    float m_scaledBoneFactor = 1.0f;
    int32_t m_twistedBone = -1;
    float m_twistAngle = 0.0f;
};
