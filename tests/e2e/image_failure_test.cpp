// Images that cannot run, under korva-run and as packed games: the message
// and exit status, never a crash.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "e2e_support.h"

namespace korva::test {
namespace {

const char kImageError[] = "Unable to run Korva Basic module\n";

// An image whose only relocation names a symbol nobody defines: code of 8
// bytes (ret and padding), no symbols, one relative relocation.
std::vector<uint8_t> imageMissing(const std::string& symbol) {
    std::vector<uint8_t> image = {8, 0, 0, 0, 0xC3, 0x90, 0x90, 0x90, 0xFC, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 1, 0, 0, 0};
    for (char c : symbol) image.push_back(static_cast<uint8_t>(c));
    image.insert(image.end(), {0, 4, 0, 0, 0, 0, 0, 0, 0});
    return image;
}

TEST(ImageFailure, KorvaRunReportsUnreadableAndDamagedImages) {
    ProcessResult missing = runProcess({binPath("korva-run"), tempFile("no-such-image")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, kImageError);

    const auto good = readBytes(imagePath("faults"));
    ASSERT_GT(good.size(), 64u);
    for (size_t keep : {size_t{3}, size_t{40}, good.size() - 1}) {
        const std::string path = tempFile("truncated.kbi");
        writeBytes(path, std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(keep)));
        ProcessResult run = runProcess({binPath("korva-run"), path});
        EXPECT_EQ(run.status, 2) << keep;
        EXPECT_EQ(run.err, kImageError) << keep;
        unlink(path.c_str());
    }
}

TEST(ImageFailure, KorvaRunNamesAMissingSymbol) {
    const std::string path = tempFile("missing.kbi");
    writeBytes(path, imageMissing("_fnosuchcommand"));
    ProcessResult run = runProcess({binPath("korva-run"), path});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Can't find symbol: _fnosuchcommand\n");
    unlink(path.c_str());
}

TEST(ImageFailure, PackedGameRunsWithItsArguments) {
    const std::string game = packGame(imagePath("system_commands"), "game");
    ProcessResult run = runProcess({game, "  hello", "world  "});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");  // no host: DebugLog goes nowhere
    EXPECT_EQ(run.err, "");
    // Packing a packed game replaces its image.
    const std::string repacked = tempFile("repacked");
    ProcessResult packed = runProcess({binPath("korva-pack"), "--runtime", game, imagePath("faults"), repacked});
    ASSERT_EQ(packed.status, 0);
    EXPECT_EQ(runProcess({repacked, "1"}).err, "Error!: Integer divide by zero\n");
    unlink(game.c_str());
    unlink(repacked.c_str());
}

TEST(ImageFailure, PackedGameWithMissingSymbolExitsWithZero) {
    const std::string image = tempFile("missing-symbol.kbi");
    writeBytes(image, imageMissing("_fnothere"));
    const std::string game = packGame(image, "missing-game");
    ProcessResult run = runProcess({game});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "Can't find symbol: _fnothere\n");
    unlink(image.c_str());
    unlink(game.c_str());
}

TEST(ImageFailure, RuntimeWithoutImageOrWithALyingDirectoryExitsWith255) {
    ProcessResult bare = runProcess({binPath("korva")});
    EXPECT_EQ(bare.status, 255);
    EXPECT_EQ(bare.err, kImageError);

    const std::string game = packGame(imagePath("faults"), "lying-game");
    auto bytes = readBytes(game);
    const uint32_t lie = 0x7FFFFFF0;
    std::memcpy(bytes.data() + bytes.size() - 8, &lie, 4);  // the trailer's entry count
    writeBytes(game, bytes);
    ProcessResult lying = runProcess({game});
    EXPECT_EQ(lying.status, 255);
    EXPECT_EQ(lying.err, kImageError);
    unlink(game.c_str());
}

}  // namespace
}  // namespace korva::test
