#include "ui/TsGameWidgets.h"

#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsOptions.h"
#include "ui/TsGameFrontEnd.h"

namespace {

// The sample each volume slider plays at the level being set.
constexpr int32_t kSampleSounds[3] = {32, 238, 188}; // speech, music, effects

TsGuiSpritePlacement GameSprite(const TsGuiElement& e, int32_t index, int32_t orientation = 0,
                                uint32_t blend = 0x42)
{
    const TsGameFrontEnd* frontEnd = GameFrontEndOf(e);
    return frontEnd ? frontEnd->Sprite(index, orientation, blend) : TsGuiSpritePlacement{};
}

} // namespace

// ---- button ----

TsGameFrontEnd* TsGameButton::FrontEnd() const { return GameFrontEndOf(*this); }

void TsGameButton::Open(TsGuiArg x, TsGuiArg y)
{
    TsGuiButton::Open(x, y);
    SetSprites(GameSprite(*this, 27), GameSprite(*this, 28), GameSprite(*this, 29));
}

void TsGameButton::OnMouseMove(int32_t packed, uint32_t buttons)
{
    TsGuiButton::OnMouseMove(packed, buttons);
    if (m_latched)
        m_latched = m_hover;
}

void TsGameButton::OnMouseUp(int32_t, uint32_t) { m_latched = 1; }

void TsGameButton::Activate(TsGuiArg a, TsGuiArg b)
{
    TsGuiButton::Activate(a, b);
    m_latched = 0;
}

void TsGameOptionsButton::OnMouseUp(int32_t packed, uint32_t buttons)
{
    if (TsGameFrontEnd* frontEnd = FrontEnd())
        if (TsGuiWindow* options = frontEnd->GetInGameOptionsScreen())
            frontEnd->PushWindow(options, TsFrontEndBase::kScreen);
    TsGameButton::OnMouseUp(packed, buttons);
}

// ---- close box ----

void TsGameCloseBox::Activate(TsGuiArg, TsGuiArg)
{
    const auto* parent = GetOwner();
    if (!parent)
        return;
    SetRect(parent->GetRight() - GuiToFractionX(kSize), parent->GetY(), GuiToFractionX(kSize), GuiToFractionY(kSize));
}

void TsGameCloseBox::OnMouseUp(int32_t, uint32_t)
{
    TsGameFrontEnd* frontEnd = GameFrontEndOf(*this);
    if (!frontEnd)
        return;
    frontEnd->PopWindow();
    if (!frontEnd->HasOpenWindows())
        frontEnd->SetActive(false, true);
}

// ---- scroll list and slider ----

void TsGameScrollList::Open(TsGuiArg x, TsGuiArg y)
{
    const TsGuiSpritePlacement six[6] = {GameSprite(*this, 13, 0, 0), GameSprite(*this, 14, 0, 0),
                                         GameSprite(*this, 15, 3, 0x42), GameSprite(*this, 16, 0, 0),
                                         GameSprite(*this, 17, 0, 0), GameSprite(*this, 18, 0, 0)};
    SetSprites(six);
    SetPressedSprites(GameSprite(*this, 19, 0, 0), TsGuiSpritePlacement{}, GameSprite(*this, 20, 0, 0));
    // Along the owner's right edge, between its top and bottom frame edges.
    if (const auto* owner = dynamic_cast<const TsGuiDialog*>(GetOwner())) {
        const float top = GuiToFractionY(owner->GetFrameSprite(TS_FRAME_TOP).GetPixelHeight());
        const float bottom = GuiToFractionY(owner->GetFrameSprite(TS_FRAME_BOTTOM).GetPixelHeight());
        const float width = GuiToFractionX(six[0].GetPixelWidth());
        SetRect(owner->GetRight() - width, owner->GetY() + top, width, owner->GetHeight() - top - bottom);
    }
    TsGuiScrollList::Open(x, y);
}

