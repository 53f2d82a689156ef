#include "platform/FilePath.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace plat {
namespace {

// Folder listings, keyed by the folder's host path. A miss re-reads the
// folder once, so files created since the listing are still found.
std::unordered_map<std::string, std::vector<std::string>>& ListingCache()
{
    static std::unordered_map<std::string, std::vector<std::string>> cache;
    return cache;
}

const std::vector<std::string>& ReadFolder(const std::string& folder, bool refresh)
{
    auto& cache = ListingCache();
    auto it = cache.find(folder);
    if (it != cache.end() && !refresh) {
        return it->second;
    }
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.empty() ? "." : folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            names.emplace_back(entry->d_name);
        }
        closedir(dir);
    }
    auto& slot = cache[folder];
    slot = std::move(names);
    return slot;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.empty() ? "." : path.c_str(), &st) == 0;
}

const std::string* FindIgnoringCase(const std::string& folder, const std::string& name)
{
    for (int pass = 0; pass < 2; ++pass) {
        for (const std::string& entry : ReadFolder(folder, pass == 1)) {
            if (strcasecmp(entry.c_str(), name.c_str()) == 0) {
                return &entry;
            }
        }
    }
    return nullptr;
}

} // namespace

std::string ResolvePath(std::string_view gamePath)
{
    std::string result;
    bool absolute = !gamePath.empty() && (gamePath[0] == '/' || gamePath[0] == '\\');
    if (absolute) {
        result = "/";
    }
    bool matching = true;
    size_t start = 0;
    while (start <= gamePath.size()) {
        size_t end = gamePath.find_first_of("/\\", start);
        if (end == std::string_view::npos) {
            end = gamePath.size();
        }
        std::string part(gamePath.substr(start, end - start));
        start = end + 1;
        if (part.empty() || part == ".") {
            if (end == gamePath.size()) {
                break;
            }
            continue;
        }
        std::string folder = result;
        if (!result.empty() && result.back() != '/') {
            result += '/';
        }
        if (matching && part != ".." && !Exists(result + part)) {
            const std::string* found = FindIgnoringCase(folder, part);
            if (found) {
                part = *found;
            } else {
                matching = false;
            }
        }
        result += part;
    }
    if (result.empty()) {
        return ".";
    }
    // A game path ending in a separator names a folder that file names are
    // put straight after: it keeps its separator.
    const char last = gamePath.back();
    if ((last == '/' || last == '\\') && result.back() != '/') {
        result += '/';
    }
    return result;
}

std::FILE* OpenFile(std::string_view gamePath, const char* mode)
{
    return std::fopen(ResolvePath(gamePath).c_str(), mode);
}

bool PathExists(std::string_view gamePath)
{
    return Exists(ResolvePath(gamePath));
}

bool FolderExists(std::string_view gamePath)
{
    struct stat info;
    return stat(ResolvePath(gamePath).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void ClearPathCache()
{
    ListingCache().clear();
}

} // namespace plat
