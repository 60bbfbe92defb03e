// korva-pack: makes a stand-alone game from the korva executable and a module
// image, by appending the image as resource 1111.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "startup/host_link.h"
#include "startup/resource_directory.h"
#include "tool_cli.h"

namespace {

const korva::tool::Tool kTool{
    "korva-pack",
    "usage: korva-pack [--runtime KORVA] IMAGE OUTPUT\n",
    "\n"
    "Writes OUTPUT: a copy of the stand-alone runtime (by default the korva\n"
    "executable beside korva-pack) carrying the module IMAGE, ready to run as\n"
    "a game. A directory already appended to the runtime is replaced.\n"
    "\n"
    "Exit status: 0 when OUTPUT is written, 1 when a file cannot be read or\n"
    "written, 2 for a usage error.\n"};

std::string cannotRead(const std::string& path) { return path + ": cannot read it (" + std::strerror(errno) + ")"; }

}  // namespace

int main(int argc, char** argv) {
    using korva::tool::failure;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && korva::tool::isHelp(args[0].c_str())) return korva::tool::help(kTool);
    std::string runtimePath = korva::executableFolder() + "/korva";
    if (args.size() >= 2 && args[0] == "--runtime") {
        runtimePath = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (!args.empty() && args[0].starts_with("-")) return korva::tool::usageError(kTool, "unknown option " + args[0]);
    if (args.size() != 2) return korva::tool::usageError(kTool, "expected an IMAGE and an OUTPUT");
    auto runtime = korva::readWholeFile(runtimePath);
    if (!runtime) return failure(kTool, cannotRead(runtimePath));
    auto image = korva::readWholeFile(args[0]);
    if (!image) return failure(kTool, cannotRead(args[0]));
    auto length = korva::executableLength(runtimePath);
    if (!length) return failure(kTool, cannotRead(runtimePath));
    runtime->resize(*length);

    const auto directory = korva::buildResourceDirectory(
        *length, {{korva::kResourceTypeRcData, korva::kModuleImageResourceId, std::move(*image)}});
    std::ofstream out(args[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(runtime->data()), static_cast<std::streamsize>(runtime->size()));
    out.write(reinterpret_cast<const char*>(directory.data()), static_cast<std::streamsize>(directory.size()));
    out.close();
    if (!out) return failure(kTool, args[1] + ": cannot write it");
    chmod(args[1].c_str(), 0755);
    return korva::tool::kSucceeded;
}
