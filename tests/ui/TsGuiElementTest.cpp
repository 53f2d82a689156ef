// The window's child table and its routing rules.
#include <string>

#include "tests/ui/GuiFixture.h"
#include "ui/TsGuiWindow.h"

namespace guitest {
namespace {

// An element or control that writes down which operation ran.
template <class Base> class Probe : public Base {
public:
    template <class... Args>
    explicit Probe(std::string* log, const char* tag, Args... args) : Base(args...), log_(log), tag_(tag)
    {
    }
    void OnMouseMove(int32_t, uint32_t) override { Note("move"); }
    void OnMouseDown(int32_t, uint32_t) override { Note("down"); }
    void OnMouseUp(int32_t, uint32_t) override { Note("up"); }
    void Reserved(TsGuiArg, TsGuiArg) override { Note("reserved"); }
    void Render(float f) override { Note("render" + std::to_string(int(f * 100))); }
    void Update(float t) override { Note("update" + std::to_string(int(t * 100))); }

private:
    void Note(const std::string& what) { *log_ += std::string(tag_) + what + " "; }
    std::string* log_;
    const char* tag_;
};

TEST(GuiElement, AWindowHoldsTwentyThreeChildrenAtMost)
{
    TsGuiWindow window(nullptr);
    EXPECT_EQ(window.GetWidth(), 1.0f); // the whole screen at first
    TsGuiElement children[24];
    window.AddChild(nullptr);
    for (TsGuiElement& child : children)
        window.AddChild(&child);
    EXPECT_EQ(window.GetChildCount(), 23);
    EXPECT_EQ(children[23].GetOwner(), nullptr);
    EXPECT_EQ(window.IndexOfChild(&children[23]), -1);
    EXPECT_EQ(window.GetWidestChild(), 0.0f); // none takes input
}

using GuiWindowRouting = GuiTest;

TEST_F(GuiWindowRouting, PressesReachEveryControlUnderThePointerAndEveryInertChild)
{
    Start();
    std::string log;
    TsGuiWindow window(&FrontEnd());
    Probe<TsGuiControl> a(&log, "A"), b(&log, "B"), far(&log, "F");
    Probe<TsGuiElement> inert(&log, "I");
    window.AddChild(&a);
    window.AddChild(&inert);
    window.AddChild(&b);
    window.AddChild(&far);
    a.SetRect(0.1f, 0.1f, 0.3f, 0.3f);
    b.SetRect(0.2f, 0.2f, 0.3f, 0.3f);
    far.SetRect(0.8f, 0.8f, 0.1f, 0.1f);
    EXPECT_FLOAT_EQ(window.GetWidestChild(), 0.3f);
    // Hit tests take both edges in.
    const float right = GuiToPixelsX(far.GetRight()), bottom = GuiToPixelsY(far.GetBottom());
    EXPECT_TRUE(far.HitTest(right, bottom));
    EXPECT_TRUE(far.HitTest(GuiToPixelsX(0.8f), GuiToPixelsY(0.8f)));
    EXPECT_FALSE(far.HitTest(right + 1.0f, bottom));
    EXPECT_FALSE(far.HitTest(right, bottom + 1.0f));

    const int32_t overlap = GuiPackMouse(192, 144); // (0.3, 0.3)
    window.OnMouseDown(overlap, 1);
    window.OnMouseUp(overlap, 0);
    EXPECT_EQ(log, "Adown Idown Bdown Aup Iup Bup ");

    // A move sets every control's hover, then reaches all children.
    log.clear();
    window.OnMouseMove(GuiPackMouse(100, 100), 0);
    EXPECT_EQ(log, "Amove Imove Bmove Fmove ");
    EXPECT_TRUE(a.IsHovered());
    EXPECT_FALSE(b.IsHovered());
    window.OnMouseMove(overlap, 0);
    EXPECT_TRUE(b.IsHovered());

    // Nowhere near any control: only the inert child hears it.
    log.clear();
    window.OnMouseDown(GuiPackMouse(639, 10), 1);
    EXPECT_EQ(log, "Idown ");
    // Window events pass to every child whatever the pointer.
    log.clear();
    window.Render(0.5f);
    window.Update(2.0f);
    window.Reserved(0, 0);
    EXPECT_EQ(log, "Arender50 Irender50 Brender50 Frender50 Aupdate200 Iupdate200 Bupdate200 Fupdate200 ");
}

} // namespace
} // namespace guitest
