// A pool of fixed-size cells carved from pages that are never given back
// while the program runs. Every registered class keeps its instances in one,
// which is also how the live objects of a class are enumerated and how the
// archive places loaded objects at addresses known before they exist.
//
// A free cell holds the next free cell in its first pointer and a zero word
// right after it, where a live object keeps its reference count: a cell is
// live for iteration while that word, read as signed, is above 0.
//
// Under AddressSanitizer a pool hides its memory from the program the way the
// heap does: a cell not handed out is poisoned, and a freed cell waits in a
// short quarantine, with the stack that freed it, before it is handed out
// again. A use after free or a double free of a pooled object is then
// reported with both stacks. Each cell handed out also keeps the stack that
// made it, so that a cell never given back can be reported with its maker
// (OmPoolLeaks): the sanitizer's own leak check cannot see such a cell,
// as the pool's pages stay reachable. Other builds have none of this.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define OM_POOL_POISONING 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OM_POOL_POISONING 1
#endif
#endif
#ifndef OM_POOL_POISONING
#define OM_POOL_POISONING 0
#endif

// Where a cell handed out was made: the return addresses of its maker's
// stack, innermost first; depth 0 while the cell is not handed out. serial
// counts the cells handed out by every pool, so that what a stretch of the
// program made can be told from what was there before it.
struct OmFastAllocOrigin {
    static constexpr int kDepth = 12;
    void* frames[kDepth];
    int depth;
    uint64_t serial;
};

struct OmFastAllocPage {
    char* block;
    OmFastAllocPage* next;
#if OM_POOL_POISONING
    OmFastAllocOrigin* origins = nullptr; // one a cell, in address order
#endif
};

struct OmFastAllocIterator {
    OmFastAllocPage* page = nullptr;
    uint32_t remaining = 0;
    char* cursor = nullptr;
    char* end = nullptr;
};

class OmFastAlloc {
public:
    // Offset of the liveness word in a cell: the object's reference count
    // follows its virtual table pointer.
    static constexpr size_t kLiveWordOffset = sizeof(void*);
    // Smallest cell that holds a free link and the liveness word.
    static constexpr uint32_t kMinCellSize = uint32_t(kLiveWordOffset + sizeof(int32_t));

    OmFastAlloc(uint32_t elementSize, uint32_t pageSize, uint32_t align, const char* debugName);
    ~OmFastAlloc();
    OmFastAlloc(const OmFastAlloc&) = delete;
    OmFastAlloc& operator=(const OmFastAlloc&) = delete;

    // Null for size 0; a larger size than the pool's cells is the caller's
    // fault (asserted in debug builds). Contents not cleared.
    void* Alloc(size_t size);
    // cell must come from this pool (asserted in debug builds) or be null.
    void Free(void* cell);
    void Deallocate(void* cell, size_t) { Free(cell); }

    // Sets aside pageCount zeroed pages for count cells addressed by index
    // through CellAt; cells of the last page beyond count join the free chain.
    void AllocatePages(uint32_t count, uint32_t pageCount, OmFastAllocPage** pageArray);
    // Gives back cells set aside by AllocatePages that will not be used
    // (a load that failed): they are zeroed and chained as free.
    void ReturnCells(uint32_t count, OmFastAllocPage* const* pageArray);
    void* CellAt(uint32_t index, OmFastAllocPage* const* pageArray) const;
    // Whether cell is the start of one of this pool's cells (a walk over
    // every page: for assertions).
    bool Holds(const void* cell) const;

    void BeginIteration(OmFastAllocIterator& it) const;
    void* NextLiveObject(OmFastAllocIterator& it) const;
    void* NextCell(OmFastAllocIterator& it) const;

    // Releases every page; every cell handed out is gone.
    void Destroy();

    // False for a cell the sanitizer build keeps poisoned.
    static bool IsLive(const void* cell);

#if OM_POOL_POISONING
    // Calls visit for every cell handed out and not given back, with the
    // stack that made it.
    template <class Visit>
    void ForEachAllocated(Visit&& visit) const
    {
        for (const OmFastAllocPage* page = m_pages; page; page = page->next)
            for (uint32_t i = 0; i < m_cellsPerPage; ++i)
                if (page->origins[i].depth > 0)
                    visit(static_cast<const void*>(page->block + size_t(i) * m_stride), page->origins[i]);
    }
    // The serial the next cell handed out will have.
    static uint64_t NextSerial();
    // Every pool of the program, for the reports at its end.
    template <class Visit>
    static void ForEachPool(Visit&& visit)
    {
        for (const OmFastAlloc* pool = FirstPool(); pool; pool = pool->m_nextPool)
            visit(*pool);
    }
#endif

    const char* GetDebugName() const { return m_debugName; }
    uint32_t GetElementSize() const { return m_elementSize; }
    uint32_t GetStride() const { return m_stride; }
    uint32_t GetShift() const { return m_shift; }
    uint32_t GetCellsPerPage() const { return m_cellsPerPage; }
    uint32_t GetLiveCount() const { return m_liveCount; }

private:
    OmFastAllocPage* NewPage();
    void PushFree(char* cell);
    void* Next(OmFastAllocIterator& it, bool liveOnly) const;

#if OM_POOL_POISONING
    // Freed cells not yet chained free, oldest at m_quarantineNext once full.
    struct QuarantinedCell {
        char* cell;
        void* freedBy[14];
        int depth;
    };
    static constexpr uint32_t kQuarantineSize = 32;
    void Quarantine(char* cell);
    OmFastAllocOrigin& OriginOf(const char* cell) const;
    static const OmFastAlloc* FirstPool();
    void DescribeCell(const char* address) const;
    static void DescribeReportAddress();
    QuarantinedCell m_quarantine[kQuarantineSize] = {};
    uint32_t m_quarantineNext = 0;
    OmFastAlloc* m_nextPool = nullptr; // every pool, for describing a report
#endif

    char m_debugName[64];
    char* m_freeHead = nullptr;
    OmFastAllocPage* m_pages = nullptr;
    uint32_t m_elementSize;
    uint32_t m_stride;
    uint32_t m_shift = 0;
    uint32_t m_cellsPerPage = 1;
    uint32_t m_liveCount = 0;
};
