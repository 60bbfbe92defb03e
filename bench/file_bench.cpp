// File streams as programs use them: bulk transfers between a bank and a
// file (ReadBytes, WriteBytes) and byte-by-byte writing (WriteByte), each
// beside the same work done directly with the C library's buffered files.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../tests/unit/module_commands.h"
#include "comparison.h"
#include "core/str_pool.h"

namespace {

using namespace korva;

constexpr int32_t kChunk = 1 << 20;
constexpr int32_t kChunks = 64;  // 64 MB per iteration
constexpr int32_t kBytesWritten = 1 << 20;

std::string scratchFile(const char* name) { return "/tmp/korva-bench-" + std::to_string(getpid()) + "-" + name; }

// One file of the full bulk size, made once, read by both sides.
const std::string& bulkFile() {
    static const std::string path = [] {
        std::string file = scratchFile("bulk");
        std::vector<char> chunk(kChunk, 'k');
        FILE* out = std::fopen(file.c_str(), "wb");
        for (int i = 0; i < kChunks; ++i) std::fwrite(chunk.data(), 1, chunk.size(), out);
        std::fclose(out);
        return file;
    }();
    return path;
}

// The commands, as compiled code reaches them.
struct FileCommands {
    int32_t (*readFile)(qyStr*) = commandOf<int32_t(qyStr*)>(filesystemModule, "%ReadFile$filename");
    int32_t (*writeFile)(qyStr*) = commandOf<int32_t(qyStr*)>(filesystemModule, "%WriteFile$filename");
    void (*closeFile)(int32_t) = commandOf<void(int32_t)>(filesystemModule, "CloseFile%file_stream");
    int32_t (*seekFile)(int32_t, int32_t) = commandOf<int32_t(int32_t, int32_t)>(filesystemModule, "%SeekFile%file_stream%pos");
    int32_t (*createBank)(int32_t) = commandOf<int32_t(int32_t)>(bankModule, "%CreateBank%size=0");
    void (*freeBank)(int32_t) = commandOf<void(int32_t)>(bankModule, "FreeBank%bank");
    using Transfer = int32_t(int32_t, int32_t, int32_t, int32_t);
    Transfer* readBytes = commandOf<Transfer>(bankModule, "%ReadBytes%bank%file%offset%count");
    Transfer* writeBytes = commandOf<Transfer>(bankModule, "%WriteBytes%bank%file%offset%count");
    void (*writeByte)(int32_t, int32_t) = commandOf<void(int32_t, int32_t)>(streamModule, "WriteByte%stream%byte");
};

void BM_FileBulkRead(benchmark::State& state) {
    const FileCommands commands;
    const int32_t file = commands.readFile(strFromText(bulkFile().c_str()));
    const int32_t bank = commands.createBank(kChunk);
    for (auto _ : state) {
        commands.seekFile(file, 0);
        for (int i = 0; i < kChunks; ++i) benchmark::DoNotOptimize(commands.readBytes(bank, file, 0, kChunk));
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kChunk} * kChunks);
    commands.freeBank(bank);
    commands.closeFile(file);
}
BENCHMARK(BM_FileBulkRead)->Unit(benchmark::kMillisecond);

void BM_FreadBulk(benchmark::State& state) {
    FILE* file = std::fopen(bulkFile().c_str(), "rb");
    std::vector<char> buffer(kChunk);
    for (auto _ : state) {
        std::fseek(file, 0, SEEK_SET);
        for (int i = 0; i < kChunks; ++i) benchmark::DoNotOptimize(std::fread(buffer.data(), 1, kChunk, file));
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kChunk} * kChunks);
    std::fclose(file);
}
BENCHMARK(BM_FreadBulk)->Unit(benchmark::kMillisecond);

void BM_FileBulkWrite(benchmark::State& state) {
    const FileCommands commands;
    const std::string path = scratchFile("write-ours");
    const int32_t file = commands.writeFile(strFromText(path.c_str()));
    const int32_t bank = commands.createBank(kChunk);
    for (auto _ : state) {
        commands.seekFile(file, 0);
        for (int i = 0; i < kChunks; ++i) benchmark::DoNotOptimize(commands.writeBytes(bank, file, 0, kChunk));
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kChunk} * kChunks);
    commands.freeBank(bank);
    commands.closeFile(file);
    std::remove(path.c_str());
}
BENCHMARK(BM_FileBulkWrite)->Unit(benchmark::kMillisecond);

void BM_FwriteBulk(benchmark::State& state) {
    const std::string path = scratchFile("write-reference");
    FILE* file = std::fopen(path.c_str(), "wb");
    std::vector<char> buffer(kChunk);
    for (auto _ : state) {
        std::fseek(file, 0, SEEK_SET);
        for (int i = 0; i < kChunks; ++i) benchmark::DoNotOptimize(std::fwrite(buffer.data(), 1, kChunk, file));
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kChunk} * kChunks);
    std::fclose(file);
    std::remove(path.c_str());
}
BENCHMARK(BM_FwriteBulk)->Unit(benchmark::kMillisecond);

void BM_FileByteWrite(benchmark::State& state) {
    const FileCommands commands;
    const std::string path = scratchFile("bytes-ours");
    const int32_t file = commands.writeFile(strFromText(path.c_str()));
    for (auto _ : state) {
        commands.seekFile(file, 0);
        for (int32_t i = 0; i < kBytesWritten; ++i) commands.writeByte(file, i);
    }
    state.SetItemsProcessed(state.iterations() * kBytesWritten);
    commands.closeFile(file);
    std::remove(path.c_str());
}
BENCHMARK(BM_FileByteWrite);

void BM_FputcBytes(benchmark::State& state) {
    const std::string path = scratchFile("bytes-reference");
    FILE* file = std::fopen(path.c_str(), "wb");
    for (auto _ : state) {
        std::fseek(file, 0, SEEK_SET);
        for (int32_t i = 0; i < kBytesWritten; ++i) std::fputc(i, file);
    }
    state.SetItemsProcessed(state.iterations() * kBytesWritten);
    std::fclose(file);
    std::remove(path.c_str());
}
BENCHMARK(BM_FputcBytes);

// The bulk file is removed when the benchmark program ends.
struct BulkFileRemoval {
    ~BulkFileRemoval() { std::remove(scratchFile("bulk").c_str()); }
} bulkFileRemoval;

}  // namespace

KORVA_COMPARISON("file_bulk_read", "BM_FileBulkRead", "BM_FreadBulk");
KORVA_COMPARISON("file_bulk_write", "BM_FileBulkWrite", "BM_FwriteBulk");
KORVA_COMPARISON("file_byte_write", "BM_FileByteWrite", "BM_FputcBytes");
