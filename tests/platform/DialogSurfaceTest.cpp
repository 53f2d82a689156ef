// The software-drawn dialog window.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/DialogSurface.h"
#include "platform/EventInjection.h"
#include "platform/FontRaster.h"
#include "platform/KeyCodes.h"

namespace {

using plat::DialogInput;

constexpr uint32_t kPaper = 0xFFFFFFFFu;
constexpr uint32_t kInk = 0xFF000000u;

int InkIn(const plat::DialogSurface& s, int x0, int y0, int x1, int y1)
{
    int ink = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x)
            ink += s.PixelAt(x, y) != kPaper;
    }
    return ink;
}

TEST(DialogSurfaceTest, TextIsDrawnInsideItsClipOnly)
{
    std::unique_ptr<plat::DialogSurface> s = plat::DialogSurface::Create("Text", 200, 60);
    ASSERT_NE(s, nullptr);
    plat::FontRaster font;
    ASSERT_TRUE(font.Open("MS Sans Serif", 13, false, false));
    s->Fill(0, 0, 200, 60, kPaper);
    const int h = static_cast<int>(font.CellHeight());
    s->Text(font, "Play Tessaran", 10, 10, 40, kInk);
    EXPECT_GT(InkIn(*s, 10, 10, 50, 10 + h), 20);
    EXPECT_EQ(InkIn(*s, 50, 0, 200, 60), 0); // cut at the clip
    EXPECT_EQ(InkIn(*s, 0, 0, 10, 60), 0);
    // Text running off the canvas is clipped, not written past it.
    s->Text(font, "Screen resolution", 180, 55, 100, kInk);
    s->Text(font, "Screen resolution", -30, -5, 100, kInk);
    EXPECT_EQ(s->PixelAt(200, 0), 0u); // outside reads as nothing
    s->Present();
}

TEST(DialogSurfaceTest, InputArrivesInOrderForItsOwnWindowOnly)
{
    std::unique_ptr<plat::DialogSurface> s = plat::DialogSurface::Create("Mine", 100, 80);
    std::unique_ptr<plat::DialogSurface> other = plat::DialogSurface::Create("Other", 100, 80);
    ASSERT_NE(s, nullptr);
    ASSERT_NE(other, nullptr);
    plat::InjectKey(other->GetWindow(), plat::kKeyEscape, true);
    plat::InjectMouseMove(s->GetWindow(), 30, 40);
    plat::InjectMouseButton(s->GetWindow(), 0, true);
    plat::InjectKey(s->GetWindow(), plat::kKeySpace, true);
    plat::InjectMouseButton(s->GetWindow(), 1, false);
    plat::InjectMouseWheel(s->GetWindow(), -2);
    // The real pointer may pass over the new windows too; its moves are not ours.
    std::vector<DialogInput> got;
    DialogInput in;
    while (s->NextInput(in)) {
        if (in.kind != DialogInput::Kind::MouseMove || (in.x == 30 && in.y == 40))
            got.push_back(in);
    }
    using K = DialogInput::Kind;
    const std::vector<K> kinds = {K::MouseMove, K::MouseDown, K::KeyDown, K::MouseUp, K::Wheel};
    ASSERT_EQ(got.size(), kinds.size());
    for (size_t i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(got[i].kind, kinds[i]) << i;
    EXPECT_EQ(got[1].button, 0);
    EXPECT_EQ(std::pair(got[1].x, got[1].y), std::pair(30, 40)); // a click is where the pointer last was
    EXPECT_EQ(got[2].key, plat::kKeySpace);
    EXPECT_EQ(got[3].button, 1);
    EXPECT_EQ(got[4].wheel, -2);
    EXPECT_FALSE(s->CloseRequested());
    while (other->NextInput(in) && in.kind == DialogInput::Kind::MouseMove) {
    }
    EXPECT_EQ(in.kind, DialogInput::Kind::KeyDown);
    EXPECT_EQ(in.key, 1);
    plat::InjectClose(other->GetWindow());
    other->NextInput(in);
    EXPECT_TRUE(other->CloseRequested());
    EXPECT_FALSE(s->CloseRequested());
}

} // namespace
