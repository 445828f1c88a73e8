// The SDF reader's record lines and folder index.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/comma_text.h"
#include "platform/errors.h"
#include "readers/sdf/sdf2500_builder.h"
#include "test_support.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;
using sdf2500::TDirIndex;
using TLineCursor = sdf2500::TRecordLines;

TEST(SdfLineCursor, BlankLinesAndATrailingEndOfFileByteAreSkippedAndNulEndsTheText) {
  // The end-of-file bytes stand before the NUL that ends the text.
  const char text[] = "h\r\n\r\n \t\r\nL1\r\n\r\n1,2\x1a\r\n\x1a\0L2";
  auto cursor = TLineCursor::FromText(std::string(text, sizeof text - 1));
  EXPECT_EQ(cursor.Need(), "h");
  EXPECT_EQ(cursor.Need(), "L1");
  EXPECT_EQ(cursor.Need(), "1,2");
  std::string_view line;
  EXPECT_FALSE(cursor.Next(line)) << "a line after the NUL byte";
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
#ifdef _WIN32
  // Names that differ in case only are one file on Windows, by its first name.
  EXPECT_EQ(index.FindFile("road.atr"), dir.File("ROAD.ATR"));
#else
  EXPECT_EQ(index.FindFile("road.atr"), dir.File("road.atr"));
#endif
  EXPECT_EQ(index.FindFile("ROAD.ATR"), dir.File("ROAD.ATR"));
  EXPECT_EQ(index.FindFile("Road.Atr"), dir.File("ROAD.ATR")) << "name order: upper case first";
  EXPECT_EQ(index.FindFile("MIZU"), "");
  EXPECT_TRUE(TDirIndex("").Entries().empty());
  EXPECT_TRUE(TDirIndex(dir.File("none")).Entries().empty());
}

// ---------------------------------------------------------------------------

}  // namespace
}  // namespace chizro
