// Bones, poses and the skeleton that turns a pose into one model-space
// matrix per bone.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmMatrix3.h"
#include "engine/OmMatrix4.h"
#include "engine/OmQuaternion.h"
#include "engine/OmVector3.h"

struct OmBone {
    static constexpr uint32_t kNameSize = 32;

    OmQuaternion rotation{0.0f, 0.0f, 0.0f, 1.0f}; // rest rotation relative to the parent
    OmVector3 offset;                              // position relative to the parent
    OmMatrix4 inverseBind;                         // filled by the bone-file importer
    OmVector3 pivot;                               // the bone file's pivot, carried along
    char name[kNameSize] = {};
    int32_t parent = -1;
    int32_t firstChild = -1;
    int32_t nextSibling = -1;

    // Copies at most 31 characters.
    void SetName(const char* text);
};

// A posed bone: rotation then position, model space.
struct OmBoneMatrix {
    OmMatrix3 rotation;
    OmVector3 position;
};
static_assert(sizeof(OmBoneMatrix) == 48);

struct OmPose {
    OmVector3 rootPosition;
    OmArray<OmQuaternion> rotations{1}; // one per bone
    // One bone may be turned about the model's vertical after its animated
    // rotation (a character's waist aiming over its legs); the bones below
    // it turn with it.
    int32_t twistBone = -1;
    float twistAngle = 0.0f;
};

class OmSkeleton {
public:
    uint32_t GetBoneCount() const { return bones.GetCount(); }
    bool IsBone(int32_t index) const { return index >= 0 && uint32_t(index) < bones.GetCount(); }

    // Fills out (grown to one matrix per bone) walking the tree from the root
    // bone: each bone's rotation from the pose (or its rest rotation when the
    // pose has none for it) after its parent's, its offset turned by the
    // parent. A root takes the pose's root position, or its own offset
    // without a pose. Nothing is posed without a valid root bone; a damaged
    // tree whose links loop stops after a bounded number of steps.
    void Pose(OmArray<OmBoneMatrix>& out, const OmPose* pose) const;
    // The parent index of every bone in order (-1 for a root), as animation
    // files stored in model space need them.
    std::vector<int32_t> GetParents() const;

    OmVector3 origin;
    OmArray<OmBone> bones{64};
    int32_t rootBone = -1;

private:
    void PoseBone(OmArray<OmBoneMatrix>& out, const OmPose* pose, int32_t b) const;
};
