// The object viewer inside the running application: asked for by script,
// it sets up its camera, light and Tools entries, and shows the demo walker
// walking (the figure on screen, and its pose changing from frame to frame).
#include <cmath>
#include <cstdlib>
#include <string>

#include "engine/OmBaseSkinMesh.h"
#include "engine/OmCamera.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmSkinMesh.h"
#include "engine/OmSkinShape.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsObjectView.h"
#include "game/framework/TsShell.h"
#include "platform/EventInjection.h"
#include "platform/KeyCodes.h"
#include "render/OmD3D.h"
#include "tests/app/AppFixture.h"

namespace apptest {
namespace {

class ObjectView : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        TsMain::SetModeFactory(TS_MODE_OBJECT_VIEW, &TsObjectView::Create);
        Start();
        toolsBefore = TsShell::Instance().ToolsItemCount();
        ASSERT_EQ(RunLua("ObjectMode()"), 0);
        FrameAfter(10);
        ASSERT_NE(app->GetMode(), nullptr);
        ASSERT_EQ(app->GetMode()->GetModeType(), TS_MODE_OBJECT_VIEW);
    }
    TsObjectView& View() { return *static_cast<TsObjectView*>(app->GetMode()); }

    // The demo walker, skinned from its own files by full path, hung in the
    // viewer's scene and converted for the device as models load it (no
    // conversion by hand), walking.
    OmSkinShape* ShowWalker()
    {
        const char* root = std::getenv("OM_SOURCE_DIR");
        const std::string data = std::string(root ? root : ".") + "/data/";
        OmSceneImporter importer;
        importer.SetTextureDirectory((data + "textures/").c_str());
        OmSkinMesh* mesh = importer.LoadSkinned((data + "models/walker/walker.pbf").c_str(), 0.1f, 4, false,
                                                (data + "models/walker/bones.txt").c_str());
        if (!mesh)
            return nullptr;
        auto* shape = new OmSkinShape;
        shape->SetGeometry(mesh);
        mesh->Release();
        shape->LocalScale() = 12.0f; // about 22 units tall: a good part of the view
        shape->LocalPosition().Set(0.0f, -11.0f, 0.0f);
        View().GetSceneRoot()->AddChild(shape);
        shape->Release();
        OmD3D& renderer = *OmD3D::Instance();
        // The importer's materials live as long as it does: the render
        // meshes take their own references before it goes.
        if (!CreateRenderMeshes(View().GetSceneRoot(), renderer, 0) || !OmBaseSkinMesh::Cast(shape->GetGeometry()))
            return nullptr;
        TsAnimationDB* db = TsAccess::AnimDB();
        db->MarkForLoading(0);
        db->LoadAnimations();
        shape->PlayAnimation(db->GetAnimation(0, TSANIM_WALK), 0);
        renderer.LoadAllTextures();
        return shape;
    }

    void TurnWheel()
    {
        plat::InjectMouseWheel(*app->GetWindow(), 2);
        FrameAfter(100);
    }
    void DragTenPixelsRight()
    {
        MouseTo(320, 240);
        FrameAfter(100);
        Button(true, 2);
        FrameAfter(100);
        MouseTo(330, 240);
        FrameAfter(100);
        Button(false, 2);
        FrameAfter(100);
    }

    int toolsBefore = 0;
};

// The viewer comes up orbiting the origin from (0, 5, -30), with its light.
TEST_F(ObjectView, TheViewerComesUpOrbitingTheOriginWithItsLight)
{
    EXPECT_EQ(View().GetCamera()->GetMode(), TS_CAMERA_OWNER);
    EXPECT_NEAR(View().GetCamera()->GetSceneCamera()->GetForward().z, 30.0f / std::sqrt(925.0f), 1e-5f);
    OmNode* light = nullptr;
    EXPECT_TRUE(View().FindNode("Main Light", light));
    EXPECT_TRUE(View().IsOrbitingOrigin());
}

TEST_F(ObjectView, ItsToolsEntriesAreAddedOnlyOnTheFirstVisit)
{
    app->RequestMode(TS_MODE_OBJECT_VIEW);
    FrameAfter(10);
    EXPECT_EQ(TsShell::Instance().ToolsItemCount(), toolsBefore + 3);
}

TEST_F(ObjectView, TabTogglesOrbiting)
{
    Key(plat::kKeyTab, true);
    FrameAfter(100);
    EXPECT_FALSE(View().IsOrbitingOrigin());
}

TEST_F(ObjectView, TheWheelMovesTheViewInAlongItsLine)
{
    TurnWheel();
    const OmVector3 in = View().GetCameraPosition();
    EXPECT_GT(in.z, -30.0f);
    EXPECT_LT(in.y, 5.0f);
    EXPECT_NEAR(in.y / in.z, 5.0f / -30.0f, 1e-4f);
}

TEST_F(ObjectView, ADragWithTheThirdButtonPans)
{
    DragTenPixelsRight();
    EXPECT_NEAR(View().GetCameraTarget().x, -1.0f, 1e-4f); // a unit to the side
    EXPECT_NEAR(View().GetCameraPosition().x, -1.0f, 1e-4f);
}

TEST_F(ObjectView, SpaceBringsTheViewHome)
{
    TurnWheel();
    DragTenPixelsRight();
    Key(plat::kKeySpace, true);
    FrameAfter(100);
    EXPECT_FLOAT_EQ(View().GetCameraPosition().z, -30.0f);
    EXPECT_FLOAT_EQ(View().GetCameraTarget().x, 0.0f);
    EXPECT_FLOAT_EQ(View().GetCamera()->GetSceneCamera()->GetPosition().z, -30.0f);
}

TEST_F(ObjectView, ShowsTheDemoWalkerWalking)
{
    const float blue[3] = {0.0f, 0.0f, 1.0f};
    OmD3D::Instance()->SetClearColour(blue);
    ASSERT_NE(ShowWalker(), nullptr);
    const Picture first = LookAfter(1);
    const Picture later = LookAfter(1, 30); // a third of a step later
    ASSERT_FALSE(first.pixels.empty());
    ASSERT_EQ(first.pixels.size(), later.pixels.size());
    const int figure = first.Count(0, 0, first.width, first.height,
                                   [](uint32_t p) { return (p & 0xFFFFFFu) != 0x0000FFu; });
    EXPECT_GT(figure, 2000); // the walker covers part of the screen
    EXPECT_LT(figure, int(first.pixels.size()) / 2);
    // Lit by the viewer's light and textured: not a black silhouette.
    const int lit = first.Count(0, 0, first.width, first.height, [](uint32_t p) {
        return (p & 0xFFFFFFu) != 0x0000FFu && Red(p) + Green(p) > 40;
    });
    EXPECT_GT(lit, 1000);
    EXPECT_GT(first.Differing(later), 200) << "the pose moves between frames";
}

} // namespace
} // namespace apptest
