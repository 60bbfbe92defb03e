#include "startup/host_link.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "startup/link_names.h"

namespace korva {

RuntimeLinkTable runtimeLinkTable(Runtime& runtime) {
    RuntimeLinkTable table;
    while (const char* declaration = runtime.nextSym())
        table[linkNameOf(declaration)] = static_cast<uint32_t>(runtime.symValue(declaration));
    return table;
}

std::optional<std::vector<uint8_t>> readWholeFile(const std::string& path) {
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    ssize_t got;
    while ((got = read(file, chunk, sizeof chunk)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    const int readError = errno;
    close(file);
    if (got < 0) {
        errno = readError;
        return std::nullopt;
    }
    return bytes;
}

std::string executableFolder() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    const std::string file(path, static_cast<size_t>(length));
    const size_t slash = file.rfind('/');
    return slash == std::string::npos ? "" : file.substr(0, slash);
}

std::string argumentText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
}

}  // namespace korva
