#include "ui/TsGuiEditBox.h"

#include <cstring>

#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"
#include "platform/KeyCodes.h"
#include "render/OmD3DFont.h"
#include "ui/TsFrontEndBase.h"
#include "ui/TsGuiButton.h"

namespace {

// The widest glyph cell of a font, in pixels.
float CellWidth(const OmD3DFont& font)
{
    float widest = 0.0f;
    for (unsigned c = OmD3DFont::kFirstChar; c < OmD3DFont::kLastChar; ++c) {
        const OmD3DFont::Glyph& g = font.GetGlyph(static_cast<unsigned char>(c));
        const float w = (g.right - g.left) * float(font.GetTextureSize());
        widest = w > widest ? w : widest;
    }
    return widest;
}

} // namespace

void TsGuiEditBox::SetLabel(const char* text)
{
    m_label = text;
    Layout();
}

void TsGuiEditBox::SetSprites(const TsGuiSpritePlacement& left, const TsGuiSpritePlacement& middle,
                              const TsGuiSpritePlacement& right)
{
    m_left = left;
    m_middle = middle;
    m_right = right;
    Layout();
}

void TsGuiEditBox::Layout()
{
    const TsFrontEndBase* frontEnd = GuiFrontEndOf(*this);
    m_labelWidth = m_labelHeight = 0.0f;
    if (frontEnd) {
        frontEnd->GetTitleTextExtent(m_label, m_labelWidth, m_labelHeight);
    }
    m_caretHeight = m_labelHeight;
    const float x0 = GuiToPixelsX(m_x);
    float right = GuiToPixelsX(m_x + m_width);
    const float L = m_left.GetPixelWidth(), M = m_middle.GetPixelWidth(), R = m_right.GetPixelWidth();
    m_tileCount = TilesFor(right - x0 - (L + R), M);
    if (m_tileCount > 0) {
        right = x0 + float(m_tileCount) * M + L + R;
        m_width = GuiToFractionX(right - x0);
    }
    const OmD3DFont* font = frontEnd ? frontEnd->GetTitleFont() : nullptr;
    const float cell = font ? CellWidth(*font) : 0.0f;
    m_capacity = cell > 0.0f ? int32_t((right - x0 - 24.0f) / cell) : kTextSize;
    MoveCaret(m_caretIndex);
}

int32_t TsGuiEditBox::GetLength() const { return int32_t(std::strlen(m_text)); }

void TsGuiEditBox::ClearText()
{
    m_text[0] = '\0';
    m_caretIndex = 0;
    m_caretOffset = 0.0f;
}

void TsGuiEditBox::SetText(const char* text)
{
    ClearText();
    if (text) {
        std::strncpy(m_text, text, kTextSize - 1);
        m_text[kTextSize - 1] = '\0';
    }
    MoveCaret(GetLength());
}

float TsGuiEditBox::CharWidth(char c) const
{
    const char text[2] = {c, '\0'};
    float w = 0.0f, h = 0.0f;
    if (const TsFrontEndBase* frontEnd = GuiFrontEndOf(*this)) {
        frontEnd->GetTitleTextExtent(text, w, h);
    }
    return w;
}

float TsGuiEditBox::TextWidth(int32_t count) const
{
    float w = 0.0f;
    for (int32_t i = 0; i < count && m_text[i]; ++i) {
        w += CharWidth(m_text[i]);
    }
    return w;
}

bool TsGuiEditBox::Insert(char c)
{
    // Only characters the font draws: a key that types a control character
    // (tab, return) must not end up in a name.
    if (c < 32 || c > 126) {
        return false;
    }
    const int32_t length = GetLength();
    if (c >= 'a' && c <= 'z') {
        c = char(c - 'a' + 'A');
    }
    const float w = CharWidth(c);
    const float limit = float(int32_t(GuiToPixelsX(m_width) - 24.0f));
    if (length >= kTextSize - 1 || TextWidth(length) + w >= limit) {
        return false;
    }
    std::memmove(m_text + m_caretIndex + 1, m_text + m_caretIndex, size_t(length - m_caretIndex) + 1);
    m_text[m_caretIndex] = c;
    m_caretOffset += w;
    ++m_caretIndex;
    return true;
}

void TsGuiEditBox::DeleteBackward()
{
    if (m_caretIndex <= 0) {
        return;
    }
    MoveCaret(m_caretIndex - 1);
    DeleteForward();
}

