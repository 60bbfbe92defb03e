// The harnesses whose readers open files by name write each input to a file
// of their own process first.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline std::string inputFile(const uint8_t* data, size_t size, const char* name) {
    const std::string path = "/tmp/korva-fuzz-" + std::to_string(getpid()) + "-" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    return path;
}
