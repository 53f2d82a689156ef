// Pieces shared by the demo-data writers: whole-file output, the plain
// textured material and the sides of the boxes the demo models are built of.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "engine/OmPbfScene.h"

namespace demo {

// Writes the bytes as the whole file; false when any step fails.
inline bool WriteFile(const std::filesystem::path& path, const void* data, size_t size)
{
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

// A material with one texture layer and the usual dim ambient and faint shine.
inline OmPbfMaterial Material(const char* name, const char* texture, OmPbfColour diffuse)
{
    OmPbfMaterial m;
    m.name.Assign(name);
    m.diffuse = diffuse;
    m.ambient = OmPbfColour{diffuse.r * 0.5f, diffuse.g * 0.5f, diffuse.b * 0.5f, 1.0f};
    m.specular = OmPbfColour{0.2f, 0.2f, 0.2f, 1.0f};
    m.power = 8.0f;
    OmPbfTextureLayer* layer = m.layers.Append();
    layer->name.Assign(texture);
    layer->rate = 1.0f;
    return m;
}

// One side of a box: its normal and two axes with u x v = normal.
struct Side {
    OmVector3 normal, u, v;
};

inline const Side kSides[6] = {
    {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
    {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
    {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
};

inline OmVector3 Times(const OmVector3& a, const OmVector3& b)
{
    return OmVector3(a.x * b.x, a.y * b.y, a.z * b.z);
}

// The one texture square every side maps: corners in the order AddSide uses.
inline void AddSquareUvs(OmPbfMeshRecord& mesh)
{
    OmPbfArray<OmPbfTexCoord>* uvs = mesh.uvSets.Append();
    const float square[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (const auto& uv : square)
        uvs->Add(OmPbfTexCoord{uv[0], uv[1], 0});
}

// Appends one side of a box with half sizes `half` whose face centre is
// `centre`: four positions, one normal and two triangles wound outwards.
inline void AddSide(OmPbfMeshRecord& mesh, const Side& side, const OmVector3& centre, const OmVector3& half,
                    uint32_t material)
{
    static const uint32_t kTriangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    const uint32_t first = uint32_t(mesh.positions.count);
    const OmVector3 u = Times(side.u, half), v = Times(side.v, half);
    mesh.positions.Add(centre - u - v);
    mesh.positions.Add(centre + u - v);
    mesh.positions.Add(centre + u + v);
    mesh.positions.Add(centre - u + v);
    mesh.normals.Add(side.normal);
    const uint32_t normal = uint32_t(mesh.normals.count - 1);
    for (const auto& triangle : kTriangles) {
        OmPbfFace* face = mesh.faces.Append();
        for (int k = 0; k < 3; ++k)
            face->corners[k] = OmPbfCorner{first + triangle[k], normal, 0, triangle[k]};
        face->material = material;
    }
}

} // namespace demo
