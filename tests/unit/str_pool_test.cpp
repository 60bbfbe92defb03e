#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/block_registry.h"
#include "core/str_pool.h"
#include "core/string_routines.h"
#include "startup/declaration.h"

namespace korva {
extern const ModuleDefinition basicModule;
}

namespace {

using namespace korva;

std::string_view textOf(const qyStr* str) {
    return {strText(str), strLength(str)};
}

bool isTerminated(const qyStr* str) {
    return strText(str)[strLength(str)] == '\0';
}

class StrPoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        strPoolStart();
        blocksAtStart_ = blockCount();
    }
    void TearDown() override {
        strPoolStop();
        blockFreeAll();
    }

    std::vector<qyStr*> newStrings(size_t count) {
        std::vector<qyStr*> strings;
        for (size_t i = 0; i < count; ++i) strings.push_back(strNew());
        return strings;
    }

    static void releaseAll(const std::vector<qyStr*>& strings) {
        for (qyStr* str : strings) strRelease(str);
    }

    size_t newBlocks() const { return blockCount() - blocksAtStart_; }

private:
    size_t blocksAtStart_ = 0;
};

TEST_F(StrPoolTest, NullIsTheEmptyText) {
    EXPECT_STREQ(strText(nullptr), "");
    EXPECT_EQ(strLength(nullptr), 0u);
}

TEST_F(StrPoolTest, NodesOfAFreshBlockComeInAddressOrder) {
    qyStr* first = strNew();
    qyStr* second = strNew();
    qyStr* third = strNew();
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(third, second + 1);
}

TEST_F(StrPoolTest, The513thLiveStringTakesASecondBlock) {
    auto strings = newStrings(kStrNodesPerBlock);
    EXPECT_EQ(newBlocks(), 1u);
    strings.push_back(strNew());
    EXPECT_EQ(newBlocks(), 2u);
    EXPECT_EQ(liveStringCount(), 513);
    releaseAll(strings);
    EXPECT_EQ(liveStringCount(), 0);
    EXPECT_EQ(newBlocks(), 2u);
}

TEST_F(StrPoolTest, ReleasedNodesOfBothBlocksAreAllReusedBeforeAThirdBlock) {
    releaseAll(newStrings(kStrNodesPerBlock + 1));
    auto strings = newStrings(2 * kStrNodesPerBlock);
    EXPECT_EQ(newBlocks(), 2u);
    strings.push_back(strNew());
    EXPECT_EQ(newBlocks(), 3u);
    releaseAll(strings);
}

TEST_F(StrPoolTest, FirstFreedNodeIsFirstReused) {
    auto strings = newStrings(kStrNodesPerBlock);  // the free ring is now empty
    qyStr* a = strings[10];
    qyStr* b = strings[20];
    strRelease(b);
    strRelease(a);
    EXPECT_EQ(strNew(), b);
    EXPECT_EQ(strNew(), a);
    EXPECT_EQ(newBlocks(), 1u);
}

TEST_F(StrPoolTest, LiveCountFollowsEveryCreationAndRelease) {
    qyStr* empty = strNew();
    qyStr* text = strFromText("abc");
    qyStr* bytes = strFromBytes("xyz", 2);
    qyStr* fromNull = strFromText(nullptr);
    EXPECT_EQ(liveStringCount(), 4);
    strRelease(nullptr);
    EXPECT_EQ(liveStringCount(), 4);
    strRelease(text);
    strRelease(empty);
    EXPECT_EQ(liveStringCount(), 2);
    EXPECT_EQ(textOf(bytes), "xy");
    EXPECT_EQ(textOf(fromNull), "");
}

TEST_F(StrPoolTest, TextsKeepEmbeddedZerosAndATerminator) {
    qyStr* str = strFromBytes("a\0b", 3);
    EXPECT_EQ(textOf(str), std::string_view("a\0b", 3));
    EXPECT_TRUE(isTerminated(str));
}

TEST_F(StrPoolTest, AppendingBeyondTheInlineBufferKeepsTheText) {
    std::string expected;
    qyStr* str = strNew();
    for (int i = 0; i < 200; ++i) {
        std::string piece = std::to_string(i) + ",";
        strAppend(str, piece.data(), piece.size());
        expected += piece;
        ASSERT_EQ(textOf(str), expected);
        ASSERT_TRUE(isTerminated(str));
    }
    EXPECT_GT(strLength(str), kStrInlineCapacity);
}

