// The GPS track reader, on PCX5-style files under tests/data/gps and on lines
// written in the tests.
#include "readers/gpswpt_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "coords/datum.h"
#include "coords/projection.h"
#include "model/class_def.h"
#include "model/draw_class.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "platform/errors.h"
#include "platform/program_dir.h"
#include "test_support.h"

namespace chizro {
namespace {

using Texts = std::vector<std::string>;
using Points = std::vector<TFPoint>;

std::string DataDir() { return std::string(CHIZRO_TEST_DATA_DIR) + "/gps/"; }

const std::string kFirstLine = "H  SOFTWARE NAME & VERSION\r\n";
const std::string kDatumHeader = "H  R DATUM                IDX DA            DF\r\n";
const std::string kTrackHeader = "H  LATITUDE    LONGITUDE    DATE      TIME     ALT    ;track\r\n";

class GpsReader : public ::testing::Test {
protected:
  // Opens the lines after the first line of a file.
  std::unique_ptr<TMapLeaf> Open(const std::string& lines) {
    const std::string path = dir.File("track" + std::to_string(++files) + ".txt");
    test::WriteFile(path, kFirstLine + lines);
    return reader.OpenFile(leaves, path);
  }

  static const TFigGrp& TrackPoints(const TMapLeaf& leaf) { return *leaf.FigGrps.at(0); }
  static const TFigGrp& TrackLines(const TMapLeaf& leaf) { return *leaf.FigGrps.at(1); }

  test::TempDir dir;
  int files = 0;
  TMapLeafGrp leaves{nullptr};
  TMapBuilder_GPSWPT reader;
};

TEST_F(GpsReader, TrackPointsBecomePointsAndAChainOfLines) {
  const std::string path = DataDir() + "track_wgs84.txt";
  auto leaf = reader.OpenFile(leaves, path);

  ASSERT_NE(leaf, nullptr);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->IdleCount, 1);
  EXPECT_EQ(leaf->FileName, path);
  EXPECT_EQ(leaf->Name, "track_wgs84.txt");
  EXPECT_EQ(leaf->SheetName, "track_wgs84.txt");
  EXPECT_EQ(leaf->CoordMode, kModeLatLon);
  EXPECT_EQ(leaf->Datum, kDatumWgs84);
  ASSERT_EQ(leaf->FigGrpCount(), 2);

  // The waypoint line adds nothing.
  const TFigGrp& points = TrackPoints(*leaf);
  EXPECT_EQ(points.Kind(), TFigKind::Point);
  EXPECT_EQ(points.Name, "TRK");
  ASSERT_EQ(points.Count(), 3);
  const Points p1{{139.9474792f, 35.6701851f}};
  const Points p2{{139.9480001f, 35.6712345f}};
  const Points p3{{139.9490002f, 35.6723456f}};
  EXPECT_EQ(points.Items(0)->Name, "0000000001");
  EXPECT_EQ(points.Items(0)->ClassCode, "TRK");
  EXPECT_EQ(points.Items(0)->Points, p1);
  EXPECT_EQ(points.Items(0)->LabelX, p1[0].x);
  EXPECT_EQ(points.Items(0)->Texts, (Texts{"25-AUG-95", "09:10:58", "25"}));
  EXPECT_EQ(points.Items(2)->Name, "0000000003");
  EXPECT_EQ(points.Items(2)->Points, p3);

  const TFigGrp& lines = TrackLines(*leaf);
  EXPECT_EQ(lines.Kind(), TFigKind::Polyline);
  EXPECT_EQ(lines.Name, "TRK");
  ASSERT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines.Items(0)->Name, "0000000001");
  EXPECT_EQ(lines.Items(0)->ClassCode, "TRK");
  EXPECT_EQ(lines.Items(0)->Points, (Points{p1[0], p2[0]}));
  EXPECT_EQ(lines.Items(1)->Name, "0000000002");
  EXPECT_EQ(lines.Items(1)->Points, (Points{p2[0], p3[0]}));

