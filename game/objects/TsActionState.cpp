#include "game/objects/TsActionState.h"

#include "engine/OmArchive.h"
#include "engine/OmBoneAnimation.h"
#include "engine/OmSkinShape.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"

namespace {

// The two states whose animation turns on the weapon kind alone, each a
// table of its own beside the states that only tell one hand from two.
int32_t AttackAnimation(TsEquipType equip)
{
    switch (equip) {
    case TS_EQUIP_BAREHANDED:
    case TS_EQUIP_RANGED_SHOULDER:
    case TS_EQUIP_RANGED_HEADMOUNTED:
        return TSANIM_STAND_PUNCH;
    case TS_EQUIP_MELEE_1HAND:
        return TSANIM_STAND_1HSLASH;
    case TS_EQUIP_MELEE_2HAND:
        return TSANIM_STAND_2HSLASH;
    case TS_EQUIP_RANGED_1HAND:
        return TSANIM_STAND_1HFIRE;
    case TS_EQUIP_RANGED_2HAND:
        return TSANIM_STAND_2HFIRE;
    case TS_EQUIP_RANGED_TWINHAND:
        return TSANIM_INVALIDANIM;
    case TS_EQUIP_HEAL:
        return TSANIM_STAND_HEAL2H;
    default:
        return TSANIM_STAND;
    }
}

int32_t StandAnimation(TsEquipType equip)
{
    switch (equip) {
    case TS_EQUIP_MELEE_1HAND:
    case TS_EQUIP_RANGED_1HAND:
        return TSANIM_STAND_1H;
    case TS_EQUIP_MELEE_2HAND:
        return TSANIM_STAND_2H_MELEE;
    case TS_EQUIP_RANGED_2HAND:
    case TS_EQUIP_RANGED_TWINHAND:
        return TSANIM_STAND_2H;
    case TS_EQUIP_STEALTH:
        return TSANIM_STAND_CREEP;
    default:
        return TSANIM_STAND;
    }
}

} // namespace

int32_t TsActionState::AnimationFor(int32_t state, TsEquipType equip)
{
    const bool oneHand = equip >= TS_EQUIP_MELEE_1HAND && equip <= TS_EQUIP_RANGED_1HAND;
    const bool twoHand = equip == TS_EQUIP_RANGED_2HAND || equip == TS_EQUIP_RANGED_TWINHAND;
    const bool turnKind = equip == TS_EQUIP_RANGED_SHOULDER || equip == TS_EQUIP_RANGED_HEADMOUNTED;
    switch (state) {
    case kWalk:
        return oneHand   ? TSANIM_WALK_1H
               : twoHand ? TSANIM_WALK_2H
               : equip == TS_EQUIP_STEALTH ? TSANIM_CREEP_WALK
                                           : TSANIM_WALK;
    case kRun:
        return oneHand   ? TSANIM_RUN_1H
               : twoHand ? TSANIM_RUN_2H
               : equip == TS_EQUIP_STEALTH ? TSANIM_CREEP_WALK
                                           : TSANIM_RUN;
    case kAimForward:
        return oneHand ? TSANIM_LOCKEDFORWARDS_1H : twoHand ? TSANIM_LOCKEDFORWARDS_2H : TSANIM_WALK;
    case kAimBackward:
        return equip == TS_EQUIP_RANGED_2HAND ? TSANIM_LOCKEDBACKWARDS_2H
               : turnKind                     ? TSANIM_TURN
                                              : TSANIM_LOCKEDBACKWARDS_1H;
    case kStrafeLeft:
        return equip == TS_EQUIP_RANGED_2HAND ? TSANIM_STRAFELEFT_2H : turnKind ? TSANIM_TURN : TSANIM_STRAFELEFT_1H;
    case kStrafeRight:
        return equip == TS_EQUIP_RANGED_2HAND ? TSANIM_STRAFERIGHT_2H : turnKind ? TSANIM_TURN : TSANIM_STRAFERIGHT_1H;
    case kAttacking:
        return AttackAnimation(equip);
    case kStand:
        return StandAnimation(equip);
    case kTurning:
        return TSANIM_STAND_CREEP;
    case kListening:
        return oneHand ? TSANIM_STAND_LISTEN1H : twoHand ? TSANIM_STAND_LISTEN2H : TSANIM_STAND_LISTEN;
    case kCreeping:
        return TSANIM_CREEP_WALK;
    case kHealing:
        return TSANIM_STAND_HEAL2H;
    case kHitReaction:
        return oneHand ? TSANIM_STAND_RECOIL1H : twoHand ? TSANIM_STAND_RECOIL2H : TSANIM_STAND_RECOIL;
    case kFalling:
    case kLying:
        return TSANIM_DIE;
    default:
        return TSANIM_INVALIDANIM;
    }
}


