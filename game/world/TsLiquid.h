// Liquid surfaces of the world cells (water, lava, mist): vertices stored
// relative to the surface's origin rise and fall on an 8 x 8 wave grid per
// liquid kind, refreshed once a frame from a sine table. Opaque surfaces are
// drawn through one pair of buffers that every world shares; blended ones go
// to the renderer's depth-sorted batch.
#pragma once

#include <cstdint>

#include "engine/OmVector3.h"
#include "game/world/TsWorldCell.h"

class TsLiquids {
public:
    static constexpr uint32_t kMaxVertices = 4096;
    static constexpr uint32_t kMaxIndices = 8192;
    static constexpr uint32_t kSineEntries = 4095;

    // Each world takes the shared buffers on creation and gives them back on
    // destruction; the last one out frees them.
    static bool Acquire();
    static void Release();
    static int32_t UserCount() { return s_users; }
    static bool BuffersReady();

    // sin(a) from the table, for a >= 0.
    static float TableSin(float a);
    static void UpdateWaveGrids(float time);
    // Bilinear wave height at (a, b) in grid steps, wrapping.
    static float WaveHeight(const float grid[8][8], float a, float b);
    static const float (&WaterGrid())[8][8] { return s_water; }
    static const float (&LavaGrid())[8][8] { return s_lava; }
    // A vertex's height offset this frame (0 for a still one).
    static float VertexWave(const TsLiquid& liquid, const TsLiquidVertex& vertex, float cellEdge);

    static void Draw(const TsLiquid& liquid, float time, float cellEdge);

    // Splits the triangles from first on into the next piece that fits the
    // shared buffers: at most kMaxVertices distinct vertices and kMaxIndices
    // indices. Fills remap (surface vertex -> piece vertex) for the piece's
    // vertices and order (piece vertex -> surface vertex); returns the
    // triangle count and the piece's vertex count in vertexCount.
    static uint32_t NextPiece(const TsLiquid& liquid, uint32_t first, uint32_t& vertexCount);
    static uint16_t PieceVertex(uint32_t piece) { return s_order[piece]; }
    static uint16_t PieceIndex(uint16_t surfaceVertex) { return s_local[surfaceVertex]; }

private:
    static void DrawPiece(const TsLiquid& liquid, float cellEdge, uint32_t first, uint32_t count,
                          uint32_t vertexCount, bool blended);

    static int32_t s_users;
    static int32_t s_vertexBuffer;
    static int32_t s_indexBuffer;
    static float s_sine[kSineEntries];
    static float s_water[8][8];
    static float s_lava[8][8];
    static uint16_t s_local[65536];
    static uint32_t s_stamp[65536];
    static uint32_t s_pieceStamp;
    static uint16_t s_order[kMaxVertices];
};
