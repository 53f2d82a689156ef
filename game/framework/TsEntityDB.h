// Every game object of a level. Entities are kept in one list per kind plus
// a list of all of them, other game objects likewise. Each tick the
// database decides which entities are active (near the activation centre,
// or exempt from the distance rule, and not dormant); only those are ticked
// and rendered. Entities removed during play wait on the garbage list until
// the database goes.
//
// Ownership: the list of all entities and the list of all other objects
// each hold one reference to what they list, the one the adding code
// handed over; the lists by kind borrow from them, and no other holder
// ever shares it. An entity taken off the lists during play takes its
// reference to the garbage, unless it was handed over to another owner
// that still holds it. An entity added again takes its reference back
// from the garbage. On destruction the database
// gives each reference back once; objects that others still hold then are
// logged by name and left to their holders.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmList.h"
#include "engine/OmRef.h"
#include "engine/OmRefList.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityGrid.h"
#include "game/framework/TsObject.h"

// Implemented by the character class: the database has each active
// character rebuild its neighbours from the active entities every tick,
// gathering them from the grid's cells about it.
class TsNeighbourListOwner {
public:
    virtual void BuildNeighbourList(const TsEntityGrid& activeEntities) = 0;

protected:
    ~TsNeighbourListOwner() = default;
};

// Implemented by the team class.
class TsTeamIdentity {
public:
    virtual int32_t GetTeamId() const = 0;

protected:
    ~TsTeamIdentity() = default;
};

// Implemented by the squad class: the team it belongs to and its members
// that are neither dead nor dormant.
class TsSquadCensus {
public:
    virtual const TsObject* GetCensusTeam() const = 0;
    virtual int32_t AliveMemberCount() const = 0;

protected:
    ~TsSquadCensus() = default;
};

class TsEntityDB : public TsObject {
    OM_DECLARE_CLASS(TsEntityDB)

    // The class names that pick an object's list; a class matches when it
    // is the class or derives from it.
    static constexpr const char* kCharacterClass = "TsCharacterObject";
    static constexpr const char* kCollectibleClass = "TsCollectibleObject";
    static constexpr const char* kWaypointClass = "TsWaypointObject";
    static constexpr const char* kDoorClass = "TsDoorObject";
    static constexpr const char* kTeamClass = "TsTeam";
    static constexpr const char* kSquadClass = "TsSquadObject";
    static constexpr const char* kLightEffectClass = "TsLightEffectObject";

    TsEntityDB() = default;
    explicit TsEntityDB(OmArchive& archive) : TsObject(archive) {}
    ~TsEntityDB() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    // Every entity, then every other object; all run even after a failure.
    bool Import() override;
    // As Import, and each object is published as a script global after its
    // Initialise, whatever that answered.
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;

    // Each keeps the reference given (an entity the garbage holds takes
    // that one back, and the one given goes). Each refuses (logged, false)
    // what the database lists already, letting the reference given go:
    // listed twice, an object would tick twice and be released twice. An
    // entity handed over and given back before it left the lists is no
    // refusal: the hand-over is undone, and the lists keep the reference
    // they kept all along.
    bool AddEntity(OmRef<TsEntity> entity);
    bool AddObject(OmRef<TsObject> object);
    // Whether it was listed. Flags 128 and 1024 are cleared in any case.
    bool RemoveEntity(TsEntity* entity);
    // A listed entity goes to another owner (an inventory that took it),
    // which gets a reference of its own: the entity leaves the lists at the
    // next activation pass (or as the level closes), whose reference then
    // goes. Until then this tick's active entities may still name it, so
    // the lists keep it whatever the new owner does with its reference.
    void HandOver(TsEntity* entity);
    bool ContainsEntity(const TsEntity* entity) const;
    // On the entities' or the objects' list.
    bool IsListed(const TsObject* object) const;
    // Listed among the entities or the objects, or kept in the garbage: the
    // database holds a reference to it.
    bool HoldsReference(const TsObject* object) const;
    int32_t LivingTeamMembers(int32_t teamId) const;

    void SetActivationCentre(float x, float z, float range);
    bool IsActive(const TsEntity& entity) const;
    void UpdateActivation();

    // Publishes the object under its name; false when it stays unpublished.
    bool MakeLuaGlobal(TsObject* object);

    const OmList& GetCharacters() const { return m_characters; }
    const OmList& GetCollectibles() const { return m_collectibles; }
    const OmList& GetWaypoints() const { return m_waypoints; }
    const OmList& GetDoors() const { return m_doors; }
    const OmList& GetOtherEntities() const { return m_otherEntities; }
    const OmList& GetEntities() const { return m_entities.Entries(); }
    const OmList& GetTeams() const { return m_teams; }
    const OmList& GetSquads() const { return m_squads; }
    const OmList& GetLightEffects() const { return m_lightEffects; }
    const OmList& GetOtherObjects() const { return m_otherObjects; }
    const OmList& GetObjects() const { return m_objects.Entries(); }
    const OmArray<TsEntity*>& GetActiveCharacters() const { return m_activeCharacters; }
    const OmArray<TsEntity*>& GetActiveEntities() const { return m_activeEntities; }
    const std::vector<OmRef<TsEntity>>& GetGarbage() const { return m_garbage; }

private:
    OmList& KindListOf(const TsEntity& entity);
    OmList& KindListOf(const TsObject& object);
    bool InGarbage(const TsObject* object) const;
    // The garbage's reference to the entity, taken out; null when it has none.
    OmRef<TsEntity> TakeFromGarbage(const TsEntity* entity);
    void BuildNeighbourLists();
    std::vector<TsObject*> TearDownOrder();
    void ReleaseAll();
    // A file lists the garbage it holds among all the entities and in no
    // list by kind; those go back to the garbage.
    void TakeBackGarbage();

    OmArray<TsEntity*> m_activeCharacters{64};
    OmArray<TsEntity*> m_activeEntities{64};
    TsEntityGrid m_activeGrid; // over m_activeEntities, rebuilt with it
    // By kind, borrowing from the two lists of all.
    OmList m_characters;
    OmList m_collectibles;
    OmList m_waypoints;
    OmList m_doors;
    OmList m_otherEntities;
    OmList m_teams;
    OmList m_squads;
    OmList m_lightEffects;
    OmList m_otherObjects;
    OmRefList<TsEntity> m_entities;
    OmRefList<TsObject> m_objects;
    std::vector<OmRef<TsEntity>> m_garbage;
    float m_centreX = 0.0f;
    float m_centreZ = 0.0f;
    float m_range = 0.0f;
    float m_rangeSquared = 0.0f;
    bool m_reportedNeighbourLists = false;
};
