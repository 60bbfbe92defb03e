// Images that cannot run, under korva-run and as packed games: the message
// and exit status, never a crash.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "e2e_support.h"

namespace korva::test {
namespace {

const std::string kImageError = "Unable to run Korva Basic module\n";

// An image whose only relocation names a symbol nobody defines: code of 8
// bytes (ret and padding), no symbols, one relative relocation.
std::vector<uint8_t> imageMissing(const std::string& symbol) {
    std::vector<uint8_t> image = {8, 0, 0, 0, 0xC3, 0x90, 0x90, 0x90, 0xFC, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 1, 0, 0, 0};
    for (char c : symbol) image.push_back(static_cast<uint8_t>(c));
    image.insert(image.end(), {0, 4, 0, 0, 0, 0, 0, 0, 0});
    return image;
}

// korva-run keeps the line a player sees and says why on a second one.
TEST(ImageFailure, KorvaRunReportsUnreadableAndDamagedImagesWithTheReason) {
    const std::string absent = tempFile("no-such-image");
    ProcessResult missing = runProcess({binPath("korva-run"), absent});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, kImageError + ("korva-run: " + absent + ": cannot read it (No such file or directory)\n"));

    const auto good = readBytes(imagePath("faults"));
    ASSERT_GT(good.size(), 64u);
    const std::string path = tempFile("truncated.kbi");
    const std::pair<size_t, std::string> cases[] = {
        {3, "too short to be a module image"},
        {40, "truncated: the code size is "},
        {good.size() - 1, "truncated "},
    };
    for (const auto& [keep, reason] : cases) {
        writeBytes(path, std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(keep)));
        ProcessResult run = runProcess({binPath("korva-run"), path});
        EXPECT_EQ(run.status, 1) << keep;
        EXPECT_EQ(run.err.rfind(kImageError + ("korva-run: " + path + ": " + reason), 0), 0u) << run.err;
        EXPECT_EQ(lines(run.err).size(), 2u) << run.err;
    }
    unlink(path.c_str());
}

TEST(ImageFailure, KorvaRunNamesAMissingSymbol) {
    const std::string path = tempFile("missing.kbi");
    writeBytes(path, imageMissing("_fnosuchcommand"));
    ProcessResult run = runProcess({binPath("korva-run"), path});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Can't find symbol: _fnosuchcommand\n");
    unlink(path.c_str());
}

// One convention for every tool: usage errors give the problem and the usage
// with status 2, --help the help on standard output with 0.
TEST(ImageFailure, ToolsShareOneUsageConvention) {
    for (const char* tool : {"korva-run", "korva-mkimage", "korva-pack", "korva-sdkgen"}) {
        SCOPED_TRACE(tool);
        ProcessResult wrong = runProcess({binPath(tool), "--no-such-option"});
        EXPECT_EQ(wrong.status, 2);
        const auto errLines = lines(wrong.err);
        ASSERT_GE(errLines.size(), 2u);
        EXPECT_EQ(errLines[0].rfind(std::string(tool) + ": ", 0), 0u) << errLines[0];
        EXPECT_EQ(errLines[1].rfind(std::string("usage: ") + tool + " ", 0), 0u) << errLines[1];
        ProcessResult help = runProcess({binPath(tool), "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(std::string("usage: ") + tool + " ", 0), 0u);
        EXPECT_NE(help.out.find("Exit status: 0"), std::string::npos);
    }
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
