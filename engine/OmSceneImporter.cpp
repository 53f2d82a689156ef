#include "engine/OmSceneImporter.h"

#include <algorithm>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "engine/OmBrushMap.h"
#include "engine/OmGroup.h"
#include "engine/OmLight.h"
#include "engine/OmMaterial.h"
#include "engine/OmMaxLight.h"
#include "engine/OmMesh.h"
#include "engine/OmRef.h"
#include "engine/OmReport.h"
#include "engine/OmShape.h"
#include "engine/OmRenderer.h"

namespace {

constexpr float kEmptyBoxMin = 100000.0f;
constexpr float kDegreesToRadians = 3.14159265f / 180.0f;

bool HasExtension(const char* path, const char* extension)
{
    const size_t length = std::strlen(path);
    return length >= 3 && strcasecmp(path + length - 3, extension) == 0;
}

void SetLocalTransform(OmNode& node, const OmPbfNode& record, float scale)
{
    record.transform.GetRotation(node.LocalRotation());
    node.LocalPosition() = record.transform.GetTranslation().Scaled(scale);
    node.LocalScale() = 1.0f;
}

void CopyColour(const OmPbfColour& from, float* to)
{
    to[0] = from.r;
    to[1] = from.g;
    to[2] = from.b;
    to[3] = from.a;
}

} // namespace

OmSceneImporter::OmSceneImporter() : m_scene(new OmPbfScene())
{
    std::snprintf(m_textureDirectory, sizeof m_textureDirectory, "%s", "Textures\\");
    m_boundsMin.SetAll(kEmptyBoxMin);
    m_boundsMax.SetAll(-kEmptyBoxMin);
}

OmSceneImporter::~OmSceneImporter()
{
    ReleaseAll();
    delete m_scene;
}

void OmSceneImporter::ReleaseAll()
{
    m_objects.clear();
    if (OmRenderer* renderer = OmRenderer::Current())
        for (int32_t id : m_materialIds)
            renderer->ReleaseMaterial(id);
    m_materialIds.clear();
}

bool OmSceneImporter::SetTextureDirectory(const char* text)
{
    const size_t length = text ? std::strlen(text) : 0;
    if (length >= size_t(kMaxPath)) {
        ReportError("Scene importer: texture folder name too long (%zu characters)", length);
        return false;
    }
    std::memcpy(m_textureDirectory, text ? text : "", length + 1);
    return true;
}

void OmSceneImporter::GetBounds(OmVector3& min, OmVector3& max) const
{
    min = m_boundsMin;
    max = m_boundsMax;
}

OmNode* OmSceneImporter::GetObject(int32_t i) const
{
    return i >= 0 && i < GetObjectCount() ? m_objects[size_t(i)] : nullptr;
}

int32_t OmSceneImporter::GetMaterialId(int32_t i) const
{
    return i >= 0 && i < GetMaterialCount() ? m_materialIds[size_t(i)] : -1;
}

bool OmSceneImporter::ReadSource(const char* path)
{
    if (HasExtension(path, "map")) {
        OmBrushFile file;
        if (!file.Open(path)) {
            ReportError("Scene importer: cannot open %s", path);
            return false;
        }
        // The brush reader scales its own positions.
        ReadBrushMap(*m_scene, file, kBrushMapScale);
        m_positionScale = 1.0f;
        return true;
    }
    if (!HasExtension(path, "pbf"))
        return true;
    OmFile file;
    if (!file.Open(path, false)) {
        ReportError("Scene importer: cannot open %s", path);
        return false;
    }
    // A file of version 0 is refused by the reader and loads as nothing.
    if (!m_scene->Serialise(file) && OmPbfCurrentVersion != 0) {
        ReportError("Scene importer: %s could not be read", path);
        return false;
    }
    return true;
}

bool OmSceneImporter::Load(const char* path, OmGroup* parent)
{
    if (!path)
        return false;
    m_positionScale = kPbfSceneScale;
    if (!ReadSource(path))
        return false;
    BuildMaterials();
    BuildObjects();
    if (parent)
        BuildHierarchy(parent);
    return true;
}

void OmSceneImporter::BuildObjects()
{
    m_objects.assign(size_t(m_scene->objects.Count()), nullptr);
    m_boundsMin.SetAll(kEmptyBoxMin);
    m_boundsMax.SetAll(-kEmptyBoxMin);
    for (int32_t i = 0; i < m_scene->objects.Count(); ++i) {
        const OmPbfObject* record = m_scene->objects.At(i);
        if (!record)
            continue;
        if (record->type == kPbfMesh) {
            m_objects[size_t(i)].AdoptNew(BuildMesh(i, static_cast<const OmPbfMeshRecord&>(*record)));
        } else if (record->type == kPbfLight) {
            auto light = OmMakeRef<OmLight>();
            ConvertLight(static_cast<const OmPbfLightRecord&>(*record), *light);
            m_objects[size_t(i)] = std::move(light);
        } else if (record->type == kPbfMaxLight) {
            m_objects[size_t(i)].AdoptNew(BuildMaxLight(i, static_cast<const OmPbfMaxLightRecord&>(*record)));
        }
    }
}

