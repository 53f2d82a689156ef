// Pooled objects that nobody gave back. The sanitizer's leak check cannot
// see them: a pool's pages stay reachable whatever their cells hold. So the
// sanitizer build reports them itself, at the two moments when no pooled
// object may still be allocated:
//
// - When the game systems stop (each mode switch, and the end of the run).
//   By then the old mode is deleted (a level with its entities, its HUD and
//   its party; the front end with its scene), timers, shots and effects have
//   let go, and the objects scripts made and kept have been destroyed; the
//   registry is about to drop its pools' pages. Nothing of a registered
//   class legitimately lives on past that point: the party crosses to the
//   next level only as the "player.tmp" archive, which the next level reads
//   into new objects, and a saved game likewise. So every object of a
//   registered class still allocated then is a leak.
// - When the program ends, for every pool: the classes kept out of the
//   registry (the renderer's camera and sprites, which live as long as the
//   application) and the engine's own pools are empty by then too.
//
// A report names the pool's class, the object (its reference count and
// name) and the stack that made it, symbolised when reported. The test
// programs and the game end with a failure when anything was reported.
// Other builds report nothing and pay nothing.
#pragma once

#include <cstdint>

#include "engine/OmFastAlloc.h"

class OmClassRegistry;

namespace OmPoolLeaks {

// Whether this build reports (the sanitizer build).
inline constexpr bool kReports = OM_POOL_POISONING != 0;

// The exit status of a program that ended with pooled objects leaked (the
// sanitizer's own for a leak).
inline constexpr int kExitStatus = 23;

// Reports every object still allocated in a pool of the registry's classes;
// when names the moment ("the game systems stopped"). Returns how many.
uint32_t ReportRegistered(const OmClassRegistry& registry, const char* when);

// Reports every cell still allocated in any pool of the program; with a
// mark, only those made since the mark was taken (what one stretch of work,
// a fuzz session, left behind).
uint32_t ReportEveryPool(const char* when, uint64_t mark = 0);

// A mark for ReportEveryPool: now.
uint64_t Mark();

// Reports the cells still allocated in one pool without counting them
// against the program: the report's own test. holdsObjects: the cells hold
// OmObjects, whose count and name are told.
uint32_t Describe(const OmFastAlloc& pool, bool holdsObjects, const char* when);

// Leaked objects reported so far by this program.
uint32_t Reported();

} // namespace OmPoolLeaks
