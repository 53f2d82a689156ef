#include "game/objects/TsLockObject.h"

#include <string>

#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsScriptQuote.h"

OM_IMPLEMENT_CLASS(TsLockObject, TsEntity)

TsLockObject::TsLockObject()
{
    SetFlag(TS_ENTITY_USABLE);
    m_radius = 0.5f;
}

// Locks are made by the level's scripts every time the level starts.
bool TsLockObject::Register(OmArchive&)
{
    return false;
}

void TsLockObject::Write(OmArchive&)
{
}

void TsLockObject::Read(OmArchive&)
{
}

bool TsLockObject::Initialise()
{
    m_position.y += m_lockHeight;
    return true;
}

void TsLockObject::SetLockScript(const char* text)
{
    m_lockScript.Set(text && *text ? text : nullptr);
}

bool TsLockObject::ActivateLock(int32_t key)
{
    if (key == m_keyId)
        m_locked = m_locked ? 0 : 1;
    return m_locked != 0;
}

bool TsLockObject::HackLock()
{
    m_locked = 0;
    return true;
}

void TsLockObject::Use(TsCharacterObject*)
{
    const char* script = m_lockScript.Get();
    if (!script || !*script)
        return;
    // The call is script text: only a plain function name may go into it.
    if (!TsIsScriptIdentifier(script)) {
        LogErrorF("TsLockObject: %s has a lock script (%s) that is not a script name",
                  GetName() ? GetName() : "(unnamed)", script);
        return;
    }
    const std::string call = std::string(script) + "()";
    TsScriptHost::DoString(TsAccess::LuaState(), call.c_str());
}
