// The options reach the services that use them: the bindings of
// "options.lua" drive the running game's input, the display group reaches
// the renderer and the device's gamma ramp, and a level takes the texture
// size limit of the options.
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "game/framework/TsAccess.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsOptions.h"
#include "platform/GfxDevice.h"
#include "render/OmD3D.h"
#include "tests/app/AppFixture.h"

namespace apptest {
namespace {

// The options are one object for the whole program: each test leaves them
// as it found them.
class OptionsApplied : public AppTest {
protected:
    void TearDown() override
    {
        AppTest::TearDown();
        *TsAccess::Options() = m_kept;
    }

private:
    TsOptions m_kept = *TsAccess::Options();
};

TEST_F(OptionsApplied, AKeyReboundInTheOptionsFileFiresItsActionInTheRunningGame)
{
    const int escape = plat::kKeyEscape, space = plat::kKeySpace, action = TS_ACTION_MENU;
    const auto file = std::filesystem::temp_directory_path() / ("ts_options_" + std::to_string(::getpid()) + ".lua");
    std::ofstream(file) << "TsAccess.Options():SetKeyBinding(9, 57)\n";
    Make();
    ASSERT_TRUE(TsAccess::Options()->Load(app->GetLuaState(), file.string().c_str()));
    std::filesystem::remove(file);
    OpenMade();
    EXPECT_EQ(app->GetInput()->GetKeyBindings().KeyOf(action), space);
    FrameAfter(10);
    Key(escape, true); // the default key of the action no longer fires it
    FrameAfter(100);
    EXPECT_FALSE(app->GetInput()->IsActionDown(action));
    Key(space, true);
    FrameAfter(100);
    EXPECT_TRUE(app->GetInput()->IsActionDown(action));
}

// A level takes the limit of the options when it starts.
TEST_F(OptionsApplied, TheDisplayGroupSetsTheTextureLimitAndTheDeviceGammaRamp)
{
    TsMain::SetModeFactory(TS_MODE_LEVEL, &MakeLevel);
    Start();
    TsOptions* options = TsAccess::Options();
    options->SetTexDetailLevel(1);
    options->SetGamma(0.8f);
    options->Apply(TsOptions::APPLY_AUDIO); // another group leaves the display alone
    EXPECT_NE(OmD3D::Instance()->GetMaxTextureSize(), 256u);
    options->Apply(TsOptions::APPLY_GRAPHICS);
    EXPECT_EQ(OmD3D::Instance()->GetMaxTextureSize(), 256u);
    std::uint16_t expected[256];
    TsOptions::BuildGammaRamp(0.8f, expected);
    plat::GfxGammaRamp ramp{};
    OmD3D::Instance()->GetDevice()->GetGammaRamp(&ramp);
    for (int i = 0; i < 256; i += 51) {
        EXPECT_EQ(ramp.red[i], expected[i]) << i;
        EXPECT_EQ(ramp.green[i], expected[i]) << i;
        EXPECT_EQ(ramp.blue[i], expected[i]) << i;
    }
    EXPECT_GT(ramp.red[128], 128 * 257) << "gamma 0.8 brightens the middle";
    EXPECT_FALSE(log.Contains("not applied"));
    EXPECT_FALSE(log.Contains("not set"));
    options->SetTexDetailLevel(2);
    options->Apply(TsOptions::APPLY_GRAPHICS);
    ASSERT_EQ(OmD3D::Instance()->GetMaxTextureSize(), 0u);
    options->SetTexDetailLevel(0);
    app->RequestMode(TS_MODE_LEVEL);
    FrameAfter(10); // refused for want of a player, after the limit was handed over
    EXPECT_EQ(OmD3D::Instance()->GetMaxTextureSize(), 128u);
}

} // namespace
} // namespace apptest
