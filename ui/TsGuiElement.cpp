#include "ui/TsGuiElement.h"

#include <cstring>

TsGuiElement::~TsGuiElement() { delete[] m_name; }

void TsGuiElement::SetName(const char* text)
{
    delete[] m_name;
    m_name = nullptr;
    if (!text) {
        return;
    }
    const size_t n = std::strlen(text) + 1;
    m_name = new char[n];
    std::memcpy(m_name, text, n);
}

bool TsGuiElement::HasName(const char* text) const { return m_name && text && std::strcmp(m_name, text) == 0; }

void TsGuiElement::DispatchEvent(int32_t code, TsGuiArg a, TsGuiArg b)
{
    switch (code) {
    case TS_GUI_OPEN: Open(a, b); break;
    case TS_GUI_ACTIVATE: Activate(a, b); break;
    case TS_GUI_DEACTIVATE: Deactivate(a, b); break;
    case TS_GUI_MOUSE_MOVE: OnMouseMove(int32_t(a), uint32_t(b)); break;
    case TS_GUI_MOUSE_DOWN: OnMouseDown(int32_t(a), uint32_t(b)); break;
    case TS_GUI_MOUSE_UP: OnMouseUp(int32_t(a), uint32_t(b)); break;
    case TS_GUI_RENDER: Render(GuiArgFloat(a)); break;
    case TS_GUI_UPDATE: Update(GuiArgFloat(a)); break;
    default: break; // 6 and unknown codes reach nothing
    }
}

void TsGuiControl::SetPosition(float x, float y)
{
    m_x = x;
    m_y = y;
    Layout();
}

void TsGuiControl::SetSize(float width, float height)
{
    m_width = width;
    m_height = height;
    Layout();
}

void TsGuiControl::SetRect(float x, float y, float width, float height)
{
    m_x = x;
    m_y = y;
    m_width = width;
    m_height = height;
    Layout();
}

bool TsGuiControl::Contains(float fx, float fy) const
{
    return m_x <= fx && fx <= m_x + m_width && m_y <= fy && fy <= m_y + m_height;
}

bool TsGuiControl::HitTest(float px, float py) const { return Contains(GuiToFractionX(px), GuiToFractionY(py)); }
