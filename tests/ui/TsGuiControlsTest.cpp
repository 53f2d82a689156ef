// The controls driven through the real input: edit boxes take keys, sliders
// and scroll bars follow arrows, pages and drags.
#include <string>

#include "platform/KeyCodes.h"
#include "tests/ui/GuiFixture.h"
#include "ui/TsGuiEditBox.h"
#include "ui/TsGuiScrollList.h"
#include "ui/TsGuiSlider.h"

namespace guitest {
namespace {

using plat::kKeyA, plat::kKeyB, plat::kKeyC;

class CountingSlider : public TsGuiSlider {
public:
    void OnChanged() override
    {
        ++changes;
        released = GetReleasedIndex();
    }
    int changes = 0;
    int32_t released = -1;
};

class ControlScreen : public TsGuiWindow {
public:
    explicit ControlScreen(TsFrontEndBase* fe) : TsGuiWindow(fe)
    {
        AddChild(&edit);
        AddChild(&slider);
        AddChild(&scroll);
    }
    TsGuiEditBox edit;
    CountingSlider slider;
    TsGuiScrollList scroll;
};

class GuiControls : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        box = SolidSprite(16, 16, 0xFF808080);
        arrow = SolidSprite(16, 16, 0xFF0000FF);
        tile = SolidSprite(16, 16, 0xFF00FF00);
        thumb = SolidSprite(8, 16, 0xFFFF0000);
        screen = FrontEnd().AdoptPage(std::make_unique<ControlScreen>(&FrontEnd()));
    }
    void Show() { FrontEnd().PushWindow(screen, TsFrontEndBase::kScreen); }
    // The edit box, framed, across the middle of the screen, shown.
    TsGuiEditBox& ShowEditBox()
    {
        screen->edit.SetSprites(Place(box), Place(tile), Place(box));
        screen->edit.SetRect(0.3f, 0.5f, 0.5f, 0.05f);
        Show();
        return screen->edit;
    }
    // Holds the select button for the given ticks at a pixel, coming from
    // outside the controls (so the press is what arms a slider).
    void Hold(int x, int y, int ticks)
    {
        MouseTo(2, 470);
        Frame();
        MouseTo(x, y);
        Frame();
        Button(true);
        Frames(ticks);
        Button(false);
        Frame();
    }
    // Presses at (x, y), moves by (dx, dy) and lets go, a tick each; whether
    // the control was dragging while held.
    template <class Control> bool Drag(Control& c, int x, int y, int dx, int dy)
    {
        MouseTo(x, y);
        Frame();
        Button(true);
        Frame();
        const bool dragging = c.IsDragging();
        MouseTo(x + dx, y + dy);
        Frame();
        Button(false);
        Frame();
        return dragging;
    }

    TsGuiSprite *box = nullptr, *arrow = nullptr, *tile = nullptr, *thumb = nullptr;
    ControlScreen* screen = nullptr;
};

TEST_F(GuiControls, EditBoxesTakeTypedKeysInUpperCaseAndEditAtTheCaret)
{
    TsGuiEditBox& edit = ShowEditBox();
    Tap(kKeyA); // not focused yet: ignored
    EXPECT_STREQ(edit.GetText(), "");
    Click(int(GuiToPixelsX(0.55f)), int(GuiToPixelsY(0.51f)));
    ASSERT_TRUE(edit.IsFocused());
    for (int key : {kKeyA, kKeyB, kKeyC})
        Tap(key);
    EXPECT_STREQ(edit.GetText(), "ABC");
    EXPECT_FALSE(edit.Insert('\t'));

    // A click inside the second letter puts the caret before it.
    float aWidth = 0.0f, h = 0.0f;
    FrontEnd().GetTitleTextExtent("A", aWidth, h);
    Click(int(GuiToPixelsX(0.3f) + 12.0f + aWidth) + 2, int(GuiToPixelsY(0.5f)) + 4);
    EXPECT_EQ(edit.GetCaretIndex(), 1);
    Tap(plat::kKeyEnd);
    Tap(plat::kKeyLeft);
    EXPECT_EQ(edit.GetCaretIndex(), 2);
    // BACKSPACE held for three ticks: B, then A, then nothing left to delete.
    Tap(plat::kKeyBackspace, 3);
    EXPECT_STREQ(edit.GetText(), "C");
    EXPECT_EQ(edit.GetCaretOffset(), 0.0f);

    Tap(plat::kKeyEnd);
    Tap(kKeyA);
    Tap(plat::kKeyHome);
    EXPECT_EQ(edit.GetCaretIndex(), 0);
    Tap(plat::kKeyDelete);
    EXPECT_STREQ(edit.GetText(), "A");
    Tap(plat::kKeyRight);
    EXPECT_GT(edit.GetCaretOffset(), 0.0f);
    Tap(plat::kKeyDelete); // at the end: nothing
    EXPECT_STREQ(edit.GetText(), "A");
}

