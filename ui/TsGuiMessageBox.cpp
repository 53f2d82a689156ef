#include "ui/TsGuiMessageBox.h"

#include <algorithm>
#include <cstring>

#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"
#include "platform/KeyCodes.h"
#include "ui/TsFrontEndBase.h"

TsGuiMessageBox::TsGuiMessageBox(const char* text, int32_t kind, TsFrontEndBase* frontEnd, TsGuiButtonFactory factory)
    : TsGuiDialog(frontEnd), m_kind(kind), m_factory(factory)
{
    const char* source = text ? text : "";
    const size_t n = std::strlen(source) + 1;
    m_text = new char[n];
    std::memcpy(m_text, source, n);
    m_x = m_y = 0.3f;
    m_width = m_height = 0.4f;
}

TsGuiMessageBox::~TsGuiMessageBox()
{
    for (int32_t i = 0; i < m_buttonCount; ++i) {
        delete m_buttons[i];
    }
    delete[] m_text;
}

void TsGuiMessageBox::Open(TsGuiArg a, TsGuiArg b)
{
    OpenWith(int32_t(a), reinterpret_cast<const TsGuiMessageButton*>(b));
}

void TsGuiMessageBox::AddButton(const char* text, int32_t result)
{
    if (m_buttonCount >= kMaxButtons) {
        return;
    }
    TsGuiButton* button = m_factory ? m_factory(*this) : new TsGuiButton;
    if (!button) {
        return;
    }
    AddChild(button); // first, so the text is measured with the owner's font
    button->SetText(text);
    m_buttons[m_buttonCount] = button;
    m_results[m_buttonCount] = result;
    ++m_buttonCount;
}

void TsGuiMessageBox::OpenWith(int32_t count, const TsGuiMessageButton* list)
{
    if (IsOpen()) {
        return;
    }
    // A Return that is down as the box opens (the one that confirmed what
    // came before) is not a press; one that goes down later is, even before
    // the box's first tick.
    const TsInput* input = TsAccess::Input();
    m_returnWasDown = (!input || input->IsKeyDown(plat::kKeyReturn)) ? 1 : 0;
    switch (m_kind) {
    case kOk: AddButton("OK", TsFrontEndBase::kResultOk); break;
    case kOkCancel:
        AddButton("OK", TsFrontEndBase::kResultOk);
        AddButton("Cancel", TsFrontEndBase::kResultCancel);
        break;
    case kYesNo:
        AddButton("Yes", TsFrontEndBase::kResultYes);
        AddButton("No", TsFrontEndBase::kResultNo);
        break;
    default:
        // Only the first four of a longer list fit.
        for (int32_t i = 0; list && i < std::min(count, kMaxButtons); ++i) {
            AddButton(list[i].text, list[i].result);
        }
        break;
    }
    if (m_frontEnd) {
        m_frontEnd->MeasureWrappedText(m_text, float(TsAccess::ScreenWidth()) / 2.0f,
                                       float(TsAccess::ScreenHeight()) / 2.0f, m_textWidth, m_textHeight);
    }
    // The buttons take their images as they open, and with them their
    // size: the box is measured on the buttons as they will be drawn.
    TsGuiWindow::Open(count, TsGuiArg(list));
    PlaceBox();
    // The buttons stacked under the text, each centred.
    float y = m_y + GuiToFractionY(m_textHeight + 32.0f);
    for (int32_t i = 0; i < m_buttonCount; ++i) {
        TsGuiButton* button = m_buttons[i];
        button->SetPosition(m_x + (m_width - button->GetWidth()) / 2.0f, y);
        y += button->GetHeight() + GuiToFractionY(8.0f);
    }
}

void TsGuiMessageBox::PlaceBox()
{
    float height = GuiToFractionY(m_textHeight + 92.0f);
    if (m_buttonCount > 0) {
        float buttons = 0.0f;
        for (int32_t i = 0; i < m_buttonCount; ++i) {
            buttons += m_buttons[i]->GetHeight();
        }
        height = GuiToFractionY(m_frame[TS_FRAME_TOP_LEFT].GetPixelHeight()) +
                 GuiToFractionY(m_frame[TS_FRAME_BOTTOM_LEFT].GetPixelHeight()) + buttons +
                 GuiToFractionY(m_textHeight + 32.0f) + float(m_buttonCount) * GuiToFractionY(8.0f) +
                 GuiToFractionY(32.0f);
    }
    const float width = std::max(GuiToFractionX(m_textWidth + 64.0f), GetWidestChild() + GuiToFractionX(64.0f));
    SetRect(0.5f - width / 2.0f, 0.5f - height / 2.0f, width, height);
    m_x = 0.5f - m_width / 2.0f; // centred again on the width rounded to whole tiles
}

void TsGuiMessageBox::Choose(int32_t result)
{
    if (result == -1 || !m_frontEnd) {
        return;
    }
    m_frontEnd->SetMessageResult(result);
    // Only the box on top pops: popping anything else would close the wrong window.
    if (m_frontEnd->GetTopWindow() == this) {
        m_frontEnd->PopWindow(); // may delete this box: nothing after it
    }
}

void TsGuiMessageBox::OnMouseUp(int32_t packed, uint32_t buttons)
{
    for (int32_t i = 0; i < m_buttonCount; ++i) {
        if (!m_buttons[i]->IsHovered()) {
            continue;
        }
        if (m_results[i] != -1) {
            Choose(m_results[i]);
            return;
        }
        break;
    }
    TsGuiWindow::OnMouseUp(packed, buttons);
}

void TsGuiMessageBox::Update(float time)
{
    TsGuiWindow::Update(time);
    const TsInput* input = TsAccess::Input();
    if (!input) {
        return;
    }
    // The key going down chooses, not the key held: the press that confirmed
    // a dialog must not also dismiss the box that follows it. The tick's own
    // state of the key keeps a tap that fell between two ticks.
    const bool down = input->IsKeyDown(plat::kKeyReturn);
    const bool pressed = down && !m_returnWasDown;
    m_returnWasDown = down ? 1 : 0;
    if (pressed && m_buttonCount > 0) {
        Choose(m_results[0]);
    }
}

void TsGuiMessageBox::Render(float fraction)
{
    TsGuiDialog::Render(fraction);
    if (!m_frontEnd) {
        return;
    }
    const float x0 = GuiToPixelsX(m_x), y0 = GuiToPixelsY(m_y);
    const float left = x0 + (GuiToPixelsX(m_width) - m_textWidth) / 2.0f;
    const float top = y0 + std::max(m_frame[TS_FRAME_TOP].GetPixelHeight(), 16.0f);
    // The measured width (the wrap width once the text wraps) is whole
    // pixels, so one more pixel keeps every line where it was measured.
    m_frontEnd->DrawWrappedText(left, top, left + m_textWidth + 1.0f, 10000.0f, 0xFFFFFFFFu, m_text, 0);
}
