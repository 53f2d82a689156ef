#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "engine/OmRef.h"
#include "game/framework/TsEntityGrid.h"
#include "tests/game/framework/TestEntities.h"

namespace {

// A gathering leaves out the cells of the square that lie beyond the disc;
// it must still reach everything within the distance, from any centre: in
// the crowd, at its edges and corners, and outside it.
TEST(TsEntityGrid, AGatheringReachesEveryEntityWithinTheDistanceFromAnyCentre)
{
    std::vector<OmRef<TestThing>> things;
    OmArray<TsEntity*> entities;
    for (int i = 0; i < 900; ++i) {
        things.push_back(OmMakeRef<TestThing>());
        // A jittered lattice 90 units square, off the cell boundaries.
        const float x = 3.0f * float(i % 30) + 0.37f * float(i % 7);
        const float z = 3.0f * float(i / 30) + 0.29f * float(i % 5);
        things.back()->SetPosition(x, 0.0f, z);
        things.back()->SetRadius(0.3f);
        entities.Add(things.back().Get());
    }
    TsEntityGrid grid;
    grid.Build(entities);
    const float centres[][2] = {{45.0f, 45.0f}, {0.0f, 0.0f},   {89.0f, 3.0f},  {12.5f, 88.0f},
                                {45.0f, -5.0f}, {-20.0f, 40.0f}, {98.0f, 98.0f}, {22.1f, 61.7f}};
    for (const float reach : {2.0f, 9.0f, 20.6f}) {
        for (const auto& c : centres) {
            SCOPED_TRACE(testing::Message() << "centre " << c[0] << ", " << c[1] << ", reach " << reach);
            std::set<const TsEntity*> visited;
            grid.ForEachNear(c[0], c[1], reach, [&](const TsEntityGrid::Item& item) { visited.insert(item.entity); });
            for (uint32_t i = 0; i < entities.GetCount(); ++i) {
                const TsEntity* e = entities[i];
                const float dx = e->GetPosition().x - c[0], dz = e->GetPosition().z - c[1];
                if (std::sqrt(dx * dx + dz * dz) <= reach) {
                    ASSERT_TRUE(visited.count(e)) << e->GetPosition().x << ", " << e->GetPosition().z;
                }
            }
        }
    }
}

} // namespace
