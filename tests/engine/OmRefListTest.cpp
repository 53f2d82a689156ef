#include <gtest/gtest.h>

#include <functional>

#include "engine/OmRef.h"
#include "engine/OmRefList.h"
#include "tests/engine/TestObjects.h"

namespace {

// Two objects the test holds one reference to each, and a list; each case
// does one thing and says what the counts and the list's length are then.
struct Scene {
    OmRef<TestNode> a = OmMakeRef<TestNode>();
    OmRef<TestNode> b = OmMakeRef<TestNode>();
    OmRefList<TestNode> list;
};

struct Case {
    const char* what;
    std::function<void(Scene&)> act;
    uint32_t countA;
    uint32_t countB;
    uint32_t listed;
};

} // namespace

TEST(OmRefList, EachEntryHoldsOneReferenceUntilItGoes)
{
    const Case cases[] = {
        {"a shared entry adds a reference", [](Scene& s) { s.list.AddTail(OmRef<TestNode>(s.a)); }, 2, 1, 1},
        {"an adopted entry adds none",
         [](Scene& s) { s.list.AddTail(OmRef<TestNode>::Adopt((s.a->AddRef(), s.a.Get()))); }, 2, 1, 1},
        {"an entry removed and dropped gives its reference back",
         [](Scene& s) {
             s.list.AddTail(OmRef<TestNode>(s.a));
             (void)s.list.Remove(s.a);
         },
         1, 1, 0},
        {"an entry removed and kept hands its reference to the caller",
         [](Scene& s) {
             s.list.AddHead(OmRef<TestNode>(s.a));
             OmRef<TestNode> kept = s.list.RemoveAt(s.list.GetFirst());
             EXPECT_EQ(s.a->GetRefCount(), 2u);
         },
         1, 1, 0},
        {"removing what is not listed hands out nothing",
         [](Scene& s) {
             s.list.AddTail(OmRef<TestNode>(s.a));
             EXPECT_FALSE(s.list.Remove(s.b));
         },
         2, 1, 1},
        {"removing everything gives every reference back",
         [](Scene& s) {
             s.list.AddTail(OmRef<TestNode>(s.a));
             s.list.AddTail(OmRef<TestNode>(s.b));
             s.list.RemoveAll();
         },
         1, 1, 0},
        {"swapped entries keep one reference each",
         [](Scene& s) {
             s.list.AddTail(OmRef<TestNode>(s.a));
             s.list.AddTail(OmRef<TestNode>(s.b));
             s.list.SwapValues(s.list.GetFirst(), s.list.GetLast());
             EXPECT_EQ(OmRefList<TestNode>::At(s.list.GetFirst()), s.b.Get());
         },
         2, 2, 2},
        {"an abandoned entry keeps its reference",
         [](Scene& s) {
             s.list.AddTail(OmRef<TestNode>(s.a));
             s.list.Abandon();
             s.a->Release();
         },
         1, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene;
        c.act(scene);
        EXPECT_EQ(scene.a->GetRefCount(), c.countA);
        EXPECT_EQ(scene.b->GetRefCount(), c.countB);
        EXPECT_EQ(scene.list.GetCount(), c.listed);
    }
}

TEST(OmRefList, GoingGivesBackEveryEntrysReference)
{
    auto a = OmMakeRef<TestNode>();
    {
        OmRefList<TestNode> list;
        list.AddTail(OmRef<TestNode>(a));
        list.AddTail(OmRef<TestNode>(a));
        EXPECT_EQ(a->GetRefCount(), 3u);
    }
    EXPECT_EQ(a->GetRefCount(), 1u);
}
