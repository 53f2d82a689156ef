#include "engine/OmPbfScene.h"

#include <cstring>

#include "engine/OmReport.h"
#include "platform/DebugOutput.h"

namespace {

// Name 5, flag 1, start frame, rate and extra 4 each.
constexpr uint32_t kLayerBytes = 18;

void TransferLayer(OmFile& file, OmPbfTextureLayer& layer)
{
    layer.name.Serialise(file);
    file.Transfer(layer.animated).Transfer(layer.startFrame).Transfer(layer.rate).Transfer(layer.extra);
}

void TransferKey(OmFile& file, OmPbfKey& key)
{
    file.Transfer(key.a).Transfer(key.b).Transfer(key.c).Transfer(key.d);
    file.Transfer(key.v1, 12).Transfer(key.v2, 12);
}

// Files before version 4 name plain textures; each name becomes one layer.
void TransferTextureNames(OmFile& file, OmPbfArray<OmPbfTextureLayer>& layers)
{
    OmPbfArray<OmPbfString> names;
    if (file.IsWriting()) {
        names.SetSize(layers.count);
        for (int32_t i = 0; i < layers.count; ++i)
            names[i] = layers[i].name;
    }
    if (!names.Serialise(file, 5, [](OmFile& f, OmPbfString& s) { s.Serialise(f); }))
        return;
    if (file.IsWriting())
        return;
    layers.SetSize(names.count);
    for (int32_t i = 0; i < names.count; ++i) {
        layers[i].name = names[i];
        layers[i].animated = std::strstr(names[i].CStr(), ".ifl") ? 1 : 0;
    }
}

} // namespace

void OmPbfMaterial::Serialise(OmFile& file)
{
    file.Transfer(flag);
    if (OmPbfCurrentVersion >= 4)
        layers.Serialise(file, kLayerBytes, TransferLayer);
    else
        TransferTextureNames(file, layers);
    file.Transfer(extra).Transfer(power).Transfer(secondValue);
    OmPbfTransferRaw(file, ambient);
    OmPbfTransferRaw(file, diffuse);
    OmPbfTransferRaw(file, specular);
    name.Serialise(file);
}

// ---- Nodes ------------------------------------------------------------------

OmPbfNode::~OmPbfNode()
{
    DeleteLinks();
}

// Detaches the links before each delete, so no destructor ever recurses.
void OmPbfNode::DeleteLinks()
{
    std::vector<OmPbfNode*> pending{child, sibling};
    child = sibling = nullptr;
    while (!pending.empty()) {
        OmPbfNode* node = pending.back();
        pending.pop_back();
        if (!node)
            continue;
        pending.push_back(node->child);
        pending.push_back(node->sibling);
        node->child = node->sibling = nullptr;
        delete node;
    }
}

void OmPbfNode::Reset()
{
    DeleteLinks();
    name.Assign(nullptr);
    object = -1;
    transform.SetIdentity();
    world.SetIdentity();
    keys.Clear();
    entries.Clear();
}

void OmPbfNode::SerialiseFields(OmFile& file)
{
    name.Serialise(file);
    file.Transfer(object);
    file.Transfer(transform.m, 64);
    keys.Serialise(file, 40, TransferKey);
    entries.Serialise(file, sizeof(OmPbfEntry), OmPbfTransferRaw<OmPbfEntry>);
}

// The file holds the tree in pre-order: a node's fields, a flag and its
// child's subtree, then a flag and its next sibling. The stack holds nodes
// whose child subtree is being transferred; their sibling flag comes next.
bool OmPbfNode::Serialise(OmFile& file)
{
    const bool writing = file.IsWriting();
    if (!writing)
        DeleteLinks();
    std::vector<OmPbfNode*> open;
    OmPbfNode* node = this;
    while (node && file.Ok()) {
        node->SerialiseFields(file);
        uint8_t hasChild = node->child ? 1 : 0;
        file.Transfer(hasChild);
        if (hasChild && file.Ok()) {
            if (!writing) {
                node->child = new OmPbfNode();
                node->child->parent = node;
            }
            open.push_back(node);
            node = node->child;
            continue;
        }
        // Climb until a node with a next sibling is found.
        for (;;) {
            uint8_t hasSibling = node->sibling ? 1 : 0;
            file.Transfer(hasSibling);
            if (!file.Ok())
                return false;
            if (hasSibling) {
                if (!writing) {
                    node->sibling = new OmPbfNode();
                    node->sibling->parent = node->parent;
                }
                node = node->sibling;
                break;
            }
            if (open.empty())
                return true;
            node = open.back();
            open.pop_back();
        }
    }
    return file.Ok();
}

