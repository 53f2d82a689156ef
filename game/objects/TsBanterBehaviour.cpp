#include "game/objects/TsBanterBehaviour.h"

#include <string>

#include "engine/OmBaseSprite.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsScriptQuote.h"
#include "game/objects/TsBanterObject.h"

void TsBanterBehaviour::SetUpMarker(OmBaseSprite* sprite)
{
    if (!sprite)
        return;
    sprite->SetScreenRelative(false);
    sprite->SetPosition(kMarkerPosition, kMarkerPosition);
    sprite->colour = kMarkerColour;
}

bool TsBanterBehaviour::CallBanter(const char* banterScript, const TsEntity& banterer, const TsEntity* user)
{
    if (!banterScript || !*banterScript)
        return false;
    // The call is script text: the function must be a plain name, and the
    // two names go in as quoted strings whatever they hold.
    if (!TsIsScriptIdentifier(banterScript)) {
        LogErrorF("TsBanterObject: %s's banter script '%s' is not a script name", banterer.NameOrEmpty(),
                  banterScript);
        return false;
    }
    const std::string call = std::string(banterScript) + "(" + TsScriptQuote(banterer.NameOrEmpty()) +
                             "," + TsScriptQuote(user ? user->NameOrEmpty() : "") + ")";
    TsScriptHost::DoString(TsAccess::LuaState(), call.c_str());
    return true;
}

// ---- the banter character's own operations -------------------------------------

bool TsBanterObject::Initialise()
{
    const bool ok = TsNPCObject::Initialise();
    TsBanterBehaviour::SetUpMarker(GetSprite());
    return ok;
}

void TsBanterObject::Tick(uint32_t tickCount)
{
    TsNPCObject::Tick(tickCount);
    if (GetCurrentAnimation() != TsBanterBehaviour::kIdleAnimation)
        PlayAnimation(TsBanterBehaviour::kIdleAnimation, 0, false);
}

void TsBanterObject::Use(TsCharacterObject* user)
{
    TsBanterBehaviour::CallBanter(m_banterScript.Get(), *this, user);
}
