// Skeletal animation text files of the modelling tool: per frame, one 4x3
// matrix per bone, either absolute (model space, needing the skeleton's
// parents) or relative to the parent.
//
// The reader produces a plain record of the keys, checked against the
// skeleton it was read for; the animation database copies it into an
// `OmBoneAnimation` (OmBoneAnimation.h), the object skin shapes play and
// the database stores.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "engine/OmQuaternion.h"
#include "engine/OmVector3.h"

constexpr float kAnimationFrameTime = 1.0f / 30.0f;

struct OmBoneAnimationData {
    float duration = 0.0f; // frames x 1/30 s
    int32_t frameCount = 0;
    int32_t boneCount = 0;
    // Frame-major: rotation (frame, bone) is at frame * boneCount + bone.
    std::vector<OmQuaternion> rotations;
    // One root translation per frame.
    std::vector<OmVector3> translations;
};

// Null on failure, with the reason kept as the last animation error.
// parents: the skeleton's parent index per bone (-1 for a root), or null
// when there is no skeleton (only relative files can then be read).
std::unique_ptr<OmBoneAnimationData> LoadAnimationFile(const char* path, const std::vector<int32_t>* parents,
                                                       float scale, float yRotation, int32_t rootBone);
std::unique_ptr<OmBoneAnimationData> ReadAnimation(std::FILE* file, const char* name,
                                                   const std::vector<int32_t>* parents, float scale,
                                                   float yRotation, int32_t rootBone);
const char* GetLastAnimationError();
