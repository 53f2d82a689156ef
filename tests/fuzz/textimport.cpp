// The text readers (bones with skin weights, animations, brush maps) must
// turn any text into either records or a logged failure: no crash, no
// endless loop at the end of a file, no unchecked index. The first input
// byte chooses the reader and its settings; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "engine/OmAnimationText.h"
#include "engine/OmBoneText.h"
#include "engine/OmBrushMap.h"
#include "engine/OmPbfScene.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

void Bones(std::FILE* file, uint8_t settings)
{
    OmPbfScene scene;
    ReadBones(scene, file, 0.1f);
    std::rewind(file);
    OmPbfMeshRecord mesh;
    for (int i = 0; i < (settings >> 2); ++i)
        mesh.positions.Add(OmVector3());
    ReadSkinWeights(mesh, file, scene.objects.Count() ? scene.objects.Count() : 4);
}

void Animation(std::FILE* file, uint8_t settings)
{
    static const std::vector<int32_t> skeleton = {-1, 0, 1, 0, 3, -1, 5, 9};
    const std::vector<int32_t>* parents = (settings & 4) ? &skeleton : nullptr;
    ReadAnimation(file, "fuzz", parents, 0.1f, (settings & 8) ? 1.5f : 0.0f, (settings >> 4) & 7);
}

void Brushes(std::FILE* file)
{
    OmPbfScene scene;
    OmBrushFile brushes;
    brushes.Attach(file);
    ReadBrushMap(scene, brushes, kBrushMapScale);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzzinput::NoPoolLeaks poolLeaks;
    if (size < 1)
        return 0;
    const uint8_t settings = data[0];
    // fmemopen will not open an empty buffer.
    std::vector<uint8_t> text(data + 1, data + size);
    text.push_back('\n');
    std::FILE* file = fmemopen(text.data(), text.size(), "r");
    if (!file)
        return 0;
    switch (settings & 3) {
    case 0: Bones(file, settings); break;
    case 1: Animation(file, settings); break;
    default: Brushes(file); break;
    }
    std::fclose(file);
    return 0;
}
