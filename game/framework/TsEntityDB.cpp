#include "game/framework/TsEntityDB.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <unordered_set>
#include <utility>
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

// A stored list: a count and that many references of objects of class T,
// each given to add, held or borrowed as the list keeps them. A null or
// mistyped reference fails the archive: a list entry is always used as a
// live object of its kind.
template <class T, class Add>
void ReadEach(OmArchive& archive, bool held, Add add)
{
    uint32_t count = 0;
    archive.ReadU32(count);
    if (archive.HasFailed())
        return;
    if (!archive.CanRead(uint64_t(count) * sizeof(uint32_t)))
        return archive.Fail("an entity database list is longer than the file");
    for (uint32_t i = 0; i < count && !archive.HasFailed(); ++i) {
        T* object = nullptr;
        if (held)
            archive.ReadHeldRef(object);
        else
            archive.ReadRef(object);
        if (archive.HasFailed())
            return;
        if (!object)
            return archive.Fail("an entity database list holds a null object");
        add(object);
    }
}

template <class T>
void ReadList(OmArchive& archive, OmList& list)
{
    ReadEach<T>(archive, false, [&list](T* object) { list.AddTail(object); });
}

// The count the file restores includes the list's own reference.
template <class T>
void ReadList(OmArchive& archive, OmRefList<T>& list)
{
    ReadEach<T>(archive, true, [&list](T* object) { list.AddTail(OmRef<T>::Adopt(object)); });
}

void CollectDistinct(const OmList& list, std::vector<TsObject*>& order, std::unordered_set<TsObject*>& seen)
{
    for (const OmList::Node* node = list.GetFirst(); node; node = node->next) {
        auto* object = OmList::ValueAt<TsObject>(node);
        if (object && seen.insert(object).second)
            order.push_back(object);
    }
}

} // namespace

TsEntityDB::~TsEntityDB()
{
    // A script's handle borrows the database (it goes with its level): it
    // is left null rather than pointing at freed memory.
    TsScriptHandles::Forget(this, "TsEntityDB");
    // A failed load takes down every object it built in an order of its
    // own: the listed objects may be gone already, and are not ours to release.
    if (OmArchive::IsBeingTakenDown(*this)) {
        m_entities.Abandon();
        m_objects.Abandon();
        for (OmRef<TsEntity>& entity : m_garbage)
            entity.Detach();
        return;
    }
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

bool TsEntityDB::AddEntity(OmRef<TsEntity> entity)
{
    if (!entity) {
        LogError("TsEntityDB::AddEntity: no entity given");
        return false;
    }
    if (ContainsEntity(entity)) {
        // Given back before the pass took it off the lists, which kept a
        // reference of their own: the hand-over is undone, and the
        // reference given goes.
        if (entity->IsHandedOver()) {
            entity->UnmarkHandedOver();
            return true;
        }
        LogErrorF("TsEntityDB::AddEntity: '%s' is listed already", entity->NameOrEmpty());
        return false;
    }
    KindListOf(*entity).AddTail(entity.Get());
    // One added again takes its reference back from the garbage, so it
    // still has one, and a saved game counts it once.
    OmRef<TsEntity> fromGarbage = TakeFromGarbage(entity);
    m_entities.AddTail(fromGarbage ? std::move(fromGarbage) : std::move(entity));
    return true;
}

OmRef<TsEntity> TsEntityDB::TakeFromGarbage(const TsEntity* entity)
{
    for (auto it = m_garbage.begin(); it != m_garbage.end(); ++it) {
        if (it->Get() == entity) {
            OmRef<TsEntity> held = std::move(*it);
            m_garbage.erase(it);
            return held;
        }
    }
    return nullptr;
}

bool TsEntityDB::InGarbage(const TsObject* object) const
{
    for (const OmRef<TsEntity>& entity : m_garbage) {
        if (entity.Get() == object)
            return true;
    }
    return false;
}

bool TsEntityDB::AddObject(OmRef<TsObject> object)
{
    if (!object) {
        LogError("TsEntityDB::AddObject: no object given");
        return false;
    }
    // Listing itself would have it release itself while it is destroyed.
    if (object.Get() == this) {
        LogError("TsEntityDB::AddObject: the database cannot hold itself");
        return false;
    }
    if (TsEntity::Cast(object.Get()))
        return AddEntity(OmRef<TsEntity>::Adopt(TsEntity::Cast(object.Detach())));
    if (IsListed(object)) {
        LogErrorF("TsEntityDB::AddObject: '%s' is listed already", object->NameOrEmpty());
        return false;
    }
    KindListOf(*object).AddTail(object.Get());
    m_objects.AddTail(std::move(object));
    return true;
}

bool TsEntityDB::RemoveEntity(TsEntity* entity)
{
    if (!entity)
        return false;
    const bool fromKind = KindListOf(*entity).Remove(entity);
    OmRef<TsEntity> held = m_entities.Remove(entity);
    const bool listed = fromKind || held;
    // Handed over, its new owner holds it and the lists' reference simply
    // goes; one the new owner has let go of already waits on the garbage
    // like any other removed entity.
    const bool heldElsewhere = entity->IsHandedOver() && entity->GetRefCount() > 1;
    entity->UnmarkHandedOver();
    if (held && !heldElsewhere)
        m_garbage.push_back(std::move(held));
    return listed;
}

bool TsEntityDB::ContainsEntity(const TsEntity* entity) const
{
    return m_entities.Contains(entity);
}

void TsEntityDB::HandOver(TsEntity* entity)
{
    if (!entity)
        return;
    entity->AddRef(); // the new owner's
    if (!ContainsEntity(entity) || entity->IsHandedOver()) {
        LogErrorF("TsEntityDB::HandOver: '%s' is not listed here to hand over", entity->NameOrEmpty());
        return;
    }
    entity->MarkHandedOver(*this);
}

bool TsEntityDB::IsListed(const TsObject* object) const
{
    auto* key = const_cast<TsObject*>(object);
    OmList::Node* node = nullptr;
    return object && (m_entities.Entries().Find(key, node) || m_objects.Entries().Find(key, node));
}

bool TsEntityDB::HoldsReference(const TsObject* object) const
{
    if (!object)
        return false;
    return IsListed(object) || InGarbage(object);
}

int32_t TsEntityDB::LivingTeamMembers(int32_t teamId) const
{
    const TsObject* team = nullptr;
    for (const OmList::Node* node = m_teams.GetFirst(); node && !team; node = node->next) {
        auto* object = OmList::ValueAt<TsObject>(node);
        auto* identity = dynamic_cast<const TsTeamIdentity*>(object);
        if (identity && identity->GetTeamId() == teamId)
            team = object;
    }
    if (!team)
        return 0;
    int32_t living = 0;
    for (const OmList::Node* node = m_squads.GetFirst(); node; node = node->next) {
        auto* census = dynamic_cast<const TsSquadCensus*>(OmList::ValueAt<TsObject>(node));
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
        auto* character = OmList::ValueAt<TsEntity>(node);
        if (!character->HasFlag(TS_ENTITY_PENDING_DELETE) && IsActive(*character))
            m_activeCharacters.Add(character);
    }
    // The next node is taken first: RemoveEntity takes the current one out.
    for (const OmList::Node* node = m_entities.GetFirst(); node;) {
        const OmList::Node* next = node->next;
        auto* entity = OmList::ValueAt<TsEntity>(node);
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
        } else {
            LogErrorOnceF(m_reportedNeighbourLists, "TsEntityDB: character '%s' (%s) keeps no neighbour list",
                          character->NameOrEmpty(), character->GetClass()->name);
        }
    }
}

