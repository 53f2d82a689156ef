// The real application on the test display: modes the test controls, the
// clock run by hand (a tick is 100 units), input through SDL's queue and
// frames read back from the screen.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/OmClass.h"
#include "game/framework/TsGameMode.h"
#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsMain.h"
#include "testing/ManualClock.h"
#include "tests/app/ScreenGrab.h"
#include "tests/engine/TestClass.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"

class TsGuiControl;

namespace apptest {

// What the test modes saw, and how they behave.
struct ModeScript {
    bool importResult = true;
    bool initialiseResult = true;
    int requestInTick = TS_MODE_NO_REQUEST; // asked for once, in the next tick
    bool clearScreen = false;               // Render draws a green frame

    int made = 0;
    int destroyed = 0;
    int imports = 0;
    std::vector<uint32_t> ticks; // tick counts handed to Tick
    struct Drawn {
        float renderTime, fraction;
    };
    std::vector<Drawn> renders;
    // What the destructor found still standing.
    bool scriptStateAtDestruction = true;
    bool audioAtDestruction = true;
};

ModeScript& Script();

class TestMode : public TsGameMode {
    OM_DECLARE_CLASS(TestMode)
public:
    TestMode() : TestMode(TS_MODE_FRONT_END) {}
    explicit TestMode(TsModeType type);
    explicit TestMode(OmArchive& archive) : TsGameMode(archive) {}
    ~TestMode() override;

    bool Import() override
    {
        ++Script().imports;
        return Script().importResult;
    }
    bool Initialise() override { return Script().initialiseResult; }
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    TsModeType GetModeType() const override { return m_type; }

private:
    TsModeType m_type = TS_MODE_FRONT_END;
};

// A pooled object of a registered class, as a mode's world is made of.
OM_TEST_CLASS(TestThing, OmObject);

TsGameMode* MakeFrontEnd();
TsGameMode* MakeObjectView();
TsGameMode* MakeLevel();

// The channels of an A8R8G8B8 word.
inline int Red(uint32_t p) { return int(p >> 16 & 0xFF); }
inline int Green(uint32_t p) { return int(p >> 8 & 0xFF); }
inline int Blue(uint32_t p) { return int(p & 0xFF); }

// The screen read back: A8R8G8B8 words, row by row from the top.
using Picture = game_test::Screenshot;

struct ShownBox {
    std::string caption, text;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the application, unopened.
    void Make();
    // Makes and starts the application (the factories set before count).
    void Start();
    // Opens the application Make made, as Start does.
    void OpenMade();
    // Moves the clock, then takes the waiting messages and runs one frame;
    // Frames does that count times.
    void FrameAfter(int64_t units);
    void Frames(int count, int64_t units = kTickUnits);
    // Frames of `units` each until the condition holds: false once maxFrames
    // frames are spent without it.
    bool StepUntil(const std::function<bool()>& condition, int maxFrames, int64_t units = kTickUnits);
    // Puts the key's press or release, or the button's, into SDL's queue.
    void Key(int keyCode, bool down);
    void Button(bool down, int button = 0);
    // The key down for `frames` frames, then up again for as many, so the
    // next tap is a new press.
    void Tap(int keyCode, int frames = 1);
    // The pointer to (x, y) (to the middle of the window), through SDL's queue.
    void MouseTo(int x, int y);
    void MouseToCentre();
    // A button pressed where the pointer is and let go a frame later; a
    // frame follows each.
    void ClickHere(int button = 0);
    // The pointer to (x, y) and a frame, then a click there.
    void Click(int x, int y, int button = 0);
    void ClickCentre(const TsGuiControl& control);
    // A scratch folder, the working folder from then on, that sees the
    // demo's built scripts and data.
    void ScratchWithDemoData();
    // Runs a chunk of script in the game's state: 0 when it ran.
    static int RunLua(const std::string& code);
    // A global number of the game's script state; -1 when there is none.
    static double LuaNumber(const char* name);
    // A global string of the game's script state; empty when there is none.
    static std::string LuaString(const char* name);
    // The screen as A8R8G8B8 words: the pixel at the centre.
    uint32_t CentrePixel();
    Picture Look();
    Picture LookAfter(int count, int64_t units = kTickUnits);

    // The clock counts milliseconds: a tick of the game is 100 of them.
    static constexpr int64_t kClockRate = 1000;
    static constexpr int64_t kTickUnits = 100;
    static constexpr int kMixRate = 22050;

    std::unique_ptr<ManualClock> clock;
    std::unique_ptr<TsMain> app;
    std::unique_ptr<ScratchDir> scratch; // goes after the application
    std::vector<ShownBox> boxes;
    LogCapture log;
};

} // namespace apptest
