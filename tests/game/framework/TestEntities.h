// Game objects for the entity tests. The classes that pick a list in the
// entity database carry the names of the game's own classes (which live in
// a later library); the C++ names stay distinct so they never collide.
#pragma once

#include <string>
#include <vector>

#include "game/framework/TsEntityDB.h"

// Every call of the life-cycle operations below, in order ("Import:a").
std::vector<std::string>& CallLog();

// An ordinary entity that records its life-cycle calls and can be told to
// fail either pass.
class TestThing : public TsEntity {
    OM_DECLARE_CLASS(TestThing)

    TestThing() = default;
    explicit TestThing(OmArchive& archive) : TsEntity(archive) {}
    ~TestThing() override;

    bool Import() override;
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;

    void SetFlagsWord(uint32_t flags) { m_flags = flags; }

    bool importResult = true;
    bool initialiseResult = true;
};

class TestCharacter : public TsEntity, public TsNeighbourListOwner {
    OM_DECLARE_CLASS(TestCharacter)

    TestCharacter() = default;
    explicit TestCharacter(OmArchive& archive) : TsEntity(archive) {}

    void BuildNeighbourList(const OmArray<TsEntity*>& activeEntities) override;
    uint32_t neighbourBuilds = 0;
    uint32_t lastActiveCount = 0;
};

// Derived from the character class by a class of another name.
class TestCharacterChild : public TestCharacter {
    OM_DECLARE_CLASS(TestCharacterChild)

    TestCharacterChild() = default;
    explicit TestCharacterChild(OmArchive& archive) : TestCharacter(archive) {}
};

#define TEST_PLAIN_CLASS(Cls, Base)                          \
    class Cls : public Base {                                \
        OM_DECLARE_CLASS(Cls)                                \
        Cls() = default;                                     \
        explicit Cls(OmArchive& archive) : Base(archive) {}  \
    };

TEST_PLAIN_CLASS(TestCollectible, TsEntity)
TEST_PLAIN_CLASS(TestWaypoint, TsEntity)
TEST_PLAIN_CLASS(TestDoor, TsEntity)
TEST_PLAIN_CLASS(TestLightEffect, TsObject)

class TestPlainObject : public TsObject {
    OM_DECLARE_CLASS(TestPlainObject)

    TestPlainObject() = default;
    explicit TestPlainObject(OmArchive& archive) : TsObject(archive) {}
    ~TestPlainObject() override;

    bool Import() override;
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;

    // Holds a reference on what it keeps, as a player holds its characters.
    void Keep(TsObject* object);
    TsObject* kept = nullptr;
};

class TestTeam : public TsObject, public TsTeamIdentity {
    OM_DECLARE_CLASS(TestTeam)

    TestTeam() = default;
    explicit TestTeam(OmArchive& archive) : TsObject(archive) {}
    int32_t GetTeamId() const override { return id; }
    int32_t id = 0;
};

class TestSquad : public TsObject, public TsSquadCensus {
    OM_DECLARE_CLASS(TestSquad)

    TestSquad() = default;
    explicit TestSquad(OmArchive& archive) : TsObject(archive) {}
    const TsObject* GetCensusTeam() const override { return team; }
    int32_t AliveMemberCount() const override;
    const TsObject* team = nullptr;
    std::vector<TsEntity*> members;
};
