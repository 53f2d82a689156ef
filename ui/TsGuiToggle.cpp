#include "ui/TsGuiToggle.h"

#include "ui/TsFrontEndBase.h"
#include "ui/TsGuiButton.h"

namespace {

// The other toggles of a group in the toggle's window, in table order.
template <class Visit> void ForGroupMates(const TsGuiToggle& self, Visit visit)
{
    const TsGuiWindow* owner = self.GetOwner();
    if (!owner || self.GetGroup() == TsGuiToggle::kNoGroup) {
        return;
    }
    for (int32_t i = 0; i < owner->GetChildCount(); ++i) {
        TsGuiElement* child = owner->GetChild(i);
        if (child == &self || child->GetControlType() != 0) {
            continue;
        }
        auto* mate = dynamic_cast<TsGuiToggle*>(child);
        if (mate && mate->GetGroup() == self.GetGroup()) {
            visit(*mate);
        }
    }
}

} // namespace

void TsGuiToggle::SetLabel(const char* text)
{
    m_label = text;
    Layout();
}

void TsGuiToggle::SetSprites(const TsGuiSpritePlacement& box, const TsGuiSpritePlacement& check)
{
    m_box = box;
    m_check = check;
    Layout();
}

void TsGuiToggle::Layout()
{
    m_labelWidth = m_labelHeight = 0.0f;
    if (const TsFrontEndBase* frontEnd = GuiFrontEndOf(*this)) {
        frontEnd->GetPlainTextExtent(m_label, m_labelWidth, m_labelHeight);
    }
    m_width = GuiToFractionX(m_box.GetPixelWidth());
    m_height = GuiToFractionY(m_box.GetPixelHeight());
}

float TsGuiToggle::GetX() const { return m_x - GuiToFractionX(m_labelWidth); }

float TsGuiToggle::GetWidth() const { return m_width + GuiToFractionX(m_labelWidth); }

void TsGuiToggle::SetChecked(bool state)
{
    m_checked = state ? 1 : 0;
    OnChanged(state);
    if (state) {
        ForGroupMates(*this, [](TsGuiToggle& mate) { mate.SetChecked(false); });
    }
}

void TsGuiToggle::Open(TsGuiArg, TsGuiArg)
{
    if (m_group == kNoGroup) {
        return;
    }
    bool taken = false;
    ForGroupMates(*this, [&taken](TsGuiToggle& mate) { taken = taken || mate.IsChecked(); });
    if (!taken) {
        SetChecked(true);
    }
}

void TsGuiToggle::OnMouseDown(int32_t, uint32_t) { SetChecked(m_group != kNoGroup ? true : !IsChecked()); }

void TsGuiToggle::Render(float)
{
    const float x0 = GuiToPixelsX(m_x), y0 = GuiToPixelsY(m_y);
    m_box.Draw(x0, y0);
    if (m_checked) {
        m_check.Draw(x0, y0);
    }
    if (const TsFrontEndBase* frontEnd = GuiFrontEndOf(*this)) {
        const float y = y0 + m_check.GetPixelHeight() / 2.0f - m_labelHeight / 2.0f;
        frontEnd->DrawPlainText(x0 - m_labelWidth - 4.0f, y, 0xFFFFFFFFu, m_label, 0);
    }
}