TEST_F(StrPoolTest, AppendingATextToItselfWhileGrowing) {
    std::string expected(kStrInlineCapacity - 3, 'q');
    qyStr* str = strFromBytes(expected.data(), expected.size());
    for (int i = 0; i < 4; ++i) {
        strAppend(str, strText(str), strLength(str));
        expected += expected;
        ASSERT_EQ(textOf(str), expected);
    }
}

TEST_F(StrPoolTest, LongTextFitsExactlyAtTheInlineLimit) {
    std::string atLimit(kStrInlineCapacity, 'x');
    std::string beyond(kStrInlineCapacity + 1, 'y');
    qyStr* inlineStr = strFromBytes(atLimit.data(), atLimit.size());
    qyStr* heapStr = strFromBytes(beyond.data(), beyond.size());
    EXPECT_EQ(textOf(inlineStr), atLimit);
    EXPECT_EQ(textOf(heapStr), beyond);
    EXPECT_TRUE(isTerminated(inlineStr));
    EXPECT_TRUE(isTerminated(heapStr));
}

TEST_F(StrPoolTest, StopReleasesEveryNodeStillInUse) {
    std::string longText(300, 'z');
    strFromText("held by the program");
    strFromBytes(longText.data(), longText.size());
    strPoolStop();
    EXPECT_EQ(liveStringCount(), 0);
    blockFreeAll();
    EXPECT_EQ(blockCount(), 0u);
    strPoolStart();
    qyStr* str = strFromText("after restart");
    EXPECT_EQ(textOf(str), "after restart");
    EXPECT_EQ(liveStringCount(), 1);
}

// The routines compiled code calls.

TEST_F(StrPoolTest, LoadOfANullVariableGivesANewEmptyNode) {
    qyStr* variable = nullptr;
    qyStr* loaded = qyStrLoad(&variable);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(textOf(loaded), "");
    EXPECT_EQ(liveStringCount(), 1);
    EXPECT_EQ(variable, nullptr);
}

TEST_F(StrPoolTest, LoadCopiesAndLeavesTheVariableAlone) {
    qyStr* variable = qyStrConst("hello");
    qyStr* loaded = qyStrLoad(&variable);
    EXPECT_NE(loaded, variable);
    EXPECT_EQ(textOf(loaded), "hello");
    strAppend(loaded, "!", 1);
    EXPECT_EQ(textOf(variable), "hello");
    EXPECT_EQ(liveStringCount(), 2);
}

TEST_F(StrPoolTest, LoadCopiesTextsOnEitherSideOfTheInlineLimit) {
    for (size_t length : {kStrInlineCapacity, kStrInlineCapacity + 1, size_t{1000}}) {
        std::string text(length, 'm');
        qyStr* variable = strFromBytes(text.data(), text.size());
        qyStr* loaded = qyStrLoad(&variable);
        EXPECT_EQ(textOf(loaded), text);
        EXPECT_TRUE(isTerminated(loaded));
        strAppend(loaded, "+", 1);
        EXPECT_EQ(textOf(variable), text);
    }
}

TEST_F(StrPoolTest, StoreReleasesTheOldValueAndTakesTheNewOne) {
    qyStr* variable = nullptr;
    qyStrStore(&variable, qyStrConst("one"));
    EXPECT_EQ(liveStringCount(), 1);
    qyStrStore(&variable, qyStrConst("two"));
    EXPECT_EQ(liveStringCount(), 1);
    EXPECT_EQ(textOf(variable), "two");
    qyStrStore(&variable, nullptr);
    EXPECT_EQ(variable, nullptr);
    EXPECT_EQ(liveStringCount(), 0);
    qyStrRelease(nullptr);
    EXPECT_EQ(liveStringCount(), 0);
}

TEST_F(StrPoolTest, StoringTheNodeAVariableAlreadyHoldsKeepsIt) {
    qyStr* variable = qyStrConst("kept");
    qyStrStore(&variable, variable);
    EXPECT_EQ(textOf(variable), "kept");
    EXPECT_EQ(liveStringCount(), 1);
}

int32_t compare(const char* a, const char* b) {
    return qyStrCompare(qyStrConst(a), qyStrConst(b));
}

TEST_F(StrPoolTest, CompareOrdersByBytesThenLength) {
    EXPECT_LT(compare("abc", "abcd"), 0);
    EXPECT_GT(compare("abcd", "abc"), 0);
    EXPECT_GT(compare("b", "abc"), 0);
    EXPECT_LT(compare("abc", "b"), 0);
    EXPECT_EQ(compare("", ""), 0);
    EXPECT_EQ(compare("same", "same"), 0);
    EXPECT_LT(compare("", "a"), 0);
    EXPECT_EQ(liveStringCount(), 0);
}

