// Characters on the demo level in the real application: a planned walk
// from one room to the other through the corridor, turning, walking and
// running with their animations and standing on the ramp's height; a
// trigger on the way; sight through the door and not through a wall; the
// figure seen walking on the screen; and the cost of a hundred walkers.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/OmClass.h"
#include "engine/OmMaxLight.h"
#include "engine/OmMesh.h"
#include "engine/OmNode.h"
#include "engine/OmShape.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsScriptHost.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsLightEffectObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsTriggerObject.h"
#include "game/world/TsEffectUtil.h"
#include "game/world/TsWorld.h"
#include "platform/GfxDevice.h"
#include "platform/GfxTexture.h"
#include "platform/Window.h"
#include "render/OmD3D.h"
#include "tests/app/DemoLevelFixture.h"
#include "tools/DemoLevel.h"

namespace apptest {

// The least concrete character, with the demo figure.
class LevelWalker : public TsCharacterObject {
    OM_DECLARE_CLASS(LevelWalker)
public:
    LevelWalker() = default;
    explicit LevelWalker(OmArchive& archive) : TsCharacterObject(archive) {}
};
OM_IMPLEMENT_CLASS(LevelWalker, TsCharacterObject)

namespace {

class CharacterLevel : public DemoLevelTest {
protected:
    void SetUp() override
    {
        DemoLevelTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(EnterDemoLevel());
    }

    LevelWalker* AddWalker(const char* name, float x, float z)
    {
        auto* walker = new LevelWalker;
        walker->SetName(name);
        walker->SetMdl("walker.pbf");
        walker->SetAnimationClass(0);
        walker->SetRadius(0.3f);
        walker->SetHeight(1.8f);
        walker->SetOrigin(x, 0.0f, z);
        walker->ForceActive();
        Level()->GetEntityDB()->AddEntity(walker);
        EXPECT_TRUE(walker->Initialise());
        Level()->GetEntityDB()->MakeLuaGlobal(walker);
        TsAccess::AnimDB()->LoadAnimations();
        return walker;
    }

    // Level ticks without drawing.

    // Ticks until the walker has no command left; the ticks taken.
    int WalkOut(LevelWalker* walker, int limit, std::vector<OmVector3>* trail = nullptr)
    {
        int ticks = 0;
        while (walker->GetPendingCommand() != 0 && ticks < limit) {
            Ticks(1);
            ++ticks;
            if (trail)
                trail->push_back(walker->GetPosition());
        }
        return ticks;
    }

    // A frame drawn as it stands, then one drawn without the walker's model:
    // what differs is the figure (and its shadow).
    void ShotsWithAndWithoutModel(LevelWalker& walker, std::vector<uint32_t>& with, std::vector<uint32_t>& without,
                                  int& width, int& height)
    {
        FrameAfter(1);
        with = ScreenPixels(width, height);
        OmNode* model = walker.GetModel();
        model->AddRef();
        walker.SetModel(nullptr);
        FrameAfter(1);
        without = ScreenPixels(width, height);
        walker.SetModel(model);
        model->Release();
    }


};

} // namespace

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
    int ticks = 0;
    while (ann->GetPendingCommand() != 0 && ticks < 400) {
        Ticks(1);
        ++ticks;
        trail.push_back(ann->GetPosition());
        walked = walked || (ann->GetActionState() == TsCharacterObject::kWalk &&
                            ann->GetCurrentAnimation() == TSANIM_WALK);
    }
    EXPECT_LT(ticks, 400);
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

    // With the run-to-attack byte it runs the long way back.
    ann->SetRunSpeed(5.0f);
    ann->MoveTo(OmVector3(2.0f, 0.0f, 6.0f));
    EXPECT_TRUE(ann->IsRunning());
    bool ran = false;
    ticks = 0;
    while (ann->GetPendingCommand() != 0 && ticks < 400) {
        Ticks(1);
        ++ticks;
        ran = ran || (ann->GetActionState() == TsCharacterObject::kRun && ann->GetCurrentAnimation() == TSANIM_RUN);
    }
    EXPECT_TRUE(ran);
    EXPECT_NEAR(ann->GetPosition().x, 2.0f, 0.35f);
    EXPECT_NEAR(ann->GetPosition().y, 0.0f, 0.05f);
    // A short step walks, and a step within its own radius only stops it.
    ann->MoveTo(ann->GetPosition() + OmVector3(1.0f, 0.0f, 0.0f));
    EXPECT_FALSE(ann->IsRunning());
    ann->MoveTo(ann->GetPosition() + OmVector3(0.1f, 0.0f, 0.0f));
    EXPECT_EQ(ann->GetPendingCommand(), 0);
    // Into a wall or out of the world: no route, it stands.
    ann->MoveTo(OmVector3(-40.0f, 0.0f, -40.0f));
    EXPECT_EQ(ann->GetPendingCommand(), 0);
    EXPECT_EQ(ann->GetActionState(), TsCharacterObject::kStand);
}

