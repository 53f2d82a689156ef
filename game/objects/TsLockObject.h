// A lockable spot in a level: a key of the right id (or hacking) opens it,
// and a character using it runs its script. Locks are set up by the level's
// scripts each time and are never saved.
#pragma once

#include <cstdint>

#include "engine/OmString.h"
#include "game/framework/TsEntity.h"

class TsLockObject : public TsEntity {
    OM_DECLARE_CLASS(TsLockObject)

    TsLockObject();
    explicit TsLockObject(OmArchive& archive) : TsEntity(archive) {}

    // Not saved: registers nothing, writes and reads nothing.
    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // Raises the lock by its lock height.
    bool Initialise() override;
    // Runs the lock's script, when it has one, as "<script>()".
    void Use(TsCharacterObject* user) override;

    // The right key flips the lock; the answer is whether it is locked.
    bool ActivateLock(int32_t key);
    bool HackLock();
    void SetLocked(bool locked) { m_locked = locked ? 1 : 0; }
    bool GetLocked() const { return m_locked != 0; }
    void SetKeyID(int32_t key) { m_keyId = key; }
    int32_t GetKeyID() const { return m_keyId; }
    void SetLockHeight(float height) { m_lockHeight = height; }
    float GetLockHeight() const { return m_lockHeight; }
    // An empty or null text leaves the lock without a script.
    void SetLockScript(const char* text);
    const char* GetLockScript() const { return m_lockScript.Get(); }

private:
    uint8_t m_locked = 0;
    int32_t m_keyId = -1;
    float m_lockHeight = 0.0f;
    OmString m_lockScript;
};
