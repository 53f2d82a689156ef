// What a character is doing and the animation that shows it: the action
// state, the state whose animation is playing and the state to go to when a
// once-played animation ends; the kind of aimed movement; the pending
// command; the animation playing and for how many ticks; and a timed
// attachment (the tongue of the one figure that strikes with it), shown on
// a bone while its ticks last. The figure the animations play on is the
// character's and is handed in.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"
#include "game/objects/TsWeaponAttributes.h"

class OmArchive;
class OmGroup;
class OmNode;
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

    int32_t GetState() const { return m_state; }
    void SetState(int32_t state) { m_state = state; }
    int32_t GetPlayingState() const { return m_playingState; }
    int32_t GetFollowUp() const { return m_followUp; }
    void SetFollowUp(int32_t state) { m_followUp = state; }
    int32_t GetCommand() const { return m_command; }
    void SetCommand(int32_t command) { m_command = command; }
    int32_t GetCurrentAnimation() const { return m_currentAnimation; }

    // Standing with nothing to do.
    void Stop()
    {
        m_state = kStand;
        m_command = kNoCommand;
    }
    // Walking or running along the path, with nothing to follow up.
    void Follow(bool running)
    {
        m_state = running ? kRun : kWalk;
        m_command = kFollowPath;
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
    // Standing, with the animation to be chosen afresh.
    void Reset()
    {
        m_state = kStand;
        m_playingState = kNoAction;
        m_followUp = kNoAction;
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

    // The attachment, adopted, hidden until shown.
    void SetAttachment(OmGroup* adopted);
    bool HasAttachment() const { return m_attachment != nullptr; }
    // Shown on the node the shape keeps for a bone, for a number of ticks.
    void ShowAttachment(OmSkinShape* shape, int32_t bone, int32_t ticks);
    void HideAttachment();
    // Counts the attachment's ticks down and hides it when they run out.
    void TickAttachment();
    void ReleaseAttachment();

    // The five action words, in the order the character's archive keeps
    // them; the playing state is chosen again after a load.
    void Write(OmArchive& archive) const;
    void Read(OmArchive& archive);

private:
    bool AnimationEnded(const Figure& figure, float tickSeconds) const;

    int32_t m_playingState = kNoAction;
    int32_t m_state = kStand;
    int32_t m_followUp = kNoAction;
    int32_t m_aimKind = kNoAction;
    int32_t m_command = kNoCommand;
    // Not saved: rebuilt as play goes on.
    int32_t m_currentAnimation = -1;
    int32_t m_animationTicks = 0;
    OmRef<OmNode> m_attachment; // on its bone while its ticks last
    int32_t m_attachmentTicks = 0;
};
