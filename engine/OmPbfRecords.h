// The object records of a scene file: meshes, lights, bones and the kinds the
// importer carries without reading. Each record moves its body through one
// Serialise that both reads and writes; the type word in front of the body
// is written by the record and read by the scene's object list.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/OmMatrix4.h"
#include "engine/OmPbfArray.h"
#include "engine/OmVector3.h"

// The version of the file being transferred (4 while writing). Records read
// it for the fields that differ between versions. One scene is transferred
// at a time, so one value serves the whole program.
extern uint32_t OmPbfCurrentVersion;
constexpr uint32_t kPbfVersion = 4;

struct OmPbfColour {
    float r = 0, g = 0, b = 0, a = 0;
};
struct OmPbfTexCoord {
    float u = 0, v = 0, w = 0;
};
// Slot k of the weights belongs to slot k of the bone indices.
struct OmPbfSkinWeight {
    float weight[4] = {};
    uint32_t bone[4] = {};
};
// Indices into the mesh's positions, normals, colour sets and coordinate sets.
struct OmPbfCorner {
    uint32_t position = 0, normal = 0, colour = 0, texCoord = 0;
};
static_assert(sizeof(OmPbfColour) == 16 && sizeof(OmPbfTexCoord) == 12);
static_assert(sizeof(OmPbfSkinWeight) == 32 && sizeof(OmPbfCorner) == 16);

// A triangle: always three corners, then the index of its material.
struct OmPbfFace {
    OmPbfFace() { corners.SetSize(3); }
    OmPbfArray<OmPbfCorner> corners;
    uint32_t material = 0;
};

struct OmPbfVectorEntry {
    OmVector3 a, b, c;
    uint32_t value = 0;
};
static_assert(sizeof(OmPbfVectorEntry) == 40);

enum OmPbfObjectType : uint32_t {
    kPbfMesh = 0,
    kPbfValue = 1,
    kPbfLight = 2,
    kPbfMarker = 3,
    kPbfNoReader = 4,
    kPbfVectorList = 5,
    kPbfBone = 6,
    kPbfMaxLight = 7,
};

class OmPbfObject {
public:
    explicit OmPbfObject(uint32_t t) : type(t) {}
    virtual ~OmPbfObject() = default;
    // Writes the type when writing; reading starts after it.
    virtual void Serialise(OmFile& file);

    // A new record for a type read from a file; null for a type without a
    // reader (4, 6 and above 7), whose entry stays empty.
    static std::unique_ptr<OmPbfObject> Create(uint32_t type);

    uint32_t type;
};

class OmPbfMeshRecord : public OmPbfObject {
public:
    OmPbfMeshRecord() : OmPbfObject(kPbfMesh) {}
    void Serialise(OmFile& file) override;

    OmPbfArray<OmVector3> positions;
    OmPbfArray<OmVector3> normals;
    OmPbfArray<OmPbfArray<OmPbfColour>> colourSets;
    OmPbfArray<OmPbfArray<OmPbfTexCoord>> uvSets;
    OmPbfArray<OmPbfSkinWeight> skinWeights;
    OmPbfArray<OmPbfFace> faces;
};

class OmPbfValueRecord : public OmPbfObject {
public:
    OmPbfValueRecord() : OmPbfObject(kPbfValue) {}
    void Serialise(OmFile& file) override;

    OmPbfString name;
    uint32_t values[4] = {};
};

class OmPbfLightRecord : public OmPbfObject {
public:
    OmPbfLightRecord() : OmPbfObject(kPbfLight) {}
    void Serialise(OmFile& file) override;

    OmPbfString name;
    uint32_t kind = 0; // 0 point, 1 and 2 spot, 3 and 4 directional
    OmPbfColour colour;
    uint8_t specularOn = 0;
    uint8_t diffuseOn = 0;
    float innerCone = 0, outerCone = 0;
    uint8_t attenuate = 0;
    float farDistance = 0;
};

class OmPbfMarkerRecord : public OmPbfObject {
public:
    OmPbfMarkerRecord() : OmPbfObject(kPbfMarker) {}
};

class OmPbfVectorListRecord : public OmPbfObject {
public:
    OmPbfVectorListRecord() : OmPbfObject(kPbfVectorList) {}
    void Serialise(OmFile& file) override;

    OmPbfArray<OmPbfVectorEntry> entries;
};

// A bone of a skeleton read from a bone text file; never stored in a scene
// file, though it can be written like any record.
class OmPbfBoneRecord : public OmPbfObject {
public:
    OmPbfBoneRecord() : OmPbfObject(kPbfBone) {}
    void Serialise(OmFile& file) override;

    int32_t parent = -1;
    int32_t nextSibling = -1;
    int32_t firstChild = -1;
    OmPbfString name;
    OmVector3 pivot;
    OmMatrix4 matrixA;
    OmMatrix4 bindMatrix;
    OmMatrix4 inverseBind;
    OmMatrix4 local; // bindMatrix relative to the parent
    OmVector3 localTranslation;
};

// Every parameter of a modelling-tool light, in file order.
class OmPbfMaxLightRecord : public OmPbfObject {
public:
    OmPbfMaxLightRecord() : OmPbfObject(kPbfMaxLight) {}
    void Serialise(OmFile& file) override;

    OmPbfString name;
    uint8_t on = 0;
    uint32_t kind = 0; // 0 omni, 1 and 2 spot, 3 and 4 directional
    OmPbfColour colour;
    float multiplier = 0;
    uint8_t flag1 = 0, flag2 = 0, flag3 = 0;
    float value1 = 0, value2 = 0;
    uint8_t flag4 = 0;
    float angleA = 0, angleB = 0;
    uint32_t shape = 0;
    float aspect = 0;
    float distance1 = 0;
    uint8_t flag5 = 0;
    OmPbfString mapName;
    uint8_t flag6 = 0;
    float distance2 = 0, distance3 = 0;
    uint8_t flag7 = 0;
    float distance4 = 0, distance5 = 0;
    uint32_t mode = 0;
    float distance6 = 0;
    uint8_t flag8 = 0;
    OmPbfColour colour2;
    float value3 = 0;
    uint8_t flag9 = 0, flag10 = 0;
    float value4 = 0, value5 = 0;
};
