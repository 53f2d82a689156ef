#include "game/framework/TsGameMode.h"

#include "game/framework/TsLog.h"

OM_IMPLEMENT_ABSTRACT_CLASS(TsGameMode, TsObject)

namespace {

// Once per run: these run every tick or frame.
void ReportMissing(bool& reported, const char* what)
{
    if (!reported) {
        reported = true;
        LogErrorF("TsGameMode: %s", what);
    }
}

} // namespace

bool TsGameMode::Initialise()
{
    static bool reported = false;
    ReportMissing(reported, "no scene root, renderer set-up or texture loading: the scene graph and "
                            "the renderer are not built yet");
    return true;
}

void TsGameMode::Tick(uint32_t)
{
    static bool reported = false;
    ReportMissing(reported, "no audio update or camera tick: the audio object and the game camera "
                            "are not built yet");
}

void TsGameMode::Render(float, float)
{
    static bool reported = false;
    ReportMissing(reported, "nothing drawn: the renderer and the game camera are not built yet");
}
