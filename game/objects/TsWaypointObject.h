// A node of a path: patrol routes that scripts lay out (each waypoint
// names the next), and the paths the pathfinder plans, whose chains it
// builds from fresh nodes that each hold their successor. A chain may close
// on its first node (a loop) or end.
#pragma once

#include <cstdint>

#include "engine/OmString.h"
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
    TsWaypointObject* GetNext() const { return m_next; }
    // Links without counting: callers that build chains of their own give
    // each node's reference to its predecessor.
    void SetNext(TsWaypointObject* next) { m_next = next; }

    // Releases every node after this one once, for chains whose nodes are
    // held by their predecessors; the chain is left unlinked.
    void ReleaseChain();
    // Cuts out each node that the walker can skip by walking straight from
    // the node before it to the node after it.
    void Smooth(TsStraightWalkTest& walker);
    // Flattens the chain from here into a track: every node to the end of
    // the chain, or round to this node again for a closed chain. A chain
    // that loops back onto a node other than this one ends there.
    void BuildTrack(TsPathTrack& track) const;

private:
    TsWaypointObject* m_next = nullptr;
    OmString m_targetName;
    uint8_t m_flag = 1;
};
