#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

#include "core/arithmetic.h"
#include "core/arrays.h"
#include "core/data_statements.h"
#include "language_core_support.h"

namespace korva::test {
namespace {

// A Dim array descriptor with its size words, as the compiler emits it.
template <int Dimensions>
struct DimArray {
    qyArray descriptor;
    int32_t sizes[Dimensions];

    DimArray(int32_t kind, std::array<int32_t, Dimensions> highest) : descriptor{nullptr, kind, Dimensions} {
        for (int k = 0; k < Dimensions; ++k) sizes[k] = highest[k];
    }
    qyArray* array() { return &descriptor; }
};

using ArraysTest = LanguageCoreTest;

bool allZero(const Word* elements, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        if (elements[i].integer != 0) return false;
    return true;
}

TEST_F(ArraysTest, HighestIndexTenGivesElevenZeroElements) {
    DimArray<1> scores(kIntKind, {10});
    EXPECT_EQ(qyDimArray(scores.array()), 0);
    ASSERT_NE(scores.descriptor.storage, nullptr);
    EXPECT_EQ(scores.sizes[0], 11);
    EXPECT_TRUE(allZero(scores.descriptor.storage, 11));
}

TEST_F(ArraysTest, SizeWordsBecomeRunningProducts) {
    DimArray<2> grid(kFloatKind, {3, 4});
    qyDimArray(grid.array());
    EXPECT_EQ(grid.sizes[0], 4);
    EXPECT_EQ(grid.sizes[1], 20);
    EXPECT_TRUE(allZero(grid.descriptor.storage, 20));

    DimArray<3> cube(kIntKind, {1, 2, 3});
    qyDimArray(cube.array());
    EXPECT_EQ(cube.sizes[0], 2);
    EXPECT_EQ(cube.sizes[1], 6);
    EXPECT_EQ(cube.sizes[2], 24);
}

TEST_F(ArraysTest, HighestIndexMinusOneGivesAnEmptyButDimensionedArray) {
    DimArray<2> empty(kStrKind, {5, -1});
    qyDimArray(empty.array());
    EXPECT_NE(empty.descriptor.storage, nullptr);
    EXPECT_EQ(empty.sizes[1], 0);
    qyUndimArray(empty.array());
    EXPECT_EQ(empty.descriptor.storage, nullptr);
}

TEST_F(ArraysTest, UndimensioningANeverDimensionedArrayDoesNothing) {
    DimArray<1> never(kStrKind, {10});
    qyUndimArray(never.array());
    EXPECT_EQ(never.descriptor.storage, nullptr);
    EXPECT_EQ(never.sizes[0], 10);
    EXPECT_EQ(newBlocks(), 0u);
}

TEST_F(ArraysTest, UndimensioningReleasesStringsAndFreesStorage) {
    strRelease(strNew());  // the string block exists before counting
    const int32_t stringsBefore = liveStringCount();
    const size_t blocksBefore = blockCount();
    DimArray<2> names(kStrKind, {2, 1});
    qyDimArray(names.array());
    names.descriptor.storage[0].str = strFromText("a");
    names.descriptor.storage[5].str = strFromText("last");
    qyUndimArray(names.array());
    EXPECT_EQ(liveStringCount(), stringsBefore);
    EXPECT_EQ(blockCount(), blocksBefore);
    EXPECT_EQ(names.descriptor.storage, nullptr);
    EXPECT_EQ(names.sizes[1], 6);  // the running products stay
    qyUndimArray(names.array());   // a second time is harmless
}

TEST_F(ArraysTest, UndimensioningReleasesObjects) {
    UserType<1> ship{{&kIntTypeWord}};
    DimArray<1> fleet(kObjectKind, {3});
    qyDimArray(fleet.array());
    qyObj* held = qyObjNew(ship.type());
    qyObjStore(&fleet.descriptor.storage[1].object, held);
    qyObjStore(&fleet.descriptor.storage[2].object, held);
    qyObjDelete(held);
    EXPECT_EQ(unreleasedObjectCount(), 1);
    qyUndimArray(fleet.array());
    EXPECT_EQ(unreleasedObjectCount(), 0);
}

TEST_F(ArraysTest, RedimensioningAfterUndimStartsFromTheNewIndices) {
    DimArray<1> list(kIntKind, {4});
    qyDimArray(list.array());
    list.descriptor.storage[4].integer = 9;
    qyUndimArray(list.array());
    list.sizes[0] = 7;  // compiled code writes the new highest index
    qyDimArray(list.array());
    EXPECT_EQ(list.sizes[0], 8);
    EXPECT_TRUE(allZero(list.descriptor.storage, 8));
}

// Out of memory: compiled code gets the "Out of memory" runtime error from the
// routine's entry.
TEST_F(ArraysTest, SizesBeyondTheAddressSpaceRunOutOfMemory) {
    DimArray<2> huge(kIntKind, {65535, 65535});
    EXPECT_THROW(qyDimArray(huge.array()), std::bad_alloc);
    DimArray<3> wrapped(kIntKind, {-5, 2, 2});
    EXPECT_THROW(qyDimArray(wrapped.array()), std::bad_alloc);
    DimArray<1> widest(kIntKind, {INT32_MAX});
    EXPECT_THROW(qyDimArray(widest.array()), std::bad_alloc);
}

TEST_F(ArraysTest, VectorsAreZeroedAndReleaseTheirElements) {
    const qyVecType names{kVectorKind, 3, &kStrTypeWord};
    strRelease(strNew());
    const size_t blocksBefore = blockCount();
    Word* vector = qyVecAlloc(&names);
    EXPECT_TRUE(allZero(vector, 3));
    vector[2].str = strFromText("x");
    qyVecFree(vector, &names);
    EXPECT_EQ(liveStringCount(), 0);
    EXPECT_EQ(blockCount(), blocksBefore);
}

TEST_F(ArraysTest, VectorsOfObjectsReleaseTheirReferences) {
    UserType<1> ship{{&kIntTypeWord}};
    const qyVecType fleet{kVectorKind, 2, ship.asField()};
    Word* vector = qyVecAlloc(&fleet);
    qyObj* held = qyObjNew(ship.type());
    qyObjStore(&vector[0].object, held);
    qyObjDelete(held);
    qyVecFree(vector, &fleet);
    EXPECT_EQ(unreleasedObjectCount(), 0);
}

class DataStatementsTest : public LanguageCoreTest {
protected:
    void SetUp() override {
        LanguageCoreTest::SetUp();
        dataCursorReset();
    }
    static DataEntry integer(int32_t value) { DataEntry e{kIntKind, {}}; e.integer = value; return e; }
    static DataEntry real(float value) { DataEntry e{kFloatKind, {}}; e.real = value; return e; }
    static DataEntry text(const char* value) { DataEntry e{kConstTextKind, {}}; e.text = value; return e; }
};

TEST_F(DataStatementsTest, EachKindReadsAsAnInteger) {
    const DataEntry table[] = {integer(-5), real(2.9f), real(-2.9f), text("12abc"), text("  -7"), text("x"), {}};
    qyRestore(table);
    EXPECT_EQ(qyReadInt(), -5);
    EXPECT_EQ(qyReadInt(), 2);
    EXPECT_EQ(qyReadInt(), -2);
    EXPECT_EQ(qyReadInt(), 12);
    EXPECT_EQ(qyReadInt(), -7);
    EXPECT_EQ(qyReadInt(), 0);
}

TEST_F(DataStatementsTest, FloatsBeyondTheIntegerRangeReadAsTheIndefiniteInteger) {
    const DataEntry table[] = {real(3e9f), real(std::numeric_limits<float>::quiet_NaN())};
    qyRestore(table);
    EXPECT_EQ(qyReadInt(), INT32_MIN);
    EXPECT_EQ(qyReadInt(), INT32_MIN);
}

TEST_F(DataStatementsTest, EachKindReadsAsAFloat) {
    const DataEntry table[] = {integer(16777217), real(0.5f), text("12abc"), text("1e3"), text(".5")};
    qyRestore(table);
    EXPECT_EQ(qyReadFloat(), 16777216.0f);
    EXPECT_EQ(qyReadFloat(), 0.5f);
    EXPECT_EQ(qyReadFloat(), 12.0f);
    EXPECT_EQ(qyReadFloat(), 1000.0f);
    EXPECT_EQ(qyReadFloat(), 0.5f);
}

TEST_F(DataStatementsTest, EachKindReadsAsAString) {
    const DataEntry table[] = {integer(-42), real(0.0001f), text("hello"), text("")};
    qyRestore(table);
    EXPECT_EQ(consumed(qyReadStr()), "-42");
    EXPECT_EQ(consumed(qyReadStr()), "1.e-004");
    EXPECT_EQ(consumed(qyReadStr()), "hello");
    qyStr* empty = qyReadStr();
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(consumed(empty), "");
    EXPECT_EQ(liveStringCount(), 0);
}

TEST_F(DataStatementsTest, RestoreRewindsOrSkips) {
    const DataEntry table[] = {integer(1), integer(2), integer(3), {}};
    qyRestore(table);
    EXPECT_EQ(qyReadInt(), 1);
    EXPECT_EQ(qyReadInt(), 2);
    qyRestore(table);
    EXPECT_EQ(qyReadInt(), 1);
    qyRestore(&table[2]);
    EXPECT_EQ(qyReadInt(), 3);
}

class ArithmeticTest : public ::testing::Test {};

TEST_F(ArithmeticTest, AbsAndSgn) {
    EXPECT_EQ(qyAbs(-5), 5);
    EXPECT_EQ(qyAbs(5), 5);
    EXPECT_EQ(qyAbs(0), 0);
    EXPECT_EQ(qyAbs(INT32_MIN), INT32_MIN);
    EXPECT_EQ(qyAbs(INT32_MIN + 1), INT32_MAX);
    EXPECT_EQ(qySgn(0), 0);
    EXPECT_EQ(qySgn(INT32_MIN), -1);
    EXPECT_EQ(qySgn(INT32_MAX), 1);
}

TEST_F(ArithmeticTest, ModTakesTheSignOfTheDividend) {
    EXPECT_EQ(qyMod(7, 2), 1);
    EXPECT_EQ(qyMod(7, -2), 1);
    EXPECT_EQ(qyMod(-7, 2), -1);
    EXPECT_EQ(qyMod(-7, -2), -1);
    EXPECT_EQ(qyMod(6, 3), 0);
    EXPECT_EQ(qyMod(3, 7), 3);
    EXPECT_EQ(qyMod(INT32_MIN, 3), -2);
    EXPECT_EQ(qyMod(INT32_MIN, INT32_MAX), -1);
}

TEST_F(ArithmeticTest, ModOfTheMostNegativeByMinusOneIsZero) {
    EXPECT_EQ(qyMod(INT32_MIN, -1), 0);
    EXPECT_EQ(qyMod(5, -1), 0);
}

TEST_F(ArithmeticTest, ModByZeroIsTheProcessorsDivideFault) {
    EXPECT_EXIT(qyMod(1, 0), ::testing::KilledBySignal(SIGFPE), "");
}

TEST_F(ArithmeticTest, FloatAbsAndSgn) {
    EXPECT_EQ(qyFAbs(-2.5f), 2.5f);
    EXPECT_EQ(qyFAbs(2.5f), 2.5f);
    EXPECT_EQ(qyFSgn(3.0f), 1.0f);
    EXPECT_EQ(qyFSgn(-0.001f), -1.0f);
    EXPECT_EQ(qyFSgn(0.0f), 0.0f);
    EXPECT_EQ(qyFSgn(-0.0f), 0.0f);
    EXPECT_FALSE(std::signbit(qyFSgn(-0.0f)));
}

TEST_F(ArithmeticTest, FloatModAndPow) {
    EXPECT_EQ(qyFMod(7.5f, 2.0f), 1.5f);
    EXPECT_EQ(qyFMod(-7.5f, 2.0f), -1.5f);
    EXPECT_EQ(qyFMod(7.5f, -2.0f), 1.5f);
    EXPECT_TRUE(std::isnan(qyFMod(1.0f, 0.0f)));
    EXPECT_EQ(qyFPow(2.0f, 10.0f), 1024.0f);
    EXPECT_EQ(qyFPow(4.0f, 0.5f), 2.0f);
    EXPECT_EQ(qyFPow(0.0f, 0.0f), 1.0f);
    EXPECT_TRUE(std::isnan(qyFPow(-8.0f, 1.0f / 3.0f)));
}

}  // namespace
}  // namespace korva::test
