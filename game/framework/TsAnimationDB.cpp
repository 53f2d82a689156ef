#include "game/framework/TsAnimationDB.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/OmAnimationText.h"
#include "engine/OmBoneAnimation.h"
#include "engine/OmBoneText.h"
#include "engine/OmStream.h"
#include "engine/OmWriteReplacing.h"
#include "game/framework/TsLog.h"

namespace {

// The text and its terminating zero.
constexpr char kMagic[TsAnimationDB::kMagicSize] = "Tessaran animation file";
static_assert(sizeof kMagic == 24);

// Text animations keep their root translations in the modelling tool's
// units, ten times the game's.
constexpr float kTextAnimationScale = 0.1f;

const char* Shown(const char* name)
{
    return name ? name : "(no name)";
}

OmRef<OmBoneAnimation> FromText(const OmBoneAnimationData& data)
{
    if (data.frameCount < 0 || data.boneCount < 0)
        return nullptr;
    auto record = OmMakeRef<OmBoneAnimation>();
    const uint32_t frames = uint32_t(data.frameCount), bones = uint32_t(data.boneCount);
    if (!record->Allocate(frames, bones) || data.rotations.size() != uint64_t(frames) * bones ||
        data.translations.size() != frames)
        return nullptr;
    for (uint64_t i = 0; i < data.rotations.size(); ++i)
        record->keys[i] = data.rotations[i];
    for (uint32_t f = 0; f < frames; ++f)
        record->rootPositions[f] = data.translations[f];
    record->duration = float(frames) * kAnimationFrameTime;
    return record;
}

} // namespace

TsAnimationDB::TsAnimationDB() = default;

TsAnimationDB::~TsAnimationDB()
{
    FreeAll();
}

void TsAnimationDB::FreeSlots(Entry& entry)
{
    // A figure may still be playing one: it lives until the figure lets go.
    for (OmRef<OmBoneAnimation>& slot : entry.slots)
        slot = nullptr;
    entry.inMemory = 0;
}

void TsAnimationDB::FreeAll()
{
    for (uint32_t i = 0; i < m_entries.GetCount(); ++i)
        FreeSlots(m_entries[i]);
    m_entries.RemoveAll();
}

void TsAnimationDB::UnloadAnimations()
{
    for (uint32_t i = 0; i < m_entries.GetCount(); ++i) {
        m_entries[i].needed = 0;
        FreeSlots(m_entries[i]);
    }
}

bool TsAnimationDB::Open(const char* fileName)
{
    OmBufferedFile file(kBufferSize);
    if (!fileName || !file.Open(fileName, false)) {
        LogErrorF("Cannot load binary animation file: %s", Shown(fileName));
        return false;
    }
    const uint64_t fileSize = file.GetRemaining();
    char magic[kMagicSize] = {};
    if (file.Read(magic, kMagicSize) != kMagicSize || std::memcmp(magic, kMagic, kMagicSize) != 0) {
        LogErrorF("Unknown header, file: %s", fileName);
        return false;
    }
    uint32_t entryCount = 0, enumCount = 0;
    file.ReadU32(entryCount);
    file.ReadU32(enumCount);
    if (file.HasFailed()) {
        LogErrorF("Unknown header, file: %s", fileName);
        return false;
    }
    if (enumCount != TSANIM_COUNT) {
        LogErrorF("Mismatching anim enumerations: %s", fileName);
        return false;
    }
    if (entryCount > kMaxEntries ||
        kHeaderSize + uint64_t(entryCount) * kTableEntrySize > fileSize) {
        LogErrorF("Animation file %s names %u entries, more than it holds", fileName, entryCount);
        return false;
    }
    OmArray<Entry> table(1);
    if (!ReadTable(file, fileName, fileSize, entryCount, table))
        return false;
    // Only a file whose table was read is remembered: the kept table's
    // offsets belong to the file that was open before.
    m_fileName = fileName;
    FreeAll();
    m_entries.Resize(table.GetCount());
    for (uint32_t i = 0; i < table.GetCount(); ++i)
        m_entries[i] = table[i];
    return true;
}

bool TsAnimationDB::ReadTable(OmBufferedFile& file, const char* name, uint64_t fileSize, uint32_t entryCount,
                              OmArray<Entry>& table)
{
    const uint64_t dataStart = kHeaderSize + uint64_t(entryCount) * kTableEntrySize;
    table.Resize(entryCount);
    for (uint32_t i = 0; i < entryCount; ++i) {
        Entry& entry = table[i];
        entry = Entry{};
        file.ReadU32(entry.size);
        file.ReadU32(entry.offset);
        file.ReadU32(entry.count);
        if (file.HasFailed()) {
            LogErrorF("Animation file %s ends inside its entry table", name);
            return false;
        }
        if (entry.size < kEmptyEntrySize || entry.offset < dataStart ||
            uint64_t(entry.offset) + entry.size > fileSize || entry.count > TSANIM_COUNT) {
            LogErrorF("Animation file %s: entry %u (%u bytes at %u, %u animations) does not fit the file", name, i,
                      entry.size, entry.offset, entry.count);
            return false;
        }
    }
    return true;
}

