// Every skeletal animation of the game's characters, in one binary file
// ("data\animdb.tsa") indexed by entry (one per animated model kind) and,
// within an entry, by animation id. Opening reads only the entry table; an
// entry's animations are read when something has marked the entry and the
// loading step runs. A developer road converts text animation files into
// entries and writes the binary file.
//
// The file is data from disk and is trusted in nothing: every count, size
// and offset is checked against the entry and the file before anything is
// allocated or read.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmRef.h"
#include "engine/OmString.h"

class OmBoneAnimation;
class OmBufferedFile;

// Animation ids: the slot of an animation within its entry.
enum TsAnimId : int32_t {
    TSANIM_STAND = 1,
    TSANIM_STAND_1H,
    TSANIM_STAND_2H,
    TSANIM_STAND_2H_MELEE,
    TSANIM_STAND_PUNCH,
    TSANIM_STAND_1HFIRE,
    TSANIM_STAND_2HFIRE,
    TSANIM_STAND_1HSLASH,
    TSANIM_STAND_2HSLASH,
    TSANIM_STAND_HEAL2H,
    TSANIM_STAND_LISTEN,
    TSANIM_STAND_LISTEN1H,
    TSANIM_STAND_LISTEN2H,
    TSANIM_STAND_RECOIL,
    TSANIM_STAND_RECOIL1H,
    TSANIM_STAND_RECOIL2H,
    TSANIM_STAND_CREEP,
    TSANIM_CREEP_WALK,
    TSANIM_TURN,
    TSANIM_WALK,
    TSANIM_WALK_1H,
    TSANIM_WALK_2H,
    TSANIM_RUN,
    TSANIM_RUN_1H,
    TSANIM_RUN_2H,
    TSANIM_LOCKEDFORWARDS_1H,
    TSANIM_LOCKEDFORWARDS_2H,
    TSANIM_LOCKEDBACKWARDS_1H,
    TSANIM_LOCKEDBACKWARDS_2H,
    TSANIM_STRAFELEFT_1H,
    TSANIM_STRAFELEFT_2H,
    TSANIM_STRAFERIGHT_1H,
    TSANIM_STRAFERIGHT_2H,
    TSANIM_DIE,
    TSANIM_DIE_A,
    TSANIM_DIE_B,
    TSANIM_COUNT,
    TSANIM_INVALIDANIM = 8388607,
    TSANIM_FORCE_DWORD = 8388607,
};

class TsAnimationDB {
public:
    static constexpr const char* kFileName = "data\\animdb.tsa";
    static constexpr uint32_t kBufferSize = 16384;
    static constexpr uint32_t kMagicSize = 24;
    static constexpr uint32_t kHeaderSize = 32;
    static constexpr uint32_t kTableEntrySize = 12;
    // An entry with every slot empty: one present word per slot.
    static constexpr uint32_t kEmptyEntrySize = TSANIM_COUNT * 4;
    // More entries than any game has model kinds; keeps a script's typo or
    // a corrupt count from reserving gigabytes.
    static constexpr uint32_t kMaxEntries = 4096;

    struct Entry {
        uint8_t needed = 0;
        uint32_t size = 0;   // bytes of the entry's data in the file
        uint32_t offset = 0; // where the data starts in the file
        uint32_t count = 0;  // animations present
        // One reference each, let go of in FreeSlots (a figure playing one
        // holds its own).
        OmRef<OmBoneAnimation> slots[TSANIM_COUNT];
        // The slots hold the entry whole (read from the file, or made here);
        // when clear, its animations are only in the file at offset.
        uint8_t inMemory = 0;
    };

    TsAnimationDB();
    ~TsAnimationDB();
    TsAnimationDB(const TsAnimationDB&) = delete;
    TsAnimationDB& operator=(const TsAnimationDB&) = delete;

    // A bone animation read from a text file of the modelling tool (as the
    // database converts them), held by the caller; null on failure, with
    // the reason as the last animation error. A file that stores every bone
    // in model space needs the figure's skeleton: the parent of each bone.
    static OmRef<OmBoneAnimation> ReadTextAnimation(const char* fileName,
                                                    const std::vector<int32_t>* parents = nullptr);

    // Reads the header and the entry table. On failure the entries are left
    // as they were.
    bool Open(const char* fileName);
    // Reads the animations of every marked entry that holds none yet; false
    // when one could not be read (that entry is left empty).
    bool LoadAnimations();
    // Unmarks every entry and frees every animation; the entries stay.
    void UnloadAnimations();
    // Frees every animation and every entry.
    void FreeAll();
    // Marks the entry for loading; the same index back (also for an index
    // that names no entry, which is reported).
    int32_t MarkForLoading(int32_t entry);
    // Null for an index that names no entry.
    Entry* GetEntry(int32_t index);
    // Null for an unknown entry or slot (TSANIM_INVALIDANIM among them) and
    // for a slot without an animation.
    const OmBoneAnimation* GetAnimation(int32_t entry, int32_t slot) const;
    uint32_t GetEntryCount() const { return m_entries.GetCount(); }
    const char* GetFileName() const { return m_fileName.Get(); }

    // Converts a text animation file into the slot, growing the entry list
    // when the entry is past its end; the slot's old animation is let go of
    // (a figure playing it keeps it until it plays another). An
    // entry whose animations are only in the file is read first, so that it
    // stays whole; when it cannot be read, nothing is converted.
    // boneFile, when given, is the bone file of the figure the animation is
    // for: its skeleton lets a file stored in model space be read.
    void LoadAnimationTextFile(int32_t entry, int32_t slot, const char* fileName,
                               const char* boneFile = nullptr);
    // Writes the whole database through a temporary file, so a failed write
    // keeps the old file; false (and logged) on any failure. Entries whose
    // animations are only in the file are read for the write and let go
    // again. Once written, the file is the database's: its name and the
    // entries' offsets describe it.
    bool WriteBinary(const char* fileName);

private:
    bool ReadTable(OmBufferedFile& file, const char* name, uint64_t fileSize, uint32_t entryCount,
                   OmArray<Entry>& table);
    // Opens the database's file to read entries from; logs when it cannot.
    bool OpenFile(OmBufferedFile& file) const;
    bool LoadEntry(OmBufferedFile& file, uint64_t fileSize, Entry& entry, uint32_t index);
    // Reads the entries listed whose animations are only in the file.
    bool LoadEntries(const std::vector<uint32_t>& indices);
    // The entries whose animations are only in the file.
    std::vector<uint32_t> EntriesOnlyInTheFile() const;
    bool WriteFile(const char* path, std::vector<Entry>& layout);
    bool WriteContents(OmBufferedFile& file, std::vector<Entry>& layout);
    static void FreeSlots(Entry& entry);

    OmArray<Entry> m_entries{1};
    OmString m_fileName;
};
