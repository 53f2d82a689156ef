// What every mode gets from the common base: a scene root drawn each frame
// with the developer overlay, and the renderer prepared at initialisation.
#include <cmath>

#include "engine/OmCamera.h"
#include "engine/OmGroup.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsCamera.h"
#include "render/OmD3D.h"
#include "tests/app/AppFixture.h"

namespace apptest {
namespace {

// A mode with nothing of its own.
class PlainMode : public TsGameMode {
    OM_DECLARE_CLASS(PlainMode)
public:
    PlainMode() = default;
    explicit PlainMode(OmArchive& archive) : TsGameMode(archive) {}
    TsModeType GetModeType() const override { return TS_MODE_FRONT_END; }
    using TsGameMode::QueueDebugOverlay;
};

OM_IMPLEMENT_CLASS(PlainMode, TsGameMode)

TsGameMode* MakePlain() { return new PlainMode; }

class BaseMode : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        TsMain::SetModeFactory(TS_MODE_FRONT_END, &MakePlain);
        Start();
    }
    PlainMode& Mode() { return *static_cast<PlainMode*>(app->GetMode()); }
};

TEST_F(BaseMode, DrawsAFrameOfItsSceneAndLeavesNoQueuedText)
{
    const float blue[3] = {0.0f, 0.0f, 1.0f};
    OmD3D::Instance()->SetClearColour(blue);
    FrameAfter(10);
    EXPECT_EQ(CentrePixel(), 0xFF0000FFu);
    EXPECT_EQ(OmD3D::Instance()->GetQueuedTextCount(), 0u);

    // The overlay it draws over the scene.
    Mode().QueueDebugOverlay(*OmD3D::Instance());
    ASSERT_EQ(OmD3D::Instance()->GetQueuedTextCount(), 8u);
    EXPECT_EQ(std::string(OmD3D::Instance()->GetQueuedText(0).text).rfind("fps: ", 0), 0u);
    EXPECT_EQ(std::string(OmD3D::Instance()->GetQueuedText(3).text), "Azi: 0.000000\n");
    EXPECT_FLOAT_EQ(OmD3D::Instance()->GetQueuedText(4).y, 0.15f);
    EXPECT_FLOAT_EQ(OmD3D::Instance()->GetQueuedText(7).y, 0.24f);
    EXPECT_EQ(std::string(OmD3D::Instance()->GetQueuedText(7).text).rfind("t changes: ", 0), 0u);
    OmD3D::Instance()->ClearQueuedText();
}

// The mode's camera drives the renderer's own camera node, set up for play.
TEST_F(BaseMode, ItsCameraDrivesTheRendererCameraFromTheStartingView)
{
    TsCamera* camera = Mode().GetCamera();
    ASSERT_NE(camera, nullptr);
    EXPECT_STREQ(camera->GetName(), "main_camera");
    EXPECT_EQ(camera->GetSceneCamera(), OmRenderer::Current()->GetCamera());
    EXPECT_EQ(TsAccess::CameraHelper(), camera);
    EXPECT_NEAR(camera->GetFieldOfView(), 40.0f * 3.14159265f / 180.0f, 1e-6f);
    EXPECT_FLOAT_EQ(camera->Distance().current, 10.0f);
    EXPECT_FLOAT_EQ(camera->GetSceneCamera()->GetProjection().farDistance, 200.0f);
    FrameAfter(10);
    const OmVector3& eye = camera->GetSceneCamera()->GetPosition();
    EXPECT_FLOAT_EQ(eye.y, 20.0f);
    EXPECT_FLOAT_EQ(eye.z, -180.0f);
    // The projection follows the field of view: half width tan(fov / 2)
    // at the near distance, height by the aspect.
    const OmProjection& p = camera->GetSceneCamera()->GetProjection();
    EXPECT_NEAR(p.halfWidth, std::tan(20.0f * 3.14159265f / 180.0f), 1e-5f);
    EXPECT_NEAR(p.halfHeight, p.halfWidth * 0.75f, 1e-6f);
}

TEST_F(BaseMode, FindsNodesBelowItsSceneRootByName)
{
    OmGroup* crate = new OmGroup;
    crate->SetName("crate");
    OmGroup* lid = new OmGroup;
    lid->SetName("lid");
    crate->AddChild(lid);
    lid->Release(); // the tree holds them now
    Mode().GetSceneRoot()->AddChild(crate);
    crate->Release();

    OmNode* found = nullptr;
    EXPECT_TRUE(Mode().FindNode("lid", found));
    EXPECT_EQ(found, lid);
    EXPECT_FALSE(Mode().FindNode("barrel", found));
    EXPECT_EQ(found, nullptr);
    // The scene goes with the mode at the next switch, without a leak.
    app->RequestMode(TS_MODE_FRONT_END);
    FrameAfter(10);
    EXPECT_EQ(Mode().GetSceneRoot()->GetLiveChildCount(), 0);
}

} // namespace
} // namespace apptest
