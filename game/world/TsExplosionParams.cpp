#include "game/world/TsExplosionParams.h"

#include <algorithm>

#include "game/framework/TsLog.h"

std::vector<std::unique_ptr<TsExplosionParams>> TsExplosionTable::s_types;

int32_t TsExplosionParams::ArmCount() const
{
    return std::clamp(m_numArms, 0, TS_MAX_EXPLOSION_ARMS);
}

TsExplosionParams* TsExplosionTable::Get(int32_t index)
{
    if (index < 0) {
        LogErrorF("FxGetExplosionType: explosion type %d is not a valid index", index);
        return nullptr;
    }
    if (index >= Count())
        SetCount(index + 1);
    return s_types[static_cast<size_t>(index)].get();
}

void TsExplosionTable::SetCount(int32_t n)
{
    const size_t count = static_cast<size_t>(std::max(n, 0));
    const size_t old = s_types.size();
    s_types.resize(count);
    for (size_t i = old; i < count; ++i)
        s_types[i] = std::make_unique<TsExplosionParams>();
}

TsExplosionParams* TsExplosionTable::At(int32_t index)
{
    return index >= 0 && index < Count() ? s_types[static_cast<size_t>(index)].get() : nullptr;
}
