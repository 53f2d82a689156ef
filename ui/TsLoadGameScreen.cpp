#include "ui/TsLoadGameScreen.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include <sys/stat.h>

#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "platform/FilePath.h"
#include "ui/TsFrontEndBase.h"

namespace fs = std::filesystem;

const char* TsSaveGameList::kFolder = "Save Games";

namespace {

constexpr uint32_t kSelectedColour = 0xFFFFFFFF;
constexpr uint32_t kRowColour = 0x80808080;

int32_t WriteTimeOf(const fs::directory_entry& entry)
{
    struct stat info {};
    return ::stat(entry.path().c_str(), &info) == 0 ? int32_t(info.st_mtime) : 0;
}

// "<file> : <time>\n" as the C library prints times; a time it cannot
// break down is shown as unknown.
std::string LabelOf(const std::string& file, int32_t writeTime)
{
    const std::time_t t = writeTime;
    std::tm parts{};
    char when[64] = "unknown time\n";
    if (localtime_r(&t, &parts))
        std::strftime(when, sizeof when, "%a %b %e %H:%M:%S %Y\n", &parts);
    return file + " : " + when;
}

TsSaveGameList* ListOf(const TsGuiElement& element)
{
    auto* screen = dynamic_cast<TsLoadGameScreen*>(element.GetOwner());
    return screen ? &screen->list : nullptr;
}

} // namespace

void ApplyTitleListSkin(TsGuiListDialog& list)
{
    const TsFrontEndBase* f = list.GetFrontEnd();
    list.SetFrameSprites(TitleSprite(f, 14), TitleSprite(f, 9), TitleSprite(f, 15), TitleSprite(f, 10),
                         TitleSprite(f, 12), TitleSprite(f, 11), TitleSprite(f, 13));
    const TsGuiSpritePlacement scroll[6] = {TitleSprite(f, 16, 0, 0), TitleSprite(f, 17, 0, 0),
                                            TitleSprite(f, 18, 3, 66), TitleSprite(f, 19, 0, 0),
                                            TitleSprite(f, 20, 0, 0), TitleSprite(f, 21, 0, 0)};
    list.SetScrollSprites(scroll);
    list.SetScrollPressedSprites(TitleSprite(f, 22, 0, 0), TsGuiSpritePlacement(), TitleSprite(f, 23, 0, 0));
    list.GetFrame().SetFrameLines(true);
}

// ---- the list ----

TsSaveGameList::TsSaveGameList(TsFrontEndBase* frontEnd) : TsGuiListDialog(frontEnd) {}

TsSaveGameList::~TsSaveGameList() { DeleteAll(); }

void TsSaveGameList::DeleteAll()
{
    while (TsGuiListItem* item = GetFirstItem()) {
        RemoveItem(item);
        delete static_cast<TsSaveGameEntry*>(item);
    }
}

bool TsSaveGameList::ParseSaveName(const char* name, std::string& player, int32_t& number)
{
    char text[kNameSize] = {};
    int value = 0, used = -1;
    // The game names its saves "<player> [<n>] - <level>"; after the closing
    // bracket comes the level part or nothing, so "bob [2]x" is no save.
    if (!name || std::sscanf(name, "%63[a-zA-Z0-9 _\n\t] [%d]%n", text, &value, &used) != 2 || used < 0 ||
        (name[used] != '\0' && std::strncmp(name + used, " - ", 3) != 0))
        return false;
    player = text;
    if (!player.empty() && player.back() == ' ')
        player.pop_back();
    number = value;
    return true;
}

void TsSaveGameList::Scan(const char* folder)
{
    m_folder = folder ? folder : kFolder;
    m_scanned = 1;
    std::error_code error;
    fs::directory_iterator it(plat::ResolvePath(m_folder), error);
    if (error)
        return; // no saves yet
    for (const fs::directory_entry& file : it) {
        const std::string name = file.path().filename().string();
        if (file.is_directory(error) || name.find('.') != std::string::npos)
            continue;
        std::string player;
        int32_t number = 0;
        if (!ParseSaveName(name.c_str(), player, number))
            continue;
        auto* entry = new TsSaveGameEntry();
        entry->writeTime = WriteTimeOf(file);
        entry->label = LabelOf(name, entry->writeTime).c_str();
        entry->file = name.c_str();
        entry->player = player.c_str();
        entry->number = number;
        AddItem(entry);
    }
}

