#include <gtest/gtest.h>

#include "game/framework/TsEntity.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsWorld.h"
#include "tests/game/world/AIMapTestSupport.h"
#include "tests/render/RendererFixture.h"

using namespace aimap_test;

// An entity for the view to follow.
class AIMapDebugEntity : public TsEntity {
    OM_DECLARE_CLASS(AIMapDebugEntity)
    AIMapDebugEntity() = default;
    explicit AIMapDebugEntity(OmArchive& archive) : TsEntity(archive) {}
};
OM_IMPLEMENT_CLASS(AIMapDebugEntity, TsEntity)

namespace {

class AIMapDebugTest : public rtest::RendererTest {};

uint32_t Primitives(rtest::TestRenderer& r)
{
    return r.GetFrameStats()->words[OmRenderStats::kPrimitives];
}

} // namespace

TEST_F(AIMapDebugTest, TheTilesAroundTheTrackedEntityAreDrawnAndTheStatesPutBack)
{
    ASSERT_TRUE(Open(640, 480));
    // Near the entity: a wall, a marked tile, a passable tile; the rest clear.
    std::vector<std::string> rows(40, std::string(40, '3'));
    rows[25][25] = '.';
    rows[20][20] = '#';
    rows[21][21] = 'k';
    WorldPtr world = WorldWith(rows, 1.0f, 100, 200);
    AIMapDebugEntity* entity = new AIMapDebugEntity;
    entity->SetName("walker");
    entity->SetPosition(120.5f, 0.0f, 220.5f);

    ASSERT_TRUE(renderer->BeginScene(0.0f));
    world->DrawAIMapDebug();
    EXPECT_EQ(Primitives(*renderer), 0u) << "nothing is tracked";
    world->SetTrackedEntity(entity);
    renderer->SetLighting(true);
    const uint32_t lighting = renderer->GetRenderState(plat::GfxRs::Lighting);
    const uint32_t blend = renderer->GetRenderState(plat::GfxRs::AlphaBlendEnable);
    world->DrawAIMapDebug();
    // The square under the entity, then 20 x 20 tiles of two primitives
    // each (the wall and the marked tile filled, every other tile an
    // outline), and a second fill on each clear tile.
    uint32_t clear = 0;
    TsAIMap copy;
    TsWorldAIMap::Copy(*world, copy);
    for (int32_t z = 210; z < 230; ++z)
        for (int32_t x = 110; x < 130; ++x)
            clear += (copy.CodeAt(x, z) & 2u) ? 1 : 0;
    EXPECT_EQ(clear, 397u);
    EXPECT_EQ(Primitives(*renderer), 2u + 400u * 2u + clear * 2u);
    EXPECT_EQ(renderer->GetRenderState(plat::GfxRs::Lighting), lighting);
    EXPECT_EQ(renderer->GetRenderState(plat::GfxRs::AlphaBlendEnable), blend);
    float x, y, depth;
    if (world->WorldToScreen(OmVector3(120.5f, 2.0f, 220.5f), x, y, depth)) {
        ASSERT_GE(renderer->GetQueuedTextCount(), 1u);
        EXPECT_STREQ(renderer->GetQueuedText(0).text, "walker");
    }
    renderer->EndScene();
    renderer->ClearQueuedText();
    world->SetTrackedEntity(nullptr);
    entity->Release();
}
