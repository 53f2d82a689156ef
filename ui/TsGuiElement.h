// The bases of the retained GUI: an element is a named thing that receives
// events, a control is an element with a rectangle in screen fractions.
// Actions are subclasses, not callbacks: a concrete button does its work in
// OnMouseUp.
#pragma once

#include <cstdint>

#include "ui/TsGuiDraw.h"

class TsGuiControl;
class TsGuiWindow;

// The event codes of DispatchEvent and TsGuiWindow::ForwardEvent.
enum TsGuiEvent : int32_t {
    TS_GUI_OPEN = 0,
    TS_GUI_ACTIVATE = 1,
    TS_GUI_DEACTIVATE = 2,
    TS_GUI_MOUSE_MOVE = 3,
    TS_GUI_MOUSE_DOWN = 4,
    TS_GUI_MOUSE_UP = 5,
    TS_GUI_RESERVED = 6, // reaches nothing
    TS_GUI_RENDER = 7,   // a = the tick fraction (GuiFloatArg)
    TS_GUI_UPDATE = 8,   // a = the game time (GuiFloatArg)
};

class TsGuiElement {
public:
    TsGuiElement() = default;
    virtual ~TsGuiElement();
    TsGuiElement(const TsGuiElement&) = delete;
    TsGuiElement& operator=(const TsGuiElement&) = delete;

    // 0 for toggles (radio groups look for them), -1 otherwise.
    virtual int32_t GetControlType() const { return -1; }
    virtual bool AcceptsInput() const { return false; }
    virtual void Open(TsGuiArg, TsGuiArg) {}
    virtual void Activate(TsGuiArg, TsGuiArg) {}
    virtual void Deactivate(TsGuiArg, TsGuiArg) {}
    virtual void OnMouseMove(int32_t, uint32_t) {}
    virtual void OnMouseDown(int32_t, uint32_t) {}
    virtual void OnMouseUp(int32_t, uint32_t) {}
    virtual void Reserved(TsGuiArg, TsGuiArg) {}
    virtual void Render(float) {}
    virtual void Update(float) {}
    // The element as a control; null for elements without a rectangle.
    virtual TsGuiControl* AsControl() { return nullptr; }

    // A copy of the text (null clears the name).
    void SetName(const char* text);
    const char* GetName() const { return m_name; }
    // Exact, case-sensitive; false for a null text or an unnamed element.
    bool HasName(const char* text) const;
    // Calls the operation the event code names; unknown codes do nothing.
    void DispatchEvent(int32_t code, TsGuiArg a, TsGuiArg b);

    TsGuiWindow* GetOwner() const { return m_owner; }
    void SetOwner(TsGuiWindow* owner) { m_owner = owner; }

private:
    char* m_name = nullptr;
    TsGuiWindow* m_owner = nullptr;
};

class TsGuiControl : public TsGuiElement {
public:
    bool AcceptsInput() const override { return true; }
    void Deactivate(TsGuiArg, TsGuiArg) override { m_hover = 0; }
    TsGuiControl* AsControl() override { return this; }

    // The reported rectangle (toggles and sliders widen it by their label).
    virtual float GetX() const { return m_x; }
    virtual float GetY() const { return m_y; }
    virtual float GetWidth() const { return m_width; }
    virtual float GetHeight() const { return m_height; }
    // Recomputes the control's parts after a change of rectangle or sprites.
    virtual void Layout() {}

    void SetPosition(float x, float y);
    void SetSize(float width, float height);
    void SetRect(float x, float y, float width, float height);
    void SetHover(bool hover) { m_hover = hover ? 1 : 0; }
    bool IsHovered() const { return m_hover != 0; }

    // Fractions, all four edges inclusive.
    bool Contains(float fx, float fy) const;
    // A pixel position.
    bool HitTest(float px, float py) const;
    float GetRight() const { return m_x + m_width; }
    // The stored position, without the widening of the reported rectangle.
    float GetPositionX() const { return m_x; }
    float GetPositionY() const { return m_y; }
    float GetBottom() const { return m_y + m_height; }

protected:
    float m_x = 0.0f, m_y = 0.0f, m_width = 0.0f, m_height = 0.0f;
    uint8_t m_hover = 0;
};
