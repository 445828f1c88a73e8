// The headless converter end to end: a binary vector file opened under data
// kind 1011 (the vector reader with the 1:2500 definition file), painted
// offscreen, written as "temp.txt", and previewed as a PNG.
#include "cli/convert.h"

#include <QImage>

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "model/geometry.h"
#include "platform/program_dir.h"
#include "test_support.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;

// A binary vector file: a header, then class blocks of figure records.
class VecFile {
public:
  VecFile(TFRect extent, int blocks) {
    Raw("H").Zeros(7).Fixed("sheet", 256).Zeros(4);
    const TFPoint corners[] = {{extent.left, extent.top},
                               {extent.right, extent.top},
                               {extent.right, extent.bottom},
                               {extent.left, extent.bottom}};
    for (const TFPoint& p : corners) Real(p.x).Real(p.y);
    Real(extent.left).Real(extent.top).Real(extent.right).Real(extent.bottom);
    Int(2).Int(1).Int(9).Fixed("", 256).Zeros(4).Int(blocks);
  }
  VecFile& Block(std::string_view code, int figures) {
    return Zeros(1).Fixed(code, 256).Zeros(3).Int(figures);
  }
  // kind: 1 point, 2 polyline, 3 polygon.
  VecFile& Figure(int kind, TFPoint label, const std::vector<TFPoint>& points,
                  const std::vector<std::string>& texts) {
    TFRect r{label.x, label.y, label.x, label.y};
    for (const TFPoint& p : points) {
      r.left = std::min(r.left, p.x);
      r.right = std::max(r.right, p.x);
      r.top = std::max(r.top, p.y);
      r.bottom = std::min(r.bottom, p.y);
    }
    Zeros(4).Int(kind).Zeros(4).Real(label.x).Real(label.y);
    Real(r.left).Real(r.top).Real(r.right).Real(r.bottom);
    Int(static_cast<std::int32_t>(points.size())).Int(static_cast<std::int32_t>(texts.size()));
    Int(0);
    for (const TFPoint& p : points) Real(p.x).Real(p.y);
    for (const std::string& t : texts) Int(static_cast<std::int32_t>(t.size())).Raw(t);
    return *this;
  }
  const std::string& Bytes() const { return s_; }

private:
  VecFile& Int(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8)
      s_.push_back(static_cast<char>((u >> shift) & 0xFF));
    return *this;
  }
  VecFile& Real(float v) { return Int(static_cast<std::int32_t>(std::bit_cast<std::uint32_t>(v))); }
  VecFile& Zeros(std::size_t n) {
    s_.append(n, '\0');
    return *this;
  }
  VecFile& Fixed(std::string_view text, std::size_t width) {
    s_.append(text.substr(0, width));
    return Zeros(width - std::min(width, text.size()));
  }
  VecFile& Raw(std::string_view bytes) {
    s_.append(bytes);
    return *this;
  }
  std::string s_;
};

class ConvertTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directory(home.Path() / "def");
    // A red 16-pixel symbol for the points of class 7301.
    QImage symbol(16, 16, QImage::Format_RGB32);
    symbol.fill(Qt::red);
    ASSERT_TRUE(symbol.save(QString::fromStdString(home.File("def/Mark.bmp")), "BMP"));
    test::WriteFile(home.File("def/Sdf25.ini"),
                    "[Symbols]\r\nMARK=def\\Mark.bmp\r\n"
                    "[C_1101]\r\nOrder=2\r\nVisible=1,0,0\r\nPen=0,0,1\r\nBrush=255,0\r\n"
                    "Font=0,x,9,0,0,0,0,0\r\nProp=1,0,0\r\n"
                    "[C_7301]\r\nOrder=1\r\nVisible=1,0,0\r\nPen=0,0,1\r\nBrush=0,1\r\n"
                    "Font=0,x,9,0,0,0,0,0\r\nProp=0,0\r\nSymbol=MARK\r\n");
    test::WriteFile(home.File("def/chizro.ini"),
                    "[Layers]\r\nOutput=L\r\n[Elements]\r\n1101=b,1,2,3,4\r\n");
    test::WriteFile(home.File("JWC_TEMP.TXT"), "hq\r\nhp1 10 20\r\n\r\n");
    // A 100 m sheet: a filled square in its left half, a point at its centre.
    VecFile vec({0, 100, 100, 0}, 2);
    vec.Block("1101", 1).Figure(3, {25, 50}, {{10, 30}, {40, 30}, {40, 70}, {10, 70}}, {"sq"});
    vec.Block("7301", 1).Figure(1, {50, 50}, {{50, 50}}, {});
    test::WriteFile(map, vec.Bytes());
  }
  void TearDown() override { SetProgramDir(""); }

  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return RunConvert(args, out, err);
  }

  test::TempDir home;
  test::TempDir data;
  std::string map = data.File("sheet.vec");
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
      out.str(), std::regex("^chizro-convert: 1 theme, 1 leaf, 2 figures, 4 vertices written to '" +
                            std::regex_replace(home.File("temp.txt"),
                                               std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                            R"(' in [0-9.]+ s \(zone 9, JGD2000\)\n$)")))
      << out.str();
  EXPECT_EQ(err.str(), "");

  // 688 x 451 pixels at 1:2500 centred on the sheet: 1.0583 pixels per metre.
  const QImage view(QString::fromStdString(png));
  ASSERT_FALSE(view.isNull());
  EXPECT_EQ(view.size(), QSize(688, 451));
  EXPECT_EQ(view.pixelColor(344, 225), QColor(Qt::red)) << "the symbol at the centre";
  EXPECT_EQ(view.pixelColor(344 - 26, 225), QColor(Qt::red)) << "the square, filled red";
  EXPECT_EQ(view.pixelColor(344 + 26, 225), QColor(Qt::white));
  EXPECT_EQ(view.pixelColor(5, 5), QColor(Qt::white));
}

TEST_F(ConvertTest, ThePreviewShowsTheLastSheetWritten) {
  // A second sheet 10 km east with a square right of its centre.
  VecFile east({10000, 100, 10100, 0}, 1);
  east.Block("1101", 1).Figure(3, {10075, 50}, {{10060, 30}, {10090, 30}, {10090, 70}, {10060, 70}},
                               {});
  const std::string second = data.File("east.vec");
  test::WriteFile(second, east.Bytes());
  const std::string png = data.File("view.png");
  ASSERT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", "--preview", png, map, second}),
            0)
      << err.str();
  EXPECT_NE(out.str().find(" 2 leaves, 3 figures, 8 vertices "), std::string::npos) << out.str();
  const QImage view(QString::fromStdString(png));
  EXPECT_EQ(view.pixelColor(344 + 20, 225), QColor(Qt::red)) << "the east sheet's square";
  EXPECT_EQ(view.pixelColor(344, 225), QColor(Qt::white)) << "not the first sheet's symbol";
  EXPECT_EQ(view.pixelColor(344 - 26, 225), QColor(Qt::white)) << "nor its square";
}

TEST_F(ConvertTest, SizeAndScaleSetTheView) {
  const std::string png = data.File("small.png");
  ASSERT_EQ(Run({"--home=" + home.Path().string(), "--kind=1011", "--size", "200x100", "--scale",
                 "250", "--preview", png, map}),
            0)
      << err.str();
  const QImage view(QString::fromStdString(png));
  EXPECT_EQ(view.size(), QSize(200, 100));
  // At 1:250 one metre is 10.6 pixels: the square, 10 metres left of the
  // centre, lies outside the 200-pixel view; the 16-pixel symbol stays.
  EXPECT_EQ(view.pixelColor(100, 50), QColor(Qt::red));
  EXPECT_EQ(view.pixelColor(100 - 12, 50), QColor(Qt::white));
  EXPECT_EQ(view.pixelColor(5, 50), QColor(Qt::white));
}

