#include <gtest/gtest.h>

#include <cstring>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/engine/TestObjects.h"

using namespace archive_test;

namespace {

// Clears the links (which hold references), then gives back the test's own.
void Dispose(const std::vector<TestNode*>& nodes, const std::vector<OmObject*>& others = {})
{
    for (TestNode* node : nodes)
        node->links[0].Reset(), node->links[1].Reset();
    for (TestNode* node : nodes)
        EXPECT_EQ(node->Release(), 0u);
    for (OmObject* object : others)
        EXPECT_EQ(object->Release(), 0u);
}

// Disposes of its objects when it goes, so an early ASSERT leaks nothing.
struct Disposal {
    ~Disposal() { Dispose(nodes, others); }
    std::vector<TestNode*> nodes;
    std::vector<OmObject*> others;
};

// A node linking to itself and carrying a box: a reference of each kind.
struct SelfFile {
    std::string path;
    std::vector<unsigned char> bytes;
    Layout layout;
    size_t node = 0; // where the node's data starts

    explicit SelfFile(const std::string& saveTo) : path(saveTo)
    {
        TestNode* self = new TestNode();
        TestBox* box = new TestBox();
        self->links[0].Reset(self);
        self->attachment = box;
        self->value = 77;
        for (uint32_t n : {1u, 2u, 3u})
            self->numbers.Add(n);
        EXPECT_TRUE(SaveRoots(path, {self}));
        bytes = ReadFile(path);
        layout = ParseLayout(bytes);
        size_t objects = layout.rootsOffset + 4 + 8;
        // A box is 32 bytes: count, empty name, size, centre, solid, null owner.
        bool boxFirst = layout.classes["TestBox"].fileIndex < layout.classes["TestNode"].fileIndex;
        node = objects + (boxFirst ? 32 : 0);
        self->links[0].Reset();
        self->Release();
        box->Release();
    }

    // Node fields: 0 count, 4 name length, 8/12 link 0, 16 link 1 (null),
    // 20/24 attachment, 28 value, 32 label length, 36 numbers count,
    // 40 grow step, 44 the numbers.
    size_t Field(size_t offset) const { return node + offset; }
};

// A saved self-linked node to damage, a path to load the damage from and the log.
struct OmArchiveLoad : testing::Test {
    const TestFile saved{"corrupt"}, bad{"corrupt_bad"};
    SelfFile file{saved};
    const Layout& layout = file.layout;
    DebugOutputCapture errors;
};

} // namespace

