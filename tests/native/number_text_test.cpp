#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "model/number_text.h"

namespace {

struct Case {
    std::string text;
    int32_t value;
};

TEST(ReadSettingsNumber, AcceptsEveryWrittenFormOfANumber) {
    const Case cases[] = {
        {"31", 31},          {"0x1F", 31},     {"0X1f", 31},        {"$1F", 31},
        {"x1F", 31},         {"X1f", 31},      {"+5", 5},           {"-7", -7},
        {"0", 0},            {"-0", 0},        {"007", 7},          {"   72", 72},
        {" 0x1F", 31},       {"  $ff", 255},   {"$000000001F", 31}, {"0x0", 0},
        {"$0000000000000000000000000000", 0},  {"0000000000000000000012", 12},
    };
    for (const Case& c : cases) {
        int32_t value = 12345;
        EXPECT_TRUE(ReadSettingsNumber(c.text, &value)) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

TEST(ReadSettingsNumber, KeepsToThirtyTwoBits) {
    const Case cases[] = {
        {"2147483647", INT32_MAX},  {"-2147483648", INT32_MIN}, {"+2147483647", INT32_MAX},
        {"$7FFFFFFF", INT32_MAX},   {"$80000000", INT32_MIN},   {"$FFFFFFFF", -1},
        {"0xFFFFFFFE", -2},         {"x0000FFFFFFFF", -1},
    };
    for (const Case& c : cases) {
        int32_t value = 12345;
        EXPECT_TRUE(ReadSettingsNumber(c.text, &value)) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
    for (const char* text : {"2147483648", "-2147483649", "99999999999999999999", "$100000000",
                             "0x1FFFFFFFF", "$FFFFFFFFFFFFFFFFF"}) {
        int32_t value = 12345;
        EXPECT_FALSE(ReadSettingsNumber(text, &value)) << '"' << text << '"';
        EXPECT_EQ(value, 12345) << "a rejected text must leave the value alone";
    }
}

TEST(ReadSettingsNumber, RejectsEverythingElse) {
    const std::string rejected[] = {
        "",       " ",        "0x",      "0X",     "$",      "x",     "+",     "-",
        "1F",     "-$1",      "+$1",     "-0x1",   "+x1",    "$-1",   "$+1",   "\t5",
        "5 ",     "5\t",      "0x1F ",   "$ 1F",   "0x 1F",  "5x",    "1e3",   "1.0",
        "1,000",  "--1",      "+-1",     "$0x1F",  "0x0x1",  "0x$1F", "$$1",   "xx1",
        "$1G",    "5;",       "\"5\"",   "0b101",  "5\r",    "5\n",   "\xEF\xBC\x95",
        std::string("5\0", 2), std::string("\0" "5", 2),
    };
    for (const std::string& text : rejected) {
        int32_t value = 12345;
        EXPECT_FALSE(ReadSettingsNumber(text, &value)) << '"' << text << '"';
        EXPECT_EQ(value, 12345) << '"' << text << '"';
    }
}

}  // namespace
