// How long the frames of a run take, in clock units (a tick is 100), over
// and over: steady rates from 144 to 10 frames a second, and the uneven
// frames of a machine whose load comes and goes, which move a fight's
// events between frames and so the frame where each first happens.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

struct Pacing {
    const char* name;
    std::vector<int64_t> frames;
};

inline void PrintTo(const Pacing& pacing, std::ostream* out)
{
    *out << pacing.name;
}

inline const std::vector<Pacing>& FramePacings()
{
    static const std::vector<Pacing> pacings = {
        {"Sixty", {16, 17, 17}}, {"Thirty", {33, 33, 34}}, {"TickAFrame", {100}}, {"Fast", {7}},
        {"Twenty", {50}},        {"TickAndAHalf", {150}},  {"Uneven", {23, 61}}, {"Stalls", {250, 10, 10}},
        {"Prime", {41}},         {"Loaded", {5, 95, 12, 180, 33}},
    };
    return pacings;
}
