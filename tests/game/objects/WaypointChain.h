// Waypoint chains for the tests of what walks them.
#pragma once

#include <utility>
#include <vector>

#include "game/objects/TsWaypointObject.h"

// Waypoints at the given (x, z) points, linked in order; the test keeps a
// reference on each so releases by the chain can be counted.
struct WaypointChain {
    explicit WaypointChain(const std::vector<std::pair<float, float>>& points)
    {
        for (auto [x, z] : points) {
            auto* node = new TsWaypointObject;
            node->SetPosition(x, 0.0f, z);
            nodes.push_back(node);
        }
        for (size_t i = 0; i + 1 < nodes.size(); ++i)
            nodes[i]->SetNext(nodes[i + 1]);
    }
    ~WaypointChain()
    {
        for (TsWaypointObject* node : nodes) {
            node->SetNext(nullptr);
            node->Release();
        }
    }
    TsWaypointObject* operator[](size_t i) const { return nodes[i]; }
    std::vector<TsWaypointObject*> nodes;
};
