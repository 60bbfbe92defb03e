// A fresh folder for a program that works on files, with the scenario it is
// to run written into FOLDER/mode (see programs/test_folder.h).
#pragma once

#include <filesystem>
#include <string>

#include "e2e_support.h"

namespace korva::test {

class TestFolder {
public:
    TestFolder(const std::string& name, int scenario) : path_(tempFile(name)) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        write("mode", std::to_string(scenario) + "\n");
    }
    ~TestFolder() { std::filesystem::remove_all(path_); }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    void write(const std::string& name, const std::string& bytes) const {
        writeBytes(*this / name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    std::string read(const std::string& name) const {
        std::vector<uint8_t> bytes = readBytes(*this / name);
        return std::string(bytes.begin(), bytes.end());
    }

    // Runs the program with this folder as its command line.
    ProcessResult run(const std::string& image, bool withDebugger = true) const {
        return runImage(image, {path_}, withDebugger);
    }

private:
    std::string path_;
};


}  // namespace korva::test
