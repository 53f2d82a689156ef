#include "game/world/TsWorld.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <unordered_map>

#include "engine/OmArchive.h"
#include "engine/OmMaxLight.h"
#include "engine/OmNode.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHandles.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsNibbleArray.h"
#include "game/world/TsWorldAIMap.h"
#include "game/world/TsWorldCell.h"

OM_IMPLEMENT_CLASS(TsWorld, TsObject)

namespace {

// childSlot[mask][q]: the place of quadrant q among the children a node
// holds (the set bits of mask below bit q), -1 when there is no such child.
struct ChildSlots {
    int8_t slot[16][4];
    constexpr ChildSlots() : slot()
    {
        for (int mask = 0; mask < 16; ++mask)
            for (int q = 0; q < 4; ++q)
                slot[mask][q] = (mask >> q) & 1 ? int8_t(std::popcount(unsigned(mask) & ((1u << q) - 1))) : -1;
    }
};
constexpr ChildSlots kChildSlots;

// Empties a list without letting go of its objects: a failed load takes
// them down by itself.
template <class T>
void Forget(std::vector<OmRef<T>>& list)
{
    for (OmRef<T>& held : list)
        held.Detach();
    list.clear();
}

} // namespace

TsWorld::TsWorld() = default;

TsWorld::TsWorld(OmArchive& archive) : TsObject(archive) {}

TsWorld::~TsWorld()
{
    TsScriptHandles::Forget(this, "TsWorld");
    LeaveGround();
    FreeGeometry();
    if (OmArchive::IsBeingTakenDown(*this)) {
        Forget(m_lights);
        Forget(m_lightNodes);
        Forget(m_effectNodes);
        Forget(m_ownedObjects);
    }
    // The lists let go of their entries before the owned objects go.
    m_lights.clear();
    m_lightNodes.clear();
    m_effectNodes.clear();
    m_ownedObjects.clear();
}

void TsWorld::BecomeGround()
{
    TsEntity::SetGroundProbe(&m_probe);
}

// Another world may have become the ground since: that one stays.
void TsWorld::LeaveGround()
{
    if (IsGround())
        TsEntity::SetGroundProbe(nullptr);
}

bool TsWorld::IsGround() const
{
    return TsEntity::GetGroundProbe() == &m_probe;
}

void TsWorld::FreeGeometry()
{
    m_cells.reset();
    m_levelNodes.reset();
    m_levelCounts.RemoveAll();
    m_cellCount = 0;
    m_levels = 0;
    m_gridSize = 0;
}

void TsWorld::AddOwnedObject(OmObject* object)
{
    if (!object)
        return;
    m_ownedObjects.emplace_back(object);
}

void TsWorld::SetAIMap(std::unique_ptr<TsNibbleArray> map)
{
    m_aiMap = std::move(map);
}

void TsWorld::SetWorldBounds(const OmVector3& min, const OmVector3& max)
{
    m_boundsMin = min;
    m_boundsMax = max;
}

// ---- the grid -------------------------------------------------------------------

void TsWorld::WorldToCell(float x, float z, int32_t& cx, int32_t& cz) const
{
    const float inverse = m_cellEdge > 0.0f ? 1.0f / m_cellEdge : 0.0f;
    auto toCell = [](float f) -> int32_t {
        // Far outside any grid, or NaN: a position no lookup accepts.
        if (!(f > -1.0e9f && f < 1.0e9f))
            return INT32_MIN / 2;
        return int32_t(std::floor(f));
    };
    cx = toCell((x - m_gridOrigin.x) * inverse);
    cz = toCell((z - m_gridOrigin.z) * inverse);
}

OmVector3 TsWorld::CellOrigin(int32_t cx, int32_t cz) const
{
    return OmVector3(float(cx) * m_cellEdge + m_gridOrigin.x, m_gridOrigin.y, float(cz) * m_cellEdge + m_gridOrigin.z);
}