TEST_F(GuiControls, AReleaseAwayFromAnEditBoxTakesItsFocusAndItsHeldKeys)
{
    TsGuiEditBox& edit = ShowEditBox();
    Click(int(GuiToPixelsX(0.55f)), int(GuiToPixelsY(0.51f)));
    edit.SetText("A");
    ASSERT_TRUE(edit.IsFocused());
    Click(5, 5);
    EXPECT_FALSE(edit.IsFocused());
    Tap(plat::kKeyBackspace, 2);
    EXPECT_STREQ(edit.GetText(), "A");
}

// Without a font nothing has a width, so the buffer alone bounds the text.
TEST_F(GuiControls, AnEditBoxsTextStopsAtItsWidthOrItsBuffer)
{
    TsGuiEditBox& edit = ShowEditBox();
    edit.SetRect(0.1f, 0.5f, 0.2f, 0.05f); // 128 pixels, 104 for text
    edit.ClearText();
    int taken = 0;
    while (edit.Insert('W') && taken < 200)
        ++taken;
    EXPECT_TRUE(taken > 0 && taken < 104) << taken;
    FrontEnd().SetFonts(nullptr, nullptr, nullptr);
    edit.ClearText();
    for (int i = 0; i < 200; ++i)
        edit.Insert('x');
    EXPECT_EQ(edit.GetLength(), TsGuiEditBox::kTextSize - 1);
    Frame(); // and drawn, the text shows nothing rather than failing
    edit.SetText(std::string(300, 'q').c_str());
    EXPECT_EQ(edit.GetLength(), TsGuiEditBox::kTextSize - 1);
    EXPECT_EQ(edit.GetCaretIndex(), edit.GetLength());
}

TEST_F(GuiControls, ABackspaceTapBetweenTwoTicksDeletesOneLetter)
{
    TsGuiEditBox& edit = ShowEditBox();
    Click(int(GuiToPixelsX(0.55f)), int(GuiToPixelsY(0.51f)));
    ASSERT_TRUE(edit.IsFocused());
    edit.SetText("ABC");
    Key(plat::kKeyBackspace, true);
    FrameAfter(0); // a frame in the same instant: a poll, no tick
    ASSERT_STREQ(edit.GetText(), "ABC") << "no tick yet";
    Key(plat::kKeyBackspace, false);
    Frames(2);
    EXPECT_STREQ(edit.GetText(), "AB");
}

TEST(GuiSliderSteps, ArrowsPagesAndDragsFollowTheStepRule)
{
    TsGuiSlider s;
    const struct {
        int steps;
        float from, delta, to;
    } moves[] = {
        {5, 0.5f, 0.1f, 0.75f}, {5, 0.5f, -0.1f, 0.25f}, {5, 0.5f, 0.2f, 0.75f},  {5, 1.0f, 0.1f, 1.0f},
        {5, 0.0f, -0.2f, 0.0f}, {0, 0.95f, 0.1f, 1.0f},  {0, 0.05f, -0.1f, 0.0f}, {0, 0.5f, 0.1f, 0.6f},
        {1, 0.5f, -0.1f, 0.4f}, {3, 0.2f, 0.1f, 0.5f},
    };
    for (const auto& c : moves) {
        s.SetStepCount(c.steps);
        EXPECT_NEAR(s.StepBy(c.from, c.delta), c.to, 1e-6f) << c.steps << " " << c.from << " " << c.delta;
    }
    s.SetStepCount(5);
    EXPECT_EQ(std::pair(s.SnapDrag(-0.2f), s.SnapDrag(1.3f)), std::pair(0.0f, 1.0f));
    s.SetValue(1.7f);
    EXPECT_EQ(s.GetValue(), 1.0f);
    EXPECT_EQ(s.GetPreviousValue(), 1.0f);
}