TEST_F(CharacterLevel, ATriggerOnTheWayCallsItsScriptOnceWithBothNames)
{
    lua_State* L = TsAccess::LuaState();
    ASSERT_EQ(TsScriptHost::DoString(L, "fired = 0 function Crossed(t, who) fired = fired + 1 "
                                        "names = t:GetName() .. '<' .. who:GetName() t:SetActive(0) end"),
              0);
    auto* gate = new TsTriggerObject;
    gate->SetName("gate");
    gate->SetPosition(10.0f, 0.0f, 4.0f);
    gate->SetRadius(0.8f);
    gate->SetHeight(2.0f);
    gate->SetTriggerScript("Crossed");
    gate->ForceActive();
    Level()->GetEntityDB()->AddEntity(gate);
    Level()->GetEntityDB()->MakeLuaGlobal(gate);
    LevelWalker* bob = AddWalker("bob", 6.0f, 4.0f);
    Ticks(1);
    bob->MoveTo(OmVector3(14.0f, 0.0f, 4.0f));
    WalkOut(bob, 200);
    double fired = -1;
    TsScriptHost::GetGlobalNumber(L, "fired", &fired);
    EXPECT_EQ(fired, 1.0);
    std::string names;
    ASSERT_TRUE(TsScriptHost::GetGlobalString(L, "names", &names));
    EXPECT_EQ(names, "gate<bob");
    EXPECT_NEAR(bob->GetPosition().x, 14.0f, 0.35f);
}

TEST_F(CharacterLevel, SightPassesTheDoorButNotTheWall)
{
    LevelWalker* ann = AddWalker("ann", 4.0f, 4.0f);
    struct Case {
        float x, z;
        bool seen;
    };
    const Case cases[] = {
        {6.0f, 6.0f, true},   // the same room
        {16.0f, 4.0f, true},  // straight through both doors
        {16.0f, 1.5f, false}, // behind the other room's west wall
        {4.0f, 12.0f, false}, // outside, behind the north wall
    };
    std::vector<LevelWalker*> others;
    for (const Case& c : cases) {
        LevelWalker* other = AddWalker("other", c.x, c.z);
        EXPECT_EQ(ann->HasLineOfSight(other), c.seen) << c.x << "," << c.z;
    }
}

TEST_F(CharacterLevel, TheFigureIsSeenWalking)
{
    int width = 0, height = 0;
    LevelWalker* ann = AddWalker("ann", 3.0f, 4.0f);
    ann->SetHeading(3.14159265f / 2);
    Frames(2, 100);
    // The same moment drawn with and without the figure: what differs is
    // the figure (the room's water and smoke move with time).
    std::vector<uint32_t> standing, empty, walking, emptyLater;
    ShotsWithAndWithoutModel(*ann, standing, empty, width, height);
    ann->MoveTo(OmVector3(7.0f, 0.0f, 4.0f));
    Frames(12, 100);
    ShotsWithAndWithoutModel(*ann, walking, emptyLater, width, height);
    // The figure's pixels (those that differ from the empty room) and
    // their centre on the screen.
    struct Blob {
        int count = 0;
        double x = 0, y = 0;
    };
    auto figure = [&](const std::vector<uint32_t>& frame, const std::vector<uint32_t>& background) {
        Blob blob;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (frame[size_t(y) * width + x] != background[size_t(y) * width + x]) {
                    ++blob.count;
                    blob.x += x;
                    blob.y += y;
                }
        if (blob.count) {
            blob.x /= blob.count;
            blob.y /= blob.count;
        }
        return blob;
    };
    const Blob before = figure(standing, empty);
    const Blob after = figure(walking, emptyLater);
    std::printf("[ figures  ] figure %d pixels at (%.1f, %.1f) standing, %d at (%.1f, %.1f) walking\n", before.count,
                before.x, before.y, after.count, after.x, after.y);
    EXPECT_GT(before.count, 200) << "the figure stands on the screen";
    EXPECT_GT(after.count, 200);
    EXPECT_GT(std::hypot(after.x - before.x, after.y - before.y), 10.0) << "and has moved across it";
    EXPECT_GT(ann->GetPosition().x, 4.0f);
    EXPECT_EQ(ann->GetCurrentAnimation(), TSANIM_WALK);
}

