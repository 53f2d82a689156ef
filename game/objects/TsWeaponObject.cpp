#include "game/objects/TsWeaponObject.h"

#include <climits>
#include <cmath>

#include "engine/OmArchive.h"
#include "engine/OmMath.h"
#include "engine/OmRef.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsGameTicks.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsRandom.h"
#include "game/objects/TsAttack.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsItemObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsProjectile.h"
#include "game/objects/TsProjectileAttributes.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldHit.h"

OM_IMPLEMENT_CLASS(TsWeaponObject, TsCollectibleObject)

int32_t TsWeaponObject::s_noAmmoCounter = 0;
static_assert(TsWeaponObject::kFreeAmmoMode == TsPlayer::EGG_NO_AMMO);

namespace {

constexpr float kDegreesToRadians = OM_PI / 180.0f;
constexpr float kItemRadius = 0.3f;
constexpr float kItemHeight = 0.2f;

bool IsSoundIdPlaying(int32_t id)
{
    const TsAudio* audio = id >= 0 ? TsAccess::Audio() : nullptr;
    return audio && audio->IsSoundPlaying(SoundId(id));
}

void WriteAttributes(OmArchive& archive, const TsWeaponAttributes& a)
{
    archive.WriteI32(a.weaponType).WriteI32(a.equipType).WriteI32(a.matterType).WriteI32(a.ammoType);
    archive.WriteI32(a.ammoPerShot);
    archive.WriteFloat(a.efficiency).WriteFloat(a.range).WriteFloat(a.autoAimRange).WriteFloat(a.spread);
    archive.WriteFloat(a.reload).WriteFloat(a.stun);
    archive.WriteI32(a.projectileId);
}

void ReadAttributes(OmArchive& archive, TsWeaponAttributes& a)
{
    archive.ReadEnum(a.weaponType).ReadEnum(a.equipType).ReadEnum(a.matterType).ReadI32(a.ammoType);
    archive.ReadI32(a.ammoPerShot);
    archive.ReadFloat(a.efficiency).ReadFloat(a.range).ReadFloat(a.autoAimRange).ReadFloat(a.spread);
    archive.ReadFloat(a.reload).ReadFloat(a.stun);
    archive.ReadI32(a.projectileId);
}

} // namespace

TsWeaponObject::TsWeaponObject() : m_pendingAttack(OmMakeRef<TsAttack>())
{
    SetCanEquip(true);
    m_radius = kItemRadius;
    m_height = kItemHeight;
}

TsWeaponObject::TsWeaponObject(OmArchive& archive) : TsCollectibleObject(archive)
{
}

TsWeaponObject::~TsWeaponObject()
{
    StopLoop();
    m_pendingAttack = nullptr;
}

// ---- archive ----------------------------------------------------------------

bool TsWeaponObject::Register(OmArchive& archive)
{
    if (!TsCollectibleObject::Register(archive)) {
        return false;
    }
    if (m_pendingAttack) {
        m_pendingAttack->Register(archive);
    }
    return true;
}

void TsWeaponObject::Write(OmArchive& archive)
{
    TsCollectibleObject::Write(archive);
    archive.WriteBool(m_fired).WriteBool(m_bimodal).WriteBool(m_secondary);
    m_reloadCountdown.Write(archive);
    archive.WriteVector(m_muzzleOffset);
    m_hitCountdown.Write(archive);
    WriteAttributes(archive, m_primaryAttributes);
    WriteAttributes(archive, m_secondaryAttributes);
    archive.WriteObjectRef(m_pendingAttack);
    for (int32_t sound : m_sounds) {
        archive.WriteI32(sound);
    }
}

void TsWeaponObject::Read(OmArchive& archive)
{
    TsCollectibleObject::Read(archive);
    archive.ReadBool(m_fired).ReadBool(m_bimodal).ReadBool(m_secondary);
    m_reloadCountdown.Read(archive, "a weapon's reload");
    archive.ReadVector(m_muzzleOffset);
    m_hitCountdown.Read(archive, "a weapon's blow");
    ReadAttributes(archive, m_primaryAttributes);
    ReadAttributes(archive, m_secondaryAttributes);
    archive.ReadRef(m_pendingAttack);
    for (int32_t& sound : m_sounds) {
        archive.ReadI32(sound);
        // A damaged id would index past the sound table when played.
        if (sound < -1 || sound > kMaxSoundId) {
            LogErrorF("TsWeaponObject: a saved sound id %d is not a sound; the slot is cleared", sound);
            sound = -1;
        }
    }
}

