#include "platform/host_path.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>

namespace korva {
namespace {

bool exists(const std::string& path) {
    struct stat64 status;
    return lstat64(path.c_str(), &status) == 0;
}

// The entry of the folder whose name equals name but for ASCII case, or ""
// when there is none.
std::string caseInsensitiveMatch(const std::string& folder, const std::string& name) {
    DIR* listing = opendir(folder.empty() ? "." : folder.c_str());
    if (listing == nullptr) return {};
    std::string match;
    while (const dirent64* entry = readdir64(listing)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            match = entry->d_name;
            break;
        }
    }
    closedir(listing);
    return match;
}

// Walks the components of a path that does not exist as written.
std::string matchComponents(const std::string& path) {
    std::string resolved;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string name = path.substr(start, end - start);
        const bool special = name.empty() || name == "." || name == "..";
        if (!special && !exists(resolved + name)) {
            const std::string match = caseInsensitiveMatch(resolved, name);
            if (match.empty()) return resolved + path.substr(start);
            resolved += match;
        } else {
            resolved += name;
        }
        if (end == path.size()) break;
        resolved += '/';
        start = end + 1;
    }
    return resolved;
}

}  // namespace

std::string hostPath(const char* programPath) {
    std::string path = programPath;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || exists(path)) return path;
    return matchComponents(path);
}

}  // namespace korva
