// The developer's views of a level, switched on from the shell: the AI map
// round the current character, each character's squad state, path and
// radius, the collectibles, the triggers' volumes, the profilers' reports,
// and the current character's position and light. Nothing here runs unless
// a switch is on, and nothing allocates: texts go to the renderer's queue
// and lines are drawn from fixed buffers.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "engine/OmMatrix4.h"
#include "engine/OmRenderer.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsMain.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsLevelCursor.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTriggerObject.h"
#include "game/world/TsWorld.h"
#include "render/OmD3D.h"

namespace {

constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float kRed[4] = {1.0f, 0.0f, 0.0f, 1.0f};
constexpr float kLeaderColour[4] = {1.0f, 1.0f, 0.0f, 1.0f};
constexpr float kDeadColour[4] = {1.0f, 0.3f, 0.3f, 1.0f};
constexpr uint32_t kPathColour = 0xFF00FF00u;
constexpr uint32_t kRadiusColour = 0xFFFFFF00u;
constexpr uint32_t kCollectibleColour = 0xFF00FFFFu;
constexpr uint32_t kAIMapDelayFrames = 25; // the map view waits for the level to settle
constexpr float kTextRow = 0.025f;         // screen fraction between the lines of one block
constexpr float kOverlayBottom = 0.27f;    // the first row below the mode's debug overlay
constexpr int kCircleSides = 16;
constexpr int kLineBatch = 64; // lines drawn per call from a fixed buffer
// The level-conversion tools' scales: Quark units per metre inside and
// outside (the AI map's background image is laid at 16 and 32 units a tile
// metre).
constexpr float kQuarkInsideScale = 16.0f;
constexpr float kQuarkOutsideScale = 32.0f;

// Lines gathered into a fixed buffer and drawn a batch at a time.
class LineBatch {
public:
    LineBatch(OmRenderer& renderer, uint32_t colour) : m_renderer(renderer), m_colour(colour) {}
    ~LineBatch() { Flush(); }
    LineBatch(const LineBatch&) = delete;
    LineBatch& operator=(const LineBatch&) = delete;

    void Add(const OmVector3& from, const OmVector3& to)
    {
        if (m_count == kLineBatch) {
            Flush();
        }
        m_points[2 * m_count] = from;
        m_points[2 * m_count + 1] = to;
        ++m_count;
    }

private:
    void Flush()
    {
        if (m_count > 0) {
            m_renderer.DrawLines(m_count, m_points, m_colour);
        }
        m_count = 0;
    }

    OmRenderer& m_renderer;
    uint32_t m_colour;
    int m_count = 0;
    OmVector3 m_points[2 * kLineBatch];
};

const TsCharacterObject* AsCharacter(const OmList::Node* node)
{
    return dynamic_cast<const TsCharacterObject*>(OmList::ValueAt<const TsEntity>(node));
}

} // namespace

void TsLevel::QueueDebugTexts()
{
    // Triggers read their switch when the entities draw, later this frame.
    TsTriggerObject::SetShown(m_triggerDisplay != 0);
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer) {
        return;
    }
    if (GetDebugSwitch(kDebugProfile)) {
        if (TsMain* app = TsMain::Instance()) {
            app->GetProfiler().SetFirstRow(0);
            app->GetProfiler().Report();
        }
        m_profiler.SetFirstRow(TsMain::PROFILE_SECTION_COUNT + 1);
        m_profiler.Report();
    }
    const TsEntity* character = TsAccess::CurrentCharacter();
    if (GetDebugSwitch(kDebugText) && character) {
        QueueDebugOverlay(*renderer);
        QueueCharacterText(*renderer, *character);
    }
    if (m_levelDebug) {
        QueuePickedPoint(*renderer);
    }
    if (GetDebugSwitch(kDebugBehaviours)) {
        QueueCharacterDebug(*renderer);
    }
}

