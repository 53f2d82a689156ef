// Weapons without a level: sound ids, the shots a ranged weapon sets up,
// ammunition, the melee cone and the empty click.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "game/framework/TsEntity.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsProjectile.h"
#include "game/objects/TsProjectileAttributes.h"
#include "game/objects/TsWeaponObject.h"
#include "tests/game/framework/LogCapture.h"
#include "tests/game/objects/ItemTestSupport.h"

namespace {

// Something to strike: it keeps the damage of every attack that reaches it.
class Dummy : public TsEntity {
    OM_DECLARE_CLASS(Dummy)
public:
    Dummy() { SetFlag(TS_ENTITY_TARGETABLE); m_radius = 0.25f; }
    explicit Dummy(OmArchive& archive) : TsEntity(archive) {}
    void OnHit(TsAttack& attack) override { hits.push_back(attack.GetDamage()); }
    std::vector<float> hits;
};
OM_IMPLEMENT_CLASS(Dummy, TsEntity)

constexpr int32_t kShotType = 6;

class WeaponTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TsProjectileAttributes::ResetAll();
        TsProjectileAttributes& rec = *TsProjectileAttributes::_Attributes(kShotType);
        rec.m_lifetime = 2.0f;
        rec.m_initialSpeed = 40.0f;
        rec.m_verticalSpeed = 1.0f;
        TsWeaponAttributes& a = weapon->Attributes(false);
        a.SetWeaponType(TS_WEAPON_RANGED_MANUAL);
        a.SetAmmoType(-1);
        a.SetAmmoPerShot(3);
        a.SetEfficiency(4.0f);
        a.SetRange(20.0f);
        a.SetReload(1.0f);
        a.SetProjectileID(kShotType);
    }
    void TearDown() override
    {
        weapon = nullptr;
        TsProjectile::ReleaseAllLive(); // shots left in flight go with the test, as with the level
        TsProjectile::ReleaseVertexBuffer();
        TsProjectileAttributes::ResetAll();
    }

    // The one shot in flight, null when there is none.
    static TsProjectile* OnlyShot()
    {
        TsProjectile* found = nullptr;
        int count = 0;
        TsProjectile::ForEachLive([&](TsProjectile& p) { found = &p, ++count; });
        return count == 1 ? found : nullptr;
    }

    // Into the wielder's hands as the game puts it there: its inventory takes it.
    void Arm(TsCharacterObject& wielder) { ASSERT_EQ(wielder.GetInventory()->AddArticle(OmRef(weapon).Detach()), 1); }
    // Armed, with a stack of 5 of the ammunition (kind 3) its shots spend,
    // and no reload between them.
    TsItemObject* ArmWithAmmo(TsCharacterObject& wielder)
    {
        TsItemObject* ammo = MakeAmmo(3, 5);
        EXPECT_EQ(wielder.GetInventory()->AddArticle(ammo), 5);
        Arm(wielder);
        weapon->Attributes(false).SetAmmoType(3);
        weapon->Attributes(false).SetReload(0.0f);
        return ammo;
    }

    OmRef<TsWeaponObject> weapon = OmMakeRef<TsWeaponObject>();
    LogCapture log;
};

TEST_F(WeaponTest, SoundIdsAndSlotsAreChecked)
{
    const struct {
        int32_t slot, id;
        bool stored;
    } cases[] = {
        {TS_WEAPON_SOUND_PRIMARY, 0, true},   {TS_WEAPON_SOUND_SECONDARY_IMPACT, 239, true},
        {TS_WEAPON_SOUND_LOOP, -1, true},     {TS_WEAPON_SOUND_PRIMARY, 240, false},
        {TS_WEAPON_SOUND_PRIMARY, -2, false}, {TS_NUM_WEAPON_SOUNDS, 5, false},
        {-1, 5, false},
    };
    for (const auto& c : cases) {
        weapon->FlagSoundForLoading(TS_WEAPON_SOUND_PRIMARY, 17);
        EXPECT_EQ(weapon->FlagSoundForLoading(c.slot, c.id), c.stored) << c.slot << " " << c.id;
        if (c.slot >= 0 && c.slot < TS_NUM_WEAPON_SOUNDS) {
            EXPECT_EQ(weapon->GetSound(c.slot), c.stored ? c.id : (c.slot == 0 ? 17 : -1));
        }
    }
    EXPECT_EQ(weapon->GetSound(TS_NUM_WEAPON_SOUNDS), -1);
}