int32_t TsWorld::CellIndexAt(int32_t cx, int32_t cz) const
{
    if (m_cellCount <= 0 || m_levels <= 0 || cx < 0 || cz < 0 || cx >= m_gridSize || cz >= m_gridSize)
        return -1;
    int32_t half = m_gridSize >> 1;
    uint32_t word = m_levelNodes[0][0];
    for (int32_t k = 1; k < m_levels; ++k) {
        int q = 0;
        if (cx >= half) {
            cx -= half;
            q += 2;
        }
        if (cz >= half) {
            cz -= half;
            q += 1;
        }
        const int slot = kChildSlots.slot[word & 15][q];
        if (slot < 0)
            return -1;
        half >>= 1;
        word = m_levelNodes[k][(word >> 4) + uint32_t(slot)];
    }
    const int q = (cx >= half ? 2 : 0) + (cz >= half ? 1 : 0);
    const int slot = kChildSlots.slot[word & 15][q];
    return slot < 0 ? -1 : int32_t((word >> 4) + uint32_t(slot));
}

TsWorldCell* TsWorld::CellAt(int32_t cx, int32_t cz) const
{
    const int32_t index = CellIndexAt(cx, cz);
    return index < 0 ? nullptr : &m_cells[index];
}

// ---- archive --------------------------------------------------------------------

bool TsWorld::Register(OmArchive& archive)
{
    if (!TsObject::Register(archive))
        return false;
    for (int32_t i = 0; i < m_cellCount; ++i)
        m_cells[i].Register(archive);
    for (const auto* list : {&m_lights, &m_lightNodes})
        for (OmMaxLight* light : *list)
            if (light)
                light->Register(archive);
    for (OmNode* node : m_effectNodes)
        if (node)
            node->Register(archive);
    return true;
}

void TsWorld::WriteQuadtree(OmArchive& archive) const
{
    for (int32_t l = 0; l <= m_levels; ++l)
        archive.WriteU32(uint32_t(m_levelCounts[uint32_t(l)]));
    for (int32_t l = 0; l < m_levels; ++l) {
        const OmArray<uint32_t>& words = m_levelNodes[l];
        archive.WriteU32(words.GetCount());
        archive.WriteBytes(words.GetData(), uint64_t(words.GetCount()) * 4);
    }
}

void TsWorld::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteU32(uint32_t(m_levels)).WriteU32(uint32_t(m_gridSize)).WriteU32(uint32_t(m_cellCount));
    archive.WriteFloat(m_cellEdge).WriteBool(m_lightingOff != 0);
    archive.WriteFloat(m_aiTileSize).WriteFloat(m_aiTileSizeInverse);
    archive.WriteU32(uint32_t(m_aiRows)).WriteU32(uint32_t(m_aiColumns));
    archive.WriteI32(m_aiFirstColumn).WriteI32(m_aiFirstRow).WriteI32(m_aiLastColumn).WriteI32(m_aiLastRow);
    const uint32_t aiWords = TsNibbleArray::WordCount(uint32_t(m_aiRows) * uint32_t(m_aiColumns));
    if (m_aiMap && m_aiMap->GetWordCount() == aiWords) {
        archive.WriteBytes(m_aiMap->GetWords(), uint64_t(aiWords) * 4);
    } else {
        for (uint32_t i = 0; i < aiWords; ++i)
            archive.WriteU32(0);
    }
    archive.WriteVector(m_boundsMin).WriteVector(m_boundsMax).WriteVector(m_aiMapOrigin).WriteVector(m_gridOrigin);
    for (int32_t i = 0; i < m_cellCount; ++i) {
        m_cells[i].Write(archive);
        for (int n = 0; n < 4; ++n) {
            const TsWorldCell* neighbour = m_cells[i].GetNeighbour(n);
            archive.WriteI32(neighbour ? int32_t(neighbour - m_cells.get()) : -1);
        }
    }
    WriteQuadtree(archive);
    for (const auto* list : {&m_lights, &m_lightNodes}) {
        archive.WriteU32(uint32_t(list->size()));
        for (OmMaxLight* light : *list)
            archive.WriteObjectRef(light);
    }
    archive.WriteFloat(m_cloudParamA).WriteFloat(m_cloudParamB);
    archive.WriteBool(m_importFlag != 0);
    archive.WriteU32(uint32_t(m_effectNodes.size()));
    for (OmNode* node : m_effectNodes)
        archive.WriteObjectRef(node);
    m_beacons.Write(archive);
}

