// The importer's two deformable models: a morph mesh whose frames are the
// meshes of one scene file, and a skinned mesh bound to the skeleton of the
// bone text file. Both turn mesh records into shared-vertex lists: corners
// equal in every word (and in position index) become one vertex.
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/OmBoneText.h"
#include "engine/OmMorphMesh.h"
#include "engine/OmRef.h"
#include "engine/OmReport.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmSkinMesh.h"

namespace {

// A corner as the lists compare it: 16 words, then weights and bone indices.
struct ListVertex {
    float words[16] = {};
    float weights[4] = {};
    uint32_t bones[4] = {};
    uint32_t position = 0; // the record's position index

    bool operator==(const ListVertex& o) const
    {
        return std::memcmp(words, o.words, sizeof words) == 0 && std::memcmp(weights, o.weights, sizeof weights) == 0
            && std::memcmp(bones, o.bones, sizeof bones) == 0;
    }
};

struct VertexList {
    std::vector<ListVertex> vertices;
    std::vector<uint32_t> indices;   // three per face
    std::vector<uint32_t> materials; // the face's material index
};

// False (reported) when a corner names something the record lacks.
bool MakeCorner(const OmPbfMeshRecord& r, const OmPbfCorner& c, bool skinned, ListVertex& v)
{
    const OmVector3* p = r.positions.At(int32_t(c.position));
    if (!p)
        return false;
    v.position = c.position;
    std::memcpy(v.words, p, 12);
    const OmVector3 defaultNormal(0, 0, 1);
    const OmVector3* n = r.normals.count ? r.normals.At(int32_t(c.normal)) : &defaultNormal;
    const OmPbfArray<OmPbfColour>* colours = r.colourSets.At(0);
    const OmPbfColour grey{0.7f, 0.7f, 0.7f, 0.7f};
    const OmPbfColour* colour = colours ? colours->At(int32_t(c.colour)) : &grey;
    if (!n || !colour)
        return false;
    std::memcpy(v.words + 3, n, 12);
    std::memcpy(v.words + 6, colour, 16);
    for (int32_t s = 0; s < 2 && s < r.uvSets.count; ++s) {
        const OmPbfTexCoord* uv = r.uvSets[s].At(int32_t(c.texCoord));
        if (!uv)
            return false;
        std::memcpy(v.words + 10 + 3 * s, uv, 12);
    }
    if (skinned) {
        const OmPbfSkinWeight* w = r.skinWeights.At(int32_t(c.position));
        if (!w)
            return false;
        std::memcpy(v.weights, w->weight, sizeof v.weights);
        std::memcpy(v.bones, w->bone, sizeof v.bones);
    }
    return true;
}

bool BuildVertexList(const OmPbfMeshRecord& r, bool skinned, VertexList& list)
{
    std::unordered_map<uint32_t, std::vector<uint32_t>> byPosition;
    for (int32_t f = 0; f < r.faces.count; ++f) {
        const OmPbfFace& face = r.faces[f];
        for (int32_t k = 0; k < 3; ++k) {
            ListVertex v;
            const OmPbfCorner* corner = face.corners.At(k);
            if (!corner || !MakeCorner(r, *corner, skinned, v)) {
                ReportError("Scene importer: face %d names a missing position, normal, colour, texture "
                            "coordinate or weight", f);
                return false;
            }
            std::vector<uint32_t>& candidates = byPosition[v.position];
            uint32_t number = uint32_t(list.vertices.size());
            for (uint32_t c : candidates)
                if (list.vertices[c] == v)
                    number = c;
            if (number == list.vertices.size()) {
                candidates.push_back(number);
                list.vertices.push_back(v);
            }
            list.indices.push_back(number);
        }
        list.materials.push_back(face.material);
    }
    return true;
}

OmMeshVertex ToMeshVertex(const ListVertex& v, float scale)
{
    OmMeshVertex out;
    out.position = OmVector3(v.words[0], v.words[1], v.words[2]).Scaled(scale);
    out.normal = OmVector3(v.words[3], v.words[4], v.words[5]);
    std::memcpy(out.colour, v.words + 6, 16);
    out.uv0[0] = v.words[10];
    out.uv0[1] = v.words[11];
    out.uv1[0] = v.words[13];
    out.uv1[1] = v.words[14];
    return out;
}

// Keeps the strongest influences (earlier slot on equal magnitudes), their
// weights divided by the sum of their magnitudes.
void LimitInfluences(ListVertex& v, int32_t maxInfluences)
{
    if (maxInfluences < 1 || maxInfluences > 3)
        return;
    float weights[4] = {};
    uint32_t bones[4] = {};
    bool taken[4] = {};
    float sum = 0.0f;
    for (int32_t slot = 0; slot < maxInfluences; ++slot) {
        int best = -1;
        for (int k = 0; k < 4; ++k)
            if (!taken[k] && (best < 0 || std::fabs(v.weights[k]) > std::fabs(v.weights[best])))
                best = k;
        taken[best] = true;
        weights[slot] = v.weights[best];
        bones[slot] = v.bones[best];
        sum += std::fabs(weights[slot]);
    }
    for (int32_t slot = 0; slot < maxInfluences && sum != 0.0f; ++slot)
        weights[slot] /= sum;
    std::memcpy(v.weights, weights, sizeof weights);
    std::memcpy(v.bones, bones, sizeof bones);
}

// The whole transform of a node: its own, then each ancestor's after it. With
// row vectors that is M = M x parent for each ancestor in turn; the other
// order would turn a child's offset by its own rotation.
OmMatrix4 NodeToModel(const OmPbfNode& node)
{
    OmMatrix4 m = node.transform;
    for (const OmPbfNode* p = node.parent; p; p = p->parent) {
        OmMatrix4 out;
        MultiplyMatrix4(m, p->transform, out);
        m = out;
    }
    return m;
}

void PlaceMesh(OmPbfScene& scene, int32_t index, OmPbfMeshRecord& mesh)
{
    const OmPbfNode* node = scene.root.FindByObject(index);
    if (!node)
        return;
    const OmMatrix4 m = NodeToModel(*node);
    for (OmVector3& p : mesh.positions)
        p = m.TransformPoint(p);
    for (OmVector3& n : mesh.normals) {
        OmVector3 turned;
        TransformDirection4(n, m, turned);
        NormaliseInPlace(turned);
        n = turned;
    }
}

void WhitenColours(OmPbfMeshRecord& mesh)
{
    mesh.normals.Clear();
    OmPbfArray<OmPbfColour>* set = mesh.colourSets.Append();
    if (!set)
        return;
    for (int32_t i = 0; i < mesh.positions.count; ++i)
        set->Add(OmPbfColour{1, 1, 1, 1});
    for (OmPbfFace& face : mesh.faces)
        for (OmPbfCorner& c : face.corners)
            c.colour = c.position;
}

// Triangles grouped by material, through the plain mesh's sort.
template <class Mesh>
void GroupByMaterial(Mesh& mesh)
{
    OmMesh scratch;
    scratch.vertices.Resize(mesh.vertices.GetCount());
    scratch.indices.Resize(mesh.indices.GetCount());
    scratch.triangleMaterials.Resize(mesh.triangleMaterials.GetCount());
    for (uint32_t i = 0; i < mesh.indices.GetCount(); ++i)
        scratch.indices[i] = mesh.indices[i];
    for (uint32_t i = 0; i < mesh.triangleMaterials.GetCount(); ++i)
        scratch.triangleMaterials[i] = mesh.triangleMaterials[i];
    scratch.SortTrianglesByMaterial();
    for (uint32_t i = 0; i < mesh.indices.GetCount(); ++i)
        mesh.indices[i] = scratch.indices[i];
    for (uint32_t i = 0; i < mesh.triangleMaterials.GetCount(); ++i)
        mesh.triangleMaterials[i] = scratch.triangleMaterials[i];
    mesh.materialGroups.Resize(scratch.materialGroups.GetCount());
    for (uint32_t i = 0; i < mesh.materialGroups.GetCount(); ++i)
        mesh.materialGroups[i] = scratch.materialGroups[i];
}

bool IsPbf(const std::string& lowered)
{
    return lowered.size() >= 3 && lowered.compare(lowered.size() - 3, 3, "pbf") == 0;
}

std::string Lowered(const char* path)
{
    std::string text(path);
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

int32_t OmSceneImporter::FaceMaterial(uint32_t material) const
{
    const bool own = m_materialsFromRecords && material < uint32_t(m_materialIds.size());
    return own ? m_materialIds[material] : GetMaterialId(0);
}

OmMorphMesh* OmSceneImporter::LoadMorphModel(const char* path, float scale)
{
    if (!path)
        return nullptr;
    // The caller's text stays as it was: only a copy is lowered.
    const std::string lowered = Lowered(path);
    if (lowered.size() >= 3 && lowered.compare(lowered.size() - 3, 3, "map") == 0)
        return nullptr;
    m_positionScale = kPbfSceneScale;
    if (IsPbf(lowered) && !ReadSource(lowered.c_str()))
        return nullptr;
    BuildMaterials();
    const OmPbfObject* first = m_scene->objects.At(0);
    const auto* base = first && first->type == kPbfMesh ? static_cast<const OmPbfMeshRecord*>(first) : nullptr;
    VertexList list;
    if (!base || !BuildVertexList(*base, false, list)) {
        ReportError("LoadMorphModel: %s does not start with a usable mesh", path);
        return nullptr;
    }
    auto mesh = OmMakeRef<OmMorphMesh>();
    OmSceneImporter::SetVertexLayout(mesh->layout, *base);
    for (const ListVertex& v : list.vertices)
        mesh->vertices.Add(ToMeshVertex(v, 1.0f));
    for (uint32_t i : list.indices)
        mesh->indices.Add(i);
    for (uint32_t m : list.materials)
        mesh->triangleMaterials.Add(uint32_t(FaceMaterial(m)));
    const int32_t frames = m_scene->objects.Count();
    const int32_t count = int32_t(list.vertices.size());
    auto* anim = new OmMorphAnimation();
    if (!anim->Allocate(frames, count)) {
        delete anim;
        return nullptr;
    }
    for (int32_t f = 0; f < frames; ++f) {
        const OmPbfObject* object = m_scene->objects.At(f);
        // A record that is not a mesh (a marker, a light) shows the base,
        // scaled like every other frame so the figure keeps its size.
        const VertexList* source = &list;
        VertexList frame;
        if (object && object->type == kPbfMesh) {
            // A frame must supply every vertex of the base.
            if (!BuildVertexList(static_cast<const OmPbfMeshRecord&>(*object), false, frame) ||
                int32_t(frame.vertices.size()) < count) {
                ReportError("LoadMorphModel: frame %d of %s has %d vertices, the base has %d", f, path,
                            int32_t(frame.vertices.size()), count);
                delete anim;
                return nullptr;
            }
            source = &frame;
        }
        for (int32_t j = 0; j < count; ++j)
            anim->frames[f][j] = ToMeshVertex(source->vertices[size_t(j)], scale);
    }
    mesh->AddAnimation(anim);
    GroupByMaterial(*mesh);
    mesh->ComputeBounds();
    return mesh.Detach(); // the caller's reference
}

bool OmSceneImporter::BuildSkeleton(OmSkinMesh& mesh, int32_t firstBone) const
{
    const int32_t count = m_scene->objects.Count() - firstBone;
    mesh.skeleton.bones.Resize(uint32_t(count));
    for (int32_t i = 0; i < count; ++i) {
        const OmPbfObject* object = m_scene->objects.At(firstBone + i);
        if (!object || object->type != kPbfBone)
            return false;
        const auto* r = static_cast<const OmPbfBoneRecord*>(object);
        OmBone& bone = mesh.skeleton.bones[uint32_t(i)];
        bone = OmBone();
        bone.SetName(r->name.CStr());
        bone.parent = r->parent;
        bone.firstChild = r->firstChild;
        bone.nextSibling = r->nextSibling;
        if (r->parent == -1)
            mesh.skeleton.rootBone = i;
        bone.inverseBind = r->inverseBind;
        bone.rotation.SetFromMatrix(r->local);
        bone.offset = r->localTranslation;
        bone.pivot = r->pivot;
    }
    return true;
}

OmSkinMesh* OmSceneImporter::LoadSkinned(const char* path, float scale, int32_t maxInfluences, bool whiteColours,
                                          const char* boneFile)
{
    if (!path || !IsPbf(Lowered(path)))
        return nullptr;
    m_positionScale = kPbfSceneScale;
    if (!ReadSource(path))
        return nullptr;
    BuildMaterials();
    int32_t meshIndex = -1;
    for (int32_t i = 0; i < m_scene->objects.Count() && meshIndex < 0; ++i)
        if (m_scene->objects.At(i) && m_scene->objects.At(i)->type == kPbfMesh)
            meshIndex = i;
    if (meshIndex < 0) {
        ReportError("LoadSkinned: %s holds no mesh", path);
        return nullptr;
    }
    auto& record = static_cast<OmPbfMeshRecord&>(*m_scene->objects.At(meshIndex));
    PlaceMesh(*m_scene, meshIndex, record);
    if (whiteColours && record.colourSets.count == 0)
        WhitenColours(record);
    const int32_t firstBone = m_scene->objects.Count();
    if (!boneFile || !ReadBonesFromFile(*m_scene, boneFile, scale))
        return nullptr;
    const int32_t boneCount = m_scene->objects.Count() - firstBone;
    if (!ReadSkinWeights(record, boneFile, boneCount)) {
        ReportError("LoadSkinned: the skin weights of %s do not fit %s", boneFile, path);
        return nullptr;
    }
    auto mesh = OmMakeRef<OmSkinMesh>();
    OmSceneImporter::SetVertexLayout(mesh->layout, record);
    if (!BuildSkeleton(*mesh, firstBone)) {
        return nullptr;
    }
    VertexList list;
    if (BuildVertexList(record, true, list)) {
        for (ListVertex& v : list.vertices) {
            LimitInfluences(v, maxInfluences);
            OmSkinVertex out;
            out.vertex = ToMeshVertex(v, scale);
            for (int k = 0; k < 4; ++k) {
                // The weight reader kept every index below the bone count.
                out.bones[k] = uint8_t(v.bones[k]);
                out.weights[k] = v.weights[k];
            }
            mesh->vertices.Add(out);
        }
        for (uint32_t i : list.indices)
            mesh->indices.Add(i);
        for (uint32_t m : list.materials)
            mesh->triangleMaterials.Add(uint32_t(FaceMaterial(m)));
        GroupByMaterial(*mesh);
    }
    mesh->ComputeBounds();
    return mesh.Detach(); // the caller's reference
}
