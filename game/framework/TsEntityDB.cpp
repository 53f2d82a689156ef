#include "game/framework/TsEntityDB.h"

#include <cstring>
#include <unordered_set>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmRef.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsProfilerDisplay.h"
#include "game/framework/TsScriptGlobals.h"
#include "game/framework/TsScriptHandles.h"

OM_IMPLEMENT_CLASS(TsEntityDB, TsObject)

namespace {

// The game classes that pick a list are defined by the game objects, which
// build on this library, so they are recognised by their class names.
bool DerivesFromNamed(const OmObject& object, const char* name)
{
    return OmClass::IsDerivedFromNamed(object.GetClass(), name);
}

template <class T>
T* ValueAt(const OmList::Node* node)
{
    return static_cast<T*>(node->value);
}

const char* NameOf(const OmObject& object)
{
    return object.GetName() ? object.GetName() : "";
}

// A stored list: a count and that many references of objects of class T.
// A null or mistyped reference fails the archive: a list entry is always
// used as a live object of its kind.
template <class T>
void ReadList(OmArchive& archive, OmList& list)
{
    uint32_t count = 0;
    archive.ReadU32(count);
    if (archive.HasFailed())
        return;
    if (!archive.CanRead(uint64_t(count) * sizeof(uint32_t)))
        return archive.Fail("an entity database list is longer than the file");
    for (uint32_t i = 0; i < count && !archive.HasFailed(); ++i) {
        T* object = nullptr;
        archive.ReadRef(object);
        if (archive.HasFailed())
            return;
        if (!object)
            return archive.Fail("an entity database list holds a null object");
        list.AddTail(object);
    }
}

void CollectDistinct(const OmList& list, std::vector<TsObject*>& order, std::unordered_set<TsObject*>& seen)
{
    for (const OmList::Node* node = list.GetFirst(); node; node = node->next) {
        auto* object = ValueAt<TsObject>(node);
        if (object && seen.insert(object).second)
            order.push_back(object);
    }
}

} // namespace

TsEntityDB::~TsEntityDB()
{
    // A script's handle borrows the database (it goes with its level): it
    // is left null rather than pointing at freed memory.
    TsScriptHandles::KillObject(TsAccess::LuaState(), this, "TsEntityDB");
    // A failed load takes down every object it built in an order of its
    // own: the listed objects may be gone already, and are not ours to release.
    if (OmArchive::IsBeingTakenDown(*this))
        return;
    ReleaseAll();
}

OmList& TsEntityDB::KindListOf(const TsEntity& entity)
{
    if (DerivesFromNamed(entity, kCharacterClass))
        return m_characters;
    if (DerivesFromNamed(entity, kCollectibleClass))
        return m_collectibles;
    if (DerivesFromNamed(entity, kWaypointClass))
        return m_waypoints;
    if (DerivesFromNamed(entity, kDoorClass))
        return m_doors;
    return m_otherEntities;
}

OmList& TsEntityDB::KindListOf(const TsObject& object)
{
    if (DerivesFromNamed(object, kTeamClass))
        return m_teams;
    if (DerivesFromNamed(object, kSquadClass))
        return m_squads;
    if (DerivesFromNamed(object, kLightEffectClass))
        return m_lightEffects;
    return m_otherObjects;
}

bool TsEntityDB::AddEntity(TsEntity* entity)
{
    if (!entity) {
        LogError("TsEntityDB::AddEntity: no entity given");
        return false;
    }
    if (ContainsEntity(entity)) {
        LogErrorF("TsEntityDB::AddEntity: '%s' is listed already", NameOf(*entity));
        return false;
    }
    KindListOf(*entity).AddTail(entity);
    m_entities.AddTail(entity);
    return true;
}

bool TsEntityDB::AddObject(TsObject* object)
{
    if (!object) {
        LogError("TsEntityDB::AddObject: no object given");
        return false;
    }
    // Listing itself would have it release itself while it is destroyed.
    if (object == this) {
        LogError("TsEntityDB::AddObject: the database cannot hold itself");
        return false;
    }
    if (TsEntity* entity = TsEntity::Cast(object))
        return AddEntity(entity);
    if (IsListed(object)) {
        LogErrorF("TsEntityDB::AddObject: '%s' is listed already", NameOf(*object));
        return false;
    }
    KindListOf(*object).AddTail(object);
    m_objects.AddTail(object);
    return true;
}