int TsSaveGameList::Compare(const TsSaveGameEntry& a, const TsSaveGameEntry& b, int32_t order)
{
    const auto newer = [&] { return a.writeTime > b.writeTime ? -1 : a.writeTime < b.writeTime ? 1 : 0; };
    if (order == 1)
        return newer();
    if (order != 0)
        return 0;
    const auto* pa = reinterpret_cast<const unsigned char*>(a.player.Get() ? a.player.Get() : "");
    const auto* pb = reinterpret_cast<const unsigned char*>(b.player.Get() ? b.player.Get() : "");
    while (*pa && *pa == *pb)
        ++pa, ++pb;
    if (*pa != *pb)
        return *pa < *pb ? -1 : 1;
    if (a.number != b.number)
        return a.number < b.number ? -1 : 1;
    return newer();
}

void TsSaveGameList::Sort(int32_t order)
{
    m_sortOrder = order;
    if (GetItemCount() < 2)
        return;
    const int32_t firstShown = m_firstVisible ? m_firstVisible->index : -1;
    const int32_t selected = GetSelected() ? GetSelected()->index : -1;
    std::vector<TsSaveGameEntry*> entries;
    for (TsGuiListItem* item = GetFirstItem(); item; item = item->next)
        entries.push_back(static_cast<TsSaveGameEntry*>(item));
    // Neighbours swap only when they compare greater, so equal entries keep
    // their order, as a stable sort keeps them.
    std::stable_sort(entries.begin(), entries.end(),
                     [order](const TsSaveGameEntry* a, const TsSaveGameEntry* b) { return Compare(*a, *b, order) < 0; });
    for (TsSaveGameEntry* entry : entries)
        RemoveItem(entry);
    for (TsSaveGameEntry* entry : entries)
        AddItem(entry);
    m_firstVisible = firstShown >= 0 ? ItemByIndex(firstShown) : GetFirstItem();
    SetSelected(selected >= 0 ? ItemByIndex(selected) : nullptr);
}

void TsSaveGameList::Open(TsGuiArg x, TsGuiArg y)
{
    if (!m_scanned)
        Scan(m_folder.c_str());
    ApplyTitleListSkin(*this);
    TsGuiListDialog::Open(x, y);
    float width = 0.0f, height = 0.0f;
    GetFrontEnd()->GetPlainTextExtent("0", width, height);
    m_rowHeight = height + 1.0f;
}

float TsSaveGameList::MeasureItem(TsGuiListItem* item, float)
{
    item->height = m_rowHeight;
    return m_rowHeight;
}

void TsSaveGameList::DrawItem(float x, float y, float right, float bottom, TsGuiListItem* item)
{
    const auto* entry = static_cast<const TsSaveGameEntry*>(item);
    GetFrontEnd()->DrawWrappedText(x, y, right, bottom, item == GetSelected() ? kSelectedColour : kRowColour,
                                   entry->label.Get(), 0);
}

void TsSaveGameList::OnMouseDown(int32_t packed, uint32_t buttons)
{
    m_doubleClicked = (buttons & TS_GUI_DOUBLE_CLICK) ? 1 : 0;
    TsGuiListDialog::OnMouseDown(packed, buttons);
}

void TsSaveGameList::OnMouseUp(int32_t packed, uint32_t buttons)
{
    const float px = float(GuiPackedX(packed)), py = float(GuiPackedY(packed));
    const bool doubleClicked = m_doubleClicked != 0;
    m_doubleClicked = 0;
    if (doubleClicked && !m_scroll.HitTest(px, py))
        LoadSelected();
    TsGuiListDialog::OnMouseUp(packed, buttons);
}

std::string TsSaveGameList::PathOf(const TsSaveGameEntry& entry) const
{
    return plat::ResolvePath(m_folder + "\\" + entry.file.Get());
}

