#include "engine/OmTextureResource.h"

#include <cstring>

#include "engine/OmArchive.h"

OM_IMPLEMENT_CLASS(OmTextureResource, OmObject)

namespace {
char* CopyText(const char* text)
{
    if (!text) {
        return nullptr;
    }
    const size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}
} // namespace

OmTextureResource::OmTextureResource() : flags(1) {}

OmTextureResource::OmTextureResource(const char* name, int32_t levels, uint8_t flagByte)
    : fileName(CopyText(name)), mipLevels(levels), flags(flagByte)
{
}

OmTextureResource::OmTextureResource(const OmTextureResource& other)
    : OmObject(),
      fileName(CopyText(other.fileName)),
      mipLevels(other.mipLevels),
      flags(other.flags),
      format(other.format),
      width(other.width),
      height(other.height),
      enabled(other.enabled),
      loaded(other.loaded)
{
    // Both descriptions free their pixels, so the copy needs its own block.
    if (other.pixels && other.mipLevels > 0) {
        pixels = new uint32_t[size_t(other.mipLevels)];
        std::memcpy(pixels, other.pixels, size_t(other.mipLevels) * sizeof(uint32_t));
    }
}

OmTextureResource::OmTextureResource(OmArchive& archive) : OmObject(archive) {}

OmTextureResource::~OmTextureResource()
{
    delete[] fileName;
    delete[] pixels;
}

void OmTextureResource::SetName(const char* text)
{
    char* copy = CopyText(text);
    delete[] fileName;
    fileName = copy;
}

void OmTextureResource::SetPixels(const uint32_t* data, int32_t wordCount)
{
    delete[] pixels;
    pixels = nullptr;
    if (!data || wordCount <= 0) {
        mipLevels = 0;
        return;
    }
    pixels = new uint32_t[size_t(wordCount)];
    std::memcpy(pixels, data, size_t(wordCount) * sizeof(uint32_t));
    mipLevels = wordCount;
}

bool OmTextureResource::PixelsEqual(const OmTextureResource& other) const
{
    // A description read from an archive has no pixels: it only equals
    // another without pixels.
    if (!pixels || !other.pixels) {
        return pixels == other.pixels;
    }
    return mipLevels <= 0 || std::memcmp(pixels, other.pixels, size_t(mipLevels) * sizeof(uint32_t)) == 0;
}

bool OmTextureResource::IsEqual(const OmTextureResource& other) const
{
    if (other.format != 0 && other.format != format) {
        return false;
    }
    if (mipLevels != other.mipLevels) {
        return false;
    }
    if (fileName) {
        return other.fileName && std::strcmp(fileName, other.fileName) == 0 && flags == other.flags &&
               enabled == other.enabled;
    }
    return !other.fileName && PixelsEqual(other);
}

void OmTextureResource::Write(OmArchive& archive)
{
    archive.WriteString(fileName).WriteI32(mipLevels).WriteU32(flags).WriteU32(format);
}

void OmTextureResource::Read(OmArchive& archive)
{
    bool flag = false;
    archive.ReadString(fileName).ReadI32(mipLevels).ReadBool(flag).ReadU32(format);
    flags = flag ? 1 : 0;
    // Pixels are never saved; a block from before would not match the
    // count just read.
    delete[] pixels;
    pixels = nullptr;
}