TEST_F(GuiControls, SlidersStepOnTheirArrowsPageOnTheTrackAndDragTheThumb)
{
    CountingSlider& s = screen->slider;
    s.SetSprites(Place(arrow), Place(tile), Place(arrow), Place(thumb));
    s.SetRect(0.2f, 0.5f, 0.5f, 0.0f); // 320 pixels: 288 of track tiles
    s.SetStepCount(5);
    s.SetValue(0.5f);
    Show();
    const int y = int(GuiToPixelsY(0.5f)) + 8;
    const int left = int(GuiToPixelsX(s.GetPositionX())) + 4;
    const int right = int(GuiToPixelsX(s.GetRight())) - 4;
    // The press arms the slider; each further tick held steps once.
    Hold(right, y, 2);
    EXPECT_FLOAT_EQ(s.GetValue(), 0.75f);
    Hold(left, y, 3);
    EXPECT_FLOAT_EQ(s.GetValue(), 0.25f);
    EXPECT_EQ(s.changes, 2); // once for each release
    EXPECT_EQ(s.released, 1) << "the slider's place in its window";

    // Paging toward the pointer, one step at a time.
    const float track = GuiToPixelsX(s.GetTrackRight() - s.GetTrackLeft());
    const int at = [&](float t) { return int(GuiToPixelsX(s.GetTrackLeft()) + t * track); }(0.9f);
    Hold(at, y, 2);
    EXPECT_FLOAT_EQ(s.GetValue(), 0.5f);

    // A drag snaps to the nearest step.
    EXPECT_TRUE(Drag(s, int(GuiToPixelsX(s.GetTrackLeft()) + 0.5f * track), y, int(0.17f * track), 0));
    EXPECT_FALSE(s.IsDragging());
    EXPECT_FLOAT_EQ(s.GetValue(), 0.75f);
    EXPECT_FLOAT_EQ(s.GetX() + s.GetWidth(), s.GetRight()); // no label: the box itself

    // The release's tick and one more run before the frame that reports it.
    const int changes = s.changes;
    s.released = -1;
    MouseTo(right, y);
    Frame();
    Button(true);
    Frame();
    Button(false);
    clock->Advance(200);
    EXPECT_TRUE(app->Step());
    EXPECT_EQ(s.changes, changes + 1);
    EXPECT_EQ(s.released, 1) << "two ticks in one frame";
}

TEST_F(GuiControls, ScrollBarsMoveByArrowsPagesAndDrags)
{
    TsGuiScrollList& bar = screen->scroll;
    const TsGuiSpritePlacement six[6] = {Place(arrow), Place(box), Place(thumb), Place(tile), Place(box), Place(arrow)};
    bar.SetSprites(six);
    bar.SetRect(0.9f, 0.1f, 0.0f, 0.8f);
    EXPECT_FLOAT_EQ(GuiToPixelsX(bar.GetWidth()), 16.0f);
    Show();
    const int x = int(GuiToPixelsX(0.9f)) + 8;
    const int top = int(GuiToPixelsY(bar.GetPositionY())) + 4;
    const int bottom = int(GuiToPixelsY(bar.GetBottom())) - 4;
    Hold(x, bottom, 3); // two steps down
    EXPECT_NEAR(bar.GetValue(), 0.2f, 1e-6f);
    Hold(x, top, 2);
    EXPECT_NEAR(bar.GetValue(), 0.1f, 1e-6f);
    Hold(x, top, 2); // 0.1 or less goes to the top
    EXPECT_EQ(bar.GetValue(), 0.0f);
    bar.SetValue(0.95f);
    Hold(x, bottom, 2);
    EXPECT_EQ(bar.GetValue(), 1.0f);

    // A page toward a pointer above the thumb stops at the pointer.
    const float span = GuiToPixelsY(bar.GetTrackBottom() - bar.GetTrackTop());
    Hold(x, int(GuiToPixelsY(bar.GetTrackTop()) + 0.9f * span), 2);
    EXPECT_NEAR(bar.GetValue(), 0.9f, 0.02f);

    bar.SetValue(0.5f);
    EXPECT_TRUE(Drag(bar, x, int(GuiToPixelsY(bar.GetTrackTop()) + 0.5f * span), 0, int(0.25f * span)));
    EXPECT_NEAR(bar.GetValue(), 0.75f, 0.02f);
}

} // namespace
} // namespace guitest