void TsSaveGameList::LoadSelected()
{
    auto* entry = static_cast<TsSaveGameEntry*>(GetSelected());
    if (!entry)
        return;
    std::error_code error;
    if (!fs::exists(PathOf(*entry), error)) {
        DeleteSelected();
        ShowFrontEndMessage(TitleText(30618), TsGuiMessageBox::kOk, GetFrontEnd());
        return;
    }
    if (TsMain* app = TsMain::Instance())
        app->SetPendingLoad(entry->file.Get());
    GetFrontEnd()->EnterGame();
}

bool TsSaveGameList::DeleteSelected()
{
    auto* entry = static_cast<TsSaveGameEntry*>(GetSelected());
    if (!entry || GetItemCount() == 0)
        return false;
    const std::string path = PathOf(*entry);
    std::error_code error;
    if (std::remove(path.c_str()) != 0 && fs::exists(path, error)) {
        LogErrorF("Load screen: the saved game \"%s\" could not be deleted; it stays in the list", entry->file.Get());
        return false;
    }
    // The list moves the selection to the row before (or after) it, so a
    // player can delete one save after another without choosing again.
    RemoveItem(entry);
    delete entry;
    return true;
}

// ---- the buttons ----

void TsLoadSelectedButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    if (m_pressed)
        if (TsSaveGameList* list = ListOf(*this))
            list->LoadSelected();
    TsFrontEndButton::OnMouseUp(packed, buttons);
}

void TsSortOrderButton::Open(TsGuiArg x, TsGuiArg y)
{
    TsFrontEndButton::Open(x, y);
    const TsFrontEndBase* f = FrontEnd();
    SetSprites(TitleSprite(f, 40), TitleSprite(f, 41), TitleSprite(f, 42));
}

void TsSortOrderButton::SetSortOrder(int32_t order)
{
    m_order = order;
    if (TsSaveGameList* list = ListOf(*this))
        list->Sort(order);
    SetText("");
    SetSize(0.0f, GetHeight());
    SetText(TitleText(order == 1 ? 30604 : 30605));
}

void TsSortOrderButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    if (m_pressed && (m_order == 0 || m_order == 1))
        SetSortOrder(1 - m_order);
    TsFrontEndButton::OnMouseUp(packed, buttons);
}

void TsDeleteSaveButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    TsSaveGameList* list = ListOf(*this);
    if (m_pressed && list && list->GetItemCount() > 0) {
        ShowFrontEndMessage(TitleText(30606), TsGuiMessageBox::kYesNo, FrontEnd());
        m_waiting = 1;
    }
    TsFrontEndButton::OnMouseUp(packed, buttons);
}

void TsDeleteSaveButton::Update(float)
{
    TsFrontEndBase* frontEnd = FrontEnd();
    if (!m_waiting || !frontEnd || frontEnd->GetTopWindow() != GetOwner())
        return;
    if (frontEnd->GetMessageResult() == TsFrontEndBase::kResultYes)
        if (TsSaveGameList* list = ListOf(*this))
            list->DeleteSelected();
    m_waiting = 0;
}

// ---- the screen ----

TsLoadGameScreen::TsLoadGameScreen(TsFrontEndBase* frontEnd) : TsGuiWindow(frontEnd), list(frontEnd) {}

void TsLoadGameScreen::Open(TsGuiArg x, TsGuiArg y)
{
    AddChild(&back);
    AddChild(&load);
    AddChild(&list);
    AddChild(&sort);
    AddChild(&erase);
    load.SetText(TitleText(30619));
    erase.SetText(TitleText(30620));
    list.SetRect(0.1f, 0.15f, 0.7f, 0.6f);
    TsGuiWindow::Open(x, y);
    const float row = list.GetBottom() + GuiToFractionY(12.0f);
    const float gap = GuiToFractionX(8.0f);
    load.SetPosition(list.GetX(), row);
    erase.SetPosition(load.GetRight() + gap, row);
    sort.SetPosition(erase.GetRight() + gap, row);
    sort.SetSortOrder(1);
}

void TsLoadGameScreen::Render(float fraction)
{
    DrawScreenTitle(GetFrontEnd(), TitleText(30621));
    TsGuiWindow::Render(fraction);
}
