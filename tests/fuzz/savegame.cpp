// Whatever saved game the game accepts, it can save and read back: a file
// the level host's load accepts (the archive and its roots) is saved again
// as the host saves it, the player and then the level, and that save must
// load. Each load is taken down as a refused one is.
#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "game/level/TsGameLevelHost.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

// False when the host accepts the file but not the save made of it.
bool ResavedLoads(const std::string& path)
{
    OmArchive loaded(OmClassRegistry::Instance());
    if (!TsGameLevelHost::LoadGameArchive(loaded, path.c_str(), "fuzz"))
        return true;
    OmArchive save(OmClassRegistry::Instance());
    save.AddRoot(loaded.GetRoot(0));
    save.AddRoot(loaded.GetRoot(1));
    const std::string resaved = path + ".again";
    const bool saved = save.Save(resaved.c_str());
    loaded.RefuseLoad();
    OmArchive reloaded(OmClassRegistry::Instance());
    const bool loads = saved && TsGameLevelHost::LoadGameArchive(reloaded, resaved.c_str(), "fuzz again");
    reloaded.RefuseLoad();
    return loads;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::Renderer();
    OmClassRegistry::Instance().AssignClassIds();
    fuzzinput::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzzinput::WriteInput("save", data, size);
    if (path.empty())
        return 0;
    {
        const fuzzinput::NoPoolLeaks poolLeaks;
        if (!ResavedLoads(path))
            __builtin_trap();
        // As when the game systems stop, the renderer lets go of what the
        // levels' HUDs registered...
        fuzzinput::Renderer().ReleaseAllMaterials();
        fuzzinput::Renderer().ReleaseAllTextures();
    }
    // ... and the pools drop their pages: each load sets aside its own.
    OmClassRegistry::Instance().FreeAllObjects();
    return 0;
}
