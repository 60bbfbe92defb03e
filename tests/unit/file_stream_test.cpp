// File streams and program paths on a scratch folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

#include "files/file_stream.h"
#include "platform/host_path.h"
#include "platform/platform_file_system.h"

namespace korva {
namespace {

namespace fs = std::filesystem;

class ScratchFolder : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("korva-files-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const {
        std::ifstream file(path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    std::unique_ptr<qyFileStream> open(const std::string& name, qyFileStream::Mode mode) const {
        return std::unique_ptr<qyFileStream>(qyFileStream::open(path(name).c_str(), mode));
    }

    fs::path folder_;
};

using HostPath = ScratchFolder;

TEST_F(HostPath, BackslashesAndCaseAreMatchedComponentByComponent) {
    fs::create_directories(folder_ / "Levels" / "World1");
    write("Levels/World1/Map.DAT", "m");
    EXPECT_EQ(hostPath(path("Levels\\World1\\Map.DAT").c_str()), path("Levels/World1/Map.DAT"));
    EXPECT_EQ(hostPath(path("levels/WORLD1/map.dat").c_str()), path("Levels/World1/Map.DAT"));
    // A name that matches nothing keeps the rest of the path as written.
    EXPECT_EQ(hostPath(path("LEVELS/new/Map.dat").c_str()), path("Levels/new/Map.dat"));
    EXPECT_EQ(hostPath(path("levels\\world1\\").c_str()), path("Levels/World1/"));
    EXPECT_EQ(hostPath(""), "");
}

TEST_F(HostPath, AnExactMatchIsPreferredOverAnotherCase) {
    write("save.txt", "lower");
    write("SAVE.txt", "upper");
    EXPECT_EQ(hostPath(path("SAVE.txt").c_str()), path("SAVE.txt"));
    EXPECT_EQ(hostPath(path("save.txt").c_str()), path("save.txt"));
}

using FileStream = ScratchFolder;

TEST_F(FileStream, AvailCountsWhatWasReadAheadAndEofOnlyPeeks) {
    write("data", "abcdef");
    auto file = open("data", qyFileStream::Mode::read);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->avail(), 0);
    EXPECT_EQ(file->eof(), 0);
    EXPECT_EQ(file->avail(), 6);  // the peek filled the buffer
    char bytes[8] = {};
    EXPECT_EQ(file->read(bytes, 8), 6);
    EXPECT_EQ(std::string(bytes), "abcdef");
    EXPECT_EQ(file->eof(), 1);
    EXPECT_EQ(file->seek(2), 2);
    EXPECT_EQ(file->avail(), 0);
    EXPECT_EQ(file->read(bytes, 1), 1);
    EXPECT_EQ(bytes[0], 'c');
    EXPECT_EQ(file->write("x", 1), 0);  // read only
}

TEST_F(FileStream, UpdateTurnsBetweenReadingAndWriting) {
    write("data", "0123456789");
    auto file = open("data", qyFileStream::Mode::update);
    ASSERT_NE(file, nullptr);
    char byte = 0;
    EXPECT_EQ(file->read(&byte, 1), 1);
    EXPECT_EQ(file->write("AB", 2), 2);
    EXPECT_EQ(file->avail(), 0);
    EXPECT_EQ(file->read(&byte, 1), 1);
    EXPECT_EQ(byte, '3');
    EXPECT_EQ(file->eof(), 0);
    EXPECT_EQ(file->write("C", 1), 1);
    EXPECT_EQ(file->position(), 5);
    EXPECT_EQ(file->seek(10), 10);
    EXPECT_EQ(file->eof(), 1);
    EXPECT_EQ(file->write("Z", 1), 1);  // past the old end
    file.reset();
    EXPECT_EQ(read("data"), "0AB3C56789Z");
}

TEST_F(FileStream, WritingTruncatesAtOnceAndNeverReads) {
    write("data", std::string(100, 'x'));
    auto file = open("data", qyFileStream::Mode::write);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(fs::file_size(path("data")), 0u);
    EXPECT_EQ(file->eof(), 1);
    char byte;
    EXPECT_EQ(file->read(&byte, 1), 0);
    EXPECT_EQ(file->write("hey", 3), 3);
    EXPECT_EQ(file->write("", 0), 0);
    EXPECT_EQ(file->position(), 3);
    EXPECT_EQ(file->seek(-1), -1);
    file.reset();
    EXPECT_EQ(read("data"), "hey");
}

TEST_F(FileStream, MissingFilesDoNotOpenForReading) {
    EXPECT_EQ(open("missing", qyFileStream::Mode::read), nullptr);
    EXPECT_EQ(open("missing", qyFileStream::Mode::update), nullptr);
    EXPECT_FALSE(fs::exists(path("missing")));
}

TEST_F(FileStream, ReadingAFileThatAnotherStreamExtends) {
    auto writer = open("grow", qyFileStream::Mode::write);
    auto reader = open("grow", qyFileStream::Mode::read);
    char byte = 0;
    EXPECT_EQ(reader->read(&byte, 1), 0);
    writer->write("k", 1);
    writer->position();  // flushes
    EXPECT_EQ(reader->read(&byte, 1), 1);
    EXPECT_EQ(byte, 'k');
}

// Bytes and 32-bit values go the inline ways the stream commands use,
// everything else through read() and write().
std::string readAsCommands(qyStream& stream, std::string& bytes, int32_t count) {
    if (count == 1) {
        const int32_t byte = stream.readByte();
        return byte < 0 ? "" : std::string(1, static_cast<char>(byte));
    }
    if (count == 4) {
        const uint32_t value = stream.readValue<4>();
        return std::string(reinterpret_cast<const char*>(&value), 4);  // zeros past the end
    }
    return bytes.substr(0, static_cast<size_t>(stream.read(bytes.data(), count)));
}

int32_t writeAsCommands(qyStream& stream, const std::string& bytes, int32_t count) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data(), std::min(count, 4));
    if (count == 1) return stream.writeValue<1>(value);
    if (count == 4) return stream.writeValue<4>(value);
    return stream.write(bytes.data(), count);
}

