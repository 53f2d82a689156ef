// Framed windows: message boxes and their result words, panels, dialogs,
// list dialogs, and the wrapped text the boxes are measured and drawn with.
#include <string>
#include <vector>

#include "platform/EventInjection.h"
#include "render/OmD3D.h"
#include "render/OmD3DFont.h"
#include "tests/ui/GuiFixture.h"
#include "ui/TsGuiListDialog.h"
#include "ui/TsGuiMessageBox.h"
#include "ui/TsGuiPanel.h"
#include "ui/TsGuiToggle.h"

namespace guitest {
namespace {

int g_boxesDeleted = 0;

class CountedBox : public TsGuiMessageBox {
public:
    using TsGuiMessageBox::TsGuiMessageBox;
    ~CountedBox() override { ++g_boxesDeleted; }
};

class GuiWindows : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        g_boxesDeleted = 0;
        Start();
    }
    CountedBox* Ask(int32_t kind, int32_t count = 0, const TsGuiMessageButton* list = nullptr)
    {
        auto* box = new CountedBox("Save the game before you quit?", kind, &FrontEnd(), nullptr);
        FrontEnd().PushWindowAt(box, count, TsGuiArg(list), TsFrontEndBase::kMessageBox, true);
        return box;
    }
    void ClickButton(const TsGuiButton& b)
    {
        Click(int(GuiToPixelsX(b.GetX() + b.GetWidth() / 2)), int(GuiToPixelsY(b.GetY() + b.GetHeight() / 2)));
    }
};

TEST_F(GuiWindows, EachButtonOfAMessageBoxLeavesItsResultAndTheBoxIsDeleted)
{
    struct Case {
        int32_t kind;
        int button;
        const char* text;
        int32_t result;
    };
    const Case cases[] = {
        {TsGuiMessageBox::kOk, 0, "OK", 0},           {TsGuiMessageBox::kOkCancel, 0, "OK", 0},
        {TsGuiMessageBox::kOkCancel, 1, "Cancel", 1}, {TsGuiMessageBox::kYesNo, 0, "Yes", 2},
        {TsGuiMessageBox::kYesNo, 1, "No", 3},
    };
    int deleted = 0;
    for (const Case& c : cases) {
        CountedBox* box = Ask(c.kind);
        ASSERT_GT(box->GetButtonCount(), c.button);
        EXPECT_STREQ(box->GetButton(c.button)->GetText(), c.text);
        FrontEnd().SetMessageResult(-9);
        Frame(); // hover needs a move first
        ClickButton(*box->GetButton(c.button));
        EXPECT_EQ(FrontEnd().GetMessageResult(), c.result) << c.text;
        EXPECT_EQ(g_boxesDeleted, ++deleted);
        EXPECT_FALSE(FrontEnd().HasOpenWindows());
    }
}

TEST_F(GuiWindows, AListBoxTakesFourButtonsAndAMinusOneButtonClosesNothing)
{
    const TsGuiMessageButton list[6] = {{"Retry", 7}, {"Ignore", -1}, {"Skip", 9},
                                        {"Stop", 10}, {"More", 11},   {"Less", 12}};
    CountedBox* box = Ask(TsGuiMessageBox::kList, 6, list);
    ASSERT_EQ(box->GetButtonCount(), TsGuiMessageBox::kMaxButtons);
    EXPECT_STREQ(box->GetButton(3)->GetText(), "Stop");
    EXPECT_EQ(box->GetButtonResult(2), 9);
    // Centred on the screen, the buttons stacked under the text, each centred.
    EXPECT_NEAR(box->GetX() + box->GetWidth() / 2, 0.5f, 1e-5f);
    EXPECT_NEAR(box->GetY() + box->GetHeight() / 2, 0.5f, 1e-5f);
    for (int i = 0; i < 4; ++i) {
        const TsGuiButton& b = *box->GetButton(i);
        EXPECT_NEAR(b.GetX() + b.GetWidth() / 2, box->GetX() + box->GetWidth() / 2, 1e-5f);
        if (i > 0) {
            EXPECT_GT(b.GetY(), box->GetButton(i - 1)->GetBottom());
        }
    }
    EXPECT_GT(box->GetButton(0)->GetY(), box->GetY() + GuiToFractionY(box->GetTextHeight()));
    EXPECT_LT(box->GetButton(3)->GetBottom(), box->GetBottom());

    FrontEnd().SetMessageResult(-9);
    Frame();
    ClickButton(*box->GetButton(1));
    EXPECT_EQ(FrontEnd().GetMessageResult(), -9);
    EXPECT_EQ(FrontEnd().GetTopWindow(), box);
    ClickButton(*box->GetButton(2));
    EXPECT_EQ(FrontEnd().GetMessageResult(), 9);
    EXPECT_EQ(g_boxesDeleted, 1);
    EXPECT_TRUE(box != nullptr);
}

