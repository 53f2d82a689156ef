#include "engine/OmSkeleton.h"

#include <cstring>
#include <vector>

void OmBone::SetName(const char* text)
{
    std::memset(name, 0, kNameSize);
    if (text)
        std::strncpy(name, text, kNameSize - 1);
}

void OmSkeleton::PoseBone(OmArray<OmBoneMatrix>& out, const OmPose* pose, int32_t b) const
{
    const OmBone& bone = bones[uint32_t(b)];
    const bool posed = pose && uint32_t(b) < pose->rotations.GetCount();
    OmMatrix3 rotation;
    rotation.SetFromQuaternion(posed ? pose->rotations[uint32_t(b)] : bone.rotation);
    OmBoneMatrix& m = out[uint32_t(b)];
    if (IsBone(bone.parent) && bone.parent != b) {
        const OmBoneMatrix& parent = out[uint32_t(bone.parent)];
        OmMatrix3::Multiply(rotation, parent.rotation, m.rotation);
        m.position = parent.position + parent.rotation.Transform(bone.offset);
    } else {
        m.rotation = rotation;
        m.position = pose ? pose->rootPosition : bone.offset;
    }
    if (pose && pose->twistBone == b && pose->twistAngle != 0.0f) {
        OmMatrix3 twist;
        twist.SetRotationY(pose->twistAngle);
        m.rotation.PostMultiply(twist);
    }
}

void OmSkeleton::Pose(OmArray<OmBoneMatrix>& out, const OmPose* pose) const
{
    const uint32_t count = bones.GetCount();
    if (out.GetCount() < count)
        out.Resize(count);
    if (!IsBone(rootBone))
        return;
    // Depth first without a stack: down the first children, across the
    // siblings, back up the parents. A sound tree takes under three steps a
    // bone; the limit only stops a damaged one.
    uint64_t steps = 0;
    const uint64_t limit = uint64_t(count) * 4 + 4;
    int32_t b = rootBone;
    while (steps++ < limit) {
        PoseBone(out, pose, b);
        if (IsBone(bones[uint32_t(b)].firstChild)) {
            b = bones[uint32_t(b)].firstChild;
            continue;
        }
        while (!IsBone(bones[uint32_t(b)].nextSibling)) {
            if (b == rootBone || ++steps > limit)
                return;
            b = bones[uint32_t(b)].parent;
            if (!IsBone(b))
                return;
        }
        b = bones[uint32_t(b)].nextSibling;
    }
}

std::vector<int32_t> OmSkeleton::GetParents() const
{
    std::vector<int32_t> parents(bones.GetCount());
    for (uint32_t b = 0; b < bones.GetCount(); ++b)
        parents[b] = bones[b].parent;
    return parents;
}
