#include "game/framework/TsObjectView.h"

#include <cmath>
#include <cstdlib>

#include "engine/OmCamera.h"
#include "engine/OmGroup.h"
#include "engine/OmLight.h"
#include "engine/OmMatrix3.h"
#include "engine/OmRef.h"
#include "engine/OmRenderer.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsShell.h"
#include "platform/KeyCodes.h"

OM_IMPLEMENT_CLASS(TsObjectView, TsGameMode)

namespace {

constexpr float kDegrees = 3.14159265f / 180.0f;
const OmVector3 kHomePosition(0.0f, 5.0f, -30.0f);
const OmVector3 kHomeUp(0.0f, 1.0f, 0.0f);

constexpr float kWheelStep = 0.0015f;
constexpr float kTurnStep = -0.01f;
constexpr float kPanStep = 0.1f;

// The script text each Tools entry runs, by entry argument.
const char* const kToolsScripts[] = {"LoadSceneObject()", "ToolImportBoneMesh()", "ToolImportBoneAnimation()"};
const char* const kToolsLabels[] = {"Load &Object", "Load &Character", "Load &Animation"};

void RunToolsScript(int32_t argument)
{
    if (argument >= 0 && argument < 3) {
        TsScriptHost::DoString(TsAccess::LuaState(), kToolsScripts[argument]);
    }
}

OmVector3 Rotated(const OmVector3& v, const OmVector3& axis, float angle)
{
    OmMatrix3 m;
    m.SetAxisRotation(angle, axis.x, axis.y, axis.z);
    return m.Transform(v);
}

} // namespace

TsObjectView::TsObjectView()
{
    Construct();
}

TsObjectView::TsObjectView(OmArchive& archive) : TsGameMode(archive)
{
    Construct();
}

TsGameMode* TsObjectView::Create()
{
    return new TsObjectView;
}

void TsObjectView::Construct()
{
    ResetView();
    m_camera->SetMode(TS_CAMERA_OWNER);
    m_camera->Snap();
    m_camera->SetFieldOfView(90.0f * kDegrees);
    m_camera->SetNearPlane(1.0f);
    m_camera->SetFarPlane(1000.0f);

    m_light = OmMakeRef<OmLight>();
    m_light->SetName("Main Light");
    m_light->lightType = OmLight::kPoint;
    for (int i = 0; i < 3; ++i) {
        m_light->ambient[i] = 0.5f;
        m_light->diffuse[i] = 0.8f;
        m_light->specular[i] = 0.0f;
    }
    m_light->ambient[3] = 1.0f;
    m_light->diffuse[3] = 1.0f;
    m_light->LocalPosition().Set(100.0f, 100.0f, 100.0f);
    // Far from what it shows: no fall-off, or it would light nothing.
    m_light->attenuation[0] = 1.0f;
    m_light->attenuation[1] = m_light->attenuation[2] = 0.0f;
    // It lights everything the viewer shows.
    m_light->AddTarget(m_sceneRoot);
    m_sceneRoot->AddChild(m_light);
    if (OmRenderer* renderer = OmRenderer::Current()) {
        m_light->AddToRenderer(*renderer);
    }
    ApplyView();
}

TsObjectView::~TsObjectView()
{
    if (m_light) {
        if (OmRenderer* renderer = OmRenderer::Current()) {
            renderer->RemoveLight(m_light);
        }
        m_light = nullptr;
    }
}

bool TsObjectView::Initialise()
{
    static bool menuAdded = false;
    if (!menuAdded) {
        menuAdded = true;
        for (int i = 0; i < 3; ++i) {
            TsShell::Instance().AddToolsItem(kToolsLabels[i], &RunToolsScript, i);
        }
    }
    if (OmRenderer* renderer = OmRenderer::Current()) {
        renderer->SetLighting(true);
    }
    return TsGameMode::Initialise();
}

void TsObjectView::ResetView()
{
    m_position = kHomePosition;
    m_target.Set(0.0f, 0.0f, 0.0f);
    m_up = kHomeUp;
}