void TsGameSlider::Open(TsGuiArg x, TsGuiArg y)
{
    SetSprites(GameSprite(*this, 21), GameSprite(*this, 22, 0, 0), GameSprite(*this, 23), GameSprite(*this, 26));
    SetPressedSprites(GameSprite(*this, 24), TsGuiSpritePlacement{}, GameSprite(*this, 25));
    TsGuiSlider::Open(x, y);
}

void TsGameSlider::OnChanged()
{
    TsAudio* audio = TsAccess::Audio();
    if (!audio || m_kind < kSpeech || m_kind > kEffects)
        return;
    int effects = 0, music = 0, speech = 0;
    audio->GetVolumes(effects, music, speech);
    audio->SetVolumes(TsOptions::VolumeAtSliderPlace(GetValue()), music, speech);
    const int32_t sound = kSampleSounds[m_kind];
    if (!audio->IsSoundPlaying(sound))
        audio->PlaySound(sound, 0.0f, 0.0f, 0.0f, false);
}

// ---- panel and dialogs ----

void TsGamePanel::Open(TsGuiArg x, TsGuiArg y)
{
    const TsGameFrontEnd* frontEnd = GameFrontEndOf(*this);
    TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
    if (frontEnd && m_closable) {
        AddChild(&closeBox);
        const int32_t kClosable[TS_FRAME_SLOTS] = {11, 3, 9, 4, 5, 7, 6, 8};
        for (int i = 0; i < TS_FRAME_SLOTS; ++i)
            frame[i] = frontEnd->Sprite(kClosable[i]);
    } else if (frontEnd) {
        frontEnd->StandardFrame(frame);
    }
    SetFrameSprites(frame);
    TsGuiPanel::Open(x, y);
}

void TsGamePanel::Render(float fraction)
{
    // The close corner lights up while the pointer is on it.
    if (m_closable)
        m_frame[TS_FRAME_TOP_RIGHT] = GameSprite(*this, closeBox.IsHovered() ? 10 : 9);
    TsGuiPanel::Render(fraction);
}

void TsGameListDialog::Open(TsGuiArg x, TsGuiArg y)
{
    if (const TsGameFrontEnd* frontEnd = GameFrontEndOf(*this)) {
        TsGuiSpritePlacement frame[TS_FRAME_SLOTS];
        frontEnd->SideFrame(frame, 9);
        SetFrameSprites(frame);
    }
    SetShaded(true);
    AddChild(&list);
    AddChild(&closeBox);
    TsGuiDialog::Open(x, y);
}

void TsGameListDialog::Render(float fraction)
{
    m_frame[TS_FRAME_TOP_RIGHT] = GameSprite(*this, closeBox.IsHovered() ? 10 : 9);
    TsGuiDialog::Render(fraction);
}

void TsGameTutorialDialog::Open(TsGuiArg x, TsGuiArg y)
{
    SetRect(0.01f, 0.25f, 0.65f, 0.6f);
    TsGameListDialog::Open(x, y);
}

void TsGameTutorialDialog::Activate(TsGuiArg a, TsGuiArg b)
{
    TsGameListDialog::Activate(a, b);
    list.SetValue(0.0f);
}

void TsGameTutorialDialog::Render(float fraction)
{
    TsGameListDialog::Render(fraction);
    TsFrontEndBase* frontEnd = GetFrontEnd();
    if (!frontEnd || !m_text)
        return;
    float w = 0.0f, line = 0.0f;
    frontEnd->GetPlainTextExtent("Get the Height of this text", w, line);
    const float left = GuiToPixelsX(m_x) + 12.0f, top = GuiToPixelsY(m_y) + 12.0f;
    const float right = GuiToPixelsX(list.GetX()) - 4.0f, bottom = GuiToPixelsY(GetBottom()) - 12.0f;
    const float skipped = float(int32_t(list.GetValue() * 100.0f)) * line;
    frontEnd->DrawWrappedText(left, top, right, bottom, 0xFFFFFFFF, m_text, 0, skipped);
}
