#include "engine/OmMaterial.h"

#include <cmath>
#include <cstring>

#include "engine/OmArchive.h"

OM_IMPLEMENT_CLASS(OmMaterial, OmObject)

namespace {

// Grow step of the layer list of copies and loaded materials.
constexpr uint32_t kCopyGrowStep = 64;
// Smallest archive form of a layer and of a frame, to reject counts that
// cannot fit in what is left of the file before allocating for them.
constexpr uint64_t kLayerBytes = 16;
constexpr uint64_t kFrameBytes = 4;

bool ColoursEqual(const OmColour& a, const OmColour& b) { return a.Equals(b); }

void WriteColour(OmArchive& archive, const OmColour& c)
{
    archive.WriteFloat(c.r).WriteFloat(c.g).WriteFloat(c.b).WriteFloat(c.a);
}

void ReadColour(OmArchive& archive, OmColour& c)
{
    archive.ReadFloat(c.r).ReadFloat(c.g).ReadFloat(c.b).ReadFloat(c.a);
}

} // namespace

// ---- layers -------------------------------------------------------------

OmMaterialLayer& OmMaterialLayer::operator=(const OmMaterialLayer& other)
{
    if (this == &other) {
        return *this;
    }
    animated = other.animated;
    startFrame = other.startFrame;
    frameRate = other.frameRate;
    frames.Resize(other.frames.GetCount());
    if (other.frames.GetCount() > 0) {
        std::memcpy(frames.GetData(), other.frames.GetData(), other.frames.GetCount() * sizeof(int32_t));
    }
    return *this;
}

int32_t OmMaterialLayer::GetFrameTexture(float time, bool animate) const
{
    const uint32_t count = frames.GetCount();
    if (count == 0) {
        return -1;
    }
    if (!(animated && animate)) {
        // A start frame outside the list (bad data) names no texture.
        return startFrame >= 0 && uint32_t(startFrame) < count ? frames[uint32_t(startFrame)] : -1;
    }
    const float position = time * frameRate * 30.0f + float(startFrame);
    if (!std::isfinite(position)) {
        return frames[0];
    }
    // Truncate, then wrap into the list; negative times wrap backwards
    // instead of indexing before the start.
    double index = std::fmod(std::trunc(double(position)), double(count));
    if (index < 0) {
        index += count;
    }
    return frames[uint32_t(index)];
}

bool OmMaterialLayer::IsEqual(const OmMaterialLayer& other) const
{
    if (animated != other.animated || startFrame != other.startFrame || frameRate != other.frameRate ||
        frames.GetCount() != other.frames.GetCount()) {
        return false;
    }
    for (uint32_t i = 0; i < frames.GetCount(); ++i) {
        if (frames[i] != other.frames[i]) {
            return false;
        }
    }
    return true;
}

// ---- materials ----------------------------------------------------------

OmMaterial::OmMaterial() = default;

OmMaterial::OmMaterial(const OmColour& d, const OmColour& a, const OmColour& s, const OmColour& e, float p,
                       float f, uint32_t blend)
    : diffuse(d), ambient(a), specular(s), emissive(e), power(p), factor(f), blendMode(blend)
{
}

OmMaterial::OmMaterial(const OmMaterial& other)
    : OmObject(),
      diffuse(other.diffuse),
      ambient(other.ambient),
      specular(other.specular),
      emissive(other.emissive),
      power(other.power),
      factor(other.factor),
      blendMode(other.blendMode),
      flags(0),
      layers(kCopyGrowStep)
{
    layers.Resize(other.layers.GetCount());
    for (uint32_t i = 0; i < other.layers.GetCount(); ++i) {
        layers[i] = other.layers[i];
    }
}

OmMaterial::OmMaterial(OmArchive& archive) : OmObject(archive), layers(kCopyGrowStep) {}

