// A character's tick: recovery, counters, the touch scan, the pending
// command (follow a path, go and use, attack at range or close), path
// planning and following, the animation choice and the drawing.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/OmMath.h"
#include "engine/OmRenderer.h"
#include "engine/OmSkinShape.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsGameTicks.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPathfinder.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSwitchObject.h"
#include "game/objects/TsTriggerObject.h"
#include "game/objects/TsWaypointObject.h"
#include "game/objects/TsWeaponObject.h"
#include "game/world/TsEffectUtil.h"
#include "game/world/TsWorld.h"
#include "render/OmD3D.h"

namespace {

constexpr float kNeighbourMarkReach = 3.0f;
constexpr float kBlockWaitSeconds = 3.0f;
constexpr uint32_t kHitFlashBlend = 64;

bool IsCharacter(const TsEntity* entity)
{
    return entity && entity->IsKindOf(&TsCharacterObject::s_class);
}

} // namespace

// ---- the tick -------------------------------------------------------------------

void TsCharacterObject::Tick(uint32_t tickCount)
{
    TsModel::Tick(tickCount);
    m_waist.Remember();
    if (TsWeaponObject* attack = GetCurrentAttack())
        attack->Tick(tickCount);
    if (CurrentEquipType() == TS_EQUIP_STEALTH)
        m_action.SetRunning(false);
    if (!TickLife())
        return;
    AgeIgnoreList();
    TickRecovery();
    TickCounters();
    TickStun();
    TouchScan();
    if (!IsValidTarget(m_targets.GetLocked(), true))
        m_targets.Lock(nullptr);
    if (!m_targets.GetLocked())
        m_aiming = 0;
    if (IsMobile() && !HasFlag(TS_ENTITY_DEAD))
        RunCommand();
    m_attackRequested = 0;
    if (!m_aiming)
        m_waist.Decay(TsGameTicks::kSeconds);
    UpdateAnimation();
}

bool TsCharacterObject::TickLife()
{
    if (m_lifeState != kFading)
        return true;
    m_fade -= 0.99f * TsGameTicks::kSeconds;
    if (m_fade < 0.0f) {
        SetFlag(TS_ENTITY_PENDING_DELETE);
        return false;
    }
    return true;
}

void TsCharacterObject::TickRecovery()
{
    if (IsWorldFrozen()) {
        m_counters.SetBusyTicks(2);
        return;
    }
    if (HasFlag(TS_ENTITY_DEAD))
        return; // the dead do not recover, nor die again each tick
    m_vitals.Recover(TsGameTicks::kSeconds, [this] { Die(); });
}

void TsCharacterObject::TickCounters()
{
    // A wait that ran out gives up what the character was doing.
    if (m_counters.Tick(m_lifeState < kStunned)) {
        ClearTargets();
        StopMoving();
    }
    m_tongue.Tick();
}

void TsCharacterObject::TickStun()
{
    if (m_lifeState != kStunned)
        return;
    m_action.HoldDown();
    if (m_counters.TickStun()) {
        m_lifeState = kAlive;
        m_action.Stand();
    }
}

// Those touching, nearest first, are taken out of the list before any is
// touched: a trigger's script runs in between.
void TsCharacterObject::TouchScan()
{
    if (m_neighbours.TouchingCount() == 0)
        return;
    static OmArray<Neighbour> touching{16};
    NeighboursWithin(0.0f, touching);
    for (uint32_t i = 0; i < touching.GetCount(); ++i) {
        TsEntity* other = touching[i].entity;
        const float separation = touching[i].separation;
        if (other->HasFlag(TS_ENTITY_PENDING_DELETE))
            continue;
        const float dy = other->GetPosition().y - m_position.y;
        const bool touches = other->IsKindOf(&TsTriggerObject::s_class) ||
                             (dy <= m_height && -dy <= other->GetHeight());
        if (!touches)
            continue;
        other->OnTouch(this, separation);
        OnTouch(other, separation);
    }
}

void TsCharacterObject::RunCommand()
{
    // Following goes on while a blocked step waits for the way to clear;
    // every other command waits for the character to be free.
    const bool waiting = m_counters.IsBusy();
    if (waiting && (m_action.GetCommand() != kFollowPath || IsWorldFrozen()))
        return;
    switch (m_action.GetCommand()) {
    case kFollowPath:
        FollowPath();
        break;
    case kGoToUse:
        UseStep();
        break;
    case kRangedAttack:
        RangedAttackStep();
        break;
    case kCloseAttack:
        CloseAttackStep();
        break;
    default:
        break;
    }
}

