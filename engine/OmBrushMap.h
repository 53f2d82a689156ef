// Brush level files: each brush is a convex volume given by the planes that
// bound it, three points a plane. A brush becomes one mesh record: every
// plane's face is a large square in the plane clipped by all the others.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/OmTextLines.h"

class OmPbfScene;

// Brush files are in hundredths of the engine's unit.
constexpr float kBrushMapScale = 0.01f;
// Planes beyond this in one brush are ignored (and reported).
constexpr int32_t kMaxBrushPlanes = 128;

class OmBrushFile {
public:
    OmBrushFile() = default;
    OmBrushFile(const OmBrushFile&) = delete;
    OmBrushFile& operator=(const OmBrushFile&) = delete;
    ~OmBrushFile() { Close(); }

    bool Open(const char* path);
    // Reads from a file the caller keeps open.
    void Attach(std::FILE* file);
    void Close();
    bool ReadLine() { return m_lines.Next(); }
    bool AtEnd() const { return m_lines.AtEnd(); }
    const char* Text() const { return m_lines.Text(); }

private:
    std::FILE* m_file = nullptr;
    bool m_owned = false;
    OmTextLines m_lines{nullptr};
};

// Fills the scene: a root named "World" holding one node "Brush n" per brush.
// After the first brush, the first line holding "entity" that is neither a
// plane nor a brush's end ends the brushes; a commented one ("// entity 1")
// does too, and other comment lines are skipped.
void ReadBrushMap(OmPbfScene& scene, OmBrushFile& file, float scale);