const OmMaterial& OmMaterial::Default()
{
    // Static storage, outside the class pool: mode switches never free it.
    static const OmMaterial material(OmColour(1, 1, 1, 1), OmColour(0.5f, 0.5f, 0.5f, 1), OmColour(0, 0, 0, 1),
                                     OmColour(0, 0, 0, 1), 10.0f, 1.0f, 0);
    return material;
}

bool OmMaterial::IsEqual(const OmMaterial& other) const
{
    if (!ColoursEqual(diffuse, other.diffuse) || !ColoursEqual(ambient, other.ambient) ||
        !ColoursEqual(specular, other.specular) || !ColoursEqual(emissive, other.emissive) ||
        power != other.power || factor != other.factor || blendMode != other.blendMode ||
        layers.GetCount() != other.layers.GetCount()) {
        return false;
    }
    for (uint32_t i = 0; i < layers.GetCount(); ++i) {
        if (!layers[i].IsEqual(other.layers[i])) {
            return false;
        }
    }
    return true;
}

bool OmMaterial::IsAlpha() const
{
    const uint32_t mode = blendMode & ~kBlendFlag;
    return mode >= kFirstAlphaMode && mode <= kLastAlphaMode;
}

void OmMaterial::CountTextureUses(OmArchive& archive) const
{
    for (uint32_t i = 0; i < layers.GetCount(); ++i) {
        const OmArray<int32_t>& frames = layers[i].frames;
        for (uint32_t j = 0; j < frames.GetCount(); ++j) {
            archive.CountResource(OmArchive::kTexture, frames[j]);
        }
    }
}

void OmMaterial::Write(OmArchive& archive)
{
    WriteColour(archive, diffuse);
    WriteColour(archive, ambient);
    WriteColour(archive, specular);
    WriteColour(archive, emissive);
    archive.WriteFloat(power).WriteU32(blendMode).WriteU32(flags);
    archive.WriteU32(layers.GetCount());
    for (uint32_t i = 0; i < layers.GetCount(); ++i) {
        const OmMaterialLayer& layer = layers[i];
        archive.WriteU32(layer.animated).WriteI32(layer.startFrame).WriteFloat(layer.frameRate);
        archive.WriteU32(layer.frames.GetCount());
        for (uint32_t j = 0; j < layer.frames.GetCount(); ++j) {
            archive.WriteResource(OmArchive::kTexture, layer.frames[j]);
        }
    }
}

void OmMaterial::Read(OmArchive& archive)
{
    ReadColour(archive, diffuse);
    ReadColour(archive, ambient);
    ReadColour(archive, specular);
    ReadColour(archive, emissive);
    bool flag = false;
    uint32_t layerCount = 0;
    archive.ReadFloat(power).ReadU32(blendMode).ReadBool(flag).ReadU32(layerCount);
    flags = flag ? 1 : 0;
    layers.RemoveAll();
    if (archive.HasFailed()) {
        return;
    }
    if (!archive.CanRead(layerCount * kLayerBytes)) {
        return archive.Fail("material layer count larger than the file");
    }
    layers.Resize(layerCount);
    for (uint32_t i = 0; i < layerCount && !archive.HasFailed(); ++i) {
        OmMaterialLayer& layer = layers[i];
        bool animated = false;
        uint32_t frameCount = 0;
        archive.ReadBool(animated).ReadI32(layer.startFrame).ReadFloat(layer.frameRate).ReadU32(frameCount);
        layer.animated = animated ? 1 : 0;
        layer.frames.RemoveAll();
        if (archive.HasFailed()) {
            break;
        }
        if (!archive.CanRead(frameCount * kFrameBytes)) {
            archive.Fail("material frame count larger than the file");
            break;
        }
        layer.frames.Resize(frameCount);
        for (uint32_t j = 0; j < frameCount; ++j) {
            layer.frames[j] = archive.ReadResource(OmArchive::kTexture);
        }
    }
    if (archive.HasFailed()) {
        layers.RemoveAll();
    }
}
