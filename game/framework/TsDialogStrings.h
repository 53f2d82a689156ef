// The game's table of spoken and displayed lines, read once at start-up from
// the tab-separated text file "scripts\script". Every display name,
// description and conversation line is referred to by a DialogStringId; the
// table gives for each id the audio file of the spoken line, the text shown
// on screen and a shorter text for the diary.
//
// File: two header lines, then one line per row with the fields id, audio
// file, two unused fields and the text, separated by single tabs; an empty
// line ends the table. In the text, the part between "<" and ">" is the
// diary text (the brackets vanish from the display text, their content
// stays) and every "^" is a line break.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmString.h"

using DialogStringId = int32_t;

class TsDialogStrings {
public:
    static constexpr const char* kFileName = "scripts\\script";
    // Ids above this are refused, so one stray number cannot make the id
    // table enormous.
    static constexpr DialogStringId kMaxId = 999999;

    // An empty table; Load fills it.
    TsDialogStrings();
    // Reads kFileName; a missing file leaves an empty table.
    explicit TsDialogStrings(const char* gamePath);
    ~TsDialogStrings() = default;
    TsDialogStrings(const TsDialogStrings&) = delete;
    TsDialogStrings& operator=(const TsDialogStrings&) = delete;

    // Replaces the table with the file's. False (and logged) when the file
    // cannot be opened; bad rows are logged and skipped.
    bool Load(const char* gamePath);

    // The row's texts; null for an id without a row, and for a row
    // without that text (no audio file, no diary part).
    const char* GetString(DialogStringId id) const;
    const char* GetAudioFile(DialogStringId id) const;
    const char* GetDiaryText(DialogStringId id) const;

    uint32_t GetRowCount() const { return m_rows.GetCount(); }

private:
    struct Row {
        OmString audioFile;
        OmString displayText;
        OmString diaryText;
    };

    const Row* RowOf(DialogStringId id) const;
    void Clear();
    bool AddLine(const char* line, int lineNumber);

    OmArray<int32_t> m_rowOfId{64}; // -1 for ids without a row
    OmArray<Row> m_rows{64};
};