bool TsWeaponObject::Import()
{
    const bool ok = TsCollectibleObject::Import();
    m_loopVoice = 0;
    return ok;
}

bool TsWeaponObject::Initialise()
{
    const bool ok = TsCollectibleObject::Initialise();
    if (TsAudio* audio = TsAccess::Audio()) {
        for (int32_t sound : m_sounds) {
            if (sound >= 0) {
                audio->FlagSoundForLoading(SoundId(sound));
            }
        }
    }
    m_loopVoice = 0;
    return ok;
}

// ---- sounds -------------------------------------------------------------------

bool TsWeaponObject::FlagSoundForLoading(int32_t slot, int32_t soundId)
{
    if (slot < 0 || slot >= TS_NUM_WEAPON_SOUNDS) {
        LogErrorF("TsWeaponObject::FlagSoundForLoading: slot %d is not a weapon sound slot (0..%d)", slot,
                  TS_NUM_WEAPON_SOUNDS - 1);
        return false;
    }
    if (soundId < -1 || soundId > kMaxSoundId) {
        LogErrorF("TsWeaponObject::FlagSoundForLoading: %d is not a sound id (0..%d)", soundId, kMaxSoundId);
        return false;
    }
    m_sounds[slot] = soundId;
    return true;
}

int32_t TsWeaponObject::GetSound(int32_t slot) const
{
    return slot >= 0 && slot < TS_NUM_WEAPON_SOUNDS ? m_sounds[slot] : -1;
}

void TsWeaponObject::PlaySlot(int32_t slot, const OmVector3& at) const
{
    TsPlaySoundAt(GetSound(slot), at);
}

void TsWeaponObject::StopLoop()
{
    if (m_loopVoice == 0) {
        return;
    }
    if (TsAudio* audio = TsAccess::Audio()) {
        audio->StopSound(&m_loopVoice);
    }
    m_loopVoice = 0;
}

int32_t TsWeaponObject::ImpactSound() const
{
    return GetSound(m_secondary ? TS_WEAPON_SOUND_SECONDARY_IMPACT : TS_WEAPON_SOUND_PRIMARY_IMPACT);
}

// ---- firing -------------------------------------------------------------------

TsCharacterObject* TsWeaponObject::Wielder() const
{
    return GetOwner();
}

int32_t TsWeaponObject::ReloadTicks() const
{
    return TsGameTicks::FromSeconds(Current().reload);
}

int32_t TsWeaponObject::ConsumeAmmo()
{
    if (m_reloadCountdown.Get() > 0) {
        return 0;
    }
    m_reloadCountdown.Set(ReloadTicks());
    const TsWeaponAttributes& a = Current();
    if (a.ammoType >= 0 && !TsPlayer::_IsEasterEggEnabled(kFreeAmmoMode)) {
        TsCharacterObject* wielder = Wielder();
        TsInventory* inventory = wielder ? wielder->GetInventory() : nullptr;
        TsItemObject* stack = inventory ? inventory->FindAmmoFor(this) : nullptr;
        if (!stack) {
            return 0;
        }
        // A shot a script set to spend less than nothing, or a stack left
        // below nothing, spends nothing: it neither adds to the stack nor
        // negates the lowest int.
        const int32_t amount = std::max(0, std::min(stack->GetStack(), a.ammoPerShot));
        stack->AddToStack(-amount);
        m_fired = true;
        return amount;
    }
    m_fired = true;
    return a.ammoPerShot;
}

void TsWeaponObject::OutOfAmmo()
{
    TsCharacterObject* wielder = Wielder();
    if (!TsPCObject::Cast(wielder)) {
        return;
    }
    if (wielder->IsSoundSlotPlaying(TS_CHARSOUND_WEAPONEMPTY) || IsSoundIdPlaying(GetSound(TS_WEAPON_SOUND_NOAMMO))) {
        return;
    }
    if (s_noAmmoCounter-- == 0) {
        wielder->PlaySoundSlot(TS_CHARSOUND_WEAPONEMPTY, wielder->GetPosition());
        s_noAmmoCounter = kNoAmmoRepeat;
    } else {
        PlaySlot(TS_WEAPON_SOUND_NOAMMO, wielder->GetPosition());
    }
}

