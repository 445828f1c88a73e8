// The georeferenced bitmap reader: ".HDR" headers under tests/data/raster,
// the raster figure, and images loaded through a bitmap loader that reads the
// size from a BMP header.
#include "readers/raster/raster_builder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/map_leaf.h"
#include "model/map_project.h"
#include "platform/errors.h"
#include "platform/graphics.h"
#include "support/leaf_dump.h"
#include "support/recording_canvas.h"
#include "test_support.h"

namespace chizro::test {
namespace {

INSTANTIATE_TEST_SUITE_P(Raster, ReaderGolden, ::testing::ValuesIn(GoldenRows("raster/golden.tsv")),
                         RowName<GoldenCase>);

// Records the files it is asked for; a file that does not begin "BM" is no
// bitmap.
class BmpLoader final : public TBitmapLoader {
public:
  std::unique_ptr<TBitmap> LoadBitmap(const std::string& path) override {
    Loads.push_back(path);
    return ReadFile(path).starts_with("BM") ? std::make_unique<TFakeBitmap>(2, 2) : nullptr;
  }
  std::unique_ptr<TBitmap> LoadIcon(const std::string&) override { return nullptr; }

  std::vector<std::string> Loads;
};

class RasterReader : public ::testing::Test {
protected:
  // Copies an image and a header into the scratch folder; returns the image.
  std::string Copy(const std::string& image, const std::string& header,
                   const std::string& bytes = ReadFile(DataPath("raster/tokyo.bmp"))) {
    WriteFile(dir.File(image), bytes);
    if (!header.empty()) WriteFile(dir.File(header), ReadFile(DataPath("raster/tokyo.HDR")));
    return dir.File(image);
  }

