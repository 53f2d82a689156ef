// Registered classes for the object-core tests: links, a string, a number array.
#pragma once

#include "engine/OmArray.h"
#include "engine/OmIndexTable.h"
#include "engine/OmList.h"
#include "engine/OmObject.h"
#include "engine/OmRef.h"
#include "engine/OmString.h"
#include "engine/OmVector3.h"
#include "tests/engine/TestClass.h"

class TestNode : public OmObject {
    OM_DECLARE_TEST_CLASS(TestNode, OmObject)
    ~TestNode() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    OmRef<TestNode> links[2]; // each holds a reference
    OmObject* attachment = nullptr; // any class; not counted
    uint32_t value = 0;
    char* label = nullptr;
    OmArray<uint32_t> numbers{8};
};

// A class with no objects of its own, between OmObject and the leaves.
class TestShape : public OmObject {
    OM_DECLARE_ABSTRACT_CLASS(TestShape)

    TestShape() = default;
    explicit TestShape(OmArchive& archive) : OmObject(archive) {}
};

class TestBox : public TestShape {
    OM_DECLARE_TEST_CLASS(TestBox, TestShape)

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    float size = 0.0f;
    OmVector3 centre;
    bool solid = false;
    TestNode* owner = nullptr; // not counted: a back link
};

OM_TEST_CLASS(TestBall, TestShape);

// Lives for the whole run, like the renderer's camera: its pool is kept out
// of the registry, so mode switches leave it alone.
OM_TEST_CLASS(TestKeeper, TestNode);

// Containers that persist themselves: an id table, a reference list, a string.
class TestHolder : public OmObject {
    OM_DECLARE_TEST_CLASS(TestHolder, OmObject)

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    OmIndexTable ids{4};
    OmList members; // not counted
    OmString title;
};
