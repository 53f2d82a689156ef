#include "tests/ui/AppFixture.h"

namespace apptest {

void ScreenAppTest::Start()
{
    AppTest::Start();
    ASSERT_NE(app->GetMode(), nullptr);
    Frame();
}

std::vector<uint32_t> ScreenAppTest::ReadScreen()
{
    int w = 0, h = 0;
    std::vector<uint32_t> pixels = ScreenPixels(w, h);
    EXPECT_EQ(std::pair(w, h), std::pair(width, height));
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

uint32_t ScreenAppTest::Pixel(const std::vector<uint32_t>& screen, int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height || screen.size() < size_t(width) * size_t(height))
        return 0xDEADBEEF;
    return screen[size_t(y) * size_t(width) + size_t(x)];
}

} // namespace apptest

namespace titletest {

TitleTest::TitleTest() : ScreenAppTest([]() -> TsGameMode* { return new TsFrontEnd(); }) {}

} // namespace titletest
