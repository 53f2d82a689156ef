// A non-player character that talks when used: it carries a banter state
// for its scripts and the name of the script function its use calls. It is
// usable, never a target, and stands at a person's size.
#pragma once

#include <cstdint>

#include "engine/OmString.h"
#include "game/objects/TsNPCObject.h"

class TsBanterObject : public TsNPCObject {
    OM_DECLARE_CLASS(TsBanterObject)

    TsBanterObject();
    explicit TsBanterObject(OmArchive& archive) : TsNPCObject(archive) {}

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // The banter behaviour (TsBanterBehaviour.cpp): the marker sprite, the
    // idle animation it holds, and the banter script run when it is used.
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Use(TsCharacterObject* user) override;

    int32_t GetBanterState() const { return m_banterState; }
    void SetBanterState(int32_t state) { m_banterState = state; }
    void SetLuaBanterScript(const char* name) { m_banterScript.Set(name); }
    const char* GetLuaBanterScript() const { return m_banterScript.Get(); }

private:
    int32_t m_banterState = 0;
    OmString m_banterScript;
};
