#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/OmRef.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityGrid.h"
#include "game/objects/TsNeighbourList.h"
#include "tests/engine/TestClass.h"

namespace {

OM_TEST_CLASS(NeighbourSpot, TsEntity);
OM_IMPLEMENT_CLASS(NeighbourSpot, TsEntity)

} // namespace

// The same as when the owner is measured against every entity; long lists
// with ties and a far straggler sort as short ones do, and the near part of
// a list, asked for before the whole is sorted, comes in the whole list's
// order, ties and all.
TEST(NeighbourList, NeighboursFromTheGridAreThoseWithinReachInOrder)
{
    constexpr float kReach = 20.0f;
    std::vector<OmRef<TsEntity>> made;
    OmArray<TsEntity*> all;
    auto add = [&](float x, float z) {
        made.push_back(OmMakeRef<NeighbourSpot>());
        made.back()->SetPosition(x, 0.0f, z);
        made.back()->SetRadius(0.5f);
        all.Add(made.back());
    };
    add(0.0f, 0.0f);
    for (int i = 0; i < 300; ++i) {
        // A spiral out to 60 units, every tenth on the spot of the one before.
        const float r = 0.2f * float(i - i % 10 / 9), a = 0.7f * float(i - i % 10 / 9);
        add(r * std::cos(a), r * std::sin(a));
    }
    add(1.0e5f, 0.0f);
    const TsEntity& centre = *made[0];
    TsNeighbourList neighbours;
    neighbours.Build(centre, all);
    const OmArray<TsNeighbourList::Neighbour>& list = neighbours.Sorted();
    ASSERT_EQ(list.GetCount(), all.GetCount() - 1) << "from a plain array: everyone";
    std::vector<TsEntity*> near;
    for (uint32_t i = 0; i < list.GetCount(); ++i) {
        if (i > 0) {
            EXPECT_LE(list[i - 1].separation, list[i].separation) << i;
        }
        if (list[i].separation <= kReach)
            near.push_back(list[i].entity);
    }
    TsEntityGrid grid;
    grid.Build(all);
    neighbours.Build(centre, kReach, grid);
    OmArray<TsNeighbourList::Neighbour> part;
    neighbours.Within(10.0f, part);
    const OmArray<TsNeighbourList::Neighbour>& sorted = neighbours.Sorted();
    ASSERT_EQ(sorted.GetCount(), near.size()) << "from the grid: those within reach";
    for (uint32_t i = 0; i < sorted.GetCount(); ++i) {
        if (i > 0) {
            EXPECT_LE(sorted[i - 1].separation, sorted[i].separation) << i;
        }
        EXPECT_NE(std::find(near.begin(), near.end(), sorted[i].entity), near.end()) << i;
    }
    ASSERT_GT(part.GetCount(), TsNeighbourList::kBucketSortFrom);
    ASSERT_LT(part.GetCount(), sorted.GetCount());
    for (uint32_t i = 0; i < part.GetCount(); ++i)
        EXPECT_EQ(part[i].entity, sorted[i].entity) << i;
}
