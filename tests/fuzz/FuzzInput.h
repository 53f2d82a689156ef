// What the file-reading fuzzers share: the input written to a file of the
// process's own, the logs silenced (every refused input logs), a renderer
// without a device, and the archive class table checked for classes a
// harness cannot take down.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/OmPoolLeaks.h"
#include "game/framework/TsConsole.h"
#include "platform/DebugOutput.h"
#include "render/OmD3D.h"

namespace fuzzinput {

// Ends the run when an input left pooled objects behind, which the
// sanitizer's own leak check cannot see: made at the start of an input, it
// reports at the end what the input made and never gave back.
class NoPoolLeaks {
public:
    NoPoolLeaks() = default;
    NoPoolLeaks(const NoPoolLeaks&) = delete;
    NoPoolLeaks& operator=(const NoPoolLeaks&) = delete;
    ~NoPoolLeaks()
    {
        if (OmPoolLeaks::ReportEveryPool("the fuzz input was done", m_mark) > 0)
            __builtin_trap();
    }

private:
    uint64_t m_mark = OmPoolLeaks::Mark();
};

inline void Quiet()
{
    TsConsole::SetHook([](std::string_view, TsColour, void*) {}, nullptr);
    plat::SetDebugOutputHook([](std::string_view) {});
}

// A renderer without a device for what an input loads. Made before the
// first input (call it from LLVMFuzzerInitialize), as it lives as long as
// the program: an input is answerable only for what it makes.
inline OmD3D& Renderer()
{
    static OmD3D renderer;
    return renderer;
}

// The input as a file (in memory where the system has it); empty on failure.
inline std::string WriteInput(const char* name, const uint8_t* data, size_t size)
{
    static const std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    const std::string path = dir + "/om_fuzz_" + std::to_string(getpid()) + "_" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return "";
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    return path;
}

} // namespace fuzzinput
