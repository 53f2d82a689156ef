#include "tests/engine/TestObjects.h"

#include "engine/OmArchive.h"

OM_IMPLEMENT_CLASS(TestNode, OmObject)
OM_IMPLEMENT_ABSTRACT_CLASS(TestShape, OmObject)
OM_IMPLEMENT_CLASS(TestBox, TestShape)
OM_IMPLEMENT_CLASS(TestBall, TestShape)
OM_IMPLEMENT_UNLISTED_CLASS(TestKeeper, TestNode)
OM_IMPLEMENT_CLASS(TestHolder, OmObject)

TestNode::~TestNode()
{
    delete[] label;
}

bool TestNode::Register(OmArchive& archive)
{
    if (!OmObject::Register(archive))
        return false;
    for (TestNode* link : links)
        if (link)
            link->Register(archive);
    if (attachment)
        attachment->Register(archive);
    return true;
}

void TestNode::Write(OmArchive& archive)
{
    OmObject::Write(archive);
    archive.WriteObjectRef(links[0]).WriteObjectRef(links[1]).WriteObjectRef(attachment);
    archive.WriteU32(value).WriteString(label);
    numbers.Write(archive);
}

void TestNode::Read(OmArchive& archive)
{
    OmObject::Read(archive);
    archive.ReadRef(links[0]).ReadRef(links[1]).ReadObjectRef(attachment);
    archive.ReadU32(value).ReadString(label);
    numbers.Read(archive);
}

bool TestBox::Register(OmArchive& archive)
{
    if (!TestShape::Register(archive))
        return false;
    if (owner)
        owner->Register(archive);
    return true;
}

void TestBox::Write(OmArchive& archive)
{
    TestShape::Write(archive);
    archive.WriteFloat(size).WriteVector(centre).WriteBool(solid).WriteObjectRef(owner);
}

void TestBox::Read(OmArchive& archive)
{
    TestShape::Read(archive);
    archive.ReadFloat(size).ReadVector(centre).ReadBool(solid).ReadRef(owner);
}

bool TestHolder::Register(OmArchive& archive)
{
    if (!OmObject::Register(archive))
        return false;
    members.RegisterAll(archive);
    return true;
}

void TestHolder::Write(OmArchive& archive)
{
    OmObject::Write(archive);
    ids.Write(archive);
    members.WriteRefs(archive);
    title.Write(archive);
}

void TestHolder::Read(OmArchive& archive)
{
    OmObject::Read(archive);
    ids.Read(archive);
    members.ReadRefs(archive);
    title.Read(archive);
}
