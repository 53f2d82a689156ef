// One skeletal animation: a rotation key per bone per frame and one root
// position per frame. Skin shapes sample it; the animation database stores
// and loads it.
//
// A record is counted: its maker holds the first reference, the database
// holds the records it keeps and a skin shape the ones it plays or has
// queued, so a record the database lets go of (converted again, unloaded)
// lives on until the figure playing it lets go too. Records never change
// once made, so holding one does not need a writable one.
#pragma once

#include <cstdint>

#include "engine/OmQuaternion.h"
#include "engine/OmVector3.h"

class OmBufferedFile;

class OmBoneAnimation {
public:
    // Size of the frame count, bone count and duration words.
    static constexpr uint64_t kHeaderSize = 12;

    OmBoneAnimation() = default;
    OmBoneAnimation(const OmBoneAnimation&) = delete;
    OmBoneAnimation& operator=(const OmBoneAnimation&) = delete;

    // Storage for frames x bones keys and frames root positions, all zero;
    // false (and nothing held) when the block would not fit in memory.
    bool Allocate(uint32_t frames, uint32_t bones);
    void Free();

    // The bytes a record of that shape takes in a file, in 64 bits so a
    // corrupt count cannot wrap.
    static uint64_t RecordSize(uint32_t frames, uint32_t bones)
    {
        return kHeaderSize + uint64_t(frames) * (uint64_t(bones) * 16 + 12);
    }
    uint64_t RecordSize() const { return RecordSize(frameCount, boneCount); }

    uint32_t AddRef() const { return ++m_refCount; }
    // Deletes the record when the count reaches 0.
    uint32_t Release() const;
    uint32_t GetRefCount() const { return m_refCount; }

    // At least one frame and a positive, finite duration: the only records
    // playback can turn into frame indices.
    bool IsPlayable() const;

    OmQuaternion& Key(uint32_t frame, uint32_t bone) { return keys[uint64_t(frame) * boneCount + bone]; }
    const OmQuaternion& Key(uint32_t frame, uint32_t bone) const
    {
        return keys[uint64_t(frame) * boneCount + bone];
    }

    // Reads a record written by Write. The record must fit in limit bytes
    // (what is left of its entry); a larger or short record leaves this
    // one empty and answers false.
    bool Read(OmBufferedFile& file, uint64_t limit);
    // Writes the record; false when a byte did not go out.
    bool Write(OmBufferedFile& file) const;

    uint32_t frameCount = 0;
    uint32_t boneCount = 0;
    float duration = 1.0f; // seconds
    OmQuaternion* keys = nullptr;       // frame-major
    OmVector3* rootPositions = nullptr; // one per frame

private:
    // Only Release ends a record, so no delete or scope can end one that a
    // figure still plays.
    ~OmBoneAnimation();

    mutable uint32_t m_refCount = 1;
};
