#include <gtest/gtest.h>

#include <cmath>

#include "engine/OmMaxLight.h"
#include "engine/OmRef.h"
#include "tests/engine/SceneTestSupport.h"

namespace {

// The standard camera, applied to a renderer that only records.
struct OmCameraTest : testing::Test {
    OmCameraTest()
    {
        SetStandardCamera(*camera);
        camera->Apply(renderer);
    }
    RecordingRenderer renderer;
    OmRef<OmCamera> camera = OmMakeRef<OmCamera>();
};

// An omni light of multiplier 1 at the origin with nothing limiting it.
struct OmMaxLightTest : testing::Test {
    OmMaxLightTest()
    {
        light->on = 1;
        light->type = OmMaxLight::kOmni;
        light->multiplier = 1.0f;
        light->direction = OmVector3(0, -1, 0);
        light->upVector = OmVector3(0, 0, 1);
    }
    OmRef<OmMaxLight> light = OmMakeRef<OmMaxLight>();
};

struct Sample {
    OmVector3 at;
    float strength;
};

void ExpectStrengths(const OmMaxLight& light, std::initializer_list<Sample> samples, const char* what)
{
    for (const Sample& s : samples)
        EXPECT_NEAR(light.StrengthAt(s.at), s.strength, 1e-4f) << what << " at " << s.at.x << " " << s.at.y
                                                               << " " << s.at.z;
}

} // namespace

TEST_F(OmCameraTest, SphereCullingClearsPassedPlanesAndTestsOnlyTheMaskedOnes)
{
    EXPECT_TRUE(camera->IsSphereCulled(OmSphere(OmVector3(0, 0, -5), 1.0f)));
    EXPECT_EQ(camera->GetPlaneMask(), OmCamera::kAllPlanes); // near tested first: nothing cleared
    // Wholly inside the near plane, straddling the far one.
    EXPECT_FALSE(camera->IsSphereCulled(OmSphere(OmVector3(0, 0, 100), 2.0f)));
    EXPECT_EQ(camera->GetPlaneMask() & 0x3Fu, 1u << OM_PLANE_FAR);
    // Planes not in the mask are not tested.
    camera->SetPlaneMask(~1u);
    EXPECT_FALSE(camera->IsSphereCulled(OmSphere(OmVector3(0, 0, 0.5f), 0.1f)));
    camera->SetPlaneMask(OmCamera::kAllPlanes);
    EXPECT_TRUE(camera->IsSphereCulled(OmSphere(OmVector3(0, 0, 0.5f), 0.1f)));
}

TEST_F(OmCameraTest, ABoxIsCulledOnlyWhenWhollyOutsideAPlane)
{
    EXPECT_FALSE(camera->IsBoxCulled(OmVector3(-1, -1, 5), OmVector3(1, 1, 6)));
    EXPECT_TRUE(camera->IsBoxCulled(OmVector3(-1, -1, -6), OmVector3(1, 1, -5)));
    // Touching the near plane from inside is not culled; just short of it is.
    EXPECT_FALSE(camera->IsBoxCulled(OmVector3(-0.1f, -0.1f, 0.0f), OmVector3(0.1f, 0.1f, 1.0f)));
    EXPECT_TRUE(camera->IsBoxCulled(OmVector3(-0.1f, -0.1f, 0.0f), OmVector3(0.1f, 0.1f, 0.99f)));
}

TEST_F(OmCameraTest, PickRaysGoThroughTheWindowInPerspectiveAndOrthographic)
{
    OmProjection projection = camera->GetProjection();
    projection.halfWidth = 0.5f;
    projection.halfHeight = 0.25f;
    projection.nearDistance = 2.0f;
    camera->SetProjection(projection);
    camera->SetFrame(OmVector3(1, 2, 3), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));

    OmVector3 origin, direction;
    camera->GetPickRay(0.0f, 0.0f, origin, direction);
    EXPECT_TRUE(direction.Equals(OmVector3(0, 0, 1)));
    EXPECT_TRUE(origin.Equals(OmVector3(1, 2, 3)));
    // Top right: y runs downwards on the screen.
    camera->GetPickRay(1.0f, -1.0f, origin, direction);
    EXPECT_TRUE(OmVector3::NearlyEqual(direction, OmVector3(0.25f, 0.125f, 1.0f), 1e-6f));

    projection.orthographic = 1;
    camera->SetProjection(projection);
    camera->GetPickRay(1.0f, 1.0f, origin, direction);
    EXPECT_TRUE(direction.Equals(OmVector3(0, 0, 1)));
    EXPECT_TRUE(OmVector3::NearlyEqual(origin, OmVector3(1.5f, 1.75f, 3.0f), 1e-6f));
}

