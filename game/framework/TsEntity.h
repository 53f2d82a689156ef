// A positioned game object: position and the position of the previous tick
// (Render interpolates between the two), an upright cylinder (radius and
// height) for contact tests, and a word of flags that the entity database
// and the game objects read.
#pragma once

#include <cstdint>

#include "engine/OmVector3.h"
#include "game/framework/TsLink.h"
#include "game/framework/TsObject.h"

class TsAttack;
class TsCharacterObject;

enum TsEntityFlags : uint32_t {
    TS_ENTITY_ORDINARY = 1,       // cleared by dynamic geometry, triggers, waypoints
    TS_ENTITY_MODEL = 2,
    TS_ENTITY_COLLECTIBLE = 4,    // collectibles and stashes
    TS_ENTITY_TARGETABLE = 8,     // characters
    TS_ENTITY_USABLE = 16,        // banter characters and locks
    TS_ENTITY_DISTANCE_LIMITED = 32, // active only within the activation range
    TS_ENTITY_DORMANT = 64,       // never active
    TS_ENTITY_PENDING_DELETE = 128, // removed at the next activation pass
    TS_ENTITY_DEAD = 256,
    TS_ENTITY_ACTIVE = 512,       // active in the current tick
    TS_ENTITY_NO_GARBAGE = 1024,  // handed over: another owner holds it beside the lists
};

// What positioned objects ask of the level's static geometry. The played
// level's world installs itself with TsEntity::SetGroundProbe; with none
// installed there is no world, and the no-world answers apply.
class TsGroundProbe {
public:
    virtual ~TsGroundProbe() = default;
    // Casts the segment from -> to against the static geometry; true and the
    // height of the hit point when something was hit.
    virtual bool CastSegmentStatic(const OmVector3& from, const OmVector3& to, float& hitHeight) = 0;
    // The floor height below point; FLT_MAX when there is no floor.
    virtual float GetGroundHeight(const OmVector3& point) = 0;
};

class TsEntity : public TsObject {
    OM_DECLARE_ABSTRACT_CLASS(TsEntity)

    static constexpr uint32_t kInitialFlags = TS_ENTITY_ORDINARY | TS_ENTITY_DISTANCE_LIMITED;

    TsEntity() = default;
    // Loading: Read fills every field.
    explicit TsEntity(OmArchive& archive) : TsObject(archive) {}
    // Others point at entities without holding them (an article's owner,
    // targets, squad members): they forget the entity as it goes.
    ~TsEntity() override;

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    uint32_t RetakenReferences() const override;
    // Subclasses call this before they move the entity, so a tick's motion
    // runs from the previous position to the position.
    void Tick(uint32_t tickCount) override;

    virtual void OnTouch(TsEntity* other, float separation);
    virtual void OnHit(TsAttack& attack);
    virtual void Use(TsCharacterObject* user);
    virtual void Die();

    const OmVector3& GetPosition() const { return m_position; }
    const OmVector3& GetPreviousPosition() const { return m_previousPosition; }
    void SetPosition(float x, float y, float z) { m_position.Set(x, y, z); }
    // Drops (x, z) onto the world from 100 units above y; height 0 where
    // nothing is hit or there is no world.
    void SetOrigin(float x, float y, float z);
    // The point with its height taken from the floor below it (searched
    // from the entity's height above the point); the point's own height
    // where there is no floor or no world.
    void SetPositionOnGround(const OmVector3& point);

    // Whether the upright cylinders of a and b touch; equal values touch.
    // The squared horizontal distance goes to distanceSquared when given.
    static bool Overlaps(const TsEntity& a, const TsEntity& b, float* distanceSquared = nullptr);

    bool HasFlag(uint32_t mask) const { return (m_flags & mask) != 0; }
    void SetFlag(uint32_t mask) { m_flags |= mask; }
    void ClearFlag(uint32_t mask) { m_flags &= ~mask; }
    uint32_t GetFlags() const { return m_flags; }

    bool IsDormant() const { return HasFlag(TS_ENTITY_DORMANT); }
    void SetDormant(bool dormant);
    // Active whatever its distance from the activation centre.
    void ForceActive() { ClearFlag(TS_ENTITY_DISTANCE_LIMITED | TS_ENTITY_DORMANT); }

    float GetRadius() const { return m_radius; }
    void SetRadius(float radius) { m_radius = radius; }
    float GetHeight() const { return m_height; }
    void SetHeight(float height) { m_height = height; }

    // Handed over (flags 128 and 1024): the database that lists the entity
    // gave a new owner (an inventory) a reference of its own, and its lists
    // keep theirs until the next activation pass takes the entity off them;
    // whoever lets go first, the entity is never freed while listed. Files
    // have always counted such an entity once, from when the two shared one
    // reference: the count saved leaves the lists' out and reading takes it
    // again. A file without the database that lists it (the party's
    // transfer file) keeps no hand-over.
    void MarkHandedOver(TsObject& lister);
    void UnmarkHandedOver();
    bool IsHandedOver() const { return HasFlag(TS_ENTITY_NO_GARBAGE); }

    static void SetGroundProbe(TsGroundProbe* probe);
    static TsGroundProbe* GetGroundProbe();

protected:
    OmVector3 m_position;
    OmVector3 m_previousPosition;
    float m_radius = 1.0f;
    float m_height = 1.0f;
    uint32_t m_flags = kInitialFlags;

private:
    static constexpr uint32_t kHandOverFlags = TS_ENTITY_PENDING_DELETE | TS_ENTITY_NO_GARBAGE;
    uint32_t SavedFlags(const OmArchive& archive) const;

    TsLink<TsObject> m_handedOverBy; // never saved; none once read back
};
