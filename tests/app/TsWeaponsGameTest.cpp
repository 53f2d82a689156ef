// Weapons, shots and mines played on the demo level in the real application:
// ranged weapons spend ammunition and fire shots that fly, home, stop at the
// world and strike what they meet with the weapon's damage; the melee sweep
// strikes in its cone; a touched mine counts down and goes off with its ring,
// hurting what stands near it; the streaks of a frame are drawn with one set
// of device states; shots in flight come back with a saved game.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsScriptCall.h"
#include "game/framework/TsScriptHost.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsMineObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsProjectile.h"
#include "game/objects/TsProjectileAttributes.h"
#include "game/objects/TsWeaponObject.h"
#include "game/world/TsExplosion.h"
#include "render/OmD3D.h"
#include "tests/app/DemoLevelFixture.h"

extern "C" {
#include <lua.h>
}

namespace apptest {

// A standing target that keeps every blow it takes.
class Target : public TsEntity {
    OM_DECLARE_CLASS(Target)
public:
    Target()
    {
        SetFlag(TS_ENTITY_TARGETABLE);
        m_radius = 0.3f;
        m_height = 2.0f;
    }
    explicit Target(OmArchive& archive) : TsEntity(archive) {}
    void OnHit(TsAttack& attack) override
    {
        damage.push_back(attack.GetDamage());
        attackers.push_back(attack.GetAttacker());
    }
    float Total() const
    {
        float sum = 0.0f;
        for (float d : damage)
            sum += d;
        return sum;
    }
    std::vector<float> damage;
    std::vector<TsCharacterObject*> attackers;
};
OM_IMPLEMENT_CLASS(Target, TsEntity)

// A character with a pack of its own, as the party's will have.
class Soldier : public TsCharacterObject {
    OM_DECLARE_CLASS(Soldier)
public:
    Soldier() : pack(new TsInventory(this))
    {
        m_inventory = pack;
        m_radius = 0.3f;
        m_height = 2.0f;
    }
    explicit Soldier(OmArchive& archive) : TsCharacterObject(archive) {}
    ~Soldier() override
    {
        m_inventory = nullptr;
        if (pack)
            pack->Release();
    }
    TsInventory* pack = nullptr;
};
OM_IMPLEMENT_CLASS(Soldier, TsCharacterObject)

namespace {

class WeaponsGame : public DemoLevelTest {
protected:
    void SetUp() override
    {
        DemoLevelTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(EnterDemoLevel());
    }

