// Shots and mines played on the demo level: a rocket homes, streaks are
// drawn, a touched mine goes off, shots in flight come back with a save.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmNode.h"
#include "engine/OmRef.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsScriptCall.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsMineObject.h"
#include "game/objects/TsPCObject.h"
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
    void OnHit(TsAttack& attack) override { damage.push_back(attack.GetDamage()); }
    std::vector<float> damage;
};
OM_IMPLEMENT_CLASS(Target, TsEntity)

// A plain character standing by.
class Soldier : public TsCharacterObject {
    OM_DECLARE_CLASS(Soldier)
public:
    Soldier()
    {
        m_radius = 0.3f;
        m_height = 2.0f;
    }
    explicit Soldier(OmArchive& archive) : TsCharacterObject(archive) {}
};
OM_IMPLEMENT_CLASS(Soldier, TsCharacterObject)

namespace {

class WeaponsGame : public InDemoLevel {
protected:
    static Target* Place(float x, float z) { return PutInPlay(new Target, x, z); }

    // A blaster of continuous fire in the wielder's hand, needing no rounds,
    // fired once: its loop plays.
    static void FireALoopingGun(TsCharacterObject* wielder, TsWeaponObject*& gun)
    {
        TsAudio* audio = TsAccess::Audio();
        ASSERT_TRUE(audio && audio->LoadWavFromFile(kLoop));
        gun = FromTemplate<TsWeaponObject>("WeaponTemplateBlaster");
        gun->Attributes(false).SetAmmoType(-1);
        gun->Attributes(false).SetReload(0.0f);
        ASSERT_TRUE(gun->FlagSoundForLoading(TS_WEAPON_SOUND_LOOP, kLoop));
        gun->SetCanEquip(true);
        ASSERT_GT(wielder->GetInventory()->AddArticle(gun), 0); // the inventory's reference now
        ASSERT_TRUE(wielder->GetInventory()->EquipArticle(gun));
        ASSERT_TRUE(gun->FireRanged(OmVector3(3.0f, 1.0f, 3.0f), OmVector3(1.0f, 0.0f, 0.0f)));
        ASSERT_TRUE(audio->IsSoundPlaying(kLoop)) << "the burst's loop";
    }
    static constexpr SoundId kLoop = 204; // the demo's click

    // The party's one member, the demo figure, current, facing +z, with a
    // blaster (needing no rounds) in the hand it carries weapons in.
    TsPCObject* ArmedHero(float x, float z, TsWeaponObject*& blaster)
    {
        auto* hero = new TsPCObject;
        hero->SetAttackBone(kHandBone);
        AddPartyMember("hero", x, z, 0, "walker.pbf", hero);
        TsAccess::LocalPlayer()->SetCurrentCharacter(0);
        TsAccess::AnimDB()->LoadAnimations();
        blaster = FromTemplate<TsWeaponObject>("WeaponTemplateBlaster");
        blaster->Attributes(false).SetAmmoType(-1);
        EXPECT_TRUE(blaster->Import() && blaster->Initialise());
        EXPECT_GT(hero->GetInventory()->AddArticle(blaster), 0); // the inventory's reference now
        EXPECT_TRUE(hero->GetInventory()->EquipArticle(blaster));
        return hero;
    }

