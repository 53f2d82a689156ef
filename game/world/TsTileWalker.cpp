#include "game/world/TsTileWalker.h"

#include "game/framework/TsLog.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsWorld.h"

TsTileWalker::TsTileWalker(TsWorld* world) : m_world(world)
{
    Reset();
}

void TsTileWalker::Reset()
{
    m_level = 0;
    m_cached = -1;
    m_map = m_world ? m_world->GetAIMap() : nullptr;
}

bool TsTileWalker::SetWorldPosition(float x, float z)
{
    if (!m_world)
        return SetPosition(INT32_MIN / 2, INT32_MIN / 2);
    const OmVector3& origin = m_world->GetAIMapOrigin();
    const float inverse = m_world->GetAITileSizeInverse();
    return SetPosition(TsAIMap::TileOf(x - origin.x, inverse), TsAIMap::TileOf(z - origin.z, inverse));
}

bool TsTileWalker::SetPosition(int32_t x, int32_t z)
{
    m_x = x & m_cached;
    m_z = z & m_cached;
    return IsOutside();
}

bool TsTileWalker::IsOutside()
{
    const bool inside = m_map && m_x >= m_world->GetAIFirstColumn() && m_x < m_world->GetAILastColumn() &&
                        m_z >= m_world->GetAIFirstRow() && m_z < m_world->GetAILastRow();
    m_inside = inside ? 1 : 0;
    return !inside;
}

int64_t TsTileWalker::Index() const
{
    if (!m_map)
        return -1;
    // Each axis is tested on its own, so a column past the last never wraps
    // onto the next row.
    const int64_t column = (int64_t(m_x) - m_world->GetAIFirstColumn()) >> m_level;
    const int64_t row = (int64_t(m_z) - m_world->GetAIFirstRow()) >> m_level;
    const int64_t columns = int64_t(m_world->GetAIColumns()) >> m_level;
    const int64_t rows = int64_t(m_world->GetAIRows()) >> m_level;
    if (column < 0 || column >= columns || row < 0 || row >= rows)
        return -1;
    const int64_t index = row * columns + column;
    return index < int64_t(m_map->GetCount()) ? index : -1;
}

bool TsTileWalker::IsValid() const
{
    return Index() >= 0;
}

uint32_t TsTileWalker::GetTile() const
{
    const int64_t index = Index();
    return index >= 0 ? m_map->Get(uint32_t(index)) : 0u;
}

void TsTileWalker::SetTile(uint32_t code)
{
    m_level = 0;
    const int64_t index = Index();
    if (index >= 0)
        m_map->Set(uint32_t(index), code);
    Reset();
}

bool TsTileWalker::CreateTileOverlay(TsTileOverlay& overlay, int32_t x, int32_t z, int32_t width,
                                     int32_t height)
{
    const int32_t savedX = m_x, savedZ = m_z;
    auto fail = [&](const char* message) {
        LogInfo(message);
        overlay.savedCodes.Clear();
        overlay.overlayCodes.Clear();
        m_x = savedX;
        m_z = savedZ;
        return false;
    };
    if (width < 0 || height < 0)
        return fail("TsTileWalker::CreateTileOverlay - Overlay minimum position was invalid");
    overlay.width = width;
    overlay.height = height;
    overlay.x = x;
    overlay.z = z;
    SetPosition(x, z);
    if (!IsValid())
        return fail("TsTileWalker::CreateTileOverlay - Overlay minimum position was invalid");
    SetPosition(int32_t(int64_t(x) + width), int32_t(int64_t(z) + height));
    if (!IsValid() || int64_t(x) + width > INT32_MAX || int64_t(z) + height > INT32_MAX)
        return fail("TsTileWalker::CreateTileOverlay - Overlay maximum position was invalid");
    const uint32_t count = uint32_t(width) * uint32_t(height);
    overlay.savedCodes.Resize(count);
    overlay.overlayCodes.Resize(count);
    uint32_t next = 0;
    for (int32_t row = z; row < z + height; ++row) {
        for (int32_t column = x; column < x + width; ++column) {
            SetPosition(column, row);
            overlay.savedCodes.Set(next++, GetTile());
        }
    }
    overlay.overlayCodes.Fill(0);
    m_x = savedX;
    m_z = savedZ;
    return true;
}

void TsTileWalker::WriteRectangle(const TsTileOverlay& overlay, const TsNibbleArray& source)
{
    // A record that was never filled (or was refused) writes nothing.
    if (overlay.width <= 0 || overlay.height <= 0 ||
        source.GetCount() != uint32_t(overlay.width) * uint32_t(overlay.height))
        return;
    const int32_t savedX = m_x, savedZ = m_z;
    uint32_t next = 0;
    for (int32_t row = overlay.z; row < overlay.z + overlay.height; ++row) {
        for (int32_t column = overlay.x; column < overlay.x + overlay.width; ++column) {
            SetPosition(column, row);
            SetTile(source.Get(next++));
        }
    }
    m_x = savedX;
    m_z = savedZ;
}

void TsTileWalker::ApplyTileOverlay(const TsTileOverlay& overlay)
{
    WriteRectangle(overlay, overlay.overlayCodes);
}

void TsTileWalker::RemoveTileOverlay(const TsTileOverlay& overlay)
{
    WriteRectangle(overlay, overlay.savedCodes);
}
