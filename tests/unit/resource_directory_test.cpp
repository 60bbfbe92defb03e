#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>

#include "startup/resource_directory.h"

namespace korva {
namespace {

std::string writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = "/tmp/korva-unit-" + std::to_string(getpid()) + "-" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

std::vector<uint8_t> executableWith(const std::vector<Resource>& resources) {
    std::vector<uint8_t> file(100, 0xAB);  // stands in for the executable
    auto directory = buildResourceDirectory(file.size(), resources);
    file.insert(file.end(), directory.begin(), directory.end());
    return file;
}

void putU32(std::vector<uint8_t>& bytes, size_t fromEnd, uint32_t value) {
    std::memcpy(bytes.data() + bytes.size() - fromEnd, &value, 4);
}

TEST(ResourceDirectory, FindsEachResourceByTypeAndId) {
    auto path = writeFile("two", executableWith({{10, 1111, {1, 2, 3}}, {10, 7, {9}}}));
    EXPECT_EQ(loadResource(path, 10, 1111), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(loadResource(path, 10, 7), (std::vector<uint8_t>{9}));
    EXPECT_FALSE(loadResource(path, 3, 1111));
    EXPECT_EQ(executableLength(path), 100u);
    unlink(path.c_str());
}

TEST(ResourceDirectory, PlainOrMissingFilesHaveNone) {
    auto path = writeFile("plain", std::vector<uint8_t>(50, 1));
    EXPECT_FALSE(loadResource(path, 10, 1111));
    EXPECT_EQ(executableLength(path), 50u);
    EXPECT_FALSE(loadResource(path + ".missing", 10, 1111));
    unlink(path.c_str());
}

TEST(ResourceDirectory, LyingOrTruncatedDirectoriesHaveNone) {
    const auto good = executableWith({{10, 1111, {1, 2, 3, 4}}});
    // Trailer from the end: table offset at 4, count at 8, start at 12.
    auto lyingCount = good;
    putU32(lyingCount, 8, 1000);
    auto lyingTable = good;
    putU32(lyingTable, 4, 0xFFFFFFF0u);
    auto lyingStart = good;
    putU32(lyingStart, 12, 0xFFFFFF00u);
    auto lyingSize = good;
    putU32(lyingSize, 20 + 4, 0x7FFFFFFF);  // the entry's size field
    auto truncated = std::vector<uint8_t>(good.begin() + 30, good.end() - 1);
    for (const auto& damaged : {lyingCount, lyingTable, lyingStart, lyingSize, truncated}) {
        auto path = writeFile("damaged", damaged);
        EXPECT_FALSE(loadResource(path, 10, 1111));
        unlink(path.c_str());
    }
}

}  // namespace
}  // namespace korva
