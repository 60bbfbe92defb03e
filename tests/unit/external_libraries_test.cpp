// The CallDLL library cache and its call thunk, with a loader that counts
// every look-up and hands out functions of this test.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "platform/external_libraries.h"

namespace korva {
namespace {

int sumSizes(void* in, int32_t inSize, void* out, int32_t outSize) {
    if (outSize >= 4) std::memcpy(out, in, 4);
    return inSize + outSize;
}

__attribute__((stdcall)) int productOfSizes(void*, int32_t inSize, void*, int32_t outSize) {
    return inSize * outSize;
}

struct LoaderLog {
    int opens = 0, symbols = 0, closes = 0;
};
LoaderLog loaderLog;

int libraryToken;  // its address stands for the one library the fake loader knows

void* fakeOpen(const char* name) {
    ++loaderLog.opens;
    return std::strcmp(name, "libtest.so") == 0 ? &libraryToken : nullptr;
}

void* fakeSymbol(void*, const char* name) {
    ++loaderLog.symbols;
    if (std::strcmp(name, "sum") == 0) return reinterpret_cast<void*>(&sumSizes);
    if (std::strcmp(name, "product") == 0) return reinterpret_cast<void*>(&productOfSizes);
    return nullptr;
}

void fakeClose(void*) { ++loaderLog.closes; }

const LibraryLoader kFakeLoader{fakeOpen, fakeSymbol, fakeClose};

class ExternalLibrariesTest : public testing::Test {
protected:
    void SetUp() override { loaderLog = {}; }
};

TEST_F(ExternalLibrariesTest, ASecondCallLooksNothingUp) {
    ExternalLibraries libraries(kFakeLoader);
    char in[4] = {1, 2, 3, 4}, out[4] = {};
    EXPECT_EQ(libraries.call("libtest.so", "sum", in, 4, out, 4), 8);
    EXPECT_EQ(std::memcmp(in, out, 4), 0);
    EXPECT_EQ(libraries.call("libtest.so", "sum", in, 3, nullptr, 0), 3);
    EXPECT_EQ(loaderLog.opens, 1);
    EXPECT_EQ(loaderLog.symbols, 1);
}

TEST_F(ExternalLibrariesTest, FunctionsThatPopTheirOwnArgumentsReturnToAnIntactStack) {
    ExternalLibraries libraries(kFakeLoader);
    // Repeated calls would walk the stack away if the thunk did not restore it.
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(libraries.call("libtest.so", "product", nullptr, 6, nullptr, 7), 42);
    EXPECT_EQ(loaderLog.symbols, 1);
}

TEST_F(ExternalLibrariesTest, FailedLookUpsAreNotRemembered) {
    ExternalLibraries libraries(kFakeLoader);
    EXPECT_EQ(libraries.call("libnone.so", "sum", nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(libraries.call("libnone.so", "sum", nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(loaderLog.opens, 2);
    EXPECT_EQ(libraries.call("libtest.so", "none", nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(libraries.call("libtest.so", "none", nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(loaderLog.opens, 3);  // the library itself is kept
    EXPECT_EQ(loaderLog.symbols, 2);
}

TEST_F(ExternalLibrariesTest, NamesAreComparedExactly) {
    ExternalLibraries libraries(kFakeLoader);
    libraries.call("libtest.so", "sum", nullptr, 0, nullptr, 0);
    EXPECT_EQ(libraries.call("LIBTEST.so", "sum", nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(libraries.call("libtest.so", "Sum", nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(loaderLog.opens, 2);
    EXPECT_EQ(loaderLog.symbols, 2);
}

TEST_F(ExternalLibrariesTest, DestructionUnloadsEveryLibraryOnce) {
    {
        ExternalLibraries libraries(kFakeLoader);
        libraries.call("libtest.so", "sum", nullptr, 0, nullptr, 0);
        libraries.call("libtest.so", "product", nullptr, 0, nullptr, 0);
        libraries.call("libnone.so", "sum", nullptr, 0, nullptr, 0);
    }
    EXPECT_EQ(loaderLog.closes, 1);
}

}  // namespace
}  // namespace korva
