// The environment file (.tsw): a world saved and loaded again answers the
// same casts; a damaged file fails its load with a message instead of
// leaving a world that reads out of bounds.
#include <gtest/gtest.h>

#include <bit>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>

#include <sys/resource.h>

#include "WorldTestSupport.h"
#include "engine/OmRef.h"
#include "game/level/TsLevel.h"
#include "tests/engine/ArchiveTestSupport.h"

using namespace archive_test;
using namespace worldtest;

namespace {

// Sets the word `word` words after the pattern; nothing when it is not found.
void Patch(std::vector<unsigned char>& bytes, const std::vector<uint32_t>& pattern, size_t word, uint32_t value)
{
    const size_t at = FindWords(bytes, pattern);
    if (at != std::string::npos && at + word * 4 + 4 <= bytes.size())
        SetWord(bytes, at + word * 4, value);
}

// Files this process writes may grow to `bytes` and no further while it
// lives: a write past it fails as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldSignal);
    }

private:
    rlimit m_old{};
    void (*m_oldSignal)(int) = nullptr;
};

constexpr uint32_t Bits(float f) { return std::bit_cast<uint32_t>(f); }

} // namespace

TEST_F(WorldTest, DemoLevelSurvivesSaveAndLoad)
{
    ASSERT_TRUE(HaveDemoLevel()) << "the demo level is missing: run tools/make-data BUILD_DIR";
    OmRef<TsWorld> imported = ImportDemo();
    ASSERT_NE(imported, nullptr);
    ASSERT_TRUE(imported->CreateAIMap(worldtest::DemoFile("demo_ai.tga").c_str(), nullptr));
    const std::string path = TempPath("tsw");
    ASSERT_TRUE(imported->SaveWorld(path.c_str()));
    auto loaded = OmRef<TsWorld>::Adopt(TsWorld::LoadWorld(path.c_str()));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->GetCellCount(), imported->GetCellCount());
    ASSERT_EQ(loaded->GetEffectNodes().size(), 1u);
    EXPECT_STREQ(loaded->GetEffectNodes()[0]->GetName(), "smoke");

    std::mt19937 random(1234);
    std::uniform_real_distribution<float> x(-2, 22), y(-1, 4), z(-2, 10);
    int hits = 0;
    for (int i = 0; i < 10000; ++i) {
        const OmVector3 from(x(random), y(random), z(random)), to(x(random), y(random), z(random));
        TsWorldHit a, b;
        const bool hitA = imported->CastSegmentStatic(from, to, a, true);
        ASSERT_EQ(hitA, loaded->CastSegmentStatic(from, to, b, true)) << "segment " << i;
        hits += hitA ? 1 : 0;
        ASSERT_TRUE(!hitA || (a.point.Equals(b.point) && a.distance == b.distance && a.normal.Equals(b.normal))) << i;
    }
    EXPECT_GT(hits, 3000);

    // Saving the loaded world writes the same file: every cell's groups,
    // planes, bins and liquids, the AI map and its beacons come back as saved.
    const std::string again = TempPath("again.tsw");
    ASSERT_TRUE(loaded->SaveWorld(again.c_str()));
    EXPECT_TRUE(ReadFile(path) == ReadFile(again));
}

class DamagedWorldTest : public WorldTest {
protected:
    // Two cells of floor (edge 4 over 8 x 4) with one dynamic light.
    OmRef<TsWorld> Build()
    {
        OmGroup* root = new OmGroup();
        AddShape(*root, "floor", Floor(0.5f, 0.5f, 7.5f, 3.5f));
        AddLight(*root, "dyn_lamp", OmVector3(2, 2, 2), OmVector3(1, 1, 1), 1.0f);
        return Import(root, OmVector3(8, 1, 4), 4.0f);
    }

    // Saves the world, lets `damage` change the bytes, loads them.
    bool LoadDamaged(TsWorld& world, void (*damage)(std::vector<unsigned char>&), std::string& message)
    {
        const std::string path = TempPath("tsw");
        if (!world.SaveWorld(path.c_str()))
            return true;
        std::vector<unsigned char> bytes = ReadFile(path);
        if (damage)
            damage(bytes);
        WriteFile(path, bytes);
        ErrorCapture errors;
        const auto loaded = OmRef<TsWorld>::Adopt(TsWorld::LoadWorld(path.c_str()));
        message = errors.Text();
        return loaded != nullptr;
    }
    void SetUp() override
    {
        ASSERT_NE(world, nullptr);
        ASSERT_TRUE(world->SaveWorld(path.c_str()));
        saved = ReadFile(path);
    }
    OmRef<TsWorld> world = Build();
    const std::string path = TempPath("tsw");
    std::vector<unsigned char> saved;
};

