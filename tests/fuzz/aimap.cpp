// The AI map's Targa reader must refuse any damaged image with a message and
// build a consistent map from any image it accepts.
#include "engine/OmVector3.h"
#include "game/world/TsAIMap.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzzinput::NoPoolLeaks poolLeaks;
    // Keep the work per input small: huge images are valid but slow.
    if (size > 70000)
        return 0;
    const std::string path = fuzzinput::WriteInput("aimap.tga", data, size);
    TsAIMap map;
    // The first bytes past a 64-pixel bounds pick the tile size: halved or not.
    const float edge = size > 20 && (data[size - 1] & 1) ? 8.0f : 64.0f;
    if (map.CreateFromTarga(path.c_str(), nullptr, OmVector3(0, 0, 0), OmVector3(edge, 1, edge))) {
        const char* why = nullptr;
        if (!map.IsSound(&why) || map.codes.GetCount() == 0)
            __builtin_trap();
        for (uint32_t i = 0; i < map.beacons.GetCount(); ++i)
            if ((map.CodeAtWorld(map.beacons[i].x, map.beacons[i].z) & 3u) < 2u)
                __builtin_trap();
    } else if (!map.IsEmpty()) {
        __builtin_trap();
    }
    return 0;
}
