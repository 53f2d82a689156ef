// Records the renderer and its callers exchange: the start-up request, the
// projection a camera hands over, an item of the far-to-near alpha queue,
// one adapter of the start-up dialog and the frame statistics.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/OmMatrix4.h"
#include "engine/OmSphere.h"
#include "platform/GfxTypes.h"

class OmGeometry;

// A full-screen mode asked for by the application; null (in the set-up)
// means "use what the start-up dialog selected, or the desktop".
struct OmDisplayRequest {
    uint8_t windowed = 0; // only 0 makes Initialise search the mode list
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 16; // 16 or 32
    uint32_t refreshRate = 0;   // 0: any
    uint8_t spare = 0;
    uint32_t adapter = 0;
};

struct OmRendererSetup {
    void* window = nullptr; // the main window (an SDL window), null for a hidden one
    const OmDisplayRequest* display = nullptr;
};

// What a camera hands to SetProjection.
struct OmProjectionParams {
    float halfWidth = 0.5f;  // of the view window, at the near plane for perspective
    float halfHeight = 0.5f;
    float nearDistance = 1.0f;
    float farDistance = 2.0f;
    uint8_t orthographic = 0;
};

// One object waiting to be drawn after the opaque scene, with the matrices
// it was queued under.
struct OmRenderItem {
    OmGeometry* object = nullptr;
    OmMatrix4 world;
    OmMatrix4 view;
    OmSphere bounds; // in world space
    float depthKey = 0.0f;
    // With a count, the vertices the renderer copied when the item was
    // queued, for an object whose own vertices change before the alpha pass.
    uint32_t poseFirst = 0;
    uint32_t poseCount = 0;
};

struct OmAdapterRecord {
    plat::GfxAdapterIdentifier identifier{};
    uint32_t reportedModeCount = 0;
    std::vector<plat::GfxDisplayMode> modes;
    plat::GfxCaps caps{};
};

// Frame statistics: 21 words, of which the renderer keeps three.
struct OmRenderStats {
    static constexpr uint32_t kPrimitives = 8;      // drawn this frame
    static constexpr uint32_t kAlphaPrimitives = 9; // drawn outside render pass 1
    static constexpr uint32_t kTextureChanges = 12; // device texture binds
    uint32_t words[21] = {};
};