TEST_F(DamagedWorldTest, ASaveThatRunsOutOfDiskKeepsTheOldFile)
{
    ErrorCapture errors;
    {
        FileSizeLimit full(saved.size() / 2);
        EXPECT_FALSE(world->SaveWorld(path.c_str()));
    }
    EXPECT_TRUE(ReadFile(path) == saved);
    EXPECT_FALSE(std::filesystem::exists(path + ".saving"));
}

TEST_F(DamagedWorldTest, EveryShortenedFileFailsCleanly)
{
    ErrorCapture errors;
    for (size_t length = 0; length < saved.size(); length += 7) {
        WriteFile(path, std::vector<unsigned char>(saved.begin(), saved.begin() + long(length)));
        const auto loaded = OmRef<TsWorld>::Adopt(TsWorld::LoadWorld(path.c_str()));
        EXPECT_EQ(loaded.Get(), nullptr) << "a file cut at " << length << " of " << saved.size() << " bytes loaded";
    }
}

using Bytes = std::vector<unsigned char>;

// The small world's grid words (2 levels, 4 a side, 2 cells, edge 4) and
// its quadtree (level counts 1, 1, 2; level 0 holds one node, mask 1;
// level 1 one node over both cells, mask 5).
const std::vector<uint32_t> kGrid = {2, 4, 2, Bits(4.0f)};
const std::vector<uint32_t> kTree = {1, 1, 2, 1, 0x01, 1, 0x05};

