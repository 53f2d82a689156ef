#include "engine/OmParticleEffect.h"

#include <cstring>
#include <new>

#include "engine/OmReport.h"
#include "engine/OmString.h"
#include "engine/OmTextureResource.h"
#include "platform/FilePath.h"
#include "engine/OmRenderer.h"

namespace {

// Reads the file field by field and remembers the first failure, so the
// caller can say exactly where a damaged file went wrong.
class PbeReader {
public:
    PbeReader(std::FILE* file, const char* fileName) : m_file(file), m_fileName(fileName)
    {
        const long here = std::ftell(file);
        std::fseek(file, 0, SEEK_END);
        const long end = std::ftell(file);
        std::fseek(file, here, SEEK_SET);
        m_left = here >= 0 && end >= here ? uint64_t(end - here) : 0;
    }

    bool Ok() const { return m_ok; }
    uint64_t Left() const { return m_left; }

    void Bytes(void* out, size_t size, const char* what)
    {
        if (!m_ok)
            return;
        if (size > m_left || std::fread(out, 1, size, m_file) != size) {
            Fail("the file ends inside the %s", what);
            return;
        }
        m_left -= size;
    }
    float Float(const char* what)
    {
        float value = 0.0f;
        Bytes(&value, sizeof value, what);
        return value;
    }
    uint32_t U32(const char* what)
    {
        uint32_t value = 0;
        Bytes(&value, sizeof value, what);
        return value;
    }
    template <class... Args>
    void Fail(const char* format, Args... args)
    {
        if (!m_ok)
            return;
        m_ok = false;
        char text[256];
        std::snprintf(text, sizeof text, format, args...);
        ReportError("Particle effect %s is damaged: %s", m_fileName, text);
    }

private:
    std::FILE* m_file;
    const char* m_fileName;
    uint64_t m_left = 0;
    bool m_ok = true;
};

void ReadWords(PbeReader& in, OmParticleEffect& e)
{
    float* const first[] = {&e.rate,       &e.lifeBase,   &e.lifeRandom,  &e.sizeBase,
                            &e.sizeRandom, &e.speedBase,  &e.speedRandom, &e.direction.x,
                            &e.directionSpread, &e.valueBase, &e.valueRandom, &e.gravity,
                            &e.param15,    &e.spinBase,   &e.angleSpread, &e.spinRandom};
    for (float* word : first)
        *word = in.Float("effect parameters");
}

void ReadTextureName(PbeReader& in, OmParticleEffect& e)
{
    const uint32_t length = in.U32("texture name length");
    if (!in.Ok() || length == 0)
        return; // no name
    if (length > OM_PBE_MAX_TEXT || length > in.Left()) {
        in.Fail("texture name length %u is too long", length);
        return;
    }
    char text[OM_PBE_MAX_TEXT];
    in.Bytes(text, length, "texture name");
    if (!in.Ok())
        return;
    if (text[length - 1] != '\0' || std::strlen(text) != length - 1) {
        in.Fail("the texture name is not a terminated text of %u bytes", length);
        return;
    }
    e.SetTextureName(text);
}

void ReadKeys(PbeReader& in, OmParticleEffect& e, int which, const char* what)
{
    const uint32_t count = in.U32(what);
    if (!in.Ok() || count == 0)
        return;
    if (count > OM_PBE_MAX_KEYS || uint64_t(count) * sizeof(OmParticleKey) > in.Left()) {
        in.Fail("%s count %u does not fit the file", what, count);
        return;
    }
    OmParticleKey keys[OM_PBE_MAX_KEYS];
    in.Bytes(keys, count * sizeof(OmParticleKey), what);
    if (in.Ok())
        e.SetKeys(which, keys, count);
}

void ReadTail(PbeReader& in, OmParticleEffect& e)
{
    e.frameRate = in.Float("frame rate");
    e.red = in.Float("colour");
    e.redRandom = in.Float("colour");
    e.green = in.Float("colour");
    e.greenRandom = in.Float("colour");
    e.blue = in.Float("colour");
    e.blueRandom = in.Float("colour");
    e.param35 = int32_t(in.U32("effect parameters"));
    e.duration = in.Float("duration");
    e.mode = int32_t(in.U32("mode"));
}

bool Put(std::FILE* file, const void* data, size_t size)
{
    return size == 0 || std::fwrite(data, 1, size, file) == size;
}
bool PutFloat(std::FILE* file, float value) { return Put(file, &value, sizeof value); }
bool PutU32(std::FILE* file, uint32_t value) { return Put(file, &value, sizeof value); }

} // namespace

OmParticleEffect::~OmParticleEffect() { Reset(); }

void OmParticleEffect::Reset()
{
    ReleaseFrameTextures();
    delete[] name;
    delete[] textureName;
    delete[] keysA;
    delete[] keysB;
    // Assigning a fresh record restores every default in one place.
    new (this) OmParticleEffect();
}

void OmParticleEffect::SetName(const char* text)
{
    delete[] name;
    name = OmCopyText(text);
}

void OmParticleEffect::SetTextureName(const char* text)
{
    delete[] textureName;
    textureName = OmCopyText(text);
}

