#include "ui/TsFrontEnd.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/OmBaseSkinMesh.h"
#include "engine/OmGroup.h"
#include "engine/OmLight.h"
#include "engine/OmRef.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmSkinMesh.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsOptions.h"
#include "platform/FilePath.h"
#include "platform/GfxDevice.h"
#include "platform/GfxTexture.h"
#include "platform/Window.h"
#include "render/OmD3D.h"
#include "ui/TsFrontEndSkinShape.h"
#include "ui/TsGuiWindow.h"
#include "ui/TsInputScreen.h"
#include "ui/TsLoadGameScreen.h"
#include "ui/TsTitleScreens.h"

OM_IMPLEMENT_CLASS(TsFrontEnd, TsFrontEndHost)

const char* const TsFrontEnd::kSpriteNames[kSpriteCount] = {
    "Alientext.tga",    "RHS_overlay.tga",  "paneltop.tga",        "panelmiddle.tga",    "panelbottom.tga",
    "Button04.tga",     "Button05.tga",     "Button06.tga",        "Button04b.tga",      "top.tga",
    "Left_side.tga",    "Bottom.tga",       "BLcorner.tga",        "BRcorner.tga",       "TLcorner.tga",
    "TRcorner.tga",     "UpArrow01.tga",    "Roundtop.tga",        "Goldslider.tga",     "Right_side.tga",
    "Roundbottom.tga",  "DownArrow01.tga",  "UpArrow02.tga",       "DownArrow02.tga",    "S_SliderL.tga",
    "S_SliderM.tga",    "S_SliderR.tga",    "S_SliderL02.tga",     "S_SliderR02.tga",    "SilverSlider.tga",
    "toggle1.tga",      "toggle2.tga",      "toggle3.tga",         "checkbox-off.tga",   "checkbox-on.tga",
    "radiobutton_off.tga", "radiobutton_on.tga", "EBoxL.tga",      "EBoxM.tga",          "EBoxR.tga",
    "TBoxL.tga",        "TBoxM.tga",        "TBoxR.tga",
};

namespace {

constexpr int kQuitQuestion = 30657;
constexpr uint32_t kPlainMeshFlags = 76;
constexpr uint32_t kFlaggedMeshFlags = 588;
constexpr float kModelScale = 0.1f;

// Enters a folder for as long as it lives and then goes back where it was,
// whatever path the loading took.
class FolderVisit {
public:
    explicit FolderVisit(const char* folder)
    {
        std::error_code error;
        m_home = std::filesystem::current_path(error);
        if (error)
            return;
        std::filesystem::current_path(plat::ResolvePath(folder), error);
        m_entered = !error;
    }
    ~FolderVisit()
    {
        std::error_code error;
        if (m_entered)
            std::filesystem::current_path(m_home, error);
    }
    FolderVisit(const FolderVisit&) = delete;
    FolderVisit& operator=(const FolderVisit&) = delete;
    bool Entered() const { return m_entered; }

private:
    std::filesystem::path m_home;
    bool m_entered = false;
};

// The group with the figure's shape under it; null when it cannot be made.
OmRef<OmGroup> LoadSkinnedModel(OmSceneImporter& importer, OmRef<OmGroup> group, const char* folder,
                                const char* file, uint32_t flags)
{
    OmD3D* renderer = OmD3D::Instance();
    OmRef<OmSkinMesh> mesh;
    {
        // The skeleton comes from the bones file beside the scene.
        FolderVisit visit(folder);
        if (visit.Entered())
            mesh.AdoptNew(importer.LoadSkinned(file, kModelScale, 4, false));
    }
    if (!mesh) {
        LogErrorF("TsFrontEnd::LoadModel - Error loading skin mesh '%s'", file);
        return nullptr;
    }
    const auto device = OmRef<OmBaseSkinMesh>::Adopt(renderer ? renderer->CreateSkinMesh() : nullptr);
    if (!device || !mesh->ConvertForRenderer(*renderer, flags, *device)) {
        LogErrorF("TsFrontEnd::LoadModel - Error converting model '%s'", file);
        return nullptr;
    }
    const auto shape = OmMakeRef<TsFrontEndSkinShape>();
    shape->SetGeometry(device);
    group->AddChild(shape);
    return group;
}

} // namespace

TsFrontEnd::TsFrontEnd()
{
    ZeroState();
    TsAccess::SetFrontEnd(this);
}

TsFrontEnd::TsFrontEnd(OmArchive& archive) : TsFrontEndHost(archive) {}

void TsFrontEnd::ZeroState()
{
    m_displayState = kShowing;
    m_quitPending = 0;
    m_lookBones[0] = m_lookBones[1] = -1;
    for (int32_t& id : m_quadBuffers)
        id = -1;
    for (OmVector2& jitter : m_jitters)
        jitter.Set(0.0f, 0.0f);
}

