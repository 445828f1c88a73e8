// Path text: separators that a Shift_JIS trail byte never fakes on Windows,
// the platform's rule for letter case, and a sheet in a folder with a
// Japanese name opened, scanned and written through the normal paths.
#include "platform/file_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "model/map_builder.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "output/jwc_writer.h"
#include "readers/data_kinds.h"
#include "readers/common/reader_util.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;

constexpr char kSep = static_cast<char>(fs::path::preferred_separator);

// Shift_JIS names whose characters end in the byte of a backslash.
const std::string kMap = "\x92\x6E\x90\x7D";               // 地図
const std::string kShown = "\x95\x5C\x8E\xA6\x83\x5C";     // 表示ソ
const std::string kSoftware = "\x83\x5C\x83\x74\x83\x67";  // ソフト

TEST(PathText, SeparatorsAreCharactersOfTheirOwn) {
  EXPECT_EQ(FindLastOf("a/b\\c", "\\/"), 3u);
  EXPECT_EQ(FindLastOf("abc", "\\/"), std::string::npos);
#ifdef _WIN32
  EXPECT_EQ(BaseName("C:\\maps\\" + kSoftware), kSoftware);
  // On Windows path text is Shift_JIS: the trail byte 5C is no backslash.
  EXPECT_EQ(FindLastOf("C:\\" + kShown, "\\"), 2u);
  EXPECT_EQ(BaseName("C:\\" + kMap + "\\" + kShown), kShown);
  EXPECT_FALSE(EndsWithSeparator("C:\\" + kShown));
  EXPECT_TRUE(EndsWithSeparator("C:\\" + kShown + "\\"));
  EXPECT_TRUE(EndsWithSeparator("C:/"));
#else
  // Elsewhere path text is the system's bytes, and only '/' separates.
  EXPECT_EQ(FindLastOf("a\\" + kShown, "\\"), 7u);
  EXPECT_EQ(BaseName("a\\" + kShown), "") << "the 5C of \"ソ\" separates";
  EXPECT_FALSE(EndsWithSeparator("a\\"));
  EXPECT_TRUE(EndsWithSeparator("a/"));
#endif
}

TEST(PathText, SameFileByThePlatformsRuleForCase) {
  EXPECT_TRUE(SamePath("C:\\maps\\a.txt", "C:\\maps\\a.txt"));
  EXPECT_FALSE(SamePath("C:\\maps\\a.txt", "C:\\maps\\b.txt"));
#ifdef _WIN32
  EXPECT_TRUE(SamePath("C:\\Maps\\A.TXT", "c:\\maps\\a.txt"));
  EXPECT_TRUE(SamePath("\x82\x60.txt", "\x82\x81.TXT")) << "full-width Ａ and ａ";
  EXPECT_FALSE(SamePath(kShown, kSoftware));
#else
  EXPECT_FALSE(SamePath("/maps/A.TXT", "/maps/a.txt"));
#endif
}

// The sample sheet 09LD183 in "表示ソ\地図" below a scratch folder, which is
// also the program's folder (given with a separator at its end): its
// definitions, request and result. The sheet opens by its description file
// and by a folder scan, and the result is the one of the same sheet in a
// folder with a plain name.
class JapaneseFolder : public ::testing::Test {
protected:
  // Makes a program folder with the sample sheet at path text `home`.
  static void MakeHome(const std::string& home) {
    fs::create_directories(FsPath(home + kSep + "def"));
    fs::copy_file(test::SourcePath("def/Sdf25.ini"),
                  FsPath(home + kSep + "def" + kSep + "Sdf25.ini"));
    fs::copy_file(test::SourcePath("samples/JWC_TEMP.TXT"), FsPath(home + kSep + "JWC_TEMP.TXT"));
    fs::copy(test::SourcePath("samples/sdf/09LD183"), FsPath(home + kSep + "09LD183"),
             fs::copy_options::recursive);
  }

  // Opens the sheet and writes "temp.txt"; its bytes.
  static std::string Convert(const std::string& home, TOpenMode mode) {
    TMapProject project{DefaultBuilders(), nullptr, home + kSep};
    const std::string map =
        mode == TOpenMode::File ? home + kSep + "09LD183" + kSep + "09LD183.txt" : home;
    project.Open(map, KindNumber(TKind::Sdf2500), mode);
    EXPECT_EQ(project.Themes->Count(), 1);
    if (project.Themes->Count() != 1) return {};
    const TMapLeafGrp& leaves = *project.Themes->Items(0)->Leaves;
    EXPECT_EQ(leaves.Count(), 1);
    if (leaves.Count() == 1) {
      EXPECT_EQ(leaves.Items(0)->FileName, home + kSep + "09LD183");
    }
    const TJwcStats stats = ExportJwc(project, TJwcFiles::In(home + kSep));
    EXPECT_EQ(stats.FileName, home + kSep + "temp.txt");
    EXPECT_GT(stats.Vertices, 0);
    return test::ReadFile(stats.FileName);
  }

  test::TempDir dir;
};

TEST_F(JapaneseFolder, SheetOpensAndIsWrittenAsInAPlainFolder) {
  const std::string root = PathText(dir.Path());
  const std::string japanese = root + kSep + kShown + kSep + kMap;
  const std::string plain = root + kSep + "plain";
  MakeHome(japanese);
  MakeHome(plain);
#ifdef _WIN32
  // The folder has the Unicode name, not one character for each byte.
  EXPECT_TRUE(fs::is_directory(dir.Path() / L"\u8868\u793A\u30BD" / L"\u5730\u56F3"));
#endif
  const std::string expected = Convert(plain, TOpenMode::File);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(Convert(japanese, TOpenMode::File), expected);
  EXPECT_EQ(Convert(japanese, TOpenMode::Folder), expected);
}

}  // namespace
}  // namespace chizro
