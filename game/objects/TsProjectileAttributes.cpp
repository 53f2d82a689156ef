#include "game/objects/TsProjectileAttributes.h"

#include "engine/OmParticleSystem.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"
#include "game/world/TsEffectUtil.h"

namespace {

TsProjectileAttributes s_types[TsProjectileAttributes::kCount];

int32_t ResolveEffect(int32_t type, const OmString& name)
{
    if (name.IsEmpty()) {
        return -1;
    }
    const int32_t index = FindParticleEffect(name.Get());
    if (index < 0) {
        LogErrorF("Projectile type %d: particle effect \"%s\" not found", type, name.Get());
    }
    return index;
}

} // namespace

void TsProjectileAttributes::SetLaserColour(int32_t r, int32_t g, int32_t b)
{
    // Each component keeps to its own byte, so a value above 255 cannot
    // spill into its neighbour.
    m_laserARGB = 0xFF000000u | (uint32_t(r) & 0xFFu) << 16 | (uint32_t(g) & 0xFFu) << 8 | (uint32_t(b) & 0xFFu);
}

TsProjectileAttributes* TsProjectileAttributes::_Attributes(int32_t index)
{
    return IsValidType(index) ? &s_types[index] : nullptr;
}

void TsProjectileAttributes::ResetAll()
{
    for (TsProjectileAttributes& type : s_types) {
        type = TsProjectileAttributes{};
    }
}

bool TsProjectileAttributes::LoadAttributes(const char* scriptFunction)
{
    lua_State* L = TsAccess::LuaState();
    if (!L) {
        LogErrorF("Projectiles: no script state to run %s", scriptFunction ? scriptFunction : "(null)");
        return false;
    }
    if (!scriptFunction || !TsScriptHost::IsFunctionDefined(L, scriptFunction)) {
        LogErrorF("Projectiles: the script function %s is not defined; no projectile types were loaded",
                  scriptFunction ? scriptFunction : "(null)");
        return false;
    }
    TsScriptHost::CallFunction(L, scriptFunction);
    ResolveAll();
    return true;
}

void TsProjectileAttributes::ResolveAll()
{
    for (int32_t i = 0; i < kCount; ++i) {
        TsProjectileAttributes& type = s_types[i];
        type.exhaust1 = ResolveEffect(i, type.m_szExhaustEffect1);
        type.exhaust2 = ResolveEffect(i, type.m_szExhaustEffect2);
        type.muzzle = ResolveEffect(i, type.m_szMuzzleFX);
        type.impact = ResolveEffect(i, type.m_szImpactFX);
        type.laserTexture = type.m_szLaserTexture.IsEmpty() ? -1 : LoadFxSprite(type.m_szLaserTexture.Get());
    }
}
