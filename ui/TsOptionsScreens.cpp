#include "ui/TsOptionsScreens.h"

#include <algorithm>

#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsOptions.h"
#include "ui/TsFrontEnd.h"

namespace {

constexpr float kHelpInset = 12.0f;
constexpr int32_t kOptionTexts[4] = {30652, 30653, 30654, 30655};
// Preview samples of the speech, effects and music sliders (their indices
// among the audio screen's children are 2, 3 and 4).
constexpr int32_t kPreviewSounds[3] = {32, 188, 238};

TsOptions& Options() { return *TsAccess::Options(); }

void SaveOptions(int applyFlags)
{
    Options().Apply(applyFlags);
    if (!Options().Save())
        LogError("Options: options.lua could not be written; the changes last until the game ends");
}

float FrameRows(const TsGuiDialog& box)
{
    const float top = box.GetFrameSprite(TS_FRAME_TOP).GetPixelHeight();
    const float bottom = box.GetFrameSprite(TS_FRAME_BOTTOM).GetPixelHeight();
    return top + bottom + box.GetFrameSprite(TS_FRAME_LEFT).GetPixelHeight();
}

float PlainLineHeight(const TsFrontEndBase* frontEnd)
{
    float w = 0.0f, h = 0.0f;
    frontEnd->GetPlainTextExtent("0", w, h);
    return h;
}

} // namespace

// ---- shared controls ----

void TsFrontEndPanel::Open(TsGuiArg x, TsGuiArg y)
{
    TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
    TitleDialogFrame(GetFrontEnd(), frame);
    SetFrameSprites(frame);
    TsGuiPanel::Open(x, y);
}

void TsInfoBox::Open(TsGuiArg x, TsGuiArg y)
{
    TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
    TitleDialogFrame(GetFrontEnd(), frame);
    SetFrameSprites(frame);
    SetFrameLines(true);
    TsGuiDialog::Open(x, y);
}

void TsInfoBox::DrawHelp(const char* text) const
{
    if (!text || !*text)
        return;
    const float left = GuiToPixelsX(m_x) + kHelpInset, top = GuiToPixelsY(m_y) + kHelpInset;
    const float right = GuiToPixelsX(GetRight()) - kHelpInset, bottom = GuiToPixelsY(GetBottom()) - kHelpInset;
    GetFrontEnd()->DrawWrappedText(left, top, right, bottom, 0xFFFFFFFF, text, 0);
}

void TsFrontEndSlider::Open(TsGuiArg x, TsGuiArg y)
{
    TsGuiSlider::Open(x, y);
    const TsFrontEndBase* f = GuiFrontEndOf(*this);
    SetSprites(TitleSprite(f, 24), TitleSprite(f, 25, 0, 0), TitleSprite(f, 26), TitleSprite(f, 29));
    SetPressedSprites(TitleSprite(f, 27), TsGuiSpritePlacement(), TitleSprite(f, 28));
}

void TsVolumeSlider::OnChanged()
{
    TsAudio* audio = TsAccess::Audio();
    const int32_t released = GetReleasedIndex();
    SetReleasedIndex(-1);
    if (!audio)
        return;
    int effects = 0, music = 0, dialogue = 0;
    audio->GetVolumes(effects, music, dialogue);
    audio->SetVolumes(TsOptions::VolumeAtSliderPlace(GetValue()), music, dialogue);
    if (released >= 2 && released <= 4) {
        const int32_t sound = kPreviewSounds[released - 2];
        if (!audio->IsSoundPlaying(sound))
            audio->PlaySound(sound, 0.0f, 0.0f, 0.0f, false);
    }
}

void TsDetailSlider::OnChanged()
{
    if (auto* screen = dynamic_cast<TsGraphicsScreen*>(GetOwner()))
        screen->CheckLevel(LevelOf(GetValue()));
}

void TsFrontEndToggle::Open(TsGuiArg x, TsGuiArg y)
{
    const TsFrontEndBase* f = GuiFrontEndOf(*this);
    SetSprites(TitleSprite(f, 33), TitleSprite(f, 34));
    TsGuiToggle::Open(x, y);
}

