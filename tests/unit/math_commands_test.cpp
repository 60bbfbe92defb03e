#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/math_commands.h"
#include "core/number_text.h"
#include "core/random.h"
#include "startup/declaration.h"
#include "startup/fpu_control.h"

namespace korva {

extern const ModuleDefinition mathModule;

namespace {

std::string floatText(float value) {
    char text[kFloatTextCapacity];
    formatFloat(value, text);
    return text;
}

// States and unit values worked out by hand (48271 * state mod 2147483647;
// (low 16 bits + 0.5) / 65536), independently of the generator's code.
TEST(RandomGenerator, FirstDrawsFromTheStartState) {
    RandomGenerator random;
    EXPECT_EQ(random.state(), 4660);
    EXPECT_EQ(random.nextUnit(), 0.35565948486328125f);
    EXPECT_EQ(random.state(), 224942860);
    EXPECT_EQ(random.nextUnit(), 0.7478713989257812f);
    EXPECT_EQ(random.state(), 539475828);
    EXPECT_EQ(random.nextUnit(), 0.31705474853515625f);
    EXPECT_EQ(random.state(), 650989866);
    random.restart();
    EXPECT_EQ(random.state(), 4660);
}

TEST(RandomGenerator, SeedsKeepTheirLow16Bits) {
    RandomGenerator random;
    for (int32_t seed : {0, 65536, 65537, 1, -65536}) {
        random.seed(seed);
        EXPECT_EQ(random.state(), 1) << seed;
    }
    EXPECT_EQ(random.nextUnit(), 0.7365646362304688f);
    EXPECT_EQ(random.state(), 48271);
    EXPECT_EQ(random.nextUnit(), 0.34329986572265625f);
    EXPECT_EQ(random.state(), 182605794);
    random.seed(12345 + 3 * 65536);
    EXPECT_EQ(random.state(), 12345);
    EXPECT_EQ(random.nextUnit(), 0.7962570190429688f);
    EXPECT_EQ(random.state(), 595905495);
    random.seed(-1);
    EXPECT_EQ(random.state(), 65535);
}

// The overflow-free evaluation must agree with the plain 64-bit product
// everywhere, including the states next to the modulus.
TEST(RandomGenerator, MatchesTheMultiplicativeFormula) {
    RandomGenerator random;
    for (int32_t seed : {1, 4660, 44488, 65535}) {
        random.seed(seed);
        int64_t expected = seed;
        for (int i = 0; i < 200000; ++i) {
            expected = expected * 48271 % 2147483647;
            const float unit = random.nextUnit();
            ASSERT_EQ(random.state(), expected) << "seed " << seed << " draw " << i;
            ASSERT_EQ(unit, (static_cast<float>(expected & 0xFFFF) + 0.5f) / 65536.0f);
            ASSERT_GT(unit, 0.0f);
            ASSERT_LT(unit, 1.0f);
        }
    }
}

class RandomCommandsTest : public ::testing::Test {
protected:
    void SetUp() override { programRandom.restart(); }
};

TEST_F(RandomCommandsTest, EveryRunStartsTheSameSequence) {
    cmdSeedRnd(77);
    cmdRnd(1.0f, 2.0f);
    ASSERT_TRUE(mathModule.create());
    EXPECT_EQ(programRandom.state(), 4660);
    EXPECT_EQ(cmdRnd(0.0f, 1.0f), 0.35565948486328125f);
}

TEST_F(RandomCommandsTest, RandOrdersItsBounds) {
    cmdSeedRnd(99);
    int32_t forwards[50];
    for (int32_t& value : forwards) value = cmdRand(1, 5);
    cmdSeedRnd(99);
    for (int32_t value : forwards) EXPECT_EQ(cmdRand(5, 1), value);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(cmdRand(3, 3), 3);
}

TEST_F(RandomCommandsTest, RandReachesEveryValueAndNeverPassesHi) {
    bool seen[7] = {};
    for (int i = 0; i < 1000; ++i) {
        const int32_t value = cmdRand(-3, 3);
        ASSERT_GE(value, -3);
        ASSERT_LE(value, 3);
        seen[value + 3] = true;
    }
    for (bool wasSeen : seen) EXPECT_TRUE(wasSeen);
    // Spans a float cannot hold exactly; 2^24 + 3 rounds up to 2^24 + 4.
    for (int i = 0; i < 200000; ++i) ASSERT_LE(cmdRand(0, (1 << 24) + 2), (1 << 24) + 2);
}

// 2^32 values: a 32-bit span would wrap to zero and pin every draw to lo.
TEST_F(RandomCommandsTest, RandCoversTheWholeIntegerRange) {
    int64_t sum = 0;
    bool negative = false, positive = false;
    for (int i = 0; i < 1000; ++i) {
        const int32_t value = cmdRand(INT32_MIN, INT32_MAX);
        sum += value;
        negative |= value < 0;
        positive |= value > 0;
    }
    EXPECT_TRUE(negative);
    EXPECT_TRUE(positive);
    EXPECT_LT(std::llabs(sum / 1000), int64_t{1} << 28);
}

TEST_F(RandomCommandsTest, RndStaysBetweenItsBounds) {
    for (int i = 0; i < 100000; ++i) {
        const float value = cmdRnd(10.0f, 0.0f);
        ASSERT_GT(value, 0.0f);
        ASSERT_LT(value, 10.0f);
    }
}

// The program test covers the common results; these are the remaining
// quadrants, directions and domains.
TEST(MathCommands, QuadrantsAndDomains) {
    EXPECT_EQ(cmdATan2(-1.0f, -1.0f), -135.0f);
    EXPECT_EQ(cmdATan2(-1.0f, 0.0f), -90.0f);
    EXPECT_EQ(floatText(cmdCos(60.0f)), "0.5");
    EXPECT_EQ(floatText(cmdTan(60.0f)), "1.73205");
    EXPECT_EQ(cmdFloor(2.5f), 2.0f);
    EXPECT_EQ(cmdCeil(2.5f), 3.0f);
    EXPECT_EQ(floatText(cmdLog(-1.0f)), "NaN");
    EXPECT_EQ(floatText(cmdASin(2.0f)), "NaN");
    EXPECT_EQ(floatText(cmdExp(1000.0f)), "Infinity");
}

// Compiled code calls with the x87 at single precision; the results must be
// the same as at full precision, and the caller's control word must survive.
void expectSameAtSinglePrecision(float (*command)(float), float argument) {
    const uint16_t callerControl = fpuControl();
    const float full = command(argument);
    setFpuControl(kSinglePrecisionControl);
    const float single = command(argument);
    const uint16_t after = fpuControl();
    setFpuControl(callerControl);
    EXPECT_EQ(std::bit_cast<uint32_t>(single), std::bit_cast<uint32_t>(full)) << argument;
    EXPECT_EQ(after, kSinglePrecisionControl);
}

TEST(MathCommands, SinglePrecisionCallersGetTheSameResults) {
    for (auto command : {cmdSin, cmdCos, cmdTan})
        for (float degrees : {0.0f, 30.0f, 45.0f, 60.0f, 90.0f, 180.0f, 270.0f, 720.5f, -33.3f})
            expectSameAtSinglePrecision(command, degrees);
    for (auto command : {cmdASin, cmdACos, cmdATan, cmdSqr, cmdExp, cmdLog, cmdLog10})
        for (float value : {-1.0f, -0.5f, 0.001f, 0.5f, 0.999f, 1.0f, 2.0f, 123.456f})
            expectSameAtSinglePrecision(command, value);
}

}  // namespace
}  // namespace korva
