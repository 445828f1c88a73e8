// The georeferenced bitmap reader: ".HDR" headers, the raster figure, and
// images loaded through a bitmap loader that reads the size from a BMP header.
#include "readers/raster_builder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "coords/projection.h"
#include "model/class_def.h"
#include "model/draw_class.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "platform/errors.h"
#include "platform/graphics.h"
#include "platform/program_dir.h"
#include "test_support.h"

namespace chizro {
namespace {

std::string DataDir() { return std::string(CHIZRO_TEST_DATA_DIR) + "/raster/"; }

// A 24-bit Windows bitmap of w x h blue pixels.
std::string Bmp(int w, int h) {
  const auto le = [](std::string& s, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  const std::uint32_t row = (static_cast<std::uint32_t>(w) * 3 + 3) & ~3u;
  const std::uint32_t pixels = row * static_cast<std::uint32_t>(h);
  std::string s = "BM";
  le(s, 54 + pixels, 4);
  le(s, 0, 4);
  le(s, 54, 4);
  le(s, 40, 4);
  le(s, static_cast<std::uint32_t>(w), 4);
  le(s, static_cast<std::uint32_t>(h), 4);
  le(s, 1, 2);
  le(s, 24, 2);
  le(s, 0, 4);
  le(s, pixels, 4);
  le(s, 2835, 4);
  le(s, 2835, 4);
  le(s, 0, 4);
  le(s, 0, 4);
  for (int y = 0; y < h; ++y) {
    std::string line;
    for (int x = 0; x < w; ++x) line += std::string("\xFF\0\0", 3);
    line.resize(row, '\0');
    s += line;
  }
  return s;
}

class FakeBitmap final : public TBitmap {
public:
  FakeBitmap(int w, int h) : w_(w), h_(h) {}
  int Width() const override { return w_; }
  int Height() const override { return h_; }

private:
  int w_;
  int h_;
};

// Reads the size from a BMP header; anything else is no bitmap.
class BmpHeaderLoader final : public TBitmapLoader {
public:
  std::unique_ptr<TBitmap> LoadBitmap(const std::string& path) override {
    ++Loads;
    std::string bytes;
    try {
      bytes = test::ReadFile(path);
    } catch (...) {
      return nullptr;
    }
    if (bytes.size() < 26 || bytes.compare(0, 2, "BM") != 0) return nullptr;
    const auto u32 = [&](std::size_t at) {
      std::uint32_t v = 0;
      for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
      return static_cast<int>(v);
    };
    return std::make_unique<FakeBitmap>(u32(18), u32(22));
  }
  std::unique_ptr<TBitmap> LoadIcon(const std::string&) override { return nullptr; }

  int Loads = 0;
};

const std::string kSpecHeader =
    "NCOLS 100\r\nNROWS 50\r\nULXMAP 139.0\r\nULYMAP 36.0\r\nXDIM 0.01\r\nYDIM 0.01\r\n";

class RasterReader : public ::testing::Test {
protected:
  void TearDown() override { SetBitmapLoader(nullptr); }

  // Writes an image and its header; returns the image's path.
  std::string Write(const std::string& image, const std::string& header,
                    const std::string& headerName, const std::string& bytes = Bmp(2, 2)) {
    test::WriteFile(dir.File(image), bytes);
    if (!headerName.empty()) test::WriteFile(dir.File(headerName), header);
    return dir.File(image);
  }

  test::TempDir dir;
  TMapLeafGrp leaves{nullptr};
  TMapBuilder_Raster reader;
};

TEST_F(RasterReader, HeaderGivesExtentAndCornersWithoutLoading) {
  const std::string path = DataDir() + "tokyo.bmp";
  auto leaf = reader.OpenFile(leaves, path);

  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->FileName, path);
  EXPECT_EQ(leaf->Name, path);
  EXPECT_EQ(leaf->SheetName, "tokyo.bmp");
  EXPECT_EQ(leaf->CoordMode, kModeLatLon);
  EXPECT_EQ(leaf->Zone, 0);
  EXPECT_FALSE(leaf->Loaded);
  EXPECT_EQ(leaf->FigGrpCount(), 0);
  // Keywords in small letters read the same; unknown ones are ignored.
  const TFRect want{139.75f, 35.70f, static_cast<float>(139.75 + 2 * 0.005),
                    static_cast<float>(35.70 - 2 * 0.005)};
  EXPECT_EQ(leaf->Extent, want);
  EXPECT_EQ(leaf->Corners[0], (TFPoint{want.left, want.top}));
  EXPECT_EQ(leaf->Corners[1], (TFPoint{want.left, want.bottom}));
  EXPECT_EQ(leaf->Corners[2], (TFPoint{want.right, want.bottom}));
  EXPECT_EQ(leaf->Corners[3], (TFPoint{want.right, want.top}));
}

TEST_F(RasterReader, LoadWithoutBitmapLoaderKeepsTheExtentOnly) {
  auto leaf = reader.OpenFile(leaves, Write("map.bmp", kSpecHeader, "map.HDR"));
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->Extent, (TFRect{139.0f, 36.0f, 140.0f, 35.5f}));