  EXPECT_EQ(leaf->Extent, (TFRect{p1[0].x, p3[0].y, p3[0].x, p1[0].y}));
}

struct DatumCase {
  const char* Name;
  std::string Lines;
  int Datum;
};

void PrintTo(const DatumCase& c, std::ostream* os) { *os << c.Name; }

class GpsDatum : public GpsReader, public ::testing::WithParamInterface<DatumCase> {};

TEST_P(GpsDatum, OnlyWgs84InAnyCaseGivesWgs84) {
  auto leaf = Open(GetParam().Lines + kTrackHeader + "T  N35.0 E139.0 X Y 1\r\n");
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->Datum, GetParam().Datum);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, GpsDatum,
    ::testing::Values(
        DatumCase{"Wgs84", kDatumHeader + "M  G WGS 84               121 +0.0 +0.0\r\n",
                  kDatumWgs84},
        DatumCase{"SmallLetters", kDatumHeader + "M  G wgs 84 121\r\n", kDatumWgs84},
        DatumCase{"Tokyo", kDatumHeader + "M  G Tokyo                112 +7.4e+02\r\n",
                  kDatumTokyo},
        DatumCase{"NoDatumLine", "", kDatumTokyo},
        DatumCase{"DatumLineBeforeItsHeader", "M  G WGS 84 121\r\n" + kDatumHeader, kDatumTokyo},
        DatumCase{"LastDatumLineWins", kDatumHeader + "M  G WGS 84 121\r\nM  G Tokyo 112\r\n",
                  kDatumTokyo}),
    [](const auto& row) { return std::string(row.param.Name); });

struct CoordCase {
  const char* Name;
  const char* Units;  // a units line before the track, or empty
  const char* Latitude;
  const char* Longitude;
  double X;
  double Y;
};

void PrintTo(const CoordCase& c, std::ostream* os) { *os << c.Name; }

class GpsCoordinates : public GpsReader, public ::testing::WithParamInterface<CoordCase> {};

TEST_P(GpsCoordinates, HemisphereLetterSignAndUnits) {
  const CoordCase& c = GetParam();
  auto leaf = Open(std::string(c.Units) + kTrackHeader + "T  " + c.Latitude + " " + c.Longitude +
                   " 25-AUG-95 09:10:58 25\r\n");
  ASSERT_NE(leaf, nullptr);
  ASSERT_EQ(TrackPoints(*leaf).Count(), 1);
  const TFPoint p = TrackPoints(*leaf).Items(0)->Points.at(0);
  EXPECT_EQ(p.x, static_cast<float>(c.X));
  EXPECT_EQ(p.y, static_cast<float>(c.Y));
}