void TsDetailToggle::Open(TsGuiArg x, TsGuiArg y)
{
    const TsFrontEndBase* f = GuiFrontEndOf(*this);
    SetSprites(TitleSprite(f, 35), TitleSprite(f, 36));
    TsGuiToggle::Open(x, y);
}

// ---- the options menu ----

TsOptionsScreen::TsOptionsScreen(TsFrontEndBase* frontEnd)
    : TsGuiWindow(frontEnd), audio(TsFrontEnd::GetAudioScreen), graphics(TsFrontEnd::GetGraphicsScreen),
      input(TsFrontEnd::GetInputScreen), gameOptions(TsFrontEnd::GetGameOptionsScreen)
{
}

void TsOptionsScreen::Open(TsGuiArg x, TsGuiArg y)
{
    TsPageButton* buttons[4] = {&audio, &graphics, &input, &gameOptions};
    AddChild(&back);
    for (int k = 0; k < 4; ++k)
        AddChild(buttons[k]);
    for (int k = 0; k < 4; ++k)
        buttons[k]->SetText(TitleText(kOptionTexts[k]));
    TsGuiWindow::Open(x, y);
    const float width = std::max(GetWidestChild(), 0.26f);
    const float step = audio.GetHeight() + GuiToFractionY(4.0f);
    for (int k = 0; k < 4; ++k)
        buttons[k]->SetRect(0.1f, 0.3f + float(k) * step, width, 0.05f);
}

void TsOptionsScreen::Render(float fraction)
{
    DrawScreenTitle(GetFrontEnd(), TitleText(30656));
    TsGuiWindow::Render(fraction);
}

// ---- sound ----

TsAudioScreen::TsAudioScreen(TsFrontEndBase* frontEnd) : TsGuiWindow(frontEnd), panel(frontEnd) {}

void TsAudioScreen::Open(TsGuiArg x, TsGuiArg y)
{
    AddChild(&back);
    AddChild(&panel);
    TsVolumeSlider* sliders[3] = {&speech, &effects, &music};
    const int32_t labels[3] = {30637, 30638, 30639};
    for (int k = 0; k < 3; ++k) {
        AddChild(sliders[k]);
        panel.AddItem(sliders[k]);
        sliders[k]->SetLabel(TitleText(labels[k]));
    }
    panel.SetTitle(TitleText(30636));
    TsGuiWindow::Open(x, y);
    const float step = speech.GetHeight() + 0.05f;
    for (int k = 0; k < 3; ++k)
        sliders[k]->SetRect(0.4f, 0.3f + float(k) * step, 0.3f, 0.0f);
    panel.Layout();
}

void TsAudioScreen::Activate(TsGuiArg a, TsGuiArg b)
{
    speech.SetValue(TsOptions::SliderPlaceOf(Options().GetSpeechVolume()));
    effects.SetValue(TsOptions::SliderPlaceOf(Options().GetEffectsVolume()));
    music.SetValue(TsOptions::SliderPlaceOf(Options().GetMusicVolume()));
    TsGuiWindow::Activate(a, b);
}

void TsAudioScreen::Deactivate(TsGuiArg a, TsGuiArg b)
{
    Options().SetSpeechVolume(TsOptions::VolumeAtSliderPlace(speech.GetValue()));
    Options().SetEffectsVolume(TsOptions::VolumeAtSliderPlace(effects.GetValue()));
    Options().SetMusicVolume(TsOptions::VolumeAtSliderPlace(music.GetValue()));
    if (TsAudio* audio = TsAccess::Audio())
        audio->StopMusicSegment(); // the last slider's sample stops with the screen
    SaveOptions(TsOptions::APPLY_AUDIO);
    TsGuiWindow::Deactivate(a, b);
}

void TsAudioScreen::Render(float fraction)
{
    DrawScreenTitle(GetFrontEnd(), TitleText(30640));
    TsGuiWindow::Render(fraction);
}

// ---- display ----

