#include "engine/OmBoneAnimation.h"

#include <cmath>
#include <cstring>
#include <new>

#include "engine/OmStream.h"

OmBoneAnimation::~OmBoneAnimation()
{
    Free();
}

uint32_t OmBoneAnimation::Release() const
{
    const uint32_t count = --m_refCount;
    if (count == 0)
        delete this;
    return count;
}

void OmBoneAnimation::Free()
{
    delete[] keys;
    delete[] rootPositions;
    keys = nullptr;
    rootPositions = nullptr;
    frameCount = boneCount = 0;
}

bool OmBoneAnimation::Allocate(uint32_t frames, uint32_t bones)
{
    Free();
    const uint64_t keyCount = uint64_t(frames) * bones;
    // A key block past 4 GB is never a real animation.
    if (keyCount > (uint64_t(1) << 28))
        return false;
    keys = new (std::nothrow) OmQuaternion[keyCount ? keyCount : 1]();
    rootPositions = new (std::nothrow) OmVector3[frames ? frames : 1]();
    if (!keys || !rootPositions) {
        Free();
        return false;
    }
    frameCount = frames;
    boneCount = bones;
    return true;
}

bool OmBoneAnimation::IsPlayable() const
{
    return frameCount >= 1 && keys && rootPositions && std::isfinite(duration) && duration > 0.0f;
}

bool OmBoneAnimation::Read(OmBufferedFile& file, uint64_t limit)
{
    Free();
    uint32_t frames = 0, bones = 0, durationBits = 0;
    file.ReadU32(frames);
    file.ReadU32(bones);
    file.ReadU32(durationBits);
    if (file.HasFailed() || limit < kHeaderSize)
        return false;
    const uint64_t size = RecordSize(frames, bones);
    if (size > limit || size - kHeaderSize > file.GetRemaining() || !Allocate(frames, bones))
        return false;
    float readDuration;
    static_assert(sizeof readDuration == sizeof durationBits);
    std::memcpy(&readDuration, &durationBits, 4);
    const uint64_t keyBytes = uint64_t(frames) * bones * sizeof(OmQuaternion);
    const uint64_t rootBytes = uint64_t(frames) * sizeof(OmVector3);
    if (file.Read(keys, size_t(keyBytes)) != keyBytes || file.Read(rootPositions, size_t(rootBytes)) != rootBytes) {
        Free();
        return false;
    }
    duration = readDuration;
    return true;
}

bool OmBoneAnimation::Write(OmBufferedFile& file) const
{
    const uint64_t keyBytes = uint64_t(frameCount) * boneCount * sizeof(OmQuaternion);
    const uint64_t rootBytes = uint64_t(frameCount) * sizeof(OmVector3);
    bool ok = file.WriteU32(frameCount) == 4 && file.WriteU32(boneCount) == 4 && file.WriteFloat(duration) == 4;
    if (ok && keyBytes)
        ok = file.Write(keys, size_t(keyBytes)) == keyBytes;
    if (ok && rootBytes)
        ok = file.Write(rootPositions, size_t(rootBytes)) == rootBytes;
    return ok && !file.HasFailed();
}
