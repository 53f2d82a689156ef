// Doors, switches, conversations and banter on the demo level, made by
// script as entity scripts make them: buddy doors in the corridor's two
// doorways and a switch in the first room.
#include <cmath>
#include <string>

#include "game/framework/TsAccess.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsEntityDB.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsBanterObject.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsDiaryData.h"
#include "game/objects/TsDoorObject.h"
#include "game/objects/TsDynGeometry.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSwitchObject.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsTileWalker.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldHit.h"
#include "render/OmD3D.h"
#include "tests/app/DemoLevelFixture.h"
#include "ui/TsRadar.h"

using namespace apptest;

namespace {

// The doorways of the corridor: room A's east wall and room B's west wall.
constexpr float kDoorAX = 8.125f, kDoorBX = 11.875f, kDoorZ = 4.0f;

constexpr const char* kBuild = R"(
gateA = PlaceDoor("gateA", 8.125, 4, false) gateA:SetBuddy("gateB")
gateB = PlaceDoor("gateB", 11.875, 4, false) gateB:SetBuddy("gateA")
lever = TsSwitchObject:new()
lever:SetName("lever")
lever:SetMdl("switch.pbf")
lever:SetPosition(6, 0, 1)
lever:SetAct1("OpenDoor gateA")
lever:SetDeact1("CloseDoor gateA")
TsAccess.EntityDB():AddEntity(lever)
)";

class DoorsLevel : public InDemoLevel {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(InDemoLevel::SetUp());
        world = Level()->GetWorld();
        ASSERT_NE(world, nullptr);
    }

    // Brings objects made after the level started into play, the two passes
    // the level runs for the objects of its entity script.
    void Bring(std::initializer_list<TsEntity*> entities)
    {
        for (TsEntity* e : entities)
            EXPECT_TRUE(e->Import()) << e->GetName();
        for (TsEntity* e : entities) {
            EXPECT_TRUE(e->Initialise()) << e->GetName();
            e->ForceActive();
            Level()->GetEntityDB()->MakeLuaGlobal(e);
        }
    }
    uint32_t TileAt(float x, float z)
    {
        TsTileWalker walker(world);
        walker.SetWorldPosition(x, z);
        return walker.GetTile();
    }
    // Whether a shot along the corridor at waist height is stopped, and where.
    bool CorridorBlocked(float* where = nullptr)
    {
        TsWorldHit hit;
        const bool blocked = world->CastSegment(OmVector3(6, 1, kDoorZ), OmVector3(14, 1, kDoorZ), hit, false);
        if (where)
            *where = hit.point.x;
        return blocked;
    }
    void BuildDoors()
    {
        ASSERT_EQ(RunLua(kBuild), 0);
        ASSERT_NO_FATAL_FAILURE(FindDoors());
        Bring({gateA, gateB, lever});
        TsDoorObject::ApplyClosedOverlays();
    }
    void FindDoors()
    {
        gateA = Named<TsDoorObject>("gateA");
        gateB = Named<TsDoorObject>("gateB");
        lever = Named<TsSwitchObject>("lever");
        ASSERT_TRUE(gateA && gateB && lever);
    }

    // The radar alone on a cleared screen, as the player sees it.
    Picture DrawRadar(TsRadar& radar)
    {
        OmD3D* d3d = OmD3D::Instance();
        EXPECT_TRUE(d3d->BeginScene(0.0f));
        d3d->Clear(nullptr, 0);
        radar.Render();
        d3d->EndScene();
        d3d->Present();
        return Look();
    }

    TsWorld* world = nullptr;
    TsDoorObject* gateA = nullptr;
    TsDoorObject* gateB = nullptr;
    TsSwitchObject* lever = nullptr;
};

