#include <gtest/gtest.h>

#include "engine/OmClass.h"
#include "engine/OmObject.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/engine/TestObjects.h"

using archive_test::Registry;

TEST(OmClassRegistry, AddClassIsFirstComeAndUniqueByRecord)
{
    OmClassRegistry registry;
    OmClassFactoryOf<TestBall> factoryA, factoryB;
    OmFastAlloc poolA(64, 4096, 8, "A"), poolB(64, 4096, 8, "B");

    // The first record reaches AddClass before its constructor has run, as
    // happens when another file's static initialiser comes first.
    alignas(OmClass) static unsigned char lateStorage[sizeof(OmClass)];
    const OmClass* late = reinterpret_cast<const OmClass*>(lateStorage);
    OmClass early("TestEarly", &OmObject::s_class);

    EXPECT_EQ(registry.AddClass(late, &factoryA, &poolA), 0);
    EXPECT_EQ(registry.AddClass(&early, &factoryA, &poolA), 1);
    EXPECT_EQ(registry.AddClass(late, &factoryB, &poolB), 0) << "a second add returns the first index";
    EXPECT_EQ(registry.GetCount(), 2u);
    EXPECT_EQ(registry.GetPool(0), &poolA);

    OmClass* constructed = ::new (lateStorage) OmClass("TestLate", &OmObject::s_class);
    EXPECT_STREQ(registry.GetClass(0)->name, "TestLate");
    EXPECT_TRUE(registry.AssignClassIds());
    EXPECT_EQ(constructed->index, 0);
    EXPECT_EQ(early.index, 1);
    int32_t index = -7;
    EXPECT_TRUE(registry.FindClassIndex("TestEarly", index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(registry.FindClassIndex("testearly", index) || registry.FindClassIndex(nullptr, index));
    EXPECT_TRUE(!registry.GetFactory(2) && !registry.GetPool(-1) && !registry.CreateObject(5));
    constructed->~OmClass();
}

TEST(OmClassRegistry, FindObjectFindsALiveObjectOfTheClassByItsExactName)
{
    OmClassRegistry& global = Registry();
    int32_t ballId = TestBall::ClassId();
    const OmRef<TestBall> unnamed = OmMakeRef<TestBall>();
    const OmRef<TestBox> otherClass = OmMakeRef<TestBox>();
    TestBall* first = new TestBall();
    TestBall* second = new TestBall();
    first->SetName("Target");
    second->SetName("Target");
    otherClass->SetName("Box");

    // Unnamed objects about, another class's name, the wrong case: nothing.
    for (const char* name : {"", static_cast<const char*>(nullptr), "Box", "target"})
        EXPECT_EQ(global.FindObject(ballId, name), nullptr) << (name ? name : "null");
    OmObject* found = global.FindObject(ballId, "Target");
    EXPECT_TRUE(found == first || found == second);

    // Released objects are dead cells and no longer found: the pool tests
    // liveness where the object keeps its count.
    ASSERT_EQ(OmObject::RefCountOffset(), OmFastAlloc::kLiveWordOffset);
    found->Release();
    OmObject* other = global.FindObject(ballId, "Target");
    ASSERT_TRUE(other);
    EXPECT_NE(other, found);
    other->Release();
    EXPECT_FALSE(global.FindObject(ballId, "Target") || global.FindObject(-1, "Target"));
}

// What lives for the whole run (an unlisted class) survives every mode switch.
TEST(OmClassRegistry, FreeAllObjectsKeepsTheObjectsOfUnlistedClasses)
{
    OmClassRegistry& global = Registry();
    TestKeeper* camera = new TestKeeper();
    camera->value = 42;
    camera->SetName("camera");

    for (int modeSwitch = 0; modeSwitch < 2; ++modeSwitch) {
        new TestBall(); // level objects the switch frees
        new TestNode();
        global.FreeAllObjects();
        EXPECT_EQ(TestBall::s_pool.GetLiveCount(), 0u);
        EXPECT_EQ(TestNode::s_pool.GetLiveCount(), 0u);

        // The kept object is intact and usable, and the freed pools work.
        EXPECT_EQ(camera->value, 42u);
        EXPECT_STREQ(camera->GetName(), "camera");
        TestNode* fresh = new TestNode();
        camera->links[0].Reset(fresh);
        fresh->Release();
        EXPECT_EQ(camera->links[0]->GetRefCount(), 1u);
        camera->links[0].Reset();
    }
    EXPECT_EQ(TestKeeper::s_pool.GetLiveCount(), 1u);
    camera->Release();
    EXPECT_EQ(TestKeeper::s_pool.GetLiveCount(), 0u);
}

TEST(OmObject, AClassDerivesOnlyFromItsAncestorsAndCastsAlongThem)
{
    EXPECT_TRUE(TestBox::s_class.IsDerivedFrom(&OmObject::s_class));
    EXPECT_FALSE(TestBox::s_class.IsDerivedFrom(&TestBall::s_class)) << "siblings are unrelated";
    EXPECT_FALSE(TestShape::s_class.IsDerivedFrom(&TestBox::s_class) || TestBox::s_class.IsDerivedFrom(nullptr) ||
                 OmClass::IsDerivedFrom(nullptr, &OmObject::s_class));
    const OmRef<TestBox> box = OmMakeRef<TestBox>();
    OmObject* object = box.Get();
    EXPECT_EQ(TestShape::Cast(object), box.Get());
    EXPECT_FALSE(TestBall::Cast(object));
    EXPECT_EQ(TestBox::Cast(static_cast<OmObject*>(nullptr)), nullptr);
}

TEST(OmObject, ANameSetFromItsOwnTextIsKept)
{
    const OmRef<TestBall> ball = OmMakeRef<TestBall>();
    ball->SetName("Alpha");
    ball->SetName(ball->GetName()); // its own text
    EXPECT_STREQ(ball->GetName(), "Alpha");
}
