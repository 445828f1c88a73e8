// The 地図XML (登記所備付地図) reader on fixtures written from the format
// (tests/data/moj) and an excerpt of a real download against golden dumps
// (boundaries written once with the higher class, lot numbers placed inside
// their parcels: checked by hand from the fixtures' points), the position of
// a 公共座標 file against PROJ, the 任意座標系 notice, zips inside a zip, and
// the errors of bad files.
#include "readers/moj/moj_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/errors.h"
#include "platform/sjis.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro::test {
namespace {

namespace fs = std::filesystem;

INSTANTIATE_TEST_SUITE_P(Moj, ReaderGolden, ::testing::ValuesIn(GoldenRows("moj/golden.tsv")),
                         RowName<GoldenCase>);

std::string Utf8Class(const TFigure& fig) { return SjisToUtf8(fig.ClassCode); }

std::vector<const TFigure*> PointsOf(const TMapLeaf& leaf, const std::string& cls) {
  std::vector<const TFigure*> found;
  for (const auto& grp : leaf.FigGrps)
    for (const auto& fig : grp->Figures())
      if (fig->Kind() == TFigKind::Point && Utf8Class(*fig) == cls) found.push_back(fig.get());
  return found;
}

TEST(MojReader, PublicCoordinatesLandWherePROJPutsThem) {
  TMapProject project{DefaultBuilders()};
  project.CoordMode = TCoordMode::LatLon;
  project.Open(DataPath("moj/parcels_zone9.xml"), KindNumber(TKind::Moj), TOpenMode::File);
  // The first file in public coordinates fixes the project's zone, with no
  // notice.
  EXPECT_EQ(project.Zone.Number(), 9);
  EXPECT_TRUE(project.TakeNotices().empty());
  TMapTheme& theme = *project.Themes->Items(0);
  ASSERT_EQ(theme.Leaves->Count(), 1);
  TMapLeaf& leaf = *theme.Leaves->Items(0);
  // Built by the open, then again by a load after the leaf was freed.
  for (const bool reload : {false, true}) {
    if (reload) {
      leaf.Unload();
      theme.LoadLeaf(leaf);
    }
    ASSERT_TRUE(leaf.Loaded);
    const auto control = PointsOf(leaf, "基準点");
    ASSERT_EQ(control.size(), 1u);
    // The control point T1: zmn:X -34965.000, zmn:Y 12035.000 in zone IX.
    const TFPoint ll = ProjTransform("EPSG:2451", "EPSG:4612", 12035.0, -34965.0);
    // Degrees held as doubles: 1e-8 deg is about a millimetre.
    const double tolerance = 1e-8;
    EXPECT_NEAR(control[0]->Points[0].x, ll.x, tolerance) << "reload " << reload;
    EXPECT_NEAR(control[0]->Points[0].y, ll.y, tolerance) << "reload " << reload;
  }
}

TEST(MojReader, LocalSystemStaysInItsCoordinatesAndIsNoticedOnce) {
  TMapProject project{DefaultBuilders()};
  project.Open(DataPath("moj/12103-0000.zip"), KindNumber(TKind::Moj), TOpenMode::File);
  TMapTheme& theme = *project.Themes->Items(0);
  // Both inner zips, each one leaf; the text member is passed over.
  ASSERT_EQ(theme.Leaves->Count(), 2);
  const std::vector<std::string> notices = project.TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("任意座標系"), std::string::npos);
  EXPECT_NE(notices[0].find("ほかのデータとの位置関係は合っていません"), std::string::npos);
  EXPECT_TRUE(project.TakeNotices().empty());
  for (int i = 0; i < theme.Leaves->Count(); ++i) {
    TMapLeaf& leaf = *theme.Leaves->Items(i);
    EXPECT_NE(leaf.FileName.find("12103-0000.zip|12103-0000-"), std::string::npos);
    theme.LoadLeaf(leaf);
    ASSERT_TRUE(leaf.Loaded) << leaf.LoadError;
  }
  TMapLeaf& local = *theme.Leaves->Items(1);
  ASSERT_NE(local.FileName.find("12103-0000-2.xml"), std::string::npos);
  // The square parcel of the local file, zmn:X 100..110, zmn:Y 200..210,
  // stays where the file puts it although the project is in zone IX.
  const auto parcels = PointsOf(local, "筆");
  ASSERT_EQ(parcels.size(), 1u);
  EXPECT_NEAR(parcels[0]->LabelX, 205, 0.05);
  EXPECT_NEAR(parcels[0]->LabelY, 105, 0.05);
  EXPECT_EQ(project.Zone.Number(), 9);
  // A change of the project's zone moves data of zones, not local data.
  project.ChooseZone(TZone::Stated(2));
  EXPECT_NEAR(parcels[0]->LabelX, 205, 0.05);
  EXPECT_NEAR(parcels[0]->LabelY, 105, 0.05);
}

