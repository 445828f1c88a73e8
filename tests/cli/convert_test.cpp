// The headless converter end to end: a binary vector file opened under data
// kind 1011 (the vector reader with the 1:2500 definition file), painted
// offscreen, written as "temp.txt", and previewed as a PNG. The same on
// every platform's drawing side.
#include "cli/convert_command.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

#ifdef _WIN32
#include "win/canvas/gdiplus_image.h"
#else
#include <QImage>
#endif

namespace chizro {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// A preview read back: its size and its pixels as 0xRRGGBB.
struct TPreview {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Rgb;  // rows from the top
  std::uint32_t At(int x, int y) const {
    return Rgb.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                  static_cast<std::size_t>(x));
  }
};

// Reads the PNG with the platform's own decoder; empty when it cannot.
TPreview ReadPreview(const std::string& path) {
  TPreview preview;
#ifdef _WIN32
  const std::string bytes = test::ReadFile(path);
  TPixels pixels;
  try {
    pixels = DecodeWithGdiplus({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  } catch (const EImageFormat&) {
    return preview;
  }
  preview.Width = pixels.Width;
  preview.Height = pixels.Height;
  for (std::uint32_t p : pixels.Data) preview.Rgb.push_back(p & 0xFFFFFF);
#else
  const QImage image(QString::fromStdString(path));
  preview.Width = image.width();
  preview.Height = image.height();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) preview.Rgb.push_back(image.pixel(x, y) & 0xFFFFFF);
#endif
  return preview;
}

const fs::path kData = fs::path(CHIZRO_TEST_DATA_DIR) / "convert";

// A copy of tests/data/convert/home as the program directory: a 1:2500
// definition file with a red 16-pixel symbol for the points of class 7301,
// settings for class 1101 and a request with a pick point. sheet.vec is a
// 100 m sheet with a red filled square in its left half and a point at its
// centre; east.vec lies 10 km east with a square right of its centre.
class ConvertTest : public ::testing::Test {
protected:
  void SetUp() override { fs::copy(kData / "home", home.Path(), fs::copy_options::recursive); }

  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return RunConvert(args, out, err);
  }

  // Runs a 地図XML conversion with the shipped definition file.
  int RunMoj(std::vector<std::string> maps) {
    fs::copy_file(fs::path(CHIZRO_TEST_DATA_DIR) / ".." / ".." / "def" / "Moj.ini",
                  home.Path() / "def" / "Moj.ini", fs::copy_options::overwrite_existing);
    maps.insert(maps.begin(), {"--home", home.Path().string(), "--kind", "53"});
    return Run(maps);
  }

  test::TempDir home;
  test::TempDir data;
  std::string map = (kData / "sheet.vec").string();
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(ConvertTest, WritesTheResultAndAPreviewOfTheLastPaint) {
  const std::string png = data.File("view.png");
  ASSERT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", "--preview", png, map}), 0)
      << err.str();

  EXPECT_EQ(test::ReadFile(home.File("temp.txt")),
            "hp1 10 20\r\n"  // the point class comes first (Order 1), without settings entry
            "pt 50010 -49980 1 0 -6\r\npt 50010 -49980\r\n\r\n"
            "ly1\r\nlc2\r\nlt3\r\ncn4\r\n"
            "10010 -69980\r\n40010 -69980\r\n40010 -29980\r\n10010 -29980\r\n"
            "ch 25010 -49980 1 0 \"sq\r\n\r\n");
  EXPECT_TRUE(std::regex_search(
      out.str(), std::regex("^chizro-convert: テーマ 1、リーフ 1、図形 2、頂点 4 を '" +
                            std::regex_replace(home.File("temp.txt"),
                                               std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                            R"(' に書きました \(9系 JGD2000、[0-9.]+ 秒\)\n$)")))
      << out.str();
  EXPECT_EQ(err.str(), "");

  // 688 x 451 pixels at 1:2500 centred on the sheet: 1.0583 pixels per metre.
  const TPreview view = ReadPreview(png);
  ASSERT_EQ(view.Width, 688);
  ASSERT_EQ(view.Height, 451);
  EXPECT_EQ(view.At(344, 225), kRed) << "the symbol at the centre";
  EXPECT_EQ(view.At(344 - 26, 225), kRed) << "the square, filled red";
  EXPECT_EQ(view.At(344 + 26, 225), kWhite);
  EXPECT_EQ(view.At(5, 5), kWhite);
}

TEST_F(ConvertTest, ThePreviewShowsTheLastSheetWritten) {
  const std::string second = (kData / "east.vec").string();
  const std::string png = data.File("view.png");
  ASSERT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", "--preview", png, map, second}),
            0)
      << err.str();
  EXPECT_NE(out.str().find("、リーフ 2、図形 3、頂点 8 "), std::string::npos) << out.str();
  const TPreview view = ReadPreview(png);
  ASSERT_EQ(view.Width, 688);
  EXPECT_EQ(view.At(344 + 20, 225), kRed) << "the east sheet's square";
  EXPECT_EQ(view.At(344, 225), kWhite) << "not the first sheet's symbol";
  EXPECT_EQ(view.At(344 - 26, 225), kWhite) << "nor its square";
}

TEST_F(ConvertTest, SizeAndScaleSetTheView) {
  const std::string png = data.File("small.png");
  ASSERT_EQ(Run({"--home=" + home.Path().string(), "--kind=1011", "--size", "200x100", "--scale",
                 "250", "--preview", png, map}),
            0)
      << err.str();
  const TPreview view = ReadPreview(png);
  ASSERT_EQ(view.Width, 200);
  ASSERT_EQ(view.Height, 100);
  // At 1:250 one metre is 10.6 pixels: the square, 10 metres left of the
  // centre, lies outside the 200-pixel view; the 16-pixel symbol stays.
  EXPECT_EQ(view.At(100, 50), kRed);
  EXPECT_EQ(view.At(100 - 12, 50), kWhite);
  EXPECT_EQ(view.At(5, 50), kWhite);
}

TEST_F(ConvertTest, FailuresAreReportedWithoutAResult) {
  const std::string gps = std::string(CHIZRO_TEST_DATA_DIR) + "/gps/waypoints_only.txt";
  EXPECT_EQ(Run({"--home", home.Path().string(), "--kind", "91", gps}), 1);
  EXPECT_EQ(err.str(),
            "chizro-convert: '" + gps + "' に描ける図形がありません (航跡点がありません)\n");
  EXPECT_EQ(out.str(), "");
  EXPECT_FALSE(fs::exists(home.File("temp.txt")));

  fs::remove(home.File("JWC_TEMP.TXT"));
  EXPECT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", map}), 1);
  // The request file named in full, with what to do about it.
  EXPECT_TRUE(err.str().starts_with("chizro-convert: ファイルが見つかりません: '" +
                                    home.File("JWC_TEMP.TXT") + "'\n"))
      << err.str();
  EXPECT_NE(err.str().find("外部変形"), std::string::npos) << err.str();
  EXPECT_EQ(out.str(), "");
  EXPECT_FALSE(fs::exists(home.File("temp.txt")));

  test::WriteFile(data.File("text.vec"), std::string(600, 'x'));  // no vector header
  EXPECT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", data.File("text.vec")}), 1);
  const std::string nothing =
      "chizro-convert: 地図を開けませんでした。地図データではないか、既に開いています: '";
  EXPECT_EQ(err.str(), nothing + data.File("text.vec") + "' (データ種別 1011)\n");
  EXPECT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", map, map}), 1);
  EXPECT_EQ(err.str(), nothing + map + "' (データ種別 1011)\n");

  EXPECT_EQ(Run({"--home", home.File("missing"), map}), 1);
  EXPECT_NE(err.str().find("プログラムフォルダがありません"), std::string::npos) << err.str();
}

// Without --kind each map opens as its content shows: a vector file and a
// GPX track together; a folder by its files, with --folder or without, as
// the window opens it (a folder of 地図XML files, kind 53).
TEST_F(ConvertTest, WithoutAKindTheContentChoosesIt) {
  const std::string gpx = std::string(CHIZRO_TEST_DATA_DIR) + "/gpx/gpx10_routes_waypoints.gpx";
  ASSERT_EQ(Run({"--home", home.Path().string(), map, gpx}), 0) << err.str();
  EXPECT_NE(out.str().find("テーマ 2、"), std::string::npos) << out.str();
  EXPECT_TRUE(fs::exists(home.File("temp.txt")));

  fs::copy_file(fs::path(CHIZRO_TEST_DATA_DIR) / "moj" / "local.xml", data.File("local.xml"));
  for (const bool folderOption : {true, false}) {
    fs::copy_file(fs::path(CHIZRO_TEST_DATA_DIR) / ".." / ".." / "def" / "Moj.ini",
                  home.Path() / "def" / "Moj.ini", fs::copy_options::overwrite_existing);
    std::vector<std::string> args = {"--home", home.Path().string(), data.Path().string()};
    if (folderOption) args.insert(args.begin() + 2, "--folder");
    EXPECT_EQ(Run(args), 0) << err.str();
    // The notice of a 地図XML file in its own coordinates names its kind.
    EXPECT_NE(out.str().find("任意座標系"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("テーマ 1、リーフ 1、"), std::string::npos) << out.str();
  }
}

// --sima writes the points and parcels in place of "temp.txt" (no request
// file is needed) and says what it wrote, in the zone given.
TEST_F(ConvertTest, SimaOutputTakesThePlaceOfTheResult) {
  fs::copy_file(fs::path(CHIZRO_TEST_DATA_DIR) / ".." / ".." / "def" / "Sima.ini",
                home.Path() / "def" / "Sima.ini", fs::copy_options::overwrite_existing);
  fs::remove(home.File("JWC_TEMP.TXT"));
  const std::string sima = data.File("points.sim");
  ASSERT_EQ(Run({"--home", home.Path().string(), "--zone", "6", "--sima", sima,
                 std::string(CHIZRO_TEST_DATA_DIR) + "/sima/utf8_bom.sim"}),
            0)
      << err.str();
  EXPECT_NE(out.str().find("点 3、画地 1 を '" + sima + "' に書きました (6系 "), std::string::npos)
      << out.str();
  EXPECT_FALSE(fs::exists(home.File("temp.txt")));
  // X north first, to the millimetre, the name in Shift_JIS.
  EXPECT_NE(test::ReadFile(sima).find("A01,1,\x8A\xEE\x8F\x80\x82\x50,-34000.125,-5000.500,3.500,\r\n"),
            std::string::npos)
      << test::ReadFile(sima);
  ASSERT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out.str().find("--sima FILE.sim"), std::string::npos);
}

// --control places a map in arbitrary coordinates by the points of a SIMA
// file and the summary says how well: a copy of the placed test map
// without its sidecar.
TEST_F(ConvertTest, ControlPointsPlaceAnArbitraryMapAndTheFitIsReported) {
  const fs::path placement = fs::path(CHIZRO_TEST_DATA_DIR) / "placement";
  fs::copy_file(placement / "local_helmert.xml", data.File("map.xml"));
  ASSERT_EQ(RunMoj({"--zone", "2", "--fit", "affine", "--control",
                    (placement / "control.sim").string(), data.File("map.xml")}),
            0)
      << err.str();
  EXPECT_NE(out.str().find("位置合わせ: アフィン変換 4点 RMSE 0.000 m"), std::string::npos)
      << out.str();
  EXPECT_EQ(out.str().find("任意座標系"), std::string::npos) << out.str();
  // One of the points 2 cm off: the map is placed, and that point named. By
  // hand, for four points near a square's corners (leverage 1/2 each): the
  // blunder's residual is 1 cm, the sum of squares (2 cm)² · 1/2, the RMSE
  // sqrt(0.0002 / 4) = 0.007 m.
  out.str("");
  ASSERT_EQ(RunMoj({"--zone", "2", "--control", (placement / "blunder.gcp").string(),
                    data.File("map.xml")}),
            0)
      << err.str();
  EXPECT_NE(out.str().find("位置合わせ: ヘルマート変換 4点 RMSE 0.007 m、"), std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("点 '62675' は他の点から求めた位置と 0.02"), std::string::npos)
      << out.str();
}

TEST_F(ConvertTest, TheHelpGoesToStandardOutputAndSaysWhereTheDataComesFrom) {
  ASSERT_EQ(Run({"--help"}), 0);
  EXPECT_EQ(out.str().rfind("使い方: chizro-convert", 0), 0u);
  for (const char* text : {"https://service.gsi.go.jp/kiban/", "https://www.geospatial.jp/",
                           "以前のデータ", "PCX5", "CD-ROM"})
    EXPECT_NE(out.str().find(text), std::string::npos) << text;
}

TEST_F(ConvertTest, AFolderWithABadSheetWritesTheGoodOnesAndFails) {
  const std::string disc = std::string(CHIZRO_TEST_DATA_DIR) + "/sdf/disc";
  EXPECT_EQ(Run({"--home", home.Path().string(), "--folder", disc}), 1);
  EXPECT_NE(out.str().find("、リーフ 2、"), std::string::npos) << out.str();
  EXPECT_TRUE(fs::exists(home.File("temp.txt")));
  // The sheet's folder joined with the platform's separator.
  const std::string sheet = (fs::path(disc) / "07MD624").string();
  // The sheet's error names its description file and the line.
  const std::string description = (fs::path(sheet) / "07MD624.TXT").string();
  EXPECT_EQ(err.str(), "chizro-convert: 開けなかった地図があります\n'" + sheet + "': '" +
                           description + "' の 8 行目: '2,500' は浮動小数点数ではありません\n");
}

struct UsageCase {
  const char* Name;
  std::vector<std::string> Args;
  const char* Message;
};
void PrintTo(const UsageCase& row, std::ostream* os) { *os << row.Name; }

class ConvertUsageTest : public ConvertTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(ConvertUsageTest, BadCommandLinesShowTheUsage) {
  EXPECT_EQ(Run(GetParam().Args), 2);
  EXPECT_EQ(err.str().rfind(std::string("chizro-convert: ") + GetParam().Message + "\n使い方: ", 0),
            0u)
      << err.str();
  EXPECT_EQ(out.str(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ConvertUsageTest,
    ::testing::Values(
        UsageCase{"NoMap", {"--kind", "11"}, "地図ファイルが指定されていません"},
        UsageCase{"UnknownOption", {"--fast", "m"}, "不明なオプションです: --fast"},
        UsageCase{"MissingValue", {"m", "--scale"}, "--scale には値が必要です"},
        UsageCase{"BadKind", {"--kind", "eleven", "m"}, "--kind の値が正しくありません: 'eleven'"},
        UsageCase{"EmptySize", {"--size", "0x451", "m"}, "--size の値が正しくありません: '0x451'"},
        UsageCase{"ZoneZero",
                  {"--zone", "0", "m"},
                  "--zone の値が正しくありません: '0' (1〜19 の系番号)"},
        UsageCase{"ZoneTwenty",
                  {"--zone=20", "m"},
                  "--zone の値が正しくありません: '20' (1〜19 の系番号)"},
        UsageCase{"ContourZero", {"--contour", "0", "m"}, "--contour の値が正しくありません: '0'"},
        UsageCase{"FitUnknown",
                  {"--fit", "spline", "m"},
                  "--fit の値が正しくありません: 'spline' (affine か helmert)"}),
    test::RowName<UsageCase>);

// The sheet states zone 9; a zone given fixes the project's zone, and the
// sheet is converted into it.
TEST_F(ConvertTest, AGivenZoneIsTheProjectsZone) {
  ASSERT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", map}), 0) << err.str();
  const std::string inZone9 = test::ReadFile(home.File("temp.txt"));
  ASSERT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", "--zone", "8", map}), 0)
      << err.str();
  EXPECT_NE(out.str().find(" (8系 JGD2000、"), std::string::npos) << out.str();
  EXPECT_NE(test::ReadFile(home.File("temp.txt")), inZone9);
}

// An elevation model tile contoured at the definition file's interval for
// its 5 m cells (2 m), and at the interval given: as many lines as GDAL's
// contour generator draws on that grid (tests/data/dem/gdal_contours.txt).
TEST_F(ConvertTest, ContourIntervalFromTheDefinitionFileOrTheCommandLine) {
  fs::create_directories(home.Path() / "def");
  fs::copy_file(fs::path(CHIZRO_TEST_DATA_DIR) / ".." / ".." / "def" / "Fgd.ini",
                home.Path() / "def" / "Fgd.ini");
  const std::string dem = std::string(CHIZRO_TEST_DATA_DIR) + "/dem/single.xml";
  ASSERT_EQ(Run({"--home", home.Path().string(), "--kind", "52", dem}), 0) << err.str();
  EXPECT_NE(out.str().find("、図形 28、"), std::string::npos) << out.str();
  ASSERT_EQ(Run({"--home", home.Path().string(), "--kind", "52", "--contour", "5", dem}), 0)
      << err.str();
  EXPECT_NE(out.str().find("、図形 10、"), std::string::npos) << out.str();
}

// Survey coordinates 150 km from the origin of zone IX, given to the
// millimetre, reach "temp.txt" to the micrometre: the theme's top-left corner
// (easting 149999.877, northing -149987.651) on the pick point (10, 20), one
// metre 1000 units. The expected numbers are worked out by hand from the file.
TEST_F(ConvertTest, CadastralCoordinatesFarFromTheOriginKeepTheirMillimetres) {
  const std::string file = std::string(CHIZRO_TEST_DATA_DIR) + "/moj/far_from_origin.xml";
  ASSERT_EQ(RunMoj({file}), 0) << err.str();
  const std::vector<std::pair<double, double>> expected = {
      {10, -12452}, {3134, -5336}, {12482, 20}};
  std::vector<std::pair<double, double>> written;
  std::istringstream lines(test::ReadFile(home.File("temp.txt")));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    double x = 0;
    double y = 0;
    std::string rest;
    if (words >> x >> y && !(words >> rest)) written.emplace_back(x, y);
  }
  ASSERT_EQ(written.size(), expected.size()) << test::ReadFile(home.File("temp.txt"));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(written[i].first, expected[i].first, 0.001) << i;
    EXPECT_NEAR(written[i].second, expected[i].second, 0.001) << i;
  }
}

// Cadastral control points reach JW_CAD as a marker and a point, boundary
// points as a point: the control point T1 at easting 12035, northing -34965
// and the boundary point 1 at (12000, -35000), with the sheet frame's
// top-left corner (11980, -34960) on the pick point (10, 20).
TEST_F(ConvertTest, CadastralControlAndBoundaryPointsArePoints) {
  const std::string file = std::string(CHIZRO_TEST_DATA_DIR) + "/moj/parcels_zone9.xml";
  ASSERT_EQ(RunMoj({file}), 0) << err.str();
  const std::string result = test::ReadFile(home.File("temp.txt"));
  EXPECT_NE(result.find("pt 55010 -4980 1 0 -6\r\npt 55010 -4980\r\n"), std::string::npos)
      << result;
  EXPECT_NE(result.find("pt 20010 -39980\r\n"), std::string::npos) << result;
  EXPECT_EQ(result.find("pt 20010 -39980 1 0 -6"), std::string::npos) << "no marker";
}

// A 地図XML file in local coordinates (two in the zip) is converted as it
// stands, and the output says once that it is not placed.
TEST_F(ConvertTest, ALocalCoordinateMapIsSaidOnceOnTheOutput) {
  const std::string zip = std::string(CHIZRO_TEST_DATA_DIR) + "/moj/12103-0000.zip";
  const std::string local = std::string(CHIZRO_TEST_DATA_DIR) + "/moj/local.xml";
  ASSERT_EQ(RunMoj({zip, local}), 0) << err.str();
  const std::string text = out.str();
  const std::size_t at = text.find("chizro-convert: 任意座標系");
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_NE(text.find("ほかのデータとの位置関係は合っていません", at), std::string::npos) << text;
  EXPECT_EQ(text.find("任意座標系", at + 30), std::string::npos) << "said once: " << text;
}

}  // namespace
}  // namespace chizro
