// Characters on the demo level in the real application: a planned walk
// through the corridor onto the ramp, a walk cut short by a locked door, the figure drawn fading and lit by its
// lamp, pain sounds, a flickering lamp.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/OmBaseMorphMesh.h"
#include "engine/OmClass.h"
#include "engine/OmGroup.h"
#include "engine/OmMaxLight.h"
#include "engine/OmMorphShape.h"
#include "engine/OmNode.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsEntityDB.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsLightEffectObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPathfinder.h"
#include "game/world/TsWorld.h"
#include "tests/app/DemoLevelFixture.h"
#include "tests/engine/TestClass.h"
#include "tests/game/objects/DoorSlab.h"
#include "tools/DemoLevel.h"

namespace apptest {

// The least concrete character, with the demo figure.
OM_TEST_CLASS(LevelWalker, TsCharacterObject);
OM_IMPLEMENT_CLASS(LevelWalker, TsCharacterObject)

namespace {

class CharacterLevel : public InDemoLevel {
protected:
    LevelWalker* AddWalker(const char* name, float x, float z, const char* mdl = "walker.pbf")
    {
        LevelWalker* walker = Figure(new LevelWalker, name, x, z, mdl);
        walker->ForceActive();
        Level()->GetEntityDB()->AddEntity(OmRef<TsEntity>::Adopt(walker));
        EXPECT_TRUE(walker->Initialise());
        Level()->GetEntityDB()->MakeLuaGlobal(walker);
        TsAccess::AnimDB()->LoadAnimations();
        return walker;
    }

    // Ticks until the walker has no command left, calling `each` after
    // every one; the ticks taken.
    int WalkOut(LevelWalker* walker, int limit, std::vector<OmVector3>* trail = nullptr,
                const std::function<void()>& each = [] {})
    {
        int ticks = 0;
        for (; walker->GetPendingCommand() != 0 && ticks < limit; ++ticks) {
            Ticks(1);
            each();
            if (trail)
                trail->push_back(walker->GetPosition());
        }
        return ticks;
    }

