// Framed windows: message boxes, panels, list dialogs, and the wrapped text
// the boxes are measured and drawn with.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/KeyCodes.h"
#include "render/OmD3D.h"
#include "render/OmD3DFont.h"
#include "tests/ui/GuiFixture.h"
#include "ui/TsGuiListDialog.h"
#include "ui/TsGuiMessageBox.h"
#include "ui/TsGuiPanel.h"

namespace guitest {
namespace {

int g_boxesDeleted = 0;

class CountedBox : public TsGuiMessageBox {
public:
    using TsGuiMessageBox::TsGuiMessageBox;
    ~CountedBox() override { ++g_boxesDeleted; }
};

// A button that takes its images as it opens, as the game's buttons do:
// caps 32 pixels wide and 64 high round a 16-pixel middle tile.
class SkinnedButton : public TsGuiButton {
public:
    void Open(TsGuiArg x, TsGuiArg y) override
    {
        TsGuiButton::Open(x, y);
        SetSprites(cap, middle, cap);
    }
    static TsGuiButton* Make(TsGuiMessageBox&) { return new SkinnedButton; }

    static inline TsGuiSpritePlacement cap, middle;
};

class GuiWindows : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        g_boxesDeleted = 0;
    }
    CountedBox* Ask(int32_t kind, int32_t count = 0, const TsGuiMessageButton* list = nullptr)
    {
        auto box = std::make_unique<CountedBox>("Save the game before you quit?", kind, &FrontEnd(), nullptr);
        CountedBox* asked = box.get();
        FrontEnd().PushWindowAt(std::move(box), count, TsGuiArg(list), TsFrontEndBase::kMessageBox);
        return asked;
    }
};

const TsGuiMessageButton kSixButtons[6] = {{"Retry", 7}, {"Ignore", -1}, {"Skip", 9},
                                           {"Stop", 10}, {"More", 11},   {"Less", 12}};

TEST_F(GuiWindows, AListBoxIsDrawnInsideItsFrameWithFourButtonsUnderItsText)
{
    CountedBox* box = Ask(TsGuiMessageBox::kList, 6, kSixButtons);
    box->SetShaded(true);
    ASSERT_EQ(box->GetButtonCount(), TsGuiMessageBox::kMaxButtons);
    EXPECT_STREQ(box->GetButton(3)->GetText(), "Stop");
    for (int i = 1; i < 4; ++i)
        EXPECT_GT(box->GetButton(i)->GetY(), box->GetButton(i - 1)->GetBottom());
    EXPECT_GT(box->GetButton(0)->GetY(), box->GetY() + GuiToFractionY(box->GetTextHeight()));
    EXPECT_LT(box->GetButton(3)->GetBottom(), box->GetBottom());
    Frame();
    const Box white = FindColour(ReadScreen(), 0xFFFFFF);
    ASSERT_FALSE(white.Empty()); // the text and the buttons' words
    EXPECT_GE(white.left, int(GuiToPixelsX(box->GetX())));
    EXPECT_LE(white.right, int(GuiToPixelsX(box->GetRight())) + 1);
    EXPECT_GE(white.top, int(GuiToPixelsY(box->GetY())));
}

// Any other result closes the box with that result.
TEST_F(GuiWindows, AListButtonOfResultMinusOneClosesNothing)
{
    CountedBox* box = Ask(TsGuiMessageBox::kList, 6, kSixButtons);
    FrontEnd().SetMessageResult(-9);
    Frame();
    ClickCentre(*box->GetButton(1));
    EXPECT_EQ(FrontEnd().GetMessageResult(), -9);
    EXPECT_EQ(FrontEnd().GetTopWindow(), box);
    ClickCentre(*box->GetButton(2));
    EXPECT_EQ(FrontEnd().GetMessageResult(), 9);
    EXPECT_EQ(g_boxesDeleted, 1);
}

TEST_F(GuiWindows, ReturnChoosesTheFirstButtonOnceAPress)
{
    Ask(TsGuiMessageBox::kYesNo);
    Frame();
    Key(plat::kKeyReturn, true);
    Frame();
    EXPECT_EQ(FrontEnd().GetMessageResult(), TsFrontEndBase::kResultYes);
    // The same press, still held, must not also dismiss the next box.
    Ask(TsGuiMessageBox::kOkCancel);
    Frames(3);
    Key(plat::kKeyReturn, false);
    Frame();
    EXPECT_EQ(g_boxesDeleted, 1);
    Key(plat::kKeyReturn, true);
    Frame();
    Key(plat::kKeyReturn, false);
    EXPECT_EQ(g_boxesDeleted, 2);
    EXPECT_EQ(FrontEnd().GetMessageResult(), TsFrontEndBase::kResultOk);
}

