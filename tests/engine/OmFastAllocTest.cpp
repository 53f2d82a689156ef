#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmFastAlloc.h"
#include "engine/OmIndexTable.h"
#include "engine/OmVoidChain.h"

namespace {

// Marks a cell the way a live object does (its reference count).
void SetLiveWord(void* cell, int32_t value)
{
    std::memcpy(static_cast<char*>(cell) + OmFastAlloc::kLiveWordOffset, &value, sizeof value);
}

std::vector<void*> LiveCells(const OmFastAlloc& pool)
{
    std::vector<void*> cells;
    OmFastAllocIterator it;
    pool.BeginIteration(it);
    while (void* cell = pool.NextLiveObject(it))
        cells.push_back(cell);
    return cells;
}

} // namespace

TEST(OmFastAlloc, BulkPagesHideCellsNotHandedOut)
{
    OmFastAlloc pool(32, 128, 8, "bulk"); // four cells a page
    OmFastAllocPage* pages[2];
    pool.AllocatePages(5, 2, pages);
    EXPECT_EQ(pool.GetLiveCount(), 5u);

    EXPECT_EQ(pool.CellAt(4, pages), static_cast<void*>(pages[1]->block));
    // Nothing has been built in the cells yet: nothing may look live.
    EXPECT_TRUE(LiveCells(pool).empty());
    SetLiveWord(pool.CellAt(2, pages), 1);
    SetLiveWord(pool.CellAt(4, pages), 1);
    EXPECT_EQ(LiveCells(pool).size(), 2u);

    // The three cells of the last page past the count are free cells.
    void* spare = pool.Alloc(32);
    EXPECT_EQ(spare, pool.CellAt(5, pages));

    // Handing the bulk cells back makes them ordinary free cells.
    pool.ReturnCells(5, pages);
    EXPECT_EQ(pool.GetLiveCount(), 1u);
    SetLiveWord(spare, 1);
    EXPECT_EQ(LiveCells(pool), std::vector<void*>{spare});
}

// The stride rounds the cell (at least a link and the liveness word) up to
// the alignment (pointer alignment when not a power of two); a page holds
// the smallest power of two of cells that reaches the page size.
TEST(OmFastAlloc, PageGeometry)
{
    const struct {
        uint32_t elementSize, pageSize, align, stride, cellsPerPage, shift;
    } cases[] = {
        {32, 128, 8, 32, 4, 2}, {5, 100, 8, 16, 8, 3}, {24, 1000, 16, 32, 32, 5},
        {40, 40, 0, 40, 1, 0},  {10, 64, 3, 16, 4, 2}, {20, 65, 4, 20, 4, 2},
    };
    for (const auto& c : cases) {
        OmFastAlloc pool(c.elementSize, c.pageSize, c.align, "geometry");
        // Under the sanitizer no two cells share an 8-byte granule.
        const uint32_t stride = OM_POOL_POISONING ? (c.stride + 7) & ~7u : c.stride;
        EXPECT_EQ(pool.GetStride(), stride) << c.elementSize << "/" << c.pageSize << "/" << c.align;
        EXPECT_EQ(pool.GetCellsPerPage(), c.cellsPerPage) << c.elementSize << "/" << c.pageSize;
        EXPECT_EQ(pool.GetShift(), c.shift) << c.elementSize << "/" << c.pageSize;
    }
}

// A freed cell comes back first; iteration goes through each page in address order.
TEST(OmFastAlloc, CellsInAddressOrderNewestPageFirst)
{
    OmFastAlloc pool(24, 48, 8, "order"); // two cells a page
    std::vector<void*> cells;
    for (int i = 0; i < 5; ++i) {
        cells.push_back(pool.Alloc(24));
        SetLiveWord(cells.back(), 1);
    }
    EXPECT_EQ(static_cast<char*>(cells[1]) - static_cast<char*>(cells[0]), 24);
    EXPECT_EQ(static_cast<char*>(cells[3]) - static_cast<char*>(cells[2]), 24);
    EXPECT_EQ(LiveCells(pool), (std::vector<void*>{cells[4], cells[2], cells[3], cells[0], cells[1]}));
    pool.Free(cells[2]);
    pool.Free(cells[0]);
    EXPECT_EQ(LiveCells(pool), (std::vector<void*>{cells[4], cells[3], cells[1]}));
    if (OM_POOL_POISONING) {
        // Freed cells wait in quarantine: the rest of the newest page comes first.
        EXPECT_EQ(pool.Alloc(24), static_cast<char*>(cells[4]) + 24);
        return;
    }
    EXPECT_EQ(pool.Alloc(24), cells[0]);
    EXPECT_EQ(pool.Alloc(24), cells[2]);
    EXPECT_EQ(pool.Alloc(24), static_cast<char*>(cells[4]) + 24) << "the rest of the newest page";
}

