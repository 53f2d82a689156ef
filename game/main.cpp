// The game's entry point: one running copy, the application object, the
// renderer, the options, then the main loop.
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "engine/OmPoolLeaks.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsObjectView.h"
#include "game/framework/TsOptions.h"
#include "game/framework/TsStartupDialog.h"
#include "game/level/TsGameLevelHost.h"
#include "game/level/TsLevel.h"
#include "platform/Display.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "ui/TsFrontEnd.h"

namespace {

int RunGame()
{
    std::string reason;
    if (!plat::HasDisplay(&reason)) {
        plat::ShowMessageBox(TsMain::kCaption, "Error: there is no display to show the game on (" + reason + ")");
        return 0;
    }
    if (TsMain::Instance()) {
        plat::ShowMessageBox(TsMain::kCaption, "Application already active");
        return 0;
    }
    TsMain::SetModeFactory(TS_MODE_FRONT_END, []() -> TsGameMode* { return new TsFrontEnd(); });
    TsMain::SetLevelHostFactory(&TsGameLevelHost::Make);
    TsOptions& options = *TsAccess::Options();
    std::unique_ptr<TsMain> app(new (std::nothrow)
                                    TsMain(TsMain::kTitle, options.GetScreenWidth(), options.GetScreenHeight()));
    if (!app) {
        plat::ShowMessageBox(TsMain::kCaption, "Error creating application");
        return 0;
    }
    TsMain::SetModeFactory(TS_MODE_OBJECT_VIEW, &TsObjectView::Create);
    TsMain::SetModeFactory(TS_MODE_LEVEL, &TsLevel::Make);
    app->CreateRenderer();
    options.Load();
    bool skipVideos = false;
    if (!TsStartupDialog::Run(options, skipVideos)) {
        return 0;
    }
    options.Save(); // the dialog's choices persist
    app->SetSkipVideos(skipVideos);
    return app->Run();
}

} // namespace

int main()
{
    plat::UseCLocale();
    plat::InstanceLock lock("TESSARANGAME");
    if (lock.GetState() == plat::InstanceLock::State::AlreadyRunning) {
        return -1;
    }
    const int status = RunGame();
    // The sanitizer build ends like its own leak check when a pooled object
    // was lost on the way.
    OmPoolLeaks::ReportEveryPool("the game ended");
    if (OmPoolLeaks::Reported() > 0) {
        std::fprintf(stderr, "Pool leak: %u pooled objects were never given back\n", OmPoolLeaks::Reported());
        return status != 0 ? status : OmPoolLeaks::kExitStatus;
    }
    return status;
}
