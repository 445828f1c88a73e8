#include "platform/comma_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace chizro {
namespace {

using Fields = std::vector<std::string>;

struct SplitCase {
  const char* name;
  std::string text;
  Fields expected;
};

class CommaTextSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CommaTextSplit, GivesFields) {
  EXPECT_EQ(SplitCommaText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CommaTextSplit,
    ::testing::Values(
        SplitCase{"Empty", "", {}}, SplitCase{"BlanksOnly", " \t ", {}},
        SplitCase{"Commas", "1,2,3", {"1", "2", "3"}},
        SplitCase{"BlankSeparates", "MS Gothic", {"MS", "Gothic"}},
        SplitCase{"BlanksAroundComma", " 1 ,  2 ,3 ", {"1", "2", "3"}},
        SplitCase{"TwoCommasGiveEmptyField", "1,,3", {"1", "", "3"}},
        SplitCase{"LeadingCommaGivesEmptyField", ",1", {"", "1"}},
        SplitCase{"TrailingCommaAddsNothing", "1,2,", {"1", "2"}},
        SplitCase{"TrailingDoubleComma", "1,,", {"1", ""}},
        SplitCase{
            "QuotedWithBlankAndComma", "0,\"MS Gothic, bold\",9", {"0", "MS Gothic, bold", "9"}},
        SplitCase{"DoubledQuote", "\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        SplitCase{"EmptyQuoted", "\"\",1", {"", "1"}},
        SplitCase{"UnterminatedQuote", "\"abc", {"abc"}},
        SplitCase{"TextAfterClosingQuote", "\"ab\"cd", {"ab", "cd"}},
        SplitCase{"ControlCharsAreBlanks",
                  "a\x01"
                  "b\x1f"
                  "c",
                  {"a", "b", "c"}},
        // 0x81 0x2C is one double-byte character whose trail byte is a comma.
        SplitCase{"SjisTrailByteComma", "\x81,x,y", {"\x81,x", "y"}},
        // 0x95 0x5C: the trail byte is a backslash; 0x83 0x22 hides a quote.
        SplitCase{"SjisTrailByteQuoteInsideQuotes", "\"\x83\"a\",b", {"\x83\"a", "b"}},
        SplitCase{"SjisName", "\x93\x8C\x8B\x9E,1", {"\x93\x8C\x8B\x9E", "1"}},
        SplitCase{"LoneLeadByteAtEnd", "a,\x81", {"a", "\x81"}}),
    [](const auto& row) { return std::string(row.param.name); });

// 建物 in the Shift_JIS row: its second byte is "\x9A".
struct JoinCase {
  const char* Name;
  Fields In;
  std::string Joined;
};

class JoinCommaTextTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinCommaTextTest, JoinsSoThatSplittingGivesTheFieldsBack) {
  const JoinCase& c = GetParam();
  EXPECT_EQ(JoinCommaText(c.In), c.Joined);
  EXPECT_EQ(SplitCommaText(c.Joined), c.In);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, JoinCommaTextTest,
    ::testing::Values(JoinCase{"Plain", {"title", "1", "2", "3", "4"}, "title,1,2,3,4"},
                      JoinCase{"ShiftJis", {"\x8C\x9A\x95\xA8", "F"}, "\x8C\x9A\x95\xA8,F"},
                      JoinCase{"Blank", {"town hall", "1"}, "\"town hall\",1"},
                      JoinCase{"Comma", {"a,b", "1"}, "\"a,b\",1"},
                      JoinCase{"Quote", {"say \"hi\"", "1"}, "\"say \"\"hi\"\"\",1"},
                      JoinCase{"EmptyInside", {"a", "", "b"}, "a,,b"},
                      JoinCase{"EmptyLast", {"a", ""}, "a,\"\""}),
    [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace chizro
