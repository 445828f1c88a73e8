// The sample generator (tools/sdfgen): the committed samples are what it
// writes, a sheet alone is the same as in a city, and its sheet names.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "sdfgen/sdf_city.h"
#include "test_support.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Files(const fs::path& root) {
  std::set<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files.insert(fs::relative(e.path(), root).string());
  return files;
}

TEST(SdfSamples, TheCommittedSamplesAreWhatTheGeneratorWrites) {
  const fs::path committed =
      fs::path(CHIZRO_TEST_DATA_DIR).parent_path().parent_path() / "samples" / "sdf";
  test::TempDir dir;
  sdfgen::WriteCity(dir.Path(), sdfgen::SampleOptions());
  const auto generated = Files(dir.Path());
  ASSERT_EQ(Files(committed), generated);
  for (const std::string& rel : generated)
    EXPECT_TRUE(test::ReadFile((committed / rel).string()) ==
                test::ReadFile((dir.Path() / rel).string()))
        << rel << " differs: run sdfgen --sample --out samples/sdf";
}

TEST(SdfSamples, TheGeneratorWritesTheSameBytesForEachSheetAloneOrInACity) {
  test::TempDir a, b;
  sdfgen::TCityOptions o = sdfgen::SampleOptions();
  sdfgen::WriteCity(a.Path(), o);
  o.Origin = "09LD184";
  o.SheetsX = 1;
  sdfgen::WriteCity(b.Path(), o);
  for (const std::string& rel : Files(b.Path()))
    EXPECT_TRUE(test::ReadFile((a.Path() / rel).string()) ==
                test::ReadFile((b.Path() / rel).string()))
        << rel;
}

TEST(SdfSamples, SheetNamesFollowTheSevenCharacterRule) {
  sdfgen::TSheetId id;
  ASSERT_TRUE(sdfgen::ParseSheetName("07MD623", id));
  EXPECT_EQ(id.Bottom(), -81000);
  EXPECT_EQ(id.Left(), -32000);
  EXPECT_EQ(id.Top(), -79500);
  EXPECT_EQ(id.Right(), -30000);
  EXPECT_EQ(sdfgen::SheetName(id), "07MD623");
  EXPECT_FALSE(sdfgen::ParseSheetName("09LD185", id));
  EXPECT_FALSE(sdfgen::ParseSheetName("09LI181", id));
}

}  // namespace
}  // namespace chizro