TsProjectile* TsWeaponObject::MakeProjectile(const OmVector3& origin, const OmVector3& direction, int32_t spent)
{
    const TsWeaponAttributes& a = Current();
    const TsProjectileAttributes* rec = TsProjectileAttributes::_Attributes(a.projectileId);
    if (!rec) {
        LogErrorF("TsWeaponObject %s: projectile id %d is not one of the %d projectile types", NameOrEmpty(),
                  a.projectileId, TsProjectileAttributes::kCount);
        return nullptr;
    }
    auto* shot = new TsProjectile;
    shot->SetType(a.projectileId);
    shot->SetMatterType(a.matterType);
    shot->SetImpactSound(ImpactSound());
    shot->SetDamage(a.efficiency * static_cast<float>(spent));
    shot->SetStun(a.stun);
    shot->SetOrigin(origin);
    shot->SetTarget(nullptr);
    shot->SetLaunchTime(TsAccess::GameTime());
    OmVector3 velocity = direction * rec->m_initialSpeed;
    velocity.y += rec->m_verticalSpeed;
    shot->SetVelocity(velocity);
    shot->SetHeading(direction);
    shot->SetOwner(Wielder());
    float lifetime = rec->m_lifetime;
    if (rec->m_bRay && rec->m_initialSpeed > 0.1f) {
        lifetime = std::min(lifetime, a.range / rec->m_initialSpeed);
    }
    shot->SetLifetime(lifetime);
    shot->SetTimeToImpact(rec->m_lifetime);
    return shot;
}

bool TsWeaponObject::FireRanged(const OmVector3& origin, const OmVector3& direction)
{
    const int32_t spent = ConsumeAmmo();
    if (spent < 1) {
        if (m_reloadCountdown.Get() == ReloadTicks()) {
            OutOfAmmo();
        }
        return false;
    }
    const TsWeaponAttributes& a = Current();
    if (a.projectileId < 0) {
        return false;
    }
    float reach = a.range * kReachFactor;
    if (TsWorld* world = TsAccess::World()) {
        TsWorldHit hit;
        if (world->CastSegment(origin, origin + direction * reach, hit, true)) {
            reach = hit.distance;
        }
    }
    TsProjectile* shot = MakeProjectile(origin, direction, spent);
    if (!shot) {
        return false;
    }
    // A type with no speed never reaches the blocking point: it flies for
    // its lifetime.
    const float speed = shot->Attributes()->m_initialSpeed;
    if (speed > 0.0f) {
        shot->SetTimeToImpact(reach / speed);
    }
    shot->Launch();
    if (a.reload != 0.0f) {
        PlaySlot(m_secondary ? TS_WEAPON_SOUND_SECONDARY : TS_WEAPON_SOUND_PRIMARY, origin);
    } else if (TsAudio* audio = TsAccess::Audio()) {
        if (m_loopVoice == 0) {
            const int32_t loop = GetSound(TS_WEAPON_SOUND_LOOP);
            if (loop >= 0) {
                m_loopVoice = audio->PlaySound(SoundId(loop), origin.x, origin.y, origin.z, true);
            }
        } else {
            audio->UpdateSoundPosition(&m_loopVoice, origin.x, origin.y, origin.z);
        }
    }
    return true;
}

bool TsWeaponObject::FireAt(const OmVector3& origin, const OmVector3& direction, TsEntity* target)
{
    const int32_t spent = ConsumeAmmo();
    if (spent < 1) {
        if (m_reloadCountdown.Get() == ReloadTicks()) {
            OutOfAmmo();
        }
        return false;
    }
    if (Current().projectileId < 0) {
        return false;
    }
    TsProjectile* shot = MakeProjectile(origin, direction, spent);
    if (!shot) {
        return false;
    }
    shot->SetTarget(target);
    shot->Launch();
    int32_t sound = GetSound(m_secondary ? TS_WEAPON_SOUND_SECONDARY : TS_WEAPON_SOUND_PRIMARY);
    if (sound == kFlameSound) {
        sound = kFlameSound + RandByte() * 3 / 256;
    }
    if (TsAudio* audio = sound >= 0 ? TsAccess::Audio() : nullptr) {
        audio->PlaySound(SoundId(sound), origin.x, origin.y, origin.z, false);
    }
    return true;
}