TEST_F(WeaponTest, ARayLivesOnlyToTheWeaponsRange)
{
    const struct {
        float speed;
        bool ray;
        float lifetime, timeToImpact;
    } rays[] = {
        {40.0f, true, 0.5f, 2.0f},  // lives to range 20 at 40 a second
        {40.0f, false, 2.0f, 2.0f},
        {0.05f, true, 2.0f, 2.0f},  // too slow to clamp
        {0.0f, false, 2.0f, 2.0f},  // no speed: no division
    };
    for (const auto& c : rays) {
        TsProjectileAttributes& rec = *TsProjectileAttributes::_Attributes(kShotType);
        rec.m_initialSpeed = c.speed;
        rec.m_bRay = c.ray;
        weapon->SetReloadCountdown(0);
        ASSERT_TRUE(weapon->FireRanged(OmVector3(), OmVector3(0, 0, 1)));
        TsProjectile* shot = OnlyShot();
        ASSERT_NE(shot, nullptr);
        EXPECT_FLOAT_EQ(shot->GetLifetime(), c.lifetime) << c.speed << " " << c.ray;
        EXPECT_TRUE(std::isfinite(shot->GetTimeToImpact()));
        EXPECT_FLOAT_EQ(shot->GetTimeToImpact(), c.timeToImpact) << c.speed << " " << c.ray;
        shot->Release();
    }
}

TEST_F(WeaponTest, ProjectileIdsAreCheckedWhenTheWeaponFires)
{
    for (int32_t id : {-1, 32, 500}) {
        weapon->Attributes(false).SetProjectileID(id);
        weapon->SetReloadCountdown(0);
        EXPECT_FALSE(weapon->FireRanged(OmVector3(), OmVector3(1, 0, 0))) << id;
        weapon->SetReloadCountdown(0);
        EXPECT_FALSE(weapon->FireAt(OmVector3(), OmVector3(1, 0, 0), nullptr)) << id;
        EXPECT_EQ(TsProjectile::LiveCount(), 0u);
    }
    EXPECT_TRUE(log.Contains("projectile id 32 is not one of the 32 projectile types"));
}

TEST_F(WeaponTest, AmmunitionComesFromTheWieldersStack)
{
    auto fighter = OmMakeRef<TestWielder>();
    TsItemObject* ammo = ArmWithAmmo(*fighter);
    TsWeaponAttributes& a = weapon->Attributes(false);
    for (const int32_t perShot : {-3, INT32_MIN}) { // set to spend less than nothing: the stack stays
        a.SetAmmoPerShot(perShot);
        EXPECT_EQ(weapon->ConsumeAmmo(), 0) << perShot;
        EXPECT_EQ(ammo->GetStack(), 5) << perShot;
    }
    a.SetAmmoPerShot(2);
    EXPECT_EQ(weapon->ConsumeAmmo(), 2);
    EXPECT_EQ(ammo->GetStack(), 3);
    ASSERT_TRUE(weapon->FireRanged(OmVector3(), OmVector3(1, 0, 0)));
    EXPECT_EQ(ammo->GetStack(), 1);
    EXPECT_FLOAT_EQ(OnlyShot()->GetDamage(), 8.0f) << "efficiency x the 2 spent";
    EXPECT_FLOAT_EQ(OnlyShot()->GetVelocity().y, 1.0f) << "the type's upward speed added";
    EXPECT_EQ(OnlyShot()->GetOwner(), fighter);
    a.SetAmmoType(4); // a kind the wielder does not carry
    EXPECT_FALSE(weapon->FireRanged(OmVector3(), OmVector3(1, 0, 0)));
    EXPECT_EQ(ammo->GetStack(), 1);
    // The hidden free-ammunition mode fires without any.
    TsPlayer::_EnableEasterEgg(TsWeaponObject::kFreeAmmoMode, true);
    EXPECT_EQ(weapon->ConsumeAmmo(), 2);
    TsPlayer::_EnableEasterEgg(TsWeaponObject::kFreeAmmoMode, false);
}

TEST_F(WeaponTest, AStackLeftBelowNothingGivesAShotNothing)
{
    auto fighter = OmMakeRef<TestWielder>();
    ArmWithAmmo(*fighter)->SetStack(INT32_MIN);
    weapon->Attributes(false).SetAmmoPerShot(2);
    EXPECT_EQ(weapon->ConsumeAmmo(), 0);
}

// Out of ammunition, a player character speaks up on the first empty click
// after the reload and then on every eleventh; clicks while the weapon
// reloads, and other wielders, say nothing.
TEST_F(WeaponTest, AnEmptyWeaponSaysSoOnlyAsItsReloadEnds)
{
    TsWeaponObject::ResetNoAmmoCounter();
    TsWeaponAttributes& a = weapon->Attributes(false);
    a.SetAmmoType(5);
    a.SetReload(0.2f);
    {
        const auto npc = OmMakeRef<TestWielder>();
        Arm(*npc);
        EXPECT_FALSE(weapon->FireRanged(OmVector3(), OmVector3(1, 0, 0)));
        EXPECT_EQ(TsWeaponObject::GetNoAmmoCounter(), 0) << "only the player's characters hear it";
    }
    const auto pc = OmMakeRef<TsPCObject>();
    Arm(*pc);
    weapon->SetReloadCountdown(0);
    const int expected[] = {10, 10, 9, 9, 8, 8};
    for (int attempt : expected) {
        EXPECT_FALSE(weapon->FireRanged(OmVector3(), OmVector3(1, 0, 0)));
        EXPECT_EQ(TsWeaponObject::GetNoAmmoCounter(), attempt);
        weapon->Tick(0); // one tick of the two-tick reload
    }
    TsWeaponObject::ResetNoAmmoCounter();
}

