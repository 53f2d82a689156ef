#include "game/world/TsWorldCell.h"

#include <algorithm>
#include <cmath>

#include "engine/OmArchive.h"
#include "engine/OmRenderer.h"

OM_IMPLEMENT_CLASS(TsWorldCell, OmObject)

namespace {

constexpr float kQuantum = 65535.0f;

// A material read from a file: with a resource owner the load's reference
// passes to the cell; without one the cell takes its own from the renderer
// (when there is one that knows the id).
void AdoptMaterial(OmArchive& archive, int32_t id)
{
    if (id < 0)
        return;
    if (archive.GetResourceOwner()) {
        archive.AdoptResource(OmArchive::kMaterial, id);
        return;
    }
    OmRenderer* renderer = OmRenderer::Current();
    if (renderer && renderer->GetMaterial(id))
        renderer->AddRefMaterial(id);
}

uint32_t LargestByte(uint32_t word)
{
    uint32_t largest = 0;
    for (int shift = 0; shift < 32; shift += 8)
        largest = std::max(largest, (word >> shift) & 255u);
    return largest;
}

} // namespace

TsWorldCell::~TsWorldCell()
{
    ReleaseMaterials();
    for (uint32_t i = 0; i < m_liquids.GetCount(); ++i)
        delete m_liquids[i];
}

void TsWorldCell::ReleaseMaterials()
{
    OmRenderer* renderer = OmRenderer::Current();
    for (TsCellGroup& group : m_groups) {
        for (uint32_t i = 0; i < group.runs.GetCount(); ++i) {
            if (renderer && group.runs[i].material >= 0 && renderer->GetMaterial(group.runs[i].material))
                renderer->ReleaseMaterial(group.runs[i].material);
            group.runs[i].material = -1;
        }
    }
    for (uint32_t i = 0; i < m_liquids.GetCount(); ++i) {
        TsLiquid& liquid = *m_liquids[i];
        if (renderer && liquid.material >= 0 && renderer->GetMaterial(liquid.material))
            renderer->ReleaseMaterial(liquid.material);
        liquid.material = -1;
    }
}

OmVector3 TsWorldCell::Dequantise(uint16_t x, uint16_t y, uint16_t z) const
{
    constexpr float kStep = 1.0f / kQuantum;
    return OmVector3(m_boxOrigin.x + float(x) * m_boxSize.x * kStep, m_boxOrigin.y + float(y) * m_boxSize.y * kStep,
                     m_boxOrigin.z + float(z) * m_boxSize.z * kStep);
}

void TsWorldCell::Quantise(const OmVector3& p, int32_t& x, int32_t& y, int32_t& z) const
{
    auto one = [](float value, float origin, float size) {
        const float q = size > 0.0f ? (value - origin) * kQuantum / size : 0.0f;
        // Comparisons written so NaN lands on 0 before any conversion.
        if (!(q > 0.0f))
            return 0;
        if (q >= kQuantum)
            return 65535;
        return int32_t(std::nearbyint(q));
    };
    x = one(p.x, m_boxOrigin.x, m_boxSize.x);
    y = one(p.y, m_boxOrigin.y, m_boxSize.y);
    z = one(p.z, m_boxOrigin.z, m_boxSize.z);
}

void TsWorldCell::SetBox(const OmVector3& origin, const OmVector3& size)
{
    m_boxOrigin = origin;
    m_boxSize = size;
    m_binWidth = size.x * 0.25f;
    m_binDepth = size.z * 0.25f;
}

uint32_t TsWorldCell::GetLargestLightIndex() const
{
    uint32_t largest = 0;
    for (const TsCellGroup& group : m_groups)
        for (uint32_t i = 0; i < group.vertices.GetCount(); ++i)
            largest = std::max(largest, LargestByte(group.vertices[i].lightIndices));
    return largest;
}

// ---- archive ------------------------------------------------------------------

