// Game objects for the entity tests. The classes that pick a list in the
// entity database carry the names of the game's own classes (which live in
// a later library); the C++ names stay distinct so they never collide.
#pragma once

#include <string>
#include <vector>

#include "engine/OmRef.h"
#include "game/framework/TsEntityDB.h"
#include "tests/engine/TestClass.h"

// Every call of the life-cycle operations below, in order ("Import:a").
inline std::vector<std::string>& CallLog()
{
    static std::vector<std::string> log;
    return log;
}

inline void RecordCall(const char* what, const OmObject& object)
{
    CallLog().push_back(std::string(what) + ":" + object.NameOrEmpty());
}

// An ordinary entity that records its life-cycle calls and can be told to
// fail either pass.
class TestThing : public TsEntity {
    OM_DECLARE_TEST_CLASS(TestThing, TsEntity)
    ~TestThing() override { RecordCall("Destroy", *this); }
    bool Import() override { RecordCall("Import", *this); return importResult; }
    bool Initialise() override { RecordCall("Initialise", *this); return initialiseResult; }
    void Tick(uint32_t tickCount) override { TsEntity::Tick(tickCount); RecordCall("Tick", *this); }
    void Render(float, float) override { RecordCall("Render", *this); }
    void SetFlagsWord(uint32_t flags) { m_flags = flags; }

    bool importResult = true;
    bool initialiseResult = true;
};

class TestCharacter : public TsEntity, public TsNeighbourListOwner {
    OM_DECLARE_TEST_CLASS(TestCharacter, TsEntity)
    void BuildNeighbourList(const TsEntityGrid& activeEntities) override
    {
        ++neighbourBuilds;
        lastActiveCount = activeEntities.GetCount();
    }
    uint32_t neighbourBuilds = 0;
    uint32_t lastActiveCount = 0;
};

// Derived from the character class by a class of another name.
OM_TEST_CLASS(TestCharacterChild, TestCharacter);
OM_TEST_CLASS(TestCollectible, TsEntity);
OM_TEST_CLASS(TestWaypoint, TsEntity);
OM_TEST_CLASS(TestDoor, TsEntity);
OM_TEST_CLASS(TestLightEffect, TsObject);

class TestPlainObject : public TsObject {
    OM_DECLARE_TEST_CLASS(TestPlainObject, TsObject)
    ~TestPlainObject() override { RecordCall("Destroy", *this); }
    bool Import() override { RecordCall("Import", *this); return true; }
    bool Initialise() override { RecordCall("Initialise", *this); return true; }
    void Tick(uint32_t) override { RecordCall("Tick", *this); }

    // Holds a reference on what it keeps, as a player holds its characters.
    void Keep(TsObject* object) { kept.Reset(object); }
    OmRef<TsObject> kept; // let go of after the destruction is recorded
};

class TestTeam : public TsObject, public TsTeamIdentity {
    OM_DECLARE_TEST_CLASS(TestTeam, TsObject)
    int32_t GetTeamId() const override { return id; }
    int32_t id = 0;
};

class TestSquad : public TsObject, public TsSquadCensus {
    OM_DECLARE_TEST_CLASS(TestSquad, TsObject)
    const TsObject* GetCensusTeam() const override { return team; }
    int32_t AliveMemberCount() const override
    {
        int32_t alive = 0;
        for (const TsEntity* member : members)
            alive += !member->HasFlag(TS_ENTITY_DEAD | TS_ENTITY_DORMANT);
        return alive;
    }
    const TsObject* team = nullptr;
    std::vector<TsEntity*> members;
};