TEST(OmArchive, ASharedAndCyclicGraphRoundTripsWithItsCounts)
{
    auto *a = new TestNode(), *b = new TestNode(), *c = new TestNode();
    TestBox* box = new TestBox();
    TestHolder* holder = new TestHolder();
    const Disposal saved{{a, b, c}, {box, holder}};
    a->SetName("alpha");
    a->label = new char[6];
    std::strcpy(a->label, "first");
    for (uint32_t n : {10u, 20u})
    a->numbers.Add(n);
    a->links[0].Reset(b);
    a->links[1].Reset(c); // c is shared by a and b
    b->links[0].Reset(c);
    b->links[1].Reset(a); // a cycle back to the root
    c->links[0].Reset(c); // and one onto itself
    a->attachment = box;
    box->owner = a;
    box->centre.Set(1.0f, -2.0f, 0.25f);
    box->solid = true;
    for (int i = 0; i < 5; ++i)
        holder->ids.AllocIndex();
    holder->ids.ReleaseIndex(2);
    for (OmObject* member : std::initializer_list<OmObject*>{box, a, nullptr})
    holder->members.AddTail(member);
    holder->title = "holder";

    const TestFile path("graph");
    ASSERT_TRUE(SaveRoots(path, {a, nullptr, a, holder}));

    LoadResult loadedGraph = LoadFile(path);
    ASSERT_TRUE(loadedGraph.ok);
    ASSERT_EQ(loadedGraph.roots.size(), 4u);
    EXPECT_EQ(loadedGraph.roots[1], nullptr);
    EXPECT_EQ(loadedGraph.roots[0], loadedGraph.roots[2]); // the same root twice is one object
    TestNode* la = TestNode::Cast(loadedGraph.roots[0]);
    ASSERT_NE(la, nullptr);
    TestNode* lb = la->links[0];
    TestNode* lc = la->links[1];
    ASSERT_TRUE(lb && lc);
    EXPECT_TRUE(lb->links[0] == lc && lb->links[1] == la && lc->links[0] == lc && !lc->links[1]);
    EXPECT_STREQ(la->GetName(), "alpha");
    EXPECT_STREQ(la->label, "first");
    ASSERT_EQ(la->numbers.GetCount(), 2u);
    EXPECT_EQ(la->numbers[1], 20u);
    for (auto [loadedGraph, saved] : {std::pair{la, a}, {lb, b}, {lc, c}})
        EXPECT_EQ(loadedGraph->GetRefCount(), saved->GetRefCount());

    // Both ends are complete whichever class comes first in the file.
    TestBox* lbox = TestBox::Cast(la->attachment);
    ASSERT_TRUE(lbox);
    ASSERT_EQ(lbox->owner, la);
    ASSERT_EQ(lbox->centre.z, 0.25f);
    ASSERT_TRUE(lbox->solid);

    TestHolder* lholder = TestHolder::Cast(loadedGraph.roots[3]);
    ASSERT_TRUE(lholder);
    ASSERT_STREQ(lholder->title.Get(), "holder");
    std::vector<int32_t> ids;
    for (int32_t cursor = lholder->ids.GetFirst(); cursor != -1;)
        ids.push_back(lholder->ids.GetNext(cursor));
    EXPECT_EQ(ids, (std::vector<int32_t>{4, 3, 1, 0}));
    EXPECT_EQ(lholder->ids.AllocIndex(), 2) << "the free chain came back too";
    std::vector<void*> members;
    for (OmList::Node* n = lholder->members.GetFirst(); n; OmList::Next(n))
        members.push_back(n->value);
    EXPECT_EQ(members, (std::vector<void*>{lbox, la, nullptr}));

    Dispose({la, lb, lc}, {lbox, lholder});
}

namespace {
const OmObject* g_scriptHeld = nullptr;
}

// A script's handles and marks do not outlive the game a save is made from:
// what they alone hold is left out of the file, and what borrowed it reads
// back null, rather than bring the object back held by nobody.
TEST(OmArchive, AnObjectOnlyAScriptHoldsIsLeftOutOfTheSave)
{
    const auto node = OmMakeRef<TestNode>();
    const auto box = OmMakeRef<TestBox>();
    node->attachment = box.Get();
    g_scriptHeld = box.Get();
    OmObject::SetUnsavedReferences([](const OmObject& object) { return &object == g_scriptHeld ? 1u : 0u; });
    const TestFile path("script");
    const bool saved = SaveRoots(path, {node});
    OmObject::SetUnsavedReferences(nullptr);
    ASSERT_TRUE(saved);

    const uint32_t boxes = TestBox::s_pool.GetLiveCount();
    const auto loaded = OmRef<TestNode>::Adopt(TestNode::Cast(LoadFile(path).roots.at(0)));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->attachment, nullptr);
    EXPECT_EQ(TestBox::s_pool.GetLiveCount(), boxes);
}

// Roots naming a holder over and over, and neither the node it holds nor a
// node alone: a refused load takes down all it built, whatever the roots.
TEST(OmArchive, ARefusedLoadFreesEverythingItBuiltWhicheverRootsTheFileNames)
{
    const TestFile path("roots");
    {
        const auto held = OmMakeRef<TestNode>(), holder = OmMakeRef<TestNode>(), alone = OmMakeRef<TestNode>();
        holder->links[0].Reset(held.Get());
        ASSERT_TRUE(SaveRoots(path, {held, holder, alone}));
        holder->links[0].Reset();
    }
    const std::vector<unsigned char> bytes = ReadFile(path);
    const uint32_t nodes = TestNode::s_pool.GetLiveCount();
    for (const size_t count : {3, 100000}) {
        WriteFile(path, WithRoots(bytes, 3, std::vector<uint32_t>(count, 1)));
        OmArchive archive(Registry());
        ASSERT_TRUE(archive.Load(path.c_str())) << count;
        archive.RefuseLoad();
        EXPECT_EQ(TestNode::s_pool.GetLiveCount(), nodes) << count << " roots";
    }
}