// Control characters in a text, which XML forbids, are read as "?": the
// file opens whole, and the notice names the line of the first.
TEST(MojReader, AControlCharacterInATextIsReplacedAndNoticedByItsLine) {
  TMapProject project{DefaultBuilders()};
  project.Open(DataPath("moj/control_char.xml"), KindNumber(TKind::Moj), TOpenMode::File);
  ASSERT_EQ(project.Themes->Count(), 1);
  TMapLeaf& leaf = *project.Themes->Items(0)->Leaves->Items(0);
  ASSERT_TRUE(leaf.Loaded) << leaf.LoadError;
  const std::vector<std::string> notices = project.TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("control_char.xml' の 52 行目: 制御文字 2 個を '?' に置き換えて"),
            std::string::npos)
      << notices[0];
  const auto parcels = PointsOf(leaf, "筆");
  ASSERT_EQ(parcels.size(), 2u);
  ASSERT_GE(parcels[1]->Texts.size(), 2u);
  EXPECT_EQ(parcels[1]->Texts[0], "8?");
  EXPECT_EQ(SjisToUtf8(parcels[1]->Texts[1]), "作草?部町");
  // A load reads it the same way.
  project.Themes->Items(0)->LoadLeaf(leaf);
  EXPECT_TRUE(leaf.Loaded) << leaf.LoadError;
}

// The good member opens; the bad one has a leaf that reports its error
// when it is loaded.
TEST(MojReader, AZipMemberThatFailsReportsItsErrorWhenLoaded) {
  TMapProject project{DefaultBuilders()};
  project.Open(DataPath("moj/bad/one_bad_member.zip"), KindNumber(TKind::Moj), TOpenMode::File);
  TMapTheme& theme = *project.Themes->Items(0);
  ASSERT_EQ(theme.Leaves->Count(), 2);
  TMapLeaf& good = *theme.Leaves->Items(0);
  TMapLeaf& bad = *theme.Leaves->Items(1);
  EXPECT_NE(good.FileName.find("|a/local.xml"), std::string::npos) << good.FileName;
  EXPECT_NE(bad.FileName.find("|a/unknown_system.xml"), std::string::npos) << bad.FileName;
  theme.LoadLeaf(good);
  EXPECT_TRUE(good.Loaded);
  const std::string m = MessageOf<EInOutError>([&] { theme.LoadLeaf(bad); });
  EXPECT_NE(m.find("公共座標20系"), std::string::npos) << m;
  EXPECT_FALSE(bad.LoadError.empty());
  EXPECT_FALSE(bad.HasFigures());
}

TEST(MojReader, FolderModeFindsFilesAndZipsBelowIt) {
  TempDir dir;
  fs::create_directories(dir.Path() / "a" / "b");
  fs::copy_file(DataPath("moj/12103-0000.zip"), dir.Path() / "a" / "12103-0000.zip");
  fs::copy_file(DataPath("moj/parcels_zone9.xml"), dir.Path() / "a" / "b" / "p.xml");
  fs::copy_file(DataPath("moj/bad/other_schema.xml"), dir.Path() / "a" / "other.xml");
  TMapProject project{DefaultBuilders()};
  project.Open(dir.Path().string(), KindNumber(TKind::Moj), TOpenMode::Folder);
  ASSERT_EQ(project.Themes->Count(), 1);
  EXPECT_EQ(project.Themes->Items(0)->Leaves->Count(), 3);
}

INSTANTIATE_TEST_SUITE_P(Moj, ReaderBadFile, ::testing::ValuesIn(BadFileRows("moj/bad_files.tsv")),
                         RowName<BadFileCase>);

}  // namespace
}  // namespace chizro::test
