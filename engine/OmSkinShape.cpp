#include "engine/OmSkinShape.h"

#include <cstring>

#include "engine/OmBaseSkinMesh.h"
#include "engine/OmBoneAnimation.h"
#include "engine/OmGroup.h"
#include "engine/OmReport.h"
#include "engine/OmSkinMesh.h"
#include "engine/OmRenderer.h"

OM_IMPLEMENT_CLASS(OmSkinShape, OmShape)

namespace {

// The name field may lack its terminator in a damaged skeleton.
bool NameContains(const OmBone& bone, const char* text)
{
    char name[OmBone::kNameSize + 1] = {};
    std::memcpy(name, bone.name, OmBone::kNameSize);
    return std::strstr(name, text) != nullptr;
}

} // namespace

OmSkinShape::~OmSkinShape()
{
    ReleaseAttachments();
    delete m_pose;
}

const OmSkeleton* OmSkinShape::GetSkeleton() const
{
    if (const OmSkinMesh* mesh = OmSkinMesh::Cast(GetGeometry()))
        return &mesh->skeleton;
    if (const OmBaseSkinMesh* mesh = OmBaseSkinMesh::Cast(GetGeometry()))
        return mesh->GetSkeleton();
    return nullptr;
}

void OmSkinShape::ReleaseAttachments()
{
    for (uint32_t i = 0; i < m_attachments.GetCount(); ++i)
        DetachAttachmentAt(i);
}

void OmSkinShape::SetGeometry(OmGeometry* geometry)
{
    OmShape::SetGeometry(geometry);
    ReleaseAttachments();
}

OmGroup* OmSkinShape::FindBoneNode(int32_t bone) const
{
    for (uint32_t i = 0; i < m_attachments.GetCount(); ++i) {
        if (m_attachments[i].node && m_attachments[i].bone == bone)
            return m_attachments[i].node;
    }
    return nullptr;
}

OmGroup* OmSkinShape::AttachNodeToBone(int32_t bone)
{
    OmGroup* node = FindBoneNode(bone);
    if (!node) {
        const OmSkeleton* skeleton = GetSkeleton();
        if (!skeleton)
            return nullptr;
        if (!skeleton->IsBone(bone)) {
            ReportError("OmSkinShape::AttachNodeToBone: bone %d is not one of the %u bones", bone,
                        skeleton->GetBoneCount());
            return nullptr;
        }
        node = new OmGroup();
        m_attachments.Add(Attachment{bone, node});
    }
    static_cast<OmNode*>(node)->m_parent = this;
    node->LocalRotation().SetIdentity();
    node->LocalPosition().Set(0.0f, 0.0f, 0.0f);
    node->LocalScale() = 1.0f;
    return node;
}

void OmSkinShape::DetachAttachmentAt(uint32_t slot)
{
    if (slot >= m_attachments.GetCount())
        return;
    Attachment& a = m_attachments[slot];
    OmGroup* node = a.node;
    a.node = nullptr;
    a.bone = -1;
    if (!node)
        return;
    // One still held elsewhere must not name a shape that may be going.
    if (static_cast<OmNode*>(node)->m_parent == this)
        static_cast<OmNode*>(node)->m_parent = nullptr;
    node->Release();
}

void OmSkinShape::DetachNode(OmGroup* node)
{
    if (!node)
        return;
    for (uint32_t i = 0; i < m_attachments.GetCount(); ++i) {
        if (m_attachments[i].node == node)
            DetachAttachmentAt(i);
    }
}

void OmSkinShape::PlayAnimation(const OmBoneAnimation* animation, int32_t mode)
{
    if (animation && !animation->IsPlayable()) {
        ReportError("OmSkinShape::PlayAnimation: an animation of %u frames and %g seconds cannot play",
                    animation->frameCount, double(animation->duration));
        animation = nullptr;
    }
    m_playMode = mode;
    m_restart = 1;
    m_animation.Reset(animation);
    m_speed = animation ? 1.0f / animation->duration : 1.0f;
}

