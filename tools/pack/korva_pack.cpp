// korva-pack: makes a stand-alone game from the korva executable and a module
// image, by appending the image as resource 1111.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "startup/host_link.h"
#include "startup/resource_directory.h"

namespace {

const char kUsage[] =
    "usage: korva-pack [--runtime KORVA] IMAGE OUTPUT\n"
    "\n"
    "Writes OUTPUT: a copy of the stand-alone runtime (by default the korva\n"
    "executable beside korva-pack) carrying the module IMAGE, ready to run as\n"
    "a game. A directory already appended to the runtime is replaced.\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "korva-pack: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::string runtimePath = korva::executableFolder() + "/korva";
    if (args.size() >= 2 && args[0] == "--runtime") {
        runtimePath = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    auto runtime = korva::readWholeFile(runtimePath);
    if (!runtime) return fail("cannot read " + runtimePath);
    auto image = korva::readWholeFile(args[0]);
    if (!image) return fail("cannot read " + args[0]);
    auto length = korva::executableLength(runtimePath);
    if (!length) return fail("cannot read " + runtimePath);
    runtime->resize(*length);

    const auto directory = korva::buildResourceDirectory(
        *length, {{korva::kResourceTypeRcData, korva::kModuleImageResourceId, std::move(*image)}});
    std::ofstream out(args[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(runtime->data()), static_cast<std::streamsize>(runtime->size()));
    out.write(reinterpret_cast<const char*>(directory.data()), static_cast<std::streamsize>(directory.size()));
    out.close();
    if (!out) return fail("cannot write " + args[1]);
    chmod(args[1].c_str(), 0755);
    return 0;
}