// The wielder stands at the origin facing +z, the dummies around it; the
// blow lands three ticks after the swing.
TEST_F(WeaponTest, TheMeleeSweepLandsOnTheFarthestInTheConeAfterItsDelay)
{
    const struct {
        float spread;
        std::vector<OmVector3> dummies;
        int struck; // index of the dummy the blow lands on, -1 none
        float damage;
    } cases[] = {
        {90.0f, {OmVector3(0, 0, 1), OmVector3(0.3f, 0, 1.5f)}, 1, 3.75f}, // two in the cone share the blow
        {0.0f, {OmVector3(0.2f, 0, 1), OmVector3(0, 0, 1.2f)}, 1, 5.0f},   // a spread of 0: only dead ahead
        {90.0f, {OmVector3(0, 0, 3.0f)}, -1, 0.0f},                        // beyond the range
    };
    for (const auto& c : cases) {
        auto fighter = OmMakeRef<TestWielder>();
        fighter->SetRadius(0.25f); // the reach counts from the wielder's edge
        OmArray<TsEntity*> around;
        for (const OmVector3& at : c.dummies) {
            around.Add(new Dummy);
            around[around.GetCount() - 1]->SetPosition(at.x, at.y, at.z);
        }
        fighter->BuildNeighbourList(around);
        TsWeaponAttributes& a = weapon->Attributes(false);
        a.SetWeaponType(TS_WEAPON_MELEE);
        a.SetEfficiency(5.0f);
        a.SetRange(2.0f);
        a.SetSpread(c.spread);
        Arm(*fighter);
        weapon->SetReloadCountdown(0);
        EXPECT_EQ(weapon->FireMelee(OmVector3(0, 1, 0), OmVector3(0, 0, 1)), c.struck >= 0) << c.spread;
        Dummy* struck = c.struck >= 0 ? static_cast<Dummy*>(around[uint32_t(c.struck)]) : nullptr;
        for (int tick = 0; tick < 6; ++tick) {
            weapon->Tick(uint32_t(tick));
            EXPECT_TRUE(!struck || struck->hits.size() == (tick >= 3 ? 1u : 0u)) << c.spread << " tick " << tick;
        }
        if (struck && !struck->hits.empty()) {
            EXPECT_FLOAT_EQ(struck->hits[0], c.damage);
        }
        for (uint32_t i = 0; i < around.GetCount(); ++i)
            around[i]->Release();
    }
}

// A script may set any reload: one too long to count still holds the next
// shot, and the countdown of one that cannot be counted never wraps.
TEST_F(WeaponTest, AReloadOfAnySizeHoldsTheNextShotOrFreesItWithoutWrapping)
{
    const struct {
        float reload;
        bool firesAgain;
    } cases[] = {{1e30f, false}, {-1e30f, true}, {NAN, true}};
    for (const auto& c : cases) {
        weapon->Attributes(false).SetReload(c.reload);
        weapon->SetReloadCountdown(0);
        ASSERT_TRUE(weapon->FireRanged(OmVector3(), OmVector3(0, 0, 1))) << c.reload;
        for (uint32_t tick = 0; tick < 3; ++tick)
            weapon->Tick(tick);
        EXPECT_EQ(weapon->FireRanged(OmVector3(), OmVector3(0, 0, 1)), c.firesAgain) << c.reload;
    }
}

// A blow keeps its target across ticks; a script may delete it meanwhile.
TEST_F(WeaponTest, ABlowWhoseTargetWasDestroyedBeforeItLandsStrikesNothing)
{
    TsAttack blow;
    auto dummy = OmMakeRef<Dummy>();
    blow.SetTarget(dummy.Get());
    dummy = nullptr;
    EXPECT_EQ(blow.GetTarget(), nullptr);
    EXPECT_FALSE(blow.Deliver());
}

TEST_F(WeaponTest, AHealingBlowCostsTheWielderHalfItsWorthInVitality)
{
    auto fighter = OmMakeRef<TestWielder>();
    auto patient = OmMakeRef<Dummy>();
    patient->SetPosition(0, 0, 1);
    OmArray<TsEntity*> around;
    around.Add(patient);
    fighter->BuildNeighbourList(around);
    const float before = fighter->GetVitality();
    TsWeaponAttributes& a = weapon->Attributes(false);
    a.SetWeaponType(TS_WEAPON_MELEE);
    a.SetEquipType(TS_EQUIP_HEAL);
    a.SetEfficiency(-4.0f);
    a.SetSpread(90.0f);
    a.SetRange(2.0f);
    Arm(*fighter);
    weapon->SetReloadCountdown(0);
    ASSERT_TRUE(weapon->FireMelee(OmVector3(), OmVector3(0, 0, 1)));
    EXPECT_FLOAT_EQ(fighter->GetVitality(), before - 2.0f);
}

} // namespace
