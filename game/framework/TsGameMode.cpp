#include "game/framework/TsGameMode.h"

#include <cstdio>

#include "engine/OmGroup.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "render/OmD3D.h"

OM_IMPLEMENT_ABSTRACT_CLASS(TsGameMode, TsObject)

namespace {

// Once per run: these run every tick or frame.
void ReportMissing(bool& reported, const char* what)
{
    if (!reported) {
        reported = true;
        LogErrorF("TsGameMode: %s", what);
    }
}

void QueueLine(OmRenderer& renderer, float y, const char* text)
{
    static const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    renderer.QueueText(0.0f, y, text, red, 1.0f);
}

} // namespace

TsGameMode::TsGameMode()
{
    CreateSceneRoot();
}

TsGameMode::TsGameMode(OmArchive& archive) : TsObject(archive)
{
    CreateSceneRoot();
}

TsGameMode::~TsGameMode()
{
    if (m_sceneRoot) {
        m_sceneRoot->Release();
        m_sceneRoot = nullptr;
    }
}

void TsGameMode::CreateSceneRoot()
{
    m_sceneRoot = new OmGroup; // holding the reference it is made with
    static bool reported = false;
    ReportMissing(reported, "no main camera: the game camera is not built yet");
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

void TsGameMode::Tick(uint32_t)
{
    if (TsAudio* audio = TsAccess::Audio()) {
        audio->Update();
    }
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
    // The camera's heading and pitch lines wait for the game camera.
    OmD3D* device = OmD3D::Instance();
    const uint32_t* stats = device ? device->GetFrameStats()->words : nullptr;
    std::snprintf(line, sizeof line, "tpf: %d\n", stats ? int(stats[OmRenderStats::kPrimitives]) : 0);
    QueueLine(renderer, 0.18f, line);
    std::snprintf(line, sizeof line, "ttpf: %d\n", stats ? int(stats[OmRenderStats::kAlphaPrimitives]) : 0);
    QueueLine(renderer, 0.21f, line);
    std::snprintf(line, sizeof line, "t changes: %d", stats ? int(stats[OmRenderStats::kTextureChanges]) : 0);
    QueueLine(renderer, 0.24f, line);
}

void TsGameMode::Render(float renderTime, float)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer) {
        return;
    }
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
        renderer->DrawQueuedText();
        renderer->EndScene();
        renderer->Present();
    }
    renderer->ClearQueuedText();
}
