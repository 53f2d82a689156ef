// A node of a path: patrol routes that scripts lay out (each waypoint
// names the next), and the paths the pathfinder plans. The two link
// differently: a route's waypoints all belong to the level, so a waypoint
// only borrows the next one, and a route may close on its first waypoint
// (a loop) or end; a planned path is a chain of fresh nodes, each holding
// the next, that lives as long as its first node is held and never loops.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmRef.h"
#include "engine/OmString.h"
#include "engine/OmVector3.h"
#include "game/framework/TsEntity.h"

class TsPathTrack;

// The pathfinder's straight-walk test, as path smoothing needs it.
class TsStraightWalkTest {
public:
    virtual bool CanWalkStraight(float fromX, float fromZ, float toX, float toZ) = 0;

protected:
    ~TsStraightWalkTest() = default;
};

class TsWaypointObject : public TsEntity {
    OM_DECLARE_CLASS(TsWaypointObject)

    TsWaypointObject();
    explicit TsWaypointObject(OmArchive& archive) : TsEntity(archive) {}

    // Resolves the next node from the target name among the level's
    // waypoints; false (and the next node kept) when none has the name.
    bool Import() override;
    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    void SetTarget(const char* name) { m_targetName.Set(name); }
    const char* GetTargetName() const { return m_targetName.Get(); }
    // The node after this one, on a route or on a planned path.
    TsWaypointObject* GetNext() const { return m_pathNext ? m_pathNext.Get() : m_next; }
    // Links a route's waypoint to the next (borrowed: the level holds both).
    // A planned path's nodes keep the links they were made with.
    void SetNext(TsWaypointObject* next);

    // A planned path: a chain of fresh nodes at the points (y 0), in order.
    // Null for no points.
    static OmRef<TsWaypointObject> MakePath(const OmArray<OmVector3>& points);
    // Cuts out each node of a planned path that the walker can skip by
    // walking straight from the node before it to the node after it; the
    // cut nodes are freed. A route's waypoints are the level's and are
    // never cut.
    void Smooth(TsStraightWalkTest& walker);
    // Flattens the chain from here into a track: every node to the end of
    // the chain, or round to this node again for a closed chain. A chain
    // that loops back onto a node other than this one ends there.
    void BuildTrack(TsPathTrack& track) const;

private:
    TsWaypointObject* m_next = nullptr; // a route's link: borrowed, saved
    OmRef<TsWaypointObject> m_pathNext; // a planned path's link: owned, never saved
    OmString m_targetName;
    uint8_t m_flag = 1;
};
