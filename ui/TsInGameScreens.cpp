// The in-game menu's larger screens: the diary, the tutorial window and the
// in-game options.
#include <algorithm>
#include <cstring>

#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsOptions.h"
#include "game/framework/TsScriptHost.h"
#include "game/objects/TsDiaryData.h"
#include "ui/TsActionInput.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsHUDe.h"
#include "ui/TsInGameWindows.h"

using TsActionInput::BackPressed;

namespace {

// A click let go on the HUD's comms button leaves a screen as Back does.
bool CommsReleased()
{
    const TsInput* input = TsAccess::Input();
    return input && input->IsActionReleased(TS_ACTION_SELECT) &&
           TsHUDe::IsCursorOnCommsButton(input->GetCursorX(), input->GetCursorY());
}

void PopOrClose(TsFrontEndBase* frontEnd)
{
    if (!frontEnd)
        return;
    frontEnd->PopWindow();
    if (auto* game = dynamic_cast<TsGameFrontEnd*>(frontEnd); game && !game->HasOpenWindows())
        game->SetActive(false, true);
}

void SetGameTutorialFlag(TsFrontEndBase* frontEnd, uint8_t allowed)
{
    if (auto* game = dynamic_cast<TsGameFrontEnd*>(frontEnd))
        game->SetTutorialFlag(allowed);
}

void SideFramed(TsGuiDialog& dialog, int32_t topRight)
{
    if (auto* game = dynamic_cast<TsGameFrontEnd*>(dialog.GetFrontEnd())) {
        TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
        game->SideFrame(frame, topRight);
        dialog.SetFrameSprites(frame);
    }
    dialog.SetShaded(true);
}

// The diary's pages (one per level), in the order they were begun.
const TsDiaryData::Page* PageAt(int32_t index)
{
    const TsDiaryData* diary = TsAccess::Diary();
    if (!diary || index < 0)
        return nullptr;
    int32_t i = 0;
    for (const OmList::Node* node = diary->GetPages().GetFirst(); node; node = node->next, ++i)
        if (i == index)
            return OmList::ValueAt<const TsDiaryData::Page>(node);
    return nullptr;
}

int32_t PageCount()
{
    const TsDiaryData* diary = TsAccess::Diary();
    return diary ? int32_t(diary->GetPageCount()) : 0;
}

const char* Text(const OmString& s) { return s.Get() ? s.Get() : ""; }

} // namespace

void CutToWidth(const TsFrontEndBase& frontEnd, const char* text, const char* stops, float room, char* out,
                size_t size)
{
    size_t n = std::min(std::strcspn(text, stops), size - 1);
    std::memcpy(out, text, n);
    out[n] = 0;
    float w = 0.0f, h = 0.0f;
    for (frontEnd.GetPlainTextExtent(out, w, h); n > 0 && w > room; frontEnd.GetPlainTextExtent(out, w, h))
        out[--n] = 0;
}


// ---- diary ----

TsDiaryScreen::TsDiaryScreen(TsFrontEndBase* frontEnd) : TsGuiWindow(frontEnd), entries(frontEnd), page(frontEnd)
{
    entries.SetPage(&page);
}

void TsDiaryScreen::Open(TsGuiArg x, TsGuiArg y)
{
    AddChild(&entries);
    AddChild(&page);
    TsGuiWindow::Open(x, y);
}

void TsDiaryScreen::Activate(TsGuiArg a, TsGuiArg b)
{
    TsGuiWindow::Activate(a, b);
    SetGameTutorialFlag(GetFrontEnd(), 0);
}

void TsDiaryScreen::Deactivate(TsGuiArg a, TsGuiArg b)
{
    TsGuiWindow::Deactivate(a, b);
    SetGameTutorialFlag(GetFrontEnd(), 1);
}

void TsDiaryScreen::Update(float time)
{
    TsGuiWindow::Update(time);
    if (BackPressed() || CommsReleased())
        PopOrClose(GetFrontEnd());
}

void TsDiaryEntryView::Open(TsGuiArg x, TsGuiArg y)
{
    SetRect(0.5f - 0.355f, 0.25f, 0.71f, 0.6f);
    TsGameListDialog::Open(x, y);
}

