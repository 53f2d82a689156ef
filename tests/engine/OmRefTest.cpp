#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "engine/OmRef.h"
#include "tests/engine/TestObjects.h"

namespace {

// Two objects the test holds one reference to each, and two slots that may
// hold more; each case does one thing to the slots and says what the counts
// and the slots are then.
struct Scene {
    TestNode* a = new TestNode();
    TestNode* b = new TestNode();
    OmRef<TestNode> first;
    OmRef<TestNode> second;
};

struct Case {
    const char* what;
    std::function<void(Scene&)> act;
    uint32_t countA;
    uint32_t countB;
    char first;  // 'a', 'b' or '-' for empty
    char second; // likewise
};

char Which(const Scene& scene, const TestNode* held)
{
    return held == scene.a ? 'a' : held == scene.b ? 'b' : held ? '?' : '-';
}

} // namespace

TEST(OmRef, CountsFollowCopyMoveResetAndSelfAssignment)
{
    const Case cases[] = {
        {"sharing adds a reference", [](Scene& s) { s.first = OmRef<TestNode>(s.a); }, 2, 1, 'a', '-'},
        {"adopting adds none", [](Scene& s) { s.first = OmRef<TestNode>::Adopt((s.a->AddRef(), s.a)); }, 2, 1, 'a',
         '-'},
        {"a copy adds one", [](Scene& s) { s.first.Reset(s.a); s.second = s.first; }, 3, 1, 'a', 'a'},
        {"a copy-constructed reference adds one",
         [](Scene& s) {
             s.first.Reset(s.a);
             OmRef<TestNode> copy(s.first);
             s.second = std::move(copy);
         },
         3, 1, 'a', 'a'},
        {"a move leaves the count and empties the source",
         [](Scene& s) { s.first.Reset(s.a); s.second = std::move(s.first); }, 2, 1, '-', 'a'},
        {"a move over a held object releases that one",
         [](Scene& s) { s.first.Reset(s.a); s.second.Reset(s.b); s.second = std::move(s.first); }, 2, 1, '-', 'a'},
        {"a copy over a held object releases that one",
         [](Scene& s) { s.first.Reset(s.a); s.second.Reset(s.b); s.second = s.first; }, 3, 1, 'a', 'a'},
        {"reset to another releases the old", [](Scene& s) { s.first.Reset(s.a); s.first.Reset(s.b); }, 1, 2, 'b', '-'},
        {"reset to nothing releases", [](Scene& s) { s.first.Reset(s.a); s.first.Reset(); }, 1, 1, '-', '-'},
        {"null assignment releases", [](Scene& s) { s.first.Reset(s.a); s.first = nullptr; }, 1, 1, '-', '-'},
        {"reset to the same object keeps one reference",
         [](Scene& s) { s.first.Reset(s.a); s.first.Reset(s.a); }, 2, 1, 'a', '-'},
        {"self copy-assignment keeps the count",
         [](Scene& s) { s.first.Reset(s.a); auto& same = s.first; s.first = same; }, 2, 1, 'a', '-'},
        {"self move-assignment keeps the object",
         [](Scene& s) { s.first.Reset(s.a); auto& same = s.first; s.first = std::move(same); }, 2, 1, 'a', '-'},
        {"detach hands the reference over",
         [](Scene& s) { s.first.Reset(s.a); s.second.AdoptNew(s.first.Detach()); }, 2, 1, '-', 'a'},
        {"a reference to a base shares the object",
         [](Scene& s) {
             s.first.Reset(s.a);
             OmRef<OmObject> base(s.first);
             EXPECT_EQ(s.a->GetRefCount(), 3u);
         },
         2, 1, 'a', '-'},
        {"an out-parameter lets go of the held object and adopts the stored one",
         [](Scene& s) {
             s.first.Reset(s.a);
             s.b->AddRef(); // the reference the callee hands out
             *s.first.Put() = s.b;
         },
         1, 2, 'b', '-'},
        {"a made object is held once", [](Scene& s) { s.first = OmMakeRef<TestNode>(); }, 1, 1, '?', '-'},
    };
    for (const Case& c : cases) {
        Scene scene;
        c.act(scene);
        EXPECT_EQ(scene.a->GetRefCount(), c.countA) << c.what;
        EXPECT_EQ(scene.b->GetRefCount(), c.countB) << c.what;
        EXPECT_EQ(Which(scene, scene.first), c.first) << c.what;
        EXPECT_EQ(Which(scene, scene.second), c.second) << c.what;
        if (c.first == '?') {
            EXPECT_EQ(scene.first->GetRefCount(), 1u) << c.what;
        }
        scene.first = nullptr;
        scene.second = nullptr;
        EXPECT_EQ(scene.a->Release(), 0u) << c.what << ": the slots gave back all they took";
        EXPECT_EQ(scene.b->Release(), 0u) << c.what;
    }
}