bool TsWorldCell::Register(OmArchive& archive)
{
    for (const TsCellGroup& group : m_groups)
        for (uint32_t i = 0; i < group.runs.GetCount(); ++i)
            archive.CountResource(OmArchive::kMaterial, group.runs[i].material);
    for (uint32_t i = 0; i < m_liquids.GetCount(); ++i)
        archive.CountResource(OmArchive::kMaterial, m_liquids[i]->material);
    return true;
}

void TsWorldCell::WriteGroup(OmArchive& archive, int kind)
{
    TsCellGroup& group = m_groups[kind];
    group.vertices.Write(archive);
    group.indices.Write(archive);
    archive.WriteU32(group.runs.GetCount()).WriteU32(group.runs.GetGrowStep());
    for (uint32_t i = 0; i < group.runs.GetCount(); ++i) {
        const TsCellRun& run = group.runs[i];
        archive.WriteResource(OmArchive::kMaterial, run.material);
        archive.WriteU32(run.firstTriangle).WriteU32(run.triangleCount);
        archive.WriteU32(run.firstVertex).WriteU32(run.vertexCount);
    }
}

void TsWorldCell::Write(OmArchive& archive)
{
    OmObject::Write(archive);
    WriteGroup(archive, TS_CELL_OPAQUE);
    WriteGroup(archive, TS_CELL_ALPHA);
    archive.WriteU32(m_liquids.GetCount());
    for (uint32_t i = 0; i < m_liquids.GetCount(); ++i) {
        TsLiquid& liquid = *m_liquids[i];
        archive.WriteU32(liquid.kind).WriteVector(liquid.origin);
        liquid.vertices.Write(archive);
        liquid.triangles.Write(archive);
        archive.WriteResource(OmArchive::kMaterial, liquid.material);
    }
    archive.WriteFloat(m_maxY).WriteFloat(m_minY);
    for (TsCellBin& bin : m_bins) {
        bin.triangles[TS_CELL_OPAQUE].Write(archive);
        bin.triangles[TS_CELL_ALPHA].Write(archive);
        archive.WriteFloat(bin.maxY).WriteFloat(bin.minY);
    }
    m_planes[TS_CELL_OPAQUE].Write(archive);
    m_planes[TS_CELL_ALPHA].Write(archive);
    archive.WriteVector(m_boxOrigin).WriteVector(m_boxSize).WriteFloat(m_binWidth).WriteFloat(m_binDepth);
}

void TsWorldCell::ReadGroup(OmArchive& archive, int kind)
{
    TsCellGroup& group = m_groups[kind];
    group.vertices.Read(archive);
    group.indices.Read(archive);
    uint32_t count = 0, growStep = 0;
    archive.ReadU32(count).ReadU32(growStep);
    if (archive.HasFailed())
        return;
    // Each run takes five words in the file.
    if (growStep == 0 || growStep > OM_MAX_GROW_STEP || !archive.CanRead(uint64_t(count) * 20))
        return archive.Fail("a world cell's run list does not fit the file");
    group.runs.Construct(0, growStep);
    group.runs.Reserve(count);
    for (uint32_t i = 0; i < count && !archive.HasFailed(); ++i) {
        TsCellRun run;
        run.material = archive.ReadResource(OmArchive::kMaterial);
        archive.ReadU32(run.firstTriangle).ReadU32(run.triangleCount);
        archive.ReadU32(run.firstVertex).ReadU32(run.vertexCount);
        if (archive.HasFailed())
            break;
        AdoptMaterial(archive, run.material);
        group.runs.Add(run);
    }
}

void TsWorldCell::ReadLiquids(OmArchive& archive)
{
    uint32_t count = 0;
    archive.ReadU32(count);
    // The smallest liquid takes 40 bytes: kind, origin, two empty arrays
    // and the material.
    if (archive.HasFailed() || !archive.CanRead(uint64_t(count) * 40))
        return archive.Fail("a world cell's liquid count does not fit the file");
    for (uint32_t i = 0; i < count && !archive.HasFailed(); ++i) {
        auto* liquid = new TsLiquid;
        m_liquids.Add(liquid);
        archive.ReadU32(liquid->kind).ReadVector(liquid->origin);
        liquid->vertices.Read(archive);
        liquid->triangles.Read(archive);
        liquid->material = archive.ReadResource(OmArchive::kMaterial);
        if (!archive.HasFailed())
            AdoptMaterial(archive, liquid->material);
        else
            liquid->material = -1;
    }
}

