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

// The contracts the engine states for its callers stop a debug build at
// the broken call instead of corrupting a neighbouring cell.
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
