#include "engine/OmMorphMesh.h"

#include <new>

#include "engine/OmBaseMesh.h"
#include "engine/OmBaseMorphMesh.h"
#include "engine/OmMaterial.h"
#include "engine/OmReport.h"
#include "engine/OmRenderer.h"

OM_IMPLEMENT_CLASS(OmMorphMesh, OmGeometry)
OM_IMPLEMENT_ABSTRACT_CLASS(OmBaseMorphMesh, OmGeometry)

void OmMorphVertex::Interpolate(const OmMeshVertex& a, const OmMeshVertex& b, float t, OmMeshVertex& out)
{
    OmVector3::Lerp(a.position, b.position, t, out.position);
    OmMeshVertex::Interpolate(a, b, t, out);
}

OmMorphAnimation::~OmMorphAnimation()
{
    Free();
}

void OmMorphAnimation::Free()
{
    for (int32_t i = 0; frames && i < frameCount; ++i)
        delete[] frames[i];
    delete[] frames;
    frames = nullptr;
    frameCount = vertexCount = 0;
}

bool OmMorphAnimation::Allocate(int32_t frameTotal, int32_t vertices)
{
    Free();
    if (frameTotal < 0 || vertices < 0)
        return false;
    frames = new (std::nothrow) OmMeshVertex*[size_t(frameTotal) + 1]();
    if (!frames)
        return false;
    frameCount = frameTotal;
    vertexCount = vertices;
    for (int32_t i = 0; i < frameTotal; ++i) {
        frames[i] = new (std::nothrow) OmMeshVertex[size_t(vertices) + 1]();
        if (!frames[i]) {
            Free();
            return false;
        }
    }
    return true;
}

OmMorphMesh::OmMorphMesh() : animations(new OmArray<OmMorphAnimation*>(64))
{
}

OmMorphMesh::OmMorphMesh(OmArchive& archive) : OmGeometry(archive), animations(new OmArray<OmMorphAnimation*>(64))
{
}

OmMorphMesh::~OmMorphMesh()
{
    for (uint32_t i = 0; i < animations->GetCount(); ++i)
        delete (*animations)[i];
    delete animations;
}

int32_t OmMorphMesh::AddAnimation(OmMorphAnimation* animation)
{
    if (!animation)
        return -1;
    if (animation->vertexCount != int32_t(vertices.GetCount()) || (animation->frameCount > 0 && !animation->frames)) {
        ReportError("OmMorphMesh::AddAnimation: frames of %d vertices for a mesh of %u", animation->vertexCount,
                    vertices.GetCount());
        delete animation;
        return -1;
    }
    animations->Add(animation);
    return int32_t(animations->GetCount()) - 1;
}

const OmMorphAnimation* OmMorphMesh::GetAnimation(int32_t index) const
{
    if (index < 0 || uint32_t(index) >= animations->GetCount())
        return nullptr;
    return (*animations)[uint32_t(index)];
}

void OmMorphMesh::ComputeBounds()
{
    m_bounds.SetEmpty();
    for (uint32_t a = 0; a < animations->GetCount(); ++a) {
        const OmMorphAnimation* anim = (*animations)[a];
        for (int32_t f = 0; anim && f < anim->frameCount; ++f) {
            OmSphere sphere;
            OmSphere::FromPoints(anim->frames[f], anim->vertexCount, sphere);
            m_bounds.Enclose(sphere);
        }
    }
    BoundsChanged();
}

void OmMorphMesh::SortTrianglesByMaterial()
{
    // The plain mesh's sort does the work on a borrowed copy of the arrays.
    OmMesh scratch;
    scratch.vertices.Resize(vertices.GetCount());
    scratch.indices.Resize(indices.GetCount());
    scratch.triangleMaterials.Resize(triangleMaterials.GetCount());
    for (uint32_t i = 0; i < indices.GetCount(); ++i)
        scratch.indices[i] = indices[i];
    for (uint32_t i = 0; i < triangleMaterials.GetCount(); ++i)
        scratch.triangleMaterials[i] = triangleMaterials[i];
    scratch.SortTrianglesByMaterial();
    for (uint32_t i = 0; i < indices.GetCount(); ++i)
        indices[i] = scratch.indices[i];
    for (uint32_t i = 0; i < triangleMaterials.GetCount(); ++i)
        triangleMaterials[i] = scratch.triangleMaterials[i];
    materialGroups.Resize(scratch.materialGroups.GetCount());
    for (uint32_t i = 0; i < materialGroups.GetCount(); ++i)
        materialGroups[i] = scratch.materialGroups[i];
}

bool OmMorphMesh::ConvertForRenderer(OmRenderer& renderer, uint32_t renderFlags, OmBaseMorphMesh& renderMesh)
{
    if (!OmMesh::FitsRenderIndices("OmMorphMesh", vertices.GetCount()))
        return false;
    for (uint32_t g = 0; g < materialGroups.GetCount(); ++g) {
        const OmMaterial* material = renderer.GetMaterial(int32_t(materialGroups[g].materialId));
        if (material && material->IsAlpha()) {
            renderFlags |= OM_MESH_HAS_ALPHA;
            break;
        }
    }
    if (!renderMesh.Create(renderer, renderFlags, indices.GetCount(), vertices.GetCount(), layout))
        return false;
    return renderMesh.ConvertFrom(*this);
}

OmBaseMorphMesh::OmBaseMorphMesh() = default;

OmBaseMorphMesh::OmBaseMorphMesh(OmArchive& archive) : OmGeometry(archive)
{
}

OmBaseMorphMesh::~OmBaseMorphMesh() = default;

void OmBaseMorphMesh::KeepFrames(const OmMorphMesh& mesh)
{
    m_frameSource.Reset(const_cast<OmMorphMesh*>(&mesh));
}

const OmMorphAnimation* OmBaseMorphMesh::GetAnimation(int32_t index) const
{
    return m_frameSource ? m_frameSource->GetAnimation(index) : nullptr;
}

int32_t OmBaseMorphMesh::GetAnimationCount() const
{
    return m_frameSource ? m_frameSource->GetAnimationCount() : 0;
}
