#include "game/world/TsWorldAIMap.h"

#include <memory>
#include <utility>

#include "game/framework/TsLog.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsWorld.h"

bool TsWorldAIMap::Install(TsWorld& world, TsAIMap&& map)
{
    const char* why = nullptr;
    if (!map.IsSound(&why)) {
        LogErrorF("TsWorld: the AI map is not installed: %s", why);
        return false;
    }
    world.m_aiMap = map.codes.GetCount() ? std::make_unique<TsNibbleArray>(std::move(map.codes)) : nullptr;
    world.m_aiMapOrigin = map.aiMapOrigin;
    world.m_aiTileSize = map.aiTileSize;
    world.m_aiTileSizeInverse = map.aiTileSizeInverse;
    world.m_aiRows = map.aiRows;
    world.m_aiColumns = map.aiColumns;
    world.m_aiFirstColumn = map.aiFirstColumn;
    world.m_aiFirstRow = map.aiFirstRow;
    world.m_aiLastColumn = map.aiLastColumn;
    world.m_aiLastRow = map.aiLastRow;
    world.m_beacons.Construct(0, map.beacons.GetGrowStep());
    for (uint32_t i = 0; i < map.beacons.GetCount(); ++i)
        world.m_beacons.Add(map.beacons[i]);
    return true;
}

void TsWorldAIMap::Copy(const TsWorld& world, TsAIMap& out)
{
    const TsNibbleArray* codes = world.m_aiMap.get();
    out.codes.Resize(codes ? codes->GetCount() : 0);
    for (uint32_t i = 0; i < out.codes.GetCount(); ++i)
        out.codes.Set(i, codes->Get(i));
    out.aiMapOrigin = world.m_aiMapOrigin;
    out.aiTileSize = world.m_aiTileSize;
    out.aiTileSizeInverse = world.m_aiTileSizeInverse;
    out.aiRows = world.m_aiRows;
    out.aiColumns = world.m_aiColumns;
    out.aiFirstColumn = world.m_aiFirstColumn;
    out.aiFirstRow = world.m_aiFirstRow;
    out.aiLastColumn = world.m_aiLastColumn;
    out.aiLastRow = world.m_aiLastRow;
    out.beacons.Construct(0, world.m_beacons.GetGrowStep());
    for (uint32_t i = 0; i < world.m_beacons.GetCount(); ++i)
        out.beacons.Add(world.m_beacons[i]);
}

bool TsWorld::CreateAIMap(const char* targaName, const char* boundsModelName)
{
    TsAIMap map;
    if (!map.CreateFromTarga(targaName, boundsModelName, m_boundsMin, m_boundsMax))
        return false;
    return TsWorldAIMap::Install(*this, std::move(map));
}
