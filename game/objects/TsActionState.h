// What a character is doing and the animation that shows it: the action
// state, the state whose animation is playing and the state to go to when a
// once-played animation ends; the kind of aimed movement; the pending
// command; the gait, walking or running; and the animation playing and for
// how many ticks. The character moves it only by the transitions below,
// each the whole of a change it makes. The figure the animations play on is
// the character's and is handed in.
#pragma once

#include <cstdint>

#include "game/objects/TsWeaponAttributes.h"

class OmArchive;
class OmSkinShape;

class TsActionState {
public:
    // Action states; each picks an animation by the equipped kind.
    enum State : int32_t {
        kWalk = 0,
        kRun = 1,
        kAimForward = 2,
        kAimBackward = 3,
        kStrafeLeft = 4,
        kStrafeRight = 5,
        kAttacking = 6,
        kStand = 7,
        kTurning = 8,
        kListening = 9,
        kCreeping = 10,
        kHealing = 11,
        kHitReaction = 12,
        kFalling = 13,
        kLying = 14,
    };
    // Pending commands.
    enum Command : int32_t {
        kNoCommand = 0,
        kFollowPath = 1,
        kGoToUse = 2,
        kRangedAttack = 3,
        kCloseAttack = 4,
    };
    static constexpr int32_t kNoAction = -1;

    // The skinned shape the animations play on and the animation class they
    // are looked up in; either may be missing.
    struct Figure {
        OmSkinShape* shape = nullptr;
        int32_t animationClass = -1;
    };

    // The animation id of an action state for an equip type.
    static int32_t AnimationFor(int32_t state, TsEquipType equip);
    // Fists, blades and skills strike close; every other weapon from afar.
    static bool IsClose(TsWeaponType type) { return type == TS_WEAPON_MELEE || type == TS_WEAPON_SKILL; }

    int32_t GetState() const { return m_state; }
    int32_t GetCommand() const { return m_command; }
    int32_t GetCurrentAnimation() const { return m_currentAnimation; }
    // The gait outlasts the moves that show it (a turn on the way keeps
    // it): walking and running are taken from it as the character goes.
    bool IsRunning() const { return m_running != 0; }
    void SetRunning(bool running) { m_running = running ? 1 : 0; }

    // Standing with nothing to do.
    void Stop()
    {
        m_state = kStand;
        m_command = kNoCommand;
    }
    // Standing with nothing to do and nothing to follow up.
    void Idle()
    {
        Stop();
        m_followUp = kNoAction;
    }
    // Standing; the command and what follows up stay.
    void Stand() { m_state = kStand; }
    // Turning on the spot before going on.
    void Turn() { m_state = kTurning; }
    // Walking or running along the path under a command, with nothing to
    // follow up.
    void Follow(Command command)
    {
        m_state = GaitState();
        m_command = command;
        m_followUp = kNoAction;
    }
    // Walking or running on, while the command is still the one it goes
    // under: a step that stopped the character leaves it standing.
    void Stride(Command command)
    {
        if (m_command == command)
            m_state = GaitState();
    }
    // Closing in on a target to strike it: as Stride, and nothing follows up.
    void Chase()
    {
        if (m_command == kCloseAttack)
            Follow(kCloseAttack);
    }
    // An attack ordered with a weapon of a kind: close or from afar.
    void OrderAttack(TsWeaponType type) { m_command = IsClose(type) ? kCloseAttack : kRangedAttack; }
    void GoToUse() { m_command = kGoToUse; }
    // Firing where it stands, the command done: an automatic weapon fires
    // on while the character stands; any other plays its attack once.
    void FireStanding(TsWeaponType type)
    {
        m_command = kNoCommand;
        if (type == TS_WEAPON_RANGED_AUTO)
            HoldFire();
        else
            PlayOnce(kAttacking);
    }
    // A shot that did not fire: standing, with nothing to follow up.
    void HoldFire()
    {
        m_state = kStand;
        m_followUp = kNoAction;
    }
    // A state whose animation plays once before the character stands again.
    void PlayOnce(int32_t state)
    {
        m_state = state;
        m_followUp = kStand;
    }
    // Falling, stunned or dead: the fall ends lying.
    void Fall()
    {
        m_state = kFalling;
        m_followUp = kNoAction;
    }
    // Held down by a stun: no command, and lying once the fall is over.
    void HoldDown()
    {
        if (m_state != kFalling)
            m_state = kLying;
        m_command = kNoCommand;
    }
    // Standing and walking, with the animation to be chosen afresh.
    void Reset()
    {
        m_state = kStand;
        m_playingState = kNoAction;
        m_followUp = kNoAction;
        m_running = 0;
    }
    // Takes a kind of aimed movement as the state; true when it differs
    // from the last kind taken (the body turned another way).
    bool TakeAimKind(int32_t kind);

    // The tick's animation: while busy the standing one loops; a new state
    // starts its own (once with a follow-up, held at the end for a fall,
    // else looped); an unchanged one moves on to its follow-up once the
    // animation has ended. Ticks last the given seconds.
    void Animate(TsEquipType equip, bool busy, const Figure& figure, float tickSeconds);
    // Starts (or queues after the current one) an animation of the figure's
    // class on its shape.
    void Play(const Figure& figure, int32_t id, int32_t mode, bool queue);

    // The five action words, in the order the character's archive keeps
    // them; the playing state is chosen again after a load. The gait is
    // kept where the character's archive keeps it.
    void Write(OmArchive& archive) const;
    void Read(OmArchive& archive);

private:
    bool AnimationEnded(const Figure& figure, float tickSeconds) const;
    int32_t GaitState() const { return m_running ? kRun : kWalk; }

    int32_t m_playingState = kNoAction;
    int32_t m_state = kStand;
    int32_t m_followUp = kNoAction;
    int32_t m_aimKind = kNoAction;
    int32_t m_command = kNoCommand;
    uint8_t m_running = 0;
    // Not saved: rebuilt as play goes on.
    int32_t m_currentAnimation = -1;
    int32_t m_animationTicks = 0;
};