// A character fading out is drawn at its opacity: its figure stands out
// less from the room, and the fade is over once the figure is drawn.
TEST_F(CharacterLevel, AFadingFigureIsDrawnFainter)
{
    int width = 0, height = 0;
    LevelWalker* ann = AddWalker("ann", 3.0f, 4.0f);
    Frames(2, 100);
    auto contrast = [&]() {
        std::vector<uint32_t> with, without;
        ShotsWithAndWithoutModel(*ann, with, without, width, height);
        EXPECT_FALSE(IsTextureFactorFadeActive());
        double sum = 0;
        for (size_t i = 0; i < with.size() && i < without.size(); ++i)
            for (int shift : {0, 8, 16})
                sum += std::abs(int((with[i] >> shift) & 0xFF) - int((without[i] >> shift) & 0xFF));
        return sum;
    };
    const double solid = contrast();
    ASSERT_GT(solid, 0.0);
    ann->BeginFadeOut();
    for (int i = 0; i < 20 && ann->GetFade() > 0.6f; ++i)
        Frames(1, 100);
    ASSERT_LT(ann->GetFade(), 0.7f);
    ASSERT_GT(ann->GetFade(), 0.2f);
    EXPECT_LT(contrast(), 0.9 * solid);
}

// A figure under room A's lamp takes the lamp's light: its pixels (those
// that differ from the empty room) follow the lamp's colour, and without
// the lamp it is dark. The floor is lit by the dynamic lamps only, so
// what changes with the lamp is the figure.
TEST_F(CharacterLevel, AFigureUnderALampIsLitInTheLampsColour)
{
    int width = 0, height = 0;
    LevelWalker* ann = AddWalker("ann", 4.0f, 4.5f);
    Frames(2, 100);
    OmMaxLight* lamp = nullptr;
    OmArray<OmMaxLight*>& lights = Level()->GetWorld()->GetLights();
    for (uint32_t i = 0; i < lights.GetCount(); ++i)
        if (lights[i] && lights[i]->GetName() && std::string(lights[i]->GetName()) == "lampA")
            lamp = lights[i];
    ASSERT_NE(lamp, nullptr);
    struct Sum {
        double r = 0, g = 0, b = 0;
        double Total() const { return r + g + b; }
    };
    // The summed colour of the figure's pixels at one lamp colour.
    auto figure = [&](float r, float g, float b) {
        lamp->colour[0] = r, lamp->colour[1] = g, lamp->colour[2] = b;
        std::vector<uint32_t> with, without;
        ShotsWithAndWithoutModel(*ann, with, without, width, height);
        Sum sum;
        for (size_t i = 0; i < with.size() && i < without.size(); ++i)
            if (with[i] != without[i]) {
                sum.r += (with[i] >> 16) & 0xFF, sum.g += (with[i] >> 8) & 0xFF, sum.b += with[i] & 0xFF;
            }
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

// A hundred walkers sent along their rows plan and move as a crowd (the
// tick's cost is bench/crowd's figure).
TEST_F(CharacterLevel, AHundredWalkersPlanAndMoveAsACrowd)
{
    // Five columns a metre apart and ten rows in each room, each walker
    // bound 2.5 along its row, so they move as a crowd without jamming.
    std::vector<LevelWalker*> walkers;
    for (int i = 0; i < 100; ++i) {
        const float roomX = i < 50 ? 0.0f : 12.0f;
        const int j = i % 50;
        LevelWalker* w = AddWalker("walker", roomX + 1.0f + float(j % 5), 0.7f + 0.75f * float(j / 5));
        w->SetRadius(0.25f);
        walkers.push_back(w);
    }
    Ticks(1);
    std::vector<OmVector3> starts;
    int planned = 0;
    for (LevelWalker* w : walkers) {
        starts.push_back(w->GetPosition());
        w->MoveTo(w->GetPosition() + OmVector3(2.5f, 0.0f, 0.0f));
        planned += w->GetPendingCommand() == TsCharacterObject::kFollowPath ? 1 : 0;
    }
    Ticks(50);
    int moved = 0;
    for (size_t i = 0; i < walkers.size(); ++i)
        moved += (walkers[i]->GetPosition() - starts[i]).Length() > 0.5f ? 1 : 0;
    // A crowd this close jams now and then: those in the way wait.
    EXPECT_GT(planned, 50);
    EXPECT_GT(moved, 25);
}

} // namespace apptest

namespace apptest {

TEST_F(CharacterLevel, APlayerCharacterHearsTheHealthThresholdsItCrosses)
{
    auto* pc = new TsPCObject;
    LevelWalker* npc = AddWalker("npc", 5.0f, 5.0f);
    for (TsCharacterObject* c : {static_cast<TsCharacterObject*>(pc), static_cast<TsCharacterObject*>(npc)}) {
        c->FlagSoundForLoading(TS_CHARSOUND_PAIN1, 10);
        c->FlagSoundForLoading(TS_CHARSOUND_PAIN2, 11);
        c->FlagSoundForLoading(TS_CHARSOUND_DAMAGE50, 12);
        c->FlagSoundForLoading(TS_CHARSOUND_DAMAGE10, 13);
        c->FlagSoundForLoading(TS_CHARSOUND_DEATH, 240); // not a sound: the slot stays empty
        c->FlagSoundForLoading(11, 14);                  // not a slot
        EXPECT_EQ(c->GetSoundSlot(TS_CHARSOUND_DAMAGE10), 13);
        EXPECT_EQ(c->GetSoundSlot(TS_CHARSOUND_DEATH), -1);
    }
    struct Case {
        float maxHealth, healthAfter, dealt;
        bool coinIsZero;
        int32_t pcSound, npcSound;
    };
    const Case cases[] = {
        {100, 85, 10, true, TS_CHARSOUND_DAMAGE50, TS_CHARSOUND_PAIN2}, // 95 % to 85 %
        {100, 45, 10, true, TS_CHARSOUND_DAMAGE10, TS_CHARSOUND_PAIN2}, // 55 % to 45 %
        {100, 80, 5, false, TS_CHARSOUND_PAIN1, TS_CHARSOUND_PAIN1},    // no threshold crossed
        {100, 80, 5, true, TS_CHARSOUND_PAIN2, TS_CHARSOUND_PAIN2},
        {0, 0, 5, false, TS_CHARSOUND_PAIN1, TS_CHARSOUND_PAIN1},       // no maximum: no division by it
    };
    for (const Case& c : cases) {
        for (TsCharacterObject* ch : {static_cast<TsCharacterObject*>(pc), static_cast<TsCharacterObject*>(npc)}) {
            ch->SetMaxHealth(c.maxHealth);
            ch->SetHealth(c.healthAfter);
        }
        EXPECT_EQ(pc->ChooseDamageSound(c.dealt, c.coinIsZero), c.pcSound) << c.healthAfter;
        EXPECT_EQ(npc->ChooseDamageSound(c.dealt, c.coinIsZero), c.npcSound) << c.healthAfter;
    }
    pc->Release();
}

} // namespace apptest

namespace apptest {

namespace {

// A locked door across the corridor: a slab two units wide along Z, three
// high, a quarter thick.
TsDoorObject* CorridorDoor(TsLevel& level)
{
    auto* door = new TsDoorObject;
    door->SetName("corridorDoor");
    door->SetDoorType(eDoorType_UpSlider);
    door->SetLock(true);
    auto* mesh = new OmMesh;
    for (float x : {-0.125f, 0.125f})
        for (float y : {0.0f, 3.0f})
            for (float z : {-1.0f, 1.0f}) {
                OmMeshVertex v;
                v.position = OmVector3(x, y, z);
                mesh->vertices.Add(v);
            }
    auto* shape = new OmShape;
    shape->SetGeometry(mesh);
    mesh->Release();
    door->ScanModelNodes(shape);
    shape->Release();
    door->SetPosition(10.0f, 0.0f, 4.0f);
    door->UpdateWorldShape();
    door->ForceActive();
    level.GetEntityDB()->AddEntity(door);
    EXPECT_TRUE(door->Initialise());
    return door;
}

} // namespace

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

// A flicker on room B's dynamic lamp reaches the floor it lights: with the
// view on room B, many more pixels change from one tick's picture to the
// next than without it.
TEST_F(CharacterLevel, AFlickeringLampFlickersOnTheFloor)
{
    auto changingPixels = [&](int ticks) {
        int width = 0, height = 0, most = 0;
        Frames(1, 100);
        std::vector<uint32_t> last = ScreenPixels(width, height);
        for (int i = 0; i < ticks; ++i) {
            Frames(1, 100);
            const std::vector<uint32_t> now = ScreenPixels(width, height);
            int changed = 0;
            for (size_t p = 0; p < now.size() && p < last.size(); ++p)
                changed += now[p] != last[p];
            most = std::max(most, changed);
            last = now;
        }
        return most;
    };
    // The demo's script keeps the view on room A while no one plays; it
    // looks at room B instead.
    ASSERT_EQ(TsScriptHost::DoString(TsAccess::LuaState(),
                                      "function LuaTick() TsAccess.CutScene():MoveCamera(16.0, 1.0, 4.0, 0) return 0 end"),
              0);
    Frames(5, 100);
    const int still = changingPixels(10);
    auto* flicker = new TsLightEffectObject;
    flicker->SetName("lampBFlicker");
    flicker->SetLight("dyn_lampB");
    flicker->SetEffect(TsLightEffectObject::FLICKER1);
    Level()->GetEntityDB()->AddObject(flicker);
    ASSERT_TRUE(flicker->Initialise()) << log.All();
    const int flickering = changingPixels(20);
    EXPECT_GT(flickering, 5 * still + 10000) << "still " << still << ", flickering " << flickering;
}

} // namespace apptest
