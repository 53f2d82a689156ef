#include "game/world/TsExplosionParams.h"

#include <algorithm>

#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHandles.h"

std::vector<std::unique_ptr<TsExplosionParams>> TsExplosionTable::s_types;
int32_t TsExplosionTable::s_count = 0;
std::vector<int32_t> TsExplosionTable::s_retiredTextures;

TsExplosionParams::~TsExplosionParams() { TsScriptHandles::Forget(this, "TsExplosionParams"); }

int32_t TsExplosionParams::ArmCount() const
{
    return std::clamp(m_numArms, 0, TS_MAX_EXPLOSION_ARMS);
}

TsExplosionParams* TsExplosionTable::Get(int32_t index)
{
    if (index < 0 || index >= kMaxTypes) {
        LogErrorF("FxGetExplosionType: explosion type %d is outside 0 .. %d", index, kMaxTypes - 1);
        return nullptr;
    }
    if (index >= Count())
        SetCount(index + 1);
    return s_types[static_cast<size_t>(index)].get();
}

bool TsExplosionTable::SetCount(int32_t n)
{
    if (n > kMaxTypes) {
        LogErrorF("FxSetNumExplosionTypes: %d explosion types asked for, at most %d allowed", n, kMaxTypes);
        return false;
    }
    const int32_t count = std::max(n, 0);
    for (int32_t i = s_count; i < count; ++i) {
        const size_t at = static_cast<size_t>(i);
        if (at < s_types.size())
            Revive(*s_types[at]);
        else
            s_types.push_back(std::make_unique<TsExplosionParams>());
    }
    s_count = count;
    return true;
}

// A record past the count that comes back starts as a new one; the ring
// texture it had may still be on a shockwave in flight, so its handle waits
// for shutdown.
void TsExplosionTable::Revive(TsExplosionParams& record)
{
    if (record.textureId >= 0)
        s_retiredTextures.push_back(record.textureId);
    record = TsExplosionParams{};
}

TsExplosionParams* TsExplosionTable::At(int32_t index)
{
    return index >= 0 && index < Count() ? s_types[static_cast<size_t>(index)].get() : nullptr;
}

TsExplosionParams* TsExplosionTable::HeldAt(int32_t index)
{
    return index >= 0 && index < Held() ? s_types[static_cast<size_t>(index)].get() : nullptr;
}