// Every character in the cone fills the one pending attack in turn, nearest
// first, so the blow that lands is the one for the farthest of them, at the
// shared damage factor. That is how the sweep has always played; it is kept.
bool TsWeaponObject::FireMelee(const OmVector3& origin, const OmVector3& direction)
{
    if (m_reloadCountdown.Get() > 0) {
        return false;
    }
    TsCharacterObject* wielder = Wielder();
    PlaySlot(m_secondary ? TS_WEAPON_SOUND_SECONDARY : TS_WEAPON_SOUND_PRIMARY, wielder ? wielder->GetPosition() : origin);
    const TsWeaponAttributes& a = Current();
    if (a.weaponType != TS_WEAPON_MELEE) {
        return false;
    }
    m_fired = true;
    m_reloadCountdown.Set(ReloadTicks());
    if (!wielder) {
        return false;
    }
    if (!m_pendingAttack) {
        m_pendingAttack = OmMakeRef<TsAttack>();
    }
    const float threshold = std::cos(a.spread * 0.5f * kDegreesToRadians);
    const OmVector3 facing = wielder->GetDirection();
    // Those within reach, nearest first: the last one in the cone is the
    // attack's target. A scratch list, as the game ticks on one thread.
    static OmArray<TsCharacterObject::Neighbour> neighbours{64};
    wielder->NeighboursWithin(a.range, neighbours);
    auto inCone = [&](const TsCharacterObject::Neighbour& entry) {
        TsEntity* e = entry.entity;
        if (!e || e == this || e == wielder || !e->HasFlag(TS_ENTITY_TARGETABLE)) {
            return false;
        }
        OmVector3 toward;
        NormaliseInto(e->GetPosition() - wielder->GetPosition(), toward);
        return facing.Dot(toward) >= threshold;
    };
    uint32_t count = 0;
    for (uint32_t i = 0; i < neighbours.GetCount(); ++i) {
        count += inCone(neighbours[i]) ? 1 : 0;
    }
    if (count == 0) {
        return false;
    }
    const float n = static_cast<float>(count);
    const float factor = ((n - 1.0f) / n + 1.0f) / n;
    for (uint32_t i = 0; i < neighbours.GetCount(); ++i) {
        if (!inCone(neighbours[i])) {
            continue;
        }
        TsAttack& attack = *m_pendingAttack;
        attack.SetPosition(origin + direction * neighbours[i].separation);
        attack.SetDirection(direction);
        attack.SetDamage(a.efficiency * factor);
        attack.SetStun(a.stun);
        attack.SetMatterType(a.matterType);
        int32_t impact = ImpactSound();
        if (a.equipType == TS_EQUIP_HEAL) {
            impact = GetSound((Random() & 1) ? TS_WEAPON_SOUND_PRIMARY_IMPACT : TS_WEAPON_SOUND_SECONDARY_IMPACT);
        }
        attack.SetImpactSound(impact);
        attack.SetSecondId(-1);
        attack.SetTarget(neighbours[i].entity);
        attack.SetAttacker(wielder);
    }
    m_hitCountdown.Set(TsGameTicks::FromSeconds(kMeleeDelaySeconds));
    if (a.efficiency < 0.0f) {
        wielder->IncrementVitality(a.efficiency * 0.5f);
    }
    return true;
}

void TsWeaponObject::ResetAttack()
{
    StopLoop();
    m_fired = false;
    m_reloadCountdown.Set(0);
    m_hitCountdown.Set(-1);
    if (m_pendingAttack) {
        m_pendingAttack->SetTarget(nullptr);
        m_pendingAttack->SetAttacker(nullptr);
    }
}

void TsWeaponObject::Tick(uint32_t tickCount)
{
    TsCollectibleObject::Tick(tickCount);
    if (m_fired) {
        m_fired = false;
    } else {
        StopLoop();
    }
    m_reloadCountdown.Tick();
    m_hitCountdown.Tick();
    if (m_hitCountdown.Get() == 0 && m_pendingAttack) {
        m_pendingAttack->Deliver();
        m_pendingAttack->SetTarget(nullptr);
        m_pendingAttack->SetAttacker(nullptr);
    }
}