    static Target* Place(float x, float z)
    {
        auto* target = new Target;
        target->SetPosition(x, 0.0f, z);
        target->ForceActive();
        TsAccess::EntityDB()->AddEntity(target);
        return target;
    }
    // A weapon filled in by one of the demo's templates.
    static TsWeaponObject* FromTemplate(const char* name)
    {
        auto* weapon = new TsWeaponObject;
        weapon->SetTemplate(name);
        EXPECT_TRUE(weapon->RunTemplate()) << name;
        return weapon;
    }
    // One tick a frame.
    void Ticks(int count) { Frames(count, 100); }
};

TEST_F(WeaponsGame, TheDemoLoadsItsProjectileTypes)
{
    const TsProjectileAttributes* laser = TsProjectileAttributes::_Attributes(0);
    ASSERT_NE(laser, nullptr);
    EXPECT_FLOAT_EQ(laser->m_initialSpeed, 40.0f);
    EXPECT_TRUE(laser->HasLaser()) << "the streak texture resolved";
    const TsProjectileAttributes* rocket = TsProjectileAttributes::_Attributes(1);
    EXPECT_GE(rocket->exhaust1, 0) << "the exhaust effect resolved";
    EXPECT_FALSE(log.Contains("no projectile types"));
}

TEST_F(WeaponsGame, ABlasterSpendsAmmunitionAndItsBoltStrikesWithTheWeaponsDamage)
{
    Target* target = Place(6.0f, 4.0f);
    Ticks(1);
    auto* soldier = new Soldier;
    soldier->SetPosition(2.0f, 0.0f, 4.0f);
    auto* cells = new TsItemObject;
    cells->SetAmmoType(1);
    cells->SetMaxStack(20);
    cells->SetStack(2);
    ASSERT_EQ(soldier->GetInventory()->AddArticle(cells), 2);
    TsWeaponObject* blaster = FromTemplate("WeaponTemplateBlaster");
    blaster->SetOwner(soldier);

    ASSERT_TRUE(blaster->FireRanged(OmVector3(2.0f, 1.0f, 4.0f), OmVector3(1.0f, 0.0f, 0.0f)));
    EXPECT_EQ(cells->GetStack(), 1);
    ASSERT_EQ(target->damage.size(), 1u) << "the bolt reached the target in its first step";
    EXPECT_FLOAT_EQ(target->damage[0], 4.0f) << "efficiency 4 x one cell";
    EXPECT_EQ(target->attackers[0], soldier);
    Ticks(3);
    EXPECT_EQ(TsProjectile::LiveCount(), 0u) << "the spent bolt went back to its pool";

    // The last cell once the weapon has reloaded (its wielder ticks it),
    // then an empty pack: no shot.
    EXPECT_FALSE(blaster->FireRanged(OmVector3(2.0f, 1.0f, 4.0f), OmVector3(1.0f, 0.0f, 0.0f))) << "reloading";
    for (int i = 0; i < 5; ++i)
        blaster->Tick(0);
    EXPECT_TRUE(blaster->FireRanged(OmVector3(2.0f, 1.0f, 4.0f), OmVector3(1.0f, 0.0f, 0.0f)));
    for (int i = 0; i < 5; ++i)
        blaster->Tick(0);
    EXPECT_FALSE(blaster->FireRanged(OmVector3(2.0f, 1.0f, 4.0f), OmVector3(1.0f, 0.0f, 0.0f)));
    EXPECT_EQ(target->damage.size(), 2u);
    blaster->SetOwner(nullptr);
    blaster->Release();
    soldier->Release();
}

TEST_F(WeaponsGame, ABoltStrikesACharacterForTheWeaponsDamage)
{
    auto* victim = new Soldier;
    victim->SetPosition(6.0f, 0.0f, 4.0f);
    victim->ForceActive();
    TsAccess::EntityDB()->AddEntity(victim);
    Ticks(1);
    const float before = victim->GetVitality() + victim->GetHealth();
    TsWeaponObject* blaster = FromTemplate("WeaponTemplateBlaster");
    blaster->Attributes(false).SetAmmoType(-1);
    blaster->Attributes(false).SetAmmoPerShot(2);
    ASSERT_TRUE(blaster->FireRanged(OmVector3(2.0f, 1.0f, 4.0f), OmVector3(1.0f, 0.0f, 0.0f)));
    EXPECT_FLOAT_EQ(victim->GetVitality() + victim->GetHealth(), before - 8.0f) << "efficiency 4 x 2 spent";
    blaster->Release();
}

TEST_F(WeaponsGame, AShotStopsAtAWallAndWhatIsBehindItIsSpared)
{
    Target* behind = Place(-2.0f, 4.0f);
    TsProjectileAttributes& slug = *TsProjectileAttributes::_Attributes(9);
    slug.m_lifetime = 3.0f;
    slug.m_initialSpeed = 20.0f;
    slug.m_bExplode = 1;
    slug.m_iExposionID = 0;
    slug.m_fExplosionRangeInner = 0.2f;
    slug.m_fExplosionRangeOuter = 0.5f;
    auto* gun = new TsWeaponObject;
    TsWeaponAttributes& a = gun->Attributes(false);
    a.SetWeaponType(TS_WEAPON_RANGED_MANUAL);
    a.SetAmmoType(-1);
    a.SetEfficiency(9.0f);
    a.SetProjectileID(9);
    const uint32_t explosions = TsInitialExplosions::ActiveCount();
    ASSERT_TRUE(gun->FireAt(OmVector3(4.0f, 1.0f, 4.0f), OmVector3(-1.0f, 0.0f, 0.0f), nullptr));
    int ticks = 0;
    while (TsProjectile::LiveCount() > 0 && ticks < 30)
        Ticks(1), ++ticks;
    EXPECT_LE(ticks, 5) << "it ended at the wall, well before its lifetime";
    EXPECT_TRUE(behind->damage.empty());
    EXPECT_GT(TsInitialExplosions::ActiveCount(), explosions) << "it burst where it struck";
    gun->Release();
}

TEST_F(WeaponsGame, ARocketHomesOnItsTargetAndBursts)
{
    // Fired north from x = 2, the rocket only comes within the blast's
    // reach of a target at x = 7 by turning toward it.
    Target* target = Place(7.0f, 6.0f);
    Ticks(1);
    TsWeaponObject* launcher = FromTemplate("WeaponTemplateRocketLauncher");
    launcher->Attributes(false).SetAmmoType(-1);
    ASSERT_TRUE(launcher->FireAt(OmVector3(2.0f, 1.0f, 2.0f), OmVector3(0.0f, 0.0f, 1.0f), target));
    float farthestEast = 2.0f;
    for (int i = 0; i < 40 && TsProjectile::LiveCount() > 0; ++i) {
        TsProjectile::ForEachLive([&](TsProjectile& p) { farthestEast = std::max(farthestEast, p.GetPosition().x); });
        Ticks(1);
    }
    EXPECT_GT(farthestEast, 5.0f) << "it steered toward the target";
    ASSERT_FALSE(target->damage.empty()) << "the rocket never reached its target";
    EXPECT_GT(target->Total(), 0.0f);
    EXPECT_LE(target->damage.back(), 12.0f) << "no more than the full blast";
    EXPECT_GT(TsInitialExplosions::ActiveCount(), 0u);
    launcher->Release();
}

TEST_F(WeaponsGame, TheMeleeSweepStrikesInItsConeOnly)
{
    auto* soldier = new Soldier;
    soldier->SetPosition(4.0f, 0.0f, 4.0f);
    soldier->SetHeading(0.0f); // facing +z
    Target* ahead = Place(4.0f, 5.2f);
    Target* behind = Place(4.0f, 2.8f);
    Ticks(1);
    soldier->BuildNeighbourList(TsAccess::EntityDB()->GetActiveEntities());
    TsWeaponObject* club = FromTemplate("WeaponTemplateClub");
    club->SetOwner(soldier);
    ASSERT_TRUE(club->FireMelee(OmVector3(4.0f, 1.0f, 4.0f), OmVector3(0.0f, 0.0f, 1.0f)));
    for (int i = 0; i < 4; ++i)
        club->Tick(0);
    ASSERT_EQ(ahead->damage.size(), 1u);
    EXPECT_FLOAT_EQ(ahead->damage[0], 5.0f);
    EXPECT_TRUE(behind->damage.empty());
    club->SetOwner(nullptr);
    club->Release();
    soldier->Release();
}

TEST_F(WeaponsGame, ATouchedMineCountsDownAndGoesOffWithItsRing)
{
    lua_State* L = TsAccess::LuaState();
    auto* mine = new TsMineObject;
    mine->SetPosition(4.0f, 0.0f, 2.0f);
    mine->ForceActive();
    TsAccess::EntityDB()->AddEntity(mine);
    TsScriptCall::PushObject(L, mine, "TsMineObject");
    lua_setglobal(L, "g_mine");
    ASSERT_EQ(TsScriptHost::DoString(L, "MineTemplate(g_mine)"), 0);
    EXPECT_EQ(mine->GetCountdownTicks(), 20);

    Target* near = Place(4.0f, 3.0f);  // 1 from the blast: inside the full range
    Target* mid = Place(4.0f, 5.0f);   // 3 from it: 0.4 of the damage
    Target* far = Place(7.0f, 7.0f);   // out of reach
    auto* soldier = new Soldier;
    soldier->SetPosition(5.0f, 0.0f, 2.0f);
    soldier->ForceActive();
    TsAccess::EntityDB()->AddEntity(soldier);
    const float vitality = soldier->GetVitality() + soldier->GetHealth();
    Ticks(1);

    mine->OnTouch(soldier, 0.0f);
    EXPECT_TRUE(mine->IsTriggered());
    Ticks(19);
    EXPECT_TRUE(near->damage.empty()) << "still counting";
    const uint32_t explosions = TsInitialExplosions::ActiveCount();
    Ticks(1);
    ASSERT_EQ(near->damage.size(), 1u) << "the 20th tick after the touch";
    EXPECT_FLOAT_EQ(near->damage[0], 20.0f);
    ASSERT_EQ(mid->damage.size(), 1u);
    EXPECT_NEAR(mid->damage[0], 8.0f, 1e-4f);
    EXPECT_TRUE(far->damage.empty());
    EXPECT_LT(soldier->GetVitality() + soldier->GetHealth(), vitality) << "the soldier beside it was hurt";
    ASSERT_GT(TsInitialExplosions::ActiveCount(), explosions);
    TsExplosion* blast = TsInitialExplosions::Active(TsInitialExplosions::ActiveCount() - 1);
    ASSERT_NE(blast, nullptr);
    Frames(2, 50);
    EXPECT_GT(blast->Shockwave().Elapsed(), 0.0f) << "the ring spreads";
    bool listed = false;
    for (const OmList::Node* n = TsAccess::EntityDB()->GetEntities().GetFirst(); n; n = n->next)
        listed = listed || n->value == static_cast<TsEntity*>(mine);
    EXPECT_FALSE(listed) << "a spent mine leaves the level";
}

TEST_F(WeaponsGame, AFramesStreaksShareOneSetOfDeviceStates)
{
    TsWeaponObject* blaster = FromTemplate("WeaponTemplateBlaster");
    blaster->Attributes(false).SetAmmoType(-1);
    const OmVector3 directions[] = {OmVector3(1, 0, 0), OmVector3(0, 0, 1), OmVector3(0.6f, 0, 0.8f)};
    for (const OmVector3& d : directions) {
        blaster->SetReloadCountdown(0);
        ASSERT_TRUE(blaster->FireRanged(OmVector3(1.0f, 1.0f, 1.0f), d));
    }
    ASSERT_EQ(TsProjectile::LiveCount(), 3u);
    OmD3D* d3d = OmD3D::Instance();
    const uint32_t blendBefore = d3d->GetRenderState(plat::GfxRs::DestBlend);
    const uint32_t setups = TsProjectile::StreakStateSetups();
    FrameAfter(10); // a frame without a tick
    EXPECT_EQ(TsProjectile::StreakStateSetups(), setups + 1);
    EXPECT_EQ(TsProjectile::LastStreakDraws(), 3u) << "one draw of two triangles each";
    EXPECT_EQ(TsProjectile::GetStreakCount(), 0u) << "the list is emptied";
    EXPECT_EQ(d3d->GetRenderState(plat::GfxRs::DestBlend), blendBefore) << "states put back";
    for (int i = 0; i < 10; ++i)
        Ticks(1);
    EXPECT_EQ(TsProjectile::LiveCount(), 0u);
    const uint32_t after = TsProjectile::StreakStateSetups();
    FrameAfter(10);
    EXPECT_EQ(TsProjectile::StreakStateSetups(), after) << "no streaks: no state touched";
    blaster->Release();
}

TEST_F(WeaponsGame, ShotsInFlightComeBackWithASavedGame)
{
    TsProjectileAttributes& slow = *TsProjectileAttributes::_Attributes(8);
    slow.m_lifetime = 30.0f;
    slow.m_initialSpeed = 0.5f;
    auto* gun = new TsWeaponObject;
    TsWeaponAttributes& a = gun->Attributes(false);
    a.SetWeaponType(TS_WEAPON_RANGED_MANUAL);
    a.SetAmmoType(-1);
    a.SetProjectileID(8);
    for (float z : {3.0f, 5.0f}) {
        gun->SetReloadCountdown(0);
        ASSERT_TRUE(gun->FireAt(OmVector3(2.0f, 1.0f, z), OmVector3(1.0f, 0.0f, 0.0f), nullptr));
    }
    gun->Release();
    Ticks(2);
    ASSERT_EQ(TsProjectile::LiveCount(), 2u);
    ASSERT_TRUE(app->SaveGame());
    const std::string saved = TsAccess::LocalPlayer()->GetSaveName();

    app->RequestMode(TS_MODE_FRONT_END);
    SwitchAndContinue();
    EXPECT_EQ(TsProjectile::LiveCount(), 0u);
    app->SetPendingLoad(saved.c_str());
    app->RequestMode(TS_MODE_LEVEL);
    FrameAfter(10);
    ASSERT_NE(TsAccess::CurrentLevel(), nullptr);
    EXPECT_EQ(TsProjectile::LiveCount(), 2u);
    float x = 0.0f;
    TsProjectile::ForEachLive([&x](TsProjectile& p) { x = p.GetPosition().x; });
    EXPECT_GT(x, 2.0f);
    EXPECT_LT(x, 2.5f);
}

} // namespace
} // namespace apptest
