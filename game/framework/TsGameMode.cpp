#include "game/framework/TsGameMode.h"

#include <cstdio>

#include "engine/OmGroup.h"
#include "engine/OmRef.h"
#include "engine/OmRenderer.h"
#include "game/framework/TsCamera.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsScriptHandles.h"
#include "render/OmD3D.h"

OM_IMPLEMENT_ABSTRACT_CLASS(TsGameMode, TsObject)

namespace {

void QueueLine(OmRenderer& renderer, float y, const char* text)
{
    static const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    renderer.QueueText(0.0f, y, text, red, 1.0f);
}

} // namespace

TsGameMode::TsGameMode()
{
    CreateSceneRoot();
    CreateCamera();
}

TsGameMode::TsGameMode(OmArchive& archive) : TsObject(archive)
{
    CreateSceneRoot();
    CreateCamera();
}

TsGameMode::~TsGameMode()
{
    // A mode is destroyed outright, not released: a script's handle (the
    // level, the front end) borrows it and is left null.
    TsScriptHandles::Forget(this, "TsGameMode");
    // The camera goes before the scene it looks at.
    m_camera = nullptr;
    m_sceneRoot = nullptr;
}

void TsGameMode::CreateSceneRoot()
{
    m_sceneRoot = OmMakeRef<OmGroup>();
}

// The mode's camera drives the renderer's own camera node.
void TsGameMode::CreateCamera()
{
    constexpr float kDegrees = 3.14159265f / 180.0f;
    m_camera = OmMakeRef<TsCamera>();
    m_camera->SetSceneCamera(GetActiveCamera());
    if (!m_camera->GetSceneCamera()) {
        static bool reported = false;
        LogErrorOnce(reported, "TsGameMode: there is no renderer camera for the mode's camera to drive");
    }
    m_camera->Position().SetNext(OmVector3(0.0f, 20.0f, -180.0f));
    m_camera->Heading().SetNext(0.0f);
    m_camera->Pitch().SetNext(0.0f);
    m_camera->Roll().SetNext(0.0f);
    m_camera->SetFieldOfView(40.0f * kDegrees);
    m_camera->Snap();
    m_camera->SetAspect(TsCamera::kDefaultAspect);
    m_camera->SetNearPlane(1.0f);
    m_camera->SetFarPlane(200.0f);
    m_camera->Distance().SetNext(10.0f);
    m_camera->Focus().SetNext(OmVector3(0.0f, 0.0f, 0.0f));
    m_camera->Tick(0);
    m_camera->Tick(0);
    m_camera->Update(0.0f);
    m_camera->SetName("main_camera");
}

bool TsGameMode::FindNode(const char* name, OmNode*& found) const
{
    found = nullptr;
    return FindNodeByName(name, m_sceneRoot, found);
}

bool TsGameMode::Initialise()
{
    m_sceneRoot->Update(0.0f);
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer) {
        LogError("TsGameMode: there is no renderer to draw the mode with");
        return true;
    }
    renderer->SetDefaultRenderStates();
    const float wholeScreen[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    renderer->SetViewport(wholeScreen);
    renderer->ClearQueuedText();
    renderer->LoadAllTextures();
    return true;
}

void TsGameMode::Tick(uint32_t tickCount)
{
    if (TsAudio* audio = TsAccess::Audio()) {
        audio->Update();
    }
    m_camera->Tick(tickCount);
}

void TsGameMode::QueueDebugOverlay(OmRenderer& renderer) const
{
    char line[64];
    TsMain* app = TsMain::Instance();
    std::snprintf(line, sizeof line, "fps: %f\n", static_cast<double>(app ? app->MeasureFrameRate() : 0.0f));
    QueueLine(renderer, 0.03f, line);
    const TsInput* input = app ? app->GetInput() : nullptr;
    std::snprintf(line, sizeof line, "CursorX: %d\n", input ? input->GetCursorX() : 0);
    QueueLine(renderer, 0.06f, line);
    std::snprintf(line, sizeof line, "CursorY: %d\n", input ? input->GetCursorY() : 0);
    QueueLine(renderer, 0.09f, line);
    std::snprintf(line, sizeof line, "Azi: %f\n", static_cast<double>(m_camera->Heading().next));
    QueueLine(renderer, 0.12f, line);
    std::snprintf(line, sizeof line, "Ele: %f\n", static_cast<double>(m_camera->Pitch().next));
    QueueLine(renderer, 0.15f, line);
    OmD3D* device = OmD3D::Instance();
    const uint32_t* stats = device ? device->GetFrameStats()->words : nullptr;
    std::snprintf(line, sizeof line, "tpf: %d\n", stats ? int(stats[OmRenderStats::kPrimitives]) : 0);
    QueueLine(renderer, 0.18f, line);
    std::snprintf(line, sizeof line, "ttpf: %d\n", stats ? int(stats[OmRenderStats::kAlphaPrimitives]) : 0);
    QueueLine(renderer, 0.21f, line);
    std::snprintf(line, sizeof line, "t changes: %d", stats ? int(stats[OmRenderStats::kTextureChanges]) : 0);
    QueueLine(renderer, 0.24f, line);
}

void TsGameMode::Render(float renderTime, float fraction)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer) {
        return;
    }
    m_camera->Render(renderTime, fraction);
    QueueDebugOverlay(*renderer);
    m_sceneRoot->Update(renderTime);
    renderer->Clear(nullptr, 0);
    if (renderer->BeginScene(renderTime)) {
        // Meshes file their blended triangles into the batch, which draws
        // them far to near once the opaque scene stands.
        OmD3DBatch& batch = renderer->GetBatch();
        batch.Begin(0);
        m_sceneRoot->Render(*renderer);
        batch.Flush();
        // The meshes' own blended parts wait in the alpha queue: drawn now,
        // under the texts, not by the end of the scene over them.
        renderer->FlushAlphaQueue();
        renderer->DrawQueuedText();
        renderer->EndScene();
        renderer->Present();
    }
    renderer->ClearQueuedText();
}
