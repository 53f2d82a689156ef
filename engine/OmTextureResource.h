// The description of a texture: a file to load (or a block of pixels made in
// memory) and its load settings. Meshes refer to textures by the id the
// renderer gives a registered copy; equal descriptions share one texture.
#pragma once

#include <cstdint>

#include "engine/OmObject.h"

class OmTextureResource : public OmObject {
    OM_DECLARE_CLASS(OmTextureResource)

    OmTextureResource();
    OmTextureResource(const char* fileName, int32_t mipLevels, uint8_t flags);
    // A full copy, pixels included: each description owns its own block.
    OmTextureResource(const OmTextureResource& other);
    OmTextureResource& operator=(const OmTextureResource&) = delete;
    explicit OmTextureResource(OmArchive& archive);
    ~OmTextureResource() override;

    // The file name (hides the object name, which textures do not use).
    // Null clears it; otherwise the text is copied.
    void SetName(const char* text);
    // A texture made in memory: copies wordCount 32-bit pixels and keeps
    // their count in mipLevels. Null or a count of 0 or less clears them.
    void SetPixels(const uint32_t* data, int32_t wordCount);

    // With a file name: the same name (exact case), mip levels, flags and
    // enable word. Without: both made in memory with the same pixels. In both
    // cases other's format word must be 0 (any) or equal to this one's.
    bool IsEqual(const OmTextureResource& other) const;

    // Only the description travels (not the object's count and name, nor
    // the pixels).
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    char* fileName = nullptr;
    uint32_t* pixels = nullptr;
    // Mip levels to load (-1 for the full chain); for a texture made in
    // memory, the number of 32-bit words in pixels.
    int32_t mipLevels = 0;
    uint8_t flags = 0;
    // 0 matches any value when comparing.
    uint32_t format = 0;
    // The image file's size in pixels, written by the renderer when it loads
    // the texture (sprites cut their rectangles from it).
    uint32_t width = 0;
    uint32_t height = 0;
    // Compared but not saved.
    uint32_t enabled = 1;
    // Set by the renderer once the texture is on the device.
    uint8_t loaded = 0;

private:
    bool PixelsEqual(const OmTextureResource& other) const;
};
