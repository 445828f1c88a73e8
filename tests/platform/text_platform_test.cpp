// Line splitting and the program directory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/file_path.h"
#include "platform/program_dir.h"
#include "readers/common/text_filer.h"
#include "test_support.h"

namespace chizro {
namespace {

using Lines = std::vector<std::string>;

TEST(TextFiler, SplitsAtCrLfCrlfAndStopsAtNul) {
  EXPECT_EQ(TTextFiler::SplitLines("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(TTextFiler::SplitLines("a\nb\n"), (Lines{"a", "b"}));
  EXPECT_EQ(TTextFiler::SplitLines("a\rb"), (Lines{"a", "b"}));
  EXPECT_EQ(TTextFiler::SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(TTextFiler::SplitLines("a\n\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(TTextFiler::SplitLines("last"), (Lines{"last"}));
  EXPECT_EQ(TTextFiler::SplitLines(std::string("ab\0cd\nef", 8)), (Lines{"ab"}));
  EXPECT_EQ(TTextFiler::SplitLines(std::string("ab\n\0cd", 6)), (Lines{"ab"}));
  EXPECT_TRUE(TTextFiler::SplitLines("").empty());
}

TEST(TextFiler, ReadsFilesLineByLineAndMissingFileIsEmpty) {
  test::TempDir dir;
  test::WriteFile(dir.File("a.txt"), "one\r\n\x93\x8C\x8B\x9E\r\nthree");
  TTextFiler filer(dir.File("a.txt"));
  ASSERT_EQ(filer.Count(), 3);
  EXPECT_EQ(filer.GetLine(1), "\x93\x8C\x8B\x9E");
  EXPECT_EQ(filer.ReadLine(), "one");
  EXPECT_EQ(filer.ReadLine(), "\x93\x8C\x8B\x9E");
  EXPECT_FALSE(filer.Eof());
  EXPECT_EQ(filer.ReadLine(), "three");
  EXPECT_TRUE(filer.Eof());
  EXPECT_THROW(filer.ReadLine(), EListIndexError);
  EXPECT_THROW(filer.GetLine(-1), EListIndexError);

  TTextFiler missing(dir.File("none.txt"));
  EXPECT_TRUE(missing.Eof());
}

TEST(ProgramDir, IsTheExecutablesFolderAndJoinsRelativePaths) {
  const std::string exeDir = ProgramDir();
#ifdef _WIN32
  EXPECT_TRUE(IsRegularFile(exeDir + "\\chizro_tests.exe")) << exeDir;
#else
  EXPECT_TRUE(IsRegularFile(exeDir + "/chizro_tests")) << exeDir;
#endif
  EXPECT_EQ(test::GenericPath(ProgramPath("/opt/chizro/", "\\def\\Sdf25.ini")),
            "/opt/chizro/def/Sdf25.ini");
  EXPECT_EQ(test::GenericPath(ProgramPath("/opt/chizro", "def\\chizro.ini")),
            "/opt/chizro/def/chizro.ini");
#ifdef _WIN32
  // A folder whose name ends in a Shift_JIS character with the trail byte
  // 0x5C ("C:\ソ\"): only the separator goes.
  EXPECT_EQ(ProgramPath("C:\\\x83\x5C\\", "def\\chizro.ini"), "C:\\\x83\x5C\\def\\chizro.ini");
#endif
}

}  // namespace
}  // namespace chizro
