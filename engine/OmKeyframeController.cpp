#include "engine/OmKeyframeController.h"

#include <cstring>

#include "engine/OmMatrix3.h"
#include "engine/OmNode.h"

OM_IMPLEMENT_CLASS(OmKeyframeData, OmObject)
OM_IMPLEMENT_CLASS(OmKeyframeController, OmTimedController)

namespace {

template <class T>
T* CopyArray(const T* values, uint32_t count)
{
    if (!values || count == 0)
        return nullptr;
    T* copy = new T[count];
    std::memcpy(static_cast<void*>(copy), values, count * sizeof(T));
    return copy;
}

// Replaces one channel: count, times (unless shared) and values.
template <class T>
void SetChannel(uint32_t& count, float*& times, T*& values, uint32_t newCount, const float* newTimes,
                const T* newValues, bool shared)
{
    delete[] values;
    values = nullptr;
    if (!shared) {
        delete[] times;
        times = nullptr;
    }
    count = 0;
    if (!newValues || newCount == 0 || (!shared && !newTimes))
        return;
    values = CopyArray(newValues, newCount);
    if (!shared)
        times = CopyArray(newTimes, newCount);
    count = newCount;
}

} // namespace

OmKeySample OmSearchKeys(uint32_t count, const float* times, float u, uint32_t& cursor)
{
    OmKeySample k;
    if (count == 0 || !times)
        return k;
    if (cursor >= count)
        cursor = count - 1;
    if (u <= times[0] || u != u) { // a NaN time holds the first key
        cursor = 0;
        return k;
    }
    if (u >= times[count - 1]) {
        cursor = count - 1;
        k.index0 = k.index1 = cursor;
        return k;
    }
    uint32_t c = cursor;
    if (u > times[c]) {
        while (u > times[c + 1])
            ++c;
        k.index0 = c;
        k.index1 = c + 1;
    } else if (u == times[c]) {
        k.index0 = k.index1 = c;
        cursor = c;
        return k;
    } else {
        while (u < times[c - 1])
            --c;
        k.index0 = c - 1;
        k.index1 = c;
    }
    cursor = c;
    const float span = times[k.index1] - times[k.index0];
    k.fraction = span > 0.0f ? (u - times[k.index0]) / span : 0.0f;
    return k;
}

// ---- keyframe data -------------------------------------------------------------

OmKeyframeData::~OmKeyframeData()
{
    delete[] positions;
    delete[] rotations;
    delete[] scales;
    if (sharedCount != 0)
        delete[] sharedTimes;
    else
        FreeChannelTimes();
}

void OmKeyframeData::FreeChannelTimes()
{
    delete[] positionTimes;
    delete[] rotationTimes;
    delete[] scaleTimes;
    positionTimes = rotationTimes = scaleTimes = nullptr;
}

void OmKeyframeData::SetPositionKeys(uint32_t count, const float* times, const OmVector3* values)
{
    SetChannel(positionCount, positionTimes, positions, count, times, values, sharedCount != 0);
}

void OmKeyframeData::SetRotationKeys(uint32_t count, const float* times, const OmQuaternion* values)
{
    SetChannel(rotationCount, rotationTimes, rotations, count, times, values, sharedCount != 0);
}

void OmKeyframeData::SetScaleKeys(uint32_t count, const float* times, const float* values)
{
    SetChannel(scaleCount, scaleTimes, scales, count, times, values, sharedCount != 0);
}

void OmKeyframeData::SetSharedTimes(uint32_t count, const float* times)
{
    if (sharedCount != 0)
        delete[] sharedTimes;
    else
        FreeChannelTimes();
    sharedTimes = CopyArray(times, count);
    sharedCount = sharedTimes ? count : 0;
    // Channels longer than the shared times would read past them.
    auto fit = [this](uint32_t& channel) {
        if (channel > sharedCount)
            channel = sharedCount;
    };
    fit(positionCount);
    fit(rotationCount);
    fit(scaleCount);
}

// ---- controller ----------------------------------------------------------------

OmKeyframeController::~OmKeyframeController() { SetKeys(nullptr); }

void OmKeyframeController::SetKeys(OmKeyframeData* data)
{
    keys.Reset(data);
    positionCursor = rotationCursor = scaleCursor = sharedCursor = 0;
}

void OmKeyframeController::ApplyPosition(const OmKeySample& k)
{
    const OmVector3& a = keys->positions[k.index0];
    const OmVector3& b = keys->positions[k.index1];
    target->LocalPosition() = a + (b - a) * k.fraction;
}

void OmKeyframeController::ApplyRotation(const OmKeySample& k)
{
    OmQuaternion q;
    OmQuaternion::Slerp(k.fraction, keys->rotations[k.index0], keys->rotations[k.index1], q);
    target->LocalRotation().SetFromQuaternion(q);
}

void OmKeyframeController::ApplyScale(const OmKeySample& k)
{
    const float a = keys->scales[k.index0];
    const float b = keys->scales[k.index1];
    target->LocalScale() = a + (b - a) * k.fraction;
}

bool OmKeyframeController::Update(float time)
{
    if (!enabled || !keys || !target)
        return false;
    const float u = MapTime(time);
    const OmKeyframeData& d = *keys;
    if (d.sharedCount != 0) {
        const OmKeySample k = OmSearchKeys(d.sharedCount, d.sharedTimes, u, sharedCursor);
        if (d.positionCount != 0 && k.index1 < d.positionCount)
            ApplyPosition(k);
        if (d.rotationCount != 0 && k.index1 < d.rotationCount)
            ApplyRotation(k);
        if (d.scaleCount != 0 && k.index1 < d.scaleCount)
            ApplyScale(k);
        return false;
    }
    if (d.positionCount != 0)
        ApplyPosition(OmSearchKeys(d.positionCount, d.positionTimes, u, positionCursor));
    if (d.rotationCount != 0)
        ApplyRotation(OmSearchKeys(d.rotationCount, d.rotationTimes, u, rotationCursor));
    if (d.scaleCount != 0)
        ApplyScale(OmSearchKeys(d.scaleCount, d.scaleTimes, u, scaleCursor));
    return false;
}
