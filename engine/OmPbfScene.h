// A scene file in memory: materials, object records, a tree of nodes and
// the ambient colour. Scene files come from the exporter or from our own
// demo-data tool; the text importers fill the same records, so the scene
// importer builds engine objects from every source one way.
//
// Node trees are walked with explicit stacks, never by recursion along the
// sibling chains: a level scene can hold tens of thousands of siblings.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/OmPbfRecords.h"

struct OmPbfTextureLayer {
    OmPbfString name; // relative to the texture folder; ".ifl" for an image list
    uint8_t animated = 0;
    int32_t startFrame = 0;
    float rate = 0;
    uint32_t extra = 0;
};

struct OmPbfMaterial {
    void Serialise(OmFile& file);

    uint8_t flag = 0;
    OmPbfArray<OmPbfTextureLayer> layers;
    uint32_t extra = 0;
    float power = 0;
    float secondValue = 0;
    OmPbfColour ambient, diffuse, specular;
    OmPbfString name; // a leading "_" carries blend flags
};

// 40 bytes in the file: the word after the first is not stored.
struct OmPbfKey {
    uint32_t a = 0;
    uint32_t unused = 0;
    uint32_t b = 0, c = 0, d = 0;
    float v1[3] = {};
    float v2[3] = {};
};

struct OmPbfEntry {
    uint32_t values[5] = {};
};
static_assert(sizeof(OmPbfEntry) == 20);

class OmPbfNode {
public:
    OmPbfNode() = default;
    OmPbfNode(const OmPbfNode&) = delete;
    OmPbfNode& operator=(const OmPbfNode&) = delete;
    // Deletes the whole subtree and the sibling chain after this node.
    ~OmPbfNode();

    // The node's own fields, then its child and sibling records in pre-order.
    bool Serialise(OmFile& file);
    // The first node of the subtree (the sibling chain included) that
    // carries the object, depth first with siblings before children.
    OmPbfNode* FindByObject(int32_t objectIndex);
    // Appends at the end of the first child's sibling chain.
    void AddChild(OmPbfNode* node);
    // Drops children and siblings and restores the defaults.
    void Reset();

    OmPbfString name;
    int32_t object = -1;
    OmMatrix4 transform;
    OmPbfNode* parent = nullptr;
    OmPbfNode* child = nullptr;   // owned
    OmPbfNode* sibling = nullptr; // owned
    OmPbfArray<OmPbfKey> keys;
    OmPbfArray<OmPbfEntry> entries;
    OmMatrix4 world; // not stored

private:
    void SerialiseFields(OmFile& file);
    void DeleteLinks();
};

// The scene's own list of object records: entries may be empty. It doubles
// its capacity when one slot is left.
class OmPbfObjectList {
public:
    OmPbfObjectList() { Reserve(8); }
    int32_t Count() const { return m_count; }
    int32_t Capacity() const { return m_capacity; }
    // Null outside the list.
    OmPbfObject* At(int32_t i) const { return i >= 0 && i < m_count ? m_items[i].get() : nullptr; }
    void Add(std::unique_ptr<OmPbfObject> record);
    void Clear();
    bool Serialise(OmFile& file);

private:
    void Reserve(int32_t capacity);

    int32_t m_count = 0;
    int32_t m_capacity = 0;
    std::vector<std::unique_ptr<OmPbfObject>> m_items;
};

class OmPbfScene {
public:
    OmPbfScene();
    OmPbfScene(const OmPbfScene&) = delete;
    OmPbfScene& operator=(const OmPbfScene&) = delete;

    // False when the file is of version 0, truncated or corrupt; the error is
    // reported and the scene is left empty.
    bool Serialise(OmFile& file);
    // Reads or writes a whole file; false when it cannot be opened or read.
    bool Load(const char* path);
    bool Save(const char* path);

    void AddObject(std::unique_ptr<OmPbfObject> record) { objects.Add(std::move(record)); }
    // Back to a fresh scene.
    void Clear();

    uint32_t version = kPbfVersion;
    OmPbfArray<OmPbfMaterial> materials;
    OmPbfObjectList objects;
    OmPbfNode root;
    OmPbfColour ambient{0.04f, 0.04f, 0.04f, 1.0f};
};