void OmSkinShape::QueueAnimation(const OmBoneAnimation* animation, int32_t mode)
{
    if (m_animation) {
        m_queuedAnimation.Reset(animation);
        m_queuedMode = mode;
    } else {
        PlayAnimation(animation, mode);
    }
}

void OmSkinShape::ClearAnimation()
{
    m_restart = 1;
    m_animation = nullptr;
    m_queuedAnimation = nullptr;
    m_playMode = 0;
    m_queuedMode = 0;
    m_speed = 1.0f;
}

int32_t OmSkinShape::GetBoneIndex(const char* text) const
{
    const OmSkeleton* skeleton = GetSkeleton();
    if (!skeleton || !text)
        return -1;
    for (uint32_t i = 0; i < skeleton->GetBoneCount(); ++i) {
        if (NameContains(skeleton->bones[i], text))
            return int32_t(i);
    }
    return -1;
}

// -1 (no bone) or a bone of the skeleton; anything else is reported.
bool OmSkinShape::IsBoneOrNone(int32_t bone, const char* caller) const
{
    const OmSkeleton* skeleton = GetSkeleton();
    if (bone != -1 && (!skeleton || !skeleton->IsBone(bone))) {
        ReportError("OmSkinShape::%s: bone %d is not a bone of the skeleton", caller, bone);
        return false;
    }
    return true;
}

bool OmSkinShape::SetScaledBone(int32_t bone, float factor)
{
    if (!IsBoneOrNone(bone, "SetScaledBone"))
        return false;
    m_scaledBone = bone;
    m_scaledBoneFactor = factor;
    return true;
}

bool OmSkinShape::SetTwistedBone(int32_t bone, float angle)
{
    if (!IsBoneOrNone(bone, "SetTwistedBone"))
        return false;
    m_twistedBone = bone;
    m_twistAngle = angle;
    return true;
}

void OmSkinShape::Update(float time)
{
    OmNode::Update(time);
    if (!GetGeometry())
        return;
    const OmSkeleton* skeleton = GetSkeleton();
    const uint32_t boneCount = skeleton ? skeleton->GetBoneCount() : 0;
    if (m_boneMatrices.GetCount() < boneCount)
        m_boneMatrices.Resize(boneCount);
    if (m_animation)
        Animate(time, boneCount);
    ScaleBone();
    if (!skeleton)
        return;
    if (m_pose) {
        m_pose->twistBone = m_twistedBone;
        m_pose->twistAngle = m_twistAngle;
    }
    skeleton->Pose(m_boneMatrices, m_pose);
    MoveAttachments(time);
}

void OmSkinShape::Animate(float time, uint32_t boneCount)
{
    if (time >= 0.0f && m_restart) {
        m_restart = 0;
        m_startTime = time;
    } else if (time < 0.0f) {
        m_startTime = time;
    }
    float elapsed = time - m_startTime;
    if (m_queuedAnimation && elapsed > m_animation->duration) {
        PlayAnimation(m_queuedAnimation, m_queuedMode);
        m_queuedAnimation = nullptr;
        m_queuedMode = 0;
        m_startTime = time;
        m_restart = 0;
        elapsed = 0.0f;
        if (!m_animation)
            return;
    }
    // The speed follows the record being played, whatever was set before.
    const OmBoneAnimation& anim = *m_animation;
    m_speed = 1.0f / anim.duration;
    if (!ComputeAnimationFrames(m_playMode, elapsed, anim.duration, m_speed, anim.frameCount, true, m_frames))
        return;
    SamplePose(boneCount);
}

void OmSkinShape::SamplePose(uint32_t boneCount)
{
    const OmBoneAnimation& anim = *m_animation;
    if (!m_pose)
        m_pose = new OmPose();
    if (m_pose->rotations.GetCount() != boneCount)
        m_pose->rotations.Resize(boneCount);
    const uint32_t f0 = uint32_t(m_frames.frame0), f1 = uint32_t(m_frames.frame1);
    const float t = m_frames.fraction;
    OmVector3::Lerp(anim.rootPositions[f0], anim.rootPositions[f1], t, m_pose->rootPosition);
    const uint32_t keyed = boneCount < anim.boneCount ? boneCount : anim.boneCount;
    for (uint32_t b = 0; b < keyed; ++b)
        OmQuaternion::Slerp(t, anim.Key(f0, b), anim.Key(f1, b), m_pose->rotations[b]);
    for (uint32_t b = keyed; b < boneCount; ++b)
        m_pose->rotations[b] = OmQuaternion::Identity();
}

