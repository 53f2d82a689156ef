// The level being played as the game's objects, its HUD and its cut scene
// see it: the switches they read and set on it, and what a scene asks of
// the screen and the party around it. The level implements it, so the
// layers below the level reach it (TsAccess::LevelState) without knowing
// the level itself.
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
    // panel opened for a waiting trader stays, as the trade takes the
    // screen next.
    virtual void ClearScreenForScene() = 0;
    // The camera takes over from the player's orders: nobody of the party
    // walks on out of the framed scene.
    virtual void HoldSquad() = 0;

protected:
    ~TsLevelState() = default;
};
