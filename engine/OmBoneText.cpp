#include "engine/OmBoneText.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/OmPbfScene.h"
#include "engine/OmReport.h"
#include "engine/OmTextLines.h"
#include "platform/FilePath.h"

namespace {

// Z-up (a, b, c) to Y-up (a, c, b).
void ToEngineAxes(const float in[3], float* out)
{
    out[0] = in[0];
    out[1] = in[2];
    out[2] = in[1];
}

// The text between the first "<" and the next ">", cut to the longest name.
bool ParseBoneName(const char* line, OmPbfString& name)
{
    const char* open = std::strchr(line, '<');
    const char* close = open ? std::strchr(open + 1, '>') : nullptr;
    if (!close)
        return false;
    size_t length = size_t(close - open - 1);
    if (length > size_t(kMaxBoneName))
        length = kMaxBoneName;
    name.Assign(std::string(open + 1, length).c_str());
    return true;
}

bool ReadBone(OmTextLines& lines, int32_t index, int32_t count, OmPbfBoneRecord& bone)
{
    int32_t number = -1;
    if (!lines.Next() || std::sscanf(lines.Text(), "// Bone # %d", &number) != 1)
        return false;
    if (number != index) {
        ReportError("Bone number doesn't match current working bone.");
        return false;
    }
    if (!lines.Next() || !ParseBoneName(lines.Text(), bone.name))
        return false;
    if (!lines.NextInt(bone.parent))
        return false;
    if (bone.parent < -1 || bone.parent >= count || bone.parent == index) {
        ReportError("Bone %d has an invalid parent (%d)", index, bone.parent);
        return false;
    }
    float pivot[3];
    if (!lines.NextFloats(pivot))
        return false;
    ToEngineAxes(pivot, &bone.pivot.x);
    return ReadToolMatrix(lines, bone.matrixA.m) && ReadToolMatrix(lines, bone.bindMatrix.m);
}

// A parent chain that never reaches a root would hang every later walk.
bool HasCycle(const std::vector<std::unique_ptr<OmPbfBoneRecord>>& bones)
{
    const int32_t count = int32_t(bones.size());
    for (int32_t i = 0; i < count; ++i) {
        int32_t at = i;
        for (int32_t steps = 0; at != -1; ++steps) {
            if (steps > count)
                return true;
            at = bones[size_t(at)]->parent;
        }
    }
    return false;
}

bool LinkBones(std::vector<std::unique_ptr<OmPbfBoneRecord>>& bones)
{
    const int32_t count = int32_t(bones.size());
    for (int32_t i = 0; i < count; ++i) {
        const int32_t p = bones[size_t(i)]->parent;
        if (p < 0)
            continue;
        int32_t* link = &bones[size_t(p)]->firstChild;
        int32_t steps = 0;
        while (*link != -1 && steps++ <= count)
            link = &bones[size_t(*link)]->nextSibling;
        if (*link != -1) {
            ReportError("\tCouldn't link child to parent (%d to %d)", i, p);
            return false;
        }
        *link = i;
    }
    return true;
}

void ComputeBindMatrices(std::vector<std::unique_ptr<OmPbfBoneRecord>>& bones, float scale)
{
    for (auto& bone : bones) {
        for (int k = 12; k < 15; ++k)
            bone->bindMatrix.m[k] *= scale;
        if (!InvertMatrix4(bone->bindMatrix, bone->inverseBind))
            bone->inverseBind.SetIdentity();
    }
    for (auto& bone : bones) {
        if (bone->parent >= 0)
            MultiplyMatrix4(bone->bindMatrix, bones[size_t(bone->parent)]->inverseBind, bone->local);
        else
            bone->local = bone->bindMatrix;
        bone->localTranslation = bone->local.GetTranslation();
    }
}

bool ReadBoneList(OmTextLines& lines, std::vector<std::unique_ptr<OmPbfBoneRecord>>& bones)
{
    int32_t count = 0, vertices = 0;
    if (!lines.NextInt(count) || count < 1 || count > kMaxBones) {
        ReportError("Invalid number of bones (%d)", count);
        return false;
    }
    if (!lines.NextInt(vertices) || vertices < 1) {
        ReportError("Invalid number of verts (%d)", vertices);
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        bones.push_back(std::make_unique<OmPbfBoneRecord>());
        if (!ReadBone(lines, i, count, *bones.back()))
            return false;
    }
    if (HasCycle(bones)) {
        ReportError("The bones' parents form a loop");
        return false;
    }
    return LinkBones(bones);
}

// Four (or more) influences are cut to the four strongest, renormalised.
void KeepStrongest(std::vector<std::pair<int32_t, float>>& influences, OmPbfSkinWeight& out)
{
    float sum = 0.0f;
    for (int slot = 0; slot < 4; ++slot) {
        int best = -1;
        for (size_t k = 0; k < influences.size(); ++k) {
            const float w = std::fabs(influences[k].second);
            if (w != 0.0f && (best < 0 || w > std::fabs(influences[size_t(best)].second)))
                best = int(k);
        }
        if (best < 0)
            break;
        out.weight[slot] = influences[size_t(best)].second;
        out.bone[slot] = uint32_t(influences[size_t(best)].first);
        influences[size_t(best)].second = 0.0f;
        sum += out.weight[slot];
    }
    // Weights that cancel out are left as read rather than divided by zero.
    if (sum != 0.0f && std::isfinite(sum))
        for (float& w : out.weight)
            w /= sum;
}

bool ReadVertexWeights(OmTextLines& lines, int32_t boneCount, OmPbfSkinWeight& out)
{
    float position[3];
    int32_t count = 0;
    if (!lines.SkipUntilFloats(position) || !lines.NextInt(count) || !lines.Skip(1))
        return false;
    if (count < 0) {
        ReportError("Invalid number of influences (%d) on line %d", count, lines.LineNumber());
        return false;
    }
    std::vector<std::pair<int32_t, float>> influences;
    for (int32_t k = 0; k < count; ++k) {
        int bone = 0;
        float weight = 0.0f;
        if (!lines.Next() || std::sscanf(lines.Text(), " %d %f", &bone, &weight) != 2)
            return false;
        if (bone < 0 || bone >= boneCount) {
            ReportError("Skin weight names bone %d of %d on line %d", bone, boneCount, lines.LineNumber());
            return false;
        }
        influences.emplace_back(bone, weight);
    }
    out = OmPbfSkinWeight();
    if (count <= 4) {
        for (int32_t k = 0; k < count; ++k) {
            out.weight[k] = influences[size_t(k)].second;
            out.bone[k] = uint32_t(influences[size_t(k)].first);
        }
    } else {
        KeepStrongest(influences, out);
    }
    return true;
}

} // namespace