// Every operation of a file open for update, in a random mix of sizes that
// cross the buffer's edges, against the same operations on a string.
TEST_F(FileStream, UpdateAgreesWithAModelOfTheFile) {
    constexpr int32_t kBuffer = qyFileStream::kBufferSize;
    std::mt19937 random(8);
    std::string model(3 * kBuffer + 123, '\0');
    for (char& byte : model) byte = static_cast<char>(random());
    write("data", model);
    auto file = open("data", qyFileStream::Mode::update);
    ASSERT_NE(file, nullptr);
    const int32_t sizes[] = {1, 2, 4, 7, kBuffer - 1, kBuffer, kBuffer + 3, 2 * kBuffer + 5};
    std::string bytes(3 * kBuffer, '\0');
    size_t position = 0;
    for (int step = 0; step < 3000; ++step) {
        SCOPED_TRACE(step);
        const int32_t count = sizes[random() % std::size(sizes)];
        switch (random() % 6) {
            case 0:
            case 1: {
                const size_t expected = position < model.size() ? std::min<size_t>(count, model.size() - position) : 0;
                std::string wanted = model.substr(position, expected);
                if (count == 4) wanted.resize(4, '\0');
                ASSERT_EQ(readAsCommands(*file, bytes, count), wanted);
                position += expected;
                break;
            }
            case 2:
            case 3:
                for (int32_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(random());
                ASSERT_EQ(writeAsCommands(*file, bytes, count), count);
                if (model.size() < position + count) model.resize(position + count);
                model.replace(position, count, bytes, 0, count);
                position += count;
                ASSERT_EQ(file->avail(), 0);
                break;
            case 4:
                position = random() % (model.size() + 10);
                ASSERT_EQ(file->seek(static_cast<int32_t>(position)), static_cast<int32_t>(position));
                ASSERT_EQ(file->avail(), 0);
                break;
            case 5:
                ASSERT_EQ(file->eof(), position >= model.size() ? 1 : 0);
                ASSERT_EQ(file->position(), static_cast<int32_t>(position));
                break;
        }
    }
    file.reset();
    EXPECT_EQ(read("data"), model);
}

TEST_F(FileStream, ReadAheadIsOneBufferAndLargeTransfersBypassIt) {
    constexpr int32_t kBuffer = qyFileStream::kBufferSize;
    write("data", std::string(3 * kBuffer, 'r'));
    auto file = open("data", qyFileStream::Mode::read);
    std::string bytes(2 * kBuffer, '\0');
    EXPECT_EQ(file->read(bytes.data(), 10), 10);
    EXPECT_EQ(file->avail(), kBuffer - 10);
    EXPECT_EQ(file->read(bytes.data(), 2 * kBuffer), 2 * kBuffer);
    EXPECT_EQ(file->avail(), 0);  // the rest came straight from the file
    EXPECT_EQ(file->readValue<4>(), 0x72727272u);
    EXPECT_EQ(file->avail(), kBuffer - 14);
    EXPECT_EQ(file->read(bytes.data(), kBuffer), kBuffer - 14);  // short at the end
    EXPECT_EQ(file->eof(), 1);
}

// /dev/full takes nothing; from then on the stream stays failed, its
// windows closed.
TEST_F(FileStream, AFullDiskFailsTheStream) {
    std::unique_ptr<qyFileStream> full(qyFileStream::open("/dev/full", qyFileStream::Mode::update));
    ASSERT_NE(full, nullptr);
    std::string block(qyFileStream::kBufferSize, 'x');
    EXPECT_EQ(full->write(block.data(), qyFileStream::kBufferSize), 0);  // straight to the device
    EXPECT_EQ(full->readByte(), -1);
    EXPECT_EQ(full->avail(), 0);
    EXPECT_EQ(full->eof(), -1);
    EXPECT_EQ(full->writeValue<4>(1), 0);
}

using FileSystem = ScratchFolder;

TEST_F(FileSystem, CopyingAFileOntoItselfLeavesItIntact) {
    PlatformFileSystem fileSystem;
    write("same.bin", "keep me");
    EXPECT_FALSE(fileSystem.copyFile(path("same.bin").c_str(), path("SAME.bin").c_str()));
    EXPECT_EQ(read("same.bin"), "keep me");
    write("other.bin", "old old old");
    EXPECT_TRUE(fileSystem.copyFile(path("same.bin").c_str(), path("other.bin").c_str()));
    EXPECT_EQ(read("other.bin"), "keep me");
}

TEST_F(FileSystem, ListingsAreKnownUntilClosed) {
    auto fileSystem = std::make_unique<PlatformFileSystem>();
    PlatformDir* dir = fileSystem->openDir(folder_.c_str());
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(fileSystem->verifyDir(dir), dir);
    EXPECT_EQ(fileSystem->verifyDir(nullptr), nullptr);
    fileSystem->closeDir(dir);
    EXPECT_EQ(fileSystem->verifyDir(dir), nullptr);
    fileSystem->closeDir(dir);  // closing twice does nothing
    EXPECT_NE(fileSystem->openDir(folder_.c_str()), nullptr);
    fileSystem.reset();  // closes the listing left open
}

}  // namespace
}  // namespace korva
