// The game's own message box.
#include <gtest/gtest.h>

#include <string>

#include "platform/EventInjection.h"
#include "platform/KeyCodes.h"
#include "platform/MessageBoxWindow.h"

namespace {

std::unique_ptr<plat::MessageBoxWindow> Box(const char* text = "Animation database initialisation error")
{
    std::string error;
    auto box = plat::MessageBoxWindow::Create("TessaranApp", text, &error);
    EXPECT_NE(box, nullptr) << error;
    return box;
}

TEST(MessageBoxWindowTest, ReturnEnterEscapeAndSpaceAnswerTheBox)
{
    const struct {
        int key;
        bool answers;
    } keys[] = {{plat::kKeyReturn, true}, {plat::kKeyNumpadEnter, true}, {plat::kKeyEscape, true},
                {plat::kKeySpace, true},  {plat::kKeyA, false},          {plat::kKeyTab, false}};
    for (const auto& k : keys) {
        auto box = Box();
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->Step()) << "nothing answered yet";
        ASSERT_TRUE(plat::InjectKey(box->GetWindow(), k.key, true));
        EXPECT_EQ(box->Step(), k.answers) << "key " << k.key;
    }
}

TEST(MessageBoxWindowTest, AClickAnswersOnlyOnTheButton)
{
    auto box = Box();
    ASSERT_NE(box, nullptr);
    const int x = box->ButtonX() + plat::MessageBoxWindow::kButtonWidth / 2;
    const int y = box->ButtonY() + plat::MessageBoxWindow::kButtonHeight / 2;
    plat::InjectMouseMove(box->GetWindow(), x, y - 40); // beside the button
    plat::InjectMouseButton(box->GetWindow(), 0, true);
    plat::InjectMouseButton(box->GetWindow(), 0, false);
    EXPECT_FALSE(box->Step());
    plat::InjectMouseMove(box->GetWindow(), x, y);
    plat::InjectMouseButton(box->GetWindow(), 0, true);
    plat::InjectMouseButton(box->GetWindow(), 0, false);
    EXPECT_TRUE(box->Step());
}

TEST(MessageBoxWindowTest, LongTextWrapsAtBlanksKeepsItsLineBreaksAndIsDrawnInTheBox)
{
    auto box = Box("first\nsecond line with a good many words in it, more than fit across the box at this size");
    ASSERT_NE(box, nullptr);
    const auto& lines = box->GetLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "first");
    std::string joined;
    for (size_t i = 1; i < lines.size(); ++i)
        joined += (i > 1 ? " " : "") + lines[i];
    EXPECT_EQ(joined, "second line with a good many words in it, more than fit across the box at this size");
    // The text is drawn inside the box, above the button.
    bool ink = false;
    for (int x = 16; x < 100 && !ink; ++x)
        ink = (box->GetSurface().PixelAt(x, 22) & 0xFFFFFF) != 0xD4D0C8;
    EXPECT_TRUE(ink);
}

} // namespace