    // The demo figure's right hand, and where it hangs from the feet of a
    // figure facing +z at rest; the blaster's mouth from the hand.
    static constexpr int32_t kHandBone = 7;
    static inline const OmVector3 kHand{0.4f, 0.9f, 0.0f};
    static inline const OmVector3 kMuzzle{0.1f, 0.0f, 0.3f};
};

TEST_F(WeaponsGame, ARocketHomesOnItsTargetAndBursts)
{
    // Fired north from x = 2, the rocket only comes within the blast's
    // reach of a target at x = 7 by turning toward it.
    Target* target = Place(7.0f, 6.0f);
    Frames(1);
    auto launcher = OmRef<TsWeaponObject>::Adopt(FromTemplate<TsWeaponObject>("WeaponTemplateRocketLauncher"));
    launcher->Attributes(false).SetAmmoType(-1);
    ASSERT_TRUE(launcher->FireAt(OmVector3(2.0f, 1.0f, 2.0f), OmVector3(0.0f, 0.0f, 1.0f), target));
    float farthestEast = 2.0f;
    for (int i = 0; i < 40 && TsProjectile::LiveCount() > 0; ++i) {
        TsProjectile::ForEachLive([&](TsProjectile& p) { farthestEast = std::max(farthestEast, p.GetPosition().x); });
        Frames(1);
    }
    EXPECT_GT(farthestEast, 5.0f) << "it steered toward the target";
    ASSERT_FALSE(target->damage.empty()) << "the rocket never reached its target";
    EXPECT_LE(target->damage.back(), 12.0f) << "no more than the full blast";
    EXPECT_GT(TsInitialExplosions::ActiveCount(), 0u);
}

// The device states are put back after the streaks.
TEST_F(WeaponsGame, AFramesStreaksShareOneSetOfDeviceStates)
{
    auto blaster = OmRef<TsWeaponObject>::Adopt(FromTemplate<TsWeaponObject>("WeaponTemplateBlaster"));
    blaster->Attributes(false).SetAmmoType(-1);
    for (const OmVector3& d : {OmVector3(1, 0, 0), OmVector3(0, 0, 1)}) {
        blaster->SetReloadCountdown(0);
        ASSERT_TRUE(blaster->FireRanged(OmVector3(1.0f, 1.0f, 1.0f), d));
    }
    OmD3D* d3d = OmD3D::Instance();
    const uint32_t blend = d3d->GetRenderState(plat::GfxRs::DestBlend);
    const uint32_t setups = TsProjectile::StreakStateSetups();
    FrameAfter(10); // a frame without a tick
    EXPECT_EQ(TsProjectile::StreakStateSetups(), setups + 1);
    EXPECT_EQ(TsProjectile::LastStreakDraws(), 2u);
    EXPECT_EQ(d3d->GetRenderState(plat::GfxRs::DestBlend), blend);
}

// It falls silent mid-burst though only the weapon in hand is ticked.
TEST_F(WeaponsGame, AContinuousWeaponPutAwayWhileFiringStopsItsLoop)
{
    TsPCObject* hero = AddPartyMember("hero", 3.0f, 3.0f);
    TsWeaponObject* gun = nullptr;
    ASSERT_NO_FATAL_FAILURE(FireALoopingGun(hero, gun));
    hero->GetInventory()->UnequipArticle();
    Frames(3);
    EXPECT_FALSE(TsAccess::Audio()->IsSoundPlaying(kLoop));
}

TEST_F(WeaponsGame, ATouchedMineCountsDownAndGoesOffWithItsRing)
{
    lua_State* L = TsAccess::LuaState();
    TsMineObject* mine = PutInPlay(new TsMineObject, 4.0f, 2.0f);
    TsScriptCall::PushObject(L, mine, "TsMineObject");
    lua_setglobal(L, "g_mine");
    ASSERT_EQ(RunLua("MineTemplate(g_mine)"), 0);
    EXPECT_EQ(mine->GetCountdownTicks(), 20);

    Target* near = Place(4.0f, 3.0f);  // 1 from the blast: inside the full range
    Target* mid = Place(4.0f, 5.0f);   // 3 from it: 0.4 of the damage
    Target* far = Place(7.0f, 7.0f);   // out of reach
    Soldier* soldier = PutInPlay(new Soldier, 5.0f, 2.0f);
    const float vitality = soldier->GetVitality() + soldier->GetHealth();
    Frames(1);

    mine->OnTouch(soldier, 0.0f);
    Frames(19);
    const uint32_t explosions = TsInitialExplosions::ActiveCount();
    Frames(1);
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
    EXPECT_FALSE(TsAccess::EntityDB()->ContainsEntity(mine)) << "a spent mine leaves the level";
}

TEST_F(WeaponsGame, ShotsInFlightComeBackWithASavedGame)
{
    TsProjectileAttributes& slow = *TsProjectileAttributes::_Attributes(8);
    slow.m_lifetime = 30.0f;
    slow.m_initialSpeed = 0.5f;
    OmRef<TsWeaponObject> gun = OmMakeRef<TsWeaponObject>();
    TsWeaponAttributes& a = gun->Attributes(false);
    a.SetWeaponType(TS_WEAPON_RANGED_MANUAL);
    a.SetAmmoType(-1);
    a.SetProjectileID(8);
    for (float z : {3.0f, 5.0f}) {
        gun->SetReloadCountdown(0);
        ASSERT_TRUE(gun->FireAt(OmVector3(2.0f, 1.0f, z), OmVector3(1.0f, 0.0f, 0.0f), nullptr));
    }
    gun = nullptr;
    Frames(2);
    ASSERT_EQ(TsProjectile::LiveCount(), 2u);
    ASSERT_TRUE(app->SaveGame());
    const std::string saved = TsAccess::LocalPlayer()->GetSaveName();

    ASSERT_NO_FATAL_FAILURE(LoadFromTitle(saved));
    EXPECT_EQ(TsProjectile::LiveCount(), 2u);
    float x = 0.0f;
    TsProjectile::ForEachLive([&x](TsProjectile& p) { x = p.GetPosition().x; });
    EXPECT_GT(x, 2.0f);
    EXPECT_LT(x, 2.5f);
}

// A creature that bursts as it dies launches its second block from the
// middle of its body whatever kind of weapon that block names: a sweep
// would land after the creature has gone, and so never.
TEST_F(WeaponsGame, ABurstingCreatureLaunchesItsSecondBlockWhateverItsWeaponType)
{
    for (const TsWeaponType type : {TS_WEAPON_MELEE, TS_WEAPON_RANGED_MANUAL, TS_WEAPON_MINE}) {
        SCOPED_TRACE(type);
        TsProjectile::ReleaseAllLive();
        Soldier* creature = PutInPlay(new Soldier, 4.0f, 3.0f);
        TsWeaponObject* innate = creature->InnateAttack();
        innate->SetBimodal(true);
        TsWeaponAttributes& burst = innate->Attributes(true);
        burst.SetWeaponType(type);
        burst.SetAmmoType(-1);
        burst.SetProjectileID(0); // the demo's laser
        creature->Die();
        EXPECT_TRUE(creature->HasFlag(TS_ENTITY_PENDING_DELETE));
        ASSERT_EQ(TsProjectile::LiveCount(), 1u) << "one burst";
        TsProjectile::ForEachLive([&](TsProjectile& p) {
            EXPECT_EQ(p.GetOwner(), creature);
            EXPECT_TRUE(OmVector3::NearlyEqual(p.GetLaunchPoint(), OmVector3(4.0f, 1.0f, 3.0f), 1e-4f));
        });
    }
}

// A creature that bursts is never ticked again, and its weapon with it.
TEST_F(WeaponsGame, AWielderFallingWhileFiringSilencesTheLoopAsItFalls)
{
    Soldier* soldier = PutInPlay(new Soldier, 3.0f, 3.0f);
    TsWeaponObject* gun = nullptr;
    ASSERT_NO_FATAL_FAILURE(FireALoopingGun(soldier, gun));
    soldier->Die();
    EXPECT_FALSE(gun->HasLoopVoice());
    EXPECT_FALSE(TsAccess::Audio()->IsSoundPlaying(kLoop));
}

// The blaster in the hero's hand hangs from the figure's right hand and is
// drawn there: a frame with it differs from one without it.
TEST_F(WeaponsGame, AnEquippedWeaponIsDrawnInTheHandItIsCarriedIn)
{
    TsWeaponObject* blaster = nullptr;
    TsPCObject* hero = ArmedHero(2.0f, 3.0f, blaster);
    Frames(20, 100); // the camera comes round to the hero
    OmNode* gun = blaster->GetModel();
    ASSERT_NE(gun, nullptr);
    // The hand carries it a little out from the fist (the figure idles).
    const OmVector3 held = hero->GetPosition() + kHand + OmVector3(0.1f, 0.0f, 0.05f);
    EXPECT_TRUE(OmVector3::NearlyEqual(gun->GetWorldPosition(), held, 0.1f))
        << gun->GetWorldPosition().x << ", " << gun->GetWorldPosition().y << ", " << gun->GetWorldPosition().z;

    const Picture with = LookAfter(1, 1);
    hero->DetachArticle(blaster);
    const Picture without = LookAfter(1, 1);
    hero->AttachArticle(blaster);
    EXPECT_GT(with.Differing(without), 30) << "pixels of the blaster";
}

// The muzzle is found wherever the figure was last drawn.
TEST_F(WeaponsGame, AShotLeavesTheMuzzleOfTheWeaponInTheHand)
{
    TsWeaponObject* blaster = nullptr;
    TsPCObject* hero = ArmedHero(3.0f, 1.0f, blaster);
    Target* target = Place(3.0f, 7.0f);
    Frames(2, 100);
    ASSERT_TRUE(hero->AttackTarget(target, target->GetPosition(), true));
    bool launched = false;
    OmVector3 from;
    for (int tick = 0; tick < 20 && !launched; ++tick) {
        Frames(1, 100);
        TsProjectile::ForEachLive([&](TsProjectile& p) {
            if (p.GetOwner() == hero && !launched)
                launched = true, from = p.GetLaunchPoint();
        });
    }
    ASSERT_TRUE(launched) << "the hero fired";
    const OmVector3 muzzle = hero->GetPosition() + kHand + kMuzzle;
    EXPECT_TRUE(OmVector3::NearlyEqual(from, muzzle, 0.1f)) << from.x << ", " << from.y << ", " << from.z;
}

} // namespace
} // namespace apptest
