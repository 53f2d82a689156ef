#include "engine/OmFastAlloc.h"

#include <cassert>
#include <cstring>

#if OM_POOL_POISONING
#include <execinfo.h>
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>

#include <cstdio>
#endif

namespace {

#if OM_POOL_POISONING
OmFastAlloc* g_pools = nullptr;

uint64_t g_nextSerial = 1;

// Keeps the stack of the cell's maker, past this function and the pool's
// own frame. Never inlined, so that the frames it skips are always those.
__attribute__((noinline)) void Remember(OmFastAllocOrigin& origin)
{
    origin.serial = g_nextSerial++;
    constexpr int kSkipped = 2;
    void* frames[OmFastAllocOrigin::kDepth + kSkipped];
    const int depth = backtrace(frames, OmFastAllocOrigin::kDepth + kSkipped) - kSkipped;
    origin.depth = 0;
    for (int i = 0; i < depth; ++i)
        origin.frames[origin.depth++] = frames[i + kSkipped];
    if (origin.depth == 0) // handed out all the same
        origin.frames[origin.depth++] = nullptr;
}

void Poison(char* cell, size_t bytes)
{
    ASAN_POISON_MEMORY_REGION(cell, bytes);
}

void Unpoison(char* cell, size_t bytes)
{
    ASAN_UNPOISON_MEMORY_REGION(cell, bytes);
}
#else
void Poison(char*, size_t) {}
void Unpoison(char*, size_t) {}
#endif

// Cells may sit at any multiple of the pool's alignment, so links and the
// liveness word are moved with memcpy rather than through typed pointers.
char* LoadLink(const char* cell)
{
    char* next;
    std::memcpy(&next, cell, sizeof next);
    return next;
}

void StoreLink(char* cell, char* next)
{
    std::memcpy(cell, &next, sizeof next);
}

void ClearLiveWord(char* cell)
{
    std::memset(cell + OmFastAlloc::kLiveWordOffset, 0, sizeof(int32_t));
}

} // namespace

OmFastAlloc::OmFastAlloc(uint32_t elementSize, uint32_t pageSize, uint32_t align, const char* debugName)
    : m_elementSize(elementSize)
{
    m_debugName[0] = 0;
    if (debugName) {
        std::strncpy(m_debugName, debugName, sizeof m_debugName - 1);
        m_debugName[sizeof m_debugName - 1] = 0;
    }
    if (align == 0 || (align & (align - 1)) != 0)
        align = alignof(void*);
    uint32_t size = elementSize < kMinCellSize ? kMinCellSize : elementSize;
    m_stride = (size + align - 1) & ~(align - 1);
#if OM_POOL_POISONING
    // The sanitizer poisons whole 8-byte granules: cells must not share one.
    m_stride = (m_stride + 7) & ~7u;
    // Told after the sanitizer's own report; the fuzzers keep the death
    // callback for themselves.
    static const bool describesReports = [] {
        __asan_set_error_report_callback([](const char*) { DescribeReportAddress(); });
        return true;
    }();
    (void)describesReports;
    m_nextPool = g_pools;
    g_pools = this;
#endif
    while (uint64_t(m_stride) * m_cellsPerPage < pageSize) {
        m_cellsPerPage <<= 1;
        ++m_shift;
    }
}

OmFastAlloc::~OmFastAlloc()
{
    Destroy();
#if OM_POOL_POISONING
    for (OmFastAlloc** link = &g_pools; *link; link = &(*link)->m_nextPool) {
        if (*link == this) {
            *link = m_nextPool;
            break;
        }
    }
#endif
}

OmFastAllocPage* OmFastAlloc::NewPage()
{
    size_t bytes = size_t(m_stride) * m_cellsPerPage;
    char* block = new char[bytes];
    std::memset(block, 0, bytes);
    Poison(block, bytes);
    m_pages = new OmFastAllocPage{block, m_pages};
#if OM_POOL_POISONING
    m_pages->origins = new OmFastAllocOrigin[m_cellsPerPage]();
#endif
    return m_pages;
}

void OmFastAlloc::PushFree(char* cell)
{
    Unpoison(cell, m_stride);
    StoreLink(cell, m_freeHead);
    ClearLiveWord(cell);
    Poison(cell, m_stride);
    m_freeHead = cell;
}

