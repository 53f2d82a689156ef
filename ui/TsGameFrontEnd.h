// The in-game menu mode: the front end that lives inside a running level
// and hosts the windows shown over it (the pause menu, the in-game options,
// the diary, the tutorial, the objective window and message boxes). It is
// not the application's current mode: the level owns it, ticks it while it
// has open windows and draws its windows over the scene and the HUD.
// Opening it pauses the level; when its last window closes the level runs
// on.
#pragma once

#include <cstdint>

#include "ui/TsFrontEndHost.h"
#include "ui/TsGuiElement.h"
#include "ui/TsGuiSprite.h"

class TsGuiWindow;
class TsLevelState;

class TsGameFrontEnd : public TsFrontEndHost {
    OM_DECLARE_CLASS(TsGameFrontEnd)

    static constexpr int32_t kModeType = 4;
    static constexpr int32_t kSpriteCount = 30;
    // The in-game sprite table, in the order the in-game windows index it.
    static const char* const kSpriteNames[kSpriteCount];

    TsGameFrontEnd();
    explicit TsGameFrontEnd(OmArchive& archive);

    bool Register(OmArchive& archive) override;
    void Write(OmArchive&) override {}
    void Read(OmArchive&) override {}
    bool Import() override { return true; }
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    void EnterGame() override {}

    // Pauses (active) or resumes the level; active with openMenu pushes the
    // pause menu, inactive closes every window.
    void SetActive(bool active, bool openMenu);
    bool IsActive() const { return m_active != 0; }
    bool WasOpened() const { return m_opened != 0; }
    void SetTutorialFlag(uint8_t allowed) { m_tutorialAllowed = allowed; }
    bool IsTutorialAllowed() const { return m_tutorialAllowed != 0; }

    // The level paused and resumed by SetActive; the current level when none
    // is set (tests give their own).
    void SetLevel(TsLevelState* level) { m_level = level; }
    TsLevelState* GetLevel() const;

    // The pages, made on first use and kept; null when one cannot be made.
    TsGuiWindow* GetMenuScreen();
    TsGuiWindow* GetDiaryScreen();
    TsGuiWindow* GetInGameOptionsScreen();
    TsGuiWindow* GetTutorialScreen();
    TsGuiWindow* GetObjectiveScreen();

    // A placement of the in-game sprite table (blend mode 0x42 unless given).
    TsGuiSpritePlacement Sprite(int32_t index, int32_t orientation = 0, uint32_t blendMode = 0x42) const;
    // The standard in-game frame and the side frame (topRight: sprite of
    // the top-right corner).
    void StandardFrame(TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS]) const;
    void SideFrame(TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS], int32_t topRight) const;

private:
    // Asking twice makes one page, the front end's from the start.
    template <class Screen>
    TsGuiWindow* FindOrMake(const char* name);

    uint8_t m_active = 0;
    uint8_t m_opened = 0;
    uint8_t m_tutorialAllowed = 1;
    int32_t m_word = 0;
    TsLevelState* m_level = nullptr;
};

// The in-game front end of a window, through its owner chain; null for a
// window of another front end.
TsGameFrontEnd* GameFrontEndOf(const TsGuiElement& element);