TsFrontEnd::~TsFrontEnd()
{
    // The top screen is told it is leaving (the options screens save then),
    // but tearing down never starts a game.
    m_tearingDown = 1;
    PopWindow();
    if (TsAccess::FrontEnd() == this)
        TsAccess::SetFrontEnd(nullptr);
    OmD3D* renderer = OmD3D::Instance();
    for (OmRef<OmLight>& light : m_lights) {
        if (light && renderer)
            renderer->RemoveLight(light);
        light = nullptr;
    }
    ReleaseRenderTarget();
    m_characterModel = nullptr;
    m_backgroundModel = nullptr;
    m_characterShape = nullptr;
    for (int32_t& id : m_quadBuffers) {
        if (id >= 0 && renderer)
            renderer->ReleaseVertexBuffer(id);
        id = -1;
    }
    if (TsAudio* audio = TsAccess::Audio())
        audio->StopAll();
}

OmGroup* TsFrontEnd::LoadModel(const char* folder, const char* file, bool skinned, bool flagged,
                               const char* textureFolder)
{
    char textures[OmSceneImporter::kMaxPath];
    char path[OmSceneImporter::kMaxPath];
    const int t = std::snprintf(textures, sizeof textures, "%s\\%s\\", folder, textureFolder);
    const int p = std::snprintf(path, sizeof path, "%s\\%s", folder, file);
    if (t < 0 || size_t(t) >= sizeof textures || p < 0 || size_t(p) >= sizeof path) {
        LogErrorF("TsFrontEnd::LoadModel - Error loading model '%s': the path is too long", file);
        return nullptr;
    }
    const uint32_t flags = flagged ? kFlaggedMeshFlags : kPlainMeshFlags;
    auto group = OmMakeRef<OmGroup>();
    OmSceneImporter importer;
    importer.SetTextureDirectory(textures);
    if (skinned)
        return LoadSkinnedModel(importer, std::move(group), folder, file, flags).Detach();
    if (!importer.Load(path, group)) {
        LogErrorF("TsFrontEnd::LoadModel - Error loading model '%s'", file);
        return nullptr;
    }
    group->Update(0.0f);
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || !CreateRenderMeshes(group, *renderer, flags)) {
        LogErrorF("TsFrontEnd::LoadModel - Error converting model '%s'", file);
        return nullptr;
    }
    group->Update(0.0f);
    return group.Detach(); // the caller's reference
}

bool TsFrontEnd::Initialise()
{
    TsOptions* options = TsAccess::Options();
    options->Apply(15);
    LoadSprites(kSpriteCount, kSpriteNames);
    OmD3D* renderer = OmD3D::Instance();
    if (renderer && options->GetMaxTextureSize() < 256)
        renderer->SetMaxTextureSize(256);
    int32_t targetWidth = kMaxRenderTarget, targetHeight = kMaxRenderTarget;
    if (renderer && renderer->GetDevice()) {
        plat::GfxCaps caps{};
        renderer->GetDevice()->GetDeviceCaps(&caps);
        targetWidth = std::min<int32_t>(int32_t(caps.maxTextureWidth), kMaxRenderTarget);
        targetHeight = std::min<int32_t>(int32_t(caps.maxTextureHeight), kMaxRenderTarget);
        m_resetCount = renderer->GetResetCount();
    }
    TsAnimationDB* animations = TsAccess::AnimDB();
    if (animations) {
        animations->MarkForLoading(kTitleFigureAnimation);
        animations->LoadAnimations();
    }
    m_characterModel.AdoptNew(LoadModel("data\\frontend\\helmer", "helmer.pbf", true, false, "textures"));
    if (m_characterModel) {
        m_characterModel->LocalPosition() = OmVector3(-2.0f, -7.5f, 16.0f);
        m_characterModel->LocalRotation().SetRotationY(0.24f);
        m_characterShape = TsFrontEndSkinShape::Cast(m_characterModel->GetChild(0));
        if (m_characterShape && !CreateRenderTarget(targetWidth, targetHeight)) {
            // Without the effect the figure stands where the effect would have shown it.
            m_characterShape->LocalPosition() += OmVector3(3.5f, -0.5f, 2.5f);
            m_characterShape->LocalRotation().SetRotationY(0.15f);
            m_characterShape->LocalScale() = 1.05f;
        }
    }
    m_backgroundModel.AdoptNew(LoadModel("data\\frontend\\background", "background.pbf", false, false, "textures"));
    if (m_backgroundModel) {
        m_backgroundModel->LocalPosition() = OmVector3(3.5f, -12.0f, 17.0f);
        m_backgroundModel->LocalRotation().SetRotationY(0.44f);
    }
    SetUpCamera();
    CreateLights();
    if (!TsFrontEndBase::Initialise())
        return false;
    if (TsInput* input = TsAccess::Input())
        input->ClearState();
    if (TsAudio* audio = TsAccess::Audio())
        audio->StartFrontEndAudio();
    if (m_characterShape) {
        m_characterShape->GetScroller().Prepare(this);
        const OmBoneAnimation* stand =
            animations ? animations->GetAnimation(kTitleFigureAnimation, TSANIM_STAND) : nullptr;
        if (stand)
            m_characterShape->PlayAnimation(stand, 2);
        else
            LogError("Front end: the title figure has no standing animation (entry 5); it stands still");
        m_lookBones[0] = m_characterShape->GetBoneIndex("Box14");
        m_lookBones[1] = m_characterShape->GetBoneIndex("Box22");
    }
    CreateQuadBuffers();
    PushWindow(GetMainScreen(this), kScreen);
    return true;
}