void TsEntityDB::Tick(uint32_t tickCount)
{
    for (uint32_t i = 0; i < m_activeEntities.GetCount(); ++i)
        m_activeEntities[i]->Tick(tickCount);
    for (const OmList::Node* node = m_objects.GetFirst(); node; node = node->next)
        OmList::ValueAt<TsObject>(node)->Tick(tickCount);
}

void TsEntityDB::Render(float renderTime, float fraction)
{
    for (uint32_t i = 0; i < m_activeEntities.GetCount(); ++i) {
        TsEntity* entity = m_activeEntities[i];
        if (!entity->HasFlag(TS_ENTITY_PENDING_DELETE))
            entity->Render(renderTime, fraction);
    }
    for (const OmList::Node* node = m_objects.GetFirst(); node; node = node->next)
        OmList::ValueAt<TsObject>(node)->Render(renderTime, fraction);
}

bool TsEntityDB::Import()
{
    bool all = true;
    for (const OmList::Node* node = m_entities.GetFirst(); node; node = node->next)
        all = OmList::ValueAt<TsObject>(node)->Import() && all;
    for (const OmList::Node* node = m_objects.GetFirst(); node; node = node->next)
        all = OmList::ValueAt<TsObject>(node)->Import() && all;
    return all;
}

bool TsEntityDB::Initialise()
{
    bool all = true;
    for (const OmList* list : {&m_entities.Entries(), &m_objects.Entries()}) {
        for (const OmList::Node* node = list->GetFirst(); node; node = node->next) {
            auto* object = OmList::ValueAt<TsObject>(node);
            all = object->Initialise() && all;
            MakeLuaGlobal(object);
        }
    }
    // Every entity may end in the garbage before the level ends (the dead,
    // the picked up): room for them all, so that none of that allocates.
    m_garbage.reserve(m_garbage.size() + m_entities.GetCount());
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
//
// The garbage is not saved for its own sake, but what of it the file holds
// anyway (a dead enemy a character still names) carries the garbage's
// reference in its saved count. So it is written among all the entities
// and in no list by kind, and reading gives it back to the garbage.
void TsEntityDB::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    const std::initializer_list<const OmList*> inFileOrder = {
        &m_characters, &m_collectibles, &m_squads, &m_waypoints, &m_doors, &m_otherEntities,
        &m_entities.Entries(), &m_teams, &m_lightEffects, &m_otherObjects, &m_objects.Entries()};
    for (const OmList* list : inFileOrder) {
        std::vector<const TsObject*> saved;
        for (const OmList::Node* node = list->GetFirst(); node; node = node->next)
            if (archive.GetObjectIndex(OmList::ValueAt<TsObject>(node)) >= 0)
                saved.push_back(OmList::ValueAt<TsObject>(node));
        if (list == &m_entities.Entries())
            for (const OmRef<TsEntity>& entity : m_garbage)
                if (archive.GetObjectIndex(entity) >= 0)
                    saved.push_back(entity);
        archive.WriteU32(uint32_t(saved.size()));
        for (const TsObject* object : saved)
            archive.WriteObjectRef(object);
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
    TakeBackGarbage();
}

// Only the entity lists are looked at: the entities themselves may not be
// read yet.
void TsEntityDB::TakeBackGarbage()
{
    std::unordered_set<const void*> byKind;
    for (const OmList* list : {&m_characters, &m_collectibles, &m_waypoints, &m_doors, &m_otherEntities})
        for (const OmList::Node* node = list->GetFirst(); node; node = node->next)
            byKind.insert(node->value);
    for (const OmList::Node* node = m_entities.GetFirst(); node;) {
        const OmList::Node* next = node->next;
        if (!byKind.contains(node->value))
            m_garbage.push_back(m_entities.Remove(OmList::ValueAt<TsEntity>(node)));
        node = next;
    }
}

// Every object the database lists, once each, in the order ReleaseAll
// gives them back.
std::vector<TsObject*> TsEntityDB::TearDownOrder()
{
    std::vector<TsObject*> order;
    std::unordered_set<TsObject*> seen;
    const std::initializer_list<const OmList*> lists = {
        &m_entities.Entries(), &m_characters, &m_collectibles, &m_waypoints, &m_doors, &m_otherEntities,
        &m_objects.Entries(), &m_teams, &m_squads, &m_lightEffects, &m_otherObjects};
    for (const OmList* list : lists) {
        CollectDistinct(*list, order, seen);
    }
    for (const OmRef<TsEntity>& entity : m_garbage) {
        if (entity && seen.insert(entity).second)
            order.push_back(entity);
    }
    return order;
}

// Gives back the database's references: every entity, then every other
// object, then the garbage, each in list order. All are held while those
// references go, so nothing dies half-way; then
// the objects nobody else holds are destroyed, in that order, round after
// round (destroying one may leave another held by nobody but us). What
// remains is held elsewhere: it is logged and left to its holders, but for
// what was handed over to a new owner, which is that owner's as if the
// next pass had come.
void TsEntityDB::ReleaseAll()
{
    const std::vector<TsObject*> order = TearDownOrder();

    std::vector<OmRef<TsObject>> held;
    held.reserve(order.size());
    for (TsObject* object : order) {
        if (object->GetRefCount() == 0) {
            // Nothing virtual: the object may have been destroyed already,
            // and has no reference left to give back.
            LogErrorF("TsEntityDB: '%s' was listed without a reference", object->NameOrEmpty());
            m_entities.Forget(object);
            m_objects.Forget(object);
            for (OmRef<TsEntity>& entity : m_garbage)
                if (entity.Get() == object)
                    entity.Detach();
            continue;
        }
        held.emplace_back(object);
    }
    // The lists' own references go; held keeps the objects meanwhile.
    for (OmList* list : {&m_characters, &m_collectibles, &m_waypoints, &m_doors, &m_otherEntities, &m_teams,
                         &m_squads, &m_lightEffects, &m_otherObjects}) {
        list->RemoveAll();
    }
    m_entities.RemoveAll();
    m_objects.RemoveAll();
    m_garbage.clear();
    m_activeCharacters.RemoveAll();
    m_activeEntities.RemoveAll();

    // What only a script's handle holds besides goes too: its handle dies
    // with the level rather than keep the object beyond it.
    lua_State* L = TsAccess::LuaState();
    constexpr uint32_t kHeldHere = 1; // held's own reference
    for (bool progress = true; progress;) {
        progress = false;
        for (OmRef<TsObject>& object : held) {
            if (object && TsScriptHandles::HeldOnlyByScripts(*object, kHeldHere)) {
                TsScriptGlobals::Forget(L, object);
                object = nullptr; // cleared before the object goes
                progress = true;
            }
        }
    }
    for (OmRef<TsObject>& object : held) {
        if (!object)
            continue;
        if (TsEntity* entity = TsEntity::Cast(object.Get()); entity && entity->IsHandedOver()) {
            entity->UnmarkHandedOver();
            object = nullptr;
            continue;
        }
        LogErrorF("TsEntityDB: '%s' (%s) is still referenced %u time(s) at tear-down", object->NameOrEmpty(),
                  object->GetClass()->name, TsScriptHandles::GameReferences(*object) - kHeldHere);
        TsScriptGlobals::Unpublish(L, object);
        object = nullptr;
    }
}