TEST_F(OmMaxLightTest, IlluminationFollowsTheAngleOfTheSurfaceToTheLight)
{
    const OmVector3 up(0, 1, 0);
    // Below the light, facing it: full; facing away: nothing; at 60 degrees cos 60.
    EXPECT_FLOAT_EQ(light->IlluminationAt(OmVector3(0, -2, 0), up), 1.0f);
    EXPECT_FLOAT_EQ(light->IlluminationAt(OmVector3(0, -2, 0), OmVector3(0, -1, 0)), 0.0f);
    EXPECT_NEAR(light->IlluminationAt(OmVector3(std::sqrt(3.0f), -1, 0), up), 0.5f, 1e-6f);
    // At the light itself: lit as if from straight above.
    EXPECT_FLOAT_EQ(light->IlluminationAt(OmVector3(0, 0, 0), OmVector3(0.6f, -0.8f, 0)), 1.0f);
}

TEST_F(OmMaxLightTest, NearAndFarRangesAndTheDecayShapeTheStrength)
{
    light->nearAttenuation = light->farAttenuation = 1;
    light->nearStart = 1.0f;
    light->nearEnd = 3.0f;
    light->farStart = 5.0f;
    light->farEnd = 9.0f;
    ExpectStrengths(*light, {{{1, 0, 0}, 0}, {{2, 0, 0}, 0.5f}, {{4, 0, 0}, 1}, {{7, 0, 0}, 0.5f}, {{9, 0, 0}, 0}},
                    "near and far ranges");
    light->nearAttenuation = light->farAttenuation = 0;
    light->decay = OmMaxLight::kInverse;
    ExpectStrengths(*light, {{{4, 0, 0}, 0.25f}}, "inverse");
    light->decay = OmMaxLight::kInverseSquare;
    ExpectStrengths(*light, {{{4, 0, 0}, 1.0f / 16.0f}}, "inverse square");
    EXPECT_TRUE(std::isfinite(light->StrengthAt(OmVector3(0, 0, 0)))) << "at the light itself";
}

TEST_F(OmMaxLightTest, ALightWithoutAMultiplierOrSwitchedOffGivesNothing)
{
    light->multiplier = 0.0f;
    ExpectStrengths(*light, {{{1, 0, 0}, 0}}, "no multiplier");
    light->multiplier = 1.0f;
    light->on = 0;
    ExpectStrengths(*light, {{{1, 0, 0}, 0}}, "switched off");
}

TEST_F(OmMaxLightTest, ASpotFadesFromHotspotToFalloffAndOvershootLightsBehind)
{
    light->type = OmMaxLight::kSpot;
    light->multiplier = 2.0f;
    light->hotspot = 0.5f;
    light->falloff = 1.0f;
    // Halfway between the cosines of hotspot and falloff gives half.
    const float angle = std::acos(0.5f * (std::cos(0.5f) + std::cos(1.0f)));
    ExpectStrengths(*light,
                    {{{0, -5, 0}, 2}, {{std::sin(angle), -std::cos(angle), 0}, 1}, {{5, 0, 0}, 0}, {{0, 5, 0}, 0}},
                    "spot: hot, between, on the light's plane, behind");
    light->overshoot = 1;
    ExpectStrengths(*light, {{{0, 5, 0}, 2}}, "overshoot");
}

// A round parallel beam of radius 1 (full) to 3 (none) down the y axis.
TEST_F(OmMaxLightTest, ABeamLightsARoundOrRectangularParallelCone)
{
    light->type = 3;
    light->hotspot = 1.0f;
    light->falloff = 3.0f;
    ExpectStrengths(*light, {{{0.5f, -4, 0}, 1}, {{2, -4, 0}, 0.5f}, {{3.5f, -4, 0}, 0}}, "round beam");
    // A rectangular beam twice as wide as high: x along up, y along the side (2 x (1..3)).
    light->beamShape = 1;
    light->aspect = 2.0f;
    ExpectStrengths(*light,
                    {{{0, -4, 0.5f}, 1}, {{0, -4, 2}, 0.5f}, {{0, -4, 3}, 0}, {{4, -4, 0}, 0.5f}, {{6, -4, 0}, 0}},
                    "rectangular beam");
}
