// The entities about a character, each with its ground separation (the
// distance between the two positions on the ground, less both radii). It is
// gathered once a tick and put in order (nearest first) only when a walk
// asks for the order: most walks need none.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"

class TsEntity;
class TsEntityGrid;

class TsNeighbourList {
public:
    struct Neighbour {
        TsEntity* entity = nullptr;
        float separation = 0.0f;
    };
    // Shorter lists are sorted the plain way.
    static constexpr uint32_t kBucketSortFrom = 32;

    // Every entity of a plain array but the owner.
    void Build(const TsEntity& owner, const OmArray<TsEntity*>& entities);
    // From the grid, those whose separation from the owner is within reach.
    void Build(const TsEntity& owner, float reach, const TsEntityGrid& grid);
    // Room for a grow step, so that the first builds allocate nothing.
    void Reserve() { m_list.Reserve(m_list.GetGrowStep()); }

    // Nearest first, ties in the order gathered; sorted on the first asking
    // after a build.
    const OmArray<Neighbour>& Sorted() const
    {
        if (!m_sorted) {
            Sort();
            m_sorted = true;
        }
        return m_list;
    }
    // The same entries in no promised order, for walks whose outcome does
    // not depend on it.
    const OmArray<Neighbour>& Gathered() const { return m_list; }
    // Those at a separation of 0 or less.
    uint32_t TouchingCount() const { return m_touching; }
    // The neighbours within limit, nearest first as Sorted() has them, into
    // out; sorting only those when that gives the same order.
    void Within(float limit, OmArray<Neighbour>& out) const;
    // Whether a walk that wants nearest first may take the list as gathered
    // and sort only what it keeps (with SortNearestFirst).
    bool WalksGathered() const;
    // Nearest first, ties kept in the order they stand.
    static void SortNearestFirst(OmArray<Neighbour>& part);

private:
    void Add(const TsEntity& owner, TsEntity* entity, float reach);
    void Sort() const;
    bool SortKeepsGatheredTies() const;

    // Sorted lazily: the const getter may put it in order.
    mutable OmArray<Neighbour> m_list{64};
    mutable bool m_sorted = true;
    // Whether sorting the list keeps its ties as gathered, once worked out.
    mutable bool m_tiesKnown = false;
    mutable bool m_tiesKept = false;
    uint32_t m_touching = 0;
};
