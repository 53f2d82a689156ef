// The scene-file reader must refuse any damaged file with a logged error:
// no crash, no leak, no read past what it allocated. A file it accepts must
// write back to bytes that read again to the same bytes, and must import
// (through a renderer without a device) without harm.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "engine/OmGroup.h"
#include "engine/OmPbfScene.h"
#include "engine/OmSceneImporter.h"
#include "render/OmD3D.h"

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
    static OmD3D renderer;
    static const std::string path = "/tmp/om_fuzz_pbf_" + std::to_string(getpid()) + ".pbf";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
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