TEST_F(DoorsLevel, AClosedDoorBlocksAndOpensWithItsBuddyForItsSwitchOrACharacter)
{
    const uint32_t floorA = TileAt(7.0f, kDoorZ);
    const uint32_t doorway = TileAt(kDoorAX, kDoorZ);
    ASSERT_NE(doorway, 0u) << "the doorway is walkable without a door";
    ASSERT_FALSE(CorridorBlocked()) << "the corridor is clear without doors";

    BuildDoors();
    EXPECT_EQ(gateA->GetBuddy(), gateB);
    EXPECT_EQ(gateB->GetBuddy(), gateA);
    EXPECT_FLOAT_EQ(gateA->GetHeight(), 3.0f) << "the shape comes from the door model";
    EXPECT_EQ(TileAt(kDoorAX, kDoorZ), 0u) << "a closed door blocks the AI map";
    EXPECT_EQ(TileAt(kDoorBX, kDoorZ), 0u);
    EXPECT_EQ(TileAt(7.0f, kDoorZ), floorA) << "the floor beside it keeps its code";
    float where = 0.0f;
    ASSERT_TRUE(CorridorBlocked(&where));
    EXPECT_NEAR(where, kDoorAX, 0.01f) << "the shot stops at the first door";
    Ticks(2);
    EXPECT_FALSE(gateA->IsOpen()) << "nobody is near";

    lever->Use(nullptr);
    Ticks(8);
    EXPECT_TRUE(lever->IsOn());
    EXPECT_TRUE(gateA->IsOpen());
    EXPECT_TRUE(gateB->IsOpen()) << "the buddy opens with it";
    EXPECT_EQ(gateA->GetTransitionState(), TsDoorObject::kStill);
    EXPECT_NEAR(gateA->GetPosition().y, 3.0f, 1e-4f) << "slid up out of the way";
    EXPECT_FALSE(CorridorBlocked()) << "open doors let shots through";
    EXPECT_EQ(TileAt(kDoorAX, kDoorZ), doorway) << "and give the AI map back";
    EXPECT_NE(TileAt(kDoorBX, kDoorZ), 0u);

    // Forced open, they stay open; the switch closes them again.
    Ticks(10);
    EXPECT_TRUE(gateA->IsOpen());
    lever->Use(nullptr);
    Ticks(8);
    EXPECT_FALSE(lever->IsOn());
    EXPECT_FALSE(gateA->IsOpen());
    EXPECT_FALSE(gateB->IsOpen()) << "the buddy closes with it";
    EXPECT_TRUE(CorridorBlocked());
    EXPECT_EQ(TileAt(kDoorAX, kDoorZ), 0u);

    // A character walking up opens the door; once it has gone, the door closes.
    ASSERT_EQ(0, RunLua("walker = TsNPCObject:new() walker:SetName('walker') walker:SetPosition(7, 0, 4) "
                        "TsAccess.EntityDB():AddEntity(walker)"));
    auto* walker = Named<TsNPCObject>("walker");
    ASSERT_NE(walker, nullptr);
    walker->ForceActive();
    Ticks(1);
    EXPECT_TRUE(gateA->WantsOpen());
    Ticks(6);
    EXPECT_TRUE(gateA->IsOpen());
    EXPECT_TRUE(gateB->IsOpen());
    EXPECT_FALSE(CorridorBlocked());
    walker->SetPosition(-30, 0, 4);
    Ticks(8);
    EXPECT_FALSE(gateA->IsOpen()) << "closes when everybody has gone";
    EXPECT_FALSE(gateB->IsOpen());
    EXPECT_TRUE(CorridorBlocked());
    EXPECT_EQ(TileAt(kDoorAX, kDoorZ), 0u);
}

TEST_F(DoorsLevel, ADoorAsFarOffAsTheWallIsWhatASegmentMeets)
{
    const OmVector3 from(4, 1, 1), to(10, 1, 1); // room A's east wall
    static TsWorldHit s_door;
    ASSERT_TRUE(world->CastSegmentStatic(from, to, s_door, false));
    s_door.normal = OmVector3(0, 1, 0); // told apart from the wall by its normal
    TsWorld::SetDoorCaster([](const OmVector3&, const OmVector3&, TsWorldHit& hit) {
        hit = s_door;
        return false;
    });
    TsWorldHit hit;
    const bool blocked = world->CastSegment(from, to, hit, false);
    TsWorld::SetDoorCaster(&TsDynGeometry::CastSegmentAgainstDoors);
    EXPECT_TRUE(blocked);
    EXPECT_EQ(hit.normal.y, 1.0f);
}