// ---- commands -------------------------------------------------------------------------

void TsCharacterObject::StopMoving()
{
    m_route.Stop();
    m_action.Stop();
    m_action.SetRunning(false);
}

void TsCharacterObject::DropLockedTarget()
{
    m_targets.Lock(nullptr);
    m_aiming = 0;
    if (m_route.GetTrack().GetCount() > 0) {
        ChooseGait();
        StartFollowing();
    } else {
        m_action.Stop();
    }
}

void TsCharacterObject::ChooseGait()
{
    if ((m_skill & TS_SKILL_STEALTH) && CurrentEquipType() == TS_EQUIP_STEALTH) {
        m_action.SetRunning(false);
    } else if (m_runToAttack && !m_route.GetTrack().IsClosed()) {
        const float length = m_route.GetTrack().GetLength();
        m_action.SetRunning(length > 1.5f || (m_action.IsRunning() && length > 0.75f));
    } else {
        m_action.SetRunning(false);
    }
}

void TsCharacterObject::StartFollowing()
{
    m_action.Follow(kFollowPath);
}

void TsCharacterObject::PlanMoveTo(const OmVector3& point, bool adjust, TsEntity* ignore)
{
    if (!IsMobile())
        return;
    m_counters.SetBusyTicks(-1);
    if (!m_targets.GetLocked())
        m_aiming = 0;
    const float dx = point.x - m_position.x, dz = point.z - m_position.z;
    if (!(dx * dx + dz * dz > m_radius * m_radius)) {
        StopMoving(); // already there
        m_action.Idle();
        return;
    }
    const bool player = TsPCObject::Cast(this) != nullptr;
    PlanPath(point, player ? TsRouteFollower::kPlayerMoveLimit : TsRouteFollower::kMoveLimit, adjust, ignore);
    if (m_route.GetTrack().GetCount() > 0) {
        ChooseGait();
        StartFollowing();
        if (player)
            StoreGoalHeight(point.y);
    } else {
        m_action.Idle();
    }
}

void TsCharacterObject::FollowWaypoints(TsWaypointObject* first)
{
    if (!first || !IsMobile())
        return;
    if (!m_route.Lay(*first)) {
        StopMoving();
        return;
    }
    m_counters.SetBusyTicks(-1);
    ChooseGait();
    StartFollowing();
}

int32_t TsCharacterObject::GetClearanceClass() const
{
    TsPathfinder* pathfinder = TsAccess::Pathfinder();
    return pathfinder ? pathfinder->ClassForRadius(m_radius) : 0;
}

int32_t TsCharacterObject::GetPathCell() const
{
    TsPathfinder* pathfinder = TsAccess::Pathfinder();
    return pathfinder ? pathfinder->CellFromWorld(m_position.x, m_position.z) : -1;
}

void TsCharacterObject::MarkOwnCell(bool occupied)
{
    TsPathfinder* pathfinder = TsAccess::Pathfinder();
    if (!pathfinder)
        return;
    const int32_t cell = pathfinder->CellFromWorld(m_position.x, m_position.z);
    const int32_t half = pathfinder->ClassForRadius(m_radius);
    if (occupied)
        pathfinder->MarkOccupied(cell, half);
    else
        pathfinder->ClearOccupied(cell, half);
}

bool TsCharacterObject::CanWalkStraight(const OmVector3& from, const OmVector3& to, bool occupiedOK) const
{
    TsPathfinder* pathfinder = TsAccess::Pathfinder();
    if (!pathfinder)
        return false;
    return pathfinder->IsStraightWalkable(from.x, from.z, to.x, to.z, pathfinder->ClassForRadius(m_radius),
                                          m_route.HasPathKeyA(), occupiedOK);
}

