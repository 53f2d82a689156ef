// Feeds arbitrary bytes to the animation database as its file: opening and
// loading every entry must answer, never crash or over-allocate, and every
// animation it loads must fit inside the file it came from.
#include <cstdlib>

#include "engine/OmBoneAnimation.h"
#include "game/framework/TsAnimationDB.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzinput::NoPoolLeaks poolLeaks;
    fuzzinput::Quiet();
    const std::string path = fuzzinput::WriteInput("animdb.tsa", data, size);
    TsAnimationDB db;
    if (path.empty() || !db.Open(path.c_str()))
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
