#include "platform/platform_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace korva {
namespace {

int openFlagsOf(PlatformFile::Mode mode) {
    // Children the program starts (ExecFile) do not inherit its files.
    constexpr int kAlways = O_CLOEXEC;
    switch (mode) {
        case PlatformFile::Mode::read: return O_RDONLY | kAlways;
        case PlatformFile::Mode::write: return O_WRONLY | O_CREAT | O_TRUNC | kAlways;
        case PlatformFile::Mode::update: break;
    }
    return O_RDWR | kAlways;
}

bool isDirectory(int descriptor) {
    struct stat64 status;
    return fstat64(descriptor, &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

// A directory opens for reading on this system, but a program that asks for
// a file must not get one.
PlatformFile PlatformFile::open(const char* hostPath, Mode mode) {
    const int descriptor = open64(hostPath, openFlagsOf(mode), 0666);
    if (descriptor < 0) return {};
    if (isDirectory(descriptor)) {
        close(descriptor);
        return {};
    }
    return PlatformFile(descriptor);
}

PlatformFile::~PlatformFile() {
    if (descriptor_ >= 0) close(descriptor_);
}

int32_t PlatformFile::read(void* buffer, int32_t count) {
    if (failed_ || count <= 0) return 0;
    for (;;) {
        const ssize_t got = ::read(descriptor_, buffer, static_cast<size_t>(count));
        if (got >= 0) return static_cast<int32_t>(got);
        if (errno != EINTR) break;
    }
    failed_ = true;
    return 0;
}

int32_t PlatformFile::write(const void* buffer, int32_t count) {
    if (failed_ || count <= 0) return 0;
    const auto* bytes = static_cast<const char*>(buffer);
    int32_t written = 0;
    while (written < count) {
        const ssize_t put = ::write(descriptor_, bytes + written, static_cast<size_t>(count - written));
        if (put > 0) {
            written += static_cast<int32_t>(put);
        } else if (put == 0 || errno != EINTR) {
            failed_ = true;
            break;
        }
    }
    return written;
}

int64_t PlatformFile::seek(int64_t offset, int whence) {
    const off64_t reached = lseek64(descriptor_, offset, whence);
    return reached < 0 ? -1 : reached;
}

}  // namespace korva