bool TsEntityDB::RemoveEntity(TsEntity* entity)
{
    if (!entity)
        return false;
    const bool fromKind = KindListOf(*entity).Remove(entity);
    const bool fromAll = m_entities.Remove(entity);
    const bool listed = fromKind || fromAll;
    if (listed && !entity->HasFlag(TS_ENTITY_NO_GARBAGE))
        m_garbage.Add(entity);
    for (uint32_t i = 0; i < m_handedOver.GetCount(); ++i) {
        if (m_handedOver[i] == entity)
            m_handedOver[i] = nullptr;
    }
    entity->ClearFlag(TS_ENTITY_PENDING_DELETE | TS_ENTITY_NO_GARBAGE);
    return listed;
}

bool TsEntityDB::ContainsEntity(const TsEntity* entity) const
{
    OmList::Node* node = nullptr;
    return entity && m_entities.Find(const_cast<TsEntity*>(entity), node);
}

void TsEntityDB::HandOver(TsEntity* entity)
{
    if (!entity)
        return;
    entity->SetFlag(TS_ENTITY_PENDING_DELETE | TS_ENTITY_NO_GARBAGE);
    m_handedOver.Add(entity);
}

bool TsEntityDB::IsListed(const TsObject* object) const
{
    auto* key = const_cast<TsObject*>(object);
    OmList::Node* node = nullptr;
    return object && (m_entities.Find(key, node) || m_objects.Find(key, node));
}

bool TsEntityDB::HoldsReference(const TsObject* object) const
{
    if (!object)
        return false;
    auto* key = const_cast<TsObject*>(object);
    OmList::Node* node = nullptr;
    if (m_entities.Find(key, node) || m_objects.Find(key, node))
        return true;
    for (uint32_t i = 0; i < m_garbage.GetCount(); ++i) {
        if (m_garbage[i] == object)
            return true;
    }
    return false;
}

int32_t TsEntityDB::LivingTeamMembers(int32_t teamId) const
{
    const TsObject* team = nullptr;
    for (const OmList::Node* node = m_teams.GetFirst(); node && !team; node = node->next) {
        auto* object = ValueAt<TsObject>(node);
        auto* identity = dynamic_cast<const TsTeamIdentity*>(object);
        if (identity && identity->GetTeamId() == teamId)
            team = object;
    }
    if (!team)
        return 0;
    int32_t living = 0;
    for (const OmList::Node* node = m_squads.GetFirst(); node; node = node->next) {
        auto* census = dynamic_cast<const TsSquadCensus*>(ValueAt<TsObject>(node));
        if (census && census->GetCensusTeam() == team)
            living += census->AliveMemberCount();
    }
    return living;
}

void TsEntityDB::SetActivationCentre(float x, float z, float range)
{
    m_centreX = x;
    m_centreZ = z;
    m_range = range;
    m_rangeSquared = range * range;
}

bool TsEntityDB::IsActive(const TsEntity& entity) const
{
    if (entity.HasFlag(TS_ENTITY_DORMANT))
        return false;
    if (!entity.HasFlag(TS_ENTITY_DISTANCE_LIMITED))
        return true;
    const float dx = entity.GetPosition().x - m_centreX;
    const float dz = entity.GetPosition().z - m_centreZ;
    return dx * dx + dz * dz < m_rangeSquared;
}

void TsEntityDB::UpdateActivation()
{
    m_activeCharacters.RemoveAll();
    m_activeEntities.RemoveAll();
    for (const OmList::Node* node = m_characters.GetFirst(); node; node = node->next) {
        auto* character = ValueAt<TsEntity>(node);
        if (!character->HasFlag(TS_ENTITY_PENDING_DELETE) && IsActive(*character))
            m_activeCharacters.Add(character);
    }
    // The next node is taken first: RemoveEntity takes the current one out.
    for (OmList::Node* node = m_entities.GetFirst(); node;) {
        OmList::Node* next = node->next;
        auto* entity = ValueAt<TsEntity>(node);
        if (entity->HasFlag(TS_ENTITY_PENDING_DELETE)) {
            RemoveEntity(entity);
        } else if (IsActive(*entity)) {
            m_activeEntities.Add(entity);
            entity->SetFlag(TS_ENTITY_ACTIVE);
        } else {
            entity->ClearFlag(TS_ENTITY_ACTIVE);
        }
        node = next;
    }
    BuildNeighbourLists();
}

