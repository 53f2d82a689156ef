// Turns a scene file (.pbf) or a brush level (.map) into engine objects: its
// materials and textures are registered with the renderer, every mesh
// record becomes a shape with a mesh, every light record a light, and the
// node records become a tree of groups under the caller's group.
//
// Callers create an importer, load, take what they need from the tree and
// destroy the importer; the built objects live on through the references
// the tree holds.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/OmPbfScene.h"
#include "engine/OmRef.h"
#include "engine/OmVector3.h"

class OmGroup;
class OmLight;
class OmMaterial;
class OmMaxLight;
struct OmMaterialLayer;
class OmMesh;
class OmMorphMesh;
class OmNode;
class OmSkinMesh;

// Positions and light distances of scene files are in tenths of the
// engine's unit.
constexpr float kPbfSceneScale = 0.1f;

class OmSceneImporter {
public:
    static constexpr int kMaxPath = 260;
    // Longest line of an image list.
    static constexpr int kMaxListLine = 127;

    OmSceneImporter();
    OmSceneImporter(const OmSceneImporter&) = delete;
    OmSceneImporter& operator=(const OmSceneImporter&) = delete;
    virtual ~OmSceneImporter();

    // Texture names are looked up under this folder ("Textures\" at first).
    // A folder too long to leave room for a name is refused (and reported).
    bool SetTextureDirectory(const char* text);
    const char* GetTextureDirectory() const { return m_textureDirectory; }

    // False for a null path, a file that cannot be opened, or a scene file
    // that is truncated or corrupt (the error is reported).
    bool Load(const char* path, OmGroup* parent);
    void GetBounds(OmVector3& min, OmVector3& max) const;
    // A morph mesh whose frames are the scene file's meshes, their positions
    // times scale; null on failure (reported).
    OmMorphMesh* LoadMorphModel(const char* path, float scale);
    // A skinned mesh from the scene file's first mesh, with the skeleton and
    // weights of the bone file ("bones.txt" in the current folder unless a
    // path is given); null on failure.
    OmSkinMesh* LoadSkinned(const char* path, float scale, int32_t maxInfluences, bool whiteColours,
                            const char* boneFile = "bones.txt");

    // The renderer's vertex layout bytes for a scene mesh record.
    static void SetVertexLayout(uint8_t* layout, const OmPbfMeshRecord& record);

    OmPbfScene& GetScene() { return *m_scene; }
    // The object built from record i (null when it built nothing).
    OmNode* GetObject(int32_t i) const;
    int32_t GetObjectCount() const { return int32_t(m_objects.size()); }
    int32_t GetMaterialId(int32_t i) const;
    int32_t GetMaterialCount() const { return int32_t(m_materialIds.size()); }

    // Record conversions, open for the tools that build lights by hand.
    static void ConvertLight(const OmPbfLightRecord& record, OmLight& light);
    static void ConvertMaxLight(const OmPbfMaxLightRecord& record, float distanceScale, OmMaxLight& light);
    // Blend flags carried by a material name ("_a", "_cb", ...).
    static uint32_t BlendModeFromName(const char* name);

    float positionTolerance = 0.0001f;
    float attributeTolerance = 0.01f;
    float opacity = 1.0f;

private:
    bool ReadSource(const char* path);
    void BuildMaterials();
    void BuildDefaultMaterial();
    void BuildMaterial(const OmPbfMaterial& record);
    void AddLayer(OmMaterial& material, const OmPbfTextureLayer& record);
    void AddImageList(OmMaterialLayer& layer, const char* listPath);
    // The texture of a name under the texture folder; -1 when the name
    // does not fit or the renderer refuses it.
    int32_t RegisterNamedTexture(const char* name);
    void BuildObjects();
    OmNode* BuildMesh(int32_t index, const OmPbfMeshRecord& record);
    bool FillMesh(int32_t index, const OmPbfMeshRecord& record, OmMesh& mesh);
    OmNode* BuildMaxLight(int32_t index, const OmPbfMaxLightRecord& record);
    void BuildHierarchy(OmGroup* parent);
    // The material id of a face's material index.
    int32_t FaceMaterial(uint32_t material) const;
    bool BuildSkeleton(OmSkinMesh& mesh, int32_t firstBone) const;
    void ReleaseAll();

    OmPbfScene* m_scene;
    char m_textureDirectory[kMaxPath];
    std::vector<OmRef<OmNode>> m_objects;
    // Ids of the material records; just the default material when there are none.
    std::vector<int32_t> m_materialIds;
    bool m_materialsFromRecords = false;
    // Scene files are in tenths; brush files arrive already scaled.
    float m_positionScale = kPbfSceneScale;
    OmVector3 m_boundsMin;
    OmVector3 m_boundsMax;
};