TEST_F(StrPoolTest, CompareTreatsBytesAsUnsigned) {
    const char high[] = {static_cast<char>(200), '\0'};
    EXPECT_GT(compare(high, "z"), 0);
    EXPECT_GT(compare(high, "Z"), 0);
    EXPECT_LT(compare("a", high), 0);
}

TEST_F(StrPoolTest, CompareLooksPastEmbeddedZeros) {
    EXPECT_LT(qyStrCompare(strFromBytes("a\0b", 3), strFromBytes("a\0c", 3)), 0);
    EXPECT_GT(qyStrCompare(strFromBytes("a\0", 2), strFromBytes("a", 1)), 0);
}

TEST_F(StrPoolTest, ConcatAppendsInPlaceAndConsumesTheSecond) {
    qyStr* a = qyStrConst("foo");
    qyStr* result = qyStrConcat(a, qyStrConst("bar"));
    EXPECT_EQ(result, a);
    EXPECT_EQ(textOf(result), "foobar");
    EXPECT_EQ(liveStringCount(), 1);
    result = qyStrConcat(result, qyStrConst(""));
    EXPECT_EQ(textOf(result), "foobar");
    EXPECT_EQ(liveStringCount(), 1);
}

TEST_F(StrPoolTest, ConversionsCreateAndConsumeNodes) {
    qyStr* intText = qyStrFromInt(-42);
    qyStr* floatText = qyStrFromFloat(0.5f);
    EXPECT_EQ(textOf(intText), "-42");
    EXPECT_EQ(textOf(floatText), "0.5");
    EXPECT_EQ(liveStringCount(), 2);
    EXPECT_EQ(qyStrToInt(intText), -42);
    EXPECT_EQ(qyStrToFloat(floatText), 0.5f);
    EXPECT_EQ(liveStringCount(), 0);
}

// The block registry under the pool.

TEST(BlockRegistryTest, ExplicitFreeRemovesOnlyThatBlock) {
    size_t before = blockCount();
    void* first = blockAllocate(16);
    void* second = blockAllocate(32);
    void* third = blockAllocate(0);
    EXPECT_EQ(blockCount(), before + 3);
    blockFree(second);
    EXPECT_EQ(blockCount(), before + 2);
    blockFree(second);  // no longer registered: must not be freed twice
    blockFree(nullptr);
    EXPECT_EQ(blockCount(), before + 2);
    blockFree(first);
    blockFree(third);
    EXPECT_EQ(blockCount(), before);
}

TEST(BlockRegistryTest, FreeAllEmptiesTheRegistry) {
    size_t before = blockCount();
    for (int i = 0; i < 5; ++i) std::memset(blockAllocate(64), 0xAB, 64);
    EXPECT_EQ(blockCount(), before + 5);
    blockFreeAll();
    EXPECT_EQ(blockCount(), 0u);
}

// The basic module's table and lifetime.

TEST(BasicModuleTest, DeclaresTypeKindsThenStringRoutines) {
    const char* expected[] = {"_qyIntType",    "_qyFltType",     "_qyStrType",    "_qyCStrType",
                              "_qyStrLoad",    "_qyStrRelease",  "_qyStrStore",   "_qyStrCompare",
                              "_qyStrConcat",  "_qyStrToInt",    "_qyStrFromInt", "_qyStrToFloat",
                              "_qyStrFromFloat", "_qyStrConst"};
    auto declarations = basicModule.declarations;
    ASSERT_GE(declarations.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) EXPECT_STREQ(declarations[i].text, expected[i]);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(*static_cast<const int32_t*>(declarations[i].address), static_cast<int32_t>(i + 1));
    // Compiled code reaches the routines through their entries.
    EXPECT_EQ(declarations[4].address, reinterpret_cast<const void*>(&declaration_detail::Entry<qyStrLoad>::call));
    EXPECT_STREQ(basicModule.name, "basic");
}

TEST(BasicModuleTest, DestroyReleasesStringsAndFreesBlocks) {
    size_t before = blockCount();
    ASSERT_TRUE(basicModule.create());
    qyStr* variable = nullptr;
    qyStrStore(&variable, qyStrConst("left over by the program"));
    EXPECT_EQ(liveStringCount(), 1);
    EXPECT_EQ(blockCount(), before + 1);
    basicModule.destroy();
    EXPECT_EQ(liveStringCount(), 0);
    EXPECT_EQ(blockCount(), 0u);
}

}  // namespace
