// Textures and surfaces made from image files, and the check of what
// texture a device can hold: the utility-library side of the device.
#pragma once

#include "platform/GfxDevice.h"
#include "platform/ImageFile.h"

namespace plat {

// Adjusts a request to what the device holds; null pointers mean "default".
int32_t GfxCheckTextureRequirements(GfxDevice* device, uint32_t* width, uint32_t* height,
                                    uint32_t* levels, uint32_t usage, uint32_t* format,
                                    uint32_t pool);

int32_t GfxGetImageInfoFromFile(const char* file, ImageInfo* info);

// Sizes, levels and format of 0 or 0xFFFFFFFF take the file's (levels: a
// full chain); filters are the loaders' filter words. A non-zero colour key
// turns pixels of exactly that A8R8G8B8 value transparent black.
int32_t GfxCreateTextureFromFileEx(GfxDevice* device, const char* file, uint32_t width,
                                   uint32_t height, uint32_t mipLevels, uint32_t usage,
                                   uint32_t format, uint32_t pool, uint32_t filter,
                                   uint32_t mipFilter, uint32_t colorKey, ImageInfo* sourceInfo,
                                   void* palette, GfxTexture** texture);
int32_t GfxCreateTextureFromFile(GfxDevice* device, const char* file, GfxTexture** texture);

// Loads a file into a surface (image, texture level or back buffer), scaled
// to the destination rectangle (null: the whole surface).
int32_t GfxLoadSurfaceFromFile(GfxSurface* dest, const void* palette, const GfxRect* destRect,
                               const char* file, const GfxRect* sourceRect, uint32_t filter,
                               uint32_t colorKey, ImageInfo* sourceInfo);

} // namespace plat
