// Feeds arbitrary bytes to the particle effect reader: a damaged file must be
// refused with a report and leave the defaults, never crash or leak. An
// accepted file must write back to the same bytes, and an emitter must be
// able to run the effect, whatever numbers it holds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/OmParticleSystem.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

std::vector<uint8_t> Written(const OmParticleEffect& effect)
{
    std::FILE* f = std::tmpfile();
    if (!f || !OmWriteParticleEffect(f, effect))
        std::abort();
    std::vector<uint8_t> bytes(size_t(std::ftell(f)));
    std::rewind(f);
    if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::abort();
    std::fclose(f);
    return bytes;
}

void RunEmitter(OmParticleEffect& effect)
{
    OmParticleEmitter emitter;
    emitter.effect = &effect;
    emitter.velocity = OmVector3(0.0f, 1.0f, 0.0f);
    emitter.fadeOverDuration = 1;
    emitter.Start(0.0f);
    for (float t : {0.05f, 0.1f, 0.5f}) {
        emitter.Update(t);
        UpdateParticles(t);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::Quiet();
    InitParticleSystem();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzinput::NoPoolLeaks poolLeaks;
    std::FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!f)
        return 0;
    OmParticleEffect effect;
    const bool ok = OmReadParticleEffect(f, "fuzz.pbe", effect);
    std::fclose(f);
    if (!ok) {
        if (effect.textureName || effect.keysA || effect.keysB || effect.rate != 100.0f)
            std::abort(); // a refused file must leave the defaults
        return 0;
    }
    uint32_t version = 0;
    if (size >= 4)
        std::memcpy(&version, data, 4);
    if (version == OM_PBE_VERSION) {
        const std::vector<uint8_t> again = Written(effect);
        // Bytes after the last field are not part of the effect.
        if (again.size() > size || std::memcmp(again.data(), data, again.size()) != 0)
            std::abort();
    }
    RunEmitter(effect);
    return 0;
}