void TsDiaryEntryView::Render(float fraction)
{
    TsGameListDialog::Render(fraction);
    TsFrontEndBase* frontEnd = GetFrontEnd();
    const TsDiaryData::Page* diaryPage = m_page ? PageAt(m_page->GetSelected()) : nullptr;
    if (!frontEnd || !diaryPage || diaryPage->entries.GetCount() == 0)
        return;
    // The speakers' column is as wide as the widest name.
    float speakerWidth = 0.0f, w = 0.0f, h = 0.0f;
    for (const OmList::Node* n = diaryPage->entries.GetFirst(); n; n = n->next) {
        frontEnd->GetPlainTextExtent(Text(OmList::ValueAt<const TsDiaryData::Entry>(n)->speaker), w, h);
        speakerWidth = std::max(speakerWidth, w);
    }
    const int32_t lines = int32_t(diaryPage->entries.GetCount());
    const int32_t first = int32_t(list.GetValue() * float(lines - 1));
    const float left = GuiToPixelsX(m_x) + 12.0f, right = GuiToPixelsX(list.GetX()) - 4.0f;
    const float bottom = GuiToPixelsY(GetBottom()) - 12.0f;
    float y = GuiToPixelsY(m_y) + 12.0f;
    int32_t i = 0;
    for (const OmList::Node* n = diaryPage->entries.GetFirst(); n && y < bottom; n = n->next, ++i) {
        if (i < first)
            continue;
        const auto* entry = OmList::ValueAt<const TsDiaryData::Entry>(n);
        frontEnd->DrawPlainText(left, y, 0xFFC0C0FF, Text(entry->speaker), 0);
        float lw = 0.0f, lh = 0.0f;
        const float textLeft = left + speakerWidth + 16.0f;
        frontEnd->MeasureWrappedText(Text(entry->line), right - textLeft, bottom - y, lw, lh);
        frontEnd->DrawWrappedText(textLeft, y, right, bottom, 0xFFFFFFFF, Text(entry->line), 0);
        y += std::max(lh, h) + 2.0f;
    }
}

void TsDiaryPage::Open(TsGuiArg x, TsGuiArg y)
{
    SetRect(0.5f - 0.355f, 0.01f, 0.71f, 0.2f);
    SideFramed(*this, 12);
    AddChild(&list);
    TsGuiDialog::Open(x, y);
}

void TsDiaryPage::Activate(TsGuiArg a, TsGuiArg b)
{
    TsGuiDialog::Activate(a, b);
    m_selected = PageCount() - 1;
}

int32_t TsDiaryPage::EntryAt(float py, float lineHeight, int32_t entries) const
{
    if (entries <= 0 || lineHeight <= 0.0f)
        return -1;
    const int32_t first = int32_t(list.GetValue() * float(entries - 1));
    const int32_t row = int32_t((py - (GuiToPixelsY(m_y) + 12.0f)) / lineHeight);
    return std::clamp(row + first, 0, entries - 1);
}

void TsDiaryPage::OnMouseUp(int32_t packed, uint32_t buttons)
{
    TsGuiDialog::OnMouseUp(packed, buttons);
    TsFrontEndBase* frontEnd = GetFrontEnd();
    const float px = float(GuiPackedX(packed)), py = float(GuiPackedY(packed));
    if (!frontEnd || list.HitTest(px, py) || !HitTest(px, py))
        return;
    float w = 0.0f, line = 0.0f;
    frontEnd->GetPlainTextExtent("Sample", w, line);
    const int32_t picked = EntryAt(py, line, PageCount());
    if (picked >= 0)
        m_selected = picked;
}

void TsDiaryPage::Render(float fraction)
{
    TsGuiDialog::Render(fraction);
    TsFrontEndBase* frontEnd = GetFrontEnd();
    const int32_t count = PageCount();
    if (!frontEnd || count == 0)
        return;
    float w = 0.0f, line = 0.0f;
    frontEnd->GetPlainTextExtent("Sample", w, line);
    const int32_t first = int32_t(list.GetValue() * float(count - 1));
    const float left = GuiToPixelsX(m_x) + 12.0f, top = GuiToPixelsY(m_y) + 12.0f;
    const float bottom = GuiToPixelsY(GetBottom()) - 16.0f;
    for (int32_t i = first, row = 0; i < count; ++i, ++row) {
        const float y = top + float(row) * line;
        if (y + line > bottom)
            break;
        const TsDiaryData::Page* page = PageAt(i);
        const char* title = page ? (page->levelTitle.Get() ? page->levelTitle.Get() : Text(page->levelName)) : "";
        char shown[128];
        CutToWidth(*frontEnd, title ? title : "", "", GuiToPixelsX(m_width) - 8.0f, shown, sizeof shown);
        frontEnd->DrawPlainText(left, y, i == m_selected ? 0xFFFF0000 : 0xA0A0A0A0, shown, 0);
    }
}