void TsGuiEditBox::DeleteForward()
{
    const int32_t length = GetLength();
    if (m_caretIndex >= length) {
        return;
    }
    std::memmove(m_text + m_caretIndex, m_text + m_caretIndex + 1, size_t(length - m_caretIndex));
}

void TsGuiEditBox::MoveCaret(int32_t index)
{
    const int32_t length = GetLength();
    m_caretIndex = index < 0 ? 0 : (index > length ? length : index);
    m_caretOffset = TextWidth(m_caretIndex);
}

void TsGuiEditBox::Activate(TsGuiArg, TsGuiArg)
{
    if (TsInput* input = TsAccess::Input()) {
        input->FlushKeyboard();
    }
}

void TsGuiEditBox::OnMouseDown(int32_t packed, uint32_t)
{
    if (!m_focused) {
        MoveCaret(GetLength());
        m_focused = 1;
        return;
    }
    // Measured from where the text starts, as it is drawn.
    const float dx = float(GuiPackedX(packed)) - (GuiToPixelsX(m_x) + 12.0f);
    float left = 0.0f;
    for (int32_t i = 0; m_text[i]; ++i) {
        const float right = left + CharWidth(m_text[i]);
        if (left < dx && dx < right) {
            MoveCaret(i);
            return;
        }
        left = right;
    }
    MoveCaret(GetLength());
}

void TsGuiEditBox::Update(float)
{
    TsInput* input = TsAccess::Input();
    if (!input) {
        return;
    }
    if (input->IsActionReleased(TS_ACTION_SELECT) && !HitTest(float(input->GetCursorX()), float(input->GetCursorY()))) {
        m_focused = 0;
    }
    if (m_focused) {
        ReadHeldKeys();
        ReadTypedKeys();
    }
    input->FlushKeyboard();
}

// Held editing keys repeat once a tick; only the focused box acts on them,
// so a held BACKSPACE does not eat the text of every box on the screen.
void TsGuiEditBox::ReadHeldKeys()
{
    const TsInput* input = TsAccess::Input();
    if (input->IsKeyDown(plat::kKeyBackspace)) {
        DeleteBackward();
    } else if (input->IsKeyDown(plat::kKeyDelete)) {
        DeleteForward();
    } else if (input->IsKeyDown(plat::kKeyLeft)) {
        MoveCaret(m_caretIndex - 1);
    } else if (input->IsKeyDown(plat::kKeyRight)) {
        MoveCaret(m_caretIndex + 1);
    }
}

void TsGuiEditBox::ReadTypedKeys()
{
    TsInput* input = TsAccess::Input();
    TsKeyEvent events[TsInput::kMaxBufferedKeys];
    const int n = input->GetBufferedKeys(TsInput::kMaxBufferedKeys, events);
    for (int i = 0; i < n; ++i) {
        if (!events[i].pressed) {
            continue;
        }
        const int code = int(events[i].code);
        if (const char c = input->KeyToChar(code)) {
            Insert(c);
        } else if (code == plat::kKeyHome) {
            MoveCaret(0);
        } else if (code == plat::kKeyEnd) {
            MoveCaret(GetLength());
        }
    }
}

void TsGuiEditBox::Render(float)
{
    const float x0 = GuiToPixelsX(m_x), y0 = GuiToPixelsY(m_y);
    const float L = m_left.GetPixelWidth(), M = m_middle.GetPixelWidth();
    m_left.Draw(x0, y0);
    for (int32_t i = 0; i < m_tileCount; ++i) {
        m_middle.Draw(x0 + L + float(i) * M, y0);
    }
    m_right.Draw(x0 + L + float(m_tileCount) * M, y0);
    const TsFrontEndBase* frontEnd = GuiFrontEndOf(*this);
    if (!frontEnd) {
        return;
    }
    const float ty = y0 + m_left.GetPixelHeight() / 2.0f - m_labelHeight / 2.0f;
    frontEnd->DrawTitleText(x0 - m_labelWidth - 8.0f, ty, 0xFFFFFFFFu, m_label, 0);
    frontEnd->DrawTitleText(x0 + 12.0f, ty, 0xFFFFFFFFu, m_text, 0);
    if (m_focused) {
        const float cx = x0 + 12.0f + m_caretOffset;
        const float caret[4] = {cx, ty, cx, ty + m_caretHeight};
        DrawGuiLines(caret, 1, 0xFFFFFFFFu);
    }
}