// The character's position and the light the world gives it, below the
// mode's overlay.
void TsLevel::QueueCharacterText(OmRenderer& renderer, const TsEntity& character) const
{
    const OmVector3& p = character.GetPosition();
    char line[128];
    std::snprintf(line, sizeof line, "pos: %f, %f, %f\n", double(p.x), double(p.y), double(p.z));
    renderer.QueueText(0.0f, kOverlayBottom, line, kRed, 1.0f);
    float total = 0.0f;
    if (m_world) {
        OmMaxLight* lights[4];
        float strengths[4];
        float colour[4];
        int32_t significant = 0;
        m_world->FindStrongestLights(p, 4, lights, strengths, colour, total, significant);
    }
    std::snprintf(line, sizeof line, "light: %f\n", double(total));
    renderer.QueueText(0.0f, kOverlayBottom + kTextRow, line, kRed, 1.0f);
}

// The point under the mouse in the game's metres and in the level editor's
// two scales, for placing things by hand.
void TsLevel::QueuePickedPoint(OmRenderer& renderer) const
{
    if (!m_levelCursor->HasPicked()) {
        return;
    }
    const OmVector3& p = m_levelCursor->GetPickedPoint();
    char line[160];
    float y = kOverlayBottom + 2.0f * kTextRow;
    std::snprintf(line, sizeof line, "Tessaran => X = %.1f, Y= %.1f, Z= %.1f", double(p.x), double(p.y), double(p.z));
    renderer.QueueText(0.0f, y, line, kWhite, 1.0f);
    y += kTextRow;
    std::snprintf(line, sizeof line, "Quark   \nInside Scale => X = %.1f, Y= %.1f, Z= %.1f\n",
                  double(p.x * kQuarkInsideScale), double(p.y * kQuarkInsideScale), double(p.z * kQuarkInsideScale));
    renderer.QueueText(0.0f, y, line, kWhite, 1.0f);
    y += 2.0f * kTextRow;
    std::snprintf(line, sizeof line, "Outside Scale => X = %.1f, Y= %.1f, Z= %.1f", double(p.x * kQuarkOutsideScale),
                  double(p.y * kQuarkOutsideScale), double(p.z * kQuarkOutsideScale));
    renderer.QueueText(0.0f, y, line, kWhite, 1.0f);
}

// With "player only" on, the views show the current character's squad.
bool TsLevel::ShowsDebugFor(const TsEntity& character) const
{
    if (!GetDebugSwitch(kDebugPlayerOnly)) {
        return true;
    }
    const TsCharacterObject* current = TsAccess::CurrentCharacter();
    const auto* other = dynamic_cast<const TsCharacterObject*>(&character);
    return current && other && (other == current || (other->GetSquad() && other->GetSquad() == current->GetSquad()));
}

// Above each character: its name, its squad's name (coloured for the
// leader), the squad's behaviours, formation, range and patrol, and its
// health.
void TsLevel::QueueCharacterDebug(OmRenderer& renderer) const
{
    if (!m_world) {
        return;
    }
    for (const OmList::Node* node = m_entityDB->GetCharacters().GetFirst(); node; node = node->next) {
        const TsCharacterObject* character = AsCharacter(node);
        float x = 0.0f, y = 0.0f, depth = 0.0f;
        if (!character || !ShowsDebugFor(*character) ||
            !m_world->WorldToScreen(character->GetPosition() + OmVector3(0.0f, character->GetHeight() + 0.5f, 0.0f),
                                   x, y, depth)) {
            continue;
        }
        auto queue = [&](const float* colour, const char* format, auto... values) {
            char line[128];
            std::snprintf(line, sizeof line, format, values...);
            renderer.QueueText(x, y, line, colour, 1.0f);
            y += kTextRow;
        };
        queue(kWhite, "%s", character->NameOrEmpty());
        if (const TsSquadObject* squad = character->GetSquad()) {
            queue(squad->GetLeader() == character ? kLeaderColour : kWhite, "%s", squad->NameOrEmpty());
            queue(kWhite, "Current beh.= %s", TsSquadObject::BehaviourName(squad->GetEffectiveBehaviour()));
            queue(kWhite, "Qkm beh.= %s", TsSquadObject::BehaviourName(squad->GetBehaviour()));
            queue(kWhite, "Formation = %s", TsSquadObject::FormationName(squad->GetFormation()));
            queue(kWhite, "range = %f", double(squad->GetRange()));
            queue(kWhite, "patrol = %s", squad->GetPatrolPathName() ? squad->GetPatrolPathName() : "");
        }
        if (character->HasFlag(TS_ENTITY_DEAD)) {
            queue(kDeadColour, "%s", "DEAD");
        } else {
            queue(kWhite, "Health = %f", double(character->GetHealth()));
        }
    }
}