void TsWorld::ReadGrid(OmArchive& archive)
{
    uint32_t levels = 0, gridSize = 0, cellCount = 0;
    bool lightingOff = false;
    archive.ReadU32(levels).ReadU32(gridSize).ReadU32(cellCount).ReadFloat(m_cellEdge).ReadBool(lightingOff);
    m_lightingOff = lightingOff ? 1 : 0;
    if (archive.HasFailed())
        return;
    const bool empty = levels == 0 && gridSize == 0 && cellCount == 0;
    if (!empty && (levels < 1 || levels > uint32_t(kMaxLevels) || gridSize != (1u << levels) ||
                   uint64_t(cellCount) > uint64_t(gridSize) * gridSize || !std::isfinite(m_cellEdge) ||
                   !(m_cellEdge > 0.0f)))
        return archive.Fail("a world's grid (levels, size, cell count or edge) does not hold together");
    m_levels = int32_t(levels);
    m_gridSize = int32_t(gridSize);
    m_cellCount = 0; // set once the cells exist
    m_levelCounts.RemoveAll();
    if (cellCount > 0 && !archive.CanRead(uint64_t(cellCount) * 64))
        return archive.Fail("a world's cell count is larger than the file");
    m_cells = cellCount ? std::make_unique<TsWorldCell[]>(cellCount) : nullptr;
    m_cellCount = int32_t(cellCount);
}

void TsWorld::ReadAIMap(OmArchive& archive)
{
    uint32_t rows = 0, columns = 0;
    archive.ReadFloat(m_aiTileSize).ReadFloat(m_aiTileSizeInverse).ReadU32(rows).ReadU32(columns);
    archive.ReadI32(m_aiFirstColumn).ReadI32(m_aiFirstRow).ReadI32(m_aiLastColumn).ReadI32(m_aiLastRow);
    if (archive.HasFailed())
        return;
    const uint64_t codes = uint64_t(rows) * columns;
    if (rows > 65536 || columns > 65536 || codes > UINT32_MAX / 4 ||
        !archive.CanRead(uint64_t(TsNibbleArray::WordCount(uint32_t(codes))) * 4))
        return archive.Fail("a world's AI map is larger than the file");
    m_aiRows = int32_t(rows);
    m_aiColumns = int32_t(columns);
    if (codes == 0) {
        m_aiMap.reset();
        return;
    }
    auto map = std::make_unique<TsNibbleArray>(uint32_t(codes));
    archive.ReadBytes(map->GetWords(), uint64_t(map->GetWordCount()) * 4);
    if (!std::isfinite(m_aiTileSize) || !(m_aiTileSize > 0.0f) || !std::isfinite(m_aiTileSizeInverse))
        return archive.Fail("a world's AI tile size is not a positive number");
    m_aiMap = std::move(map);
}

void TsWorld::ReadCells(OmArchive& archive)
{
    for (int32_t i = 0; i < m_cellCount && !archive.HasFailed(); ++i) {
        m_cells[i].Read(archive);
        for (int n = 0; n < 4; ++n) {
            int32_t index = -1;
            archive.ReadI32(index);
            if (index < -1 || index >= m_cellCount)
                return archive.Fail("a world cell names a neighbour outside the cell list");
            m_cells[i].SetNeighbour(n, index < 0 ? nullptr : &m_cells[index]);
        }
    }
}

// Every node word must name children that exist in the next level (or in
// the cells at the last level), and each level must be reachable.
void TsWorld::ReadQuadtree(OmArchive& archive)
{
    if (m_levels == 0)
        return;
    m_levelCounts.Resize(uint32_t(m_levels) + 1);
    for (int32_t l = 0; l <= m_levels; ++l)
        archive.ReadI32(m_levelCounts[uint32_t(l)]);
    if (archive.HasFailed())
        return;
    if (m_levelCounts[uint32_t(m_levels)] != m_cellCount)
        return archive.Fail("a world's quadtree counts disagree with its cells");
    m_levelNodes = std::make_unique<OmArray<uint32_t>[]>(size_t(m_levels));
    for (int32_t l = 0; l < m_levels && !archive.HasFailed(); ++l) {
        uint32_t count = 0;
        archive.ReadU32(count);
        const uint64_t most = uint64_t(1) << (2 * l);
        if (archive.HasFailed() || count > most || (l == 0 && count != (m_cellCount > 0 ? 1u : 0u)) ||
            !archive.CanRead(uint64_t(count) * 4))
            return archive.Fail("a world's quadtree level holds more nodes than it can");
        m_levelNodes[l].Resize(count);
        archive.ReadBytes(m_levelNodes[l].GetData(), uint64_t(count) * 4);
        m_levelCounts[uint32_t(l)] = int32_t(count);
    }
    for (int32_t l = 0; l < m_levels && !archive.HasFailed(); ++l) {
        const uint64_t children = l + 1 < m_levels ? m_levelNodes[l + 1].GetCount() : uint64_t(m_cellCount);
        for (uint32_t i = 0; i < m_levelNodes[l].GetCount(); ++i) {
            const uint32_t word = m_levelNodes[l][i];
            if ((word & 15) == 0 || uint64_t(word >> 4) + std::popcount(word & 15u) > children)
                return archive.Fail("a world's quadtree node names children that do not exist");
        }
    }
}