// A quick tap of Return on a busy machine lets it go that early.
TEST_F(GuiWindows, AReturnTapLetGoBeforeTheTickThatReadsItChoosesTheFirstButton)
{
    const struct {
        const char* what;
        bool ticked; // the box has had a tick before the tap
    } taps[] = {
        {"a tap between two ticks, a frame without a tick seeing it down", true},
        {"a tap before the box's first tick, not held when the box came", false},
    };
    for (const auto& t : taps) {
        SCOPED_TRACE(t.what);
        FrontEnd().SetMessageResult(-9);
        if (!t.ticked)
            Frame();
        CountedBox* box = Ask(TsGuiMessageBox::kYesNo);
        if (t.ticked)
            Frame();
        Key(plat::kKeyReturn, true);
        if (t.ticked) {
            FrameAfter(0); // a frame in the same instant: a poll, no tick
            ASSERT_EQ(FrontEnd().GetTopWindow(), box) << "no tick yet";
        }
        Key(plat::kKeyReturn, false);
        FrameAfter(kTickUnits);
        EXPECT_EQ(FrontEnd().GetMessageResult(), TsFrontEndBase::kResultYes);
    }
}

TEST_F(GuiWindows, APanelCoversItsItemsInWholeTilesAndCarriesThem)
{
    TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
    std::fill(std::begin(frame), std::end(frame), Place(SolidSprite(16, 16, 0xFF404040)));
    TsGuiPanel panel(&FrontEnd());
    TsGuiControl a, b;
    a.SetRect(0.2f, 0.3f, 0.1f, 0.05f); // x 128..192
    b.SetRect(0.3f, 0.4f, 0.1f, 0.05f); // x 192..256, y up to 0.45 (216)
    EXPECT_TRUE(panel.AddItem(&a) && panel.AddItem(&b));
    panel.SetFrameSprites(frame);
    // 128 + 2 x 32 = 192 wide: ten whole tiles between the corners. 72 + 2 x 32
    // = 136 high leaves 6.5 tiles between the corners: a half rounds up, to 144.
    EXPECT_NEAR(GuiToPixelsX(panel.GetWidth()), 192.0f, 0.01f);
    EXPECT_NEAR(GuiToPixelsY(panel.GetHeight()), 144.0f, 0.01f);
    panel.MoveTo(panel.GetPositionX() + 0.1f, panel.GetPositionY());
    EXPECT_FLOAT_EQ(b.GetPositionX(), 0.4f) << "moving the panel carries its items";
}

TEST_F(GuiWindows, APanelHoldsEightItemsAndATitleOfItsSizeAtMost)
{
    TsGuiPanel panel(&FrontEnd());
    TsGuiControl items[9];
    for (TsGuiControl& c : items)
        panel.AddItem(&c);
    EXPECT_EQ(panel.GetItemCount(), TsGuiPanel::kMaxItems);
    panel.SetTitle(std::string(100, 'T').c_str());
    EXPECT_EQ(std::string(panel.GetTitle()).size(), size_t(TsGuiPanel::kTitleSize - 1));
}

// A box is made for its buttons as they are drawn, images and all: a short
// question's buttons, far larger with their images than their words, stay
// inside it.
TEST_F(GuiWindows, AMessageBoxIsSizedForItsButtonsWithTheirImages)
{
    SkinnedButton::cap = Place(SolidSprite(32, 64, 0xFF606060));
    SkinnedButton::middle = Place(SolidSprite(16, 64, 0xFF808080));
    auto* box = FrontEnd().AdoptPage(
        std::make_unique<TsGuiMessageBox>("Go?", TsGuiMessageBox::kYesNo, &FrontEnd(), SkinnedButton::Make));
    FrontEnd().PushWindow(box, TsFrontEndBase::kMessageBox);
    ASSERT_EQ(box->GetButtonCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const TsGuiButton& button = *box->GetButton(i);
        SCOPED_TRACE(button.GetText());
        EXPECT_NEAR(GuiToPixelsY(button.GetHeight()), 64.0f, 0.01f) << "the button has its images";
        EXPECT_GE(button.GetX(), box->GetX());
        EXPECT_LE(button.GetRight(), box->GetRight());
        EXPECT_LE(button.GetBottom(), box->GetBottom());
    }
}

// ---- list dialogs ----

struct Row : TsGuiListItem {
    int id = 0;
};

class RowList : public TsGuiListDialog {
public:
    RowList(TsFrontEndBase* fe, float height) : TsGuiListDialog(fe), m_height(height) {}
    float MeasureItem(TsGuiListItem* item, float) override { return item->height = m_height; }
    void DrawItem(float, float, float, float, TsGuiListItem* i) override { drawn.push_back(static_cast<Row*>(i)->id); }
    std::vector<int> drawn;

private:
    float m_height;
};

class ListWindows : public GuiWindows {
protected:
    void Fill(RowList& list, Row (&rows)[10])
    {
        for (int i = 0; i < 10; ++i)
            rows[i].id = i, list.AddItem(&rows[i]);
    }
};