void TsEntityDB::BuildNeighbourLists()
{
    const TsProfileScope scope(TsAccess::LevelProfiler(), TS_PROFILE_CHARACTER_AVOIDANCE);
    m_activeGrid.Build(m_activeEntities);
    for (uint32_t i = 0; i < m_activeCharacters.GetCount(); ++i) {
        TsEntity* character = m_activeCharacters[i];
        if (auto* owner = dynamic_cast<TsNeighbourListOwner*>(character)) {
            owner->BuildNeighbourList(m_activeGrid);
        } else if (!m_reportedNeighbourLists) {
            m_reportedNeighbourLists = true;
            LogErrorF("TsEntityDB: character '%s' (%s) keeps no neighbour list", NameOf(*character),
                      character->GetClass()->name);
        }
    }
}

void TsEntityDB::Tick(uint32_t tickCount)
{
    for (uint32_t i = 0; i < m_activeEntities.GetCount(); ++i)
        m_activeEntities[i]->Tick(tickCount);
    for (const OmList::Node* node = m_objects.GetFirst(); node; node = node->next)
        ValueAt<TsObject>(node)->Tick(tickCount);
}

void TsEntityDB::Render(float renderTime, float fraction)
{
    for (uint32_t i = 0; i < m_activeEntities.GetCount(); ++i) {
        TsEntity* entity = m_activeEntities[i];
        if (!entity->HasFlag(TS_ENTITY_PENDING_DELETE))
            entity->Render(renderTime, fraction);
    }
    for (const OmList::Node* node = m_objects.GetFirst(); node; node = node->next)
        ValueAt<TsObject>(node)->Render(renderTime, fraction);
}

bool TsEntityDB::Import()
{
    bool all = true;
    for (const OmList::Node* node = m_entities.GetFirst(); node; node = node->next)
        all = ValueAt<TsObject>(node)->Import() && all;
    for (const OmList::Node* node = m_objects.GetFirst(); node; node = node->next)
        all = ValueAt<TsObject>(node)->Import() && all;
    return all;
}

bool TsEntityDB::Initialise()
{
    bool all = true;
    for (const OmList* list : {&m_entities, &m_objects}) {
        for (const OmList::Node* node = list->GetFirst(); node; node = node->next) {
            auto* object = ValueAt<TsObject>(node);
            all = object->Initialise() && all;
            MakeLuaGlobal(object);
        }
    }
    // Every entity may end in the garbage before the level ends (the dead,
    // the picked up): room for them all, so that none of that allocates.
    m_garbage.Reserve(m_entities.GetCount());
    return all;
}

bool TsEntityDB::MakeLuaGlobal(TsObject* object)
{
    if (!object || !object->GetName() || !*object->GetName())
        return false;
    lua_State* L = TsAccess::LuaState();
    if (!L) {
        LogErrorF("TsEntityDB: no script state, '%s' is not published", object->GetName());
        return false;
    }
    return TsScriptGlobals::Publish(L, object);
}

bool TsEntityDB::Register(OmArchive& archive)
{
    if (!TsObject::Register(archive))
        return false;
    m_entities.RegisterAll(archive);
    m_objects.RegisterAll(archive);
    return true;
}

// Objects that keep themselves out of saved games (locks, which the level's
// scripts make again) are left out of the lists too: a list entry that
// names nothing would fail the load.
void TsEntityDB::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    for (const OmList* list : {&m_characters, &m_collectibles, &m_squads, &m_waypoints, &m_doors,
                               &m_otherEntities, &m_entities, &m_teams, &m_lightEffects,
                               &m_otherObjects, &m_objects}) {
        uint32_t saved = 0;
        for (const OmList::Node* node = list->GetFirst(); node; node = node->next)
            saved += archive.GetObjectIndex(ValueAt<TsObject>(node)) >= 0 ? 1 : 0;
        archive.WriteU32(saved);
        for (const OmList::Node* node = list->GetFirst(); node; node = node->next)
            if (archive.GetObjectIndex(ValueAt<TsObject>(node)) >= 0)
                archive.WriteObjectRef(ValueAt<TsObject>(node));
    }
}