bool TsCharacterObject::PlanPath(const OmVector3& point, int32_t iterationLimit, bool adjust, TsEntity* ignore)
{
    TsPathfinder* pathfinder = TsAccess::Pathfinder();
    if (!pathfinder) {
        // Outside a level (tools, a level being torn down) there is no map
        // to plan on; said once, as characters ask every tick.
        static bool reported = false;
        LogErrorOnce(reported, "TsCharacterObject: no level's pathfinder to plan a route with");
        m_route.Clear();
        return false;
    }
    const int32_t cls = pathfinder->ClassForRadius(m_radius);
    const bool keyA = m_route.HasPathKeyA();
    MarkOwnCell(false);
    // Nearby characters stand in the way; other entities (triggers,
    // items) do not block a route.
    const OmArray<Neighbour>& neighbours = m_neighbours.Gathered();
    for (uint32_t i = 0; i < neighbours.GetCount(); ++i) {
        const TsEntity* other = neighbours[i].entity;
        if (neighbours[i].separation <= kNeighbourMarkReach && IsCharacter(other) && other != ignore)
            pathfinder->MarkOccupied(pathfinder->CellFromWorld(other->GetPosition().x, other->GetPosition().z), 0);
    }
    if (ignore) {
        pathfinder->ClearOccupied(pathfinder->CellFromWorld(ignore->GetPosition().x, ignore->GetPosition().z),
                                  pathfinder->ClassForRadius(ignore->GetRadius()));
    }
    if (m_route.EndsInCellOf(*pathfinder, point)) {
        MarkOwnCell(true);
        return true;
    }
    OmVector3 goal = point;
    if (adjust && !pathfinder->GetValidDestination(m_position, point, m_radius, keyA, false, goal)) {
        MarkOwnCell(true);
        return false;
    }
    const bool found = m_route.Plan(*pathfinder, m_position, goal, cls, iterationLimit);
    MarkOwnCell(true);
    return found;
}

// The walker's own height says nothing of where it is going: measured from
// it, a goal on ground above its head would be looked for below that ground.
void TsCharacterObject::StoreGoalHeight(float goalY)
{
    OmVector3 goal;
    if (GetMoveTarget(goal))
        m_route.SetGoalHeight(GroundUnder(goal, goalY));
}

float TsCharacterObject::GroundUnder(const OmVector3& goal, float goalY) const
{
    TsWorld* world = TsAccess::World();
    if (!world)
        return 0.0f;
    TsWorldHit hit;
    const OmVector3 from(goal.x, goalY + m_height, goal.z);
    if (world->CastSegment(from, OmVector3(goal.x, from.y - 100.0f, goal.z), hit, false))
        return hit.point.y;
    OmVector3 points[8];
    const int32_t n =
        world->FindAllIntersections(OmVector3(goal.x, goalY + 20.0f, goal.z), OmVector3(0, -1, 0), points, 8, false);
    float best = 0.0f, height = 0.0f;
    bool any = false;
    for (int32_t i = 0; i < n; ++i) {
        const float gap = points[i].y - goalY;
        if (!any || gap < best) {
            best = gap;
            height = points[i].y;
            any = true;
        }
    }
    return height;
}

bool TsCharacterObject::TurnToward(const OmVector3& direction)
{
    if (!(direction.x * direction.x + direction.z * direction.z > 0.0f))
        return true; // nowhere to turn to
    if (m_maxTurnRate >= OM_PI) {
        SetDirection(direction);
        return true;
    }
    const OmVector3 heading = GetDirection();
    const float step = TsGameTicks::kSeconds * m_maxTurnRate;
    if (std::cos(step) <= heading.x * direction.x + heading.z * direction.z) {
        SetDirection(direction);
        return true;
    }
    const float sign = heading.z * direction.x - direction.z * heading.x <= 0.0f ? -1.0f : 1.0f;
    SetHeading(GetHeading() + sign * step);
    return false;
}

void TsCharacterObject::FollowPath()
{
    if (IsPathDone()) {
        StopMoving();
        return;
    }
    if (!m_aiming) {
        OmVector3 direction;
        if (m_route.Direction(direction) && !TurnToward(direction)) {
            m_action.Turn();
            return;
        }
        AdvanceAlongPath(1.0f);
        m_action.Stride(kFollowPath);
        return;
    }
    const TsWeaponType type = CurrentWeaponType();
    if (type >= TS_WEAPON_RANGED_MANUAL && type <= TS_WEAPON_ROCKET) {
        AdvanceAlongPath(1.0f);
        AimedMovement();
    } else {
        DropLockedTarget();
    }
}