void* OmFastAlloc::Alloc(size_t size)
{
    assert(size <= m_elementSize);
    if (size == 0)
        return nullptr;
    if (!m_freeHead) {
        // Chain the new page's cells in address order.
        char* block = NewPage()->block;
        for (uint32_t i = m_cellsPerPage; i-- > 0;)
            PushFree(block + size_t(i) * m_stride);
    }
    char* cell = m_freeHead;
    Unpoison(cell, m_stride);
    m_freeHead = LoadLink(cell);
    ++m_liveCount;
#if OM_POOL_POISONING
    Remember(OriginOf(cell));
#endif
    return cell;
}

void OmFastAlloc::Free(void* cell)
{
    if (!cell)
        return;
    assert(Holds(cell));
#if OM_POOL_POISONING
    Quarantine(static_cast<char*>(cell));
#else
    assert(m_liveCount > 0);
    --m_liveCount;
    PushFree(static_cast<char*>(cell));
#endif
}

void OmFastAlloc::AllocatePages(uint32_t count, uint32_t pageCount, OmFastAllocPage** pageArray)
{
    for (uint32_t p = 0; p < pageCount; ++p)
        pageArray[p] = NewPage();
    for (uint32_t i = 0; i < count; ++i)
        Unpoison(static_cast<char*>(CellAt(i, pageArray)), m_stride);
#if OM_POOL_POISONING
    // The cells are the loading archive's: all of them made by this call.
    if (count > 0) {
        OmFastAllocOrigin loaded;
        Remember(loaded);
        for (uint32_t i = 0; i < count; ++i)
            pageArray[i >> m_shift]->origins[i & (m_cellsPerPage - 1)] = loaded;
    }
#endif
    m_liveCount += count;
    // The tail of the last page would otherwise be lost until exit; the
    // cells are zeroed either way, so none of them looks live.
    uint64_t total = uint64_t(pageCount) << m_shift;
    for (uint64_t i = total; i-- > count;)
        PushFree(static_cast<char*>(CellAt(uint32_t(i), pageArray)));
}

void OmFastAlloc::ReturnCells(uint32_t count, OmFastAllocPage* const* pageArray)
{
    for (uint32_t i = count; i-- > 0;) {
        char* cell = static_cast<char*>(CellAt(i, pageArray));
        std::memset(cell, 0, m_stride);
        Free(cell);
    }
}

void* OmFastAlloc::CellAt(uint32_t index, OmFastAllocPage* const* pageArray) const
{
    assert(pageArray && pageArray[index >> m_shift]);
    return pageArray[index >> m_shift]->block + size_t(index & (m_cellsPerPage - 1)) * m_stride;
}

bool OmFastAlloc::Holds(const void* cell) const
{
    const char* at = static_cast<const char*>(cell);
    const size_t pageBytes = size_t(m_stride) * m_cellsPerPage;
    for (const OmFastAllocPage* page = m_pages; page; page = page->next) {
        if (at >= page->block && at < page->block + pageBytes)
            return size_t(at - page->block) % m_stride == 0;
    }
    return false;
}

bool OmFastAlloc::IsLive(const void* cell)
{
#if OM_POOL_POISONING
    if (__asan_address_is_poisoned(static_cast<const char*>(cell) + kLiveWordOffset))
        return false;
#endif
    int32_t word;
    std::memcpy(&word, static_cast<const char*>(cell) + kLiveWordOffset, sizeof word);
    return word > 0;
}

void OmFastAlloc::BeginIteration(OmFastAllocIterator& it) const
{
    it.page = m_pages;
    it.remaining = m_liveCount;
    it.cursor = m_pages ? m_pages->block : nullptr;
    it.end = m_pages ? m_pages->block + size_t(m_stride) * m_cellsPerPage : nullptr;
}

void* OmFastAlloc::Next(OmFastAllocIterator& it, bool liveOnly) const
{
    if (it.remaining == 0)
        return nullptr;
    while (it.page) {
        while (it.cursor < it.end) {
            char* cell = it.cursor;
            it.cursor += m_stride;
            if (liveOnly && !IsLive(cell))
                continue;
            if (--it.remaining == 0)
                it.page = nullptr; // the last cell the count allows
            return cell;
        }
        it.page = it.page->next;
        if (it.page) {
            it.cursor = it.page->block;
            it.end = it.cursor + size_t(m_stride) * m_cellsPerPage;
        }
    }
    return nullptr;
}

