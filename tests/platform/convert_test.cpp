#include "platform/convert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <utility>

#include "platform/errors.h"

namespace chizro {
namespace {

TEST(StrToInt, AcceptsDecimalSignAndDollarHex) {
  EXPECT_EQ(StrToInt("0"), 0);
  EXPECT_EQ(StrToInt("-15"), -15);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("$ff"), 255);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
}

TEST(StrToInt, RejectsEverythingElseWithTheRuntimeMessage) {
  for (const char* bad : {"", "-", "$", "1.5", "12a", " 1", "1 ", "0x10", "2147483648", "--1",
                          "+-1", "$1FFFFFFFF", "99999999999999999999"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(TryStrToInt(bad).has_value());
    try {
      StrToInt(bad);
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' は数値ではありません");
      EXPECT_EQ(e.Text(), bad);
    }
  }
}

TEST(ProfileStrToInt, WholeValueDecimalOrZeroXHexElseDefault) {
  EXPECT_EQ(ProfileStrToInt("24", 16), 24);
  EXPECT_EQ(ProfileStrToInt("-3", 0), -3);
  EXPECT_EQ(ProfileStrToInt("0x20", 16), 32);
  EXPECT_EQ(ProfileStrToInt("0X1f", 16), 31);
  EXPECT_EQ(ProfileStrToInt("$20", 16), 16);
  EXPECT_EQ(ProfileStrToInt("24px", 16), 16);
  EXPECT_EQ(ProfileStrToInt("", 7), 7);
  EXPECT_EQ(ProfileStrToInt("0x", 7), 7);
}

TEST(StrToFloat, ParsesDotDecimalsAndRejectsOtherText) {
  EXPECT_DOUBLE_EQ(StrToFloat("12.5"), 12.5);
  EXPECT_DOUBLE_EQ(StrToFloat("-0.25"), -0.25);
  EXPECT_DOUBLE_EQ(StrToFloat(" 3 "), 3.0);
  EXPECT_DOUBLE_EQ(StrToFloat("1e3"), 1000.0);
  EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
  for (const char* bad : {"", "1,5", "abc", "inf", "nan", "0x1p3", "1.2.3", "."}) {
    SCOPED_TRACE(bad);
    try {
      StrToFloat(bad);
      ADD_FAILURE() << "no error";
    } catch (const EFloatConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' は浮動小数点数ではありません");
    }
  }
}

// The fast conversion must give the bits of a correctly rounded one
// (strtod's); texts it leaves to the slow way are refused.
TEST(ShortDecimal, GivesStrtodsBitsOrRefuses) {
  for (const char* text : {"0", "-0", "-0.00", "5.", "74.90", "-28500.00", "35.675012400",
                           "139.762562400", "0.1", "0.00000000000003", "999999999999999",
                           "-123456.789012345", "9007199.25474099"}) {
    SCOPED_TRACE(text);
    double value = 1;
    ASSERT_TRUE(ShortDecimal(text, value));
    const double oracle = std::strtod(text, nullptr);
    EXPECT_EQ(std::memcmp(&value, &oracle, sizeof value), 0) << value << " " << oracle;
  }
  for (const char* text : {"", "-", ".5", "+5", "1e3", "1.2.3", "12a", "1 2", "0x10",
                           "1234567890123456", "0.1234567890123456", "12345678.9abcdefg"}) {
    double value = 0;
    EXPECT_FALSE(ShortDecimal(text, value)) << text;
  }
}

// The integer literals the SDF map's folder names and keys are read with:
// decimal, "$" and "x" hexadecimal, "0x" hexadecimal, as 32-bit values.
TEST(NumberLiteral, ReadsEveryIntegerFormAndRefusesTheRest) {
  const std::pair<const char*, std::int32_t> good[] = {
      {"0", 0},     {"  12", 12}, {"-5", -5},          {"+5", 5},     {"$1F", 31},
      {"x1f", 31}, {"X1F", 31},  {"0x7FFFFFFF", 2147483647}, {"0X0", 0}};
  for (const auto& [text, value] : good) EXPECT_EQ(NumberLiteral(text), value) << text;
  for (const char* bad : {"", " ", "-", "12 ", "1.0", "0x", "$", "$G", "2147483648", "1a"})
    EXPECT_FALSE(NumberLiteral(bad).has_value()) << bad;
}

}  // namespace
}  // namespace chizro