// ---- tutorial ----

TsTutorialDialog::TsTutorialDialog(TsFrontEndBase* frontEnd) : TsGuiWindow(frontEnd), text(frontEnd), topics(frontEnd)
{
}

void TsTutorialDialog::Open(TsGuiArg x, TsGuiArg y)
{
    AddChild(&text);
    AddChild(&topics);
    TsGuiWindow::Open(x, y);
}

void TsTutorialDialog::Clear(int32_t capacity)
{
    m_fragments.RemoveAll();
    m_counter = std::max(0, capacity);
    text.SetText(nullptr);
}

void TsTutorialDialog::AddFragment(int32_t textId, int32_t index)
{
    if (index < 0)
        return;
    // The list grows up to the index one entry at a time: a script's
    // runaway number must not stall the game or exhaust its memory.
    if (index > kMaxFragmentIndex) {
        LogErrorF("TutorialDialogAddFragment: fragment index %d is past the last allowed, %d", index,
                  kMaxFragmentIndex);
        return;
    }
    while (int32_t(m_fragments.GetCount()) <= index)
        m_fragments.Add(-1);
    m_fragments[uint32_t(index)] = textId;
    if (index == 0)
        ShowFragment(0);
}

const char* TsTutorialDialog::GetFragment(int32_t i) const
{
    if (i < 0 || i >= GetFragmentCount() || m_fragments[uint32_t(i)] < 0)
        return "";
    return GameText(m_fragments[uint32_t(i)]);
}

void TsTutorialDialog::ShowFragment(int32_t i) { text.SetText(GetFragment(i)); }

void TsTutorialDialog::SetExitScript(const char* script)
{
    if (!script) {
        m_exitScript = "";
        return;
    }
    const size_t n = std::min(std::strlen(script), kMaxExitScript);
    if (n < std::strlen(script))
        LogErrorF("Tutorial: the exit script is longer than %zu characters and is cut", kMaxExitScript);
    char copy[kMaxExitScript + 1];
    std::memcpy(copy, script, n);
    copy[n] = 0;
    m_exitScript = copy;
}

// Only a closed lesson is over: one covered by a message or the objectives
// keeps its text for when it is uncovered.
void TsTutorialDialog::OnClose()
{
    SetGameTutorialFlag(GetFrontEnd(), 1);
    m_fragments.RemoveAll();
    text.SetText(nullptr);
    if (m_exitScript.Get() && *m_exitScript.Get()) {
        const OmString script = m_exitScript;
        m_exitScript = "";
        if (lua_State* L = TsAccess::LuaState())
            TsScriptHost::DoString(L, script.Get());
    }
}

void TsTextView::Open(TsGuiArg x, TsGuiArg y)
{
    SetRect(0.7f, 0.25f, 0.27f, 0.26f);
    SideFramed(*this, 12);
    AddChild(&list);
    TsGuiDialog::Open(x, y);
}

void TsTextView::Activate(TsGuiArg a, TsGuiArg b)
{
    TsGuiDialog::Activate(a, b);
    m_selected = 0;
    list.SetValue(0.0f);
}

void TsTextView::OnMouseUp(int32_t packed, uint32_t buttons)
{
    TsGuiDialog::OnMouseUp(packed, buttons);
    auto* tutorial = dynamic_cast<TsTutorialDialog*>(GetOwner());
    const float px = float(GuiPackedX(packed)), py = float(GuiPackedY(packed));
    if (!tutorial || list.HitTest(px, py) || !HitTest(px, py))
        return;
    const int32_t first = FirstShown(), end = EndShown();
    if (first >= end)
        return;
    const int32_t row = int32_t((py - (GuiToPixelsY(m_y) + kMargin)) / kLineHeight);
    m_selected = std::clamp(first + row, first, end - 1);
    tutorial->ShowFragment(m_selected);
}

// The bar scrolls the topics: its value picks the first one shown, and as
// many follow as there are rows inside the frame. Drawing and clicks both
// go by these rows.
int32_t TsTextView::FirstShown() const
{
    const auto* tutorial = dynamic_cast<const TsTutorialDialog*>(GetOwner());
    const int32_t topics = tutorial ? tutorial->GetFragmentCount() : 0;
    return topics > 0 ? std::clamp(int32_t(list.GetValue() * float(topics - 1)), 0, topics - 1) : 0;
}