TsGraphicsScreen::TsGraphicsScreen(TsFrontEndBase* frontEnd)
    : TsGuiWindow(frontEnd), panels{TsFrontEndPanel(frontEnd), TsFrontEndPanel(frontEnd), TsFrontEndPanel(frontEnd),
                                    TsFrontEndPanel(frontEnd)},
      info(frontEnd)
{
}

namespace {

int32_t DetailOption(int32_t group)
{
    switch (group) {
    case 0: return Options().GetAnimDetailLevel();
    case 1: return Options().GetTexDetailLevel();
    default: return Options().GetFXDetailLevel();
    }
}

} // namespace

void TsGraphicsScreen::Open(TsGuiArg x, TsGuiArg y)
{
    static const int32_t kTitles[kGroups] = {30641, 30642, 30643};
    AddChild(&back);
    for (TsFrontEndPanel& panel : panels)
        AddChild(&panel);
    AddChild(&detail);
    AddChild(&gamma);
    AddChild(&info);
    for (int32_t g = 0; g < kGroups; ++g) {
        panels[g].SetTitle(TitleText(kTitles[g]));
        for (int32_t i = 0; i < 3; ++i) {
            TsDetailToggle& toggle = toggles[g][i];
            AddChild(&toggle);
            panels[g].AddItem(&toggle);
            toggle.SetGroup(g);
            toggle.SetLabel(Options().GetDetailLevelName(i));
            toggle.SetChecked(i == DetailOption(g));
        }
    }
    panels[3].AddItem(&gamma);
    panels[3].AddItem(&detail);
    gamma.SetRect(0.14f, 0.2f, 0.3f, 0.1f);
    gamma.SetLabel(TitleText(30644));
    gamma.SetValue(Options().GetGamma());
    detail.SetLabel(TitleText(30645));
    detail.SetStepCount(3);
    detail.SetValue(float(Options().GetOverallDetail()) * 0.5f);
    TsGuiWindow::Open(x, y);
    // The overall-detail slider goes under the gamma slider and its label.
    const float gammaHeight = std::max(gamma.GetHeight(), GuiToFractionY(20.0f));
    detail.SetRect(0.14f, 0.2f + gammaHeight + GuiToFractionY(4.0f), 0.3f, 0.1f);
    for (int32_t g = 0; g < kGroups; ++g)
        for (int32_t i = 0; i < 3; ++i)
            toggles[g][i].SetPosition(0.0f, float(i) * 0.06f);
    for (TsFrontEndPanel& panel : panels)
        panel.Layout();
    // Small screens stack the panels from the top; larger ones centre the
    // detail groups lower down. The row of groups starts at 0.14 unless that
    // would run it off the right edge.
    const float gap = GuiToFractionY(8.0f), across = GuiToFractionX(8.0f);
    const float top = GuiToPixelsY(1.0f) < 600.0f ? 0.2f : 0.61f - panels[0].GetHeight() * 0.5f;
    float row = 0.0f;
    for (int32_t g = 0; g < kGroups; ++g)
        row += panels[g].GetWidth() + (g ? across : 0.0f);
    float left = std::max(0.01f, std::min(0.14f, 0.99f - row));
    const float first = left;
    for (int32_t g = 0; g < kGroups; ++g) {
        panels[g].MoveTo(left, top);
        left = panels[g].GetRight() + across;
    }
    panels[3].MoveTo(0.14f, std::max(0.05f, top - panels[3].GetHeight() - gap));
    // The help box fills what is left above the back button.
    const float infoTop = panels[0].GetBottom() + gap;
    info.SetRect(first, infoTop, left - across - first, std::max(0.05f, std::min(0.12f, 0.87f - infoTop)));
}

void TsGraphicsScreen::CheckLevel(int32_t level)
{
    const int32_t l = std::clamp(level, 0, 2);
    for (int32_t g = 0; g < kGroups; ++g)
        toggles[g][l].SetChecked(true);
}

int32_t TsGraphicsScreen::CheckedLevel(int32_t group) const
{
    for (int32_t i = 0; i < 3; ++i)
        if (toggles[group][i].IsChecked())
            return i;
    return 0;
}

