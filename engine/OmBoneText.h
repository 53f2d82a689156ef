// The bone text file of the modelling tool ("bones.txt"): a skeleton of
// named bones with bind matrices, followed by the skin weights of every
// vertex. The tool is Z-up; rows are turned into the engine's Y-up frame as
// they are read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

class OmPbfMeshRecord;
class OmPbfScene;
class OmTextLines;

// Longest bone name kept; longer names are cut.
constexpr int kMaxBoneName = 31;
// Skinned vertices carry bone indices as bytes.
constexpr int32_t kMaxBones = 256;

// Appends one bone record per bone to the scene's objects, in file order.
// False, with the error reported and nothing appended, on a malformed file.
bool ReadBonesFromFile(OmPbfScene& scene, const char* path, float scale);
// The parent index of every bone of the file, in file order (-1 for a root).
// False, with the error reported, on a malformed file.
bool ReadBoneParents(const char* path, std::vector<int32_t>& parents);
bool ReadBones(OmPbfScene& scene, std::FILE* file, float scale);

// Fills the mesh's skin weights (one per position) from the vertex list of
// the same file. Bone indices at or past boneCount are refused.
bool ReadSkinWeights(OmPbfMeshRecord& mesh, const char* path, int32_t boneCount);
bool ReadSkinWeights(OmPbfMeshRecord& mesh, std::FILE* file, int32_t boneCount);

// Reads a 4x3 tool matrix (rows 0, 2, 1, 3, each (a, b, c) kept as
// (a, c, b)) into the upper four rows of a row-vector 4x4 matrix.
bool ReadToolMatrix(OmTextLines& lines, float m[16]);