bool TsAnimationDB::OpenFile(OmBufferedFile& file) const
{
    if (m_fileName.Get() && file.Open(m_fileName.Get(), false))
        return true;
    LogErrorF("Cannot load binary animation file: %s", Shown(m_fileName.Get()));
    return false;
}

bool TsAnimationDB::LoadAnimations()
{
    OmBufferedFile file(kBufferSize);
    if (!OpenFile(file))
        return false;
    const uint64_t fileSize = file.GetRemaining();
    bool ok = true;
    for (uint32_t i = 0; i < m_entries.GetCount(); ++i) {
        Entry& entry = m_entries[i];
        // An entry already in memory (loaded before, or converted from text)
        // is kept: characters may be playing its animations.
        if (entry.needed && !entry.inMemory && !LoadEntry(file, fileSize, entry, i))
            ok = false;
    }
    return ok;
}

bool TsAnimationDB::LoadEntry(OmBufferedFile& file, uint64_t fileSize, Entry& entry, uint32_t index)
{
    const char* name = m_fileName.Get();
    // The table was checked when the file was opened, but the file may have
    // changed since.
    if (entry.size < kEmptyEntrySize || uint64_t(entry.offset) + entry.size > fileSize) {
        LogErrorF("Animation entry %u of %s has no data in the file", index, name);
        return false;
    }
    file.Seek(long(entry.offset), SEEK_SET);
    uint64_t used = 0;
    bool ok = !file.HasFailed();
    for (uint32_t slot = 0; ok && slot < TSANIM_COUNT; ++slot) {
        uint32_t present = 0;
        ok = used + 4 <= entry.size && file.ReadU32(present) == 4;
        used += 4;
        if (!ok || present == 0)
            continue;
        entry.slots[slot] = OmMakeRef<OmBoneAnimation>();
        OmBoneAnimation* record = entry.slots[slot];
        ok = record->Read(file, entry.size - used);
        used += record->RecordSize();
    }
    if (ok && !file.HasFailed()) {
        entry.inMemory = 1;
        return true;
    }
    FreeSlots(entry);
    LogErrorF("Animation entry %u of %s is damaged; its animations are left out", index, name);
    return false;
}

bool TsAnimationDB::LoadEntries(const std::vector<uint32_t>& indices)
{
    if (indices.empty())
        return true;
    OmBufferedFile file(kBufferSize);
    if (!OpenFile(file))
        return false;
    const uint64_t fileSize = file.GetRemaining();
    bool ok = true;
    for (uint32_t i : indices)
        ok = LoadEntry(file, fileSize, m_entries[i], i) && ok;
    return ok;
}

std::vector<uint32_t> TsAnimationDB::EntriesOnlyInTheFile() const
{
    std::vector<uint32_t> indices;
    for (uint32_t i = 0; i < m_entries.GetCount(); ++i) {
        // An entry made here and never written has no data anywhere.
        if (!m_entries[i].inMemory && m_entries[i].size != 0)
            indices.push_back(i);
    }
    return indices;
}

int32_t TsAnimationDB::MarkForLoading(int32_t entry)
{
    if (Entry* e = GetEntry(entry))
        e->needed = 1;
    else
        LogErrorF("Animation entry %d does not exist; nothing to load", entry);
    return entry;
}

TsAnimationDB::Entry* TsAnimationDB::GetEntry(int32_t index)
{
    if (index < 0 || uint32_t(index) >= m_entries.GetCount())
        return nullptr;
    return &m_entries[uint32_t(index)];
}

const OmBoneAnimation* TsAnimationDB::GetAnimation(int32_t entry, int32_t slot) const
{
    if (entry < 0 || uint32_t(entry) >= m_entries.GetCount() || slot < 0 || slot >= TSANIM_COUNT)
        return nullptr;
    return m_entries[uint32_t(entry)].slots[slot];
}

OmRef<OmBoneAnimation> TsAnimationDB::ReadTextAnimation(const char* fileName, const std::vector<int32_t>* parents)
{
    std::unique_ptr<OmBoneAnimationData> data = LoadAnimationFile(fileName, parents, kTextAnimationScale, 0.0f, 0);
    return data ? FromText(*data) : nullptr;
}

