#include "game/framework/TsStartupDialogWindow.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "game/framework/TsLog.h"
#include "game/framework/TsStartupDialog.h"
#include "platform/ImageFile.h"
#include "platform/KeyCodes.h"

namespace {

using Rect = TsStartupDialogWindow::Rect;

constexpr uint32_t kFace = 0xFFD4D0C8u;
constexpr uint32_t kShadow = 0xFF808080u;
constexpr uint32_t kLight = 0xFFFFFFFFu;
constexpr uint32_t kInk = 0xFF000000u;
constexpr uint32_t kField = 0xFFFFFFFFu;
constexpr uint32_t kHighlight = 0xFF0A246Au;
constexpr uint32_t kHighlightInk = 0xFFFFFFFFu;
constexpr uint32_t kFocusInk = 0xFF404040u;

constexpr int kRowHeight = 18;
constexpr int kFontPixels = 13;
constexpr auto kIdleStep = std::chrono::milliseconds(10);

constexpr Rect kVideoGroup{136, 8, 344, 128};
constexpr Rect kAdapterLabelRect{148, 28, 320, 16};
constexpr Rect kAdapterListRect{148, 46, 320, 22};
constexpr Rect kModeLabelRect{148, 76, 320, 16};
constexpr Rect kModeListRect{148, 94, 320, 22};
constexpr Rect kDebugGroup{136, 144, 344, 52};
constexpr Rect kCheckRect{148, 166, 200, 18};
constexpr Rect kButtonRect{248, 208, 120, 30};

constexpr int kFocusOrder[] = {TsStartupDialog::kAdapterList, TsStartupDialog::kModeList,
                               TsStartupDialog::kDisableFmv, TsStartupDialog::kPlay};

bool IsList(int control)
{
    return control == TsStartupDialog::kAdapterList || control == TsStartupDialog::kModeList;
}

} // namespace

TsStartupDialogWindow::TsStartupDialogWindow(TsStartupDialog& dialog)
    : m_dialog(dialog), m_focus(TsStartupDialog::kAdapterList)
{
}

TsStartupDialogWindow::~TsStartupDialogWindow() = default;

bool TsStartupDialogWindow::Create(std::string* error)
{
    m_surface = plat::DialogSurface::Create(TsStartupDialog::kTitle, kWidth, kHeight, error);
    if (!m_surface)
        return false;
    std::string fontError;
    if (!m_font.Open("MS Sans Serif", kFontPixels, false, false, &fontError))
        LogErrorF("TsStartupDialog: no font for the dialog's texts: %s", fontError.c_str());
    LoadPicture();
    Draw();
    return true;
}

int TsStartupDialogWindow::Step()
{
    plat::DialogInput in;
    bool changed = false;
    while (m_result == 0 && m_surface->NextInput(in)) {
        Handle(in);
        changed = true;
    }
    if (m_result == 0 && m_surface->CloseRequested())
        m_result = TsStartupDialog::kQuit;
    // Drawn again only when something may look different.
    if (changed)
        Draw();
    else if (m_surface->TakeExposed())
        m_surface->Present();
    return m_result;
}

int TsStartupDialogWindow::RunModal()
{
    while (Step() == 0)
        std::this_thread::sleep_for(kIdleStep);
    return m_result;
}

TsStartupDialogWindow::Rect TsStartupDialogWindow::ControlRect(int control) const
{
    switch (control) {
    case TsStartupDialog::kPlay: return kButtonRect;
    case TsStartupDialog::kModeList: return kModeListRect;
    case TsStartupDialog::kAdapterList: return kAdapterListRect;
    case TsStartupDialog::kAdapterLabel: return kAdapterLabelRect;
    case TsStartupDialog::kModeLabel: return kModeLabelRect;
    case TsStartupDialog::kDisableFmv: return kCheckRect;
    case TsStartupDialog::kDebugGroup: return kDebugGroup;
    default: return Rect{};
    }
}

// The open list hangs below its control, moved up where the window ends.
TsStartupDialogWindow::Rect TsStartupDialogWindow::ItemRect(int index) const
{
    if (m_openList == 0 || index < m_firstRow || index >= m_firstRow + kVisibleRows || index >= ItemCount(m_openList))
        return Rect{};
    const Rect control = ControlRect(m_openList);
    const int rows = std::min(ItemCount(m_openList), kVisibleRows);
    const int top = std::min(control.y + control.h, kHeight - rows * kRowHeight);
    return Rect{control.x, top + (index - m_firstRow) * kRowHeight, control.w, kRowHeight};
}

