// The game's entry point: one running copy, the application object, the
// renderer, the options, then the main loop.
#include <memory>
#include <new>

#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsOptions.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"

namespace {

int RunGame()
{
    if (TsMain::Instance()) {
        plat::ShowMessageBox(TsMain::kCaption, "Application already active");
        return 0;
    }
    const TsOptions* options = TsAccess::Options();
    std::unique_ptr<TsMain> app(new (std::nothrow)
                                    TsMain(TsMain::kTitle, options->GetScreenWidth(), options->GetScreenHeight()));
    if (!app) {
        plat::ShowMessageBox(TsMain::kCaption, "Error creating application");
        return 0;
    }
    app->CreateRenderer();
    TsAccess::Options()->Load();
    LogError("Start-up: no start-up dialog: it is not built yet; the options are used as they stand");
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
    return RunGame();
}
