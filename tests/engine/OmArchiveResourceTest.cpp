#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmMaterial.h"
#include "engine/OmRef.h"
#include "engine/OmResourceOwner.h"
#include "engine/OmTextureResource.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/engine/TestClass.h"

using namespace archive_test;

// A mesh-like object that draws with one material.
class TestMesh : public OmObject {
    OM_DECLARE_TEST_CLASS(TestMesh, OmObject)

    bool Register(OmArchive& archive) override
    {
        if (!OmObject::Register(archive))
            return false;
        if (materialId >= 0)
            archive.CountResource(OmArchive::kMaterial, materialId);
        return true;
    }
    void Write(OmArchive& archive) override
    {
        OmObject::Write(archive);
        archive.WriteResource(OmArchive::kMaterial, materialId);
    }
    void Read(OmArchive& archive) override
    {
        OmObject::Read(archive);
        materialId = archive.ReadResource(OmArchive::kMaterial);
    }

    int32_t materialId = -1;
};

OM_IMPLEMENT_CLASS(TestMesh, OmObject)

namespace {

// A renderer-style registry: one shared copy per description, a use count per id.
template <class T>
struct MemoryRegistry {
    std::vector<T*> records;
    std::vector<int> refs;

    ~MemoryRegistry()
    {
        for (T* record : records)
            if (record)
                record->Release();
    }
    T* Get(int32_t id) const { return id >= 0 && size_t(id) < records.size() ? records[id] : nullptr; }
    int Refs(int32_t id) const { return Get(id) ? refs[id] : 0; }
    uint32_t Count() const { return uint32_t(records.size() - std::count(records.begin(), records.end(), nullptr)); }
    int32_t Register(const T& wanted)
    {
        for (size_t id = 0; id < records.size(); ++id)
            if (records[id] && records[id]->IsEqual(wanted))
                return ++refs[id], int32_t(id);
        records.push_back(new T(wanted));
        refs.push_back(1);
        return int32_t(records.size() - 1);
    }
    void Release(int32_t id)
    {
        if (Get(id) && --refs[id] == 0)
            records[id]->Release(), records[id] = nullptr;
    }
};

class MemoryResources : public OmResourceOwner {
public:
    uint32_t GetMaterialSlotCount() const override { return uint32_t(materials.records.size()); }
    uint32_t GetTextureSlotCount() const override { return uint32_t(textures.records.size()); }
    OmMaterial* GetMaterial(int32_t id) override { return materials.Get(id); }
    OmTextureResource* GetTexture(int32_t id) override { return textures.Get(id); }
    int32_t RegisterTexture(const OmTextureResource& texture) override { return textures.Register(texture); }
    int32_t RegisterMaterial(const OmMaterial& material) override { return materials.Register(material); }
    int32_t AddRefMaterial(int32_t id) override { return ++materials.refs.at(size_t(id)); }
    void ReleaseMaterial(int32_t id) override { materials.Release(id); }
    void ReleaseTexture(int32_t id) override { textures.Release(id); }

    int32_t FindTexture(const char* name)
    {
        for (size_t id = 0; id < textures.records.size(); ++id)
            if (textures.records[id] && std::strcmp(textures.records[id]->fileName, name) == 0)
                return int32_t(id);
        return -1;
    }

    MemoryRegistry<OmMaterial> materials;
    MemoryRegistry<OmTextureResource> textures; // given back first, as the renderer does
};

OmMaterial MaterialWith(std::initializer_list<int32_t> textureIds, float power)
{
    OmMaterial material;
    material.power = power;
    OmMaterialLayer layer;
    for (int32_t id : textureIds)
        layer.frames.Add(id);
    material.layers.Add(layer);
    return material;
}

struct Level {
    MemoryResources resources;
    std::vector<OmRef<TestMesh>> meshes;

    Level()
    {
        int32_t a = resources.RegisterTexture(OmTextureResource("a.tga", -1, 0));
        int32_t b = resources.RegisterTexture(OmTextureResource("b.tga", -1, 1));
        resources.RegisterTexture(OmTextureResource("unused.tga", 1, 1));
        resources.RegisterMaterial(MaterialWith({a}, 99.0f)); // not used by any mesh
        const int32_t usedOnce = resources.RegisterMaterial(MaterialWith({b}, 5.0f));
        const int32_t usedTwice = resources.RegisterMaterial(MaterialWith({a, b}, 20.0f));
        for (int32_t id : {usedTwice, usedOnce, usedTwice})
            meshes.emplace_back(OmMakeRef<TestMesh>())->materialId = id;
    }

    bool Save(const std::string& path) { return SaveRoots(path, {meshes[0], meshes[1], meshes[2]}, &resources); }
};

// Loads the file into owner's registries; the meshes are given back at the end.
struct Loaded {
    Loaded(const std::string& path, MemoryResources& owner)
    {
        const LoadResult loaded = LoadFile(path, &owner);
        ok = loaded.ok;
        for (OmObject* root : loaded.roots)
            meshes.push_back(OmRef<TestMesh>::Adopt(TestMesh::Cast(root)));
    }
    bool ok = false;
    std::vector<OmRef<TestMesh>> meshes;
};

// The level saved once, its bytes, a path for damaged copies and the log.
struct OmArchiveResources : testing::Test {
    OmArchiveResources()
    {
        EXPECT_TRUE(Level().Save(path));
        good = ReadFile(path);
    }
    const TestFile path{"resources"}, bad{"resources_bad"};
    std::vector<unsigned char> good;
    DebugOutputCapture errors;
};

} // namespace