    // A frame drawn as it stands, then one drawn without the walker's model:
    // what differs is the figure (and its shadow).
    void ShotsWithAndWithoutModel(LevelWalker& walker, Picture& with, Picture& without)
    {
        with = LookAfter(1, 1);
        OmNode* model = walker.GetModel();
        model->AddRef();
        walker.SetModel(nullptr);
        without = LookAfter(1, 1);
        walker.SetModel(model);
        model->Release();
    }
};

TEST_F(CharacterLevel, AWalkerFollowsItsPlannedRouteThroughTheCorridorOntoTheRamp)
{
    LevelWalker* ann = AddWalker("ann", 2.0f, 2.0f);
    ann->SetMaxTurnRate(2.0f);
    ann->SetHeading(3.14159265f); // facing away: it must turn first
    Ticks(1);
    ann->MoveTo(OmVector3(16.0f, 0.0f, 2.0f)); // on the ramp, in the other room
    ASSERT_EQ(ann->GetPendingCommand(), TsCharacterObject::kFollowPath);
    EXPECT_FALSE(ann->IsRunning()) << "without the run-to-attack byte a character walks";
    Ticks(1);
    EXPECT_EQ(ann->GetActionState(), TsCharacterObject::kTurning);
    EXPECT_EQ(ann->GetCurrentAnimation(), TSANIM_STAND_CREEP);

    std::vector<OmVector3> trail;
    bool walked = false;
    const int ticks = WalkOut(ann, 400, &trail, [&] {
        walked = walked || (ann->GetActionState() == TsCharacterObject::kWalk &&
                            ann->GetCurrentAnimation() == TSANIM_WALK);
    });
    EXPECT_TRUE(walked);
    // Every step on the floor, none in a wall; the corridor is the way.
    bool corridor = false;
    for (const OmVector3& p : trail) {
        ASSERT_TRUE(demolevel::OnFloor(p.x, p.z) && !demolevel::InWall(p.x, p.z)) << p.x << "," << p.z;
        corridor = corridor || (p.x > 9.0f && p.x < 11.0f);
    }
    EXPECT_TRUE(corridor);
    const OmVector3& end = ann->GetPosition();
    EXPECT_NEAR(end.x, 16.0f, 0.35f);
    EXPECT_NEAR(end.z, 2.0f, 0.35f);
    // Halfway up the ramp from x 14 (height 0) to x 18 (height 1).
    EXPECT_NEAR(end.y, (end.x - 14.0f) / 4.0f, 0.05f);
    EXPECT_EQ(ann->GetActionState(), TsCharacterObject::kStand);
    EXPECT_EQ(ann->GetCurrentAnimation(), TSANIM_STAND);
    // Roughly the route's length at walking speed (2.5 units a second).
    EXPECT_LT(ticks, 120);
}

// With the run-to-attack byte a character runs a long way; a short step it
// walks, and a step within its own radius only stops it.
TEST_F(CharacterLevel, WithTheRunByteALongWayIsRunAndAShortStepWalked)
{
    LevelWalker* ann = AddWalker("ann", 2.0f, 2.0f);
    ann->SetRunSpeed(5.0f);
    Ticks(1);
    ann->MoveTo(OmVector3(16.0f, 0.0f, 2.0f));
    EXPECT_TRUE(ann->IsRunning());
    bool ran = false;
    WalkOut(ann, 400, nullptr, [&] {
        ran = ran || (ann->GetActionState() == TsCharacterObject::kRun && ann->GetCurrentAnimation() == TSANIM_RUN);
    });
    EXPECT_TRUE(ran);
    EXPECT_NEAR(ann->GetPosition().x, 16.0f, 0.35f);
    ann->MoveTo(ann->GetPosition() - OmVector3(1.0f, 0.0f, 0.0f));
    EXPECT_FALSE(ann->IsRunning());
    ann->MoveTo(ann->GetPosition() + OmVector3(0.1f, 0.0f, 0.0f));
    EXPECT_EQ(ann->GetPendingCommand(), 0);
}

TEST_F(CharacterLevel, AWalkerSentWhereNoRouteLeadsStands)
{
    LevelWalker* ann = AddWalker("ann", 2.0f, 2.0f);
    Ticks(1);
    ann->MoveTo(OmVector3(-40.0f, 0.0f, -40.0f));
    EXPECT_EQ(ann->GetPendingCommand(), 0);
    EXPECT_EQ(ann->GetActionState(), TsCharacterObject::kStand);
}

// A place to attack from, about the middle of room A at two and a half to
// five units on each axis: where the straight walk out to a candidate is
// stopped by a wall, the last cell it reached serves when it still keeps
// the distance. Those show as cell centres; every place is walkable.
TEST_F(CharacterLevel, AnAttackBaseFallsBackToTheLastCellAWalkReached)
{
    LevelWalker* walker = AddWalker("attacker", 2.0f, 2.0f);
    Ticks(1);
    TsPathfinder* pathfinder = TsAccess::Pathfinder();
    ASSERT_NE(pathfinder, nullptr);
    const int32_t cls = pathfinder->ClassForRadius(walker->GetRadius());
    const OmVector3 p(4.0f, 0.0f, 4.0f);
    int fallBacks = 0;
    for (int i = 0; i < 40; ++i) {
        if (!walker->GenerateAttackBase(p, 2.5f, 5.0f))
            continue;
        const OmVector3 base = walker->GetBasePoint();
        EXPECT_TRUE(pathfinder->IsPassableAt(base.x, base.z, cls, false, true)) << base.x << ", " << base.z;
        float x = 0.0f, z = 0.0f;
        pathfinder->CellCentre(pathfinder->CellFromWorld(base.x, base.z), x, z);
        fallBacks += x == base.x && z == base.z;
    }
    EXPECT_GT(fallBacks, 0);
}

// A figure under room A's lamp takes the lamp's light: its pixels (those
// that differ from the empty room) follow the lamp's colour, and without
// the lamp it is dark. The floor is lit by the dynamic lamps only, so
// what changes with the lamp is the figure.
TEST_F(CharacterLevel, AFigureUnderALampIsLitInTheLampsColour)
{
    LevelWalker* ann = AddWalker("ann", 4.0f, 4.5f);
    Frames(2, 100);
    OmMaxLight* lamp = nullptr;
    for (OmMaxLight* light : Level()->GetWorld()->GetLights())
        if (light && light->GetName() && std::string(light->GetName()) == "lampA")
            lamp = light;
    ASSERT_NE(lamp, nullptr);
    struct Sum {
        double r = 0, g = 0, b = 0;
        double Total() const { return r + g + b; }
    };
    // The summed colour of the figure's pixels at one lamp colour.
    auto figure = [&](float r, float g, float b) {
        lamp->colour[0] = r, lamp->colour[1] = g, lamp->colour[2] = b;
        Picture with, without;
        ShotsWithAndWithoutModel(*ann, with, without);
        Sum sum;
        for (size_t i = 0; i < with.pixels.size() && i < without.pixels.size(); ++i)
            if (const uint32_t p = with.pixels[i]; p != without.pixels[i])
                sum.r += Red(p), sum.g += Green(p), sum.b += Blue(p);
        return sum;
    };
    const Sum white = figure(1.0f, 1.0f, 1.0f);
    const Sum red = figure(1.0f, 0.0f, 0.0f);
    const Sum blue = figure(0.0f, 0.0f, 1.0f);
    std::printf("[ lit      ] figure white %.0f %.0f %.0f, red %.0f %.0f %.0f, blue %.0f %.0f %.0f\n", white.r,
                white.g, white.b, red.r, red.g, red.b, blue.r, blue.g, blue.b);
    // The figure's blob shadow differs from the empty room too, alike at
    // every lamp colour: the lamp shows in what changes between colours.
    EXPECT_GT((red.r - red.b) - (blue.r - blue.b), 20000.0) << "a red lamp reddens the figure, a blue one blues it";
    lamp->on = 0;
    const Sum dark = figure(1.0f, 1.0f, 1.0f);
    lamp->on = 1;
    EXPECT_GT(white.Total(), dark.Total() + 100000.0) << "without its lamp the figure is darker";
}

// A figure whose folder holds no bones is a morph figure (the town's
// jelly): its frames play through its morph shape, and what is drawn of it
// changes shape as it wobbles.
TEST_F(CharacterLevel, AMorphFigurePlaysItsFramesAndIsSeenToWobble)
{
    LevelWalker* jelly = AddWalker("jelly", 4.0f, 4.5f, "jelly.pbf");
    auto* figure = OmGroup::Cast(jelly->GetModel());
    auto* shape = figure ? OmMorphShape::Cast(figure->GetChild(0)) : nullptr;
    ASSERT_NE(shape, nullptr);
    EXPECT_NE(OmBaseMorphMesh::Cast(shape->GetGeometry()), nullptr) << "drawn through the renderer's morph mesh";
    // Three looks a quarter of its wobble apart (of shapes a quarter and a
    // half turn apart, one pair differs), compared where the figure or its
    // shadow, which stays, is drawn.
    Picture looks[3], without;
    std::vector<bool> drawn;
    for (auto& look : looks) {
        ShotsWithAndWithoutModel(*jelly, look, without);
        drawn.resize(without.pixels.size());
        for (size_t i = 0; i < drawn.size() && i < look.pixels.size(); ++i)
            drawn[i] = drawn[i] || look.pixels[i] != without.pixels[i];
        FrameAfter(250);
    }
    int changed = 0;
    for (const auto& [a, b] : {std::pair{0, 1}, std::pair{1, 2}, std::pair{0, 2}}) {
        int differ = 0;
        for (size_t i = 0; i < drawn.size() && i < looks[a].pixels.size() && i < looks[b].pixels.size(); ++i)
            differ += drawn[i] && looks[a].pixels[i] != looks[b].pixels[i];
        changed = std::max(changed, differ);
    }
    EXPECT_GT(changed, 100) << "its shape changed";
}

TEST_F(CharacterLevel, APlayerCharacterHearsTheHealthThresholdsItCrosses)
{
    auto* pc = new TsPCObject;
    LevelWalker* npc = AddWalker("npc", 5.0f, 5.0f);
    for (TsCharacterObject* c : {static_cast<TsCharacterObject*>(pc), static_cast<TsCharacterObject*>(npc)}) {
        c->FlagSoundForLoading(TS_CHARSOUND_PAIN1, 10);
        c->FlagSoundForLoading(TS_CHARSOUND_PAIN2, 11);
        c->FlagSoundForLoading(TS_CHARSOUND_DAMAGE50, 12);
        c->FlagSoundForLoading(TS_CHARSOUND_DAMAGE10, 13);
    }
    const struct {
        float maxHealth, healthAfter, dealt;
        bool coinIsZero;
        int32_t pcSound, npcSound;
    } cases[] = {
        {100, 85, 10, true, TS_CHARSOUND_DAMAGE50, TS_CHARSOUND_PAIN2}, // 95 % to 85 %
        {100, 45, 10, true, TS_CHARSOUND_DAMAGE10, TS_CHARSOUND_PAIN2}, // 55 % to 45 %
        {100, 80, 5, false, TS_CHARSOUND_PAIN1, TS_CHARSOUND_PAIN1},    // no threshold crossed
        {100, 80, 5, true, TS_CHARSOUND_PAIN2, TS_CHARSOUND_PAIN2},
        {0, 0, 5, false, TS_CHARSOUND_PAIN1, TS_CHARSOUND_PAIN1},       // no maximum: no division by it
    };
    for (const auto& c : cases) {
        for (TsCharacterObject* ch : {static_cast<TsCharacterObject*>(pc), static_cast<TsCharacterObject*>(npc)}) {
            ch->SetMaxHealth(c.maxHealth);
            ch->SetHealth(c.healthAfter);
        }
        EXPECT_EQ(pc->ChooseDamageSound(c.dealt, c.coinIsZero), c.pcSound) << c.healthAfter;
        EXPECT_EQ(npc->ChooseDamageSound(c.dealt, c.coinIsZero), c.npcSound) << c.healthAfter;
    }
    pc->Release();
}

// A flicker on room B's dynamic lamp reaches the floor it lights: with the
// view on room B, many more pixels change from one tick's picture to the
// next than without it.
TEST_F(CharacterLevel, AFlickeringLampFlickersOnTheFloor)
{
    auto changingPixels = [&](int ticks) {
        int most = 0;
        Picture last = LookAfter(1);
        for (int i = 0; i < ticks; ++i) {
            Picture now = LookAfter(1);
            most = std::max(most, now.Differing(last));
            last = std::move(now);
        }
        return most;
    };
    // The demo's script keeps the view on room A while no one plays; it
    // looks at room B instead.
    ASSERT_EQ(0, RunLua("function LuaTick() TsAccess.CutScene():MoveCamera(16.0, 1.0, 4.0, 0) return 0 end"));
    Frames(5, 100);
    const int still = changingPixels(10);
    auto* flicker = new TsLightEffectObject;
    flicker->SetName("lampBFlicker");
    flicker->SetLight("dyn_lampB");
    flicker->SetEffect(TsLightEffectObject::FLICKER1);
    Level()->GetEntityDB()->AddObject(OmRef<TsObject>::Adopt(flicker));
    ASSERT_TRUE(flicker->Initialise()) << log.All();
    EXPECT_EQ(flicker->GetLightObject()->GetRefCount(), 2u) << "the world's and the effect's, once";
    const int flickering = changingPixels(20);
    EXPECT_GT(flickering, 5 * still + 10000) << "still " << still << ", flickering " << flickering;
}

// A locked door across the corridor.
TsDoorObject* CorridorDoor(TsLevel& level)
{
    auto* door = new TsDoorObject;
    door->SetName("corridorDoor");
    door->SetDoorType(eDoorType_UpSlider);
    door->SetLock(true);
    ScanSlab(*door);
    door->SetPosition(10.0f, 0.0f, 4.0f);
    door->UpdateWorldShape();
    door->ForceActive();
    level.GetEntityDB()->AddEntity(OmRef<TsEntity>::Adopt(door));
    EXPECT_TRUE(door->Initialise());
    return door;
}

TEST_F(CharacterLevel, AWalkerStopsAtALockedDoor)
{
    LevelWalker* ann = AddWalker("ann", 6.0f, 4.0f);
    Ticks(1);
    ann->MoveTo(OmVector3(16.0f, 0.0f, 4.0f));
    ASSERT_EQ(ann->GetPendingCommand(), TsCharacterObject::kFollowPath);
    Ticks(4); // on the way, the door not there yet
    const float before = ann->GetPosition().x;
    TsDoorObject* door = CorridorDoor(*Level());
    door->ApplyOverlay(TsDynGeometry::kClosedOverlay);
    WalkOut(ann, 200);
    EXPECT_GT(ann->GetPosition().x, before) << "it walked up to the door";
    EXPECT_LT(ann->GetPosition().x, 10.0f - ann->GetRadius()) << "and stopped there";
    EXPECT_EQ(ann->GetActionState(), TsCharacterObject::kStand);
    // Asked again, it finds no way through.
    ann->MoveTo(OmVector3(16.0f, 0.0f, 4.0f));
    EXPECT_EQ(ann->GetPendingCommand(), 0);
    EXPECT_LT(ann->GetPosition().x, 10.0f);
}

} // namespace
} // namespace apptest
