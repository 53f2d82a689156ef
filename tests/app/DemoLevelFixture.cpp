#include "tests/app/DemoLevelFixture.h"

#include <filesystem>

#include "game/framework/TsAccess.h"
#include "game/objects/TsPlayer.h"
#include "platform/EventInjection.h"
#include "platform/Window.h"

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

void DemoLevelTest::EnterDemoLevel(int settleFrames, const char* mission)
{
    ASSERT_TRUE(app->StartMission("Ann", "OnNewGame", mission, 0));
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

void DemoLevelTest::LoadFromTitle(const std::string& save)
{
    app->RequestMode(TS_MODE_FRONT_END);
    SwitchAndContinue();
    app->SetPendingLoad(save.c_str());
    app->RequestMode(TS_MODE_LEVEL);
    FrameAfter(10);
    ASSERT_NE(Level(), nullptr);
}

TsLevel* DemoLevelTest::Level()
{
    return TsAccess::CurrentLevel();
}

void DemoLevelTest::Ticks(int count)
{
    for (int i = 0; i < count; ++i)
        Level()->Tick(++tick);
}

void DemoLevelTest::Tap(int key, int frames)
{
    ASSERT_TRUE(plat::InjectKey(*app->GetWindow(), key, true));
    Frames(frames, 100);
    ASSERT_TRUE(plat::InjectKey(*app->GetWindow(), key, false));
    Frames(frames, 100);
}

TsPCObject* DemoLevelTest::AddPartyMember(const char* name, float x, float z, int32_t type)
{
    TsPCObject* pc = Figure(new TsPCObject, name, x, z);
    pc->SetPCType(type);
    TsPlayer* player = TsAccess::LocalPlayer();
    EXPECT_TRUE(player->AddCharacter(pc));
    player->AddCharacterToSquad(pc, nullptr);
    EXPECT_TRUE(pc->Initialise());
    return pc;
}

} // namespace apptest