void OmSkinShape::ScaleBone()
{
    if (m_scaledBone < 0 || !m_pose || uint32_t(m_scaledBone) >= m_pose->rotations.GetCount())
        return;
    OmQuaternion& q = m_pose->rotations[uint32_t(m_scaledBone)];
    OmMatrix3 m;
    m.SetFromQuaternionScaled(q, m_scaledBoneFactor);
    q.SetFromMatrix(m);
}

// The nodes hang from this shape, so what they carry is placed in the world
// with the bone as the shape stands this update.
void OmSkinShape::MoveAttachments(float time)
{
    for (uint32_t i = 0; i < m_attachments.GetCount(); ++i) {
        const Attachment& a = m_attachments[i];
        if (!a.node || a.bone < 0 || uint32_t(a.bone) >= m_boneMatrices.GetCount())
            continue;
        a.node->LocalRotation() = m_boneMatrices[uint32_t(a.bone)].rotation;
        a.node->LocalPosition() = m_boneMatrices[uint32_t(a.bone)].position;
        a.node->Update(time);
    }
}

void OmSkinShape::RenderAttachments(OmRenderer& renderer)
{
    for (uint32_t i = 0; i < m_attachments.GetCount(); ++i) {
        if (m_attachments[i].node)
            m_attachments[i].node->RenderCulled(renderer);
    }
}

void OmSkinShape::Render(OmRenderer& renderer)
{
    // The bone matrices go to the render mesh on every draw: skinning is
    // how a character moves at all, so no renderer switch holds it back.
    OmBaseSkinMesh* renderMesh = OmBaseSkinMesh::Cast(GetGeometry());
    if (renderMesh)
        renderMesh->SetBoneMatrices(m_boneMatrices.GetData(), m_boneMatrices.GetCount());
    const int32_t flags = renderer.GetRenderOption();
    if (flags & kDrawMesh)
        OmShape::Render(renderer);
    else
        renderer.SetWorldTransform(&m_world.rotation, &m_world.position, m_world.scale);
    const OmSkeleton* skeleton = GetSkeleton();
    if ((flags & kDrawSkeleton) && skeleton)
        DrawSkeleton(renderer, *skeleton, (flags & kDrawHeadMarker) != 0);
    RenderAttachments(renderer);
}

void OmSkinShape::DrawSkeleton(OmRenderer& renderer, const OmSkeleton& skeleton, bool headMarker) const
{
    OmVector3 points[kMaxSkeletonLines * 2];
    uint32_t lines = 0;
    auto add = [&](const OmVector3& from, const OmVector3& to) {
        if (lines < kMaxSkeletonLines) {
            points[lines * 2] = from;
            points[lines * 2 + 1] = to;
            ++lines;
        }
    };
    const uint32_t count = skeleton.GetBoneCount() < m_boneMatrices.GetCount() ? skeleton.GetBoneCount()
                                                                                : m_boneMatrices.GetCount();
    for (uint32_t b = 0; b < count; ++b) {
        const OmVector3& at = m_boneMatrices[b].position;
        const int32_t parent = skeleton.bones[b].parent;
        if (parent >= 0 && uint32_t(parent) < count)
            add(m_boneMatrices[uint32_t(parent)].position, at);
        if (headMarker && NameContains(skeleton.bones[b], "Head")) {
            // A small cross on the head bone.
            const float r = 0.05f;
            add(at - OmVector3(r, 0, 0), at + OmVector3(r, 0, 0));
            add(at - OmVector3(0, r, 0), at + OmVector3(0, r, 0));
            add(at - OmVector3(0, 0, r), at + OmVector3(0, 0, r));
        }
    }
    if (lines)
        renderer.DrawLines(int32_t(lines), points, 0xFFFFFFFFu);
}
