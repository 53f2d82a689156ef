// The application started in a scratch working folder that sees the built
// demo's scripts and data, with the level mode registered: the common
// ground of the tests that play the demo level in-process.
#pragma once

#include <memory>

#include "game/level/TsLevel.h"
#include "tests/app/AppFixture.h"
#include "tests/game/framework/ScratchDir.h"

namespace apptest {

class DemoLevelTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts Ann's new game and takes it through the load screen into the
    // level, letting settleFrames frames run once there.
    void EnterDemoLevel(int settleFrames = 3);
    // Serves the pending switch, then lets the load screen go.
    void SwitchAndContinue(int settleFrames = 3);

    static TsLevel* Level();

    std::unique_ptr<ScratchDir> scratch;
};

} // namespace apptest