int32_t TsTextView::EndShown() const
{
    const auto* tutorial = dynamic_cast<const TsTutorialDialog*>(GetOwner());
    const int32_t topics = tutorial ? tutorial->GetFragmentCount() : 0;
    const int32_t rows = std::max(int32_t((GuiToPixelsY(m_height) - 2.0f * kMargin) / kLineHeight), 1);
    return std::min(topics, FirstShown() + rows);
}

void TsTextView::Render(float fraction)
{
    TsGuiDialog::Render(fraction);
    auto* tutorial = dynamic_cast<TsTutorialDialog*>(GetOwner());
    TsFrontEndBase* frontEnd = GetFrontEnd();
    if (!tutorial || !frontEnd)
        return;
    const float left = GuiToPixelsX(m_x) + kMargin, top = GuiToPixelsY(m_y) + kMargin;
    const float room = GuiToPixelsX(m_width) - 25.0f;
    const int32_t first = FirstShown(), end = EndShown();
    for (int32_t i = first; i < end; ++i) {
        // A topic's title is its text up to the first line break or colon.
        char title[64];
        CutToWidth(*frontEnd, tutorial->GetFragment(i), "\n:", room, title, sizeof title);
        frontEnd->DrawPlainText(left, top + float(i - first) * kLineHeight, i == m_selected ? 0xFFFFFF00 : 0xFFFFFFFF,
                                title, 0);
    }
}

// ---- in-game options ----

TsInGameOptionsScreen::TsInGameOptionsScreen(TsFrontEndBase* frontEnd)
    : TsGuiWindow(frontEnd), volumes(frontEnd), picture(frontEnd)
{
}

void TsInGameOptionsScreen::Open(TsGuiArg x, TsGuiArg y)
{
    AddChild(&volumes);
    AddChild(&picture);
    AddChild(&effects);
    AddChild(&music);
    AddChild(&speech);
    AddChild(&gamma);
    volumes.SetClosable(true);
    TsGuiWindow::Open(x, y);
    volumes.SetTitle(GameText(30727));
    picture.SetTitle(GameText(30728));
    effects.SetLabel(GameText(30729));
    music.SetLabel(GameText(30730));
    speech.SetLabel(GameText(30731));
    gamma.SetLabel(GameText(30732));
    TsGameSlider* sliders[4] = {&effects, &music, &speech, &gamma};
    for (TsGameSlider* s : sliders)
        s->SetSize(0.25f, 0.1f);
    effects.SetPosition(0.0f, 0.0f);
    music.SetPosition(0.0f, 2.0f * effects.GetHeight());
    speech.SetPosition(0.0f, 4.0f * effects.GetHeight());
    gamma.SetPosition(0.0f, 0.0f);
    volumes.AddItem(&effects);
    volumes.AddItem(&music);
    volumes.AddItem(&speech);
    picture.AddItem(&gamma);
    volumes.Layout();
    picture.Layout();
    volumes.MoveTo(0.5f - volumes.GetWidth() / 2.0f, 0.5f - volumes.GetHeight());
    picture.MoveTo(0.5f - picture.GetWidth() / 2.0f, 0.5f + GuiToFractionY(4.0f));
}

void TsInGameOptionsScreen::Activate(TsGuiArg a, TsGuiArg b)
{
    TsGuiWindow::Activate(a, b);
    if (const TsOptions* options = TsAccess::Options()) {
        effects.SetValue(TsOptions::SliderPlaceOf(options->GetEffectsVolume()));
        music.SetValue(TsOptions::SliderPlaceOf(options->GetMusicVolume()));
        speech.SetValue(TsOptions::SliderPlaceOf(options->GetSpeechVolume()));
        gamma.SetValue(options->GetGamma());
    }
}

void TsInGameOptionsScreen::Update(float time)
{
    if (TsOptions* options = TsAccess::Options()) {
        options->SetEffectsVolume(TsOptions::VolumeAtSliderPlace(effects.GetValue()));
        options->SetMusicVolume(TsOptions::VolumeAtSliderPlace(music.GetValue()));
        options->SetSpeechVolume(TsOptions::VolumeAtSliderPlace(speech.GetValue()));
        options->SetGamma(gamma.GetValue());
        options->ApplyGamma();
    }
    TsGuiWindow::Update(time);
    if (BackPressed() || CommsReleased())
        PopOrClose(GetFrontEnd());
}

void TsInGameOptionsScreen::Deactivate(TsGuiArg a, TsGuiArg b)
{
    TsGuiWindow::Deactivate(a, b);
    if (const TsOptions* options = TsAccess::Options()) {
        options->Apply(TsOptions::APPLY_AUDIO);
        options->Save();
    }
}
