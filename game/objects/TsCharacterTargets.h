// Whom a character is after and what hit it last: the first target; the
// locked target, which it attacks and aims at; the target its squad
// assigned it; the point it aims at; the base point it attacks or cowers
// from; the last attacker and the tick of its hit. None of them is held: an
// entity that goes is cut from them (TsLink). Whether an entity is a valid
// target is the character's judgement; the targets keep whom it chose.
#pragma once

#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmVector3.h"
#include "game/framework/TsLink.h"
#include "game/objects/TsNeighbourList.h"

class OmArchive;
class TsCharacterObject;
class TsEntity;

class TsCharacterTargets {
public:
    using Neighbour = TsNeighbourList::Neighbour;

    TsEntity* GetFirst() const { return m_first; }
    void SetFirst(TsEntity* target) { m_first = target; }
    TsEntity* GetLocked() const { return m_locked; }
    void Lock(TsEntity* target) { m_locked = target; }
    TsEntity* GetAssigned() const { return m_assigned; }
    void Assign(TsEntity* target) { m_assigned = target; }
    const OmVector3& GetAimPoint() const { return m_aimPoint; }
    void AimAt(const OmVector3& point) { m_aimPoint = point; }
    const OmVector3& GetBasePoint() const { return m_basePoint; }
    void SetBasePoint(const OmVector3& point) { m_basePoint = point; }
    TsCharacterObject* GetLastAttacker() const { return m_lastAttacker; }
    int32_t GetLastHitTick() const { return m_lastHitTick; }
    void RecordHit(TsCharacterObject* attacker, int32_t tick)
    {
        m_lastAttacker = attacker;
        m_lastHitTick = tick;
    }

    // The first, locked and assigned targets none.
    void Clear() { m_first = m_locked = m_assigned = nullptr; }
    // As a character starts afresh: no target, the aim at the origin, no
    // hit. The base point stays.
    void Forget();

    // The lock an attack order takes: the target asked for when it is
    // valid; else the lock held while it is still valid; else the nearest
    // valid of the neighbours within reach, or none. The neighbours, nearest
    // first, are asked for only when they are needed.
    template <class Valid, class Nearby>
    void ChooseLock(TsEntity* asked, Valid&& valid, Nearby&& nearestFirst, float reach)
    {
        if (valid(asked)) {
            m_locked = asked;
            return;
        }
        if (valid(m_locked.Get()))
            return;
        m_locked = nullptr;
        const OmArray<Neighbour>& neighbours = nearestFirst();
        for (uint32_t i = 0; i < neighbours.GetCount() && neighbours[i].separation <= reach; ++i) {
            if (valid(neighbours[i].entity)) {
                m_locked = neighbours[i].entity;
                return;
            }
        }
    }

    // The seven words in the order the character's archive keeps them.
    void Write(OmArchive& archive) const;
    void Read(OmArchive& archive);

private:
    TsLink<TsEntity> m_first;
    TsLink<TsEntity> m_locked;
    OmVector3 m_aimPoint;
    TsLink<TsEntity> m_assigned;
    OmVector3 m_basePoint;
    TsLink<TsCharacterObject> m_lastAttacker;
    int32_t m_lastHitTick = -1;
};
