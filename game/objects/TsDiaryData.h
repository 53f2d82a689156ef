// The player's diary: per level, the lines overheard in banter and
// conversations, in the order they were heard. It is saved with the game.
#pragma once

#include <cstdint>

#include "engine/OmList.h"
#include "game/framework/TsObject.h"
#include "engine/OmString.h"

class TsDiaryData : public TsObject {
    OM_DECLARE_CLASS(TsDiaryData)

    struct Entry {
        OmString speaker;
        OmString line;
        int32_t id = -1; // dialogue string id, -1 for overheard lines
    };
    struct Page {
        OmString levelName;
        OmString levelTitle;
        OmList entries; // Entry*, owned
    };

    TsDiaryData() = default;
    explicit TsDiaryData(OmArchive& archive) : TsObject(archive) {}
    ~TsDiaryData() override;

    // Appends an entry to the page of the level (matched by exact name),
    // making the page (with the level's title) first when there is none.
    // No speaker writes the line as "Banter".
    void AddEntry(const char* levelName, const char* levelTitle, const char* speaker, int32_t id,
                  const char* line);
    // A line overheard from a speaker, known by its display name; no
    // speaker is "somebody".
    void AddOverheard(const char* levelName, const char* levelTitle, const char* speakerName,
                      const char* line);

    // Entries on the level's page; 0 when the level has none.
    uint32_t GetEntryCount(const char* levelName) const;
    uint32_t GetPageCount() const { return m_pages.GetCount(); }
    // The diary screen walks the pages (Page*) and their entries (Entry*).
    const OmList& GetPages() const { return m_pages; }

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

private:
    Page* FindPage(const char* levelName) const;
    static void FreePage(Page* page);

    OmList m_pages; // Page*, owned
};