int TsStartupDialogWindow::ItemCount(int control) const
{
    return control == TsStartupDialog::kAdapterList ? m_dialog.AdapterCount() : m_dialog.ModeCount();
}

int TsStartupDialogWindow::Selected(int control) const
{
    return control == TsStartupDialog::kAdapterList ? m_dialog.SelectedAdapter() : m_dialog.SelectedMode();
}

const std::string& TsStartupDialogWindow::ItemText(int control, int index) const
{
    return control == TsStartupDialog::kAdapterList ? m_dialog.AdapterText(index) : m_dialog.ModeText(index);
}

// ---- input -------------------------------------------------------------------

void TsStartupDialogWindow::Handle(const plat::DialogInput& in)
{
    using Kind = plat::DialogInput::Kind;
    switch (in.kind) {
    case Kind::KeyDown: KeyDown(in.key); break;
    case Kind::MouseDown:
        if (in.button == 0)
            MouseDown(in.x, in.y);
        break;
    case Kind::MouseUp:
        if (in.button == 0)
            MouseUp(in.x, in.y);
        break;
    case Kind::MouseMove:
        for (int i = m_firstRow; m_openList != 0 && i < m_firstRow + kVisibleRows; ++i) {
            if (ItemRect(i).Contains(in.x, in.y))
                m_highlight = i;
        }
        break;
    case Kind::Wheel: Wheel(in.wheel); break;
    }
}

void TsStartupDialogWindow::KeyDown(int key)
{
    if (m_openList != 0) {
        ListKey(key);
        return;
    }
    switch (key) {
    case plat::kKeyEscape: m_result = TsStartupDialog::kQuit; break;
    case plat::kKeyReturn:
    case plat::kKeyNumpadEnter: m_result = m_dialog.Play(); break;
    case plat::kKeyTab: {
        const int* at = std::find(std::begin(kFocusOrder), std::end(kFocusOrder), m_focus);
        const size_t next = (static_cast<size_t>(at - std::begin(kFocusOrder)) + 1) % std::size(kFocusOrder);
        m_focus = kFocusOrder[next];
        break;
    }
    case plat::kKeySpace:
        if (IsList(m_focus))
            OpenListOf(m_focus);
        else if (m_focus == TsStartupDialog::kDisableFmv)
            m_dialog.SetFmvDisabled(!m_dialog.IsFmvDisabled());
        else if (m_focus == TsStartupDialog::kPlay)
            m_result = m_dialog.Play();
        break;
    case plat::kKeyUp:
    case plat::kKeyDown:
        if (IsList(m_focus))
            Choose(m_focus, Selected(m_focus) + (key == plat::kKeyDown ? 1 : -1));
        break;
    default: break;
    }
}

void TsStartupDialogWindow::ListKey(int key)
{
    switch (key) {
    case plat::kKeyEscape: CloseList(); break;
    case plat::kKeyReturn:
    case plat::kKeyNumpadEnter:
    case plat::kKeySpace: Choose(m_openList, m_highlight); CloseList(); break;
    case plat::kKeyUp: MoveHighlight(-1); break;
    case plat::kKeyDown: MoveHighlight(1); break;
    case plat::kKeyPageUp: MoveHighlight(-kVisibleRows); break;
    case plat::kKeyPageDown: MoveHighlight(kVisibleRows); break;
    case plat::kKeyHome: MoveHighlight(-ItemCount(m_openList)); break;
    case plat::kKeyEnd: MoveHighlight(ItemCount(m_openList)); break;
    default: break;
    }
}

void TsStartupDialogWindow::MouseDown(int x, int y)
{
    if (m_openList != 0) {
        for (int i = m_firstRow; i < m_firstRow + kVisibleRows; ++i) {
            if (ItemRect(i).Contains(x, y)) {
                Choose(m_openList, i);
                break;
            }
        }
        CloseList();
        return;
    }
    for (int control : kFocusOrder) {
        if (!ControlRect(control).Contains(x, y))
            continue;
        m_focus = control;
        if (IsList(control))
            OpenListOf(control);
        else if (control == TsStartupDialog::kDisableFmv)
            m_dialog.SetFmvDisabled(!m_dialog.IsFmvDisabled());
        else
            m_buttonArmed = true;
        return;
    }
}

