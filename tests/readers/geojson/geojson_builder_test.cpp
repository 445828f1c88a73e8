// The GeoJSON reader on fixtures written for it (tests/data/geojson,
// tools/fixtures/shape/make_fixtures.py): each file against GDAL's reading
// of it and PROJ's placement (readers/shape/feature_oracle.h); every
// geometry type, a null geometry, a collection, the legacy crs member, a
// zip as downloaded; and broken files, whose features before the damage stay.
#include "readers/geojson/geojson_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/sjis.h"
#include "readers/kind_of_file.h"
#include "readers/shape/feature_oracle.h"
#include "support/leaf_dump.h"

namespace chizro::test {
namespace {

class GeoJsonOracle : public ::testing::TestWithParam<OracleFile> {};

TEST_P(GeoJsonOracle, FiguresAttributesAndZoneAreGdalsPlacedByProj) {
  CheckAgainstOracle(GetParam());
}

INSTANTIATE_TEST_SUITE_P(GeoJson, GeoJsonOracle,
                         ::testing::ValuesIn(ReadOracle("geojson", KindNumber(TKind::GeoJson))));

INSTANTIATE_TEST_SUITE_P(GeoJson, ReaderBadFile,
                         ::testing::ValuesIn(BadFileRows("geojson/bad_files.tsv")),
                         RowName<BadFileCase>);

// "<class> <points>|<text 0>" of every figure, in list order (UTF-8).
std::vector<std::string> Figures(const TMapLeaf& leaf) {
  std::vector<std::string> out;
  for (const auto& grp : leaf.FigGrps)
    for (const auto& fig : grp->Figures())
      out.push_back(SjisToUtf8(fig->ClassCode) + " " + std::to_string(fig->PointCount()) + "|" +
                    (fig->Texts.empty() ? std::string() : SjisToUtf8(fig->Texts[0])));
  return out;
}

TEST(GeoJsonReader, EveryGeometryTypeBecomesItsFigures) {
  const auto leaf = OpenWithShippedDefs(KindNumber(TKind::GeoJson), DataPath("geojson/all_types_wgs84.geojson"));
  // Counted by hand from the fixture: polygons (each ring; a hole without
  // text), lines, points; the feature with a null geometry draws nothing.
  EXPECT_EQ(Figures(*leaf), (std::vector<std::string>{
                                "面 5|穴あき", "面 5|", "面 4|多面", "面 4|多面", "面 4|",
                                "線 3|線", "線 2|多線", "線 3|多線", "線 2|集合",
                                "点 1|点", "点 1|多点", "点 1|多点", "点 1|集合"}));
  EXPECT_EQ(leaf->Datum, TDatum::Wgs84);
  EXPECT_NE(leaf->Notice.find("1 件"), std::string::npos) << leaf->Notice;
  // Every property, numbers as written and null as empty.
  const TFigure& hole = *leaf->FigGrps[0]->Items(0);
  EXPECT_EQ(hole.GetProp(Utf8ToSjis("真")), "true");
  EXPECT_EQ(hole.GetProp(Utf8ToSjis("null値")), "");
}

TEST(GeoJsonReader, TheLegacyCrsMemberNamesTheSystem) {
  const auto leaf = OpenWithShippedDefs(KindNumber(TKind::GeoJson), DataPath("geojson/crs_jgd2011.geojson"));
  EXPECT_EQ(leaf->Datum, TDatum::Jgd2000);
  EXPECT_EQ(leaf->CoordMode, TCoordMode::LatLon);
  // The N03 row: class N03, label 郡・政令都市名 (empty) and 市区町村名.
  EXPECT_EQ(Figures(*leaf), (std::vector<std::string>{"N03 5|新宿区"}));
  const auto plane = OpenWithShippedDefs(KindNumber(TKind::GeoJson), DataPath("geojson/crs_zone9.json"));
  EXPECT_EQ(plane->CoordMode, TCoordMode::Plane);
  EXPECT_EQ(plane->Zone, TZone::Stated(9));
  EXPECT_TRUE(plane->Notice.empty()) << plane->Notice;
}

TEST(GeoJsonReader, ACrsOfASystemNotPlacedIsNamedInTheNotice) {
  const auto leaf =
      OpenWithShippedDefs(KindNumber(TKind::GeoJson), DataPath("geojson/crs_web_mercator.geojson"));
  EXPECT_EQ(leaf->CoordMode, TCoordMode::Plane);
  EXPECT_TRUE(leaf->Zone.IsUnstated());
  EXPECT_NE(leaf->Notice.find("EPSG::3857"), std::string::npos) << leaf->Notice;
}

TEST(GeoJsonReader, AZipWithNestedFoldersGivesALeafPerFile) {
  TMapProject project{DefaultBuilders(), nullptr, SourcePath()};
  project.Open(DataPath("geojson/nested.zip"), KindNumber(TKind::GeoJson), TOpenMode::File);
  const TMapLeafGrp& leaves = *project.Themes->Items(0)->Leaves;
  ASSERT_EQ(leaves.Count(), 2);
  EXPECT_EQ(leaves.Items(0)->FileName, DataPath("geojson/nested.zip") + "|N03-2024/13/N03_13.geojson");
  EXPECT_EQ(leaves.Items(1)->FileName, DataPath("geojson/nested.zip") + "|N03-2024/other/all.geojson");
}

TEST(GeoJsonReader, IsRecognisedByItsContent) {
  EXPECT_EQ(KindOfFile(DataPath("geojson/crs_zone9.json")), TKind::GeoJson);
  EXPECT_EQ(KindOfFile(DataPath("geojson/bare_geometry.geojson")), TKind::GeoJson);
  EXPECT_EQ(KindOfFile(DataPath("geojson/nested.zip")), TKind::GeoJson);
  EXPECT_NE(KindOfFile(DataPath("geojson/bad/array_root.json")), TKind::GeoJson);
}

}  // namespace
}  // namespace chizro::test
