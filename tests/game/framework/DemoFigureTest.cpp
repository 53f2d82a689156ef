// The skinned demo figure as the data tool writes it: the model, its bone
// file and the animation database load, and the walk poses the skeleton so
// that the figure stays joined at frame 0 and swings its legs later.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "engine/OmBoneAnimation.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmSkinMesh.h"
#include "engine/OmSkinShape.h"
#include "game/framework/TsAnimationDB.h"
#include "render/OmD3D.h"

namespace {

std::filesystem::path DataFolder()
{
    const char* root = std::getenv("OM_SOURCE_DIR");
    return std::filesystem::absolute(std::filesystem::path(root ? root : ".") / "data");
}

} // namespace

TEST(DemoFigureTest, WalkerLoadsSkinnedAndWalksFromTheAnimationDatabase)
{
    const std::filesystem::path data = DataFolder();
    ASSERT_TRUE(std::filesystem::exists(data / "animdb.tsa")) << "run tools/make-data first";
    TsAnimationDB db;
    ASSERT_TRUE(db.Open((data / "animdb.tsa").string().c_str()));
    db.MarkForLoading(0);
    ASSERT_TRUE(db.LoadAnimations());
    const OmBoneAnimation* walk = db.GetAnimation(0, TSANIM_WALK);
    ASSERT_NE(walk, nullptr);
    ASSERT_NE(db.GetAnimation(0, TSANIM_STAND), nullptr);
    EXPECT_EQ(walk->frameCount, 30u);
    EXPECT_NEAR(walk->duration, 1.0f, 1e-5f);

    // The bone file is read from the current folder.
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(data / "models" / "walker");
    OmD3D renderer;
    OmSceneImporter importer;
    OmSkinMesh* mesh = importer.LoadSkinned("walker.pbf", 0.1f, 4, false);
    std::filesystem::current_path(old);
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->skeleton.GetBoneCount(), walk->boneCount);
    EXPECT_EQ(mesh->vertices.GetCount(), 7u * 24u);
    EXPECT_EQ(mesh->materialGroups.GetCount(), 2u);

    auto* shape = new OmSkinShape();
    shape->SetGeometry(mesh);
    shape->PlayAnimation(walk, 0);
    shape->Update(0.0f);
    const int32_t leg = shape->GetBoneIndex("LegLeft");
    ASSERT_GE(leg, 0);
    // Frame 0: legs straight, hip where the bone file binds it (the pelvis
    // is raised by its bob).
    const OmBoneMatrix start = shape->GetBones()[uint32_t(leg)];
    EXPECT_NEAR(start.position.x, -0.15f, 1e-4f);
    EXPECT_NEAR(start.position.y, 0.93f, 1e-4f);
    EXPECT_NEAR(start.rotation.Row(1)[1], 1.0f, 1e-4f);
    // A quarter of the way through the leg has swung about half a radian
    // (between frames 7 and 8, blended).
    shape->Update(0.25f);
    const OmBoneMatrix swung = shape->GetBones()[uint32_t(leg)];
    EXPECT_NEAR(std::fabs(swung.rotation.Row(1)[2]), std::sin(0.5f), 5e-3f);
    shape->Release();
    mesh->Release();
}
