#include "game/objects/TsWaypointObject.h"

#include <cassert>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/OmArchive.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsPathTrack.h"

OM_IMPLEMENT_CLASS(TsWaypointObject, TsEntity)

namespace {

// Below this total a track is too short to follow.
constexpr float kShortestTrack = 0.0001f;

bool Contains(const std::vector<const TsWaypointObject*>& nodes, const TsWaypointObject* node)
{
    for (const TsWaypointObject* n : nodes) {
        if (n == node)
            return true;
    }
    return false;
}

// The nodes of the chain from first, each once, in order; closed tells
// whether the walk came back to first, and loopEnd names the earlier node
// a chain loops back onto otherwise (null when the chain simply ends).
std::vector<const TsWaypointObject*> ChainFrom(const TsWaypointObject* first, bool& closed,
                                               const TsWaypointObject*& loopEnd)
{
    std::vector<const TsWaypointObject*> nodes;
    closed = false;
    loopEnd = nullptr;
    for (const TsWaypointObject* node = first; node; node = node->GetNext()) {
        if (Contains(nodes, node)) {
            closed = node == first;
            loopEnd = closed ? nullptr : node;
            break;
        }
        nodes.push_back(node);
    }
    return nodes;
}

} // namespace

TsWaypointObject::TsWaypointObject()
{
    ClearFlag(TS_ENTITY_ORDINARY);
}

// A waypoint without a target is the open end of its route: level writers
// leave the last one of a walk unset, which must not cost the whole level.
bool TsWaypointObject::Import()
{
    const char* target = m_targetName.Get();
    if (!target || !*target) {
        LogInfoF("Waypoint %s has no target: its route ends there", NameOrEmpty());
        return true;
    }
    TsEntityDB* db = TsAccess::EntityDB();
    if (!db)
        return false;
    for (const OmList::Node* n = db->GetWaypoints().GetFirst(); n; n = n->next) {
        auto* waypoint = OmList::ValueAt<TsWaypointObject>(n);
        const char* name = waypoint ? waypoint->GetName() : nullptr;
        if (name && std::strcmp(name, target) == 0) {
            m_next = waypoint;
            return true;
        }
    }
    return false;
}

bool TsWaypointObject::Register(OmArchive& archive)
{
    if (!TsEntity::Register(archive))
        return false;
    if (m_next)
        m_next->Register(archive);
    return true;
}

void TsWaypointObject::Write(OmArchive& archive)
{
    TsEntity::Write(archive);
    archive.WriteObjectRef(m_next);
    archive.WriteU32(m_flag);
}

void TsWaypointObject::Read(OmArchive& archive)
{
    TsEntity::Read(archive);
    archive.ReadRef(m_next);
    uint32_t flag = 0;
    archive.ReadU32(flag);
    m_flag = flag != 0 ? 1 : 0;
}

void TsWaypointObject::SetNext(TsWaypointObject* next)
{
    assert(!m_pathNext && "a planned path's node keeps the link it was made with");
    m_next = next;
}

OmRef<TsWaypointObject> TsWaypointObject::MakePath(const OmArray<OmVector3>& points)
{
    // Built from the goal back, so each node is made knowing its successor.
    OmRef<TsWaypointObject> next;
    for (uint32_t i = points.GetCount(); i-- > 0;) {
        auto node = OmMakeRef<TsWaypointObject>();
        node->SetPosition(points[i].x, 0.0f, points[i].z);
        node->m_pathNext = std::move(next);
        next = std::move(node);
    }
    return next;
}

// Only the owned links are followed: they never loop, so the walk ends, and
// what it cuts out is the path's own to free.
void TsWaypointObject::Smooth(TsStraightWalkTest& walker)
{
    TsWaypointObject* current = this;
    while (current->m_pathNext && current->m_pathNext->m_pathNext) {
        TsWaypointObject* skipped = current->m_pathNext;
        const OmVector3& from = current->GetPosition();
        const OmVector3& to = skipped->m_pathNext->GetPosition();
        if (walker.CanWalkStraight(from.x, from.z, to.x, to.z))
            current->m_pathNext = std::move(skipped->m_pathNext); // frees the skipped node
        else
            current = skipped;
    }
}

void TsWaypointObject::BuildTrack(TsPathTrack& track) const
{
    bool closed = false;
    const TsWaypointObject* loopEnd = nullptr;
    std::vector<const TsWaypointObject*> nodes = ChainFrom(this, closed, loopEnd);
    if (loopEnd)
        nodes.push_back(loopEnd); // the walk ends where the chain turns back
    track.Clear();
    track.SetClosed(closed);
    const auto count = static_cast<uint32_t>(nodes.size());
    track.GetPoints().Resize(count);
    float total = 0.0f;
    for (uint32_t i = 0; i < count; ++i) {
        TsPathTrack::Point& p = track.GetPoints()[i];
        const OmVector3& here = nodes[i]->GetPosition();
        const TsWaypointObject* following = i + 1 < count ? nodes[i + 1] : (closed ? nodes[0] : nullptr);
        p = TsPathTrack::Point{.x = here.x, .z = here.z, .start = total};
        if (!following)
            continue;
        total += TsPathTrack::AimAt(p, following->GetPosition().x, following->GetPosition().z);
    }
    if (total <= kShortestTrack)
        return;
    track.SetLength(total);
    for (uint32_t i = 0; i < count; ++i)
        track.GetPoints()[i].start *= track.GetInverseLength();
}