// The button works when it is both pressed and released on it.
void TsStartupDialogWindow::MouseUp(int x, int y)
{
    if (m_buttonArmed && kButtonRect.Contains(x, y))
        m_result = m_dialog.Play();
    m_buttonArmed = false;
}

void TsStartupDialogWindow::Wheel(int notches)
{
    if (m_openList == 0)
        return;
    const int lastFirst = std::max(ItemCount(m_openList) - kVisibleRows, 0);
    m_firstRow = std::clamp(m_firstRow - notches, 0, lastFirst);
}

void TsStartupDialogWindow::OpenListOf(int control)
{
    if (ItemCount(control) == 0)
        return;
    m_openList = control;
    m_highlight = std::max(Selected(control), 0);
    m_firstRow = 0;
    MoveHighlight(0);
}

void TsStartupDialogWindow::CloseList()
{
    m_openList = 0;
}

void TsStartupDialogWindow::MoveHighlight(int delta)
{
    const int count = ItemCount(m_openList);
    m_highlight = std::clamp(m_highlight + delta, 0, std::max(count - 1, 0));
    if (m_highlight < m_firstRow)
        m_firstRow = m_highlight;
    else if (m_highlight >= m_firstRow + kVisibleRows)
        m_firstRow = m_highlight - kVisibleRows + 1;
}

void TsStartupDialogWindow::Choose(int control, int index)
{
    if (control == TsStartupDialog::kAdapterList)
        m_dialog.SelectAdapter(index);
    else
        m_dialog.SelectMode(index);
}

// ---- drawing -------------------------------------------------------------------

// The art is cut to the panel once, so drawing is a plain copy. Without it
// the panel stays empty: the dialog works the same.
void TsStartupDialogWindow::LoadPicture()
{
    plat::Image image;
    std::string error;
    if (!plat::LoadImageFile(kPicture, image, nullptr, &error)) {
        LogErrorF("TsStartupDialog: the dialog's picture is missing: %s", error.c_str());
        return;
    }
    m_pictureWidth = std::min(static_cast<int>(image.width), kPictureRect.w);
    m_pictureHeight = std::min(static_cast<int>(image.height), kPictureRect.h);
    m_picture.clear();
    m_picture.reserve(static_cast<size_t>(m_pictureWidth) * static_cast<size_t>(m_pictureHeight));
    for (int y = 0; y < m_pictureHeight; ++y)
        for (int x = 0; x < m_pictureWidth; ++x)
            m_picture.push_back(image.At(static_cast<uint32_t>(x), static_cast<uint32_t>(y)));
}

void TsStartupDialogWindow::DrawPicture()
{
    plat::DialogSurface& s = *m_surface;
    const Rect r = kPictureRect;
    s.Fill(r.x, r.y, r.w, r.h, kShadow);
    if (!m_picture.empty())
        s.Picture(r.x + (r.w - m_pictureWidth) / 2, r.y + (r.h - m_pictureHeight) / 2, m_pictureWidth, m_pictureHeight,
                  m_picture.data());
}

void TsStartupDialogWindow::Draw()
{
    plat::DialogSurface& s = *m_surface;
    s.Fill(0, 0, kWidth, kHeight, kFace);
    DrawPicture();
    DrawGroup(kVideoGroup, "Video Settings");
    DrawGroup(kDebugGroup, "Debug Settings");
    s.Text(m_font, "Display Adapter", kAdapterLabelRect.x, kAdapterLabelRect.y, kAdapterLabelRect.w, kInk);
    s.Text(m_font, "Screen resolution", kModeLabelRect.x, kModeLabelRect.y, kModeLabelRect.w, kInk);
    DrawList(TsStartupDialog::kAdapterList);
    DrawList(TsStartupDialog::kModeList);
    DrawCheckBox();
    DrawButton();
    DrawOpenList();
    s.Present();
}

void TsStartupDialogWindow::DrawGroup(const Rect& r, const char* title)
{
    plat::DialogSurface& s = *m_surface;
    const int lineY = r.y + static_cast<int>(m_font.CellHeight()) / 2;
    s.Outline(r.x, lineY, r.w, r.h - (lineY - r.y), kShadow);
    const int textWidth = static_cast<int>(m_font.TextWidth(title));
    s.Fill(r.x + 8, r.y, textWidth + 4, static_cast<int>(m_font.CellHeight()), kFace);
    s.Text(m_font, title, r.x + 10, r.y, textWidth, kInk);
}