  TempDir dir;
  TMapLeafGrp leaves{nullptr};
  TMapBuilder_Raster reader;
};

TEST_F(RasterReader, BitmapLoaderGivesTheFigureItsImageWhenTheLeafLoads) {
  BmpLoader loader;
  TMapBuilder_Raster imageReader{&loader};
  auto leaf = imageReader.OpenFile(leaves, DataPath("raster/tokyo.bmp"));
  ASSERT_NE(leaf, nullptr);
  EXPECT_TRUE(loader.Loads.empty()) << "the image is read when the leaf comes into view";
  imageReader.LoadLeaf(*leaf, nullptr, 0);
  EXPECT_EQ(loader.Loads, std::vector<std::string>{DataPath("raster/tokyo.bmp")});
  EXPECT_NE(static_cast<const TFigRaster&>(*leaf->FigGrps.at(0)->Items(0)).Image, nullptr);
  EXPECT_TRUE(leaf->Loaded);
}

// The reader a project makes loads through the project's loader.
TEST(RasterProject, HandsItsLoaderToTheReaderItMakes) {
  BmpLoader loader;
  TMapProject project{DefaultBuilders(), &loader};
  project.Open(DataPath("raster/tokyo.bmp"), KindNumber(TKind::Raster), TOpenMode::File);
  ASSERT_EQ(project.Themes->Count(), 1);
  TMapTheme& theme = *project.Themes->Items(0);
  theme.Builder->LoadLeaf(*theme.Leaves->Items(0), theme.ClassDefs.get(), 0);
  EXPECT_EQ(loader.Loads, std::vector<std::string>{DataPath("raster/tokyo.bmp")});
}

TEST_F(RasterReader, ImageTheLoaderCannotReadEndsTheLoadWithTheFigureAttached) {
  BmpLoader loader;
  TMapBuilder_Raster imageReader{&loader};
  auto leaf = imageReader.OpenFile(leaves, Copy("bad.bmp", "bad.HDR", "not a bitmap"));
  ASSERT_NE(leaf, nullptr);
  EXPECT_THROW(imageReader.LoadLeaf(*leaf, nullptr, 0), EInOutError);
  EXPECT_FALSE(leaf->Loaded);
  ASSERT_EQ(leaf->FigGrpCount(), 1);
  EXPECT_EQ(leaf->FigGrps[0]->Count(), 1);
}

TEST_F(RasterReader, HeaderSitsBesideTheImageUnderTheSameBaseName) {
  // The class is the extension in capitals, whatever its case.
  auto small = reader.OpenFile(leaves, Copy("a.bmp", "a.hdr"));
  ASSERT_NE(small, nullptr) << "a header in small letters is found too";
  reader.LoadLeaf(*small, nullptr, 0);
  EXPECT_EQ(small->FigGrps.at(0)->Name, "BMP");

  // A four-letter extension: the last four characters give way to ".HDR".
  const std::string tiff = Copy("b.tiff", "b.HDR");
  EXPECT_EQ(reader.OpenFile(leaves, tiff), nullptr);
  WriteFile(dir.File("b..HDR"), ReadFile(DataPath("raster/tokyo.HDR")));
  auto four = reader.OpenFile(leaves, tiff);
  ASSERT_NE(four, nullptr);
  reader.LoadLeaf(*four, nullptr, 0);
  EXPECT_EQ(four->FigGrps.at(0)->Name, "TIF");

  // A missing header, or an image missing beside its header.
  EXPECT_EQ(reader.OpenFile(leaves, Copy("c.bmp", "")), nullptr);
  WriteFile(dir.File("e.HDR"), ReadFile(DataPath("raster/tokyo.HDR")));
  EXPECT_EQ(reader.OpenFile(leaves, dir.File("e.bmp")), nullptr);
  EXPECT_EQ(reader.OpenFile(leaves, "bmp"), nullptr);
}

struct HeaderCase {
  const char* Name;
  const char* Error;  // as ErrorOf gives it
  TFRect Extent;      // when there is no error
};
void PrintTo(const HeaderCase& row, std::ostream* os) { *os << row.Name; }

class RasterHeader : public RasterReader, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(RasterHeader, KeywordsAndValues) {
  const HeaderCase& c = GetParam();
  const std::string image = Copy("h.bmp", "");
  WriteFile(dir.File("h.HDR"),
            ReadFile(DataPath(std::string("raster/headers/") + c.Name + ".HDR")));
  std::unique_ptr<TMapLeaf> leaf;
  EXPECT_EQ(ErrorOf([&] { leaf = reader.OpenFile(leaves, image); }), c.Error);
  if (!*c.Error) {
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(leaf->Extent, c.Extent);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RasterHeader,
    ::testing::Values(HeaderCase{"mixed_case_keywords", "", {1, 2, 6, 1}},
                      HeaderCase{"missing_keywords_count_zero", "", {139, 0, 139, 0}},
                      HeaderCase{"last_value_wins", "", {5, 0, 5, 0}},
                      HeaderCase{"comma_separates", "", {0, 0, 3, 0}},
                      HeaderCase{"equals_sign_joined_is_no_keyword", "", {0, 0, 0, 0}},
                      HeaderCase{"equals_sign_alone_is_the_value", "integer \'=\'", {}},
                      HeaderCase{"columns_not_an_integer", "integer \'1.5\'", {}},
                      HeaderCase{"dimension_not_a_number", "real \'abc\'", {}},
                      HeaderCase{"keyword_without_value", "list 1", {}},
                      HeaderCase{"extent_beyond_single_precision", "io", {}}),
    [](const auto& row) { return std::string(row.param.Name); });

// The message names the header file and its line, then gives the reader's
// words.
TEST_F(RasterReader, AHeaderErrorNamesTheFileAndTheLine) {
  const std::string image = Copy("lines.bmp", "");
  WriteFile(dir.File("lines.HDR"), "NROWS 2\r\n\r\nNCOLS 1.5\r\n");
  EXPECT_EQ(MessageOf<EChizroError>([&] { reader.OpenFile(leaves, image); }),
            "'" + dir.File("lines.HDR") + "' の 3 行目: '1.5' は数値ではありません");
}

}  // namespace
}  // namespace chizro::test