void TsAnimationDB::LoadAnimationTextFile(int32_t entry, int32_t slot, const char* fileName, const char* boneFile)
{
    if (slot < 0 || slot >= TSANIM_COUNT || entry < 0 || uint32_t(entry) >= kMaxEntries) {
        LogErrorF("Error converting animation: %s", Shown(fileName));
        LogErrorF("Entry %d, animation %d: entries are 0-%u and animations 0-%d", entry, slot, kMaxEntries - 1,
                  TSANIM_COUNT - 1);
        return;
    }
    std::vector<int32_t> parents;
    if (boneFile && !ReadBoneParents(boneFile, parents)) {
        LogErrorF("Error converting animation: %s", Shown(fileName));
        LogErrorF("The skeleton could not be read from %s", boneFile);
        return;
    }
    const uint32_t oldCount = m_entries.GetCount();
    if (uint32_t(entry) < oldCount && !m_entries[uint32_t(entry)].inMemory &&
        m_entries[uint32_t(entry)].size != 0 && !LoadEntries({uint32_t(entry)})) {
        LogErrorF("Error converting animation: %s", Shown(fileName));
        LogErrorF("Entry %d could not be read from %s; it is left as it was", entry, Shown(m_fileName.Get()));
        return;
    }
    OmRef<OmBoneAnimation> record = ReadTextAnimation(fileName, boneFile ? &parents : nullptr);
    if (uint32_t(entry) >= oldCount) {
        m_entries.Resize(uint32_t(entry) + 1);
        for (uint32_t i = oldCount; i < m_entries.GetCount(); ++i)
            m_entries[i] = Entry{};
    }
    Entry& e = m_entries[uint32_t(entry)];
    const bool converted = record;
    // The old record goes only once no figure plays it any more.
    e.slots[slot] = std::move(record);
    e.inMemory = 1;
    e.count = 0;
    for (const OmBoneAnimation* s : e.slots)
        e.count += s ? 1 : 0;
    if (converted) {
        LogInfoF("Animation %s converted OK", fileName);
    } else {
        LogErrorF("Error converting animation: %s", Shown(fileName));
        LogError(GetLastAnimationError());
    }
}

bool TsAnimationDB::WriteBinary(const char* fileName)
{
    if (!fileName) {
        LogError("Cannot save anim file");
        return false;
    }
    // Every entry is written whole: those whose animations are only in the
    // file are read for the write and let go again afterwards.
    const std::vector<uint32_t> borrowed = EntriesOnlyInTheFile();
    std::vector<Entry> layout;
    const bool written = LoadEntries(borrowed) && OmWriteReplacing(fileName, [&](const char* temporary) {
                             return WriteFile(temporary, layout);
                         });
    for (uint32_t i : borrowed)
        FreeSlots(m_entries[i]);
    if (!written) {
        LogError("Cannot save anim file");
        return false;
    }
    // The entries now lie where the new file keeps them, so that file is
    // the one they are read from from now on.
    for (uint32_t i = 0; i < m_entries.GetCount(); ++i) {
        m_entries[i].size = layout[i].size;
        m_entries[i].offset = layout[i].offset;
        m_entries[i].count = layout[i].count;
    }
    m_fileName = fileName;
    return true;
}

bool TsAnimationDB::WriteFile(const char* path, std::vector<Entry>& layout)
{
    OmBufferedFile file(kBufferSize);
    if (!file.Open(path, true))
        return false;
    const bool written = WriteContents(file, layout);
    file.Close();
    return written && !file.HasFailed();
}

bool TsAnimationDB::WriteContents(OmBufferedFile& file, std::vector<Entry>& layout)
{
    const uint32_t n = m_entries.GetCount();
    // The layout first, in 64 bits: a database past 4 GB cannot be indexed
    // by the file's 32-bit offsets.
    layout.assign(n, Entry{});
    uint64_t offset = kHeaderSize + uint64_t(n) * kTableEntrySize;
    for (uint32_t i = 0; i < n; ++i) {
        uint64_t size = kEmptyEntrySize;
        uint32_t count = 0;
        for (const OmBoneAnimation* record : m_entries[i].slots) {
            if (record) {
                size += record->RecordSize();
                ++count;
            }
        }
        if (offset + size > UINT32_MAX) {
            LogErrorF("The animations are too large for one file (entry %u)", i);
            return false;
        }
        layout[i].size = uint32_t(size);
        layout[i].offset = uint32_t(offset);
        layout[i].count = count;
        offset += size;
    }
    bool ok = file.Write(kMagic, kMagicSize) == kMagicSize && file.WriteU32(n) == 4 && file.WriteU32(TSANIM_COUNT) == 4;
    for (uint32_t i = 0; ok && i < n; ++i)
        ok = file.WriteU32(layout[i].size) == 4 && file.WriteU32(layout[i].offset) == 4 &&
             file.WriteU32(layout[i].count) == 4;
    for (uint32_t i = 0; ok && i < n; ++i) {
        for (const OmBoneAnimation* record : m_entries[i].slots) {
            ok = file.WriteU32(record ? 1 : 0) == 4 && (!record || record->Write(file));
            if (!ok)
                break;
        }
    }
    return ok;
}
