// Rectangles that clip drawing to where it can change a pixel.
#pragma once

#include "platform/GfxTypes.h"

#include <cstdint>

// Joins bands of rows, each bandRows high with its painted columns (an empty
// span for none), into at most maxRects rectangles that hold every painted
// pixel: neighbours are joined while there are too many, or while joining
// adds less than joinArea pixels. Gives the number written to out.
uint32_t TsJoinBands(const plat::GfxSpan* spans, uint32_t bands, uint32_t bandRows, uint32_t maxRects,
                     uint32_t joinArea, plat::GfxRect* out);

// Rectangles that share no pixel and together hold every pixel of the given
// ones (and perhaps more): rows of the screen in slabs, each as wide as the
// rectangles it crosses. Drawing through each once draws no pixel twice.
// out needs room for 2 * count - 1. Gives the number written.
uint32_t TsDisjointRows(const plat::GfxRect* rects, uint32_t count, plat::GfxRect* out);