void TsCharacterObject::AdvanceAlongPath(float speedFactor)
{
    if (m_route.GetTrack().IsDone())
        return;
    const float speed = m_action.IsRunning() ? m_runSpeed : m_walkSpeed;
    m_counters.SoundFor(5);
    float progress = 0.0f, x = 0.0f, z = 0.0f;
    if (!m_route.Step(TsGameTicks::kSeconds * speed * speedFactor, progress, x, z))
        return;
    // Someone in the way: wait for the way to clear (giving up after a while).
    // The distance is the cheaper test, and rules out nearly everyone.
    const OmArray<Neighbour>& neighbours = m_neighbours.Gathered();
    for (uint32_t i = 0; i < neighbours.GetCount(); ++i) {
        const TsEntity* other = neighbours[i].entity;
        if (!other)
            continue;
        const float ox = other->GetPosition().x - x, oz = other->GetPosition().z - z;
        const float reach = m_radius + other->GetRadius();
        if (ox * ox + oz * oz >= reach * reach || !IsCharacter(other) || other->HasFlag(TS_ENTITY_DEAD))
            continue;
        OmVector3 step, toward;
        if (GroundDirection(m_position, OmVector3(x, 0.0f, z), step) &&
            GroundDirection(m_position, other->GetPosition(), toward) && step.Dot(toward) > 0.0f) {
            m_counters.Block(TsGameTicks::FromSeconds(kBlockWaitSeconds));
            return;
        }
    }
    // A door that closed across the route since it was planned: stop at it
    // rather than walk through. A route laid over ground the map never
    // allowed (a scripted patrol) is still walked.
    if (TsPathfinder* pathfinder = TsAccess::Pathfinder()) {
        const int32_t cls = pathfinder->ClassForRadius(m_radius);
        const bool keyA = m_route.HasPathKeyA();
        if (!pathfinder->IsPassableAt(x, z, cls, keyA, true) &&
            pathfinder->IsPassableAt(m_position.x, m_position.z, cls, keyA, true)) {
            StopMoving();
            return;
        }
    }
    m_route.SetProgress(progress);
    MarkOwnCell(false);
    SetPositionOnGround(OmVector3(x, m_position.y, z));
    MarkOwnCell(true);
    m_counters.SetBusyTicks(0);
}

void TsCharacterObject::AimedMovement()
{
    const TsEntity* target = m_targets.GetLocked();
    if (!target || !target->HasFlag(TS_ENTITY_ACTIVE))
        return;
    if (m_route.GetTrack().GetCount() == 0) {
        OmVector3 toTarget;
        if (m_waist.IsNearlyStraight() && GroundDirection(m_position, target->GetPosition(), toTarget))
            SetDirection(toTarget);
        m_action.Stand();
        return;
    }
    m_action.SetRunning(false);
    OmVector3 m, t;
    if (!m_route.Direction(m) || !GroundDirection(m_position, target->GetPosition(), t))
        return;
    const float c = std::clamp(m.Dot(t), -1.0f, 1.0f);
    const float s = (m.z * t.x - m.x * t.z) >= 0.0f ? 1.0f : -1.0f; // vertical part of m x t
    int32_t kind;
    switch (m_waist.AimAcross(c, s)) {
    case TsWaist::kForward:
        kind = kAimForward;
        SetDirection(m);
        break;
    case TsWaist::kBackward:
        kind = kAimBackward;
        SetDirection(-m);
        break;
    case TsWaist::kRight:
        kind = kStrafeRight;
        SetDirection(m.z, -m.x);
        break;
    default:
        kind = kStrafeLeft;
        SetDirection(-m.z, m.x);
        break;
    }
    if (m_action.TakeAimKind(kind)) {
        // No blend across a change of the way the body faces.
        m_previousHeading = m_heading;
        m_waist.Remember();
    }
}

// ---- using things ------------------------------------------------------------------------

bool TsCharacterObject::UseEntity(TsEntity* target)
{
    if (!IsMobile())
        return false;
    m_useTarget = nullptr;
    if (!target || target == this || !target->HasFlag(TS_ENTITY_MODEL))
        return false;
    m_useTarget = target;
    m_aiming = 0;
    m_action.GoToUse();
    OmVector3 destination = target->GetPosition();
    if (target->HasFlag(TS_ENTITY_USABLE)) {
        const float gap = target->GetRadius() + m_radius + 0.5f;
        OmVector3 away;
        if (auto* sw = TsSwitchObject::Cast(target)) {
            destination = sw->GetHotspot(); // where one stands to work it
        } else if (GroundDirection(target->GetPosition(), m_position, away)) {
            destination = target->GetPosition() + away * gap;
        }
    }
    TsPathfinder* pathfinder = TsAccess::Pathfinder();
    const bool sameCell = pathfinder && pathfinder->CellFromWorld(m_position.x, m_position.z) ==
                                            pathfinder->CellFromWorld(destination.x, destination.z);
    if (Overlaps(*this, *target) || sameCell) {
        m_route.Clear();
        UseStep();
        return true;
    }
    if (!PlanPath(destination, TsRouteFollower::kPlayerMoveLimit, true, nullptr)) {
        m_useTarget = nullptr;
        StopMoving();
        return true;
    }
    ChooseGait();
    m_action.Follow(kGoToUse);
    if (TsPCObject::Cast(this))
        StoreGoalHeight(destination.y);
    AdvanceAlongPath(1.0f);
    OmVector3 direction;
    if (m_route.Direction(direction))
        SetDirection(direction);
    return true;
}

