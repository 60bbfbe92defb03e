// korva-run: the development host. Loads libkorva.so, links a module image
// file against it and runs the program under a Debugger that reports to the
// terminal.
#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "startup/host_link.h"
#include "tool_cli.h"

namespace {

const korva::tool::Tool kTool{
    "korva-run",
    "usage: korva-run [--no-debugger] IMAGE [ARGS...]\n"
    "       korva-run --declarations\n",
    "\n"
    "Runs a Korva module image (made with korva-mkimage) under a debugger that\n"
    "prints DebugLog lines on standard output and runtime errors on standard\n"
    "error. ARGS joined by single spaces form the program's command line.\n"
    "\n"
    "  --no-debugger   run without a host debugger (debug checks off, runtime\n"
    "                  errors in an \"Error!\" message box), as korva does\n"
    "  --declarations  print every declaration of the runtime, one a line\n"
    "  --help          show this text\n"
    "\n"
    "Exit status: 0 after a normal end; 1 after a runtime error, or when the\n"
    "image cannot be run (the reason follows on a second line); 2 for a usage\n"
    "error.\n"};

// Reports everything the runtime tells a host on the terminal.
class TerminalDebugger final : public korva::QuietDebugger {
public:
    void debugLog(const char* text) override {
        std::printf("%s\n", text);
        std::fflush(stdout);
    }
    void debugMsg(const char* text, bool serious) override {
        if (serious) {
            std::fprintf(stderr, "Runtime error: %s\n", text);
            sawRuntimeError_ = true;
        } else {
            std::fprintf(stderr, "%s\n", text);
        }
        std::fflush(stderr);
    }
    bool sawRuntimeError() const { return sawRuntimeError_; }

private:
    bool sawRuntimeError_ = false;
};

korva::Runtime* loadRuntime() {
    const std::string library = korva::executableFolder() + "/libkorva.so";
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        korva::tool::failure(kTool, dlerror());
        return nullptr;
    }
    auto getRuntime = reinterpret_cast<korva::Runtime* (*)()>(dlsym(handle, "runtimeGetRuntime"));
    return getRuntime != nullptr ? getRuntime() : nullptr;
}

int listDeclarations(korva::Runtime& runtime) {
    while (const char* declaration = runtime.nextSym()) std::printf("%s\n", declaration);
    return 0;
}

int runImage(korva::Runtime& runtime, const char* imagePath, bool withDebugger, int argc, const char* const* argv) {
    runtime.startup(nullptr);
    const korva::RuntimeLinkTable table = korva::runtimeLinkTable(runtime);
    auto image = korva::readWholeFile(imagePath);
    korva::LinkResult linked;
    if (image)
        linked = korva::linkModuleImage(image->data(), image->size(), table);
    else
        linked.problem = std::string("cannot read it (") + std::strerror(errno) + ")";
    if (linked.status != korva::LinkResult::Status::linked) {
        // The first line is the one a player of a packed game sees.
        std::fprintf(stderr, "%s\n", korva::linkFailureMessage(linked).c_str());
        if (linked.status == korva::LinkResult::Status::imageError)
            return korva::tool::failure(kTool, imagePath + std::string(": ") + linked.problem);
        return korva::tool::kFailed;
    }
    TerminalDebugger debugger;
    const std::string arguments = korva::argumentText(argc, argv);
    runtime.execute(reinterpret_cast<korva::EntryRoutine>(linked.code), arguments.c_str(),
                    withDebugger ? &debugger : nullptr);
    runtime.shutdown();
    return debugger.sawRuntimeError() ? korva::tool::kFailed : korva::tool::kSucceeded;
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    bool withDebugger = true;
    if (argc > 1 && korva::tool::isHelp(argv[1])) return korva::tool::help(kTool);
    const bool listOnly = argc > 1 && std::strcmp(argv[1], "--declarations") == 0;
    if (listOnly && argc > 2) return korva::tool::usageError(kTool, "--declarations takes nothing else");
    if (!listOnly && argc > 1 && std::strcmp(argv[1], "--no-debugger") == 0) {
        withDebugger = false;
        ++first;
    }
    if (!listOnly && first >= argc) return korva::tool::usageError(kTool, "no image given");
    if (!listOnly && argv[first][0] == '-')
        return korva::tool::usageError(kTool, std::string("unknown option ") + argv[first]);
    korva::Runtime* runtime = loadRuntime();
    if (runtime == nullptr) return korva::tool::kFailed;
    if (listOnly) return listDeclarations(*runtime);
    // The image path takes the place of the program name in the argument list.
    return runImage(*runtime, argv[first], withDebugger, argc - first, argv + first);
}
