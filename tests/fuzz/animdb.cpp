// Feeds arbitrary bytes to the animation database as its file: opening and
// loading every entry must answer, never crash or over-allocate, and every
// animation it loads must fit inside the file it came from.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/OmBoneAnimation.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsConsole.h"

namespace {

const std::string& DatabasePath()
{
    static const std::string path = "/tmp/fuzz_animdb_" + std::to_string(::getpid()) + ".tsa";
    return path;
}

void Quiet(std::string_view, TsColour, void*) {}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TsConsole::SetHook(Quiet, nullptr);
    std::FILE* file = std::fopen(DatabasePath().c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    TsAnimationDB db;
    if (!db.Open(DatabasePath().c_str()))
        return 0;
    for (int32_t e = 0; e < int32_t(db.GetEntryCount()); ++e)
        db.MarkForLoading(e);
    db.LoadAnimations();
    for (int32_t e = 0; e < int32_t(db.GetEntryCount()); ++e) {
        for (int32_t s = 0; s < TSANIM_COUNT; ++s) {
            const OmBoneAnimation* anim = db.GetAnimation(e, s);
            if (anim && (anim->RecordSize() > size || !anim->keys || !anim->rootPositions))
                std::abort();
        }
    }
    return 0;
}
