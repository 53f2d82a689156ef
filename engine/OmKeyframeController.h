// Keyframe animation of a node's local transform: OmKeyframeData holds the
// position, rotation and scale keys (each channel with its own key times, or
// all three on one shared set of times); OmKeyframeController samples them at
// the controller's mapped time and writes the node's local transform.
#pragma once

#include <cstdint>

#include "engine/OmObject.h"
#include "engine/OmQuaternion.h"
#include "engine/OmRef.h"
#include "engine/OmTimedController.h"
#include "engine/OmVector3.h"

// Where a time falls among sorted key times: the two keys around it and how
// far it is from the first to the second.
struct OmKeySample {
    float fraction = 0.0f;
    uint32_t index0 = 0;
    uint32_t index1 = 0;
};

// Finds time u among times[0..count-1] (count >= 1), starting from the
// cursor left by the last search and moving it step by step, so playing
// forward costs one step or none per frame.
OmKeySample OmSearchKeys(uint32_t count, const float* times, float u, uint32_t& cursor);

class OmKeyframeData : public OmObject {
    OM_DECLARE_CLASS(OmKeyframeData)

    OmKeyframeData() = default;
    explicit OmKeyframeData(OmArchive& archive) : OmObject(archive) {}
    ~OmKeyframeData() override;

    // Each takes a copy; times is ignored (may be null) while shared times
    // are set. Null values or a count of 0 clear the channel.
    void SetPositionKeys(uint32_t count, const float* times, const OmVector3* values);
    void SetRotationKeys(uint32_t count, const float* times, const OmQuaternion* values);
    void SetScaleKeys(uint32_t count, const float* times, const float* values);
    // Times every channel uses, in place of their own; the channels' own
    // times are dropped. A count of 0 goes back to per-channel times (none
    // yet: set the channels again).
    void SetSharedTimes(uint32_t count, const float* times);

    uint32_t positionCount = 0;
    float* positionTimes = nullptr;
    OmVector3* positions = nullptr;
    uint32_t rotationCount = 0;
    float* rotationTimes = nullptr;
    OmQuaternion* rotations = nullptr;
    uint32_t scaleCount = 0;
    float* scaleTimes = nullptr;
    float* scales = nullptr;
    uint32_t sharedCount = 0;
    float* sharedTimes = nullptr;

private:
    void FreeChannelTimes();
};

class OmKeyframeController : public OmTimedController {
    OM_DECLARE_CLASS(OmKeyframeController)

    OmKeyframeController() = default;
    explicit OmKeyframeController(OmArchive& archive) : OmTimedController(archive) {}
    ~OmKeyframeController() override;

    // Holds one reference on the data (null lets go).
    void SetKeys(OmKeyframeData* data);
    // Writes the target's local transform; never holds the world transform.
    bool Update(float time) override;

    OmRef<OmKeyframeData> keys;
    uint32_t positionCursor = 0;
    uint32_t rotationCursor = 0;
    uint32_t scaleCursor = 0;
    uint32_t sharedCursor = 0;

private:
    void ApplyPosition(const OmKeySample& k);
    void ApplyRotation(const OmKeySample& k);
    void ApplyScale(const OmKeySample& k);
};
