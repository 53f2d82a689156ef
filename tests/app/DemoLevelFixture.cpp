#include "tests/app/DemoLevelFixture.h"

#include <lua.hpp>

#include "engine/OmMatrix4.h"
#include "engine/OmRenderer.h"
#include "engine/OmVector4.h"
#include "game/framework/TsAccess.h"
#include "game/objects/TsPlayer.h"
#include "platform/KeyCodes.h"

namespace apptest {

void DemoLevelTest::SetUp()
{
    AppTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(ScratchWithDemoData());
    TsMain::SetModeFactory(TS_MODE_LEVEL, &TsLevel::Make);
    Start();
}

void DemoLevelTest::LoadMission(const char* mission)
{
    ASSERT_TRUE(app->StartMission("Ann", "OnNewGame", mission, 0)) << log.All();
    app->RequestMode(TS_MODE_LEVEL);
    FrameAfter(10);
    ASSERT_NE(Level(), nullptr);
}

void DemoLevelTest::EnterDemoLevel(int settleFrames, const char* mission)
{
    ASSERT_NO_FATAL_FAILURE(LoadMission(mission));
    Key(plat::kKeySpace, true);
    Frames(settleFrames, 100);
    ASSERT_NE(Level(), nullptr);
}

void DemoLevelTest::CollectScriptHandles()
{
    lua_gc(TsAccess::LuaState(), LUA_GCCOLLECT, 0);
}

void DemoLevelTest::SwitchAndContinue(int settleFrames)
{
    FrameAfter(10);
    Key(plat::kKeySpace, true);
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

bool DemoLevelTest::TickUntil(const std::function<bool()>& condition, int limit)
{
    for (int i = 0; i < limit && !condition(); ++i)
        Ticks(1);
    return condition();
}

TsPCObject* DemoLevelTest::AddPartyMember(const char* name, float x, float z, int32_t type, const char* mdl,
                                          TsPCObject* pc)
{
    pc = Figure(pc ? pc : new TsPCObject, name, x, z, mdl);
    pc->SetPCType(type);
    TsPlayer* player = TsAccess::LocalPlayer();
    EXPECT_TRUE(player->AddCharacter(OmRef<TsPCObject>::Adopt(pc)));
    player->AddCharacterToSquad(pc, nullptr);
    EXPECT_TRUE(pc->Initialise());
    return pc;
}

TsPCObject* DemoLevelTest::AddHero(float x, float z)
{
    TsPCObject* hero = AddPartyMember("hero", x, z);
    TsAccess::LocalPlayer()->SetCurrentCharacter(0);
    return hero;
}

bool DemoLevelTest::ScreenPoint(const OmVector3& point, int& x, int& y)
{
    OmRenderer* renderer = OmRenderer::Current();
    OmMatrix4 viewProjection;
    MultiplyMatrix4(*renderer->GetViewMatrix(), *renderer->GetProjectionMatrix(), viewProjection);
    OmVector4 clip;
    TransformPoint4W(point, viewProjection, clip);
    const int width = TsAccess::ScreenWidth(), height = TsAccess::ScreenHeight();
    x = int((clip.x / clip.w + 1.0f) * float(width >> 1));
    y = int((1.0f - clip.y / clip.w) * float(height >> 1));
    return clip.w > 0.0f && x >= 0 && y >= 0 && x < width && y < height;
}

OmVector3 DemoLevelTest::MiddleOf(const TsEntity* entity)
{
    OmVector3 middle = entity->GetPosition();
    middle.y += 0.5f * entity->GetHeight();
    return middle;
}

} // namespace apptest
