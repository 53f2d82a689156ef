// The real application started for a benchmark: in a scratch working folder
// that sees the demo's scripts and data, on a clock moved by hand,
// with the front end and the level as its modes, its window focused.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

#include "game/framework/TsConsole.h"
#include "game/framework/TsMain.h"
#include "game/level/TsGameLevelHost.h"
#include "game/level/TsLevel.h"
#include "platform/EventInjection.h"
#include "platform/Window.h"
#include "testing/ManualClock.h"
#include "testing/ScratchDir.h"
#include "ui/TsFrontEnd.h"

namespace bench {

// Errors logged while the game runs: the figures of a run that logged one
// are suspect, so they are counted and the lines shown (the console hook).
inline int g_loggedErrors = 0;

inline void CountLoggedError(std::string_view text, TsColour colour, void*)
{
    if (colour.r == 255 && colour.g == 0 && colour.b == 0) {
        ++g_loggedErrors;
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
}

// False when the window or the renderer could not be opened (no display).
inline bool StartApp(std::unique_ptr<ScratchDir>& scratch, std::unique_ptr<ManualClock>& clock,
                     std::unique_ptr<TsMain>& app, int width, int height)
{
    scratch = std::make_unique<ScratchDir>();
    if (!scratch->LinkDemoData())
        std::fprintf(stderr, "the demo data is missing: run tools/make-data BUILD_DIR\n");
    clock = std::make_unique<ManualClock>(1000);
    TsMain::SetModeFactory(TS_MODE_FRONT_END, []() -> TsGameMode* { return new TsFrontEnd(); });
    TsMain::SetModeFactory(TS_MODE_LEVEL, &TsLevel::Make);
    TsMain::SetLevelHostFactory(&TsGameLevelHost::Make);
    app = std::make_unique<TsMain>(TsMain::kTitle, width, height);
    app->CreateRenderer();
    app->SetSkipVideos(true);
    if (!app->Open(false))
        return false;
    plat::InjectFocus(*app->GetWindow(), true);
    TsMain::PumpMessages();
    return true;
}

} // namespace bench
