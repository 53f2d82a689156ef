// Writes the demo level under the folder given on the command line
// (normally data/), by the road every demo level takes (DemoLevelWriter.h):
// two rooms joined by a corridor, a ramp in the second room and a water
// pool in the first, two lights (one dynamic), a dynamic crate and a smoke
// effect node, under levels/demo/.
//
// Usage: make_demo_level DATA_DIR
#include <cstdio>

#include "tools/DemoLevelWriter.h"

namespace {

demolevel::Plan DemoPlan()
{
    using demolevel::B;
    demolevel::Plan plan;
    plan.name = "demo";
    plan.solids = demolevel::Solids();
    plan.lamps = demolevel::Lamps();
    plan.boxes = {{"dyn_crate", demolevel::kCratePosition, 0.4f}, {"fx_smoke", demolevel::kSmokePosition, 0.1f}};
    plan.floors = {B(0, 0, 0, 8, 0, 8), B(12, 0, 0, 20, 0, 8), B(8, 0, demolevel::kDoorZ0, 12, 0, demolevel::kDoorZ1)};
    plan.marks = {B(9, 0, 3.5f, 11, 0, 4.5f)};
    return plan;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_level DATA_DIR\n");
        return 2;
    }
    return demolevel::WriteLevel("make_demo_level", argv[1], DemoPlan());
}
