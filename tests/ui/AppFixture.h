// The real application on the test display with a front-end mode of the
// test's choosing: the clock run by hand (one tick a frame), keys and the
// mouse fed through SDL's queue, and the screen read back. TitleTest runs
// the title front end in a scratch folder that links the demo's data and
// scripts (so saves and options.lua stay there).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "game/framework/TsMain.h"
#include "platform/EventInjection.h"
#include "platform/Window.h"
#include "tests/engine/ManualClock.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/framework/ScratchDir.h"
#include "ui/TsFrontEnd.h"

namespace apptest {

class ScreenAppTest : public ::testing::Test {
protected:
    explicit ScreenAppTest(TsGameMode* (*makeMode)()) : makeMode_(makeMode) {}
    void SetUp() override;
    void TearDown() override;

    // The application at 640 x 480, its front-end mode made by makeMode.
    void Start();
    // One frame of exactly one tick, after the waiting input.
    void Frame();
    void Frames(int count)
    {
        for (int i = 0; i < count; ++i)
            Frame();
    }
    void Key(int code, bool down) { ASSERT_TRUE(plat::InjectKey(*app->GetWindow(), code, down)); }
    // Down for a frame, then up for a frame.
    void Tap(int code);
    void MoveMouse(int x, int y) { plat::InjectMouseMove(*app->GetWindow(), x, y); }
    void Button(bool down, int button = 0) { plat::InjectMouseButton(*app->GetWindow(), button, down); }
    // Move, press (one frame), release (one frame).
    void Click(int x, int y);

    // The front buffer as 0xRRGGBB words, top row first.
    std::vector<uint32_t> ReadScreen();
    // A pixel of the screen read back; an impossible colour outside it.
    uint32_t Pixel(const std::vector<uint32_t>& screen, int x, int y) const;

    std::unique_ptr<ManualClock> clock;
    std::unique_ptr<ScratchDir> scratch;
    std::unique_ptr<TsMain> app;
    LogCapture log;
    int width = 0, height = 0;

private:
    TsGameMode* (*makeMode_)();
};

} // namespace apptest

namespace titletest {

class TitleTest : public apptest::ScreenAppTest {
protected:
    TitleTest();
    void SetUp() override;
    TsFrontEnd& Title() { return *TsFrontEnd::Cast(app->GetMode()); }
};

constexpr int kKeyEscape = 0x01;
constexpr int kKeyReturn = 0x1C;

} // namespace titletest
