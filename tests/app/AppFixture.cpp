#include "tests/app/AppFixture.h"


#include "game/framework/TsAccess.h"
#include "game/framework/TsScriptHost.h"
#include "game/level/TsGameLevelHost.h"
#include "platform/EventInjection.h"
#include "platform/GfxDevice.h"
#include "platform/GfxTexture.h"
#include "platform/MessageBox.h"
#include "platform/SoundDevice.h"
#include "platform/Window.h"
#include "render/OmD3D.h"
#include "ui/TsGuiDraw.h"
#include "ui/TsGuiElement.h"

namespace apptest {

OM_IMPLEMENT_CLASS(TestMode, TsGameMode)
OM_IMPLEMENT_CLASS(TestThing, OmObject)

ModeScript& Script()
{
    static ModeScript script;
    return script;
}

TestMode::TestMode(TsModeType type) : m_type(type)
{
    ++Script().made;
}

TestMode::~TestMode()
{
    ++Script().destroyed;
    Script().scriptStateAtDestruction = Script().scriptStateAtDestruction && TsAccess::LuaState() != nullptr;
    Script().audioAtDestruction = Script().audioAtDestruction && TsAccess::Audio() != nullptr;
}

void TestMode::Tick(uint32_t tickCount)
{
    Script().ticks.push_back(tickCount);
    if (Script().requestInTick != TS_MODE_NO_REQUEST) {
        TsMain::Instance()->RequestMode(Script().requestInTick);
        Script().requestInTick = TS_MODE_NO_REQUEST;
    }
}

void TestMode::Render(float renderTime, float fraction)
{
    Script().renders.push_back({renderTime, fraction});
    OmRenderer* renderer = OmRenderer::Current();
    if (Script().clearScreen && renderer) {
        const float green[3] = {0.0f, 1.0f, 0.0f};
        renderer->SetClearColour(green);
        renderer->Clear(nullptr, 0);
        if (renderer->BeginScene(renderTime)) {
            renderer->EndScene();
            renderer->Present();
        }
    }
}

TsGameMode* MakeFrontEnd() { return new TestMode(TS_MODE_FRONT_END); }
TsGameMode* MakeObjectView() { return new TestMode(TS_MODE_OBJECT_VIEW); }
TsGameMode* MakeLevel() { return new TestMode(TS_MODE_LEVEL); }

void AppTest::SetUp()
{
    Script() = ModeScript{};
    g_loadScreen = TsLoadScreen{};
    plat::SetMessageBoxHook([this](std::string_view caption, std::string_view text) {
        boxes.push_back({std::string(caption), std::string(text)});
    });
    clock = std::make_unique<ManualClock>(kClockRate);
    // The sound keeps the test's time too: a line is heard as long as the
    // frames that pass take, however fast or slow the machine runs them.
    plat::MixOnlyOnDemand(kMixRate, plat::SoundRecord::Discard);
    TsMain::SetModeFactory(TS_MODE_FRONT_END, &MakeFrontEnd);
    TsMain::SetLevelHostFactory(&TsGameLevelHost::Make);
}

void AppTest::TearDown()
{
    app.reset();
    scratch.reset();
    clock.reset();
    plat::MixOnlyOnDemand(0);
    for (TsModeType type : {TS_MODE_OBJECT_VIEW, TS_MODE_LEVEL, TS_MODE_FRONT_END})
        TsMain::SetModeFactory(type, nullptr);
    TsMain::SetLevelHostFactory(nullptr);
    plat::SetMessageBoxHook([](std::string_view, std::string_view) {});
}

void AppTest::Make()
{
    app = std::make_unique<TsMain>(TsMain::kTitle, 640, 480);
    app->CreateRenderer();
    app->SetSkipVideos(true);
}

void AppTest::Start()
{
    Make();
    OpenMade();
}

void AppTest::OpenMade()
{
    ASSERT_TRUE(app->Open(false));
    // Unshown, the window gets the focus only as the test gives it.
    plat::InjectFocus(*app->GetWindow(), true);
    TsMain::PumpMessages();
}

void AppTest::FrameAfter(int64_t units)
{
    clock->Advance(units);
    ASSERT_TRUE(app->Step());
    plat::MixSound(double(units) / double(kClockRate));
}

void AppTest::Frames(int count, int64_t units)
{
    for (int i = 0; i < count; ++i)
        FrameAfter(units);
}

bool AppTest::StepUntil(const std::function<bool()>& condition, int maxFrames, int64_t units)
{
    for (int frames = 0; frames < maxFrames; ++frames) {
        if (condition())
            return true;
        FrameAfter(units);
        if (HasFatalFailure())
            return false;
    }
    return condition();
}

void AppTest::Key(int keyCode, bool down)
{
    ASSERT_TRUE(plat::InjectKey(*app->GetWindow(), keyCode, down));
}

void AppTest::Button(bool down, int button)
{
    plat::InjectMouseButton(*app->GetWindow(), button, down);
}

void AppTest::Tap(int keyCode, int frames)
{
    Key(keyCode, true);
    Frames(frames, kTickUnits);
    Key(keyCode, false);
    Frames(frames, kTickUnits);
}

void AppTest::ScratchWithDemoData()
{
    scratch = std::make_unique<ScratchDir>();
    ASSERT_TRUE(scratch->LinkDemoData()) << "the demo data is missing: run tools/make-data BUILD_DIR";
}

void AppTest::MouseTo(int x, int y)
{
    plat::InjectMouseMove(*app->GetWindow(), x, y);
}

void AppTest::MouseToCentre()
{
    int width = 0, height = 0;
    app->GetWindow()->GetClientSize(width, height);
    MouseTo(width / 2, height / 2);
}

void AppTest::ClickHere(int button)
{
    Button(true, button);
    FrameAfter(kTickUnits);
    Button(false, button);
    FrameAfter(kTickUnits);
}

void AppTest::Click(int x, int y, int button)
{
    MouseTo(x, y);
    FrameAfter(kTickUnits);
    ClickHere(button);
}

void AppTest::ClickCentre(const TsGuiControl& control)
{
    Click(int(GuiToPixelsX(control.GetX() + control.GetWidth() / 2)),
          int(GuiToPixelsY(control.GetY() + control.GetHeight() / 2)));
}

Picture AppTest::Look()
{
    plat::GfxDevice* device = OmD3D::Instance()->GetDevice();
    Picture picture;
    app->GetWindow()->GetClientSize(picture.width, picture.height);
    plat::GfxSurface* screen = nullptr;
    if (device->CreateImageSurface(uint32_t(picture.width), uint32_t(picture.height), plat::GfxFormat::A8R8G8B8,
                                   &screen) != plat::GfxResult::Ok) {
        ADD_FAILURE() << "no surface for the screen";
        return picture;
    }
    if (device->GetFrontBuffer(screen) == plat::GfxResult::Ok) {
        for (int y = 0; y < picture.height; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(screen->Pixels() + size_t(y) * screen->Pitch());
            picture.pixels.insert(picture.pixels.end(), row, row + picture.width);
        }
    } else {
        ADD_FAILURE() << "the screen could not be read";
    }
    screen->Release();
    return picture;
}

int AppTest::RunLua(const std::string& code)
{
    return TsScriptHost::DoString(TsAccess::LuaState(), code.c_str());
}

double AppTest::LuaNumber(const char* name)
{
    double value = -1.0;
    return TsScriptHost::GetGlobalNumber(TsAccess::LuaState(), name, &value) ? value : -1.0;
}

std::string AppTest::LuaString(const char* name)
{
    std::string text;
    TsScriptHost::GetGlobalString(TsAccess::LuaState(), name, &text);
    return text;
}

Picture AppTest::LookAfter(int count, int64_t units)
{
    Frames(count, units);
    return Look();
}

uint32_t AppTest::CentrePixel()
{
    const Picture picture = Look();
    return picture.pixels.empty() ? 0 : picture.At(picture.width / 2, picture.height / 2);
}

} // namespace apptest
