// The output never writes part of a leaf whose data failed to load.
#include <gtest/gtest.h>

#include <filesystem>

#include "model/fake_builder.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "output/jwc_writer.h"
#include "platform/errors.h"
#include "test_support.h"

namespace chizro {
namespace {

TEST(JwcFailedLeaf, IsReadAgainAndEitherWrittenWholeOrTheOutputFails) {
  test::TempDir home;
  std::filesystem::create_directory(home.Path() / "def");
  test::WriteFile(home.File("def/chizro.ini"), "[Layers]\r\nOutput=N\r\n");
  test::WriteFile(home.File("JWC_TEMP.TXT"), "hq\r\nhp1 0 0\r\n\r\n");
  const test::ScopedProgramDir programDir(home.Path().string());
  test::FakeData data;
  data.Files["bad"] = {{0, 10, 10, 0},
                       {{TFigKind::Polygon, "5101", {{0, 0}, {10, 0}, {10, 10}}, {}, {}}}};
  data.Files["bad"].FailAfterFigures = true;
  test::FakeBuilders reader(15, data);

  TMapProject project{reader};
  project.Open("bad", 15, 2);
  project.View->DeviceRect = {0, 0, 100, 100};
  project.SetScale(2500);
  EXPECT_THROW(project.Draw(), EConvertError);
  const TMapLeaf& leaf = *project.Themes->Items(0)->Leaves->Items(0);
  ASSERT_FALSE(leaf.LoadError.empty());

  EXPECT_THROW(ExportJwc(project), EConvertError);
  EXPECT_FALSE(std::filesystem::exists(home.Path() / "temp.txt"));

  data.Files["bad"].FailAfterFigures = false;  // the file was mended
  const TJwcStats stats = ExportJwc(project);
  EXPECT_EQ(stats.Figures, 1);
  EXPECT_EQ(stats.Vertices, 3);
  EXPECT_EQ(leaf.FigGrpCount(), 1) << "the partial list is not kept beside the new one";
}

}  // namespace
}  // namespace chizro
