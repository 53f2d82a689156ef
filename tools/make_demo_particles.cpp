// Writes the demo particle effect: data/fx/particles/smoke/smoke.pbe and its
// four frame images smoke00.tga to smoke03.tga, soft round puffs that spread
// and thin out frame by frame. Usage: make_demo_particles <data folder>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/OmParticleEffect.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSize = 32;
constexpr int kFrames = 4;

// An uncompressed 32-bit Targa image, top row first.
bool WriteTga(const fs::path& path, const std::vector<uint32_t>& argb)
{
    uint8_t header[18] = {};
    header[2] = 2; // uncompressed true colour
    header[12] = kSize & 0xFF;
    header[13] = kSize >> 8;
    header[14] = kSize & 0xFF;
    header[15] = kSize >> 8;
    header[16] = 32;
    header[17] = 0x28; // eight alpha bits, top-left origin
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header;
    for (uint32_t pixel : argb) {
        const uint8_t bgra[4] = {uint8_t(pixel), uint8_t(pixel >> 8), uint8_t(pixel >> 16), uint8_t(pixel >> 24)};
        ok = ok && std::fwrite(bgra, 1, 4, f) == 4;
    }
    return std::fclose(f) == 0 && ok;
}

// Frame n: a grey-white puff whose edge softens and whose core thins as the
// particle ages.
std::vector<uint32_t> PaintPuff(int n)
{
    std::vector<uint32_t> pixels(kSize * kSize);
    const float radius = 0.55f + 0.1f * float(n);
    const float density = 1.0f - 0.2f * float(n);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float dx = (float(x) + 0.5f) / kSize * 2.0f - 1.0f;
            const float dy = (float(y) + 0.5f) / kSize * 2.0f - 1.0f;
            const float d = std::sqrt(dx * dx + dy * dy) / radius;
            const float a = d >= 1.0f ? 0.0f : density * (1.0f - d * d);
            const uint32_t alpha = uint32_t(std::lround(a * 255.0f));
            const uint32_t grey = 200 + uint32_t(n * 10);
            pixels[size_t(y * kSize + x)] = alpha << 24 | grey << 16 | grey << 8 | grey;
        }
    }
    return pixels;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_demo_particles <data folder>\n");
        return 2;
    }
    const fs::path folder = fs::path(argv[1]) / "fx" / "particles" / "smoke";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "make_demo_particles: cannot make %s\n", folder.string().c_str());
        return 1;
    }

    OmParticleEffect smoke;
    smoke.rate = 20.0f;
    smoke.lifeBase = 2.0f;
    smoke.lifeRandom = 0.5f;
    smoke.sizeBase = 0.4f;
    smoke.sizeRandom = 0.3f;
    smoke.speedBase = 1.5f;
    smoke.speedRandom = 0.5f;
    smoke.direction.x = 0.0f;
    smoke.directionSpread = 0.3f;
    smoke.gravity = -0.5f; // smoke rises
    smoke.spinBase = 0.5f;
    smoke.angleSpread = 3.14f;
    smoke.spinRandom = 0.5f;
    smoke.SetTextureName("smoke");
    smoke.endSize = 3.0f;
    smoke.red = 0.8f;
    smoke.green = 0.8f;
    smoke.blue = 0.85f;
    smoke.redRandom = smoke.greenRandom = smoke.blueRandom = 0.1f;
    smoke.duration = 0.0f;
    smoke.mode = 0; // runs until stopped

    const fs::path pbe = folder / "smoke.pbe";
    std::FILE* f = std::fopen(pbe.string().c_str(), "wb");
    const bool written = f && OmWriteParticleEffect(f, smoke);
    if (!f || std::fclose(f) != 0 || !written) {
        std::fprintf(stderr, "make_demo_particles: cannot write %s\n", pbe.string().c_str());
        return 1;
    }
    for (int n = 0; n < kFrames; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "smoke%02d.tga", n);
        if (!WriteTga(folder / name, PaintPuff(n))) {
            std::fprintf(stderr, "make_demo_particles: cannot write %s\n", name);
            return 1;
        }
    }
    return 0;
}
