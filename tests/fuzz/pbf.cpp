// The scene-file reader must refuse any damaged file with a logged error:
// no crash, no leak, no read past what it allocated. A file it accepts must
// write back to bytes that read again to the same bytes, and must import
// (through a renderer without a device) without harm.
#include <vector>

#include "engine/OmGroup.h"
#include "engine/OmPbfScene.h"
#include "engine/OmSceneImporter.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

std::vector<uint8_t> Write(OmPbfScene& scene)
{
    OmMemoryFile out;
    if (!scene.Serialise(out))
        __builtin_trap();
    return out.Bytes();
}

// The importer reads files, so an accepted scene goes through one.
void Import(const std::vector<uint8_t>& bytes)
{
    OmD3D& renderer = fuzzinput::Renderer();
    const std::string path = fuzzinput::WriteInput("scene.pbf", bytes.data(), bytes.size());
    if (path.empty())
        return;
    OmGroup* root = new OmGroup();
    {
        OmSceneImporter importer;
        importer.Load(path.c_str(), root);
    }
    root->Release();
    renderer.ReleaseAllMaterials();
    renderer.ReleaseAllTextures();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::Renderer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzzinput::NoPoolLeaks poolLeaks;
    OmPbfScene scene;
    OmMemoryFile in(data, size);
    if (!scene.Serialise(in))
        return 0;
    const std::vector<uint8_t> first = Write(scene);
    OmPbfScene again;
    OmMemoryFile reread(first.data(), first.size());
    if (!again.Serialise(reread) || Write(again) != first)
        __builtin_trap();
    Import(first);
    return 0;
}
