// Names, event codes and the window's child table and routing rules.
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
    void Open(TsGuiArg, TsGuiArg) override { Note("open"); }
    void Activate(TsGuiArg, TsGuiArg) override { Note("act"); }
    void Deactivate(TsGuiArg a, TsGuiArg b) override { Note("deact"), Base::Deactivate(a, b); }
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

TEST(GuiElement, EventCodesReachTheirOperationsAndNoOthers)
{
    std::string log;
    Probe<TsGuiElement> e(&log, "");
    struct Case {
        int32_t code;
        TsGuiArg a;
        const char* ran;
    };
    const Case cases[] = {
        {0, 0, "open "}, {1, 0, "act "}, {2, 0, "deact "}, {3, 0, "move "}, {4, 0, "down "}, {5, 0, "up "},
        {6, 0, ""}, {7, GuiFloatArg(0.5f), "render50 "}, {8, GuiFloatArg(1.25f), "update125 "}, {9, 0, ""},
        {-1, 0, ""},
    };
    for (const Case& c : cases) {
        log.clear();
        e.DispatchEvent(c.code, c.a, 0);
        EXPECT_EQ(log, c.ran) << "code " << c.code;
    }
}

TEST(GuiElement, NamesAreCopiedAndComparedExactly)
{
    TsGuiElement e;
    EXPECT_FALSE(e.HasName("Main"));
    EXPECT_FALSE(e.HasName(nullptr));
    char text[] = "Main";
    e.SetName(text);
    text[0] = 'X'; // the element keeps its own copy
    EXPECT_TRUE(e.HasName("Main"));
    EXPECT_FALSE(e.HasName("main"));
    EXPECT_FALSE(e.HasName("Mai"));
    e.SetName(nullptr);
    EXPECT_EQ(e.GetName(), nullptr);
}

TEST(GuiElement, AWindowHoldsTwentyThreeChildrenAtMost)
{
    TsGuiWindow window(nullptr);
    EXPECT_EQ(window.GetWidth(), 1.0f); // the whole screen at first
    TsGuiElement children[24];
    window.AddChild(nullptr);
    for (TsGuiElement& child : children) {
        window.AddChild(&child);
    }
    EXPECT_EQ(window.GetChildCount(), 23);
    EXPECT_EQ(children[22].GetOwner(), &window);
    EXPECT_EQ(children[23].GetOwner(), nullptr);
    EXPECT_EQ(window.IndexOfChild(&children[5]), 5);
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