TEST_F(GuiWindows, ReturnChoosesTheFirstButtonOnceAPress)
{
    Ask(TsGuiMessageBox::kYesNo);
    Frame();
    Key(TsGuiMessageBox::kKeyReturn, true);
    Frame();
    EXPECT_EQ(FrontEnd().GetMessageResult(), TsFrontEndBase::kResultYes);
    EXPECT_EQ(g_boxesDeleted, 1);
    // The same press, still held, must not also dismiss the next box.
    Ask(TsGuiMessageBox::kOkCancel);
    Frames(3);
    EXPECT_EQ(g_boxesDeleted, 1);
    Key(TsGuiMessageBox::kKeyReturn, false);
    Frame();
    EXPECT_EQ(g_boxesDeleted, 1);
    Key(TsGuiMessageBox::kKeyReturn, true);
    Frame();
    Key(TsGuiMessageBox::kKeyReturn, false);
    EXPECT_EQ(g_boxesDeleted, 2);
    EXPECT_EQ(FrontEnd().GetMessageResult(), TsFrontEndBase::kResultOk);
}

TEST_F(GuiWindows, ABoxWithTextIsDrawnOverItsScreen)
{
    auto* box = new TsGuiMessageBox("Hello", TsGuiMessageBox::kOk, &FrontEnd(), nullptr);
    box->SetShaded(true);
    FrontEnd().PushWindow(box, TsFrontEndBase::kMessageBox, true);
    EXPECT_GT(box->GetTextWidth(), 0.0f);
    Frame();
    const std::vector<uint32_t> screen = ReadScreen();
    const Box white = FindColour(screen, 0xFFFFFF);
    ASSERT_FALSE(white.Empty()); // the text and the OK
    EXPECT_GE(white.left, int(GuiToPixelsX(box->GetX())));
    EXPECT_LE(white.right, int(GuiToPixelsX(box->GetRight())) + 1);
    EXPECT_GE(white.top, int(GuiToPixelsY(box->GetY())));
}

// ---- panels and dialogs ----

