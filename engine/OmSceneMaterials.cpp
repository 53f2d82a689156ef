// The material half of the scene importer: material records to registered
// renderer materials, texture names and image lists to registered textures.
#include <cstdio>
#include <cstring>

#include "engine/OmMaterial.h"
#include "engine/OmReport.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmTextureResource.h"
#include "platform/FilePath.h"
#include "engine/OmRenderer.h"

namespace {

const char kDefaultTexture[] = "default.tga";

OmColour ColourOf(const OmPbfColour& c, float alpha)
{
    return OmColour(c.r, c.g, c.b, alpha);
}

// One line of an image list, cut at kMaxListLine characters; false at the
// end of the file. A list's last line need not end with a newline.
bool ReadListLine(std::FILE* file, char* line, int size)
{
    int c = std::fgetc(file);
    if (c == EOF)
        return false;
    int length = 0;
    for (; c != EOF && c != '\n'; c = std::fgetc(file))
        if (c != '\r' && length < size - 1)
            line[length++] = char(c);
    line[length] = 0;
    return true;
}

} // namespace

uint32_t OmSceneImporter::BlendModeFromName(const char* name)
{
    if (!name || name[0] != '_')
        return 0;
    uint32_t flags = 0;
    const char* examined = name + 1;
    if (std::strlen(name) >= 2 && name[1] == 'c') {
        flags = OmMaterial::kBlendFlag;
        examined = name + 2;
    }
    switch (*examined) {
    case 'a': return flags + 64;
    case 'b': return flags + 32;
    case 'm': return flags + 65;
    default: return flags;
    }
}

int32_t OmSceneImporter::RegisterNamedTexture(const char* name)
{
    OmRenderer* renderer = OmRenderer::Current();
    char path[kMaxPath];
    const int length = std::snprintf(path, sizeof path, "%s%s", m_textureDirectory, name);
    if (length < 0 || length >= kMaxPath) {
        ReportError("Scene importer: texture name too long: %s%s", m_textureDirectory, name);
        return -1;
    }
    if (!renderer)
        return -1;
    // The game path is kept: the texture loader resolves it on the disk.
    OmTextureResource texture;
    texture.SetName(path);
    return renderer->RegisterTexture(&texture);
}

void OmSceneImporter::AddImageList(OmMaterialLayer& layer, const char* listName)
{
    char path[kMaxPath];
    const int length = std::snprintf(path, sizeof path, "%s%s", m_textureDirectory, listName);
    std::FILE* file = length >= 0 && length < kMaxPath ? plat::OpenFile(path, "r") : nullptr;
    if (!file) {
        ReportError("Scene importer: cannot open image list %s%s", m_textureDirectory, listName);
        return;
    }
    char line[kMaxListLine + 1];
    while (ReadListLine(file, line, sizeof line)) {
        const int32_t id = RegisterNamedTexture(line);
        if (id >= 0)
            layer.frames.Add(id);
    }
    std::fclose(file);
}

void OmSceneImporter::AddLayer(OmMaterial& material, const OmPbfTextureLayer& record)
{
    OmMaterialLayer layer;
    layer.animated = record.animated;
    layer.startFrame = record.startFrame;
    layer.frameRate = record.rate;
    if (record.animated) {
        AddImageList(layer, record.name.CStr());
    } else {
        const int32_t id = RegisterNamedTexture(record.name.CStr());
        if (id >= 0)
            layer.frames.Add(id);
    }
    material.layers.Add(layer);
}

void OmSceneImporter::BuildDefaultMaterial()
{
    const OmColour white(1, 1, 1, opacity);
    OmMaterial material(white, white, white, OmColour(0, 0, 0, 0), 0.25f, 0.0f, 0);
    material.SetName("Default Material");
    OmMaterialLayer layer;
    OmTextureResource texture;
    texture.SetName(kDefaultTexture);
    OmRenderer* renderer = OmRenderer::Current();
    layer.frames.Add(renderer->RegisterTexture(&texture));
    material.layers.Add(layer);
    m_materialIds.push_back(renderer->RegisterMaterial(&material));
}

void OmSceneImporter::BuildMaterial(const OmPbfMaterial& record)
{
    OmMaterial material(ColourOf(record.diffuse, opacity), ColourOf(record.ambient, opacity),
                        ColourOf(record.specular, opacity), OmColour(0, 0, 0, 0), record.power,
                        record.secondValue, BlendModeFromName(record.name.CStr()));
    material.SetName(record.name.CStr());
    for (const OmPbfTextureLayer& layer : record.layers)
        if (!layer.name.Empty())
            AddLayer(material, layer);
    m_materialIds.push_back(OmRenderer::Current()->RegisterMaterial(&material));
}

void OmSceneImporter::BuildMaterials()
{
    OmRenderer* renderer = OmRenderer::Current();
    for (int32_t id : m_materialIds)
        if (renderer)
            renderer->ReleaseMaterial(id);
    m_materialIds.clear();
    m_materialsFromRecords = false;
    if (!renderer) {
        ReportError("Scene importer: no renderer to register materials with");
        return;
    }
    if (m_scene->materials.count == 0) {
        BuildDefaultMaterial();
        return;
    }
    for (const OmPbfMaterial& record : m_scene->materials)
        BuildMaterial(record);
    m_materialsFromRecords = true;
}