bool ReadToolMatrix(OmTextLines& lines, float m[16])
{
    static const int kRowOrder[4] = {0, 2, 1, 3};
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    for (int row : kRowOrder) {
        float values[3];
        if (!lines.NextFloats(values))
            return false;
        ToEngineAxes(values, m + 4 * row);
    }
    return true;
}

bool ReadBones(OmPbfScene& scene, std::FILE* file, float scale)
{
    OmTextLines lines(file);
    std::vector<std::unique_ptr<OmPbfBoneRecord>> bones;
    if (!ReadBoneList(lines, bones)) {
        ReportError("\tError in ReadBonesFromFile (line %d)", lines.LineNumber());
        return false;
    }
    ComputeBindMatrices(bones, scale);
    for (auto& bone : bones)
        scene.AddObject(std::move(bone));
    return true;
}

bool ReadBonesFromFile(OmPbfScene& scene, const char* path, float scale)
{
    std::FILE* file = path ? plat::OpenFile(path, "r") : nullptr;
    if (!file) {
        ReportError("Cannot open bone file %s", path ? path : "(no path)");
        return false;
    }
    const bool ok = ReadBones(scene, file, scale);
    std::fclose(file);
    return ok;
}

bool ReadBoneParents(const char* path, std::vector<int32_t>& parents)
{
    OmPbfScene scene;
    if (!ReadBonesFromFile(scene, path, 1.0f))
        return false;
    parents.clear();
    for (int32_t i = 0; i < scene.objects.Count(); ++i)
        parents.push_back(static_cast<const OmPbfBoneRecord*>(scene.objects.At(i))->parent);
    return true;
}

bool ReadSkinWeights(OmPbfMeshRecord& mesh, std::FILE* file, int32_t boneCount)
{
    OmTextLines lines(file);
    mesh.skinWeights.SetSize(mesh.positions.count);
    if (!lines.SkipUntilContains("// Vertex list")) {
        ReportError("Skin weights: no vertex list");
        return false;
    }
    for (int32_t i = 0; i < mesh.positions.count; ++i) {
        if (!ReadVertexWeights(lines, boneCount, mesh.skinWeights[i])) {
            ReportError("Skin weights: vertex %d is missing or malformed (line %d)", i, lines.LineNumber());
            return false;
        }
    }
    return true;
}

bool ReadSkinWeights(OmPbfMeshRecord& mesh, const char* path, int32_t boneCount)
{
    std::FILE* file = path ? plat::OpenFile(path, "r") : nullptr;
    if (!file)
        return false;
    const bool ok = ReadSkinWeights(mesh, file, boneCount);
    std::fclose(file);
    return ok;
}
