// The archive reader must refuse any damaged file with a logged error and
// leave nothing behind: no crash, no leak, no half-read object in a pool.
// The first input byte chooses whether a material and texture owner is set
// (and so whether a resource section is expected); the rest is the file.
#include <unordered_set>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmIndexTable.h"
#include "engine/OmList.h"
#include "engine/OmMaterial.h"
#include "engine/OmString.h"
#include "engine/OmTextureResource.h"
#include "tests/fuzz/FuzzInput.h"

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

    void Read(OmArchive& archive) override
    {
        OmObject::Read(archive);
        archive.ReadHeldRef(links[0]).ReadHeldRef(links[1]).ReadObjectRef(other);
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

// What a loader does with the roots of a load that succeeded: it holds each
// once, and lets go. The counts are the file's, whatever they are: one that
// the load let through below what holds the object ends it while a holder
// keeps it, which the sanitizer reports as the holder lets go in turn.
void ReleaseRoots(const OmArchive& archive)
{
    std::unordered_set<OmObject*> roots;
    for (uint32_t i = 0; i < archive.GetRootCount(); ++i) {
        if (OmObject* root = archive.GetRoot(i); Objects().count(root))
            roots.insert(root);
    }
    for (OmObject* root : roots)
        root->Release();
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
    const fuzzinput::NoPoolLeaks poolLeaks;
    if (size == 0)
        return 0;
    const std::string path = fuzzinput::WriteInput("archive", data + 1, size - 1);
    if (path.empty())
        return 0;
    // Materials and textures go to a renderer without a device, as a level's do.
    OmD3D& renderer = fuzzinput::Renderer();
    {
        OmArchive archive(OmClassRegistry::Instance());
        // The harness could not take objects of other classes down again:
        // a file holding any is refused before anything is built.
        archive.HoldOnly({&FuzzNode::s_class, &FuzzLeaf::s_class});
        if (data[0] & 1)
            archive.SetResourceOwner(&renderer.GetResourceOwner());
        const bool loaded = archive.Load(path.c_str());
        if (!loaded && (archive.GetRootCount() != 0 || !Objects().empty()))
            __builtin_trap();
        // Loaded roots are objects of the registered classes, or null.
        for (uint32_t i = 0; loaded && i < archive.GetRootCount(); ++i) {
            OmObject* root = archive.GetRoot(i);
            if (root && !Objects().count(root) && !OmMaterial::Cast(root) && !OmTextureResource::Cast(root))
                __builtin_trap();
        }
        if (loaded)
            ReleaseRoots(archive);
    }
    renderer.ReleaseAllMaterials();
    renderer.ReleaseAllTextures();
    TakeDownEverything();
    return 0;
}
