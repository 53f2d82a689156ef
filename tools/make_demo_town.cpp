// Writes the demo campaign's town under the folder given on the command
// line (normally data/), by the road every demo level takes
// (DemoLevelWriter.h): one walled square, 16 by 12 units, with the trader's
// booth against its north wall and the way out to the mission through a gap
// in its east wall (closed off by a wall piece beyond it), under levels/town/.
//
// Usage: make_demo_town DATA_DIR
#include <cstdio>

#include "tools/DemoLevelWriter.h"

namespace {

demolevel::Plan TownPlan()
{
    using demolevel::B;
    demolevel::Plan plan;
    plan.name = "town";
    demolevel::AddRoom(plan, "square", 0, 0, 16, 12, {{'e', 5, 7}});
    constexpr float h = demolevel::kHeight;
    // The way out: a short dead end past the gap, where the level change waits.
    plan.solids.push_back({"way out floor", B(16, -demolevel::kWall, 5, 18, 0, 7)});
    plan.solids.push_back({"way out south wall", B(16, 0, 4.75f, 18, h, 5), "stone", false, false, nullptr, true});
    plan.solids.push_back({"way out north wall", B(16, 0, 7, 18, h, 7.25f), "stone", false, false, nullptr, true});
    plan.solids.push_back({"way out end", B(18, 0, 4.75f, 18.25f, h, 7.25f), "stone", false, false, nullptr, true});
    plan.floors.push_back(B(16, 0, 5, 18, 0, 7));
    // The trader's booth: a counter the trader stands behind.
    plan.solids.push_back({"booth counter", B(6, 0, 9, 10, 1, 9.5f), "stone", false, false, nullptr, true});
    plan.solids.push_back({"fountain", B(3, 0, 3, 5, 0.2f, 5), "water", false, true, "fx_water"});
    plan.lamps = {{"lampSquare", OmVector3(8, 2.5f, 6), OmVector3(1.0f, 0.95f, 0.85f), 12.0f},
                  {"lampBooth", OmVector3(8, 2.5f, 10.5f), OmVector3(1.0f, 0.8f, 0.6f), 5.0f}};
    plan.daylight = {demolevel::CampaignDaylight()};
    plan.marks = {B(16.5f, 0, 5.5f, 17.5f, 0, 6.5f)};
    return plan;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_town DATA_DIR\n");
        return 2;
    }
    return demolevel::WriteLevel("make_demo_town", argv[1], TownPlan());
}