TEST_F(GuiWindows, APanelCoversItsItemsWithEdgesAndMarginsInWholeTiles)
{
    TsGuiSprite* edge = SolidSprite(16, 16, 0xFF404040);
    TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
    for (TsGuiSpritePlacement& p : frame) {
        p = Place(edge);
    }
    TsGuiPanel panel(&FrontEnd());
    TsGuiControl a, b;
    a.SetRect(0.2f, 0.3f, 0.1f, 0.05f); // x 128..192
    b.SetRect(0.3f, 0.4f, 0.1f, 0.05f); // x 192..256, y up to 0.45 (216)
    EXPECT_TRUE(panel.AddItem(&a));
    EXPECT_TRUE(panel.AddItem(&b));
    panel.SetFrameSprites(frame);
    // 128 + 2 x 32 = 192 wide: ten whole tiles between the corners. 72 + 2 x 32
    // = 136 high leaves 6.5 tiles between the corners: a half rounds up, to 144.
    EXPECT_NEAR(GuiToPixelsX(panel.GetPositionX()), 128.0f - 32.0f, 0.01f);
    EXPECT_NEAR(GuiToPixelsY(panel.GetPositionY()), 144.0f - 32.0f, 0.01f);
    EXPECT_NEAR(GuiToPixelsX(panel.GetWidth()), 192.0f, 0.01f);
    EXPECT_NEAR(GuiToPixelsY(panel.GetHeight()), 144.0f, 0.01f);

    // Moving the panel carries its items.
    panel.MoveTo(panel.GetPositionX() + 0.1f, panel.GetPositionY());
    EXPECT_FLOAT_EQ(a.GetPositionX(), 0.3f);
    EXPECT_FLOAT_EQ(b.GetPositionX(), 0.4f);

    // At most eight items and 63 title characters.
    TsGuiControl more[7];
    for (TsGuiControl& c : more) {
        panel.AddItem(&c);
    }
    EXPECT_EQ(panel.GetItemCount(), TsGuiPanel::kMaxItems);
    EXPECT_FALSE(panel.AddItem(&a));
    panel.SetTitle(std::string(100, 'T').c_str());
    EXPECT_EQ(std::string(panel.GetTitle()).size(), size_t(TsGuiPanel::kTitleSize - 1));
    // A panel without items keeps its rectangle.
    TsGuiPanel empty(&FrontEnd());
    empty.SetRect(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_FLOAT_EQ(empty.GetWidth(), 0.3f);
}

TEST_F(GuiWindows, ADialogRoundsItsWidthToTopTilesAndSnapsItsFrameWhenActivated)
{
    TsGuiSprite* corner = SolidSprite(16, 16, 0xFF404040);
    TsGuiSprite* edge = SolidSprite(24, 24, 0xFF404040);
    TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
    for (TsGuiSpritePlacement& p : frame) {
        p = Place(corner);
    }
    frame[TS_FRAME_TOP] = frame[TS_FRAME_LEFT] = frame[TS_FRAME_RIGHT] = frame[TS_FRAME_BOTTOM] = Place(edge);
    TsGuiDialog dialog(&FrontEnd());
    dialog.SetFrameSprites(frame);
    dialog.SetRect(0.1f, 0.1f, 0.25f, 0.25f); // 160 x 120 pixels
    // 128 between the corners: 6 top tiles (144), width 176.
    EXPECT_EQ(dialog.GetEdgeTiles(0), 6);
    EXPECT_NEAR(GuiToPixelsX(dialog.GetWidth()), 176.0f, 0.01f);
    dialog.Activate(0, 0);
    // Snapped to the nearest whole tiles: 144 / 24 = 6; 88 / 24 = 3.67 -> 4.
    EXPECT_FLOAT_EQ(dialog.GetFrameWidth(), 176.0f);
    EXPECT_FLOAT_EQ(dialog.GetFrameHeight(), 32.0f + 96.0f);
}

// ---- list dialogs ----

struct Row : TsGuiListItem {
    int id = 0;
};

class RowList : public TsGuiListDialog {
public:
    RowList(TsFrontEndBase* fe, float height) : TsGuiListDialog(fe), height_(height) {}
    float MeasureItem(TsGuiListItem* item, float) override
    {
        item->height = height_;
        return height_;
    }
    void DrawItem(float, float, float, float, TsGuiListItem* item) override
    {
        drawn.push_back(static_cast<Row*>(item)->id);
    }
    std::vector<int> drawn;

private:
    float height_;
};

class ListWindows : public GuiWindows {
protected:
    void Fill(RowList& list, Row (&rows)[10])
    {
        for (int i = 0; i < 10; ++i) {
            rows[i].id = i;
            list.AddItem(&rows[i]);
        }
    }
};

TEST_F(ListWindows, TheScrollValueChoosesTheFirstVisibleItemOfEachListOnItsOwn)
{
    auto* a = new RowList(&FrontEnd(), 16.0f);
    auto* b = new RowList(&FrontEnd(), 16.0f);
    Row rowsA[10], rowsB[10];
    Fill(*a, rowsA);
    Fill(*b, rowsB);
    a->SetRect(0.1f, 0.1f, 0.3f, 0.8f);
    b->SetRect(0.5f, 0.1f, 0.3f, 0.8f);
    FrontEnd().PushWindow(a, 0, false);
    FrontEnd().PushWindow(b, 0, false);
    a->GetScrollBar().SetValue(0.5f);
    b->GetScrollBar().SetValue(0.5f);
    Frame();
    // trunc(0.5 x 9) = 4 for both, each list finding its own item.
    ASSERT_FALSE(a->drawn.empty());
    ASSERT_FALSE(b->drawn.empty());
    EXPECT_EQ(a->drawn.front(), 4);
    EXPECT_EQ(b->drawn.front(), 4);
    EXPECT_EQ(a->GetFirstVisible(), &rowsA[4]);
    EXPECT_EQ(b->GetFirstVisible(), &rowsB[4]);
    FrontEnd().PopAllWindows();
}

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
    const float x = GuiToPixelsX(0.2f);
    EXPECT_EQ(list.ItemAt(x, list.GetContentTop() + 16.0f * 2 + 3.0f), &rows[2]);
    EXPECT_EQ(list.ItemAt(GuiToPixelsX(0.1f) + 2.0f, list.GetContentTop() + 3.0f), nullptr); // left margin

    list.SetSelected(&rows[5]);
    list.RemoveItem(&rows[5]);
    EXPECT_EQ(list.GetItemCount(), 9);
    EXPECT_EQ(list.GetSelected(), &rows[4]);
    EXPECT_EQ(rows[6].index, 5);
    EXPECT_EQ(rows[9].index, 8);
    list.RemoveItem(&rows[0]);
    EXPECT_EQ(list.GetFirstItem(), &rows[1]);
    EXPECT_EQ(rows[1].index, 0);
    list.RemoveItem(&rows[5]); // no longer in the list
    EXPECT_EQ(list.GetItemCount(), 8);
}