// ---- Meshes -----------------------------------------------------------------

// Byte 0 is the blend-weight count (none in a scene file), then has-normal,
// colour count and the texture sets of two floats each (a vertex holds two).
void OmSceneImporter::SetVertexLayout(uint8_t* layout, const OmPbfMeshRecord& record)
{
    const int32_t sets = std::min(record.uvSets.count, 2);
    std::memset(layout, 0, OmMesh::kLayoutSize);
    layout[1] = record.normals.count > 0 ? 1 : 0;
    layout[2] = record.colourSets.count > 0 ? 1 : 0;
    layout[3] = uint8_t(sets);
    for (int32_t s = 0; s < sets; ++s)
        layout[4 + s] = 2;
}

bool OmSceneImporter::FillMesh(int32_t index, const OmPbfMeshRecord& record, OmMesh& mesh)
{
    const int32_t faces = record.faces.count;
    SetVertexLayout(mesh.layout, record);
    const int32_t setCount = mesh.layout[3];
    mesh.vertices.Resize(uint32_t(faces) * 3);
    mesh.indices.Resize(uint32_t(faces) * 3);
    mesh.triangleMaterials.Resize(uint32_t(faces));
    const OmPbfArray<OmPbfColour>* colours = record.colourSets.At(0);
    for (int32_t f = 0; f < faces; ++f) {
        const OmPbfFace& face = record.faces[f];
        for (int32_t k = 0; k < 3; ++k) {
            const OmPbfCorner* corner = face.corners.At(k);
            const uint32_t v = uint32_t(f * 3 + k);
            OmMeshVertex& out = mesh.vertices[v];
            const OmVector3* position = corner ? record.positions.At(int32_t(corner->position)) : nullptr;
            if (!position) {
                ReportError("Scene importer: mesh %d face %d names a missing position", index, f);
                return false;
            }
            out.position = position->Scaled(m_positionScale);
            out.normal = OmVector3(0, 1, 0);
            if (record.normals.count > 0) {
                const OmVector3* normal = record.normals.At(int32_t(corner->normal));
                if (!normal) {
                    ReportError("Scene importer: mesh %d face %d names a missing normal", index, f);
                    return false;
                }
                out.normal = *normal;
            }
            out.colour[0] = out.colour[1] = out.colour[2] = out.colour[3] = 1.0f;
            if (colours) {
                const OmPbfColour* c = colours->At(int32_t(corner->colour));
                if (!c) {
                    ReportError("Scene importer: mesh %d face %d names a missing colour", index, f);
                    return false;
                }
                out.colour[0] = c->r;
                out.colour[1] = c->g;
                out.colour[2] = c->b;
            }
            out.uv0[0] = out.uv0[1] = out.uv1[0] = out.uv1[1] = 0.0f;
            for (int32_t s = 0; s < setCount; ++s) {
                const OmPbfTexCoord* uv = record.uvSets[s].At(int32_t(corner->texCoord));
                if (!uv) {
                    ReportError("Scene importer: mesh %d face %d names a missing texture coordinate", index, f);
                    return false;
                }
                float* target = s == 0 ? out.uv0 : out.uv1;
                target[0] = uv->u;
                target[1] = uv->v;
            }
            mesh.indices[v] = v;
        }
        const bool own = m_materialsFromRecords && face.material < uint32_t(m_materialIds.size());
        const int32_t id = own ? m_materialIds[face.material] : GetMaterialId(0);
        mesh.triangleMaterials[uint32_t(f)] = uint32_t(id);
    }
    return true;
}

OmNode* OmSceneImporter::BuildMesh(int32_t index, const OmPbfMeshRecord& record)
{
    const auto mesh = OmMakeRef<OmMesh>();
    if (!FillMesh(index, record, *mesh) || mesh->vertices.GetCount() == 0 || mesh->indices.GetCount() == 0) {
        return nullptr;
    }
    mesh->UnwrapTextures(32);
    mesh->WeldVertices(positionTolerance, attributeTolerance);
    mesh->SortTrianglesByMaterial();
    mesh->ComputeBounds();
    OmShape* shape = new OmShape();
    shape->SetGeometry(mesh);
    OmSphere sphere;
    OmVector3 min, max;
    mesh->ComputeBoundsInto(sphere, &min, &max);
    m_boundsMin.Set(std::fmin(m_boundsMin.x, min.x), std::fmin(m_boundsMin.y, min.y),
                    std::fmin(m_boundsMin.z, min.z));
    m_boundsMax.Set(std::fmax(m_boundsMax.x, max.x), std::fmax(m_boundsMax.y, max.y),
                    std::fmax(m_boundsMax.z, max.z));
    return shape;
}

// ---- Lights -----------------------------------------------------------------

