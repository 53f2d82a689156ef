// The material registry without a device: the renderer object works
// without one.
#include <gtest/gtest.h>

#include "engine/OmMaterial.h"
#include "render/OmD3D.h"

namespace {

OmMaterial MaterialWithFrames(std::initializer_list<int32_t> frames)
{
    OmMaterial m(OmColour(1, 1, 1, 1), OmColour(0.5f, 0.5f, 0.5f, 1), OmColour(), OmColour(), 10.0f, 1.0f, 0);
    OmMaterialLayer layer;
    for (int32_t id : frames)
        layer.frames.Add(id);
    m.layers.Add(layer);
    return m;
}

} // namespace

TEST(OmRendererTest, ReleasingOneOfTwoMaterialsWithTheSameKeyKeepsTheOther)
{
    // Frames {1, 0} and {0, 2} give the same key.
    const OmMaterial a = MaterialWithFrames({1, 0});
    const OmMaterial b = MaterialWithFrames({0, 2});
    ASSERT_EQ(OmRenderer::HashMaterial(a), OmRenderer::HashMaterial(b));
    OmD3D renderer;
    const int32_t idB = renderer.RegisterMaterial(&b);
    const int32_t idA = renderer.RegisterMaterial(&a);
    ASSERT_NE(idA, idB);
    EXPECT_EQ(renderer.ReleaseMaterial(idA), 0);
    EXPECT_EQ(renderer.RegisterMaterial(&b), idB);
    EXPECT_EQ(renderer.GetMaterial(idB)->GetRefCount(), 2u);
    renderer.ReleaseAllMaterials();
}
