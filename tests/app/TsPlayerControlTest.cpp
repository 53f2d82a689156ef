// The player's keys and aim on the demo level: the camera keys, the immune
// action, the heal key, a locked target dropped beyond reach, the charm's
// recovery bonus.
#include "tests/app/SquadLevelFixture.h"


#include "game/framework/TsCamera.h"
#include "game/framework/TsInput.h"
#include "game/world/TsWorldDrawing.h"
#include "game/objects/TsItemObject.h"
#include "platform/KeyCodes.h"
#include "tests/engine/TestClass.h"

namespace apptest {

// A player character whose aim can be set as a shot leaves it: locked on
// a target with the aiming flag up.
class AimingPC : public TsPCObject {
    OM_DECLARE_TEST_CLASS(AimingPC, TsPCObject)
    void AimAt(TsEntity* target)
    {
        SetLockedTarget(target);
        m_aiming = 1;
    }
};
OM_IMPLEMENT_CLASS(AimingPC, TsPCObject)

namespace {

using plat::kKeyH, plat::kKeyJ;

class PlayerControl : public SquadLevel {
protected:
    TsItemObject* Give(TsPCObject* owner, TsItemObject* item)
    {
        item->Import();
        EXPECT_GT(owner->GetInventory()->AddArticle(item), 0);
        return item;
    }
};

// Left and right turn the camera half a turn a second, up narrows and down
// widens the field of view by 0.3 radians a second (no wider than it
// starts); "5" switches the free camera, which draws nothing faded, and
// "4" (only with the free camera) frees the pitch from the elevation steps
// until "1" zooms near again.
TEST_F(PlayerControl, CameraKeysTurnZoomAndSwitchTheFreeCamera)
{
    TsCamera* camera = Level()->GetCamera();
    TsBlobRenderer& cells = TsWorldDrawing::Of(*Level()->GetWorld()).Cells();
    const float tick = 0.1f, turn = 3.14159265f * tick, zoom = 0.3f * tick;
    const struct {
        int key;
        float heading, fov;
    } steers[] = {{-1, 0, 0},
                  {plat::kKeyLeft, -turn, 0},
                  {plat::kKeyRight, turn, 0},
                  {plat::kKeyUp, 0, -zoom},
                  {plat::kKeyUp, 0, -zoom},
                  {plat::kKeyDown, 0, zoom},
                  {plat::kKeyDown, 0, zoom},
                  {plat::kKeyDown, 0, 0}};
    for (const auto& s : steers) {
        SCOPED_TRACE(s.key);
        const float heading = camera->Heading().next, fov = camera->GetFieldOfView();
        if (s.key < 0)
            Frames(2, kTickUnits);
        else
            Tap(s.key);
        EXPECT_NEAR(camera->Heading().next - heading, s.heading, 1e-4f);
        EXPECT_NEAR(camera->GetFieldOfView() - fov, s.fov, 1e-4f);
    }

    using plat::kKey1, plat::kKey4, plat::kKey5;
    const auto isFree = [&] { return cells.FadeMinimum() == 1.0f; };
    if (isFree())
        Tap(kKey5); // from here: not free, zoomed near
    ASSERT_FALSE(isFree());
    const struct {
        int key;
        bool free, pitchHeld;
    } switches[] = {{kKey4, false, false}, {kKey5, true, false}, {kKey4, true, true}, {kKey1, true, false},
                    {kKey5, false, false}};
    for (const auto& s : switches) {
        SCOPED_TRACE(s.key);
        Tap(s.key);
        EXPECT_EQ(isFree(), s.free);
        camera->Pitch().SetAll(0.3f); // between the elevation steps
        Frames(2, kTickUnits);
        EXPECT_EQ(camera->Pitch().next == 0.3f, s.pitchHeld);
    }
}

// The immune action has no key of its own: the test binds one.
TEST_F(PlayerControl, TheImmuneActionMakesTheWholeSquadImmune)
{
    std::vector<TsPCObject*> party = MakeParty({OmVector3(2.0f, 0, 4.0f), OmVector3(1.5f, 0, 3.0f)});
    TsInput* input = TsAccess::Input();
    ASSERT_NE(input, nullptr);
    for (TsPCObject* pc : party)
        ASSERT_NE(pc->GetLifeState(), 0);
    Tap(kKeyJ, 2);
    for (TsPCObject* pc : party)
        EXPECT_NE(pc->GetLifeState(), 0) << "unbound, the key does nothing";
    TsKeyBindings bindings = input->GetKeyBindings();
    bindings.SetKey(TS_ACTION_IMMUNITY, kKeyJ);
    input->SetKeyBindings(bindings);
    Tap(kKeyJ, 2);
    for (TsPCObject* pc : party)
        EXPECT_EQ(pc->GetLifeState(), 0);
}

// The heal key uses the current character's best healing item.
TEST_F(PlayerControl, TheHealKeyStopsTheCharacterOnlyWhenItHasSomethingToHealWith)
{
    struct Case {
        bool medkit;
        bool healed;
    };
    for (const Case& c : {Case{true, true}, Case{false, false}}) {
        SCOPED_TRACE(c.medkit ? "with a medkit" : "without");
        TsPCObject* pc = MakeParty({OmVector3(2.0f, 0, 4.0f)})[0];
        pc->SetHealth(pc->GetMaxHealth() - 10.0f);
        if (c.medkit)
            Give(pc, FromTemplate<TsItemObject>("ItemTemplateMedkit"));
        const float hurt = pc->GetHealth();
        pc->MoveTo(OmVector3(16.0f, 0.0f, 4.0f));
        ASSERT_EQ(pc->GetPendingCommand(), TsCharacterObject::kFollowPath);
        Tap(kKeyH, 2);
        EXPECT_EQ(pc->GetPendingCommand() == TsCharacterObject::kFollowPath, !c.healed);
        EXPECT_EQ(pc->GetHealth() > hurt + 1.0f, c.healed);
        TsAccess::LocalPlayer()->RemoveAllSquadMembers();
    }
}

// A target exactly 9 away stays, and so does any target while not aiming.
TEST_F(PlayerControl, ALockedTargetBeyondNineIsDroppedWhileAiming)
{
    auto* pc = static_cast<AimingPC*>(MakeParty({OmVector3(2.0f, 0, 4.0f)}, [] { return new AimingPC; })[0]);
    pc->SetAutoAttack(false);
    TsNPCObject* foe = AddNPC("foe", 2.0f, 4.0f, 27);
    TsSquadObject* squad = MakeSquad(27, kEnemyTeam, TS_BEHAVIOUR_IDLE);
    squad->SetRange(0.0f);
    squad->ChooseIdleBehaviour();
    struct Case {
        float distance;
        bool aiming, kept;
    };
    const Case cases[] = {{5.0f, true, true}, {9.0f, true, true}, {9.5f, true, false}, {9.5f, false, true}};
    for (const Case& c : cases) {
        pc->SetOrigin(2.0f, 0.0f, 4.0f);
        foe->SetOrigin(2.0f + c.distance, 0.0f, 4.0f);
        if (c.aiming) {
            pc->AimAt(foe);
        } else {
            pc->ClearLockedTarget();
            Ticks(1); // the aiming flag goes with the target
            pc->SetLockedTarget(foe);
        }
        ASSERT_EQ(pc->GetLockedTarget(), foe);
        ASSERT_EQ(pc->IsAiming(), c.aiming);
        Ticks(1);
        EXPECT_EQ(pc->GetLockedTarget() == foe, c.kept) << c.distance << (c.aiming ? " aiming" : "");
    }
}

// Before that act, or without the charm, vitality recovers at the usual rate.
TEST_F(PlayerControl, TheCharmDoublesRecoveryFromTheFourthAct)
{
    std::vector<TsPCObject*> party = MakeParty({OmVector3(2.0f, 0, 4.0f), OmVector3(1.5f, 0, 3.0f)});
    auto* charm = new TsItemObject;
    charm->SetDisplayNameID(20230);
    Give(party[1], charm); // any member may carry it
    TsLevelInfo& info = TsAccess::LocalPlayer()->GetLevelInfo();
    struct Case {
        int32_t act;
        bool charm;
        float factor;
    };
    const Case cases[] = {{3, true, 1.0f}, {4, true, 2.0f}, {5, true, 2.0f}, {4, false, 1.0f}};
    constexpr int kTicks = 10;
    constexpr float kRecovery = 0.5f;
    for (const Case& c : cases) {
        info.iActNumber = c.act;
        if (!c.charm)
            charm->SetDisplayNameID(6200);
        for (TsPCObject* pc : party) {
            pc->SetMaxVitality(100.0f);
            pc->SetVitality(0.0f);
            pc->SetVitalityRecovery(kRecovery);
        }
        Ticks(kTicks);
        for (TsPCObject* pc : party)
            EXPECT_NEAR(pc->GetVitality(), kTicks * TsAccess::TickDuration() * kRecovery * c.factor, 1e-3f)
                << "act " << c.act << (c.charm ? " with" : " without") << " the charm";
    }
}

} // namespace
} // namespace apptest