void TsGraphicsScreen::Update(float time)
{
    TsGuiWindow::Update(time);
    if (m_lastGamma < 0.0f)
        m_lastGamma = gamma.GetValue();
    if (gamma.GetValue() != m_lastGamma) {
        Options().SetGamma(gamma.GetValue());
        Options().ApplyGamma();
        m_lastGamma = gamma.GetValue();
    }
}

void TsGraphicsScreen::Deactivate(TsGuiArg a, TsGuiArg b)
{
    Options().SetAnimDetailLevel(CheckedLevel(0));
    Options().SetTexDetailLevel(CheckedLevel(1));
    Options().SetFXDetailLevel(CheckedLevel(2));
    SaveOptions(TsOptions::APPLY_GRAPHICS);
    TsGuiWindow::Deactivate(a, b);
}

void TsGraphicsScreen::Render(float fraction)
{
    DrawScreenTitle(GetFrontEnd(), TitleText(30646));
    TsGuiWindow::Render(fraction);
    int32_t help = 0;
    if (gamma.IsHovered())
        help = 30647;
    else if (detail.IsHovered())
        help = 30648;
    for (int32_t g = 0; g < kGroups && !help; ++g)
        if (panels[g].IsHovered())
            help = 30649 + g;
    if (help)
        info.DrawHelp(TitleText(help));
}

// ---- game options ----

TsGameOptionsScreen::TsGameOptionsScreen(TsFrontEndBase* frontEnd)
    : TsGuiWindow(frontEnd), cameraPanel(frontEnd), inventoryPanel(frontEnd), info(frontEnd)
{
}

void TsGameOptionsScreen::Open(TsGuiArg x, TsGuiArg y)
{
    AddChild(&back);
    AddChild(&cameraPanel);
    AddChild(&inventoryPanel);
    AddChild(&transparentCamera);
    AddChild(&animatingInventory);
    AddChild(&info);
    cameraPanel.AddItem(&transparentCamera);
    cameraPanel.SetTitle(TitleText(30628));
    inventoryPanel.AddItem(&animatingInventory);
    inventoryPanel.SetTitle(TitleText(30627));
    TsGuiWindow::Open(x, y);
    transparentCamera.SetPosition(0.3f, 0.4f);
    transparentCamera.SetLabel(TitleText(30630));
    animatingInventory.SetPosition(0.6f, 0.4f);
    animatingInventory.SetLabel(TitleText(30629));
    cameraPanel.Layout();
    inventoryPanel.Layout();
    inventoryPanel.MoveTo(cameraPanel.GetRight() + GuiToFractionX(4.0f), cameraPanel.GetY());
    const float height = PlainLineHeight(GetFrontEnd()) + FrameRows(info);
    info.SetRect(cameraPanel.GetX(), cameraPanel.GetBottom() + GuiToFractionY(4.0f),
                 cameraPanel.GetWidth() + inventoryPanel.GetWidth(), GuiToFractionY(height));
}

void TsGameOptionsScreen::Activate(TsGuiArg a, TsGuiArg b)
{
    transparentCamera.SetChecked(Options().IsTransparentCam());
    animatingInventory.SetChecked(Options().IsAnimatingInventory());
    TsGuiWindow::Activate(a, b);
}

void TsGameOptionsScreen::Deactivate(TsGuiArg a, TsGuiArg b)
{
    Options().SetTransparentCam(transparentCamera.IsChecked());
    Options().SetAnimatingInventory(animatingInventory.IsChecked());
    SaveOptions(2); // both take effect where the camera and the HUD read them
    TsGuiWindow::Deactivate(a, b);
}

void TsGameOptionsScreen::Render(float fraction)
{
    DrawScreenTitle(GetFrontEnd(), TitleText(30631));
    TsGuiWindow::Render(fraction);
    if (transparentCamera.IsHovered())
        info.DrawHelp(TitleText(transparentCamera.IsChecked() ? 30632 : 30633));
    else if (animatingInventory.IsHovered())
        info.DrawHelp(TitleText(animatingInventory.IsChecked() ? 30634 : 30635));
}