// The plain walk counts every cell it passes, live or not, against the live count.
TEST(OmFastAlloc, TheCellWalkStopsAfterAsManyCellsAsThePoolHasHandedOut)
{
    OmFastAlloc pool(32, 128, 8, "walk"); // four cells a page
    std::vector<void*> walked;
    const auto walk = [&] {
        walked.clear();
        OmFastAllocIterator it;
        pool.BeginIteration(it);
        while (void* cell = pool.NextCell(it))
            walked.push_back(cell);
    };
    walk();
    EXPECT_TRUE(walked.empty()) << "no page yet";
    void* first = pool.Alloc(32);
    void* second = pool.Alloc(32);
    walk();
    EXPECT_EQ(walked, (std::vector<void*>{first, second})) << "not the two cells nobody was handed";
    pool.Free(first);
    pool.Free(second);
    walk();
    EXPECT_TRUE(walked.empty());
}

// Grown grow-step at a time; released ids come before the rest of a grown run.
TEST(OmIndexTable, AscendingThenLastReleasedFirst)
{
    const auto inUse = [](const OmIndexTable& table) {
        std::vector<int32_t> ids;
        for (int32_t cursor = table.GetFirst(); cursor != -1;)
            ids.push_back(table.GetNext(cursor));
        return ids;
    };
    const struct {
        uint32_t growStep;
        std::vector<int32_t> released; // after allocating growStep + 1
        std::vector<int32_t> next;     // the next ids handed out
        uint32_t capacity;
        std::vector<int32_t> used; // most recently allocated first
    } cases[] = {
        {4, {1, 2, 2, 7, -1}, {2, 1, 5}, 8, {5, 1, 2, 4, 3, 0}}, // twice, never handed out, negative: nothing
        {2, {0}, {0, 3, 4}, 6, {4, 3, 0, 2, 1}},
        {1, {}, {2, 3}, 4, {3, 2, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.growStep);
        OmIndexTable table(c.growStep);
        for (int32_t i = 0; i <= int32_t(c.growStep); ++i)
            EXPECT_EQ(table.AllocIndex(), i);
        for (int32_t id : c.released)
            table.ReleaseIndex(id);
        std::vector<int32_t> next;
        for (size_t i = 0; i < c.next.size(); ++i)
            next.push_back(table.AllocIndex());
        EXPECT_EQ(next, c.next);
        EXPECT_EQ(table.GetCapacity(), c.capacity);
        EXPECT_EQ(inUse(table), c.used);
        EXPECT_EQ(table.GetCount(), c.used.size());
    }
}

TEST(OmVoidChain, NewestFirstAndRemoval)
{
    int a = 0, b = 0, c = 0, d = 0;
    auto values = [](const OmVoidChain& chain) {
        std::vector<void*> out;
        for (const OmVoidChain::Link* link = chain.GetFirst(); link; link = link->next) {
            if (link->value)
                out.push_back(link->value);
        }
        return out;
    };
    unsigned before = OmVoidChain::GetPooledLinkCount();
    {
        OmVoidChain chain;
        EXPECT_TRUE(chain.IsEmpty());
        chain.Insert(nullptr);
        EXPECT_TRUE(chain.IsEmpty());
        chain.Insert(&a);
        chain.Insert(&b);
        chain.Insert(&c);
        EXPECT_EQ(values(chain), (std::vector<void*>{&c, &b, &a}));

        chain.Remove(&c); // the second link moves into the embedded one
        EXPECT_EQ(values(chain), (std::vector<void*>{&b, &a}));
        chain.Remove(&d); // absent
        chain.Remove(&a); // a later link
        EXPECT_EQ(values(chain), std::vector<void*>{&b});
        chain.Remove(&b); // the embedded link alone
        EXPECT_TRUE(chain.IsEmpty());
        EXPECT_EQ(OmVoidChain::GetPooledLinkCount(), before);

        chain.Insert(&a);
        chain.Insert(&b);
    }
    EXPECT_EQ(OmVoidChain::GetPooledLinkCount(), before) << "the destructor returns its links";
}

// At the broken call, instead of corrupting a neighbouring cell.
TEST(OmFastAllocDeathTest, BrokenCallerContractsStopADebugBuild)
{
#ifdef NDEBUG
    GTEST_SKIP() << "assertions are compiled out";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    OmFastAlloc pool(32, 128, 8, "contracts");
    OmFastAlloc other(32, 128, 8, "other");
    void* cell = pool.Alloc(32);
    void* foreign = other.Alloc(32);
    const struct {
        const char* what;
        std::function<void()> call;
    } cases[] = {
        {"a size larger than the cells", [&] { pool.Alloc(33); }},
        {"a cell of another pool", [&] { pool.Free(foreign); }},
        {"an address inside a cell", [&] { pool.Free(static_cast<char*>(cell) + 8); }},
        {"an array index at the count", [] {
             OmArray<int> array(4);
             array.Add(1);
             array[1] = 2;
         }},
    };
    for (const auto& c : cases)
        EXPECT_DEATH(c.call(), "Assertion") << c.what;
    pool.Free(cell);
    other.Free(foreign);
#endif
}
