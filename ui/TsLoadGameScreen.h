// The title's list of saved games: every file of the "Save Games" folder
// named "<player> [<number>]", sorted by player and number or newest first,
// loaded by a double click or the load button, deleted after a Yes.
#pragma once

#include <cstdint>
#include <string>

#include "engine/OmString.h"
#include "ui/TsGuiListDialog.h"
#include "ui/TsTitleScreens.h"

struct TsSaveGameEntry : TsGuiListItem {
    OmString label;  // "<file> : <write time>"
    OmString file;   // the file's name in the save folder
    OmString player; // the player name
    int32_t writeTime = 0;
    int32_t number = 0;
};

// The list frame and scroll-bar skin of the title's two lists.
void ApplyTitleListSkin(TsGuiListDialog& list);

class TsSaveGameList : public TsGuiListDialog {
public:
    static constexpr int32_t kNameSize = 64;

    explicit TsSaveGameList(TsFrontEndBase* frontEnd);
    ~TsSaveGameList() override;

    void Open(TsGuiArg x, TsGuiArg y) override;
    void OnMouseDown(int32_t packed, uint32_t buttons) override;
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    float MeasureItem(TsGuiListItem* item, float contentWidth) override;
    void DrawItem(float x, float y, float right, float bottom, TsGuiListItem* item) override;

    // Reads the save folder (the folder's game path; "Save Games" normally).
    void Scan(const char* folder = kFolder);
    // Order 0: player names, then numbers, then newest first; order 1: newest
    // first. The first row shown and the selected row keep their places.
    void Sort(int32_t order);
    void LoadSelected();
    // Deletes the file and drops its entry, selecting its neighbour; an
    // entry whose file could not be removed stays.
    bool DeleteSelected();
    int32_t GetSortOrder() const { return m_sortOrder; }
    TsSaveGameEntry* EntryAt(int32_t index) const { return static_cast<TsSaveGameEntry*>(ItemByIndex(index)); }
    void SelectIndex(int32_t index) { SetSelected(ItemByIndex(index)); }

    // Splits "<player> [<number>]"; false for any other name.
    static bool ParseSaveName(const char* name, std::string& player, int32_t& number);
    // Negative, 0 or positive as a sorts before, with or after b.
    static int Compare(const TsSaveGameEntry& a, const TsSaveGameEntry& b, int32_t order);
    static const char* kFolder;

private:
    void DeleteAll();
    std::string PathOf(const TsSaveGameEntry& entry) const;

    int32_t m_sortOrder = 1;
    float m_rowHeight = 0.0f;
    std::string m_folder = kFolder;
    uint8_t m_scanned = 0;
    // The front end marks a double click on the second press, not on its
    // release: kept from the press until the release loads.
    uint8_t m_doubleClicked = 0;
};

class TsLoadSelectedButton : public TsFrontEndButton {
public:
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
};

class TsSortOrderButton : public TsFrontEndButton {
public:
    void Open(TsGuiArg x, TsGuiArg y) override;
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    void SetSortOrder(int32_t order);
    int32_t GetSortOrder() const { return m_order; }

private:
    int32_t m_order = 0;
};

class TsDeleteSaveButton : public TsFrontEndButton {
public:
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    void Update(float time) override;

private:
    int32_t m_waiting = 0;
};

class TsLoadGameScreen : public TsGuiWindow {
public:
    explicit TsLoadGameScreen(TsFrontEndBase* frontEnd);
    void Open(TsGuiArg x, TsGuiArg y) override;
    void Render(float fraction) override;

    TsBackButton back;
    TsSaveGameList list;
    TsLoadSelectedButton load;
    TsSortOrderButton sort;
    TsDeleteSaveButton erase;
};