void TsObjectView::Orbit(float dx, float dy)
{
    OmVector3 side;
    CrossProduct(m_up, m_target - m_position, side);
    if (NormaliseInPlace(side) == 0.0f) {
        side.Set(1.0f, 0.0f, 0.0f);
    }
    const bool horizontal = std::fabs(dx) >= std::fabs(dy);
    const OmVector3 axis = horizontal ? kHomeUp : side;
    const float angle = kTurnStep * (horizontal ? dx : dy);
    if (m_orbitOrigin) {
        m_position = Rotated(m_position, axis, angle);
        m_target = Rotated(m_target, axis, angle);
    } else {
        m_position = m_target + Rotated(m_position - m_target, axis, angle);
    }
}

void TsObjectView::Pan(float dx, float dy)
{
    OmVector3 side;
    CrossProduct(m_up, m_target - m_position, side);
    NormaliseInPlace(side);
    const OmVector3 move = m_up * (kPanStep * dy) + side * (-kPanStep * dx);
    m_position += move;
    m_target += move;
}

void TsObjectView::ApplyView()
{
    m_camera->Position().SetAll(m_position);
    m_camera->Focus().SetAll(m_target);
    m_camera->Roll().SetAll(0.0f);
    OmCamera* camera = m_camera->GetSceneCamera();
    OmVector3 forward;
    if (!camera || NormaliseInto(m_target - m_position, forward) == 0.0f) {
        return; // no camera, or the target sits on the eye: keep the last frame
    }
    OmVector3 right;
    CrossProduct(m_up, forward, right);
    if (NormaliseInPlace(right) == 0.0f) {
        right.Set(1.0f, 0.0f, 0.0f);
    }
    OmVector3 up;
    CrossProduct(forward, right, up);
    camera->SetFrame(m_position, right, up, forward);
}

void TsObjectView::Tick(uint32_t tickCount)
{
    if (const TsInput* input = TsAccess::Input()) {
        if (input->IsActionPressed(TS_ACTION_VIEWER_ORBIT)) {
            m_orbitOrigin = m_orbitOrigin ? 0 : 1;
        }
        const float speed = input->IsKeyDown(plat::kKeyLeftShift) ? 0.1f : 1.0f; // fine control
        const float dx = float(input->GetCursorX() - m_lastCursorX) * speed;
        const float dy = float(input->GetCursorY() - m_lastCursorY) * speed;
        m_lastCursorX = input->GetCursorX();
        m_lastCursorY = input->GetCursorY();
        const float wheel = float(input->GetMouseWheel()) * speed;
        if (wheel != 0.0f) {
            const OmVector3 move = (m_target - m_position) * (wheel * kWheelStep);
            m_position += move;
            m_target += move;
        }
        const bool gDown = input->IsKeyDown(plat::kKeyG);
        if (gDown && !m_gWasDown) {
            m_secondView = m_secondView ? 0 : 1;
        }
        m_gWasDown = gDown ? 1 : 0;
        if (input->IsActionDown(TS_ACTION_WEAPON_MODE_BUTTON)) { // the middle button drags
            if (input->IsKeyDown(plat::kKeyLeftAlt) || input->IsKeyDown(plat::kKeyRightAlt)) {
                if (dx != 0.0f || dy != 0.0f) {
                    Orbit(dx, dy);
                }
            } else {
                Pan(dx, dy);
            }
        }
        if (input->IsActionDown(TS_ACTION_VIEWER_HOME)) {
            ResetView();
        }
    }
    ApplyView();
    TsGameMode::Tick(tickCount);
}

void TsObjectView::Render(float renderTime, float fraction)
{
    if (OmRenderer* renderer = OmRenderer::Current()) {
        static const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        renderer->QueueText(0.0f, 0.0f, m_orbitOrigin ? "Arc Rotate Origin" : "Arc Rotate", white, 1.0f);
    }
    TsGameMode::Render(renderTime, fraction);
}