void* OmFastAlloc::NextLiveObject(OmFastAllocIterator& it) const
{
    return Next(it, true);
}

// The same walk without the liveness test: each cell it passes, live or
// free, uses up one of the remaining count.
void* OmFastAlloc::NextCell(OmFastAllocIterator& it) const
{
    return Next(it, false);
}

void OmFastAlloc::Destroy()
{
#if OM_POOL_POISONING
    std::memset(m_quarantine, 0, sizeof m_quarantine);
    m_quarantineNext = 0;
#endif
    while (m_pages) {
        OmFastAllocPage* next = m_pages->next;
        Unpoison(m_pages->block, size_t(m_stride) * m_cellsPerPage);
        delete[] m_pages->block;
#if OM_POOL_POISONING
        delete[] m_pages->origins;
#endif
        delete m_pages;
        m_pages = next;
    }
    m_freeHead = nullptr;
    m_liveCount = 0;
}

#if OM_POOL_POISONING
// A cell freed twice is already poisoned: touching it makes the sanitizer
// report the second free, and DescribeReportAddress adds the first.
void OmFastAlloc::Quarantine(char* cell)
{
    if (__asan_address_is_poisoned(cell)) {
        std::fprintf(stderr, "OmFastAlloc: a cell of pool %s freed twice\n", m_debugName);
        *static_cast<volatile char*>(cell) = 0;
    }
    --m_liveCount;
    OriginOf(cell).depth = 0;
    ClearLiveWord(cell);
    Poison(cell, m_stride);
    QuarantinedCell& slot = m_quarantine[m_quarantineNext];
    if (slot.cell)
        PushFree(slot.cell);
    slot.cell = cell;
    slot.depth = backtrace(slot.freedBy, int(sizeof slot.freedBy / sizeof slot.freedBy[0]));
    m_quarantineNext = (m_quarantineNext + 1) % kQuarantineSize;
}

OmFastAllocOrigin& OmFastAlloc::OriginOf(const char* cell) const
{
    const size_t pageBytes = size_t(m_stride) * m_cellsPerPage;
    OmFastAllocPage* page = m_pages;
    while (!(cell >= page->block && cell < page->block + pageBytes))
        page = page->next; // the cell is the pool's: asserted by the callers
    return page->origins[size_t(cell - page->block) / m_stride];
}

uint64_t OmFastAlloc::NextSerial()
{
    return g_nextSerial;
}

const OmFastAlloc* OmFastAlloc::FirstPool()
{
    return g_pools;
}

void OmFastAlloc::DescribeCell(const char* address) const
{
    for (const QuarantinedCell& slot : m_quarantine) {
        if (!slot.cell || address < slot.cell || address >= slot.cell + m_stride)
            continue;
        std::fprintf(stderr, "%p is %d bytes inside a cell of pool %s, freed by:\n", static_cast<const void*>(address),
                     int(address - slot.cell), m_debugName);
        // Frame 0 is Quarantine itself.
        for (int i = 1; i < slot.depth; ++i) {
            char line[512];
            __sanitizer_symbolize_pc(static_cast<char*>(slot.freedBy[i]) - 1, "%F %L", line, sizeof line);
            std::fprintf(stderr, "    #%d %p %s\n", i - 1, slot.freedBy[i], line);
        }
        return;
    }
    for (const OmFastAllocPage* page = m_pages; page; page = page->next) {
        const char* end = page->block + size_t(m_stride) * m_cellsPerPage;
        if (address >= page->block && address < end) {
            std::fprintf(stderr, "%p is inside a free cell of pool %s (never handed out, or freed too long ago to know by whom)\n",
                         static_cast<const void*>(address), m_debugName);
            return;
        }
    }
}

// Runs as the sanitizer ends a report.
void OmFastAlloc::DescribeReportAddress()
{
    const char* address = static_cast<const char*>(__asan_get_report_address());
    if (!address)
        return;
    for (const OmFastAlloc* pool = g_pools; pool; pool = pool->m_nextPool)
        pool->DescribeCell(address);
}
#endif