TEST_F(ConvertTest, FailuresAreReportedWithoutAResult) {
  fs::remove(home.File("JWC_TEMP.TXT"));
  EXPECT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", map}), 1);
  EXPECT_EQ(err.str(),
            "chizro-convert: ファイルが見つかりません: '" + home.File("JWC_TEMP.TXT") + "'\n");
  EXPECT_EQ(out.str(), "");
  EXPECT_FALSE(fs::exists(home.File("temp.txt")));

  test::WriteFile(data.File("text.vec"), std::string(600, 'x'));  // no vector header
  EXPECT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", data.File("text.vec")}), 1);
  EXPECT_NE(err.str().find("no new map data in '" + data.File("text.vec") + "'"), std::string::npos)
      << err.str();
  EXPECT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", map, map}), 1);
  EXPECT_NE(err.str().find("no new map data in '" + map + "'"), std::string::npos) << err.str();

  EXPECT_EQ(Run({"--home", home.File("missing"), map}), 1);
  EXPECT_NE(err.str().find("no such program directory"), std::string::npos) << err.str();
}

TEST_F(ConvertTest, AMapWithoutAFigureFailsAndWritesNothing) {
  const std::string gps = std::string(CHIZRO_TEST_DATA_DIR) + "/gps/waypoints_only.txt";
  EXPECT_EQ(Run({"--home", home.Path().string(), "--kind", "91", gps}), 1);
  EXPECT_EQ(err.str(),
            "chizro-convert: '" + gps + "' に描ける図形がありません (航跡点がありません)\n");
  EXPECT_EQ(out.str(), "");
  EXPECT_FALSE(fs::exists(home.File("temp.txt")));
}

TEST_F(ConvertTest, AFolderWithABadSheetWritesTheGoodOnesAndFails) {
  const std::string disc = std::string(CHIZRO_TEST_DATA_DIR) + "/sdf/disc";
  EXPECT_EQ(Run({"--home", home.Path().string(), "--folder", disc}), 1);
  EXPECT_NE(out.str().find(" 2 leaves, "), std::string::npos) << out.str();
  EXPECT_TRUE(fs::exists(home.File("temp.txt")));
  EXPECT_EQ(err.str(), "chizro-convert: 開けなかった地図があります\n'" + disc +
                           "/07MD624': '2,500' は浮動小数点数ではありません\n");
}

struct UsageCase {
  const char* Name;
  std::vector<std::string> Args;
  const char* Message;
};

class ConvertUsageTest : public ConvertTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(ConvertUsageTest, BadCommandLinesShowTheUsage) {
  EXPECT_EQ(Run(GetParam().Args), 2);
  EXPECT_EQ(err.str().rfind(std::string("chizro-convert: ") + GetParam().Message + "\nusage: ", 0),
            0u)
      << err.str();
  EXPECT_EQ(out.str(), "");
}

std::string UsageCaseName(const ::testing::TestParamInfo<UsageCase>& param) {
  return param.param.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ConvertUsageTest,
    ::testing::Values(
        UsageCase{"NoMap", {"--kind", "11"}, "no map given"},
        UsageCase{"UnknownOption", {"--fast", "m"}, "unknown option --fast"},
        UsageCase{"MissingValue", {"m", "--scale"}, "--scale needs a value"},
        UsageCase{"BadKind", {"--kind", "eleven", "m"}, "bad value for --kind: 'eleven'"},
        UsageCase{"EmptySize", {"--size", "0x451", "m"}, "bad value for --size: '0x451'"},
        UsageCase{"ZoneZero",
                  {"--zone", "0", "m"},
                  "bad value for --zone: '0' (a zone number from 1 to 19)"},
        UsageCase{"ZoneTwenty",
                  {"--zone=20", "m"},
                  "bad value for --zone: '20' (a zone number from 1 to 19)"}),
    UsageCaseName);

// The sheet states zone 9; a zone given fixes the project's zone, and the
// sheet is converted into it.
TEST_F(ConvertTest, AGivenZoneIsTheProjectsZone) {
  ASSERT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", map}), 0) << err.str();
  const std::string inZone9 = test::ReadFile(home.File("temp.txt"));
  ASSERT_EQ(Run({"--home", home.Path().string(), "--kind", "1011", "--zone", "8", map}), 0)
      << err.str();
  EXPECT_NE(out.str().find(" (zone 8, JGD2000)\n"), std::string::npos) << out.str();
  EXPECT_NE(test::ReadFile(home.File("temp.txt")), inZone9);
}

TEST_F(ConvertTest, HelpGoesToStandardOutput) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_EQ(out.str().rfind("usage: chizro-convert", 0), 0u);
}

}  // namespace
}  // namespace chizro
