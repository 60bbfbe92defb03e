// The file-system operations the file commands need from the operating
// system, and the directory listings they hand out.
//
// The platform runtime creates the one PlatformFileSystem
// (PlatformRuntime::openFileSystem) and destroys it (closeFileSystem); the
// filesystem command module asks for it when it starts and gives it back when
// it stops. Paths are passed as programs wrote them (zero-terminated, "\" or
// "/", any case; see hostPath). Operations report failure as results: false,
// 0, "" or a null pointer ("none"); nothing here raises a runtime error.
#pragma once

#include <dirent.h>

#include <cstdint>
#include <set>
#include <string>

namespace korva {

// One directory listing in progress. Entries come in the system's order,
// "." and ".." included.
class PlatformDir {
public:
    ~PlatformDir();

    // The name of the entry to be returned next; null once the listing is
    // exhausted.
    const char* pendingName() const;
    // Fetches the following entry; when there is none the listing ends and
    // its search is closed.
    void advance();

private:
    friend class PlatformFileSystem;
    explicit PlatformDir(DIR* search) : search_(search) {}

    DIR* search_;  // the open listing; null once exhausted
    std::string pending_;
};

class PlatformFileSystem {
public:
    PlatformFileSystem() = default;
    ~PlatformFileSystem();  // closes every listing still open

    PlatformFileSystem(const PlatformFileSystem&) = delete;
    PlatformFileSystem& operator=(const PlatformFileSystem&) = delete;

    // Each true when the system carried the operation out.
    bool createDir(const char* path);
    bool deleteDir(const char* path);  // only an empty one
    bool deleteFile(const char* path);
    bool copyFile(const char* from, const char* to);  // replaces an existing target
    bool setCurrentDir(const char* path);

    // The current directory ending in "/", or "" when the system cannot tell.
    std::string getCurrentDir();
    // Low 32 bits of a file's size; 0 for a directory or no match. Wildcards
    // ("*", "?") measure the first match.
    int32_t getFileSize(const char* path);
    // 0 nothing there, 1 a file, 2 a directory.
    int32_t getFileType(const char* path);

    // A listing of the directory ("" lists the root), positioned at its
    // first entry; null when the directory cannot be read.
    PlatformDir* openDir(const char* path);
    // The listing when it is open here, else null.
    PlatformDir* verifyDir(PlatformDir* dir) const;
    // Ends a listing; one that is not open here is ignored.
    void closeDir(PlatformDir* dir);

private:
    std::set<PlatformDir*> dirs_;
};

}  // namespace korva
