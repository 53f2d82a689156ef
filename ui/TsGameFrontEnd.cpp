#include "ui/TsGameFrontEnd.h"

#include <new>

#include "game/framework/TsAccess.h"
#include "game/framework/TsLevelState.h"
#include "game/framework/TsLog.h"
#include "ui/TsInGameWindows.h"

OM_IMPLEMENT_CLASS(TsGameFrontEnd, TsFrontEndHost)

const char* const TsGameFrontEnd::kSpriteNames[kSpriteCount] = {
    "Button04.tga",  "Button05.tga",    "Button06.tga",     "top.tga",         "Left_side.tga",
    "MidRight.tga",  "Bottom.tga",      "BLcorner.tga",     "BRcorner.tga",    "TRclose01.tga",
    "TRclose02.tga", "TLcorner.tga",    "TRcorner.tga",     "UpArrow01.tga",   "Roundtop.tga",
    "Goldslider.tga", "Right_side.tga", "Roundbottom.tga",  "DownArrow01.tga", "UpArrow01.tga",
    "DownArrow01.tga", "S_SliderL.tga", "S_SliderM.tga",    "S_SliderR.tga",   "S_SliderL02.tga",
    "S_SliderR02.tga", "SilverSlider.tga", "EBoxL.tga",     "EBoxM.tga",       "EBoxR.tga",
};

TsGameFrontEnd::TsGameFrontEnd() = default;

TsGameFrontEnd::TsGameFrontEnd(OmArchive& archive) : TsFrontEndHost(archive) {}

template <class Screen>
TsGuiWindow* TsGameFrontEnd::FindOrMake(const char* name)
{
    if (TsGuiWindow* page = FindPage(name))
        return page;
    std::unique_ptr<Screen> screen(new (std::nothrow) Screen(this));
    if (!screen) {
        LogErrorF("TsGameFrontEnd: the page \"%s\" cannot be made", name);
        return nullptr;
    }
    screen->SetName(name);
    return AdoptPage(std::move(screen));
}

// Only the object itself: the menu owns no scene worth saving.
bool TsGameFrontEnd::Register(OmArchive& archive) { return OmObject::Register(archive); }

bool TsGameFrontEnd::Initialise()
{
    LoadSprites(kSpriteCount, kSpriteNames);
    return TsFrontEndBase::Initialise();
}

TsLevelState* TsGameFrontEnd::GetLevel() const { return m_level ? m_level : TsAccess::LevelState(); }

void TsGameFrontEnd::SetActive(bool active, bool openMenu)
{
    if (TsLevelState* level = GetLevel())
        level->Pause(active);
    m_active = active ? 1 : 0;
    if (!active) {
        // A lesson whose exit script starts the next one activates the mode
        // again as it closes: the new lesson stays up over the paused level.
        PopAllWindows();
        EnterGame();
        return;
    }
    if (openMenu)
        if (TsGuiWindow* menu = GetMenuScreen())
            PushWindow(menu, kScreen);
    m_opened = 1;
    m_tutorialAllowed = 1;
}

void TsGameFrontEnd::Tick(uint32_t tickCount)
{
    TsFrontEndBase::Tick(tickCount);
    // The level runs on in the tick in which the last window closed.
    if (!HasOpenWindows())
        SetActive(false, true);
}

void TsGameFrontEnd::Render(float renderTime, float fraction) { TsFrontEndBase::Render(renderTime, fraction); }

TsGuiWindow* TsGameFrontEnd::GetMenuScreen() { return FindOrMake<TsPauseMenu>("inmenu"); }
TsGuiWindow* TsGameFrontEnd::GetDiaryScreen() { return FindOrMake<TsDiaryScreen>("diary"); }
TsGuiWindow* TsGameFrontEnd::GetInGameOptionsScreen() { return FindOrMake<TsInGameOptionsScreen>("inoptions"); }
TsGuiWindow* TsGameFrontEnd::GetTutorialScreen() { return FindOrMake<TsTutorialDialog>("tutorial"); }
TsGuiWindow* TsGameFrontEnd::GetObjectiveScreen() { return FindOrMake<TsObjectiveWindow>("objective"); }

TsGuiSpritePlacement TsGameFrontEnd::Sprite(int32_t index, int32_t orientation, uint32_t blendMode) const
{
    TsGuiSpritePlacement p;
    p.sprite = GetSprite(index);
    p.orientation = orientation;
    p.blendMode = blendMode;
    return p;
}

void TsGameFrontEnd::StandardFrame(TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS]) const
{
    static const int32_t kFrame[TS_FRAME_SLOTS][2] = {{11, 0}, {3, 0}, {11, 1}, {4, 0},
                                                       {4, 2},  {11, 3}, {3, 2}, {11, 2}};
    for (int i = 0; i < TS_FRAME_SLOTS; ++i)
        frame[i] = Sprite(kFrame[i][0], kFrame[i][1]);
}

void TsGameFrontEnd::SideFrame(TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS], int32_t topRight) const
{
    const int32_t kFrame[TS_FRAME_SLOTS] = {11, 3, topRight, 4, -1, 7, 6, 8};
    for (int i = 0; i < TS_FRAME_SLOTS; ++i)
        frame[i] = Sprite(kFrame[i], 0);
}

TsGameFrontEnd* GameFrontEndOf(const TsGuiElement& element)
{
    for (const TsGuiElement* e = &element; e; e = e->GetOwner()) {
        if (const auto* window = dynamic_cast<const TsGuiWindow*>(e))
            if (TsFrontEndBase* frontEnd = window->GetFrontEnd())
                return dynamic_cast<TsGameFrontEnd*>(frontEnd);
    }
    return nullptr;
}
