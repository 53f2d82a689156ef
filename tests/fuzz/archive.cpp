// The archive reader must refuse any damaged file with a logged error and
// leave nothing behind: no crash, no leak, no half-read object in a pool.
// The first input byte chooses whether a material and texture owner is set
// (and so whether a resource section is expected); the rest is the file.
//
// With OM_FUZZ_WRITE_SEEDS=<folder> set, the target writes its seed files
// there and exits.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <unordered_set>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmIndexTable.h"
#include "engine/OmList.h"
#include "engine/OmMaterial.h"
#include "engine/OmResourceOwner.h"
#include "engine/OmString.h"
#include "engine/OmTextureResource.h"
#include "platform/DebugOutput.h"

namespace {

// Every fuzz object, so that whatever a load leaves can be taken down.
std::unordered_set<OmObject*>& Objects()
{
    static std::unordered_set<OmObject*> objects;
    return objects;
}

} // namespace

class FuzzNode : public OmObject {
    OM_DECLARE_CLASS(FuzzNode)

    FuzzNode() { Objects().insert(this); }
    explicit FuzzNode(OmArchive& archive) : OmObject(archive) { Objects().insert(this); }
    ~FuzzNode() override
    {
        // Holds its links, as scene nodes hold their children.
        for (FuzzNode*& link : links) {
            if (link)
                link->Release();
            link = nullptr;
        }
        Objects().erase(this);
    }

    bool Register(OmArchive& archive) override
    {
        if (!OmObject::Register(archive))
            return false;
        for (FuzzNode* link : links) {
            if (link)
                link->Register(archive);
        }
        if (other)
            other->Register(archive);
        members.RegisterAll(archive);
        if (materialId >= 0)
            archive.CountResource(OmArchive::kMaterial, materialId);
        return true;
    }
    void Write(OmArchive& archive) override
    {
        OmObject::Write(archive);
        archive.WriteObjectRef(links[0]).WriteObjectRef(links[1]).WriteObjectRef(other);
        label.Write(archive);
        numbers.Write(archive);
        members.WriteRefs(archive);
        ids.Write(archive);
        archive.WriteResource(OmArchive::kMaterial, materialId);
    }
    void Read(OmArchive& archive) override
    {
        OmObject::Read(archive);
        archive.ReadRef(links[0]).ReadRef(links[1]).ReadObjectRef(other);
        label.Read(archive);
        numbers.Read(archive);
        members.ReadRefs(archive);
        ids.Read(archive);
        materialId = archive.ReadResource(OmArchive::kMaterial);
    }
    void Pin() { m_refCount = 0x40000000u; }

    FuzzNode* links[2] = {nullptr, nullptr};
    OmObject* other = nullptr;
    OmString label;
    OmArray<uint32_t> numbers{4};
    OmList members;
    OmIndexTable ids{4};
    int32_t materialId = -1;
};

class FuzzLeaf : public OmObject {
    OM_DECLARE_CLASS(FuzzLeaf)

    FuzzLeaf() { Objects().insert(this); }
    explicit FuzzLeaf(OmArchive& archive) : OmObject(archive) { Objects().insert(this); }
    ~FuzzLeaf() override { Objects().erase(this); }

    void Write(OmArchive& archive) override
    {
        OmObject::Write(archive);
        archive.WriteFloat(size).WriteBool(flag).WriteObjectRef(back);
    }
    void Read(OmArchive& archive) override
    {
        OmObject::Read(archive);
        archive.ReadFloat(size).ReadBool(flag).ReadObjectRef(back);
    }
    void Pin() { m_refCount = 0x40000000u; }

    float size = 0;
    bool flag = false;
    OmObject* back = nullptr; // not held
};

OM_IMPLEMENT_CLASS(FuzzNode, OmObject)
OM_IMPLEMENT_CLASS(FuzzLeaf, OmObject)

namespace {

// Materials and textures kept in plain tables, one copy per description.
class FuzzResources : public OmResourceOwner {
public:
    ~FuzzResources() override { Clear(); }

    uint32_t GetMaterialSlotCount() const override { return uint32_t(m_materials.size()); }
    uint32_t GetTextureSlotCount() const override { return uint32_t(m_textures.size()); }
    OmMaterial* GetMaterial(int32_t id) override { return Get(m_materials, id); }
    OmTextureResource* GetTexture(int32_t id) override { return Get(m_textures, id); }
    int32_t RegisterTexture(const OmTextureResource& texture) override
    {
        for (size_t i = 0; i < m_textures.size(); ++i) {
            if (m_textures[i].record && m_textures[i].record->IsEqual(texture))
                return ++m_textures[i].refs, int32_t(i);
        }
        m_textures.push_back({new OmTextureResource(texture), 1});
        return int32_t(m_textures.size() - 1);
    }
    int32_t RegisterMaterial(const OmMaterial& material) override
    {
        for (size_t i = 0; i < m_materials.size(); ++i) {
            if (m_materials[i].record && m_materials[i].record->IsEqual(material))
                return ++m_materials[i].refs, int32_t(i);
        }
        m_materials.push_back({new OmMaterial(material), 1});
        return int32_t(m_materials.size() - 1);
    }
    int32_t AddRefMaterial(int32_t id) override { return Get(m_materials, id) ? ++m_materials[id].refs : 0; }
    void ReleaseMaterial(int32_t id) override { Drop(m_materials, id); }
    void ReleaseTexture(int32_t id) override { Drop(m_textures, id); }