  reader.LoadLeaf(*leaf, nullptr, 2500);
  EXPECT_TRUE(leaf->Loaded);
  ASSERT_EQ(leaf->FigGrpCount(), 1);
  const TFigGrp& grp = *leaf->FigGrps[0];
  EXPECT_EQ(grp.Kind(), TFigKind::Raster);
  EXPECT_EQ(grp.Name, "BMP");
  ASSERT_EQ(grp.Count(), 1);
  const auto& fig = static_cast<const TFigRaster&>(*grp.Items(0));
  EXPECT_EQ(fig.ClassCode, "BMP");
  EXPECT_EQ(fig.Extent, leaf->Extent);
  EXPECT_FLOAT_EQ(fig.LabelX, 139.5f);
  EXPECT_FLOAT_EQ(fig.LabelY, 35.75f);
  EXPECT_EQ(fig.PointCount(), 0);
  EXPECT_EQ(fig.Image, nullptr);
}

TEST_F(RasterReader, BitmapLoaderGivesTheFigureItsImage) {
  BmpHeaderLoader loader;
  SetBitmapLoader(&loader);
  auto leaf = reader.OpenFile(leaves, Write("photo.BMP", kSpecHeader, "photo.HDR", Bmp(3, 5)));
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(loader.Loads, 0) << "the image is read when the leaf comes into view";
  reader.LoadLeaf(*leaf, nullptr, 0);
  const auto& fig = static_cast<const TFigRaster&>(*leaf->FigGrps.at(0)->Items(0));
  ASSERT_NE(fig.Image, nullptr);
  EXPECT_EQ(fig.Image->Width(), 3);
  EXPECT_EQ(fig.Image->Height(), 5);
  EXPECT_TRUE(leaf->Loaded);
}

TEST_F(RasterReader, ImageTheLoaderCannotReadEndsTheLoadWithTheFigureAttached) {
  BmpHeaderLoader loader;
  SetBitmapLoader(&loader);
  auto leaf = reader.OpenFile(leaves, Write("bad.bmp", kSpecHeader, "bad.HDR", "not a bitmap"));
  ASSERT_NE(leaf, nullptr);
  EXPECT_THROW(reader.LoadLeaf(*leaf, nullptr, 0), EInOutError);
  EXPECT_FALSE(leaf->Loaded);
  ASSERT_EQ(leaf->FigGrpCount(), 1);
  EXPECT_EQ(leaf->FigGrps[0]->Count(), 1);
}

TEST_F(RasterReader, HeaderSitsBesideTheImageUnderTheSameBaseName) {
  // Class from the extension in capitals, whatever its case.
  auto small = reader.OpenFile(leaves, Write("a.bmp", kSpecHeader, "a.hdr"));
  ASSERT_NE(small, nullptr) << "a header in small letters is found too";
  reader.LoadLeaf(*small, nullptr, 0);
  EXPECT_EQ(small->FigGrps.at(0)->Name, "BMP");

  // A four-letter extension: the last four characters give way to ".HDR".
  const std::string tiff = Write("b.tiff", kSpecHeader, "b.HDR");
  EXPECT_EQ(TMapBuilder_Raster::HeaderFileName(tiff), dir.File("b..HDR"));
  EXPECT_EQ(reader.OpenFile(leaves, tiff), nullptr);
  test::WriteFile(dir.File("b..HDR"), kSpecHeader);
  auto four = reader.OpenFile(leaves, tiff);
  ASSERT_NE(four, nullptr);
  reader.LoadLeaf(*four, nullptr, 0);
  EXPECT_EQ(four->FigGrps.at(0)->Name, "TIF");

  // Missing image or header.
  EXPECT_EQ(reader.OpenFile(leaves, Write("c.bmp", "", "")), nullptr);
  EXPECT_EQ(reader.OpenFile(leaves, dir.File("d.bmp")), nullptr);
  test::WriteFile(dir.File("e.HDR"), kSpecHeader);
  EXPECT_EQ(reader.OpenFile(leaves, dir.File("e.bmp")), nullptr);
  EXPECT_EQ(reader.OpenFile(leaves, "bmp"), nullptr);
  EXPECT_EQ(reader.OpenFolder(leaves, dir.Path().string()), nullptr);
}

struct HeaderCase {
  const char* Name;
  std::string Header;
  enum { None, Convert, Float, Index, InOut } Error;
  TFRect Extent;  // when there is no error
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.Name; }

class RasterHeader : public RasterReader, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(RasterHeader, KeywordsAndValues) {
  const HeaderCase& c = GetParam();
  const std::string image = Write("h.bmp", c.Header, "h.HDR");
  switch (c.Error) {
    case HeaderCase::None: {
      auto leaf = reader.OpenFile(leaves, image);
      ASSERT_NE(leaf, nullptr);
      EXPECT_EQ(leaf->Extent, c.Extent);
      break;
    }
    case HeaderCase::Convert:
      EXPECT_THROW(reader.OpenFile(leaves, image), EConvertError);
      break;
    case HeaderCase::Float:
      EXPECT_THROW(reader.OpenFile(leaves, image), EFloatConvertError);
      break;
    case HeaderCase::Index:
      EXPECT_THROW(reader.OpenFile(leaves, image), EListIndexError);
      break;
    case HeaderCase::InOut:
      EXPECT_THROW(reader.OpenFile(leaves, image), EInOutError);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RasterHeader,
    ::testing::Values(
        HeaderCase{"MixedCaseKeywords",
                   "nCols 10\r\nNrows 4\r\nulxmap 1\r\nulymap 2\r\nxdim 0.5\r\n"
                   "ydim 0.25\r\n",
                   HeaderCase::None,
                   {1, 2, 6, 1}},
        HeaderCase{"MissingKeywordsCountZero",
                   "ULXMAP 139\r\n\r\nJUNK 1 2 3\r\n",
                   HeaderCase::None,
                   {139, 0, 139, 0}},
        HeaderCase{"LastValueWins", "ULXMAP 1\r\nULXMAP 5\r\n", HeaderCase::None, {5, 0, 5, 0}},
        HeaderCase{"CommaSeparates", "NCOLS,2\r\nXDIM,1.5\r\n", HeaderCase::None, {0, 0, 3, 0}},
        HeaderCase{"EqualsSignJoinedIsNoKeyword",
                   "NCOLS=100\r\nXDIM 1\r\n",
                   HeaderCase::None,
                   {0, 0, 0, 0}},
        HeaderCase{"EqualsSignAloneIsTheValue", "NCOLS = 100\r\n", HeaderCase::Convert, {}},
        HeaderCase{"ColumnsNotAnInteger", "NCOLS 1.5\r\n", HeaderCase::Convert, {}},
        HeaderCase{"DimensionNotANumber", "XDIM abc\r\n", HeaderCase::Float, {}},
        HeaderCase{"KeywordWithoutValue", "NROWS\r\n", HeaderCase::Index, {}},
        HeaderCase{
            "ExtentBeyondSinglePrecision", "NCOLS 1000\r\nXDIM 1e300\r\n", HeaderCase::InOut, {}}),
    [](const auto& row) { return std::string(row.param.Name); });

// Through the project: the leaf has no zone of its own, so the theme's (the
// project's zone 9) converts it, at open and again after a reload.
TEST(RasterProject, LeafWithoutZoneIsConvertedWithTheThemesZone) {
  SetProgramDir(std::filesystem::path(CHIZRO_TEST_DATA_DIR).parent_path().parent_path().string());
  TMapProject project;
  ASSERT_TRUE(project.Open(DataDir() + "tokyo.bmp", kKindRaster, 2));
  const TMapTheme& theme = *project.Themes->Items(0);
  EXPECT_EQ(theme.ClassDefs->Count(), 1) << "def/Raster.ini";
  ASSERT_EQ(theme.Leaves->Count(), 1);
  TMapLeaf& leaf = *theme.Leaves->Items(0);
  EXPECT_EQ(leaf.EffectiveZone(), 9);
  EXPECT_EQ(leaf.CoordMode, kModePlane);

  double X = 0;
  double Y = 0;
  LatLonToXY(kGrs80, 9, X, Y, double{35.70f}, double{139.75f});
  EXPECT_NEAR(leaf.Extent.left, Y, 0.01);
  EXPECT_NEAR(leaf.Extent.top, X, 0.01);
  const TFRect extent = leaf.Extent;

  const auto paintAt = [&](float x, float y) {
    project.View->DeviceRect = {0, 0, 1000, 1000};
    project.SetScale(2500);
    project.View->CenterX = x;
    project.View->CenterY = y;
    project.Draw();
  };
  const float cx = (extent.left + extent.right) / 2;
  const float cy = (extent.top + extent.bottom) / 2;
  for (int round = 0; round < 2; ++round) {
    paintAt(cx, cy);
    ASSERT_TRUE(leaf.Loaded) << "round " << round;
    const TFigure& fig = *leaf.FigGrps.at(0)->Items(0);
    EXPECT_EQ(fig.Extent, extent) << "round " << round;
    EXPECT_EQ(leaf.Extent, extent) << "round " << round;
    const TDrawClass* cls = leaf.DrawClasses->Find("BMP");
    ASSERT_NE(cls, nullptr);
    EXPECT_NE(cls->ClassDef, nullptr);
    for (int i = 0; i < 4; ++i) paintAt(-900000, -900000);
    EXPECT_FALSE(leaf.Loaded);
  }
  SetProgramDir("");
}

}  // namespace
}  // namespace chizro
