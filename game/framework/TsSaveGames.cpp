#include "game/framework/TsSaveGames.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "engine/OmArchive.h"
#include "game/framework/TsLog.h"
#include "platform/FilePath.h"

namespace TsSaveGames {

namespace {

bool IsUnsafe(unsigned char c)
{
    return c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':';
}

// A save name's number: digits right after the prefix and a closing bracket.
bool ParseNumber(const std::string& rest, int32_t& number)
{
    size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') {
        ++digits;
    }
    if (digits == 0 || digits > 9 || digits >= rest.size() || rest[digits] != ']') {
        return false;
    }
    number = static_cast<int32_t>(std::strtol(rest.substr(0, digits).c_str(), nullptr, 10));
    return true;
}

} // namespace

std::string CleanNamePart(const char* text)
{
    std::string clean;
    for (const char* p = text ? text : ""; *p; ++p) {
        const bool dotPair = p[0] == '.' && p[1] == '.';
        if (dotPair) {
            clean += "__";
            ++p;
            continue;
        }
        clean += IsUnsafe(static_cast<unsigned char>(*p)) ? '_' : *p;
    }
    return clean;
}

std::string ComposeSaveName(const char* playerName, int32_t number, const char* levelName)
{
    char counter[32];
    std::snprintf(counter, sizeof counter, " [%d] - ", static_cast<int>(number));
    return CleanNamePart(playerName) + counter + CleanNamePart(levelName);
}

std::string PathOf(const std::string& name)
{
    return std::string(kFolder) + "/" + name;
}

bool EnsureFolder()
{
    const std::string folder = plat::ResolvePath(kFolder);
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) {
        return true;
    }
    std::filesystem::create_directories(folder, error);
    plat::ClearPathCache();
    if (error || !std::filesystem::is_directory(folder)) {
        LogErrorF("Saved games: the folder \"%s\" could not be made (%s)", kFolder, error.message().c_str());
        return false;
    }
    return true;
}

bool Save(OmArchive& archive, const std::string& name)
{
    if (!EnsureFolder()) {
        return false;
    }
    if (!archive.SaveReplacing(PathOf(name).c_str())) {
        LogErrorF("Saved games: \"%s\" could not be written", name.c_str());
        return false;
    }
    return true;
}

int32_t HighestSaveNumber(const char* playerName)
{
    const std::string prefix = CleanNamePart(playerName) + " [";
    std::error_code error;
    std::filesystem::directory_iterator it(plat::ResolvePath(kFolder), error);
    int32_t highest = 0;
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (it->is_directory(error)) {
            continue;
        }
        const std::string name = it->path().filename().string();
        int32_t number = 0;
        if (name.compare(0, prefix.size(), prefix) == 0 && ParseNumber(name.substr(prefix.size()), number)
            && number > highest) {
            highest = number;
        }
    }
    return highest;
}

} // namespace TsSaveGames