bool TsActionState::TakeAimKind(int32_t kind)
{
    m_state = kind;
    if (kind == m_aimKind)
        return false;
    m_aimKind = kind;
    return true;
}

void TsActionState::Play(const Figure& figure, int32_t id, int32_t mode, bool queue)
{
    if (!queue) {
        m_currentAnimation = id;
        m_animationTicks = 0;
    }
    TsAnimationDB* db = figure.shape && figure.animationClass >= 0 ? TsAccess::AnimDB() : nullptr;
    if (!db)
        return;
    const OmBoneAnimation* animation = db->GetAnimation(figure.animationClass, id);
    if (!animation)
        return; // a figure without this animation keeps its pose
    if (queue)
        figure.shape->QueueAnimation(animation, mode);
    else
        figure.shape->PlayAnimation(animation, mode);
}

bool TsActionState::AnimationEnded(const Figure& figure, float tickSeconds) const
{
    TsAnimationDB* db = figure.shape && figure.animationClass >= 0 ? TsAccess::AnimDB() : nullptr;
    const OmBoneAnimation* animation = db ? db->GetAnimation(figure.animationClass, m_currentAnimation) : nullptr;
    if (!animation)
        return true; // nothing to wait for
    return float(m_animationTicks) * tickSeconds >= animation->duration;
}

void TsActionState::Animate(TsEquipType equip, bool busy, const Figure& figure, float tickSeconds)
{
    ++m_animationTicks;
    if (busy) {
        const int32_t stand = AnimationFor(kStand, equip);
        if (m_currentAnimation != stand)
            Play(figure, stand, OM_PLAY_LOOP, false);
        return;
    }
    if (m_state != m_playingState) {
        const int32_t id = AnimationFor(m_state, equip);
        if (m_followUp != kNoAction) {
            Play(figure, id, OM_PLAY_ONCE, false);
            Play(figure, AnimationFor(kStand, equip), OM_PLAY_LOOP, true);
            m_followUp = kStand;
        } else if (m_state != kFalling) {
            Play(figure, id, OM_PLAY_LOOP, false);
            m_followUp = kNoAction;
        } else {
            Play(figure, id, OM_PLAY_ONCE, false);
            Play(figure, id, OM_PLAY_HOLD, true);
            m_followUp = kLying;
        }
    } else if (m_followUp != kNoAction && AnimationEnded(figure, tickSeconds)) {
        m_state = m_followUp;
        m_followUp = kNoAction;
        Play(figure, AnimationFor(m_state, equip), m_state == kLying ? OM_PLAY_HOLD : OM_PLAY_LOOP, false);
    }
    m_playingState = m_state;
}

void TsActionState::Write(OmArchive& archive) const
{
    archive.WriteI32(m_playingState).WriteI32(m_state).WriteI32(m_followUp).WriteI32(m_aimKind).WriteI32(m_command);
}

void TsActionState::Read(OmArchive& archive)
{
    archive.ReadI32(m_playingState).ReadI32(m_state).ReadI32(m_followUp).ReadI32(m_aimKind).ReadI32(m_command);
    m_playingState = kNoAction;
}
