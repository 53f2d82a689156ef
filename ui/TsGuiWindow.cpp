#include "ui/TsGuiWindow.h"

#include <algorithm>

namespace {

// A child that takes part in hit tests: it accepts input and has a rectangle.
TsGuiControl* InputControl(TsGuiElement* child) { return child->AcceptsInput() ? child->AsControl() : nullptr; }

} // namespace

TsGuiWindow::TsGuiWindow(TsFrontEndBase* frontEnd) : m_frontEnd(frontEnd)
{
    m_width = 1.0f;
    m_height = 1.0f;
}

void TsGuiWindow::Open(TsGuiArg x, TsGuiArg y)
{
    ForwardEvent(TS_GUI_OPEN, x, y);
    m_open = 1;
}

void TsGuiWindow::Activate(TsGuiArg a, TsGuiArg b) { ForwardEvent(TS_GUI_ACTIVATE, a, b); }

// The window's own hover stays as it is.
void TsGuiWindow::Deactivate(TsGuiArg a, TsGuiArg b) { ForwardEvent(TS_GUI_DEACTIVATE, a, b); }

void TsGuiWindow::OnMouseMove(int32_t packed, uint32_t buttons)
{
    const float px = float(GuiPackedX(packed)), py = float(GuiPackedY(packed));
    for (int32_t i = 0; i < m_childCount; ++i) {
        TsGuiControl* control = InputControl(m_children[i]);
        if (control) {
            control->SetHover(control->HitTest(px, py));
        }
    }
    ForwardEvent(TS_GUI_MOUSE_MOVE, packed, buttons);
}

void TsGuiWindow::OnMouseDown(int32_t packed, uint32_t buttons) { RouteMouse(TS_GUI_MOUSE_DOWN, packed, buttons); }

void TsGuiWindow::OnMouseUp(int32_t packed, uint32_t buttons) { RouteMouse(TS_GUI_MOUSE_UP, packed, buttons); }

void TsGuiWindow::RouteMouse(int32_t code, int32_t packed, uint32_t buttons)
{
    const float fx = GuiToFractionX(float(GuiPackedX(packed)));
    const float fy = GuiToFractionY(float(GuiPackedY(packed)));
    for (int32_t i = 0; i < m_childCount; ++i) {
        TsGuiElement* child = m_children[i];
        TsGuiControl* control = InputControl(child);
        if (!control || control->Contains(fx, fy)) {
            child->DispatchEvent(code, packed, buttons);
        }
    }
}

void TsGuiWindow::Reserved(TsGuiArg a, TsGuiArg b) { ForwardEvent(TS_GUI_RESERVED, a, b); }

void TsGuiWindow::Render(float fraction) { ForwardEvent(TS_GUI_RENDER, GuiFloatArg(fraction), 0); }

void TsGuiWindow::Update(float time) { ForwardEvent(TS_GUI_UPDATE, GuiFloatArg(time), 0); }

void TsGuiWindow::AddChild(TsGuiElement* element)
{
    if (!element || m_childCount + 1 >= kMaxChildren + 1) {
        return;
    }
    m_children[m_childCount++] = element;
    element->SetOwner(this);
}

int32_t TsGuiWindow::IndexOfChild(const TsGuiElement* element) const
{
    for (int32_t i = 0; i < m_childCount; ++i) {
        if (m_children[i] == element) {
            return i;
        }
    }
    return -1;
}

float TsGuiWindow::GetWidestChild() const
{
    float widest = 0.0f;
    for (int32_t i = 0; i < m_childCount; ++i) {
        if (const TsGuiControl* control = InputControl(m_children[i])) {
            widest = std::max(widest, control->GetWidth());
        }
    }
    return widest;
}

void TsGuiWindow::ForwardEvent(int32_t code, TsGuiArg a, TsGuiArg b)
{
    for (int32_t i = 0; i < m_childCount; ++i) {
        m_children[i]->DispatchEvent(code, a, b);
    }
}