void TsStartupDialogWindow::DrawList(int control)
{
    plat::DialogSurface& s = *m_surface;
    const Rect r = ControlRect(control);
    s.Fill(r.x, r.y, r.w, r.h, kField);
    s.Outline(r.x, r.y, r.w, r.h, kShadow);
    // The drop-down arrow.
    const int ax = r.x + r.w - r.h;
    s.Fill(ax, r.y + 1, r.h - 1, r.h - 2, kFace);
    for (int row = 0; row < 4; ++row)
        s.Fill(ax + r.h / 2 - 4 + row, r.y + r.h / 2 - 2 + row, 8 - 2 * row, 1, kInk);
    const int selected = Selected(control);
    const int textY = r.y + (r.h - static_cast<int>(m_font.CellHeight())) / 2;
    if (selected >= 0 && selected < ItemCount(control)) {
        const bool focused = m_focus == control;
        if (focused)
            s.Fill(r.x + 2, r.y + 2, ax - r.x - 4, r.h - 4, kHighlight);
        s.Text(m_font, ItemText(control, selected), r.x + 4, textY, ax - r.x - 6, focused ? kHighlightInk : kInk);
    }
}

void TsStartupDialogWindow::DrawOpenList()
{
    if (m_openList == 0)
        return;
    plat::DialogSurface& s = *m_surface;
    const Rect first = ItemRect(m_firstRow);
    const int rows = std::min(ItemCount(m_openList) - m_firstRow, kVisibleRows);
    s.Fill(first.x, first.y, first.w, rows * kRowHeight, kField);
    s.Outline(first.x, first.y, first.w, rows * kRowHeight, kInk);
    for (int i = m_firstRow; i < m_firstRow + rows; ++i) {
        const Rect r = ItemRect(i);
        const bool lit = i == m_highlight;
        if (lit)
            s.Fill(r.x + 1, r.y, r.w - 2, r.h, kHighlight);
        s.Text(m_font, ItemText(m_openList, i), r.x + 4, r.y + 1, r.w - 8, lit ? kHighlightInk : kInk);
    }
}

void TsStartupDialogWindow::DrawCheckBox()
{
    plat::DialogSurface& s = *m_surface;
    const Rect r = kCheckRect;
    const int box = 13;
    const int by = r.y + (r.h - box) / 2;
    s.Fill(r.x, by, box, box, kField);
    s.Outline(r.x, by, box, box, kShadow);
    if (m_dialog.IsFmvDisabled()) {
        for (int i = 0; i < 7; ++i) {
            const int y = i < 3 ? by + 5 + i : by + 9 - (i - 2);
            s.Fill(r.x + 3 + i, y, 1, 3, kInk);
        }
    }
    s.Text(m_font, "Disable FMV", r.x + box + 6, r.y + (r.h - static_cast<int>(m_font.CellHeight())) / 2,
           r.w - box - 6, kInk);
    if (m_focus == TsStartupDialog::kDisableFmv)
        s.Outline(r.x + box + 3, r.y, r.w - box - 3, r.h, kFocusInk);
}

void TsStartupDialogWindow::DrawButton()
{
    plat::DialogSurface& s = *m_surface;
    const Rect r = kButtonRect;
    s.Fill(r.x, r.y, r.w, r.h, kFace);
    s.Outline(r.x, r.y, r.w, r.h, kInk);
    s.Fill(r.x + 1, r.y + 1, r.w - 2, 1, kLight);
    s.Fill(r.x + 1, r.y + 1, 1, r.h - 2, kLight);
    s.Fill(r.x + 1, r.y + r.h - 2, r.w - 2, 1, kShadow);
    s.Fill(r.x + r.w - 2, r.y + 1, 1, r.h - 2, kShadow);
    const char* text = "Play Tessaran";
    const int tw = static_cast<int>(m_font.TextWidth(text));
    s.Text(m_font, text, r.x + (r.w - tw) / 2, r.y + (r.h - static_cast<int>(m_font.CellHeight())) / 2, tw, kInk);
    if (m_focus == TsStartupDialog::kPlay)
        s.Outline(r.x + 4, r.y + 4, r.w - 8, r.h - 8, kFocusInk);
}
