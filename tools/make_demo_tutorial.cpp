// Writes the tutorial level under the folder given on the command line
// (normally data/), by the road every demo level takes
// (DemoLevelWriter.h), under levels/tutorial/: the first room (X 0..8,
// Z 0..8), where the party learns to walk and pick up, and the second
// room (X 12..20, Z 0..8), where the guide waits to talk, joined by a
// corridor along Z 3..5 that a door closes at X 10.
//
// Usage: make_demo_tutorial DATA_DIR
#include <cstdio>

#include "tools/DemoLevelWriter.h"

namespace {

constexpr float kCorridorZ0 = 3.0f, kCorridorZ1 = 5.0f;

demolevel::Plan TutorialPlan()
{
    demolevel::Plan plan;
    plan.name = "tutorial";
    demolevel::AddRoom(plan, "first room", 0, 0, 8, 8, {{'e', kCorridorZ0, kCorridorZ1}});
    demolevel::AddRoom(plan, "second room", 12, 0, 20, 8, {{'w', kCorridorZ0, kCorridorZ1}});
    demolevel::AddCorridor(plan, 8, 12, kCorridorZ0, kCorridorZ1);
    plan.lamps = {{"lampFirst", OmVector3(4, 2.5f, 4), OmVector3(1.0f, 0.95f, 0.85f), 9.0f},
                  {"lampSecond", OmVector3(16, 2.5f, 4), OmVector3(0.85f, 0.9f, 1.0f), 9.0f}};
    plan.daylight = {demolevel::CampaignDaylight()};
    return plan;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_tutorial DATA_DIR\n");
        return 2;
    }
    return demolevel::WriteLevel("make_demo_tutorial", argv[1], TutorialPlan());
}
