// The SDF reader's own line cursor, comma splitter and folder index against
// the shared text filer and comma splitter.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../../tools/sdfgen/sdf_city.h"
#include "platform/comma_text.h"
#include "platform/errors.h"
#include "readers/sdf2500_builder.h"
#include "readers/text_filer.h"
#include "test_support.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;
using sdf2500::TCommaFields;
using sdf2500::TDirIndex;
using sdf2500::TLineCursor;

TEST(SdfCommaFields, GiveTheFieldsOfTheSharedSplitter) {
  const std::vector<std::string> lines = {
      "",
      "   ",
      "L1101,0,12,3",
      "1234.56,789.01",
      " 12 , 34 ",
      "a,,b",
      "a,b,",
      ",a",
      ",,",
      "a b\tc",
      "\"quoted, with comma\",x",
      "x,\"a\"\"b\",y",
      "x,\"unterminated",
      "mid\"quote,z",
      "A1106,1,2,131010001,\x96\x7B\x92\xAC\x88\xEA\x92\x9A\x96\xDA",  // 本町一丁目
      "P7301,\x83\x5C,\x95\x5C",                                       // ソ, 表: trail byte 0x5C
      "\x81,x",       // a lead byte before a comma: one character
      "x,\x81",       // a lead byte at the very end
      "\x81\"a\",b",  // a lead byte before a quote
  };
  TCommaFields f;
  for (const std::string& line : lines) {
    f.Split(line);
    const auto expected = SplitCommaText(line);
    ASSERT_EQ(f.Count(), expected.size()) << line;
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(f[i], expected[i]) << line;
  }
}

TEST(SdfCommaFields, AgreeWithTheSharedSplitterOnRandomLines) {
  const std::string alphabet = std::string("ab1.-, \t\"") + '\x81' + '\x9F' + '\xE0' + '\x5C' +
                               '\x40' + '\xFC' + '\x20' + '\x2C';
  std::uint64_t state = 42;
  TCommaFields f;
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    const int len = static_cast<int>(sdfgen::detail::Mix(state++) % 12);
    for (int i = 0; i < len; ++i) line += alphabet[sdfgen::detail::Mix(state++) % alphabet.size()];
    f.Split(line);
    const auto expected = SplitCommaText(line);
    ASSERT_EQ(f.Count(), expected.size()) << "round " << round;
    for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(f[i], expected[i]) << round;
  }
}

TEST(SdfCommaFields, AtAMissingFieldIsTheListIndexError) {
  TCommaFields f;
  f.Split("a,b");
  EXPECT_EQ(f.At(1), "b");
  try {
    f.At(2);
    ADD_FAILURE() << "no error";
  } catch (const EListIndexError& e) {
    EXPECT_EQ(e.Index(), 2);
  }
}

TEST(SdfLineCursor, GivesTheLinesOfTheTextFiler) {
  const std::vector<std::string> texts = {"",
                                          "a",
                                          "a\r\nb\r\n",
                                          "a\nb\n",
                                          "a\rb",
                                          "a\n\rb",
                                          "a\r\r\nb",
                                          "\r\n\r\n",
                                          std::string("ab\0cd\r\nef", 10),
                                          std::string("\0ab", 3),
                                          "last line without end"};
  std::uint64_t state = 7;
  std::vector<std::string> all = texts;
  for (int round = 0; round < 3000; ++round) {
    std::string t;
    const int len = static_cast<int>(sdfgen::detail::Mix(state++) % 10);
    for (int i = 0; i < len; ++i) t += "x\r\n,\0"[sdfgen::detail::Mix(state++) % 5];
    all.push_back(t);
  }
  for (const std::string& text : all) {
    auto cursor = TLineCursor::FromText(text);
    std::vector<std::string> got;
    std::string_view line;
    while (cursor.Next(line)) got.emplace_back(line);
    // The lines of the text filer, less those of blanks only.
    std::vector<std::string> want = TTextFiler::SplitLines(text);
    std::erase_if(want, [](const std::string& l) {
      return std::all_of(l.begin(), l.end(), [](char c) { return c >= 1 && c <= 32; });
    });
    EXPECT_EQ(got, want);
    EXPECT_EQ(cursor.Index(), static_cast<int>(got.size()));
    try {
      cursor.Need();
      ADD_FAILURE() << "Need past the end";
    } catch (const EListIndexError& e) {
      EXPECT_EQ(e.Index(), static_cast<long long>(got.size()));
    }
  }
}

TEST(SdfLineCursor, BlankLinesAndATrailingEndOfFileByteAreSkipped) {
  auto cursor = TLineCursor::FromText("h\r\n\r\n \t\r\nL1\r\n\r\n1,2\x1a\r\n\x1a");
  EXPECT_EQ(cursor.Need(), "h");
  EXPECT_EQ(cursor.Need(), "L1");
  EXPECT_EQ(cursor.Need(), "1,2");
  std::string_view line;
  EXPECT_FALSE(cursor.Next(line));
}

TEST(SdfLineCursor, AMissingFileOrAFolderHasNoLines) {
  test::TempDir dir;
  for (const std::string& path :
       {std::string("/no/such/file.ARC"), std::string(), dir.Path().string()}) {
    TLineCursor cursor(path);
    std::string_view line;
    EXPECT_FALSE(cursor.Next(line)) << path;
  }
  test::WriteFile(dir.File("a.ARC"), "h\r\nL1\r\n");
  TLineCursor cursor(dir.File("a.ARC"));
  EXPECT_EQ(cursor.Need(), "h");
  EXPECT_EQ(cursor.Need(), "L1");
}

TEST(SdfDirIndex, FindsEntriesWithoutRegardToCaseExactNameFirst) {
  test::TempDir dir;
  fs::create_directories(dir.Path() / "Gyousei");
  test::WriteFile(dir.File("gaiku.arc"), "x");
  test::WriteFile(dir.File("ROAD.ATR"), "x");
  test::WriteFile(dir.File("road.atr"), "x");
  const TDirIndex index(dir.Path().string());
  EXPECT_EQ(index.FindDir("GYOUSEI"), (dir.Path() / "Gyousei").string());
  EXPECT_EQ(index.FindFile("GYOUSEI"), "") << "a folder is not a file";
  EXPECT_EQ(index.FindFile("GAIKU.ARC"), dir.File("gaiku.arc"));
  EXPECT_EQ(index.FindFile("road.atr"), dir.File("road.atr"));
  EXPECT_EQ(index.FindFile("ROAD.ATR"), dir.File("ROAD.ATR"));
  EXPECT_EQ(index.FindFile("Road.Atr"), dir.File("ROAD.ATR")) << "name order: upper case first";
  EXPECT_EQ(index.Find("MIZU"), "");
  EXPECT_TRUE(TDirIndex("").Entries().empty());
  EXPECT_TRUE(TDirIndex(dir.File("none")).Entries().empty());
}

}  // namespace
}  // namespace chizro
