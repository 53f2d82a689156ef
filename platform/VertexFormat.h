// Flexible vertex formats: the bit word that says which fields a vertex
// holds, in this order: position (3 floats, 4 with reciprocal w, plus 1 to 5
// blend weights), normal, point size, diffuse colour, specular colour, then
// up to eight texture-coordinate sets of 1 to 4 floats each.
#pragma once

#include <cstdint>

namespace plat::fvf {

constexpr uint32_t PositionMask = 0x00E;
constexpr uint32_t Xyz = 0x002;
constexpr uint32_t XyzRhw = 0x004;
constexpr uint32_t XyzB1 = 0x006;
constexpr uint32_t XyzB2 = 0x008;
constexpr uint32_t XyzB3 = 0x00A;
constexpr uint32_t XyzB4 = 0x00C;
constexpr uint32_t XyzB5 = 0x00E;
constexpr uint32_t Normal = 0x010;
constexpr uint32_t PointSize = 0x020;
constexpr uint32_t Diffuse = 0x040;
constexpr uint32_t Specular = 0x080;
constexpr uint32_t TexCountMask = 0xF00;
constexpr uint32_t TexCountShift = 8;
constexpr uint32_t LastBetaUByte4 = 0x1000; // the last blend weight is 4 bytes of indices

// Size code of texture-coordinate set i, at bits 16 + 2i: 0 two floats,
// 1 three, 2 four, 3 one.
constexpr uint32_t TexCoordSize1(uint32_t set) { return 3u << (16 + set * 2); }
constexpr uint32_t TexCoordSize2(uint32_t set) { return 0u << (16 + set * 2); }
constexpr uint32_t TexCoordSize3(uint32_t set) { return 1u << (16 + set * 2); }
constexpr uint32_t TexCoordSize4(uint32_t set) { return 2u << (16 + set * 2); }
constexpr uint32_t TexCount(uint32_t n) { return n << TexCountShift; }

// Number of texture-coordinate sets, 0 to 8.
uint32_t TexCoordSetCount(uint32_t format);

// Floats in texture-coordinate set i.
uint32_t TexCoordFloats(uint32_t format, uint32_t set);

// Bytes of one vertex; 0 for a word naming more than eight coordinate sets.
uint32_t VertexSize(uint32_t format);

} // namespace plat::fvf
