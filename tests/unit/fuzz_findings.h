// The inputs with which fuzzing once made a reader fault (scripts/fuzz), kept
// as files in tests/fuzz-findings/TARGET/: each is the hostile file itself,
// without the harness's selector byte, named after what it does.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace korva {

inline std::vector<std::filesystem::path> fuzzFindings(const char* target) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(KORVA_FUZZ_FINDINGS_DIR) / target))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::vector<uint8_t> fileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace korva