void TsWorld::ReadObjectList(OmArchive& archive, std::vector<OmRef<OmMaxLight>>& list)
{
    uint32_t count = 0;
    archive.ReadU32(count);
    if (archive.HasFailed() || !archive.CanRead(uint64_t(count) * 4))
        return archive.Fail("a world's light list is larger than the file");
    list.resize(count);
    for (OmRef<OmMaxLight>& light : list)
        archive.ReadRef(light);
}

bool TsWorld::ValidateLightIndices(OmArchive& archive) const
{
    const size_t lights = m_lightNodes.size();
    for (int32_t i = 0; i < m_cellCount; ++i) {
        const uint32_t largest = m_cells[i].GetLargestLightIndex();
        if (largest != 0 && largest >= lights) {
            archive.Fail("a world cell's vertex names a light the world does not have");
            return false;
        }
    }
    return true;
}

bool TsWorld::LinksAreSound() const
{
    std::unordered_map<const OmObject*, uint32_t> listed;
    for (const auto* list : {&m_lights, &m_lightNodes})
        for (const OmRef<OmMaxLight>& light : *list)
            ++listed[light.Get()];
    for (const OmRef<OmNode>& node : m_effectNodes)
        ++listed[node.Get()];
    for (const auto& [object, count] : listed)
        if (object && object->GetRefCount() < count)
            return false;
    return true;
}

// The AI map's fields must agree as the map builder requires of a map it
// installs: the pathfinder and the tile walker index the codes by them.
void TsWorld::ValidateAIMap(OmArchive& archive) const
{
    TsAIMap map;
    TsWorldAIMap::Copy(*this, map);
    const char* why = nullptr;
    if (!map.IsSound(&why))
        archive.Fail(why);
}

void TsWorld::Read(OmArchive& archive)
{
    // A world is its environment file's one root: nothing else in a level
    // file refers to it, and a file that holds more is not one.
    if (archive.GetRootCount() != 1 || archive.GetRoot(0) != this)
        return archive.Fail("a world is not its file's only root");
    TsObject::Read(archive);
    ReadGrid(archive);
    ReadAIMap(archive);
    archive.ReadVector(m_boundsMin).ReadVector(m_boundsMax).ReadVector(m_aiMapOrigin).ReadVector(m_gridOrigin);
    if (!archive.HasFailed() && (!IsFinite(m_boundsMin) || !IsFinite(m_boundsMax) || !IsFinite(m_gridOrigin) ||
                                 !IsFinite(m_aiMapOrigin)))
        archive.Fail("a world's bounds or origins are not finite");
    ReadCells(archive);
    ReadQuadtree(archive);
    ReadObjectList(archive, m_lights);
    ReadObjectList(archive, m_lightNodes);
    archive.ReadFloat(m_cloudParamA).ReadFloat(m_cloudParamB);
    bool importFlag = false;
    archive.ReadBool(importFlag);
    m_importFlag = importFlag ? 1 : 0;
    uint32_t effects = 0;
    archive.ReadU32(effects);
    if (!archive.HasFailed() && !archive.CanRead(uint64_t(effects) * 4))
        archive.Fail("a world's effect list is larger than the file");
    if (!archive.HasFailed()) {
        m_effectNodes.resize(effects);
        for (OmRef<OmNode>& node : m_effectNodes)
            archive.ReadRef(node);
    }
    m_beacons.Read(archive);
    if (!archive.HasFailed())
        ValidateLightIndices(archive);
    if (!archive.HasFailed())
        ValidateAIMap(archive);
    if (archive.HasFailed())
        FreeGeometry();
}
