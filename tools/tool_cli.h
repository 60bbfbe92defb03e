// What every Korva tool does with its command line and its failures, so that
// they all behave alike:
//   TOOL --help (or -h)  the help text on standard output, status 0
//   a usage error        "TOOL: PROBLEM", then the usage lines, on standard
//                        error, status 2
//   a failure            "TOOL: PROBLEM" on standard error, status 1
//                        (korva-run: also a program that ends with a runtime
//                        error, which it reports as "Runtime error: TEXT")
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

namespace korva::tool {

constexpr int kSucceeded = 0;
constexpr int kFailed = 1;
constexpr int kUsageError = 2;

struct Tool {
    const char* name;
    const char* usage;        // the "usage: ..." lines
    const char* description;  // what follows them in the help text
};

inline bool isHelp(const char* argument) {
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0;
}

inline int help(const Tool& tool) {
    std::printf("%s\n%s", tool.usage, tool.description);
    return kSucceeded;
}

inline int failure(const Tool& tool, const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n", tool.name, problem.c_str());
    return kFailed;
}

inline int usageError(const Tool& tool, const std::string& problem) {
    std::fprintf(stderr, "%s: %s\n%s", tool.name, problem.c_str(), tool.usage);
    return kUsageError;
}

}  // namespace korva::tool
