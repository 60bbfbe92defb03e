#include "platform/platform_file_system.h"

#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

#include "platform/host_path.h"

namespace korva {
namespace {

bool hasWildcards(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

// The first name a pattern matches, in the system's order; "" for none.
std::string firstMatch(const std::string& pattern) {
    glob64_t matches;
    std::string first;
    if (glob64(pattern.c_str(), GLOB_NOSORT, nullptr, &matches) == 0 && matches.gl_pathc > 0)
        first = matches.gl_pathv[0];
    globfree64(&matches);
    return first;
}

}  // namespace

PlatformDir::~PlatformDir() {
    if (search_ != nullptr) closedir(search_);
}

const char* PlatformDir::pendingName() const { return search_ != nullptr ? pending_.c_str() : nullptr; }

void PlatformDir::advance() {
    if (search_ == nullptr) return;
    if (const dirent64* entry = readdir64(search_)) {
        pending_ = entry->d_name;
        return;
    }
    closedir(search_);
    search_ = nullptr;
}

PlatformFileSystem::~PlatformFileSystem() {
    for (PlatformDir* dir : dirs_) delete dir;
}

bool PlatformFileSystem::createDir(const char* path) { return mkdir(hostPath(path).c_str(), 0777) == 0; }

bool PlatformFileSystem::deleteDir(const char* path) { return rmdir(hostPath(path).c_str()) == 0; }

bool PlatformFileSystem::deleteFile(const char* path) { return unlink(hostPath(path).c_str()) == 0; }

// Copying a file onto itself fails rather than truncating it first.
bool PlatformFileSystem::copyFile(const char* from, const char* to) {
    std::error_code failure;
    return std::filesystem::copy_file(hostPath(from), hostPath(to),
                                      std::filesystem::copy_options::overwrite_existing, failure);
}

bool PlatformFileSystem::setCurrentDir(const char* path) { return chdir(hostPath(path).c_str()) == 0; }

std::string PlatformFileSystem::getCurrentDir() {
    char* current = getcwd(nullptr, 0);
    if (current == nullptr) return {};
    std::string path = current;
    std::free(current);
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}

int32_t PlatformFileSystem::getFileSize(const char* path) {
    std::string file = hostPath(path);
    if (hasWildcards(file)) file = firstMatch(file);
    struct stat64 status;
    if (file.empty() || stat64(file.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return 0;
    return static_cast<int32_t>(status.st_size);
}

int32_t PlatformFileSystem::getFileType(const char* path) {
    struct stat64 status;
    if (stat64(hostPath(path).c_str(), &status) != 0) return 0;
    return S_ISDIR(status.st_mode) ? 2 : 1;
}

PlatformDir* PlatformFileSystem::openDir(const char* path) {
    DIR* search = opendir(*path == '\0' ? "/" : hostPath(path).c_str());
    if (search == nullptr) return nullptr;
    PlatformDir* dir = nullptr;
    try {
        dir = new PlatformDir(search);
        dirs_.insert(dir);
    } catch (const std::bad_alloc&) {
        if (dir == nullptr) closedir(search);
        delete dir;
        return nullptr;
    }
    dir->advance();
    if (dir->pendingName() == nullptr) {
        closeDir(dir);
        return nullptr;
    }
    return dir;
}

PlatformDir* PlatformFileSystem::verifyDir(PlatformDir* dir) const { return dirs_.count(dir) != 0 ? dir : nullptr; }

void PlatformFileSystem::closeDir(PlatformDir* dir) {
    if (dirs_.erase(dir) != 0) delete dir;
}

}  // namespace korva