void TsEntityDB::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    ReadList<TsEntity>(archive, m_characters);
    ReadList<TsEntity>(archive, m_collectibles);
    ReadList<TsObject>(archive, m_squads);
    ReadList<TsEntity>(archive, m_waypoints);
    ReadList<TsEntity>(archive, m_doors);
    ReadList<TsEntity>(archive, m_otherEntities);
    ReadList<TsEntity>(archive, m_entities);
    ReadList<TsObject>(archive, m_teams);
    ReadList<TsObject>(archive, m_lightEffects);
    ReadList<TsObject>(archive, m_otherObjects);
    ReadList<TsObject>(archive, m_objects);
}

// Gives back the database's reference of each distinct object once: every
// entity, then every other object, then the garbage, each in list order.
// All are held while those references go, so nothing dies half-way; then
// the objects nobody else holds are destroyed, in that order, round after
// round (destroying one may leave another held by nobody but us). What
// remains is held elsewhere: it is logged and left to its holders.
void TsEntityDB::ReleaseAll()
{
    std::vector<TsObject*> order;
    std::unordered_set<TsObject*> seen;
    for (const OmList* list : {&m_entities, &m_characters, &m_collectibles, &m_waypoints, &m_doors,
                               &m_otherEntities, &m_objects, &m_teams, &m_squads, &m_lightEffects,
                               &m_otherObjects}) {
        CollectDistinct(*list, order, seen);
    }
    for (uint32_t i = 0; i < m_garbage.GetCount(); ++i) {
        if (m_garbage[i] && seen.insert(m_garbage[i]).second)
            order.push_back(m_garbage[i]);
    }
    // Handed over before the activation pass took them off the lists: their
    // reference is their new owner's.
    for (uint32_t i = 0; i < m_handedOver.GetCount(); ++i)
        std::erase(order, static_cast<TsObject*>(m_handedOver[i]));
    m_handedOver.RemoveAll();
    for (OmList* list : {&m_characters, &m_collectibles, &m_waypoints, &m_doors, &m_otherEntities,
                         &m_entities, &m_teams, &m_squads, &m_lightEffects, &m_otherObjects, &m_objects}) {
        list->RemoveAll();
    }
    m_activeCharacters.RemoveAll();
    m_activeEntities.RemoveAll();
    m_garbage.RemoveAll();

    std::vector<OmRef<TsObject>> held;
    held.reserve(order.size());
    for (TsObject* object : order) {
        if (object->GetRefCount() == 0) {
            // Nothing virtual: the object may have been destroyed already.
            LogErrorF("TsEntityDB: '%s' was listed without a reference", NameOf(*object));
            continue;
        }
        held.emplace_back(object);
    }
    // The lists' own references, which RemoveAll left behind.
    for (const OmRef<TsObject>& object : held)
        object->Release();

    // What only a script's handle holds besides goes too: its handle dies
    // with the level rather than keep the object beyond it.
    lua_State* L = TsAccess::LuaState();
    for (bool progress = true; progress;) {
        progress = false;
        for (OmRef<TsObject>& object : held) {
            if (object && object->GetRefCount() == 1 + TsScriptHandles::References(*object)) {
                TsScriptGlobals::Forget(L, object);
                object = nullptr; // cleared before the object goes
                progress = true;
            }
        }
    }
    for (OmRef<TsObject>& object : held) {
        if (!object)
            continue;
        LogErrorF("TsEntityDB: '%s' (%s) is still referenced %u time(s) at tear-down", NameOf(*object),
                  object->GetClass()->name, object->GetRefCount() - 1 - TsScriptHandles::References(*object));
        TsScriptGlobals::Unpublish(L, object);
        object = nullptr;
    }
}
