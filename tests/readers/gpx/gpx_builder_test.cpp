// The GPX reader on fixture files under tests/data/gpx: GPX 1.0 and 1.1,
// several tracks and segments, empty and one-point segments, routes and
// waypoints, extensions of other namespaces; what each file gives, counted
// by hand from the fixtures; positions in a plane rectangular project
// against PROJ; and damaged files (cut short, bytes spliced in, bad
// positions), whose figures before the damage stay.
#include "readers/gpx/gpx_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/map_figure.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "model/map_theme.h"
#include "platform/errors.h"
#include "platform/sjis.h"
#include "support/leaf_dump.h"

namespace chizro::test {
namespace {

INSTANTIATE_TEST_SUITE_P(Gpx, ReaderGolden, ::testing::ValuesIn(GoldenRows("gpx/golden.tsv")),
                         RowName<GoldenCase>);

// Every figure of a leaf as "<class> <vertices> <texts joined by |>", in
// list order.
std::vector<std::string> Figures(const TMapLeaf& leaf) {
  std::vector<std::string> out;
  for (const auto& grp : leaf.FigGrps)
    for (const auto& fig : grp->Figures()) {
      std::string s = fig->ClassCode + " " + std::to_string(fig->PointCount());
      for (std::size_t i = 0; i < fig->Texts.size(); ++i)
        s += (i == 0 ? " " : "|") + SjisToUtf8(fig->Texts[i]);
      out.push_back(s);
    }
  return out;
}

// Where PROJ puts a JGD2000 position [deg] in zone IX: (east, north) [m].
TFPoint ProjZoneIX(double lat, double lon) {
  return ProjTransform("EPSG:4612", "EPSG:2451", lon, lat);
}

TEST(GpxReader, PositionsComeIntoAPlaneProjectAsProjPutsThem) {
  TMapProject project{DefaultBuilders()};  // plane rectangular, JGD2000, zone IX
  project.Open(DataPath("gpx/gpx10_routes_waypoints.gpx"), KindNumber(TKind::Gpx), TOpenMode::File);
  const TMapLeaf& leaf = *project.Themes->Items(0)->Leaves->Items(0);
  ASSERT_EQ(leaf.FigGrpCount(), 3);
  // The positions as the fixture writes them: the track's two points, the
  // route's three, the first waypoint.
  const std::vector<std::pair<const TFigure*, std::vector<std::pair<double, double>>>> cases = {
      {leaf.FigGrps[0]->Items(0), {{35.681236, 139.767125}, {35.681900, 139.765000}}},
      {leaf.FigGrps[1]->Items(0),
       {{35.681236, 139.767125}, {35.683000, 139.762000}, {35.685175, 139.752800}}},
      {leaf.FigGrps[2]->Items(0), {{35.681236, 139.767125}}},
  };
  // Degrees held in double precision: the two agree to the millimetre.
  const double tolX = 0.001;
  const double tolY = 0.001;
  for (const auto& [fig, positions] : cases) {
    ASSERT_EQ(fig->Points.size(), positions.size()) << fig->ClassCode;
    for (std::size_t i = 0; i < positions.size(); ++i) {
      const TFPoint expected = ProjZoneIX(positions[i].first, positions[i].second);
      EXPECT_NEAR(fig->Points[i].x, expected.x, tolX) << fig->ClassCode << " " << i;
      EXPECT_NEAR(fig->Points[i].y, expected.y, tolY) << fig->ClassCode << " " << i;
    }
  }
}

// Damaged files: what the message names, and what stays built.
struct DamageCase {
  const char* Name;
  const char* File;  // under tests/data/gpx
  std::vector<const char*> Mentions;
  std::vector<std::string> Kept;
};
void PrintTo(const DamageCase& row, std::ostream* os) { *os << row.Name; }

class GpxDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(GpxDamage, NamesTheFileAndLineAndKeepsWhatWasReadBefore) {
  const DamageCase& c = GetParam();
  const std::string path = DataPath(std::string("gpx/") + c.File);
  TMapBuilder_Gpx reader;
  TMapLeafGrp leaves(nullptr);
  const auto leaf = reader.OpenFile(leaves, path);
  ASSERT_TRUE(leaf);
  // Opened over what was read before the damage, for the first paint to
  // load; that load gives the same extent.
  EXPECT_FALSE(leaf->Loaded);
  EXPECT_EQ(leaf->FigGrpCount(), 0);
  const TFRect opened = leaf->Extent;
  const std::string message = MessageOf<EInOutError>([&] { reader.LoadLeaf(*leaf, nullptr, 0); });
  EXPECT_FALSE(leaf->Loaded);
  EXPECT_EQ(leaf->Extent, opened);
  ASSERT_FALSE(message.empty()) << "no error";
  EXPECT_NE(message.find("'" + path + "'"), std::string::npos) << message;
  for (const char* m : c.Mentions) EXPECT_NE(message.find(m), std::string::npos) << message;
  EXPECT_EQ(Figures(*leaf), c.Kept);
}

const DamageCase kDamage[] = {
    // The log ends inside a track point: both segments stay, the second as
    // far as its last whole point; the waypoint before them stays too.
    {"CutShort",
     "cut_short.gpx",
     {"の 14 行目", "XML"},
     {"TRK 3 battery died", "TRK 2 battery died", "WPT 1 start||"}},
    // Bytes of an earlier log spliced into a track point.
    {"GarbageSpliced",
     "garbage_spliced.gpx",
     {"の 9 行目", "UTF-8 として読めないバイト 0xFF"},
     {"TRK 3 spliced"}},
    // A receiver's log, one line, with bytes of an earlier log from column
    // 40,961 on (tools/fixtures/gpx/make_one_line_log.py): the open segment
    // keeps its 416 points, the last one cut in its time but whole in its
    // position; the parser stops at the stale point's end tag "</trkpt>",
    // which begins at column 41,014.
    {"OneLineLogSpliced",
     "one_line_spliced.gpx",
     {"の 1 行目", "タグ 'time' の終わりがありません (41016 列目)"},
     {"TRK 416 ACTIVE LOG"}},
    // The same log with erased flash (0xFF) from column 40,961 on.
    {"OneLineLogErased",
     "one_line_erased.gpx",
     {"の 1 行目", "0xFF があります (40961 文字目"},
     {"TRK 416 ACTIVE LOG"}},
    {"LongitudeMissing",
     "bad/lon_missing.gpx",
     {"の 4 行目", "wpt に lon 属性がありません"},
     {"WPT 1 ok||"}},
    {"LatitudeOutOfRange",
     "bad/lat_out_of_range.gpx",
     {"の 6 行目", "rtept の lat '95.0' は範囲を超えています"},
     {"RTE 2 r"}},
};

INSTANTIATE_TEST_SUITE_P(Files, GpxDamage, ::testing::ValuesIn(kDamage),
                         [](const auto& row) { return std::string(row.param.Name); });

INSTANTIATE_TEST_SUITE_P(Gpx, ReaderBadFile, ::testing::ValuesIn(BadFileRows("gpx/bad_files.tsv")),
                         RowName<BadFileCase>);

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Characters of several bytes in UTF-8, in names of every length, lie across
// every boundary of the reads through which the file reaches the parser:
// none of them is taken for damage, and each comes out whole. A byte that is
// not UTF-8 far into the file, after many reads, is named by its line and
// column, and every waypoint before it stays.
TEST(GpxReader, CharactersAcrossReadBoundariesAreReadWholeAndLaterDamageNamedByItsLine) {
  TempDir dir;
  const std::string path = (dir.Path() / "many.gpx").string();
  std::string doc = "<?xml version=\"1.0\"?>\n<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
  constexpr int kCount = 3000;
  for (int i = 0; i < kCount; ++i)
    doc += "<wpt lat=\"35.6\" lon=\"139.7\"><name>" +
           std::string(static_cast<std::size_t>(i % 13), 'x') + Repeat("駅𠮷", 100 + i % 5) +
           "</name></wpt>\n";
  doc += "\n\n<wpt lat=\"35.6\" lon=\"139.7\"><name>駅\xC3\x28</name></wpt>\n</gpx>\n";
  const int line = 2 + kCount + 3;  // of the bad pair of bytes
  // Its column in characters: 34 of the tags and "駅" (three bytes) before it.
  WriteFile(path, doc);
  TMapBuilder_Gpx reader;
  TMapLeafGrp leaves(nullptr);
  const auto leaf = reader.OpenFile(leaves, path);
  ASSERT_TRUE(leaf);
  const std::string m = MessageOf<EInOutError>([&] { reader.LoadLeaf(*leaf, nullptr, 0); });
  EXPECT_NE(
      m.find("の " + std::to_string(line) +
             " 行目: 入出力エラー: UTF-8 として読めないバイト 0xC3 があります (36 文字目"),
      std::string::npos)
      << m;
  // The waypoint whose name holds the bytes stands at its position, without
  // the name it never finished. U+20BB7 has no Shift_JIS form: "?".
  const std::vector<std::string> figures = Figures(*leaf);
  ASSERT_EQ(figures.size(), static_cast<std::size_t>(kCount + 1));
  for (int i = 0; i < kCount; ++i)
    ASSERT_EQ(figures[static_cast<std::size_t>(i)],
              "WPT 1 " + std::string(static_cast<std::size_t>(i % 13), 'x') +
                  Repeat("駅?", 100 + i % 5) + "||")
        << i;
  EXPECT_EQ(figures.back(), "WPT 1");
}

TEST(GpxReader, ADamagedFileInAProjectStaysDrawnAndReportsOnce) {
  TMapProject project{DefaultBuilders()};
  project.Open(DataPath("gpx/cut_short.gpx"), KindNumber(TKind::Gpx), TOpenMode::File);
  TMapTheme& theme = *project.Themes->Items(0);
  TMapLeaf& leaf = *theme.Leaves->Items(0);
  EXPECT_THROW(theme.LoadLeaf(leaf), EInOutError);
  EXPECT_NE(leaf.LoadError.find("の 14 行目"), std::string::npos) << leaf.LoadError;
  // Kept and in the project's plane coordinates: 3 + 2 vertices and a point.
  EXPECT_TRUE(leaf.Loaded);
  EXPECT_TRUE(leaf.HasFigures());
  EXPECT_EQ(leaf.CoordMode, TCoordMode::Plane);
  ASSERT_EQ(Figures(leaf).size(), 3u);
  const TFPoint expected = ProjZoneIX(35.6850, 139.7630);  // the last whole point
  const TFPoint last = leaf.FigGrps[0]->Items(1)->Points.back();
  EXPECT_NEAR(last.x, expected.x, 0.75);
  EXPECT_NEAR(last.y, expected.y, 0.25);
}

}  // namespace
}  // namespace chizro::test