TEST_F(DoorsLevel, EverySwitchActionKindRunsOnItsTarget)
{
    BuildDoors();
    ASSERT_EQ(0, RunLua(R"(
        g_called = 0
        panel = TsSwitchObject:new()
        panel:SetName("panel")
        panel:SetPosition(4, 0, 1)
        panel:SetAct1("LockDoor gateA")
        panel:SetAct2("UnlockDoor gateA")
        panel:SetAct3("OpenDoor gateA")
        panel:SetAct4("PlaySound AID_GUI_CLICK")
        panel:SetAct5("CallScript g_called = g_called + 1")
        panel:SetAct1("ActivateParticles smoke")
        panel:SetAct1("DeactivateParticles smoke")
        panel:SetAct1("ChangeParticleColour smoke red")
        panel:SetAct1("Animate_RotateY 90")
        panel:SetAct1("Animate_YTrans 0.5 1")
        panel:SetAct1("Wait 1")
        panel:SetAct1("CloseDoor gateA")
        panel:SetAct1("Cap")
        panel:SetDeact1("LockDoor gateA")
        TsAccess.EntityDB():AddEntity(panel)
    )"));
    auto* panel = Named<TsSwitchObject>("panel");
    ASSERT_NE(panel, nullptr);
    Bring({panel});
    EXPECT_EQ(panel->GetActivateActions().GetCount(), 13u);
    const OmVector3& hotspot = panel->GetHotspot();
    EXPECT_LT(std::fabs(hotspot.x - 4.0f) + std::fabs(hotspot.z - 1.0f), 3.5f) << "a walkable point near it";
    ASSERT_EQ(RunLua("panel:ActivateSwitch()"), 0);
    Ticks(1);
    EXPECT_TRUE(gateA->IsOpen()) << "unlocked again, then opened";
    EXPECT_FALSE(gateA->IsLocked());
    EXPECT_EQ(LuaNumber("g_called"), 1.0);
    EXPECT_TRUE(log.Contains("TsAccess.Audio():LuaPlaySoundNow(AID_GUI_CLICK,4.000000,0.000000,1.000000)"));
    TickUntil([&] { return panel->GetState() == TsSwitchObject::kIdle; }, 99);
    EXPECT_NEAR(panel->GetPosition().y, 0.5f, 1e-4f) << "the switch moved itself";
    EXPECT_EQ(gateA->GetTransitionState(), TsDoorObject::kClosing) << "closing after the wait";
    Ticks(5);
    EXPECT_FALSE(gateA->IsOpen());
    EXPECT_TRUE(panel->IsOn());
    EXPECT_EQ(LuaNumber("g_called"), 1.0) << "each action ran once";
    ASSERT_EQ(RunLua("panel:DeactivateSwitch()"), 0);
    Ticks(2);
    EXPECT_TRUE(gateA->IsLocked());
    EXPECT_FALSE(panel->IsOn());
}

TEST_F(DoorsLevel, TheDoorAndSwitchScriptClassesCheckTheirArguments)
{
    BuildDoors();
    ASSERT_EQ(RunLua("panel = TsSwitchObject:new()"), 0);
    EXPECT_NE(RunLua("gateA:OpenDoor(1, 2, 3)"), 0);
    EXPECT_NE(RunLua("TsDoorObject.OpenDoor(panel)"), 0);
    EXPECT_EQ(0, RunLua("g_type = gateA:GetDoorType() g_speed = gateA:GetDoorSpeed() "
                        "TsSwitchObject:_DebugSwitches(false)"));
    EXPECT_EQ(LuaNumber("g_type"), 2.0);
    EXPECT_NEAR(LuaNumber("g_speed"), 0.25, 1e-6);
}

// A switch that rises as it turns: its list runs once while the two-second
// motion plays, so the door it opens stays open, its script runs once, and
// the switch ends up on; turned back, it sinks and closes the door.
TEST_F(DoorsLevel, ASwitchWithAMotionRunsItsListOnceAndTurnsOn)
{
    BuildDoors();
    ASSERT_EQ(0, RunLua(R"(
        g_pulled = 0
        lever:SetActivateAnim(1)
        lever:SetDeactivateAnim(2)
        lever:SetAct2("CallScript g_pulled = g_pulled + 1")
    )"));
    for (const bool on : {true, false}) {
        ASSERT_EQ(RunLua(on ? "lever:ActivateSwitch()" : "lever:DeactivateSwitch()"), 0);
        TickUntil([&] { return lever->GetState() == TsSwitchObject::kIdle; }, 100);
        EXPECT_EQ(lever->IsOn(), on);
        EXPECT_NEAR(lever->GetPosition().y, on ? 1.0f : 0.0f, 1e-4f) << on;
        EXPECT_EQ(gateA->IsOpen() || gateA->GetTransitionState() == TsDoorObject::kOpening, on);
    }
    EXPECT_EQ(LuaNumber("g_pulled"), 1.0) << "the list ran once";
}

TEST_F(DoorsLevel, AConversationFramesItsSpeakersFillsTheDiaryAndGivesTheSquadBack)
{
    ASSERT_EQ(RunLua("TsAccess.Level():SetConversationCamera(true)"), 0);
    ASSERT_EQ(0, RunLua(R"(
        orrick = TsNPCObject:new() orrick:SetName("Orrick") orrick:SetPosition(3, 0, 3)
        hadley = TsNPCObject:new() hadley:SetName("Hadley") hadley:SetPosition(5, 0, 3)
        hadley:SetDisplayNameID(6400)
        TsAccess.EntityDB():AddEntity(orrick)
        TsAccess.EntityDB():AddEntity(hadley)
        talk = TsAccess.Conversation()
        talk:AddFragment(5990, hadley, orrick)
        talk:AddFragment(-1, orrick, hadley)
        talk:Run()
    )"));
    TsConversation* talk = TsAccess::Conversation();
    ASSERT_EQ(talk, Level()->GetIncidentalConversation());
    EXPECT_TRUE(talk->HasConversationStarted());
    EXPECT_TRUE(talk->IsCameraUsed());
    EXPECT_TRUE(Level()->GetCutScene()->IsActiveLocked()) << "the conversation camera frames the speakers";
    EXPECT_TRUE(Level()->GetPlayerLockout());
    EXPECT_FALSE(Level()->GameIsInNormalState());
    const TsDiaryData* diary = TsAccess::Diary();
    ASSERT_NE(diary, nullptr);
    // The line with a diary text went in as overheard, under its speaker's
    // display name rather than his object's name.
    ASSERT_EQ(diary->GetEntryCount(TsAccess::LevelInfo()->levelName.Get()), 1u);
    std::string entries;
    for (const OmList::Node* p = diary->GetPages().GetFirst(); p; p = p->next) {
        const auto* page = static_cast<const TsDiaryData::Page*>(p->value);
        for (const OmList::Node* n = page->entries.GetFirst(); n; n = n->next) {
            const auto* entry = static_cast<const TsDiaryData::Entry*>(n->value);
            entries += std::string(entry->speaker.Get()) + " " + std::to_string(entry->id) + ";";
        }
    }
    EXPECT_EQ(entries, "Smith -1;");
    // Both lines over, the squad is the player's again.
    TickUntil([&] { return !talk->HasConversationStarted(); }, 100);
    EXPECT_FALSE(Level()->GetPlayerLockout());
    EXPECT_FALSE(Level()->GetCutScene()->IsActiveLocked());
    EXPECT_EQ(talk->GetFragmentCount(), 0u);
}

TEST_F(DoorsLevel, ATraderNeverGetsTheConversationCamera)
{
    ASSERT_EQ(RunLua("TsAccess.Level():SetConversationCamera(true)"), 0);
    ASSERT_EQ(0, RunLua(R"(
        orrick = TsNPCObject:new() orrick:SetName("Orrick") orrick:SetPosition(3, 0, 3)
        trader = TsNPCObject:new() trader:SetName("WeaponTrader") trader:SetPosition(3, 0, 5)
        TsAccess.EntityDB():AddEntity(orrick)
        TsAccess.EntityDB():AddEntity(trader)
        TsAccess.Conversation():AddFragment(-1, trader, orrick)
        TsAccess.Conversation():Run()
    )"));
    EXPECT_TRUE(TsAccess::Conversation()->HasConversationStarted());
    EXPECT_FALSE(TsAccess::Conversation()->IsCameraUsed());
    TsAccess::Conversation()->End();
}

// A banter character talks when the player's character uses it (as a click
// on it orders), never because she walked up to it.
TEST_F(DoorsLevel, BanterPlaysWhenUsedNotWhenThePlayerComesNear)
{
    ASSERT_EQ(RunLua(R"(
        g_banter = ""
        function DemoBanter(self, user) g_banter = g_banter .. self .. ">" .. user .. ";" end
        gossip = TsBanterObject:new() gossip:SetName("gossip") gossip:SetPosition(5, 0, 3)
        gossip:SetLuaBanterScript("DemoBanter") gossip:SetBanterState(3)
        TsAccess.EntityDB():AddEntity(gossip)
    )"),
              0);
    auto* gossip = Named<TsBanterObject>("gossip");
    ASSERT_NE(gossip, nullptr);
    gossip->ForceActive();
    TsPCObject* hero = AddHero(3.5f, 3.5f); // she has walked up to it
    const auto said = [] { return LuaString("g_banter"); };
    Ticks(3);
    EXPECT_EQ(said(), "") << "near: nothing";
    ASSERT_TRUE(hero->UseEntity(gossip));
    EXPECT_TRUE(StepUntil([&] { return !said().empty(); }, 50)) << "used";
    EXPECT_EQ(said(), "gossip>hero;");
}

TEST_F(DoorsLevel, OpenDoorsAndAConversationUnderWayComeBackFromASavedGame)
{
    BuildDoors();
    lever->Use(nullptr);
    Ticks(8);
    ASSERT_TRUE(gateA->IsOpen());
    ASSERT_EQ(0, RunLua(R"(
        orrick = TsNPCObject:new() orrick:SetName("Orrick") orrick:SetPosition(-30, 0, -30)
        TsAccess.EntityDB():AddEntity(orrick)
        TsAccess.Conversation():AddFragment(-1, orrick, nil)
        TsAccess.Conversation():Run()
    )"));
    Ticks(1);
    ASSERT_TRUE(app->SaveGame());
    const std::string saved = TsAccess::LocalPlayer()->GetSaveName();

    ASSERT_NO_FATAL_FAILURE(LoadFromTitle(saved));
    world = Level()->GetWorld();
    ASSERT_NO_FATAL_FAILURE(FindDoors());
    EXPECT_TRUE(gateA->IsOpen());
    EXPECT_TRUE(lever->IsOn());
    EXPECT_EQ(gateA->GetBuddy(), gateB);
    Ticks(1);
    EXPECT_FALSE(CorridorBlocked());
    EXPECT_NE(TileAt(kDoorAX, kDoorZ), 0u) << "an open door leaves the AI map free after loading";
    TsConversation* talk = TsAccess::Conversation();
    ASSERT_NE(talk, nullptr);
    EXPECT_TRUE(talk->HasConversationStarted());
    EXPECT_EQ(talk->GetFragmentCount(), 1u);

    lever->Use(nullptr);
    Ticks(8);
    EXPECT_FALSE(gateA->IsOpen());
    EXPECT_TRUE(CorridorBlocked());
    EXPECT_EQ(TileAt(kDoorAX, kDoorZ), 0u);
    talk->End();
}

struct Place {
    float x = 0.0f, y = 0.0f;
    int count = 0;
};

// The mean screen place of the pixels that differ between two frames.
Place Changed(const Picture& a, const Picture& b)
{
    Place p;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        if (a.pixels[i] != b.pixels[i]) {
            p.x += float(i % size_t(a.width)), p.y += float(i / size_t(a.width));
            ++p.count;
        }
    if (p.count > 0)
        p.x /= float(p.count), p.y /= float(p.count);
    return p;
}

} // namespace

// A door whose closed overlay was refused (its rectangle runs off the
// map's edge) blocked no tile: a party member standing in the rectangle is
// not pushed away when the overlay is written.
TEST_F(DoorsLevel, ADoorWhoseOverlayWasRefusedPushesNobodyAway)
{
    BuildDoors();
    TsPCObject* hero = AddHero(5.0f, 2.0f);
    const OmVector3 stood = hero->GetPosition();
    const OmVector3& origin = world->GetAIMapOrigin();
    const int32_t x = TsAIMap::TileOf(stood.x - origin.x, world->GetAITileSizeInverse());
    const int32_t z = TsAIMap::TileOf(stood.z - origin.z, world->GetAITileSizeInverse());
    gateA->CreateOverlays(TsDynGeometry::kOverlayCount, x, z, 1 << 20, 2); // far past the edge
    ASSERT_FALSE(gateA->GetOverlay(0)->IsMade());
    gateA->SetPendingOverlay(TsDynGeometry::kClosedOverlay);
    gateA->WritePendingOverlay();
    EXPECT_TRUE(OmVector3::NearlyEqual(hero->GetPosition(), stood, 1e-6f))
        << hero->GetPosition().x << ", " << hero->GetPosition().z;
}

// Opening a door rewrites its overlay of the AI map; the radar re-shades its
// world map there, so the map drawn on screen changes at each door's place
// (found by showing the objective blip there) and nowhere else.
TEST_F(DoorsLevel, TheRadarMapChangesWhereTheDoorsOpen)
{
    TsRadar* radar = Level()->GetRadar();
    ASSERT_NE(radar, nullptr);
    ASSERT_EQ(radar->GetMode(), 2) << "the level's radar shades a map of the whole world";
    ASSERT_NE(radar->GetWorldMap(), nullptr);
    BuildDoors();
    // The doors' closed overlays reach the radar as they would at level start.
    for (TsDoorObject* door : {gateA, gateB})
        door->Tick(++tick);
    // The radar centres on the current character, here between the doors.
    AddHero(10.0f, 4.0f);
    radar->SetRange(10.0f); // close in: about 7 pixels a unit

    radar->UseObjective(false);
    const Picture closed = DrawRadar(*radar);
    Place doors[2];
    const float doorX[2] = {kDoorAX, kDoorBX};
    for (int d = 0; d < 2; ++d) {
        radar->UseObjective(true);
        radar->SetObjective(doorX[d], 0.0f, kDoorZ);
        doors[d] = Changed(closed, DrawRadar(*radar));
        ASSERT_GT(doors[d].count, 0) << "the objective blip marks door " << d;
    }
    radar->UseObjective(false);
    ASSERT_EQ(DrawRadar(*radar).pixels, closed.pixels) << "nothing else moves between frames";

    ASSERT_TRUE(gateA->OpenDoor(true));
    for (TsDoorObject* door : {gateA, gateB})
        door->Tick(++tick);
    ASSERT_NE(TileAt(kDoorAX, kDoorZ), 0u) << "the door gave the AI map back";
    const Picture open = DrawRadar(*radar);

    // Every changed pixel lies at one of the doors (the blurred map spreads a
    // door's change a little), and both doors changed.
    constexpr float kReach = 16.0f;
    int near[2] = {0, 0}, elsewhere = 0;
    for (size_t i = 0; i < open.pixels.size() && i < closed.pixels.size(); ++i) {
        if (open.pixels[i] == closed.pixels[i])
            continue;
        const float x = float(i % size_t(open.width)), y = float(i / size_t(open.width));
        bool placed = false;
        for (int d = 0; d < 2; ++d)
            if (std::hypot(x - doors[d].x, y - doors[d].y) < kReach) {
                ++near[d];
                placed = true;
            }
        elsewhere += placed ? 0 : 1;
    }
    EXPECT_GT(near[0], 0) << "the map changed at the door at (" << doors[0].x << ", " << doors[0].y << ")";
    EXPECT_GT(near[1], 0) << "and at its buddy at (" << doors[1].x << ", " << doors[1].y << ")";
    EXPECT_EQ(elsewhere, 0) << "and nowhere else";
}