OmPbfNode* OmPbfNode::FindByObject(int32_t objectIndex)
{
    std::vector<OmPbfNode*> pending{this};
    while (!pending.empty()) {
        OmPbfNode* node = pending.back();
        pending.pop_back();
        if (node->object == objectIndex)
            return node;
        // Siblings are searched before children.
        if (node->child)
            pending.push_back(node->child);
        if (node->sibling)
            pending.push_back(node->sibling);
    }
    return nullptr;
}

void OmPbfNode::AddChild(OmPbfNode* node)
{
    node->parent = this;
    if (!child) {
        child = node;
        return;
    }
    OmPbfNode* last = child;
    while (last->sibling)
        last = last->sibling;
    last->sibling = node;
}

// ---- Object list ------------------------------------------------------------

void OmPbfObjectList::Reserve(int32_t capacity)
{
    m_items.resize(size_t(capacity));
    m_capacity = capacity;
}

void OmPbfObjectList::Add(std::unique_ptr<OmPbfObject> record)
{
    if (m_count >= m_capacity - 1)
        Reserve(m_capacity ? m_capacity * 2 : 8);
    m_items[size_t(m_count++)] = std::move(record);
}

void OmPbfObjectList::Clear()
{
    m_items.clear();
    m_count = 0;
    Reserve(8);
}

bool OmPbfObjectList::Serialise(OmFile& file)
{
    uint32_t count = uint32_t(m_count), capacity = uint32_t(m_capacity);
    file.Transfer(count).Transfer(capacity);
    if (file.IsWriting()) {
        // An empty entry is written as a type without a reader, which reads
        // back as an empty entry: the entries after it keep their indices.
        for (int32_t i = 0; i < m_count && file.Ok(); ++i) {
            if (m_items[size_t(i)]) {
                m_items[size_t(i)]->Serialise(file);
            } else {
                uint32_t noReader = kPbfNoReader;
                file.Transfer(noReader);
            }
        }
        return file.Ok();
    }
    if (!file.Ok())
        return false;
    if (!OmPbfRoomIsValid(count, capacity) || count * uint64_t(4) > file.Remaining()) {
        OmPbfReject(file, "PBF: object list of %u entries with room for %u is corrupt", count, capacity);
        return false;
    }
    m_items.clear();
    Reserve(int32_t(OmPbfStorageFor(count, capacity)));
    m_count = int32_t(count);
    for (uint32_t i = 0; i < count && file.Ok(); ++i) {
        uint32_t type = 0;
        file.Transfer(type);
        m_items[i] = OmPbfObject::Create(type);
        if (m_items[i] && file.Ok())
            m_items[i]->Serialise(file);
    }
    return file.Ok();
}

// ---- Scene ------------------------------------------------------------------

OmPbfScene::OmPbfScene()
{
    OmPbfCurrentVersion = kPbfVersion;
}

void OmPbfScene::Clear()
{
    version = kPbfVersion;
    materials.Clear();
    objects.Clear();
    root.Reset();
    ambient = OmPbfColour{0.04f, 0.04f, 0.04f, 1.0f};
}

bool OmPbfScene::Serialise(OmFile& file)
{
    if (file.IsWriting())
        OmPbfCurrentVersion = version;
    file.Transfer(OmPbfCurrentVersion);
    if (!file.IsWriting() && file.Ok() && OmPbfCurrentVersion < 1) {
        plat::DebugOutput("PBF: Incompatible file versions\n");
        return false;
    }
    if (!file.IsWriting())
        version = OmPbfCurrentVersion;
    materials.Serialise(file, 74, [](OmFile& f, OmPbfMaterial& m) { m.Serialise(f); });
    objects.Serialise(file);
    root.Serialise(file);
    if (OmPbfCurrentVersion > 2)
        OmPbfTransferRaw(file, ambient);
    if (file.Ok())
        return true;
    if (!file.IsWriting()) {
        ReportError("PBF: the scene file is truncated or corrupt");
        Clear();
    } else {
        ReportError("PBF: the scene file could not be written");
    }
    return false;
}

bool OmPbfScene::Load(const char* path)
{
    OmFile file;
    if (!file.Open(path, false)) {
        ReportError("PBF: cannot open %s", path ? path : "(no path)");
        return false;
    }
    return Serialise(file);
}

bool OmPbfScene::Save(const char* path)
{
    OmFile file;
    if (!file.Open(path, true)) {
        ReportError("PBF: cannot create %s", path ? path : "(no path)");
        return false;
    }
    if (!Serialise(file))
        return false;
    if (!file.Close()) {
        ReportError("PBF: %s could not be written whole", path);
        return false;
    }
    return true;
}
