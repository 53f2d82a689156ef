// A control that holds up to 23 child elements and passes events on to
// them. The children are members of the concrete window (built in place by
// its constructor), so the window never deletes them. A window passes every
// event to its children wherever the pointer is: its own rectangle plays no
// part in the routing.
#pragma once

#include "ui/TsGuiElement.h"

class TsFrontEndBase;

class TsGuiWindow : public TsGuiControl {
public:
    static constexpr int32_t kMaxChildren = 23;

    explicit TsGuiWindow(TsFrontEndBase* frontEnd);

    void Open(TsGuiArg x, TsGuiArg y) override;
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void Deactivate(TsGuiArg a, TsGuiArg b) override;
    void OnMouseMove(int32_t packed, uint32_t buttons) override;
    void OnMouseDown(int32_t packed, uint32_t buttons) override;
    void OnMouseUp(int32_t packed, uint32_t buttons) override;
    void Reserved(TsGuiArg a, TsGuiArg b) override;
    void Render(float fraction) override;
    void Update(float time) override;

    // The window has left the front end's stack: closed, not merely covered
    // by another window (which only deactivates it). What ends its use, as
    // forgetting its content or running a closing script, belongs here.
    virtual void OnClose() {}
    // While a modal window is on top, the back action leaves it alone.
    virtual bool IsModal() const { return false; }
    virtual bool ClosesOnBack() const { return true; }

    // Ignored for null and beyond the 23rd child.
    void AddChild(TsGuiElement* element);
    int32_t IndexOfChild(const TsGuiElement* element) const;
    int32_t GetChildCount() const { return m_childCount; }
    TsGuiElement* GetChild(int32_t i) const { return i >= 0 && i < m_childCount ? m_children[i] : nullptr; }
    bool IsOpen() const { return m_open != 0; }
    TsFrontEndBase* GetFrontEnd() const { return m_frontEnd; }
    // The widest child that accepts input; 0 when there is none.
    float GetWidestChild() const;
    void ForwardEvent(int32_t code, TsGuiArg a, TsGuiArg b);

protected:
    // The mouse-down and mouse-up rule: inert children get every event,
    // input children only when they contain the pointer.
    void RouteMouse(int32_t code, int32_t packed, uint32_t buttons);

    TsGuiElement* m_children[kMaxChildren + 1] = {};
    int32_t m_childCount = 0;
    uint8_t m_open = 0;
    TsFrontEndBase* m_frontEnd;
};
