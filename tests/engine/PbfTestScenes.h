// Scenes with every record type and every field set to a value of its own.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "engine/OmPbfScene.h"

namespace pbftest {

// Hands out 1, 2, 3, ... so no two fields share a value.
struct Counter {
    uint32_t next = 1;
    uint32_t Word() { return next++; }
    float Float() { return float(next++) + 0.25f; }
    uint8_t Byte() { return uint8_t(next++ & 0x7F) | 1; }
    OmPbfColour Colour() { return {Float(), Float(), Float(), Float()}; }
    OmVector3 Vector() { return OmVector3(Float(), Float(), Float()); }
};

inline void Fill(Counter& c, OmPbfString& s, const char* stem)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s%u", stem, c.Word());
    s.Assign(text);
}

inline OmPbfMaterial FullMaterial(Counter& c, const char* layerName)
{
    OmPbfMaterial m;
    m.flag = c.Byte();
    OmPbfTextureLayer* layer = m.layers.Append();
    layer->name.Assign(layerName);
    layer->animated = 1;
    layer->startFrame = int32_t(c.Word());
    layer->rate = c.Float();
    layer->extra = c.Word();
    m.extra = c.Word();
    m.power = c.Float();
    m.secondValue = c.Float();
    m.ambient = c.Colour();
    m.diffuse = c.Colour();
    m.specular = c.Colour();
    Fill(c, m.name, "material");
    return m;
}

inline std::unique_ptr<OmPbfMeshRecord> FullMesh(Counter& c)
{
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    for (int i = 0; i < 3; ++i) {
        mesh->positions.Add(c.Vector());
        mesh->normals.Add(c.Vector());
        mesh->skinWeights.Add(OmPbfSkinWeight{{c.Float(), c.Float(), c.Float(), c.Float()},
                                              {c.Word(), c.Word(), c.Word(), c.Word()}});
    }
    mesh->colourSets.Append()->Add(c.Colour());
    mesh->uvSets.Append()->Add(OmPbfTexCoord{c.Float(), c.Float(), c.Float()});
    OmPbfFace* face = mesh->faces.Append();
    for (int k = 0; k < 3; ++k)
        face->corners[k] = OmPbfCorner{c.Word(), c.Word(), c.Word(), c.Word()};
    face->material = c.Word();
    return mesh;
}

inline std::unique_ptr<OmPbfLightRecord> FullLight(Counter& c)
{
    auto light = std::make_unique<OmPbfLightRecord>();
    Fill(c, light->name, "light");
    light->kind = c.Word();
    light->colour = c.Colour();
    light->specularOn = c.Byte();
    light->diffuseOn = c.Byte();
    light->innerCone = c.Float();
    light->outerCone = c.Float();
    light->attenuate = c.Byte();
    light->farDistance = c.Float();
    return light;
}

inline std::unique_ptr<OmPbfMaxLightRecord> FullMaxLight(Counter& c)
{
    auto l = std::make_unique<OmPbfMaxLightRecord>();
    Fill(c, l->name, "max");
    l->on = c.Byte();
    l->kind = c.Word();
    l->colour = c.Colour();
    l->multiplier = c.Float();
    l->flag1 = c.Byte(), l->flag2 = c.Byte(), l->flag3 = c.Byte();
    l->value1 = c.Float(), l->value2 = c.Float();
    l->flag4 = c.Byte();
    l->angleA = c.Float(), l->angleB = c.Float();
    l->shape = c.Word();
    l->aspect = c.Float();
    l->distance1 = c.Float();
    l->flag5 = c.Byte();
    Fill(c, l->mapName, "map");
    l->flag6 = c.Byte();
    l->distance2 = c.Float(), l->distance3 = c.Float();
    l->flag7 = c.Byte();
    l->distance4 = c.Float(), l->distance5 = c.Float();
    l->mode = c.Word();
    l->distance6 = c.Float();
    l->flag8 = c.Byte();
    l->colour2 = c.Colour();
    l->value3 = c.Float();
    l->flag9 = c.Byte(), l->flag10 = c.Byte();
    l->value4 = c.Float(), l->value5 = c.Float();
    return l;
}

inline OmPbfNode* FullNode(Counter& c, int32_t object)
{
    auto* node = new OmPbfNode();
    Fill(c, node->name, "node");
    node->object = object;
    for (float& v : node->transform.m)
        v = c.Float();
    node->keys.Add(OmPbfKey{c.Word(), 0, c.Word(), c.Word(), c.Word(), {c.Float(), c.Float(), c.Float()},
                            {c.Float(), c.Float(), c.Float()}});
    node->entries.Add(OmPbfEntry{{c.Word(), c.Word(), c.Word(), c.Word(), c.Word()}});
    return node;
}

// Materials, one record of every stored type, and a tree with a child, a
// grandchild and siblings at two levels.
inline void FillScene(OmPbfScene& scene, uint32_t version)
{
    Counter c;
    scene.version = version;
    scene.materials.Add(FullMaterial(c, "stone.tga"));
    scene.materials.Add(FullMaterial(c, "water.ifl"));
    scene.AddObject(FullMesh(c));
    auto value = std::make_unique<OmPbfValueRecord>();
    Fill(c, value->name, "value");
    for (uint32_t& v : value->values)
        v = c.Word();
    scene.AddObject(std::move(value));
    scene.AddObject(FullLight(c));
    scene.AddObject(std::make_unique<OmPbfMarkerRecord>());
    auto list = std::make_unique<OmPbfVectorListRecord>();
    list->entries.Add(OmPbfVectorEntry{c.Vector(), c.Vector(), c.Vector(), c.Word()});
    scene.AddObject(std::move(list));
    scene.AddObject(FullMaxLight(c));
    delete FullNode(c, 0); // shifts the counter so the root differs from the others
    OmPbfNode* a = FullNode(c, 0);
    OmPbfNode* b = FullNode(c, 2);
    scene.root.AddChild(a);
    scene.root.AddChild(b);
    a->AddChild(FullNode(c, 5));
    a->AddChild(FullNode(c, -1));
    scene.root.name.Assign("root");
    scene.ambient = c.Colour();
}

inline std::vector<uint8_t> Write(OmPbfScene& scene)
{
    OmMemoryFile file;
    scene.Serialise(file);
    return file.Bytes();
}

} // namespace pbftest
