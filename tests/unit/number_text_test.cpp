#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "core/number_text.h"

namespace {

using namespace korva;

std::string intText(int32_t value) {
    char text[kIntTextCapacity];
    int length = formatInt(value, text);
    EXPECT_EQ(static_cast<size_t>(length), std::strlen(text));
    return text;
}

std::string floatText(float value) {
    char text[kFloatTextCapacity];
    int length = formatFloat(value, text);
    EXPECT_EQ(static_cast<size_t>(length), std::strlen(text));
    return text;
}

TEST(FormatIntTest, DecimalDigitsWithMinusSign) {
    EXPECT_EQ(intText(0), "0");
    EXPECT_EQ(intText(7), "7");
    EXPECT_EQ(intText(-7), "-7");
    EXPECT_EQ(intText(1000), "1000");
    EXPECT_EQ(intText(INT_MAX), "2147483647");
    EXPECT_EQ(intText(INT_MIN), "-2147483648");
}

TEST(ParseIntTest, AtoiRules) {
    EXPECT_EQ(parseInt("  -12abc"), -12);
    EXPECT_EQ(parseInt("\t\n\v\f\r 42"), 42);
    EXPECT_EQ(parseInt("+5"), 5);
    EXPECT_EQ(parseInt("12 34"), 12);
    EXPECT_EQ(parseInt("007"), 7);
}

TEST(ParseIntTest, NothingUsableGivesZero) {
    EXPECT_EQ(parseInt(nullptr), 0);
    EXPECT_EQ(parseInt(""), 0);
    EXPECT_EQ(parseInt("abc"), 0);
    EXPECT_EQ(parseInt("-"), 0);
    EXPECT_EQ(parseInt("+-5"), 0);
    EXPECT_EQ(parseInt("- 5"), 0);
    EXPECT_EQ(parseInt("0x10"), 0);
}

TEST(ParseIntTest, WrapsModuloTwoToThe32) {
    EXPECT_EQ(parseInt("-2147483648"), INT_MIN);
    EXPECT_EQ(parseInt("2147483647"), INT_MAX);
    EXPECT_EQ(parseInt("2147483648"), INT_MIN);
    EXPECT_EQ(parseInt("4294967295"), -1);
    EXPECT_EQ(parseInt("4294967296"), 0);
    EXPECT_EQ(parseInt("4294967297"), 1);
    EXPECT_EQ(parseInt("-4294967295"), 1);
    EXPECT_EQ(parseInt("99999999999999999999"), static_cast<int32_t>(1661992959u));
}

TEST(ParseFloatTest, DecimalForms) {
    EXPECT_EQ(parseFloat("1e3"), 1000.0f);
    EXPECT_EQ(parseFloat(".5"), 0.5f);
    EXPECT_EQ(parseFloat("-.5"), -0.5f);
    EXPECT_EQ(parseFloat("5."), 5.0f);
    EXPECT_EQ(parseFloat("+2.25"), 2.25f);
    EXPECT_EQ(parseFloat("  -1.5E-1x"), -0.15f);
    EXPECT_EQ(parseFloat("3.14159274"), 3.14159274f);
}

TEST(ParseFloatTest, ExponentLetterDInEitherCase) {
    EXPECT_EQ(parseFloat("2d2"), 200.0f);
    EXPECT_EQ(parseFloat("2D-1"), 0.2f);
    EXPECT_EQ(parseFloat("1.5d+3"), 1500.0f);
}

TEST(ParseFloatTest, IncompleteExponentIsIgnored) {
    EXPECT_EQ(parseFloat("1e"), 1.0f);
    EXPECT_EQ(parseFloat("1e+"), 1.0f);
    EXPECT_EQ(parseFloat("1dx"), 1.0f);
    EXPECT_EQ(parseFloat("1.5e3.2"), 1500.0f);
}

TEST(ParseFloatTest, NothingUsableGivesZero) {
    EXPECT_EQ(parseFloat(nullptr), 0.0f);
    EXPECT_EQ(parseFloat(""), 0.0f);
    EXPECT_EQ(parseFloat("."), 0.0f);
    EXPECT_EQ(parseFloat("-"), 0.0f);
    EXPECT_EQ(parseFloat("e5"), 0.0f);
    EXPECT_EQ(parseFloat("abc"), 0.0f);
}

TEST(ParseFloatTest, NoHexadecimalAndNoWords) {
    EXPECT_EQ(parseFloat("0x10"), 0.0f);
    EXPECT_EQ(parseFloat("0x1p3"), 0.0f);
    EXPECT_EQ(parseFloat("inf"), 0.0f);
    EXPECT_EQ(parseFloat("-infinity"), 0.0f);
    EXPECT_EQ(parseFloat("nan"), 0.0f);
}

TEST(ParseFloatTest, LongTextsAreConvertedWhole) {
    std::string text = "0." + std::string(150, '0') + "1e152x";
    EXPECT_EQ(parseFloat(text.c_str()), 10.0f);
    std::string digits = std::string(100, '1') + "d-99";
    EXPECT_EQ(parseFloat(digits.c_str()), 1.11111111f);
}

TEST(ParseFloatTest, RoundsTheDoubleToFloat) {
    EXPECT_EQ(parseFloat("0.1"), 0.1f);
    EXPECT_EQ(parseFloat("123456789"), 123456792.0f);
    EXPECT_EQ(parseFloat("1e39"), std::numeric_limits<float>::infinity());
}

TEST(FormatFloatTest, ExampleTable) {
    EXPECT_EQ(floatText(1.0f), "1.0");
    EXPECT_EQ(floatText(0.5f), "0.5");
    EXPECT_EQ(floatText(0.0f), "0.0");
    EXPECT_EQ(floatText(-1.5f), "-1.5");
    EXPECT_EQ(floatText(0.1f), "0.1");
    EXPECT_EQ(floatText(0.001f), "0.001");
    EXPECT_EQ(floatText(0.0001f), "1.e-004");
    EXPECT_EQ(floatText(0.00015f), "1.5e-004");
    EXPECT_EQ(floatText(3.14159274f), "3.14159");
    EXPECT_EQ(floatText(100000.0f), "100000.0");
    EXPECT_EQ(floatText(12345678.0f), "12345700.0");
    EXPECT_EQ(floatText(123456789.0f), "1.23457e+008");
    EXPECT_EQ(floatText(1000000000.0f), "1.e+009");
    EXPECT_EQ(floatText(-2.5e10f), "-2.5e+010");
}

TEST(FormatFloatTest, NotANumberAndInfinities) {
    EXPECT_EQ(floatText(std::numeric_limits<float>::quiet_NaN()), "NaN");
    EXPECT_EQ(floatText(-std::numeric_limits<float>::quiet_NaN()), "NaN");
    EXPECT_EQ(floatText(std::numeric_limits<float>::infinity()), "Infinity");
    EXPECT_EQ(floatText(-std::numeric_limits<float>::infinity()), "-Infinity");
}

TEST(FormatFloatTest, NegativeValuesInEveryForm) {
    EXPECT_EQ(floatText(-0.001f), "-0.001");
    EXPECT_EQ(floatText(-0.0001f), "-1.e-004");
    EXPECT_EQ(floatText(-12345.67f), "-12345.7");
    EXPECT_EQ(floatText(-12345678.0f), "-12345700.0");
    EXPECT_EQ(floatText(-0.0f), "0.0");
}

TEST(FormatFloatTest, BoundariesBetweenForms) {
    EXPECT_EQ(floatText(0.01f), "0.01");
    EXPECT_EQ(floatText(0.0009999996f), "0.001");  // six digits round it up to 0.00100000
    EXPECT_EQ(floatText(0.000999989f), "9.99989e-004");
    EXPECT_EQ(floatText(12345.67f), "12345.7");
    EXPECT_EQ(floatText(123456.7f), "123457.0");
    EXPECT_EQ(floatText(999999.7f), "1000000.0");
    EXPECT_EQ(floatText(99999999.0f), "1.e+008");  // the float is 1e8
    EXPECT_EQ(floatText(99999900.0f), "99999900.0");
}

TEST(FormatFloatTest, ExtremeMagnitudes) {
    EXPECT_EQ(floatText(std::numeric_limits<float>::max()), "3.40282e+038");
    EXPECT_EQ(floatText(std::numeric_limits<float>::min()), "1.17549e-038");
    EXPECT_EQ(floatText(std::numeric_limits<float>::denorm_min()), "1.4013e-045");
}

TEST(FormatFloatTest, TextReadsBackToTheSameFloatWhenSixDigitsSuffice) {
    for (float value : {1.0f, 0.5f, -1.5f, 0.001f, 0.0001f, 100000.0f, 1e9f, -2.5e10f}) {
        EXPECT_EQ(parseFloat(floatText(value).c_str()), value) << floatText(value);
    }
}

}  // namespace
