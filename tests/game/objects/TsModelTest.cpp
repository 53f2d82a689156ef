// Models: heading and facing, the drawn heading, the saved form, and the demo
// walker loaded by full path and shared within its class.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/OmClass.h"
#include "engine/OmMath.h"
#include "engine/OmRef.h"
#include "engine/OmShape.h"
#include "game/objects/TsModel.h"
#include "tests/engine/TestClass.h"
#include "tests/game/framework/LogCapture.h"

namespace {

class Crate : public TsModel {
    OM_DECLARE_TEST_CLASS(Crate, TsModel)
    void SetupFromModel(TsModel* other) override { sharedFrom = other; }
    TsModel* sharedFrom = nullptr;
};
OM_IMPLEMENT_CLASS(Crate, TsModel)

std::string Walker()
{
    const char* root = std::getenv("OM_SOURCE_DIR");
    return (std::filesystem::absolute(std::filesystem::path(root ? root : ".") / "data" / "models" / "walker"))
               .string()
        + "/";
}

// A crate of the walker's model, not loaded yet.
OmRef<Crate> WalkerCrate()
{
    auto crate = OmMakeRef<Crate>();
    crate->SetMdl("walker.pbf");
    return crate;
}

TEST(ModelHeading, HeadingsFoldIntoOneTurnAndDegreesByAHalfTurn)
{
    auto crate = OmMakeRef<Crate>();
    EXPECT_TRUE(crate->HasFlag(TS_ENTITY_MODEL));
    crate->SetHeading(5 * OM_PI / 2);
    EXPECT_NEAR(crate->GetHeading(), OM_PI / 2, 1e-4f);
    // Degrees fold by a half turn, as the level scripts expect.
    crate->SetHeadingDegrees(270.0f);
    EXPECT_NEAR(crate->GetHeading(), OM_PI / 2, 1e-4f);
    const OmVector3& d = crate->GetDirection();
    EXPECT_NEAR(d.x, 1.0f, 1e-5f);
    EXPECT_NEAR(d.z, 0.0f, 1e-5f);
}

TEST(ModelHeading, ADirectionSetsTheHeadingUnlessItHasNoHorizontalPart)
{
    auto crate = OmMakeRef<Crate>();
    crate->SetDirection(OmVector3(3, 0, 4)); // not a unit vector: no acos past 1
    EXPECT_NEAR(crate->GetHeading(), std::acos(0.8f), 1e-5f);
    EXPECT_NEAR(crate->GetDirection().Length(), 1.0f, 1e-5f);
    // No horizontal part, or none at all: the heading stays.
    crate->SetDirection(-1.0f, 0.0f);
    for (const OmVector3& v : {OmVector3(0, 0, 0), OmVector3(0, 1, 0), OmVector3(std::nanf(""), 0, 1)}) {
        crate->SetDirection(v);
        EXPECT_NEAR(crate->GetHeading(), -OM_PI / 2, 1e-5f);
        EXPECT_FALSE(std::isnan(crate->GetDirection().x));
    }
}

TEST(ModelHeading, TheDrawnHeadingTurnsTheShortWay)
{
    auto crate = OmMakeRef<Crate>();
    const struct {
        float previous, now, half;
    } cases[] = {
        {0.0f, 1.0f, 0.5f},
        {3.0f, -3.0f, 3.0f + (2 * OM_PI - 6.0f) / 2}, // through pi, not back through 0
        {-3.0f, 3.0f, -3.0f - (2 * OM_PI - 6.0f) / 2},
    };
    for (const auto& c : cases) {
        crate->SetHeading(c.previous);
        crate->Tick(0);
        crate->SetHeading(c.now);
        EXPECT_NEAR(crate->InterpolatedHeading(0.5f), c.half, 1e-4f) << c.previous << " to " << c.now;
        EXPECT_NEAR(crate->InterpolatedHeading(0.0f), c.previous, 1e-5f);
    }
}

TEST(ModelLoad, TheWalkerLoadsByFullPathSharedWithinItsClass)
{
    const std::string dir = Walker();
    ASSERT_TRUE(std::filesystem::exists(dir + "walker.pbf")) << "run tools/make-data first";
    const auto cwd = std::filesystem::current_path();
    const OmRef<Crate> first = WalkerCrate();
    ASSERT_TRUE(first->LoadModel(dir.c_str()));
    EXPECT_EQ(std::filesystem::current_path(), cwd);
    ASSERT_NE(first->GetModel(), nullptr);
    EXPECT_TRUE(first->LoadModel(dir.c_str())); // already loaded: nothing more

    const OmRef<Crate> second = WalkerCrate();
    ASSERT_TRUE(second->LoadModel(dir.c_str()));
    EXPECT_EQ(second->sharedFrom, first);
    ASSERT_NE(second->GetModel(), nullptr);
    EXPECT_NE(second->GetModel(), first->GetModel()); // its own nodes...
    const auto* a = OmShape::Cast(first->GetModel());
    const auto* b = OmShape::Cast(second->GetModel());
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->GetGeometry(), b->GetGeometry()); // ...over the same geometry

    const OmRef<Crate> unique = WalkerCrate();
    unique->SetUniqueModel(true);
    ASSERT_TRUE(unique->LoadModel(dir.c_str()));
    EXPECT_EQ(unique->sharedFrom, nullptr);
    EXPECT_NE(OmShape::Cast(unique->GetModel())->GetGeometry(), a->GetGeometry());
}

TEST(ModelLoad, ALoadedModelIsDrawnWhereTheEntityIsBetweenTicks)
{
    const OmRef<Crate> first = WalkerCrate();
    ASSERT_TRUE(first->LoadModel(Walker().c_str()));
    first->SetPosition(0, 0, 0);
    first->Tick(0);
    first->SetPosition(2, 0, 4);
    ASSERT_TRUE(first->DrawModel(0.0f, 0.5f));
    EXPECT_FLOAT_EQ(first->GetModel()->GetLocal().position.x, 1.0f);
    EXPECT_FLOAT_EQ(first->GetModel()->GetLocal().position.z, 2.0f);
}

TEST(ModelLoad, AMissingModelIsReportedAndNotDrawn)
{
    const std::string dir = Walker();
    LogCapture log;
    auto missing = OmMakeRef<Crate>();
    EXPECT_TRUE(missing->LoadModel(dir.c_str())); // no file named: nothing to do
    missing->SetMdl("missing.pbf");
    EXPECT_FALSE(missing->LoadModel(dir.c_str()));
    EXPECT_TRUE(log.Contains("error loading model for game object: " + dir + "missing.pbf"));
    EXPECT_EQ(missing->GetModel(), nullptr);
    EXPECT_FALSE(missing->DrawModel(0.0f, 0.0f));
}

} // namespace