TEST_F(ListWindows, AClickSelectsTheRowUnderThePointerAndTheWheelScrolls)
{
    class Screen : public TsGuiWindow {
    public:
        explicit Screen(TsFrontEndBase* fe) : TsGuiWindow(fe), list(fe, 16.0f) { AddChild(&list); }
        RowList list;
    };
    auto* screen = new Screen(&FrontEnd());
    Row rows[10];
    Fill(screen->list, rows);
    screen->list.SetRect(0.1f, 0.1f, 0.4f, 0.5f);
    FrontEnd().PushWindow(screen, TsFrontEndBase::kScreen, false);
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
}

// ---- wrapped text ----

TEST_F(GuiWindows, WrappedTextBreaksOnEveryNewlineAndKeepsItsMarginWhenMeasuredAndDrawn)
{
    const auto width = [this](const char* text) {
        float w = 0.0f, h = 0.0f;
        FrontEnd().GetPlainTextExtent(text, w, h);
        return w;
    };
    const float row = FrontEnd().GetPlainFont()->RowHeight();
    const float one = width("one "), two = width("two"), twoSpace = width("two "), both = one + 4.0f + two;
    const struct {
        const char* text;
        float wrap;
        int lines;
        float width; // negative: only within the wrap
    } measured[] = {
        {"one", 400.0f, 1, -1},      {"one two three", 400.0f, 1, -1}, {"one two three", 1.0f, 3, -1},
        {"\ntwo", 400.0f, 2, -1},    {"one\n\ntwo", 400.0f, 3, -1},    {"", 400.0f, 0, -1},
        {"one two", 1000.0f, 1, float(int(both))}, {"one two", both + 1.0f, 1, float(int(both))},
        {"one two", both, 2, both},  {"one\ntwo", 1000.0f, 2, 1000.0f},
    };
    for (const auto& m : measured) {
        float w = 0.0f, h = 0.0f;
        FrontEnd().MeasureWrappedText(m.text, m.wrap, 0.0f, w, h);
        EXPECT_NEAR(h, float(int(row * float(m.lines))), 1.0f) << m.text << " at " << m.wrap;
        if (m.width >= 0) {
            EXPECT_FLOAT_EQ(w, m.width) << m.text << " at " << m.wrap;
        } else {
            EXPECT_LE(w, m.wrap > 100.0f ? m.wrap : 1000.0f);
        }
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
    OmD3D* r = OmD3D::Instance();
    for (const auto& d : drawn) {
        r->Clear(nullptr, 0);
        ASSERT_TRUE(r->BeginScene(0.0f));
        FrontEnd().DrawWrappedText(100.0f, 100.0f, 100.0f + d.right, 400.0f, 0xFFFFFFFFu, d.text, 0);
        r->EndScene();
        r->Present();
        const Box ink = FindColour(ReadScreen(), 0xFFFFFF);
        ASSERT_FALSE(ink.Empty()) << d.text;
        EXPECT_EQ(ink.bottom >= 100 + int(row), d.twoLines) << d.text << " to " << d.right;
    }
}

} // namespace
} // namespace guitest