// Each damage, to the second cell before the save or to the saved bytes,
// fails the load with a message that names it.
TEST_F(DamagedWorldTest, DamagedCellsGridQuadtreeAndListsFailTheLoad)
{
    using CellDamage = void (*)(TsWorldCell&);
    using ByteDamage = void (*)(Bytes&);
    const char* const kCell = "indices, runs or planes";
    struct Case {
        const char* what;
        CellDamage cell;
        ByteDamage bytes;
        const char* message;
    } cases[] = {
        {"an index past the vertices", [](TsWorldCell& c) { c.Group(0).indices[1] = 999; }, nullptr, kCell},
        {"a plane missing", [](TsWorldCell& c) { c.Planes(0).Resize(c.Planes(0).GetCount() - 1); }, nullptr, kCell},
        {"a run past the triangles", [](TsWorldCell& c) { c.Group(0).runs[0].triangleCount = 50; }, nullptr, kCell},
        {"a run past the vertices", [](TsWorldCell& c) { c.Group(0).runs[0].vertexCount = 50; }, nullptr, kCell},
        {"a bin naming a missing triangle", [](TsWorldCell& c) { c.Bin(5).triangles[1].Add(0); }, nullptr,
         "bin lists a triangle"},
        {"a flat cell box", [](TsWorldCell& c) { c.SetBox(c.GetBoxOrigin(), OmVector3(4, 0, 4)); }, nullptr,
         "box is empty"},
        {"a box that is not finite", [](TsWorldCell& c) { c.SetBox(OmVector3(NAN, 0, 0), c.GetBoxSize()); },
         nullptr, "not finite"},
        {"a light the world does not have", [](TsWorldCell& c) { c.Group(0).vertices[0].lightIndices = 0x07000000; },
         nullptr, "names a light the world does not have"},
        {"an index list not in threes", [](TsWorldCell& c) { c.Group(0).indices.Add(0); }, nullptr, kCell},
        {"a liquid with more vertices than 16-bit indices name",
         [](TsWorldCell& c) { c.AddLiquid(new TsLiquid); c.Liquid(0).vertices.Resize(65537); }, nullptr,
         "more vertices than its indices can name"},
        {"grid size not two to the levels", nullptr, [](Bytes& b) { Patch(b, kGrid, 1, 8); }, "grid"},
        {"more levels than allowed", nullptr, [](Bytes& b) { Patch(b, kGrid, 0, 40); }, "grid"},
        {"more cells than the grid holds", nullptr, [](Bytes& b) { Patch(b, kGrid, 2, 17); }, "grid"},
        // Words 7 and 8 after the grid's start are the AI map's rows and columns.
        {"AI map rows without columns", nullptr, [](Bytes& b) { Patch(b, kGrid, 7, 1); },
         "AI map's rows and columns"},
        {"a neighbour outside the cells", nullptr,
         [](Bytes& b) { Patch(b, {Bits(1.0f), Bits(1.0f), 0xFFFFFFFFu, 1}, 3, 7); }, "neighbour"},
        {"a quadtree node naming cells that do not exist", nullptr, [](Bytes& b) { Patch(b, kTree, 6, 0x15); },
         "quadtree"},
        {"a quadtree level larger than it can be", nullptr, [](Bytes& b) { Patch(b, kTree, 3, 2); }, "quadtree"},
        // Cloud parameters 0 and 0, import flag 1, no effect nodes, no beacons in steps of 64.
        {"beacons with a grow step of 0", nullptr, [](Bytes& b) { Patch(b, {0, 0, 1, 0, 0, 64}, 5, 0); },
         "grow step"},
        {"a light list longer than the file", nullptr, [](Bytes& b) { Patch(b, kTree, 7, 0x10000000u); },
         "light list"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OmRef<TsWorld> world = Build();
        ASSERT_EQ(world->GetCellCount(), 2);
        if (c.cell)
            c.cell(world->Cell(1));
        std::string message;
        EXPECT_FALSE(LoadDamaged(*world, c.bytes, message));
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
    std::string message;
    EXPECT_TRUE(LoadDamaged(*world, nullptr, message)) << "the undamaged file loads: " << message;
}

TEST_F(DamagedWorldTest, ALightListedMoreOftenThanItIsCountedFailsTheLoad)
{
    std::string message;
    world->GetLights().push_back(world->GetLightNodes()[1]); // listed twice, counted twice
    auto countOnce = [](Bytes& b) {
        // The light's count stands before its name's length and text.
        const std::string name = "dyn_lamp";
        for (size_t at = 8; at + name.size() <= b.size(); ++at)
            if (std::memcmp(&b[at], name.data(), name.size()) == 0 && WordAt(b, at - 4) == name.size())
                SetWord(b, at - 8, 1);
    };
    EXPECT_FALSE(LoadDamaged(*world, countOnce, message));
    EXPECT_NE(message.find("do not link back"), std::string::npos) << message;
    EXPECT_TRUE(LoadDamaged(*world, nullptr, message)) << message;
}

// Whatever count the world was saved with, the loaded world holds only the
// caller's reference (the leak check sees that it leaves nothing behind);
// a count of none is damage, since the caller holds it.
TEST_F(DamagedWorldTest, TheLoadedWorldIsTheCallersWhateverItsSavedCount)
{
    for (uint32_t count : {0u, 3u, 0x3FFFFFFFu}) {
        Bytes bytes = saved;
        // The world's count and its empty name stand just before its grid.
        const size_t grid = FindWords(bytes, kGrid);
        ASSERT_NE(grid, std::string::npos);
        SetWord(bytes, grid - 8, count);
        WriteFile(path, bytes);
        const auto loaded = OmRef<TsWorld>::Adopt(TsWorld::LoadWorld(path.c_str()));
        ASSERT_EQ(loaded.Get() != nullptr, count != 0) << "saved as " << count;
        EXPECT_EQ(loaded ? loaded->GetRefCount() : 1u, 1u) << "saved as " << count;
    }
}

// A world is its file's only root, and the file holds what a world holds:
// a file holding anything beside it (a level, too), or no world, loads none
// and leaves nothing behind (the pools count it).
TEST_F(DamagedWorldTest, AFileHoldingMoreThanItsWorldLoadsNoneAndKeepsNothing)
{
    const auto lamp = OmMakeRef<OmMaxLight>();
    const auto level = std::make_unique<TsLevel>();
    OmMaxLight* listed = world->GetLightNodes().back();
    struct Case {
        const char* what;
        std::initializer_list<OmObject*> roots;
        const char* message;
    } cases[] = {
        {"a light of its own after the world", {world, lamp}, "only root"},
        {"a light the world lists, before it", {listed, world}, "only root"},
        {"the world twice", {world, world}, "only root"},
        {"a light and no world", {lamp, lamp}, "not a world"},
        {"a level beside the world", {world, level.get()}, "which a file of its kind does not hold"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint32_t worlds = TsWorld::s_pool.GetLiveCount(), lights = OmMaxLight::s_pool.GetLiveCount();
        ASSERT_TRUE(SaveRoots(path, c.roots, &renderer.GetResourceOwner()));
        ErrorCapture errors;
        EXPECT_EQ(OmRef<TsWorld>::Adopt(TsWorld::LoadWorld(path.c_str())), nullptr);
        EXPECT_TRUE(errors.Contains(c.message)) << errors.Text();
        EXPECT_EQ(TsWorld::s_pool.GetLiveCount(), worlds);
        EXPECT_EQ(OmMaxLight::s_pool.GetLiveCount(), lights);
    }
}
