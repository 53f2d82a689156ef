// The level being played as the game's objects, its HUD and its cut scene
// see it: the switches they read and set on it, what a scene asks of the
// party around it, and what objects ask of the screens (the HUD, the radar,
// the in-game menu), which they never reach themselves. The level
// implements it, so the layers below the level reach it
// (TsAccess::LevelState) without knowing the level itself.
#pragma once

#include <cstdint>

class TsLevelState {
public:
    // Pauses or resumes play (the in-game menu, the HUD's questions).
    virtual void Pause(bool paused) = 0;
    // Player lockout: world commands are ignored (the HUD's inventory
    // animation sets it).
    virtual void SetPlayerLockout(bool locked) = 0;
    virtual bool GetPlayerLockout() const = 0;
    // Conversations may move the camera to frame their speakers.
    virtual bool GetConversationCamera() const = 0;
    // Conversation lines go to the diary.
    virtual bool KeepsDiary() const = 0;
    // How far into the critters' payload table drops reach.
    virtual int32_t GetPayloadNumber() const = 0;
    // Characters take their weapons up again after a cut scene.
    virtual bool Reequips() const = 0;

    // A cut scene starts: an open inventory would sit over it and closes; a
    // panel opened for a waiting trader stays, as the trade takes the screen
    // next.
    virtual void ClearScreenForScene() = 0;
    // The camera takes over from the player's orders: nobody of the party
    // walks on out of the framed scene.
    virtual void HoldSquad() = 0;

    // ---- what objects ask of the screens ----
    // A conversation starts: the radar hides for its length, and an open or
    // closing inventory goes at once and without a sound, a trader's too.
    virtual void ConversationStarted() = 0;
    // A conversation has ended: the radar comes back, and a trader's
    // conversation hands the screen over to the trade panel.
    virtual void ConversationEnded() = 0;
    // The AI map changed over a rectangle of tiles (a door opened or
    // closed): the radar redraws its map there.
    virtual void CollisionMapChanged(int32_t tileX, int32_t tileZ, int32_t width, int32_t height) = 0;
    // Whether this tick's click was taken by the HUD (a portrait, the
    // inventory): such a click is no order in the world.
    virtual bool ScreenTookClick() const = 0;
    // The player gave a move or use order: the HUD blinks to acknowledge it.
    virtual void AcknowledgeOrder() = 0;
    // A message for the player (a game text's id) in a box he closes.
    virtual void ShowMessage(int32_t textId) = 0;
    // The player asked to quit: he is asked whether he means it, and "Yes",
    // read once the box has closed, ends the program.
    virtual void AskToQuit() = 0;
    // The player asked for his diary: the in-game menu opens on its page.
    virtual void OpenDiary() = 0;

protected:
    ~TsLevelState() = default;
};