TEST_F(ListWindows, ItemsAreRenumberedOnRemovalAndAZeroHeightIsRefused)
{
    RowList list(&FrontEnd(), 0.0f); // measures every item as 0 high
    list.SetRect(0.1f, 0.1f, 0.5f, 0.5f);
    Row rows[10];
    Fill(list, rows);
    EXPECT_EQ(rows[3].height, 16.0f);
    list.Open(0, 0);
    list.Activate(0, 0);
    // The pointer's row counts from the content top in item heights.
    EXPECT_EQ(list.ItemAt(GuiToPixelsX(0.2f), list.GetContentTop() + 16.0f * 2 + 3.0f), &rows[2]);
    EXPECT_EQ(list.ItemAt(GuiToPixelsX(0.1f) + 2.0f, list.GetContentTop() + 3.0f), nullptr); // left margin
    list.RemoveItem(&rows[0]);
    EXPECT_EQ(rows[9].index, 8);
    list.RemoveItem(&rows[0]); // no longer in the list
    EXPECT_EQ(list.GetItemCount(), 9);
}

// The scroll value picks the first row drawn, in each list on its own.
TEST_F(ListWindows, AClickSelectsTheRowUnderThePointerAndTheWheelScrollsEachList)
{
    class Screen : public TsGuiWindow {
    public:
        explicit Screen(TsFrontEndBase* fe) : TsGuiWindow(fe), list(fe, 16.0f) { AddChild(&list); }
        RowList list;
    };
    auto* screen = FrontEnd().AdoptPage(std::make_unique<Screen>(&FrontEnd()));
    Row rows[10];
    Fill(screen->list, rows);
    screen->list.SetRect(0.1f, 0.1f, 0.4f, 0.5f);
    FrontEnd().PushWindow(screen, TsFrontEndBase::kScreen);
    const int x = int(GuiToPixelsX(0.2f));
    Click(x, int(screen->list.GetContentTop() + 16.0f * 3 + 5.0f));
    EXPECT_EQ(screen->list.GetSelected(), &rows[3]);

    screen->list.GetScrollBar().SetValue(0.5f);
    plat::InjectMouseWheel(*app->GetWindow(), -1); // toward the user: down the list
    Frame();
    EXPECT_NEAR(screen->list.GetScrollBar().GetValue(), 0.6f, 1e-5f);
    plat::InjectMouseWheel(*app->GetWindow(), 2);
    Frame();
    EXPECT_NEAR(screen->list.GetScrollBar().GetValue(), 0.5f, 1e-5f);

    auto* other = FrontEnd().AdoptPage(std::make_unique<RowList>(&FrontEnd(), 16.0f));
    Row more[10];
    Fill(*other, more);
    other->SetRect(0.5f, 0.1f, 0.3f, 0.8f);
    FrontEnd().PushWindow(other, 0);
    other->GetScrollBar().SetValue(0.5f);
    Frame();
    // trunc(0.5 x 9) = 4 for both.
    EXPECT_EQ(screen->list.GetFirstVisible(), &rows[4]);
    EXPECT_EQ(other->GetFirstVisible(), &more[4]);
    ASSERT_FALSE(other->drawn.empty());
    EXPECT_EQ(other->drawn.front(), 4);
    FrontEnd().PopAllWindows();
}

TEST_F(GuiWindows, WrappedTextBreaksOnEveryNewlineAndKeepsItsMarginWhenMeasuredAndDrawn)
{
    const auto width = [this](const char* text) {
        float w = 0.0f, h = 0.0f;
        FrontEnd().GetPlainTextExtent(text, w, h);
        return w;
    };
    const float row = FrontEnd().GetPlainFont()->RowHeight();
    const float one = width("one "), two = width("two"), twoSpace = width("two "), both = one + 4.0f + two;
    // Measured: every newline and every wrap adds a row; a text that wraps
    // takes the whole width.
    const struct {
        const char* text;
        float wrap;
        int lines;
    } measured[] = {{"one two three", 1.0f, 3}, {"\ntwo", 400.0f, 2}, {"one\n\ntwo", 400.0f, 3},
                    {"", 400.0f, 0},            {"one two", both, 2},  {"one two", both + 1.0f, 1}};
    for (const auto& m : measured) {
        float w = 0.0f, h = 0.0f;
        FrontEnd().MeasureWrappedText(m.text, m.wrap, 0.0f, w, h);
        EXPECT_NEAR(h, float(int(row * float(m.lines))), 1.0f) << m.text << " at " << m.wrap;
    }
    // Drawn: a leading newline moves the first word down a line; a line
    // wraps unless its right edge leaves room for the margin.
    const struct {
        const char* text;
        float right; // beyond x 100
        bool twoLines;
    } drawn[] = {{"\nWORD", 400.0f, true},           {"one two", one + two, true},
                 {"one two", one + two + 1.0f, false}, {"one two ", one + twoSpace + 4.0f, true},
                 {"one two ", one + twoSpace + 5.0f, false}};
    for (const auto& d : drawn) {
        const Box ink = FindColour(DrawnAlone([&](OmD3D&) {
            FrontEnd().DrawWrappedText(100.0f, 100.0f, 100.0f + d.right, 400.0f, 0xFFFFFFFFu, d.text, 0);
        }), 0xFFFFFF);
        ASSERT_FALSE(ink.Empty()) << d.text;
        EXPECT_EQ(ink.bottom >= 100 + int(row), d.twoLines) << d.text << " to " << d.right;
    }
}

} // namespace
} // namespace guitest