void OmSceneImporter::ConvertLight(const OmPbfLightRecord& record, OmLight& light)
{
    const float black[4] = {0, 0, 0, 1};
    std::memcpy(light.ambient, black, sizeof black);
    if (record.diffuseOn)
        CopyColour(record.colour, light.diffuse);
    else
        std::memcpy(light.diffuse, black, sizeof black);
    if (record.specularOn)
        CopyColour(record.colour, light.specular);
    else
        std::memcpy(light.specular, black, sizeof black);
    if (record.kind == 0)
        light.lightType = OmLight::kPoint;
    else if (record.kind == 1 || record.kind == 2)
        light.lightType = OmLight::kSpot;
    else if (record.kind == 3 || record.kind == 4)
        light.lightType = OmLight::kDirectional;
    const float d = kPbfSceneScale * record.farDistance;
    if (record.attenuate && d != 0.0f) {
        light.range = 3.0f * d;
        light.attenuation[0] = 1.0f;
        light.attenuation[1] = -1.0f / d;
        light.attenuation[2] = 1.0f / d;
    } else {
        light.range = -1.0f;
        light.attenuation[0] = 1.0f;
        light.attenuation[1] = light.attenuation[2] = 0.0f;
    }
    light.innerCone = record.innerCone > 0.0f ? record.innerCone * 0.5f : 0.0f;
    light.outerCone = record.outerCone > 0.0f ? record.outerCone * 0.5f : 0.1f;
}

void OmSceneImporter::ConvertMaxLight(const OmPbfMaxLightRecord& r, float s, OmMaxLight& light)
{
    light.lightName = r.name.CStr();
    light.on = r.on;
    light.type = (r.kind == 1 || r.kind == 2) ? 2 : (r.kind == 3 || r.kind == 4) ? 1 : 0;
    light.colour[0] = r.colour.r;
    light.colour[1] = r.colour.g;
    light.colour[2] = r.colour.b;
    light.multiplier = r.multiplier;
    light.flags[0] = r.flag1;
    light.flags[1] = r.flag2;
    light.flags[2] = r.flag3;
    light.params[0] = r.value1;
    light.params[1] = r.value2;
    light.overshoot = r.flag4;
    const bool scaled = r.kind == 1;
    light.hotspot = scaled ? r.angleA * s : 0.5f * r.angleA * kDegreesToRadians;
    light.falloff = scaled ? r.angleB * s : 0.5f * r.angleB * kDegreesToRadians;
    light.beamShape = r.shape == 1 ? 1 : 0;
    light.aspect = r.aspect != 0.0f ? 1.0f / r.aspect : 1.0f;
    light.param3 = r.distance1 * s;
    light.flag4 = r.flag5;
    light.projectorMap = r.mapName.CStr();
    light.nearAttenuation = r.flag6;
    light.nearStart = r.distance2 * s;
    light.nearEnd = r.distance3 * s;
    light.farAttenuation = r.flag7;
    light.farStart = r.distance4 * s;
    light.farEnd = r.distance5 * s;
    light.decay = r.mode == 0 ? 0 : r.mode == 1 ? 1 : 2;
    light.decayStart = r.distance6 * s;
    light.flag5 = r.flag8;
    light.shadowColour[0] = r.colour2.r;
    light.shadowColour[1] = r.colour2.g;
    light.shadowColour[2] = r.colour2.b;
    light.shadowDensity = r.value3;
    light.shadowFlags[0] = r.flag9;
    light.shadowFlags[1] = r.flag10;
    light.shadowParams[0] = r.value4;
    light.shadowParams[1] = r.value5;
}

OmNode* OmSceneImporter::BuildMaxLight(int32_t index, const OmPbfMaxLightRecord& record)
{
    // Distances follow the node's scale; a light without a node keeps the
    // scene's own scale.
    float scale = kPbfSceneScale;
    if (const OmPbfNode* node = m_scene->root.FindByObject(index)) {
        const float* row = node->transform.Row(0);
        scale = kPbfSceneScale * std::sqrt(row[0] * row[0] + row[1] * row[1] + row[2] * row[2]);
    }
    OmMaxLightNode* light = new OmMaxLightNode();
    ConvertMaxLight(record, scale, light->light);
    return light;
}

// ---- Hierarchy --------------------------------------------------------------

// Each node record with children becomes a group; a leaf record hands its
// transform and name to its object. The walk keeps its own stack so a long
// sibling chain cannot exhaust the program's.
void OmSceneImporter::BuildHierarchy(OmGroup* parent)
{
    std::vector<std::pair<const OmPbfNode*, OmGroup*>> pending{{&m_scene->root, parent}};
    while (!pending.empty()) {
        auto [record, target] = pending.back();
        pending.pop_back();
        if (record->sibling)
            pending.emplace_back(record->sibling, target);
        OmNode* object = GetObject(record->object);
        if (record->child) {
            const auto group = OmMakeRef<OmGroup>();
            target->AddChild(group);
            SetLocalTransform(*group, *record, m_positionScale);
            group->SetName(record->name.CStr());
            if (object)
                group->AddChild(object);
            pending.emplace_back(record->child, group);
        } else if (object) {
            target->AddChild(object);
            SetLocalTransform(*object, *record, m_positionScale);
            object->SetName(record->name.CStr());
        }
    }
}
