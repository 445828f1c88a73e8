// The Shapefile reader on fixtures written with GDAL (tests/data/shape,
// tools/fixtures/shape/make_fixtures.py): each file against GDAL's reading
// of it and PROJ's placement (feature_oracle.h); classes and labels by the
// definition file's dataset rows, worked out by hand from the published
// attribute tables; the encodings of the .dbf; the zip as downloaded;
// notices; and broken files, whose records before the damage stay.
#include "readers/shape/shape_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/sjis.h"
#include "readers/common/feature_set.h"
#include "readers/kind_of_file.h"
#include "readers/shape/feature_oracle.h"
#include "support/leaf_dump.h"

namespace chizro::test {
namespace {

class ShapeOracle : public ::testing::TestWithParam<OracleFile> {};

TEST_P(ShapeOracle, FiguresAttributesAndZoneAreGdalsPlacedByProj) { CheckAgainstOracle(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Shape, ShapeOracle,
                         ::testing::ValuesIn(ReadOracle("shape", KindNumber(TKind::Shape))));

INSTANTIATE_TEST_SUITE_P(Shape, ReaderBadFile, ::testing::ValuesIn(BadFileRows("shape/bad_files.tsv")),
                         RowName<BadFileCase>);

// "<class>|<text 0>" of every figure of a leaf, in list order (UTF-8).
std::vector<std::string> ClassesAndLabels(const TMapLeaf& leaf) {
  std::vector<std::string> out;
  for (const auto& grp : leaf.FigGrps)
    for (const auto& fig : grp->Figures())
      out.push_back(SjisToUtf8(fig->ClassCode) + "|" +
                    (fig->Texts.empty() ? std::string() : SjisToUtf8(fig->Texts[0])));
  return out;
}

TEST(ShapeReader, ZoningTakesTheClassOfItsDistrictAndTheLabelOfItsRates) {
  const auto leaf = OpenWithShippedDefs(KindNumber(TKind::Shape), DataPath("shape/zoning_jgd2011.shp"));
  // A29: 用途地域名 chooses the class, the label is "名 建ぺい率/容積率"; a
  // hole has the class of its polygon and no text; the fourth record is a
  // null shape.
  EXPECT_EQ(ClassesAndLabels(*leaf),
            (std::vector<std::string>{
                "用途地域_第一種低層住居専用地域|第一種低層住居専用地域 60/150",
                "用途地域_第一種低層住居専用地域|",
                "用途地域_商業地域|商業地域 80/600",
                "用途地域_商業地域|商業地域 80/600",
                "用途地域_第一種住居地域|第一種住居地域 60/300",
            }));
  EXPECT_NE(leaf->Notice.find("1 件"), std::string::npos) << leaf->Notice;
}

TEST(ShapeReader, OtherFilesTakeAClassByGeometryAndTheirNameField) {
  const auto lines = OpenWithShippedDefs(KindNumber(TKind::Shape), DataPath("shape/lines_zone9_jgd2011.shp"));
  EXPECT_EQ(ClassesAndLabels(*lines),
            (std::vector<std::string>{"線|市道一号線", "線|市道二号線", "線|市道二号線"}));
  const auto points = OpenWithShippedDefs(KindNumber(TKind::Shape), DataPath("shape/points_zone2_jgd2000.shp"));
  EXPECT_EQ(ClassesAndLabels(*points),
            (std::vector<std::string>{"点|基準点A", "点|基準点B", "点|基準点B"}));
}

TEST(ShapeReader, RoadsOfTheNationalLandDataTakeTheClassOfTheirRoadKind) {
  // The real file's excerpt: no .prj, a Shift_JIS .dbf without .cpg. Its
  // first two roads are 都道府県道 (N01_001 = 3) named 枚方亀岡線.
  const auto leaf =
      OpenWithShippedDefs(KindNumber(TKind::Shape), DataPath("shape/N01-07L-2K-27_Road_excerpt.shp"));
  const std::vector<std::string> figures = ClassesAndLabels(*leaf);
  ASSERT_EQ(figures.size(), 40u);
  EXPECT_EQ(figures[0], "N01_3|枚方亀岡線");
  EXPECT_EQ(leaf->CoordMode, TCoordMode::LatLon);
  EXPECT_NE(leaf->Notice.find("JGD2011"), std::string::npos) << leaf->Notice;
}

TEST(ShapeReader, PlaneCoordinatesWithoutAPrjGoIntoTheProjectsZoneWithANotice) {
  TMapProject project{DefaultBuilders(), nullptr, SourcePath()};
  project.Zone = TZone::Stated(4);
  project.ZoneFixed = true;
  project.Open(DataPath("shape/plane_no_prj.shp"), KindNumber(TKind::Shape), TOpenMode::File);
  const TMapLeaf& leaf = *project.Themes->Items(0)->Leaves->Items(0);
  // The coordinates as the file has them, in zone IV.
  EXPECT_EQ(leaf.FigGrps[1]->Items(0)->Points.front(), (TFPoint{-12000.0, -35000.0}));
  const std::vector<std::string> notices = project.TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("平面直角座標"), std::string::npos) << notices[0];
}

TEST(ShapeReader, ASystemNotPlacedIsNamedInTheNotice) {
  // JGD2000 / UTM zone 53N, which PROJ identifies as EPSG:3099: not one of
  // the systems placed, so the coordinates go into the project's zone.
  const auto leaf = OpenWithShippedDefs(KindNumber(TKind::Shape), DataPath("shape/utm53_jgd2000.shp"));
  EXPECT_EQ(leaf->CoordMode, TCoordMode::Plane);
  EXPECT_TRUE(leaf->Zone.IsUnstated());
  EXPECT_NE(leaf->Notice.find("EPSG:3099"), std::string::npos) << leaf->Notice;
}

TEST(ShapeReader, AZipWithNestedFoldersGivesALeafPerShapefile) {
  TMapProject project{DefaultBuilders(), nullptr, SourcePath()};
  project.Open(DataPath("shape/nested.zip"), KindNumber(TKind::Shape), TOpenMode::File);
  const TMapLeafGrp& leaves = *project.Themes->Items(0)->Leaves;
  ASSERT_EQ(leaves.Count(), 2);
  EXPECT_EQ(leaves.Items(0)->FileName,
            DataPath("shape/nested.zip") + "|data/13104/shape/lines_zone9_jgd2011.shp");
  EXPECT_EQ(leaves.Items(1)->FileName,
            DataPath("shape/nested.zip") + "|data/13104/youto/2024/zoning_jgd2011.shp");
  // Loaded, each member gives what its file gives on its own.
  for (int i = 0; i < leaves.Count(); ++i) {
    TMapLeaf& leaf = *leaves.Items(i);
    if (!leaf.Loaded) project.Themes->Items(0)->Builder->LoadLeaf(leaf, nullptr, 0);
    const std::string name = leaf.FileName.substr(leaf.FileName.rfind('/') + 1);
    const auto alone = OpenWithShippedDefs(KindNumber(TKind::Shape), DataPath("shape/" + name));
    EXPECT_EQ(ClassesAndLabels(leaf), ClassesAndLabels(*alone)) << name;
  }
}

TEST(ShapeReader, AFolderGivesALeafPerShapefileInItAndInItsZips) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "chizro-shape-folder";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "sub");
  for (const char* ext : {".shp", ".shx", ".dbf", ".prj", ".cpg"})
    std::filesystem::copy_file(DataPath(std::string("shape/points_zone2_jgd2000") + ext),
                               dir / "sub" / (std::string("points") + ext));
  std::filesystem::copy_file(DataPath("shape/nested.zip"), dir / "nested.zip");
  TMapProject project{DefaultBuilders(), nullptr, SourcePath()};
  project.Open(dir.string(), KindNumber(TKind::Shape), TOpenMode::Folder);
  TMapTheme& theme = *project.Themes->Items(0);
  ASSERT_EQ(theme.Leaves->Count(), 3);
  // Placed by the extents of their headers, each is built when loaded; the
  // points of the plain file as GDAL read them (oracle.tsv).
  int figures = 0;
  for (int i = 0; i < theme.Leaves->Count(); ++i) {
    TMapLeaf& leaf = *theme.Leaves->Items(i);
    leaf.RestoreSourceState();
    theme.Builder->LoadLeaf(leaf, nullptr, 0);
    for (const auto& grp : leaf.FigGrps) figures += grp->Count();
    if (leaf.FileName.ends_with("points.shp")) {
      EXPECT_EQ(leaf.Zone, TZone::Stated(2));
      EXPECT_EQ(leaf.FigGrps[2]->Items(0)->Points.front(), (TFPoint{-55100.0, 29900.0}));
    }
  }
  // 3 points, 3 lines, 5 rings.
  EXPECT_EQ(figures, 11);
  std::filesystem::remove_all(dir);
}