INSTANTIATE_TEST_SUITE_P(
    Items, GpsCoordinates,
    ::testing::Values(
        CoordCase{"NorthEast", "", "N35.5", "E139.25", 139.25, 35.5},
        CoordCase{"SouthWest", "", "S35.5", "W139.25", -139.25, -35.5},
        CoordCase{"OtherLettersStayPositive", "", "W35.5", "S139.25", 139.25, 35.5},
        CoordCase{"LettersAreCaseSensitive", "", "s35.5", "w139.25", 139.25, 35.5},
        CoordCase{"NoLetter", "", "35.5", "139.25", 139.25, 35.5},
        CoordCase{"SignsWithoutLetter", "", "-35.5", "+139.25", 139.25, -35.5},
        CoordCase{"PointFirst", "", ".5", "E.25", 0.25, 0.5},
        CoordCase{"DegreesDeclared", "U  LAT LON DEG\r\n", "N35.5", "E139.25", 139.25, 35.5},
        CoordCase{"DegreesAndMinutes", "U  LAT LON DM\r\n", "N3539.51486", "E13956.84875",
                  139 + 56.84875 / 60, 35 + 39.51486 / 60},
        CoordCase{"MinutesSouthWest", "U  LAT LON DM\r\n", "S3530.0", "W13930.0", -139.5, -35.5},
        CoordCase{"MinutesWithoutLetter", "U  LAT LON DM\r\n", "-3530.0", "13930", 139.5, -35.5},
        CoordCase{"LaterUnitsLineGoesBack", "U  LAT LON DM\r\nU  LAT LON DEG\r\n", "N35.5",
                  "E139.25", 139.25, 35.5},
        CoordCase{"DegreesMinutesSeconds", "U  LAT LON DMS\r\n", "N353505.856", "E1394058.53",
                  139 + 40 / 60.0 + 58.53 / 3600, 35 + 35 / 60.0 + 5.856 / 3600},
        CoordCase{"SecondsSouthWest", "U  LAT LON DMS\r\n", "S353000", "W1393036", -139.51, -35.5}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST_F(GpsReader, SecondHeaderKeepsEarlierColumnsAndTheChainGoesOn) {
  auto leaf = Open("T  N1 E1 skipped-before-header\r\n" + kTrackHeader +
                   "T  N35.1 E139.1 01-JAN-00 10:00:00 5\r\n"
                   "W  001 N35 E139\r\n"
                   "H  LATITUDE    LONGITUDE ;second track\r\n"
                   "T  N35.2 E139.2 02-JAN-00 11:00:00 6\r\n");
  ASSERT_NE(leaf, nullptr);
  const TFigGrp& points = TrackPoints(*leaf);
  ASSERT_EQ(points.Count(), 2) << "a track point before the first header does not count";
  EXPECT_EQ(points.Items(0)->Texts, (Texts{"01-JAN-00", "10:00:00", "5"}));
  EXPECT_EQ(points.Items(1)->Name, "0000000002");
  EXPECT_EQ(points.Items(1)->Texts, (Texts{"02-JAN-00", "11:00:00", "6"}));
  ASSERT_EQ(TrackLines(*leaf).Count(), 1);
  EXPECT_EQ(TrackLines(*leaf).Items(0)->Points, (Points{{139.1f, 35.1f}, {139.2f, 35.2f}}));
}

// tests/data/gps: the same two tracks, as GPSBabel writes PCX5, once in
// degrees and minutes and once in degrees, minutes and seconds.
TEST_F(GpsReader, EachTrackIsAChainOfItsOwnInEitherUnit) {
  auto dm = reader.OpenFile(leaves, DataDir() + "two_tracks_dm.txt");
  auto dms = reader.OpenFile(leaves, DataDir() + "two_tracks_dms.txt");
  ASSERT_TRUE(dm && dms);
  ASSERT_EQ(TrackPoints(*dm).Count(), 5);
  ASSERT_EQ(TrackPoints(*dms).Count(), 5);
  for (int i = 0; i < 5; ++i) {
    const TFPoint a = TrackPoints(*dm).Items(i)->Points.at(0);
    const TFPoint b = TrackPoints(*dms).Items(i)->Points.at(0);
    EXPECT_NEAR(a.x, b.x, 2e-5) << i;
    EXPECT_NEAR(a.y, b.y, 2e-5) << i;
  }
  EXPECT_NEAR(TrackPoints(*dms).Items(0)->Points[0].y, 35 + 35.0976 / 60, 2e-6);
  // Three points and two; nothing joins the end of the first track to the
  // start of the second.
  for (const TMapLeaf* leaf : {dm.get(), dms.get()}) {
    const TFigGrp& lines = TrackLines(*leaf);
    ASSERT_EQ(lines.Count(), 3);
    EXPECT_EQ(lines.Items(1)->Name, "0000000002");
    EXPECT_EQ(lines.Items(2)->Name, "0000000004");
    EXPECT_EQ(lines.Items(2)->Points.at(0), TrackPoints(*leaf).Items(3)->Points.at(0));
  }
}

TEST_F(GpsReader, AUnitsLineItCannotReadEndsTheLoadNamingIt) {
  for (const std::string units : {"U  UTM UPS", "U  LAT LON DMM", "U  LAT LON"}) {
    try {
      Open(units + "\r\n" + kTrackHeader + "T  N35 E139 D T 1\r\n");
      ADD_FAILURE() << units;
    } catch (const EInOutError& e) {
      EXPECT_NE(std::string(e.what()).find("'" + units + "'"), std::string::npos) << e.what();
    }
  }
}

TEST_F(GpsReader, ColumnsNoHeaderNamedGiveEmptyTexts) {
  auto leaf = Open("H  LONGITUDE LATITUDE TIME\r\nT  E139.5 N35.5 12:00:00 more\r\n");
  ASSERT_NE(leaf, nullptr);
  const TFigure& p = *TrackPoints(*leaf).Items(0);
  EXPECT_EQ(p.Points.at(0), (TFPoint{139.5f, 35.5f}));
  EXPECT_EQ(p.Texts, (Texts{"", "12:00:00", ""}));
  EXPECT_EQ(TrackLines(*leaf).Count(), 0);
}

TEST_F(GpsReader, FileWithoutTrackGivesEmptyListsAndTokyo) {
  auto leaf = Open("W  001 N35 E139\r\n\r\n");
  ASSERT_NE(leaf, nullptr);
  EXPECT_TRUE(leaf->Loaded);
  ASSERT_EQ(leaf->FigGrpCount(), 2);
  EXPECT_EQ(TrackPoints(*leaf).Count(), 0);
  EXPECT_EQ(TrackLines(*leaf).Count(), 0);
  EXPECT_EQ(leaf->Datum, kDatumTokyo);
  EXPECT_EQ(leaf->NoFigureReason, "航跡点がありません");
}

struct BadCase {
  const char* Name;
  std::string Lines;
  bool IndexError;  // else a conversion error
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.Name; }

class GpsBadInput : public GpsReader, public ::testing::WithParamInterface<BadCase> {};

TEST_P(GpsBadInput, EndsTheLoadBeforeAnyListIsMade) {
  const BadCase& c = GetParam();
  const std::string path = dir.File("bad.txt");
  test::WriteFile(path, kFirstLine + kTrackHeader + "T  N35 E139 D T 1\r\n" + c.Lines);
  TMapLeaf leaf(&leaves);
  leaf.FileName = path;
  if (c.IndexError) {
    EXPECT_THROW(reader.LoadLeaf(leaf, nullptr, 0), EListIndexError);
  } else {
    EXPECT_THROW(reader.LoadLeaf(leaf, nullptr, 0), EFloatConvertError);
  }
  EXPECT_FALSE(leaf.Loaded);
  EXPECT_EQ(leaf.FigGrpCount(), 0);
  EXPECT_ANY_THROW(reader.OpenFile(leaves, path));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, GpsBadInput,
    ::testing::Values(BadCase{"LatitudeNotANumber", "T  N35.5x E139 D T 1\r\n", false},
                      BadCase{"LetterAlone", "T  N E139 D T 1\r\n", false},
                      BadCase{"EmptyQuotedItem", "T  \"\" E139 D T 1\r\n", false},
                      BadCase{"BeyondSinglePrecision", "T  N1e39 E139 D T 1\r\n", false},
                      BadCase{"TrackLineWithoutAlt", "T  N35 E139 D T\r\n", true},
                      BadCase{"DatumLineEndsAtItsColumn", kDatumHeader + "M  G WGS84\r\n", true}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST_F(GpsReader, MissingFileGivesNoLeaf) {
  EXPECT_EQ(reader.OpenFile(leaves, dir.File("none.txt")), nullptr);
  EXPECT_EQ(reader.OpenFolder(leaves, dir.Path().string()), nullptr);
}

// Through the project: WGS 84 tracks go straight into zone 9, TOKYO tracks
// move by the datum shift once, also after an unload and reload.
class GpsProject : public ::testing::Test {
protected:
  void SetUp() override {
    SetProgramDir(std::filesystem::path(CHIZRO_TEST_DATA_DIR).parent_path().parent_path().string());
  }
  void TearDown() override { SetProgramDir(""); }

  void PaintAt(float x, float y) {
    project.View->DeviceRect = {0, 0, 1000, 1000};
    project.SetScale(2500);
    project.View->CenterX = x;
    project.View->CenterY = y;
    project.Draw();
  }

  // Zone 9 plane coordinates of a JGD2000 point [deg].
  static TFPoint Plane(double lat, double lon) {
    double X = 0;
    double Y = 0;
    LatLonToXY(kGrs80, 9, X, Y, lat, lon);
    return {static_cast<float>(Y), static_cast<float>(X)};
  }

  TMapProject project;
};

TEST_F(GpsProject, Wgs84TrackLandsInZoneNine) {
  ASSERT_TRUE(project.Open(DataDir() + "track_wgs84.txt", kKindGpsWpt, 2));
  const TMapTheme& theme = *project.Themes->Items(0);
  EXPECT_EQ(theme.ClassDefs->Count(), 1) << "def/GPSWPT.ini";
  ASSERT_EQ(theme.Leaves->Count(), 1);
  const TMapLeaf& leaf = *theme.Leaves->Items(0);
  EXPECT_EQ(leaf.CoordMode, kModePlane);
  EXPECT_EQ(leaf.Datum, 2);
  const TFPoint want = Plane(double{35.6701851f}, double{139.9474792f});
  const TFPoint got = leaf.FigGrps.at(0)->Items(0)->Points.at(0);
  EXPECT_NEAR(got.x, want.x, 0.01);
  EXPECT_NEAR(got.y, want.y, 0.01);
}

TEST_F(GpsProject, TokyoTrackInMinutesIsShiftedOnceAcrossReloads) {
  ASSERT_TRUE(project.Open(DataDir() + "track_tokyo_dm.txt", kKindGpsWpt, 2));
  TMapLeaf& leaf = *project.Themes->Items(0)->Leaves->Items(0);
  // The file holds N3540.01911 E13957.04075 in the TOKYO datum.
  const double lat = 35 + 40.01911 / 60;
  const double lon = 139 + 57.04075 / 60;
  double jgdLat = 0;
  double jgdLon = 0;
  ConvertDatum(kDatumTokyo, kDatumJgd2000, lat, lon, jgdLat, jgdLon);
  const TFPoint want = Plane(jgdLat, jgdLon);
  const auto first = leaf.FigGrps.at(0)->Items(0)->Points;
  EXPECT_NEAR(first.at(0).x, want.x, 0.5);
  EXPECT_NEAR(first.at(0).y, want.y, 0.5);
  // Some 450 m from where the TOKYO coordinates would lie unshifted.
  const TFPoint unshifted = Plane(lat, lon);
  EXPECT_GT(std::hypot(first[0].x - unshifted.x, first[0].y - unshifted.y), 300.0);

  PaintAt(first[0].x, first[0].y);
  const TDrawClass* cls = leaf.DrawClasses->Find("TRK");
  ASSERT_NE(cls, nullptr);
  EXPECT_NE(cls->ClassDef, nullptr);
  EXPECT_EQ(cls->Figures.size(), 2u + 1u);
  for (int i = 0; i < 5; ++i) PaintAt(-900000, -900000);
  ASSERT_FALSE(leaf.Loaded);
  PaintAt(first[0].x, first[0].y);
  ASSERT_TRUE(leaf.Loaded);
  EXPECT_EQ(leaf.FigGrps.at(0)->Items(0)->Points, first);
  EXPECT_EQ(leaf.Datum, 2);
}

}  // namespace
}  // namespace chizro