TEST(OmArchive, ASaveThatCannotWriteItsFileFailsAndSaysSo)
{
    const auto node = OmMakeRef<TestNode>();
    DebugOutputCapture unwritten;
    EXPECT_FALSE(SaveRoots(TestFile("no_such_dir/file"), {node}) || SaveRoots("/dev/full", {node}));
    EXPECT_TRUE(unwritten.Contains("could not be written")) << unwritten.Text();
}

TEST_F(OmArchiveLoad, CorruptCountsLengthsAndLinksFailAndLeaveNoObjectBehind)
{
    uint32_t boxClass = layout.classes.at("TestBox").fileIndex;
    uint32_t nodesBefore = TestNode::s_pool.GetLiveCount();

    const struct {
        const char* what;
        size_t offset;
        uint32_t value;
    } patches[] = {
        {"class count", layout.classCountOffset, 0xFFFFFFFFu},
        {"object count", layout.classes.at("TestNode").countOffset, 0x7FFFFFFFu},
        {"root count", layout.rootsOffset, 0x40000000u},
        {"root class index", layout.rootsOffset + 4, 1000},
        {"link class index", file.Field(8), uint32_t(layout.classes.size())},
        {"link to an object of another class", file.Field(8), boxClass},
        {"string length", file.Field(32), 0xFFFFFFF0u},
        {"string length past the end", file.Field(32), 64},
        {"array count", file.Field(36), 0x40000001u},
        {"array grow step", file.Field(40), 0},
        {"array grow step that would reserve gigabytes", file.Field(40), 0xFFFFFFFDu},
    };
    for (const auto& patch : patches) {
        errors.Clear();
        EXPECT_FALSE(LoadBytes(bad, Patched(file.bytes, patch.offset, patch.value)).ok) << patch.what;
        EXPECT_FALSE(errors.Text().empty()) << patch.what;
        EXPECT_EQ(TestNode::s_pool.GetLiveCount(), nodesBefore) << patch.what;
    }

    // Objects that no root reaches would be handed to nobody.
    std::vector<unsigned char> bytes = file.bytes;
    SetWord(bytes, layout.rootsOffset, 0);
    bytes.erase(bytes.begin() + long(layout.rootsOffset + 4), bytes.begin() + long(layout.rootsOffset + 12));
    EXPECT_FALSE(LoadBytes(bad, bytes).ok);
    EXPECT_EQ(TestNode::s_pool.GetLiveCount(), nodesBefore);
}

// The node is held twice in its file: as the root its loader takes, and by
// its own link. A count below that would free it while a holder keeps it;
// one above it names holders the file does not (the saver's own), up to
// where a count would read as a cell being taken down or a free one.
TEST_F(OmArchiveLoad, ACountBelowTheHoldersOrPastWhatAPoolCountsFailsTheLoad)
{
    ASSERT_EQ(WordAt(file.bytes, file.Field(0)), 2u);
    for (auto [count, loads] : {std::pair{0u, false}, {1u, false}, {2u, true}, {3u, true}, {0x3FFFFFFFu, true},
                                {OmArchive::kTakeDownRefCount, false}, {0x80000000u, false}}) {
        errors.Clear();
        WriteFile(bad, Patched(file.bytes, file.Field(0), count));
        OmArchive archive(Registry());
        EXPECT_EQ(archive.Load(bad.c_str()), loads) << count;
        EXPECT_EQ(errors.Contains("object 0 of class TestNode is counted"), !loads) << count << errors.Text();
        archive.RefuseLoad(); // one counted 3 would otherwise stay for ever
    }
}