TEST_F(OmArchiveResources, AFileWhoseMeshesUseNoResourceCarriesNone)
{
    {
        MemoryResources unused;
        unused.RegisterTexture(OmTextureResource("a.tga", -1, 0));
        ASSERT_TRUE(SaveRoots(path, {OmMakeRef<TestMesh>()}, &unused));
    }
    MemoryResources target;
    Loaded loaded(path, target);
    EXPECT_TRUE(loaded.ok);
    EXPECT_EQ(target.textures.Count(), 0u);
    EXPECT_EQ(loaded.meshes.at(0)->materialId, -1);
}

TEST_F(OmArchiveResources, UsedResourcesTravelWithTheirUseCountsAndEqualOnesAreShared)
{
    {
        // The loading side already knows one of the textures.
        MemoryResources target;
        int32_t known = target.RegisterTexture(OmTextureResource("b.tga", -1, 1));
        target.RegisterTexture(OmTextureResource("other.tga", -1, 1));
        Loaded loaded(path, target);
        ASSERT_TRUE(loaded.ok);
        ASSERT_EQ(loaded.meshes.size(), 3u);

        // Only what the meshes use came over: two materials, and a.tga beside the two textures it had.
        EXPECT_EQ(target.materials.Count(), 2u);
        EXPECT_EQ(target.textures.Count(), 3u);
        EXPECT_EQ(target.FindTexture("unused.tga"), -1);
        int32_t a = target.FindTexture("a.tga");
        ASSERT_GE(a, 0);
        EXPECT_EQ(target.FindTexture("b.tga"), known) << "an equal texture is shared, not copied";
        EXPECT_EQ(target.textures.Refs(a), 1) << "one material uses a.tga";
        EXPECT_EQ(target.textures.Refs(known), 1 + 2) << "two materials use b.tga, plus the reference it had";

        // Meshes carry the loader's ids, and the materials the loader's texture ids.
        int32_t twice = loaded.meshes[0]->materialId;
        int32_t once = loaded.meshes[1]->materialId;
        EXPECT_EQ(loaded.meshes[2]->materialId, twice);
        EXPECT_NE(twice, once);
        EXPECT_EQ(target.materials.Refs(twice), 2);
        EXPECT_EQ(target.materials.Refs(once), 1);
        OmMaterial* material = target.GetMaterial(twice);
        ASSERT_TRUE(material);
        ASSERT_EQ(material->layers.GetCount(), 1u);
        ASSERT_EQ(material->layers[0].frames.GetCount(), 2u);
        EXPECT_EQ(material->power, 20.0f);
        EXPECT_EQ(material->layers[0].frames[0], a);
        EXPECT_EQ(material->layers[0].frames[1], known);
        EXPECT_EQ(target.GetMaterial(once)->layers[0].frames[0], known);
    }
}

TEST_F(OmArchiveResources, BadResourceCountsFailAndGiveBackEveryReferenceTaken)
{
    size_t textures = ParseLayout(good).rootsOffset; // the resource section comes first
    ASSERT_EQ(WordAt(good, textures), 2u);

    const std::pair<size_t, uint32_t> patches[] = {
        {textures, 0x20000000u},     // texture count past the file
        {textures + 4, 0},           // a use count of 0
        {textures + 4, 0xFFFFFFFFu}, // a use count no file could hold
    };
    for (auto [offset, value] : patches) {
        WriteFile(bad, Patched(good, offset, value));
        MemoryResources target;
        int32_t before = target.RegisterTexture(OmTextureResource("b.tga", -1, 1));
        Loaded loaded(bad, target);
        EXPECT_FALSE(loaded.ok) << "word at " << offset - textures;
        EXPECT_TRUE(loaded.meshes.empty()) << "word at " << offset - textures;
        EXPECT_EQ(target.textures.Count(), 1u) << "word at " << offset - textures;
        EXPECT_EQ(target.textures.Refs(before), 1) << "word at " << offset - textures;
    }

    // Cut after the resource section: the owner gets every reference back.
    for (size_t cut : {good.size() - 2, good.size() - 9}) {
        WriteFile(bad, std::vector<unsigned char>(good.begin(), good.begin() + long(cut)));
        MemoryResources target;
        Loaded loaded(bad, target);
        EXPECT_FALSE(loaded.ok);
        EXPECT_EQ(target.textures.Count(), 0u);
        EXPECT_EQ(target.materials.Count(), 0u);
    }
}

TEST_F(OmArchiveResources, AMaterialNamingATextureTheFileDoesNotHaveIsRefused)
{
    // Before the three meshes (12 bytes each) and the roots (count and
    // three references) comes the last frame id of the last material.
    size_t lastFrame = good.size() - 3 * 12 - 4 - 3 * 8 - 4;
    ASSERT_LT(WordAt(good, lastFrame), 2u);
    WriteFile(bad, Patched(good, lastFrame, 7));
    MemoryResources target;
    EXPECT_FALSE(Loaded(bad, target).ok);
    EXPECT_TRUE(errors.Contains("outside the resource section")) << errors.Text();
    EXPECT_EQ(target.materials.Count(), 0u);
}
