// The real application on the test display with the title front end as its
// mode, running in a scratch folder that links the demo's data and scripts
// (so saves and options.lua stay there), with the clock run by hand and
// input fed through SDL's queue.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/framework/TsMain.h"
#include "tests/engine/ManualClock.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScratchDir.h"
#include "ui/TsFrontEnd.h"

namespace titletest {

class TitleTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void Start(int width = 640, int height = 480);
    TsFrontEnd& Title();
    void Frame();
    void Frames(int count);
    void Key(int code, bool down);
    // Down for a frame, then up for a frame.
    void Tap(int code);
    // The front buffer as 0xRRGGBB words, top row first.
    std::vector<uint32_t> ReadScreen();
    std::string Scratch(const std::string& relative) const;

    std::unique_ptr<ManualClock> clock;
    std::unique_ptr<ScratchDir> scratch;
    std::unique_ptr<TsMain> app;
    LogCapture log;
    int width = 0, height = 0;
};

constexpr int kKeyEscape = 0x01;
constexpr int kKeyReturn = 0x1C;

} // namespace titletest