TEST_F(OmArchiveLoad, AWrongHeaderOrVersionOrAMissingFileFailsTheLoad)
{
    std::vector<unsigned char> bytes = file.bytes;
    bytes[40] ^= 0x20;
    EXPECT_FALSE(LoadBytes(bad, bytes).ok) << errors.Text();
    EXPECT_TRUE(errors.Contains("header")) << errors.Text();
    for (auto [major, minor] : {std::pair{1u, 1u}, {2u, 0u}, {0u, 0u}}) {
        bytes = file.bytes;
        SetWord(bytes, 75, major);
        SetWord(bytes, 79, minor);
        EXPECT_FALSE(LoadBytes(bad, bytes).ok) << major << "." << minor;
    }
    EXPECT_FALSE(LoadFile(TestFile("no_such_file")).ok);
}

// A class the registry does not know, or one the caller says a file of its
// kind does not hold (one derived from a class it holds too).
TEST_F(OmArchiveLoad, AClassTheLoaderMayNotBuildIsRefusedAndNamedInTheLog)
{
    std::vector<unsigned char> unknown = file.bytes;
    unknown[layout.classes.at("TestNode").countOffset - 4] = 'X';
    const struct {
        std::initializer_list<const OmClass*> held; // empty: any the registry knows
        const std::vector<unsigned char>& bytes;
        const char* refused; // null: it loads
    } cases[] = {
        {{}, unknown, "unknown class \"TestXode\""},
        {{&TestNode::s_class, &TestBox::s_class}, file.bytes, nullptr},
        {{&TestNode::s_class}, file.bytes, "class TestBox"},
        {{&TestNode::s_class, &TestShape::s_class}, file.bytes, "class TestBox"},
        {{&TestBox::s_class}, file.bytes, "class TestNode"},
    };
    for (const auto& c : cases) {
        errors.Clear();
        WriteFile(bad, c.bytes);
        OmArchive archive(Registry());
        if (c.held.size())
            archive.HoldOnly(c.held);
        EXPECT_EQ(archive.Load(bad.c_str()), c.refused == nullptr) << errors.Text();
        EXPECT_TRUE(!c.refused || errors.Contains(c.refused)) << errors.Text();
        archive.RefuseLoad();
    }
}

// References to objects that were never registered are written so.
TEST_F(OmArchiveLoad, AnObjectIndexPastItsClassCountReadsBackAsNull)
{
    WriteFile(bad, Patched(file.bytes, file.Field(12), 5));
    OmArchive archive(Registry());
    ASSERT_TRUE(archive.Load(bad.c_str()));
    EXPECT_EQ(TestNode::Cast(archive.GetRoot(0))->links[0], nullptr);
    archive.RefuseLoad();
}

TEST(OmArchive, IndexTableReadChecksItsChains)
{
    const auto holder = OmMakeRef<TestHolder>();
    for (int i = 0; i < 3; ++i)
        holder->ids.AllocIndex();
    const TestFile path("table"), bad("table_bad");
    ASSERT_TRUE(SaveRoots(path, {holder}));
    std::vector<unsigned char> good = ReadFile(path);
    Layout layout = ParseLayout(good);
    // Holder: count, name length, then capacity, grow step, count, free
    // head, used head and four links.
    size_t table = layout.rootsOffset + 12 + 8;
    ASSERT_EQ(WordAt(good, table), 4u);
    ASSERT_EQ(WordAt(good, table + 16), 2u);
    const std::pair<size_t, uint32_t> patches[] = {
        {table, 0x10000000u},        // capacity past the file
        {table + 4, 0},              // grow step
        {table + 4, 0xFFFFFFFFu},    // a grow step that wraps the next growth
        {table + 8, 4},              // count disagrees with the chain
        {table + 12, 9},             // free head out of range
        {table + 16, 4},             // used head out of range
        {table + 20, 2},             // links[0] loops back to 2
        {table + 32, uint32_t(~1)},  // the free id points at a used one
    };
    for (auto [offset, value] : patches)
        EXPECT_FALSE(LoadBytes(bad, Patched(good, offset, value)).ok) << "offset " << offset - table;

    const auto copy = OmRef<TestHolder>::Adopt(TestHolder::Cast(LoadFile(path).roots.at(0)));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->ids.AllocIndex(), 3);
    EXPECT_EQ(copy->ids.AllocIndex(), 4);
}