    void Clear()
    {
        for (auto& slot : m_materials) {
            if (slot.record)
                slot.record->Release();
        }
        for (auto& slot : m_textures) {
            if (slot.record)
                slot.record->Release();
        }
        m_materials.clear();
        m_textures.clear();
    }

private:
    template <class T>
    struct Slot {
        T* record;
        int refs;
    };
    template <class T>
    static T* Get(std::vector<Slot<T>>& slots, int32_t id)
    {
        return id >= 0 && size_t(id) < slots.size() ? slots[id].record : nullptr;
    }
    template <class T>
    static void Drop(std::vector<Slot<T>>& slots, int32_t id)
    {
        if (Get(slots, id) && --slots[id].refs == 0) {
            slots[id].record->Release();
            slots[id].record = nullptr;
        }
    }

    std::vector<Slot<OmMaterial>> m_materials;
    std::vector<Slot<OmTextureResource>> m_textures;
};

// Files with objects of classes other than the two above are passed over:
// the harness could not take such objects down again. (Materials and
// textures still come through the resource section.)
bool HasForeignObjects(const uint8_t* data, size_t size)
{
    auto word = [&](size_t at, uint32_t& value) {
        if (at + 4 > size)
            return false;
        std::memcpy(&value, data + at, 4);
        return true;
    };
    size_t at = 75 + 8;
    uint32_t count = 0;
    if (!word(at, count))
        return false;
    at += 4;
    for (uint32_t c = 0; c < count; ++c) {
        uint32_t length = 0, objects = 0;
        if (!word(at, length) || length > size - at - 4)
            return false;
        std::string name(reinterpret_cast<const char*>(data + at + 4), length);
        at += 4 + length;
        if (!word(at, objects))
            return false;
        at += 4;
        if (objects > 0 && name != "FuzzNode" && name != "FuzzLeaf")
            return true;
    }
    return false;
}

std::string TempFile()
{
    return "/tmp/om_fuzz_archive_" + std::to_string(getpid()) + ".bin";
}

// Takes down whatever a load left: counts are pinned so that no release
// from a destructor ends another object, each object is destroyed and
// rebuilt empty, then destroyed for good; the pools start again.
void TakeDownEverything()
{
    std::vector<OmObject*> objects(Objects().begin(), Objects().end());
    for (OmObject* object : objects) {
        if (FuzzNode* node = FuzzNode::Cast(object))
            node->Pin();
        else
            static_cast<FuzzLeaf*>(object)->Pin();
    }
    for (OmObject* object : objects) {
        if (FuzzNode* node = FuzzNode::Cast(object)) {
            node->~FuzzNode();
            (::new (node) FuzzNode())->Pin();
        }
    }
    objects.assign(Objects().begin(), Objects().end());
    for (OmObject* object : objects)
        object->~OmObject();
    OmClassRegistry::Instance().FreeAllObjects();
}

void WriteSeed(const std::string& folder, const char* name, bool withOwner)
{
    FuzzResources resources;
    OmTextureResource texture("data\\fx\\blob2.tga", -1, 1);
    int32_t textureId = resources.RegisterTexture(texture);
    OmMaterial material;
    OmMaterialLayer layer;
    layer.frames.Add(textureId);
    material.layers.Add(layer);
    int32_t materialId = resources.RegisterMaterial(material);

    FuzzNode* a = new FuzzNode();
    FuzzNode* b = new FuzzNode();
    FuzzLeaf* leaf = new FuzzLeaf();
    a->SetName("root");
    a->links[0] = b;
    b->AddRef();
    b->links[0] = a;
    a->AddRef();
    b->links[1] = b;
    b->AddRef();
    a->other = leaf;
    leaf->back = a;
    a->label = "label";
    a->numbers.Add(1);
    a->numbers.Add(2);
    a->members.AddTail(leaf);
    a->members.AddTail(nullptr);
    a->ids.AllocIndex();
    a->ids.AllocIndex();
    a->ids.ReleaseIndex(0);
    a->materialId = withOwner ? materialId : -1;

    OmArchive archive(OmClassRegistry::Instance());
    if (withOwner)
        archive.SetResourceOwner(&resources);
    archive.AddRoot(a);
    archive.AddRoot(nullptr);
    archive.AddRoot(leaf);
    std::string tmp = TempFile();
    archive.Save(tmp.c_str());
    resources.Clear();
    TakeDownEverything();

    std::FILE* in = std::fopen(tmp.c_str(), "rb");
    std::FILE* out = std::fopen((folder + "/" + name).c_str(), "wb");
    std::fputc(withOwner ? 1 : 0, out);
    int c;
    while (in && (c = std::fgetc(in)) != EOF)
        std::fputc(c, out);
    if (in)
        std::fclose(in);
    std::fclose(out);
    std::remove(tmp.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    OmClassRegistry::Instance().AssignClassIds();
    // Every rejected input logs; keep the run's output readable.
    plat::SetDebugOutputHook([](std::string_view) {});
    if (const char* folder = std::getenv("OM_FUZZ_WRITE_SEEDS")) {
        WriteSeed(folder, "graph", false);
        WriteSeed(folder, "graph_resources", true);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || HasForeignObjects(data + 1, size - 1))
        return 0;
    static const std::string path = TempFile();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    FuzzResources resources;
    bool loaded;
    {
        OmArchive archive(OmClassRegistry::Instance());
        if (data[0] & 1)
            archive.SetResourceOwner(&resources);
        loaded = archive.Load(path.c_str());
        // A failed load leaves no roots and no objects.
        if (!loaded && (archive.GetRootCount() != 0 || !Objects().empty()))
            __builtin_trap();
        // Loaded roots are objects of the registered classes, or null.
        for (uint32_t i = 0; loaded && i < archive.GetRootCount(); ++i) {
            OmObject* root = archive.GetRoot(i);
            if (root && !Objects().count(root) && !OmMaterial::Cast(root) && !OmTextureResource::Cast(root))
                __builtin_trap();
        }
    }
    resources.Clear();
    TakeDownEverything();
    return 0;
}