void OmParticleEffect::SetKeys(int which, const OmParticleKey* keys, uint32_t count)
{
    OmParticleKey*& list = which == 0 ? keysA : keysB;
    uint32_t& listCount = which == 0 ? keyCountA : keyCountB;
    delete[] list;
    list = nullptr;
    listCount = 0;
    if (!keys || count == 0)
        return;
    list = new OmParticleKey[count];
    std::memcpy(list, keys, count * sizeof(OmParticleKey));
    listCount = count;
}

void OmParticleEffect::ReleaseFrameTextures()
{
    OmRenderer* renderer = OmRenderer::Current();
    if (renderer) {
        for (int32_t i = 0; i < frameCount; ++i) {
            if (frameTextures[i] >= 0)
                renderer->ReleaseTexture(frameTextures[i]);
        }
    }
    delete[] frameTextures;
    frameTextures = nullptr;
    frameCount = 0;
}

bool OmReadParticleEffect(std::FILE* file, const char* fileName, OmParticleEffect& effect)
{
    PbeReader in(file, fileName);
    const uint32_t version = in.U32("version");
    if (!in.Ok() || version != OM_PBE_VERSION) {
        if (in.Ok())
            DebugPrint("Particle effect %s has version %u; its defaults are kept", fileName, version);
        return in.Ok();
    }
    ReadWords(in, effect);
    ReadTextureName(in, effect);
    effect.param20 = in.Float("effect parameters");
    ReadKeys(in, effect, 0, "first key list");
    effect.endSize = in.Float("end size");
    ReadKeys(in, effect, 1, "second key list");
    ReadTail(in, effect);
    if (in.Ok())
        return true;
    // Nothing half-read is kept: the effect plays with its defaults.
    char* keepName = effect.name;
    effect.name = nullptr;
    effect.Reset();
    effect.name = keepName;
    return false;
}

bool OmWriteParticleEffect(std::FILE* file, const OmParticleEffect& e)
{
    bool ok = PutU32(file, OM_PBE_VERSION);
    const float first[] = {e.rate,       e.lifeBase,  e.lifeRandom,  e.sizeBase,
                           e.sizeRandom, e.speedBase, e.speedRandom, e.direction.x,
                           e.directionSpread, e.valueBase, e.valueRandom, e.gravity,
                           e.param15,    e.spinBase,  e.angleSpread, e.spinRandom};
    for (float word : first)
        ok = ok && PutFloat(file, word);
    const uint32_t textLength = e.textureName ? uint32_t(std::strlen(e.textureName) + 1) : 0;
    ok = ok && PutU32(file, textLength) && Put(file, e.textureName, textLength);
    ok = ok && PutFloat(file, e.param20);
    ok = ok && PutU32(file, e.keyCountA) && Put(file, e.keysA, e.keyCountA * sizeof(OmParticleKey));
    ok = ok && PutFloat(file, e.endSize);
    ok = ok && PutU32(file, e.keyCountB) && Put(file, e.keysB, e.keyCountB * sizeof(OmParticleKey));
    const float tail[] = {e.frameRate, e.red, e.redRandom, e.green, e.greenRandom, e.blue, e.blueRandom};
    for (float word : tail)
        ok = ok && PutFloat(file, word);
    ok = ok && PutU32(file, uint32_t(e.param35)) && PutFloat(file, e.duration) &&
         PutU32(file, uint32_t(e.mode));
    return ok;
}

std::string OmParticleFramePath(const char* folder, const char* effectName, const char* textureName,
                                int32_t number)
{
    char frame[OM_PBE_MAX_TEXT + 16];
    std::snprintf(frame, sizeof frame, "%s%02d.tga", textureName, number);
    std::string path;
    if (folder && *folder)
        path.append(folder).append("\\");
    if (effectName && *effectName)
        path.append(effectName).append("\\");
    return path.append(frame);
}

void OmLoadParticleFrames(const char* folder, OmParticleEffect& effect)
{
    if (!effect.textureName || !*effect.textureName)
        return;
    effect.ReleaseFrameTextures();
    const char* name = effect.name;
    auto exists = [&](int32_t n) {
        return plat::PathExists(OmParticleFramePath(folder, name, effect.textureName, n));
    };
    const int32_t first = exists(0) ? 0 : 1;
    int32_t count = 0;
    while (first + count < OM_PBE_MAX_FRAMES && exists(first + count))
        ++count;
    if (count == 0)
        return;
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer) {
        ReportError("Particle effect %s: no renderer to load its %d frame images", name, count);
        return;
    }
    effect.frameTextures = new int32_t[size_t(count)];
    for (int32_t i = 0; i < count; ++i) {
        const std::string path = OmParticleFramePath(folder, name, effect.textureName, first + i);
        OmTextureResource texture(path.c_str(), 0, 0);
        const int32_t id = renderer->RegisterTexture(&texture);
        if (id >= 0 && !renderer->LoadTexture(id))
            ReportError("Particle effect %s: frame image %s could not be loaded", name, path.c_str());
        effect.frameTextures[i] = id;
    }
    effect.frameCount = count;
}
