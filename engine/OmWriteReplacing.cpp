#include "engine/OmWriteReplacing.h"

#include <cstdio>
#include <string>

#include "engine/OmReport.h"
#include "platform/FilePath.h"

bool OmWriteReplacing(const char* path, const std::function<bool(const char* temporaryPath)>& write)
{
    if (!path) {
        ReportError("No file to write to");
        return false;
    }
    const std::string target = plat::ResolvePath(path);
    const std::string temporary = target + ".saving";
    const bool written = write(temporary.c_str());
    if (written && std::rename(temporary.c_str(), target.c_str()) == 0) {
        // The folder listing the paths are resolved against has changed.
        plat::ClearPathCache();
        return true;
    }
    std::remove(temporary.c_str());
    if (written)
        ReportError("\"%s\": the new file could not be put in place", target.c_str());
    return false;
}