void TsWorldCell::Read(OmArchive& archive)
{
    OmObject::Read(archive);
    ReadGroup(archive, TS_CELL_OPAQUE);
    ReadGroup(archive, TS_CELL_ALPHA);
    ReadLiquids(archive);
    archive.ReadFloat(m_maxY).ReadFloat(m_minY);
    for (TsCellBin& bin : m_bins) {
        bin.triangles[TS_CELL_OPAQUE].Read(archive);
        bin.triangles[TS_CELL_ALPHA].Read(archive);
        archive.ReadFloat(bin.maxY).ReadFloat(bin.minY);
    }
    m_planes[TS_CELL_OPAQUE].Read(archive);
    m_planes[TS_CELL_ALPHA].Read(archive);
    archive.ReadVector(m_boxOrigin).ReadVector(m_boxSize).ReadFloat(m_binWidth).ReadFloat(m_binDepth);
    if (!archive.HasFailed())
        Validate(archive);
}

// ---- validation -----------------------------------------------------------------

namespace {

bool GroupHoldsTogether(const TsCellGroup& group, const OmArray<OmPlane>& planes)
{
    const uint32_t vertices = group.vertices.GetCount();
    const uint32_t triangles = group.GetTriangleCount();
    if (group.indices.GetCount() % 3 != 0 || planes.GetCount() != triangles)
        return false;
    for (uint32_t i = 0; i < group.indices.GetCount(); ++i)
        if (group.indices[i] >= vertices)
            return false;
    for (uint32_t i = 0; i < group.runs.GetCount(); ++i) {
        const TsCellRun& run = group.runs[i];
        if (uint64_t(run.firstTriangle) + run.triangleCount > triangles ||
            uint64_t(run.firstVertex) + run.vertexCount > vertices)
            return false;
    }
    return true;
}

bool LiquidHoldsTogether(const TsLiquid& liquid)
{
    if (!IsFinite(liquid.origin))
        return false;
    for (uint32_t i = 0; i < liquid.triangles.GetCount(); ++i)
        for (uint16_t index : liquid.triangles[i].index)
            if (index >= liquid.vertices.GetCount())
                return false;
    return true;
}

} // namespace

bool TsWorldCell::Validate(OmArchive& archive) const
{
    // A box with no extent on an axis would divide by zero when quantising.
    if (!IsFinite(m_boxOrigin) || !IsFinite(m_boxSize) || !(m_boxSize.x > 0.0f) || !(m_boxSize.y > 0.0f) ||
        !(m_boxSize.z > 0.0f) || !std::isfinite(m_minY) || !std::isfinite(m_maxY)) {
        archive.Fail("a world cell's box is empty or not finite");
        return false;
    }
    for (int kind = 0; kind < 2; ++kind) {
        if (!GroupHoldsTogether(m_groups[kind], m_planes[kind])) {
            archive.Fail("a world cell's indices, runs or planes do not match its vertices");
            return false;
        }
    }
    for (const TsCellBin& bin : m_bins) {
        for (int kind = 0; kind < 2; ++kind) {
            const uint32_t triangles = m_groups[kind].GetTriangleCount();
            for (uint32_t i = 0; i < bin.triangles[kind].GetCount(); ++i) {
                if (bin.triangles[kind][i] >= triangles) {
                    archive.Fail("a world cell's bin lists a triangle the cell does not have");
                    return false;
                }
            }
        }
    }
    for (uint32_t i = 0; i < m_liquids.GetCount(); ++i) {
        // Vertices past what the 16-bit indices name mean indices that wrapped.
        if (m_liquids[i]->vertices.GetCount() > TsLiquid::kLimits.vertices) {
            archive.Fail("a world cell's liquid has more vertices than its indices can name");
            return false;
        }
        if (!LiquidHoldsTogether(*m_liquids[i])) {
            archive.Fail("a world cell's liquid names a vertex it does not have");
            return false;
        }
    }
    return true;
}
