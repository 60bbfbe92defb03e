#include "platform/system_info.h"
#include "startup/host_link.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace korva {
namespace {

std::string asFolder(std::string path) {
    if (path.empty()) return path;
    if (path.back() != '/') path += '/';
    return path;
}

std::string temporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return (folder != nullptr && *folder != '\0') ? folder : "/tmp";
}

// The folder of the system's own 32-bit shared libraries, the nearest thing
// to a system folder that programs look for libraries in.
std::string systemLibraryFolder() {
    for (const char* folder : {"/usr/lib/i386-linux-gnu", "/usr/lib32", "/usr/lib"})
        if (access(folder, F_OK) == 0) return folder;
    return "";
}

std::vector<std::string> splitOnBlanks(const std::string& text) {
    std::istringstream words(text);
    std::vector<std::string> result;
    for (std::string word; words >> word;) result.push_back(word);
    return result;
}

bool isExecutableFile(const std::string& file) {
    return access(file.c_str(), X_OK) == 0 && file.find('/') != std::string::npos;
}

// The child is reaped by a detached thread so that it never lingers as a
// zombie while the game goes on.
bool spawnDetached(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    std::thread([child] { waitpid(child, nullptr, 0); }).detach();
    return true;
}

}  // namespace

std::string systemProperty(const std::string& name) {
    if (name == "cpu") return "Intel";
    // "os" names Windows versions only; no Linux release maps to one.
    if (name == "appdir") return asFolder(executableFolder());
    if (name == "systemdir") return asFolder(systemLibraryFolder());
    if (name == "tempdir") return asFolder(temporaryFolder());
    return "";
}

bool startDetached(const std::string& file, const std::string& parameters) {
    const bool exists = access(file.c_str(), F_OK) == 0;
    const bool runsDirectly = exists ? isExecutableFile(file) : file.find("://") == std::string::npos;
    std::vector<std::string> arguments;
    if (runsDirectly)
        arguments.push_back(file);
    else
        arguments = {"xdg-open", file};
    for (std::string& parameter : splitOnBlanks(parameters)) arguments.push_back(std::move(parameter));
    return spawnDetached(arguments);
}

}  // namespace korva
