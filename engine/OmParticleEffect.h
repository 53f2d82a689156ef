// The parameters of one kind of particle spray, and the binary effect file
// (".pbe") they are kept in. An effect lives in a folder of its own under the
// particle folder, next to its numbered frame images ("%s%02d.tga").
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/OmVector3.h"

// Only this version of the file carries parameters; any other leaves the
// defaults in place.
constexpr uint32_t OM_PBE_VERSION = 0x100;
// Longest texture name and key list the reader accepts: far beyond any real
// effect, small enough that a damaged count cannot ask for gigabytes.
constexpr uint32_t OM_PBE_MAX_TEXT = 256;
constexpr uint32_t OM_PBE_MAX_KEYS = 1024;
// Frame images are numbered 00 to 99.
constexpr int32_t OM_PBE_MAX_FRAMES = 100;

// A pair of numbers in one of the effect's two key lists.
struct OmParticleKey {
    float time = 0.0f;
    float value = 0.0f;
};
static_assert(sizeof(OmParticleKey) == 8);

struct OmParticleEffect {
    OmParticleEffect() = default;
    ~OmParticleEffect();
    OmParticleEffect(const OmParticleEffect&) = delete;
    OmParticleEffect& operator=(const OmParticleEffect&) = delete;

    // Back to the defaults: frees the texts and key lists and releases the
    // frame textures through the current renderer.
    void Reset();
    void SetName(const char* text);
    void SetTextureName(const char* text);
    // Replaces a key list with a copy of count keys.
    void SetKeys(int which, const OmParticleKey* keys, uint32_t count);
    void ReleaseFrameTextures();

    char* name = nullptr;
    float rate = 100.0f;        // particles per second
    float lifeBase = 1.5f;      // seconds; 0 makes particles that never time out
    float lifeRandom = 0.15f;
    float sizeBase = 0.2f;
    float sizeRandom = 0.02f;   // relative spread
    float speedBase = 15.0f;
    float speedRandom = 1.5f;
    OmVector3 direction{0.0f, 1.0f, 0.0f}; // only x is stored in the file
    float directionSpread = 0.2f;
    float valueBase = 0.0f;     // a per-particle value, kept for the effects that use it
    float valueRandom = 0.0f;
    float gravity = 9.81f;
    float param15 = -10.0f;
    float spinBase = 6.28f;     // radians per second
    float angleSpread = 0.0f;
    float spinRandom = 0.0f;
    char* textureName = nullptr; // base name of the frame images
    float param20 = 0.1f;
    uint32_t keyCountA = 0;
    OmParticleKey* keysA = nullptr;
    float endSize = 1.0f;       // size factor at the end of the life
    uint32_t keyCountB = 0;
    OmParticleKey* keysB = nullptr;
    int32_t frameCount = 0;
    int32_t* frameTextures = nullptr; // texture ids, frameCount of them
    float frameRate = 0.0f;     // 0: the frames span the life
    float red = 1.0f, redRandom = 0.0f;
    float green = 1.0f, greenRandom = 0.0f;
    float blue = 1.0f, blueRandom = 0.0f;
    int32_t param35 = 64;
    float duration = 0.0f;      // seconds of a timed effect
    int32_t mode = 1;           // 1: timed
};

// Reads an effect file into the record (which the caller has reset). False,
// with a report naming the file and what is wrong, when the file is damaged;
// the record is then reset to its defaults.
bool OmReadParticleEffect(std::FILE* file, const char* fileName, OmParticleEffect& effect);
// Writes the record as a version-256 effect file; false when a write fails.
bool OmWriteParticleEffect(std::FILE* file, const OmParticleEffect& effect);

// The game path of an effect's frame image: folder\name\textureNameNN.tga.
std::string OmParticleFramePath(const char* folder, const char* effectName, const char* textureName,
                                int32_t number);
// Registers and loads the consecutive frame images of the effect (numbered
// from 00, or from 01 when there is no 00) by their full paths, so equal
// texture names in different effect folders stay apart.
void OmLoadParticleFrames(const char* folder, OmParticleEffect& effect);
