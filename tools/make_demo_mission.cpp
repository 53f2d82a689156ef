// Writes the demo campaign's mission level under the folder given on the
// command line (normally data/), by the road every demo level takes
// (DemoLevelWriter.h), under levels/mission/: the party's room (X 0..10,
// Z 0..10) and the squad's hall (X 14..26, Z 0..12) joined by a corridor
// along Z 4..6 that the vault door closes at X 12; a ramp to a ledge in the
// hall and a dynamic crate in the party's room.
//
// Usage: make_demo_mission DATA_DIR
#include <cstdio>

#include "tools/DemoLevelWriter.h"

namespace {

constexpr float kCorridorZ0 = 4.0f, kCorridorZ1 = 6.0f;

demolevel::Plan MissionPlan()
{
    using demolevel::B;
    demolevel::Plan plan;
    plan.name = "mission";
    demolevel::AddRoom(plan, "party's room", 0, 0, 10, 10, {{'e', kCorridorZ0, kCorridorZ1}});
    demolevel::AddRoom(plan, "squad's hall", 14, 0, 26, 12, {{'w', kCorridorZ0, kCorridorZ1}});
    demolevel::AddCorridor(plan, 10, 14, kCorridorZ0, kCorridorZ1);
    plan.solids.push_back({"ramp", B(20, 0, 9, 24, 1, 11), "stone", true});
    plan.lamps = {{"lampParty", OmVector3(5, 2.5f, 5), OmVector3(1.0f, 0.9f, 0.8f), 10.0f},
                  {"dyn_lampHall", OmVector3(20, 2.5f, 6), OmVector3(0.7f, 0.75f, 1.0f), 12.0f}};
    plan.daylight = {demolevel::CampaignDaylight()};
    plan.boxes = {{"dyn_crate", OmVector3(2, 0.4f, 8), 0.4f}};
    // The corridor is marked for squads holding the vault key.
    plan.marks = {B(11, 0, 4.5f, 13, 0, 5.5f)};
    return plan;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_mission DATA_DIR\n");
        return 2;
    }
    return demolevel::WriteLevel("make_demo_mission", argv[1], MissionPlan());
}
