#include "engine/OmPoolLeaks.h"

#include "engine/OmClass.h"
#include "engine/OmObject.h"

#if OM_POOL_POISONING
#include <sanitizer/common_interface_defs.h>

#include <cstdio>
#endif

namespace {

uint32_t g_reported = 0;

#if OM_POOL_POISONING
// Enough to see the pattern; the rest are counted.
constexpr uint32_t kShownPerPool = 8;

bool IsClassPool(const OmFastAlloc& pool)
{
    OmClassRegistry& registry = OmClassRegistry::Instance();
    for (uint32_t i = 0; i < registry.GetCount(); ++i)
        if (registry.GetPool(int32_t(i)) == &pool)
            return true;
    return false;
}

void PrintOrigin(const OmFastAllocOrigin& origin)
{
    for (int i = 0; i < origin.depth; ++i) {
        if (!origin.frames[i])
            continue;
        char line[512];
        // A return address: the call itself is the byte before it.
        __sanitizer_symbolize_pc(static_cast<char*>(origin.frames[i]) - 1, "%F %L", line, sizeof line);
        std::fprintf(stderr, "    #%d %p %s\n", i, origin.frames[i], line);
    }
}

uint32_t ReportPool(const OmFastAlloc& pool, bool holdsObjects, const char* when, uint64_t mark = 0)
{
    uint32_t count = 0;
    pool.ForEachAllocated([&](const void* cell, const OmFastAllocOrigin& origin) {
        if (origin.serial < mark)
            return;
        if (++count > kShownPerPool)
            return;
        if (holdsObjects) {
            const auto* object = static_cast<const OmObject*>(cell);
            const char* name = object->GetName();
            std::fprintf(stderr, "Pool leak: a %s at %p (reference count %u, name \"%s\") still allocated when %s; made by:\n",
                         pool.GetDebugName(), cell, object->GetRefCount(), name ? name : "", when);
        } else {
            std::fprintf(stderr, "Pool leak: a cell of pool %s at %p still allocated when %s; made by:\n",
                         pool.GetDebugName(), cell, when);
        }
        PrintOrigin(origin);
    });
    if (count > kShownPerPool)
        std::fprintf(stderr, "Pool leak: %u more of pool %s\n", count - kShownPerPool, pool.GetDebugName());
    if (count > 0)
        std::fflush(stderr);
    return count;
}
#endif

} // namespace

namespace OmPoolLeaks {

uint32_t ReportRegistered(const OmClassRegistry& registry, const char* when)
{
    uint32_t count = 0;
#if OM_POOL_POISONING
    for (uint32_t i = 0; i < registry.GetCount(); ++i)
        count += ReportPool(*registry.GetPool(int32_t(i)), true, when);
#else
    (void)registry;
    (void)when;
#endif
    g_reported += count;
    return count;
}

uint32_t ReportEveryPool(const char* when, uint64_t mark)
{
    uint32_t count = 0;
#if OM_POOL_POISONING
    OmFastAlloc::ForEachPool(
        [&](const OmFastAlloc& pool) { count += ReportPool(pool, IsClassPool(pool), when, mark); });
#else
    (void)when;
    (void)mark;
#endif
    g_reported += count;
    return count;
}

uint64_t Mark()
{
#if OM_POOL_POISONING
    return OmFastAlloc::NextSerial();
#else
    return 0;
#endif
}

uint32_t Describe(const OmFastAlloc& pool, bool holdsObjects, const char* when)
{
#if OM_POOL_POISONING
    return ReportPool(pool, holdsObjects, when);
#else
    (void)pool;
    (void)holdsObjects;
    (void)when;
    return 0;
#endif
}

uint32_t Reported()
{
    return g_reported;
}

} // namespace OmPoolLeaks
