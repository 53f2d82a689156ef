#include "engine/OmAnimationText.h"

#include <cstdarg>
#include <cstring>

#include "engine/OmBoneText.h"
#include "engine/OmMatrix4.h"
#include "engine/OmReport.h"
#include "engine/OmTextLines.h"
#include "platform/FilePath.h"

namespace {

char s_lastError[256] = "";

// Keys above this many are refused: no real animation comes near it.
constexpr int64_t kMaxKeys = int64_t(1) << 22;

void SetError(const char* format, ...) OM_PRINTF_FORMAT(1, 2);
void SetError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(s_lastError, sizeof s_lastError, format, args);
    va_end(args);
    ReportError("%s", s_lastError);
}

struct Header {
    int32_t boneCount = 0;
    int32_t frameCount = 0;
    bool absolute = false;
};

bool ReadHeader(OmTextLines& lines, const char* name, const std::vector<int32_t>* parents, Header& h)
{
    int32_t unused = 0;
    if (!lines.NextInt(h.boneCount) || h.boneCount < 1 || h.boneCount > kMaxBones) {
        SetError("Invalid number of bones in %s", name);
        return false;
    }
    if (parents && size_t(h.boneCount) != parents->size()) {
        SetError("Number of bones in %s doesn't match skeleton", name);
        return false;
    }
    if (!lines.NextInt(unused) || !lines.NextInt(h.frameCount) || h.frameCount <= 0 ||
        int64_t(h.frameCount) * h.boneCount > kMaxKeys) {
        SetError("Invalid number of frames in %s", name);
        return false;
    }
    if (!lines.Skip(1) || !lines.Next()) {
        SetError("Animation file %s ends in its header", name);
        return false;
    }
    h.absolute = std::strstr(lines.Text(), "Absolute") != nullptr;
    if (h.absolute && !parents) {
        SetError("Absolute animation file (%s) requires a skeleton!", name);
        return false;
    }
    if (!lines.Skip(6)) {
        SetError("Animation file %s ends in its header", name);
        return false;
    }
    return true;
}

bool ReadFrameMatrices(OmTextLines& lines, std::vector<OmMatrix4>& m, std::vector<OmMatrix4>& inv)
{
    int32_t number = 0;
    for (;;) {
        if (!lines.Next())
            return false;
        if (std::sscanf(lines.Text(), "// Frame # %d", &number) == 1)
            break;
    }
    for (size_t b = 0; b < m.size(); ++b) {
        float unused[3];
        if (!lines.SkipUntilFloats(unused) || !lines.Skip(4) || !ReadToolMatrix(lines, m[b].m))
            return false;
        if (!InvertMatrix4(m[b], inv[b]))
            inv[b].SetIdentity();
    }
    return true;
}

void StoreFrame(OmBoneAnimationData& anim, int32_t frame, std::vector<OmMatrix4>& m,
                const std::vector<OmMatrix4>& inv, const Header& h, const std::vector<int32_t>* parents,
                float scale, float yRotation, int32_t rootBone)
{
    OmMatrix4 turn;
    turn.SetAxisRotation(yRotation, 0.0f, 1.0f, 0.0f);
    OmQuaternion* rotations = &anim.rotations[size_t(frame) * size_t(h.boneCount)];
    if (h.absolute) {
        for (int32_t b = 0; b < h.boneCount; ++b) {
            const int32_t p = (*parents)[size_t(b)];
            OmMatrix4 rotation;
            if (p >= 0 && p < h.boneCount) {
                MultiplyMatrix4(m[size_t(b)], inv[size_t(p)], rotation);
            } else {
                anim.translations[size_t(frame)] = m[size_t(b)].GetTranslation().Scaled(scale);
                if (yRotation != 0.0f)
                    m[size_t(b)].PostMultiply(turn);
                rotation = m[size_t(b)];
            }
            rotations[b].SetFromMatrix(rotation);
        }
        return;
    }
    if (yRotation != 0.0f)
        m[0].PostMultiply(turn);
    for (int32_t b = 0; b < h.boneCount; ++b)
        rotations[b].SetFromMatrix(m[size_t(b)]);
    anim.translations[size_t(frame)] = m[size_t(rootBone)].GetTranslation().Scaled(scale);
}

} // namespace

const char* GetLastAnimationError()
{
    return s_lastError;
}

std::unique_ptr<OmBoneAnimationData> ReadAnimation(std::FILE* file, const char* name,
                                                   const std::vector<int32_t>* parents, float scale,
                                                   float yRotation, int32_t rootBone)
{
    OmTextLines lines(file);
    Header h;
    if (!ReadHeader(lines, name, parents, h))
        return nullptr;
    if (rootBone < 0 || rootBone >= h.boneCount) {
        SetError("Root bone %d is not a bone of %s", rootBone, name);
        return nullptr;
    }
    auto anim = std::make_unique<OmBoneAnimationData>();
    anim->frameCount = h.frameCount;
    anim->boneCount = h.boneCount;
    anim->duration = float(h.frameCount) * kAnimationFrameTime;
    anim->rotations.resize(size_t(h.frameCount) * size_t(h.boneCount));
    anim->translations.resize(size_t(h.frameCount));
    std::vector<OmMatrix4> m(size_t(h.boneCount)), inv(size_t(h.boneCount));
    for (int32_t frame = 0; frame < h.frameCount; ++frame) {
        if (!ReadFrameMatrices(lines, m, inv)) {
            SetError("Animation file %s ends or breaks in frame %d (line %d)", name, frame, lines.LineNumber());
            return nullptr;
        }
        StoreFrame(*anim, frame, m, inv, h, parents, scale, yRotation, rootBone);
    }
    return anim;
}

std::unique_ptr<OmBoneAnimationData> LoadAnimationFile(const char* path, const std::vector<int32_t>* parents,
                                                       float scale, float yRotation, int32_t rootBone)
{
    if (!path) {
        SetError("No animation file specified");
        return nullptr;
    }
    std::FILE* file = plat::OpenFile(path, "r");
    if (!file) {
        SetError("Cannot open animation file %s", path);
        return nullptr;
    }
    auto anim = ReadAnimation(file, path, parents, scale, yRotation, rootBone);
    std::fclose(file);
    return anim;
}