void TsCharacterObject::UseStep()
{
    if (!IsMobile())
        return;
    if (m_useTarget) {
        if (!IsPathDone()) {
            OmVector3 direction;
            if (m_route.Direction(direction) && !TurnToward(direction)) {
                m_action.Turn();
                return;
            }
            AdvanceAlongPath(1.0f);
            m_action.Stride(kGoToUse);
            return;
        }
        TsEntity* target = m_useTarget;
        m_useTarget = nullptr;
        if (target->HasFlag(TS_ENTITY_USABLE))
            target->Use(this);
    }
    StopMoving();
}

// ---- animation ------------------------------------------------------------------------------

TsActionState::Figure TsCharacterObject::GetFigure() const
{
    return {static_cast<OmSkinShape*>(m_modelInstance), m_animationClass};
}

void TsCharacterObject::UpdateAnimation()
{
    const bool busy = m_counters.IsBusy() && m_lifeState < kStunned;
    m_action.Animate(CurrentEquipType(), busy, GetFigure(), TsGameTicks::kSeconds);
}

// ---- drawing ------------------------------------------------------------------------------

namespace {

// The skin's alpha is the texture's times the light's, as the world's cells
// leave it in a frame of play: set here, so that a character is drawn in one
// drawing state whether or not any cell was drawn before it (none is at
// load, or with the camera turned to the sky), and the level's warm-up
// builds that state.
void ModulateSkinAlpha()
{
    if (OmD3D* d3d = OmD3D::Instance())
        d3d->SetTextureStageState(0, plat::GfxTss::AlphaOp, plat::GfxTop::Modulate);
}

} // namespace

bool TsCharacterObject::DrawModel(float time, float fraction)
{
    // The big-heads display mode swells the head bone.
    if (auto* shape = static_cast<OmSkinShape*>(m_modelInstance)) {
        const int32_t head = shape->GetBoneIndex("Head");
        if (head >= 0)
            shape->SetScaledBone(head, TsPlayer::_IsEasterEggEnabled(TsPlayer::EGG_BIGHEADS) ? 4.0f : 1.0f);
        // The waist turns the upper body toward what the character aims at,
        // blended across the tick like the heading.
        m_waist.Pose(*shape, fraction);
    }
    return TsModel::DrawModel(time, fraction);
}

void TsCharacterObject::Render(float renderTime, float fraction)
{
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer || !DrawModel(renderTime, fraction))
        return;
    // Lit by the level's lights like every other model, or the skin would
    // take whatever lights the last drawn model left on the device.
    LightFromWorld();
    // The stick-men display mode draws the skeleton instead of the skin.
    const bool sticks = TsPlayer::_IsEasterEggEnabled(TsPlayer::EGG_STICKMEN);
    if (sticks)
        renderer->SetRenderOption(OmSkinShape::kDrawSkeleton | OmSkinShape::kDrawHeadMarker);
    ModulateSkinAlpha();
    // A character just hit flashes in the additive blend; one fading out
    // is drawn at its opacity.
    OmD3D* d3d = m_counters.GetHitFlash() > 0 ? OmD3D::Instance() : nullptr;
    if (d3d)
        d3d->ForceBlendMode(kHitFlashBlend);
    const bool fading = m_fade < 1.0f;
    if (fading)
        BeginTextureFactorFade(m_fade);
    m_model->Render(*renderer);
    if (fading)
        EndTextureFactorFade();
    if (d3d)
        d3d->ReleaseBlendMode();
    if (sticks)
        renderer->SetRenderOption(OmSkinShape::kDrawMesh);
    if (TsWorld* world = TsAccess::World()) {
        // The shadow falls on the ground below the character's own height in
        // the world, not below a height as tall as the character.
        const OmVector3 caster = m_position + OmVector3(0.0f, 1.5f, 0.0f);
        world->ProjectShadow(caster, 2.0f * m_radius, caster.y);
    }
}

void TsCharacterObject::DrawFightLooks(float renderTime)
{
    OmRenderer* renderer = OmRenderer::Current();
    OmD3D* d3d = OmD3D::Instance();
    if (!renderer || !d3d || !DrawModel(renderTime, 0.0f))
        return;
    LightFromWorld();
    ModulateSkinAlpha();
    d3d->ForceBlendMode(kHitFlashBlend);
    m_model->Render(*renderer);
    d3d->ReleaseBlendMode();
    BeginTextureFactorFade(0.5f);
    m_model->Render(*renderer);
    EndTextureFactorFade();
}
