#include "tests/app/DemoLevelFixture.h"

#include <filesystem>

#include "game/framework/TsAccess.h"

namespace apptest {

namespace fs = std::filesystem;

void DemoLevelTest::SetUp()
{
    AppTest::SetUp();
    const fs::path home = fs::current_path();
    scratch = std::make_unique<ScratchDir>();
    fs::create_directory_symlink(home / "scripts", "scripts");
    fs::create_directory_symlink(home / "data", "data");
    TsMain::SetModeFactory(TS_MODE_LEVEL, &TsLevel::Make);
    Start();
}

void DemoLevelTest::TearDown()
{
    // The application goes before its working folder does.
    AppTest::TearDown();
    scratch.reset();
}

void DemoLevelTest::EnterDemoLevel(int settleFrames)
{
    ASSERT_TRUE(app->StartMission("Ann", "OnNewGame", "demo", 0));
    app->RequestMode(TS_MODE_LEVEL);
    SwitchAndContinue(settleFrames);
    ASSERT_NE(Level(), nullptr);
}

void DemoLevelTest::SwitchAndContinue(int settleFrames)
{
    FrameAfter(10);
    PressKey(TsLoadScreen::kSpaceKey);
    Frames(settleFrames, 100);
}

TsLevel* DemoLevelTest::Level()
{
    return TsAccess::CurrentLevel();
}

} // namespace apptest
