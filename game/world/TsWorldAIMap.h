// Where the AI map meets the world: the world keeps the map's fields and
// saves them with the level; the map is built as a TsAIMap and installed
// here, and the tile walker and the pathfinder read it through the world.
#pragma once

class TsAIMap;
class TsWorld;

class TsWorldAIMap {
public:
    // Moves a built map (codes, tile size, crop, origin and beacons) into
    // the world, replacing its map. A map whose fields disagree is refused
    // with a message and the world keeps its map.
    static bool Install(TsWorld& world, TsAIMap&& map);
    // The world's map as a value, the codes copied (tests and tools).
    static void Copy(const TsWorld& world, TsAIMap& out);
};