// Attribute bytes of an unknown encoding: the same words in UTF-8 and in
// Shift_JIS (the code tables' bytes for 東京 and 用途), and ASCII.
TEST(ShapeReader, AttributesWithoutAnEncodingAreUtf8WhenValidElseShiftJis) {
  EXPECT_EQ(Utf8OfUnknown("\xE6\x9D\xB1\xE4\xBA\xAC"), "東京");
  EXPECT_EQ(Utf8OfUnknown("\x93\x8C\x8B\x9E"), "東京");
  EXPECT_EQ(Utf8OfUnknown("\x97\x70\x93\x72"), "用途");
  EXPECT_EQ(Utf8OfUnknown("A29_005"), "A29_005");
  // A lead byte cut short is not UTF-8.
  EXPECT_FALSE(IsValidUtf8("\xE6\x9D"));
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x97\xBE"));
}

TEST(ShapeReader, IsRecognisedByItsContent) {
  EXPECT_EQ(KindOfFile(DataPath("shape/wgs84.shp")), TKind::Shape);
  EXPECT_EQ(KindOfFile(DataPath("shape/nested.zip")), TKind::Shape);
  // A .dbf alone is no Shapefile.
  EXPECT_NE(KindOfFile(DataPath("shape/wgs84.dbf")), TKind::Shape);
  EXPECT_EQ(KindOfFile(DataPath("shape/bad/not_a_shapefile.shp")), TKind::Sdf2500);
}

}  // namespace
}  // namespace chizro::test
