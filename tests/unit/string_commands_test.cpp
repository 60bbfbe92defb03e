#include <gtest/gtest.h>

#include <csetjmp>
#include <ctime>
#include <regex>
#include <string>
#include <string_view>

#include "core/str_pool.h"
#include "core/string_commands.h"
#include "language_core_support.h"
#include "startup/run_landing.h"

namespace korva {
namespace {

class StringCommandsTest : public test::LanguageCoreTest {
protected:
    void TearDown() override {
        EXPECT_EQ(liveStringCount(), 0) << "a command leaked or double-released a string";
        LanguageCoreTest::TearDown();
    }

    static qyStr* str(std::string_view text) { return strFromBytes(text.data(), text.size()); }

    static std::string take(qyStr* result) {
        EXPECT_EQ(strText(result)[strLength(result)], '\0') << "text not terminated";
        return test::consumed(result);
    }

    // Applies an in-place command and checks it handed back the node it got.
    template <class Command, class... Arguments>
    static std::string inPlace(std::string_view text, Command command, Arguments... arguments) {
        qyStr* node = str(text);
        qyStr* result = command(node, arguments...);
        EXPECT_EQ(result, node) << "not changed in place";
        return take(result);
    }
};

// The message a command raised, or null when it returned.
template <class Call>
const char* raisedBy(Call call) {
    RunLanding landing;
    enterLanding(landing);
    if (sigsetjmp(landing.target, 1) == 0) {
        call();
        leaveLanding(landing);
        return nullptr;
    }
    leaveLanding(landing);
    return landing.endMessage;
}

TEST_F(StringCommandsTest, LeftAndRightKeepTheirEnd) {
    EXPECT_EQ(inPlace("hello", cmdLeft, 2), "he");
    EXPECT_EQ(inPlace("hello", cmdRight, 2), "lo");
    EXPECT_EQ(inPlace("hello", cmdLeft, 0), "");
    EXPECT_EQ(inPlace("hello", cmdRight, 0), "");
    EXPECT_EQ(inPlace("hello", cmdLeft, 99), "hello");
    const std::string longText = std::string(100, 'x') + "tail";
    EXPECT_EQ(inPlace(longText, cmdRight, 4), "tail");
    EXPECT_EQ(cmdLeft(nullptr, 3), nullptr);
    EXPECT_EQ(cmdRight(nullptr, 3), nullptr);
}

TEST_F(StringCommandsTest, MidClampsToTheText) {
    EXPECT_EQ(inPlace("abcde", cmdMid, 7, -1), "");
    EXPECT_EQ(inPlace("abcde", cmdMid, 6, -1), "");
    EXPECT_EQ(inPlace("abcde", cmdMid, 2, 10), "bcde");
    EXPECT_EQ(inPlace("abcde", cmdMid, 2, 2), "bc");
    EXPECT_EQ(inPlace("abcde", cmdMid, 2, -1), "bcde");
    EXPECT_EQ(inPlace("abcde", cmdMid, 1, 0), "");
    EXPECT_EQ(cmdMid(nullptr, 3, 2), nullptr);
}

TEST_F(StringCommandsTest, InstrSearchesFromAPosition) {
    EXPECT_EQ(cmdInstr(str("abcabc"), str("c"), 4), 6);
    EXPECT_EQ(cmdInstr(str("abcabc"), str("c"), 1), 3);
    EXPECT_EQ(cmdInstr(str("abcabc"), str("c"), 7), 0);
    EXPECT_EQ(cmdInstr(str("abcabc"), str("bca"), 1), 2);
    EXPECT_EQ(cmdInstr(str("abcabc"), str("bca"), 3), 0);
    EXPECT_EQ(cmdInstr(str("abc"), str("abcd"), 1), 0);
    EXPECT_EQ(cmdInstr(str(std::string_view("a\0b", 3)), str("b"), 1), 3);
}

TEST_F(StringCommandsTest, InstrOfAnEmptyTextMatchesWhereTheSearchStarts) {
    EXPECT_EQ(cmdInstr(str("abc"), str(""), 2), 2);
    EXPECT_EQ(cmdInstr(str("abc"), nullptr, 4), 4);  // right behind the last byte
    EXPECT_EQ(cmdInstr(str("abc"), str(""), 5), 0);
    EXPECT_EQ(cmdInstr(nullptr, nullptr, 1), 1);
    EXPECT_EQ(cmdInstr(nullptr, str("a"), 1), 0);
    EXPECT_EQ(cmdInstr(str("abc"), str("c"), 0x7FFFFFFF), 0);
}

TEST_F(StringCommandsTest, ReplaceNeverSearchesInsertedText) {
    EXPECT_EQ(inPlace("aaa", cmdReplace, str("a"), str("aa")), "aaaaaa");
    EXPECT_EQ(inPlace("x-y-z", cmdReplace, str("-"), str("<->")), "x<->y<->z");
    EXPECT_EQ(inPlace("ab", cmdReplace, str("ab"), str("abab")), "abab");
}

TEST_F(StringCommandsTest, ReplaceShrinksGrowsOrKeepsTheLength) {
    EXPECT_EQ(inPlace("abcXabcYabc", cmdReplace, str("abc"), str("-")), "-X-Y-");
    EXPECT_EQ(inPlace("abcXabc", cmdReplace, str("abc"), nullptr), "X");
    EXPECT_EQ(inPlace("abcXabc", cmdReplace, str("abc"), str("123")), "123X123");
    EXPECT_EQ(inPlace("aaaa", cmdReplace, str("aa"), str("b")), "bb");
    EXPECT_EQ(inPlace("aaa", cmdReplace, str("aa"), str("b")), "ba");
    EXPECT_EQ(inPlace("hello", cmdReplace, str("xyz"), str("longer text")), "hello");
    EXPECT_EQ(inPlace("hello", cmdReplace, str("hello"), str("")), "");
    EXPECT_EQ(inPlace("Xhello", cmdReplace, str("X"), str("0123456789")), "0123456789hello");
    EXPECT_EQ(inPlace("helloX", cmdReplace, str("X"), str("0123456789")), "hello0123456789");
}

TEST_F(StringCommandsTest, ReplaceGrowsPastTheNodesOwnBuffer) {
    std::string text, expected;
    for (int i = 0; i < 300; ++i) {
        text += "k=v;";
        expected += "key==value;";
    }
    qyStr* node = str(text);
    node = cmdReplace(node, str("v"), str("value"));
    node = cmdReplace(node, str("k"), str("key"));
    node = cmdReplace(node, str("="), str("=="));
    EXPECT_EQ(take(node), expected);
}

TEST_F(StringCommandsTest, ReplaceWithNothingToSearchLeavesTheText) {
    EXPECT_EQ(inPlace("abc", cmdReplace, str(""), str("x")), "abc");
    EXPECT_EQ(inPlace("abc", cmdReplace, nullptr, nullptr), "abc");
    EXPECT_EQ(cmdReplace(nullptr, str("a"), str("b")), nullptr);
}

TEST_F(StringCommandsTest, CaseMappingIsAsciiOnly) {
    EXPECT_EQ(inPlace("Hello, World 09 @[`{", cmdUpper), "HELLO, WORLD 09 @[`{");
    EXPECT_EQ(inPlace("Hello, World 09 @[`{", cmdLower), "hello, world 09 @[`{");
    EXPECT_EQ(inPlace("\xC9t\xE9", cmdUpper), "\xC9T\xE9");
    EXPECT_EQ(inPlace("\xC9T\xE9", cmdLower), "\xC9t\xE9");
    EXPECT_EQ(cmdUpper(nullptr), nullptr);
}

TEST_F(StringCommandsTest, TrimRemovesBlanksAndControlBytes) {
    EXPECT_EQ(inPlace(" \t\r\n word  word\x01\x7F ", cmdTrim), "word  word");
    EXPECT_EQ(inPlace(" \t \t", cmdTrim), "");
    EXPECT_EQ(inPlace("", cmdTrim), "");
    EXPECT_EQ(inPlace(std::string_view("\0a\0", 3), cmdTrim), "a");
    EXPECT_EQ(inPlace(" \xA0\xE9 ", cmdTrim), "\xA0\xE9");
    EXPECT_EQ(cmdTrim(nullptr), nullptr);
}

TEST_F(StringCommandsTest, LSetAndRSetCutOrPad) {
    EXPECT_EQ(inPlace("ab", cmdLSet, 4), "ab  ");
    EXPECT_EQ(inPlace("ab", cmdRSet, 4), "  ab");
    EXPECT_EQ(inPlace("abcdef", cmdLSet, 2), "ab");
    EXPECT_EQ(inPlace("abcdef", cmdRSet, 2), "ef");
    EXPECT_EQ(inPlace("abc", cmdRSet, 0), "");
    EXPECT_EQ(inPlace("ab", cmdLSet, 1002), "ab" + std::string(1000, ' '));
    EXPECT_EQ(inPlace("ab", cmdRSet, 1002), std::string(1000, ' ') + "ab");
    EXPECT_EQ(take(cmdLSet(nullptr, 3)), "   ");
    EXPECT_EQ(take(cmdRSet(nullptr, 2)), "  ");
    EXPECT_EQ(cmdLSet(nullptr, 0), nullptr);
}

TEST_F(StringCommandsTest, ChrAscAndLenWorkOnBytes) {
    EXPECT_EQ(take(cmdChr(0)), std::string(1, '\0'));
    EXPECT_EQ(take(cmdChr(321)), "A");
    EXPECT_EQ(take(cmdChr(-1)), "\xFF");
    EXPECT_EQ(cmdAsc(cmdChr(200)), 200);
    EXPECT_EQ(cmdAsc(str("")), -1);
    EXPECT_EQ(cmdAsc(nullptr), -1);
    EXPECT_EQ(cmdLen(str("abc")), 3);
    EXPECT_EQ(cmdLen(cmdChr(0)), 1);
    EXPECT_EQ(cmdLen(nullptr), 0);
}

TEST_F(StringCommandsTest, HexAndBinKeepEveryDigit) {
    EXPECT_EQ(take(cmdHex(255)), "000000FF");
    EXPECT_EQ(take(cmdHex(-1)), "FFFFFFFF");
    EXPECT_EQ(take(cmdHex(static_cast<int32_t>(0x80000000u))), "80000000");
    EXPECT_EQ(take(cmdHex(0x1234ABCD)), "1234ABCD");
    EXPECT_EQ(take(cmdBin(5)), std::string(29, '0') + "101");
    EXPECT_EQ(take(cmdBin(-1)), std::string(32, '1'));
    EXPECT_EQ(take(cmdBin(static_cast<int32_t>(0x80000001u))), "1" + std::string(30, '0') + "1");
}

TEST_F(StringCommandsTest, StringRepeatsIntoANewNode) {
    EXPECT_EQ(take(cmdString(str("ab"), 3)), "ababab");
    EXPECT_EQ(take(cmdString(str("ab"), 0)), "");
    EXPECT_EQ(take(cmdString(str("ab"), -5)), "");
    EXPECT_EQ(take(cmdString(nullptr, 4)), "");
    std::string expected;
    for (int i = 0; i < 1001; ++i) expected += "xyz";
    EXPECT_EQ(take(cmdString(str("xyz"), 1001)), expected);
}

TEST_F(StringCommandsTest, DateAndTimeHaveTheirFixedShape) {
    const std::string date = take(cmdCurrentDate());
    const std::string time = take(cmdCurrentTime());
    EXPECT_TRUE(std::regex_match(date, std::regex("[0-3][0-9] (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4}")))
        << date;
    EXPECT_TRUE(std::regex_match(time, std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9]"))) << time;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(date.substr(date.size() - 4), std::to_string(local.tm_year + 1900));
    EXPECT_EQ(std::stoi(date.substr(0, 2)), local.tm_mday);
}

// The parameter errors come before anything else: the arguments stay alive.
TEST_F(StringCommandsTest, BadCountsRaiseAndReleaseNothing) {
    qyStr* text = str("abc");
    qyStr* find = str("b");
    const int32_t live = liveStringCount();
    EXPECT_STREQ(raisedBy([&] { cmdLeft(text, -1); }), "parameter must be positive");
    EXPECT_STREQ(raisedBy([&] { cmdRight(text, -1); }), "parameter must be positive");
    EXPECT_STREQ(raisedBy([&] { cmdLSet(text, -1); }), "parameter must be positive");
    EXPECT_STREQ(raisedBy([&] { cmdRSet(text, -2147483647 - 1); }), "parameter must be positive");
    EXPECT_STREQ(raisedBy([&] { cmdInstr(text, find, 0); }), "parameter must be greater than 0");
    EXPECT_STREQ(raisedBy([&] { cmdInstr(text, find, -3); }), "parameter must be greater than 0");
    EXPECT_STREQ(raisedBy([&] { cmdMid(text, 0, 1); }), "parameter must be greater than 0");
    EXPECT_EQ(liveStringCount(), live);
    EXPECT_EQ(take(text), "abc");
    EXPECT_EQ(take(find), "b");
}

}  // namespace
}  // namespace korva
