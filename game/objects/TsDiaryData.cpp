#include "game/objects/TsDiaryData.h"

#include <cstring>

#include "engine/OmArchive.h"

OM_IMPLEMENT_CLASS(TsDiaryData, TsObject)

namespace {

// The smallest page and entry in a file: two empty strings and a word.
constexpr uint64_t kMinRecordBytes = 12;

bool SameName(const char* a, const char* b)
{
    return std::strcmp(a ? a : "", b ? b : "") == 0;
}

bool IsEmpty(const char* text)
{
    return !text || !*text;
}

} // namespace

TsDiaryData::~TsDiaryData()
{
    for (OmList::Node* node = m_pages.GetFirst(); node; node = node->next)
        FreePage(OmList::ValueAt<Page>(node));
    m_pages.RemoveAll();
}

void TsDiaryData::FreePage(Page* page)
{
    for (OmList::Node* node = page->entries.GetFirst(); node; node = node->next)
        delete OmList::ValueAt<Entry>(node);
    delete page;
}

TsDiaryData::Page* TsDiaryData::FindPage(const char* levelName) const
{
    for (OmList::Node* node = m_pages.GetFirst(); node; node = node->next) {
        Page* page = OmList::ValueAt<Page>(node);
        if (SameName(page->levelName.Get(), levelName))
            return page;
    }
    return nullptr;
}

void TsDiaryData::AddEntry(const char* levelName, const char* levelTitle, const char* speaker, int32_t id,
                           const char* line)
{
    Page* page = FindPage(levelName);
    if (!page) {
        page = new Page;
        page->levelName = levelName;
        page->levelTitle = levelTitle;
        m_pages.AddTail(page);
    }
    Entry* entry = new Entry;
    entry->speaker = IsEmpty(speaker) ? "Banter" : speaker;
    entry->line = line;
    entry->id = id;
    page->entries.AddTail(entry);
}

void TsDiaryData::AddOverheard(const char* levelName, const char* levelTitle, const char* speakerName,
                               const char* line)
{
    AddEntry(levelName, levelTitle, IsEmpty(speakerName) ? "somebody" : speakerName, -1, line);
}

uint32_t TsDiaryData::GetEntryCount(const char* levelName) const
{
    const Page* page = FindPage(levelName);
    return page ? page->entries.GetCount() : 0;
}

void TsDiaryData::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteU32(m_pages.GetCount());
    for (OmList::Node* node = m_pages.GetFirst(); node; node = node->next) {
        const Page* page = OmList::ValueAt<const Page>(node);
        page->levelName.Write(archive);
        page->levelTitle.Write(archive);
        archive.WriteU32(page->entries.GetCount());
        for (OmList::Node* e = page->entries.GetFirst(); e; e = e->next) {
            const Entry* entry = OmList::ValueAt<const Entry>(e);
            entry->speaker.Write(archive);
            entry->line.Write(archive);
            archive.WriteI32(entry->id);
        }
    }
}

// Counts come from the file: each is checked against the bytes left before
// anything is made for it.
void TsDiaryData::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    uint32_t pageCount = 0;
    archive.ReadU32(pageCount);
    if (!archive.HasFailed() && !archive.CanRead(pageCount * kMinRecordBytes))
        archive.Fail("diary page count larger than the file");
    for (uint32_t p = 0; p < pageCount && !archive.HasFailed(); ++p) {
        Page* page = new Page;
        m_pages.AddTail(page);
        page->levelName.Read(archive);
        page->levelTitle.Read(archive);
        uint32_t entryCount = 0;
        archive.ReadU32(entryCount);
        if (!archive.HasFailed() && !archive.CanRead(entryCount * kMinRecordBytes))
            archive.Fail("diary entry count larger than the file");
        for (uint32_t i = 0; i < entryCount && !archive.HasFailed(); ++i) {
            Entry* entry = new Entry;
            page->entries.AddTail(entry);
            entry->speaker.Read(archive);
            entry->line.Read(archive);
            archive.ReadI32(entry->id);
        }
    }
}