void TsFrontEnd::Tick(uint32_t tickCount)
{
    const TsInput* input = TsAccess::Input();
    if (input && input->IsActionPressed(TS_ACTION_MENU))
        HandleBack();
    TsFrontEndBase::Tick(tickCount);
    UpdateInterference();
    if (input && GetStackDepth() == 1 && input->IsActionPressed(TS_ACTION_SELECT))
        PokeAt(float(input->GetCursorX()), float(input->GetCursorY()));
    AdvancePokes();
    TsGuiWindow* top = GetTopWindow();
    if (m_quitPending && !(top && top->IsModal())) {
        if (GetMessageResult() == kResultYes) {
            if (TsMain* app = TsMain::Instance())
                app->RequestMode(TS_MODE_FRONT_END);
            plat::PostQuit(0);
        }
        m_quitPending = 0;
    }
}

void TsFrontEnd::HandleBack()
{
    if (GetStackDepth() == 1) {
        AskToQuit();
        return;
    }
    TsGuiWindow* top = GetTopWindow();
    if (top && !top->IsModal() && top->ClosesOnBack())
        PopWindow();
}

void TsFrontEnd::AskToQuit()
{
    SetMessageResult(kResultNo);
    ShowFrontEndMessage(TitleText(kQuitQuestion), TsGuiMessageBox::kYesNo, this);
    m_quitPending = 1;
}

void TsFrontEnd::EnterGame()
{
    if (m_tearingDown)
        return;
    if (TsAudio* audio = TsAccess::Audio())
        audio->StopDialogueAndUnload();
    if (TsMain* app = TsMain::Instance())
        app->RequestMode(TS_MODE_LEVEL);
    m_displayState = kShowBackdrop;
}

// ---- pages ----

namespace {

template <class Screen>
TsGuiWindow* FindOrMake(TsFrontEndBase* frontEnd, const char* name)
{
    if (!frontEnd)
        return nullptr;
    if (TsGuiWindow* page = frontEnd->FindPage(name))
        return page;
    std::unique_ptr<Screen> screen(new (std::nothrow) Screen(frontEnd));
    if (screen)
        screen->SetName(name);
    return frontEnd->AdoptPage(std::move(screen));
}

} // namespace

TsGuiWindow* TsFrontEnd::GetNewGameScreen(TsFrontEndBase* f) { return FindOrMake<TsNewGameScreen>(f, "ngframe"); }
TsGuiWindow* TsFrontEnd::GetMainScreen(TsFrontEndBase* f) { return FindOrMake<TsMainScreen>(f, "main"); }
TsGuiWindow* TsFrontEnd::GetLoadScreen(TsFrontEndBase* f) { return FindOrMake<TsLoadGameScreen>(f, "load"); }
TsGuiWindow* TsFrontEnd::GetOptionsScreen(TsFrontEndBase* f) { return FindOrMake<TsOptionsScreen>(f, "options"); }
TsGuiWindow* TsFrontEnd::GetAudioScreen(TsFrontEndBase* f) { return FindOrMake<TsAudioScreen>(f, "audio"); }
TsGuiWindow* TsFrontEnd::GetCreditsScreen(TsFrontEndBase* f) { return FindOrMake<TsCreditsScreen>(f, "credits"); }
TsGuiWindow* TsFrontEnd::GetGraphicsScreen(TsFrontEndBase* f) { return FindOrMake<TsGraphicsScreen>(f, "graphics"); }
TsGuiWindow* TsFrontEnd::GetGameOptionsScreen(TsFrontEndBase* f)
{
    return FindOrMake<TsGameOptionsScreen>(f, "goptions");
}
TsGuiWindow* TsFrontEnd::GetInputScreen(TsFrontEndBase* f) { return FindOrMake<TsInputScreen>(f, "input"); }
