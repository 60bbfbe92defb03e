// Linking of module images, including damaged ones, and link names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "startup/link_names.h"
#include "startup/module_image.h"

namespace korva {
namespace {

struct Entry {
    std::string name;
    int32_t offset;
};

// Builds image bytes field by field, so tests can also write broken ones.
class ImageBytes {
public:
    ImageBytes& i32(int32_t value) {
        uint8_t raw[4];
        std::memcpy(raw, &value, 4);
        bytes.insert(bytes.end(), raw, raw + 4);
        return *this;
    }
    ImageBytes& code(const std::vector<uint8_t>& code) {
        i32(static_cast<int32_t>(code.size()));
        bytes.insert(bytes.end(), code.begin(), code.end());
        return *this;
    }
    ImageBytes& table(const std::vector<Entry>& entries) {
        i32(static_cast<int32_t>(entries.size()));
        for (const Entry& entry : entries) {
            bytes.insert(bytes.end(), entry.name.begin(), entry.name.end());
            bytes.push_back(0);
            i32(entry.offset);
        }
        return *this;
    }
    std::vector<uint8_t> bytes;
};

LinkResult link(const std::vector<uint8_t>& image, const RuntimeLinkTable& runtime = {}) {
    return linkModuleImage(image.data(), image.size(), runtime);
}

uint32_t wordAt(const LinkResult& result, size_t offset) {
    uint32_t value;
    std::memcpy(&value, static_cast<uint8_t*>(result.code) + offset, 4);
    return value;
}

uint32_t addressOf(const LinkResult& result) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(result.code)); }

const std::vector<uint8_t> kTwelveBytes = {0xE8, 0xFC, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x90, 0x90, 0xC3};

TEST(ModuleImage, RelocationsAddTheirTargets) {
    // A call's rel32 (addend -4) at 1, an absolute word (addend 0) at 5.
    auto image = ImageBytes().code(kTwelveBytes).table({{"__MAIN", 0}, {"_local", 9}})
                     .table({{"_fcommand", 1}}).table({{"_local", 5}}).bytes;
    LinkResult linked = link(image, {{"_fcommand", 0x12345678}});
    ASSERT_EQ(linked.status, LinkResult::Status::linked);
    const uint32_t base = addressOf(linked);
    EXPECT_EQ(wordAt(linked, 1), 0x12345678u - (base + 1) - 4);
    EXPECT_EQ(wordAt(linked, 5), base + 9);
}

TEST(ModuleImage, ProgramSymbolsHideRuntimeSymbols) {
    auto image = ImageBytes().code(kTwelveBytes).table({{"_fcommand", 9}}).table({}).table({{"_fcommand", 5}}).bytes;
    LinkResult linked = link(image, {{"_fcommand", 0x12345678}});
    ASSERT_EQ(linked.status, LinkResult::Status::linked);
    EXPECT_EQ(wordAt(linked, 5), addressOf(linked) + 9);
}

TEST(ModuleImage, SymbolOffsetsMustLieInsideTheCode) {
    auto lastByte = ImageBytes().code(kTwelveBytes).table({{"_end", 11}}).table({}).table({}).bytes;
    EXPECT_EQ(link(lastByte).status, LinkResult::Status::linked);
    auto pastEnd = ImageBytes().code(kTwelveBytes).table({{"_end", 12}}).table({}).table({}).bytes;
    EXPECT_EQ(link(pastEnd).status, LinkResult::Status::imageError);
    EXPECT_EQ(link(pastEnd).problem, "module symbol '_end' at offset 12 lies outside the 12 bytes of code");
    auto negative = ImageBytes().code(kTwelveBytes).table({{"_neg", -1}}).table({}).table({}).bytes;
    EXPECT_EQ(link(negative).status, LinkResult::Status::imageError);
}

TEST(ModuleImage, CountsOfZeroOrLessAreEmptyTables) {
    auto image = ImageBytes().code(kTwelveBytes).i32(-5).i32(0).table({{"_fcommand", 1}}).bytes;
    LinkResult linked = link(image, {{"_fcommand", 100}});
    ASSERT_EQ(linked.status, LinkResult::Status::linked);
}

TEST(ModuleImage, MissingSymbolIsNamed) {
    auto image = ImageBytes().code(kTwelveBytes).table({}).table({{"_fnosuchcommand", 1}}).table({}).bytes;
    LinkResult linked = link(image);
    EXPECT_EQ(linked.status, LinkResult::Status::missingSymbol);
    EXPECT_EQ(linkFailureMessage(linked), "Can't find symbol: _fnosuchcommand");
}

TEST(ModuleImage, DamagedImagesAreTheImageError) {
    const auto whole = ImageBytes().code(kTwelveBytes).table({{"__MAIN", 0}}).table({{"_f", 1}}).table({}).bytes;
    // Every truncation of a valid image is refused, never read past.
    for (size_t length = 0; length < whole.size(); ++length) {
        std::vector<uint8_t> truncated(whole.begin(), whole.begin() + static_cast<long>(length));
        EXPECT_EQ(link(truncated, {{"_f", 1}}).status, LinkResult::Status::imageError) << length;
    }
    auto unterminated = ImageBytes().code(kTwelveBytes).i32(1).bytes;
    unterminated.insert(unterminated.end(), {'_', 'x'});
    EXPECT_EQ(link(unterminated).status, LinkResult::Status::imageError);
    EXPECT_EQ(link(unterminated).problem, "truncated in the module symbol table, at entry 1 of 1");
    auto hugeCount = ImageBytes().code(kTwelveBytes).i32(0x7FFFFFFF).bytes;
    EXPECT_EQ(link(hugeCount).status, LinkResult::Status::imageError);
    auto lyingCodeSize = ImageBytes().i32(1000).bytes;
    EXPECT_EQ(link(lyingCodeSize).status, LinkResult::Status::imageError);
    EXPECT_EQ(link(lyingCodeSize).problem, "truncated: the code size is 1000 bytes, 0 follow");
    auto siteOutside = ImageBytes().code(kTwelveBytes).table({}).table({}).table({{"_f", 9}}).bytes;
    EXPECT_EQ(link(siteOutside, {{"_f", 1}}).status, LinkResult::Status::imageError);
    EXPECT_EQ(link(siteOutside, {{"_f", 1}}).problem,
              "the relocation site of '_f' at offset 9 lies outside the 12 bytes of code");
    EXPECT_EQ(linkFailureMessage(link(lyingCodeSize)), "Unable to run Korva Basic module");
}

TEST(LinkNames, FromDeclarations) {
    EXPECT_EQ(linkNameOf("_qyStrLoad"), "__qyStrLoad");
    EXPECT_EQ(linkNameOf("_qyDebugStmt"), "__qyDebugStmt");
    EXPECT_EQ(linkNameOf("%LoadImage$bmpfile"), "_floadimage");
    EXPECT_EQ(linkNameOf("Flip%vwait=1"), "_fflip");
    EXPECT_EQ(linkNameOf("$CommandLine"), "_fcommandline");
    EXPECT_EQ(linkNameOf("End"), "_fend");
    EXPECT_EQ(linkNameOf("%Instr$string$find%from=1"), "_finstr");
    EXPECT_EQ(linkNameOf("#Rnd#from#to=0"), "_frnd");
    EXPECT_EQ(linkNameOf("AppTitle$title$close_prompt=\"\""), "_fapptitle");
    EXPECT_EQ(linkNameOf("Key_2D%x"), "_fkey_2d");
}

}  // namespace
}  // namespace korva