void TsLevel::RenderDebugViews(OmRenderer& renderer)
{
    ++m_renderedFrames;
    const bool anyLines = GetDebugSwitch(kDebugPaths) || GetDebugSwitch(kDebugRadius) ||
                          GetDebugSwitch(kDebugCollectibles);
    if (anyLines) {
        renderer.SetWorldMatrix(&OmMatrix4::Identity());
        DrawCharacterDebug(renderer);
        DrawCollectibles(renderer);
    }
    if (m_world && GetDebugSwitch(kDebugGrid) && m_renderedFrames > kAIMapDelayFrames) {
        m_world->DrawAIMapDebug();
    }
}

// Each character's path from where it is to its end, and its radius as a
// ring on the ground.
void TsLevel::DrawCharacterDebug(OmRenderer& renderer) const
{
    const bool paths = GetDebugSwitch(kDebugPaths);
    const bool radius = GetDebugSwitch(kDebugRadius);
    if (!paths && !radius) {
        return;
    }
    LineBatch pathLines(renderer, kPathColour);
    LineBatch rings(renderer, kRadiusColour);
    for (const OmList::Node* node = m_entityDB->GetCharacters().GetFirst(); node; node = node->next) {
        const TsCharacterObject* character = AsCharacter(node);
        if (!character || !ShowsDebugFor(*character)) {
            continue;
        }
        const OmVector3& at = character->GetPosition();
        const float height = at.y + 0.1f; // just above the floor it stands on
        const TsPathTrack& track = character->GetTrack();
        if (paths && !track.IsDone()) {
            const auto& points = track.GetPoints();
            OmVector3 previous(at.x, height, at.z);
            for (uint32_t i = static_cast<uint32_t>(std::max(track.GetCursor(), 0)); i < points.GetCount(); ++i) {
                const OmVector3 next(points[i].x, height, points[i].z);
                pathLines.Add(previous, next);
                previous = next;
            }
        }
        if (radius) {
            const float r = character->GetRadius();
            for (int side = 0; side < kCircleSides; ++side) {
                const float a0 = 2.0f * std::numbers::pi_v<float> * float(side) / kCircleSides;
                const float a1 = 2.0f * std::numbers::pi_v<float> * float(side + 1) / kCircleSides;
                rings.Add(OmVector3(at.x + r * std::cos(a0), height, at.z + r * std::sin(a0)),
                          OmVector3(at.x + r * std::cos(a1), height, at.z + r * std::sin(a1)));
            }
        }
    }
}

// A cross and a post at each collectible lying in the level.
void TsLevel::DrawCollectibles(OmRenderer& renderer) const
{
    if (!GetDebugSwitch(kDebugCollectibles)) {
        return;
    }
    LineBatch lines(renderer, kCollectibleColour);
    for (const OmList::Node* node = m_entityDB->GetCollectibles().GetFirst(); node; node = node->next) {
        const auto* entity = OmList::ValueAt<const TsEntity>(node);
        if (!entity || entity->IsDormant()) {
            continue;
        }
        const OmVector3& p = entity->GetPosition();
        lines.Add(OmVector3(p.x - 0.5f, p.y + 0.1f, p.z), OmVector3(p.x + 0.5f, p.y + 0.1f, p.z));
        lines.Add(OmVector3(p.x, p.y + 0.1f, p.z - 0.5f), OmVector3(p.x, p.y + 0.1f, p.z + 0.5f));
        lines.Add(p, OmVector3(p.x, p.y + 2.0f, p.z));
    }
}
