#include "model/class_def.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/errors.h"
#include "platform/sjis.h"
#include "support/leaf_dump.h"
#include "support/recording_canvas.h"

namespace chizro {
namespace {

// An image as wide as the number of images loaded before it and one more,
// so that a dump tells which file each key's image came from; a file whose
// name contains "broken" cannot be read.
class FakeLoader final : public TBitmapLoader {
public:
  std::unique_ptr<TBitmap> LoadBitmap(const std::string& path) override {
    return Load("bmp", path);
  }
  std::unique_ptr<TBitmap> LoadIcon(const std::string& path) override { return Load("ico", path); }
  std::string Calls;

private:
  int loaded_ = 0;
  std::unique_ptr<TBitmap> Load(const std::string& kind, const std::string& path) {
    Calls += "load " + kind + " " + path + "\n";
    if (path.find("broken") != std::string::npos) return nullptr;
    return std::make_unique<test::TFakeBitmap>(++loaded_, 16);
  }
};

// The definition files under tests/data/defs, read with the program's folder
// there (where the symbol files are).
class ClassDefTest : public ::testing::Test {
protected:
  bool Load(const char* name, TBitmapLoader* images) {
    return grp.LoadFromFile(test::DataPath("defs/") + name, images, test::DataPath("defs"));
  }
  bool Load(const char* name) { return Load(name, &loader); }

  FakeLoader loader;
  TClassDefGrp grp;
};

// <row>.ini against <row>.dump: the classes, the loader's calls and the
// error that stopped the load. After an error every class of the file exists
// in file order, those not yet read as constructed.
class ClassDefFile : public ClassDefTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ClassDefFile, MatchesItsDump) {
  const std::string base = std::string("defs/") + GetParam();
  const std::string error = test::ErrorOf([&] {
    grp.LoadFromFile(test::DataPath(base + ".ini"), &loader, test::DataPath("defs"));
  });
  std::string calls = test::GenericPath(loader.Calls);
  for (std::size_t at; (at = calls.find(test::DataPath() + "/")) != std::string::npos;)
    calls.erase(at, test::DataPath().size() + 1);
  test::ExpectGolden(test::DumpClassDefs(grp) + calls + "error " + SjisToUtf8(error) + "\n",
                     base + ".dump");
}

// every_field: hex numbers; styles on only for exactly "1"; a quoted face
// keeps its blank, an unquoted one splits and shifts the fields after it.
// sections: only "C_" declares a class. order_ties: equal orders land where
// the quick sort puts them (A1 B0 C1 D1 gives B D C A); order_extremes: a
// difference that does not fit 32 bits. code_100: the code is cut to 99
// characters, and that section does not exist. symbols: keys sorted without
// regard to case, only existing ".BMP" and ".ICO" files reach the loader, a
// key without an image still counts.
INSTANTIATE_TEST_SUITE_P(Files, ClassDefFile,
                         ::testing::Values("every_field", "sections", "code_99", "code_100",
                                           "error_midway", "props", "order_ties", "order_extremes",
                                           "symbols"),
                         test::TextName);

// A required key missing or short, a field that is no integer ("$" hex
// only; an unquoted face with a blank puts its second word on the size).
INSTANTIATE_TEST_SUITE_P(
    Errors, ClassDefFile,
    ::testing::Values("error_visible_missing", "error_visible_short", "error_pen_missing",
                      "error_pen_short", "error_brush_short", "error_font_missing",
                      "error_font_without_opaque_field", "error_prop_one_field", "error_prop_empty",
                      "error_visible_not_a_number", "error_pen_c_style_hex",
                      "error_prop_not_a_number", "error_font_unquoted_face_with_blank"),
    test::TextName);
TEST_F(ClassDefTest, AMissingFileEmptiesTheGroup) {
  ASSERT_TRUE(Load("symbols.ini"));
  ASSERT_GT(grp.SymbolKeys.Count(), 0u);
  EXPECT_FALSE(Load("missing.ini"));
  EXPECT_EQ(grp.Count(), 0);
  EXPECT_EQ(grp.SymbolKeys.Count(), 0u);
}

// visible.ini: classes of the "Visible" lines "1,0,0" (Unbounded),
// "1,0,5000", "1,2500,0", "1,-1,-1" (Negative), "0,0,0" (Off), "256,0,0".
struct VisibleRow {
  const char* Name;
  const char* Class;
  double Scale;
  bool Shown;
};
void PrintTo(const VisibleRow& row, std::ostream* os) { *os << row.Name; }

class ClassDefVisibleTest : public ClassDefTest,
                            public ::testing::WithParamInterface<VisibleRow> {};

TEST_P(ClassDefVisibleTest, IsClassVisibleAppliesTheInclusiveBounds) {
  ASSERT_TRUE(Load("visible.ini"));
  EXPECT_EQ(grp.IsClassVisible(GetParam().Class, GetParam().Scale), GetParam().Shown);
}

INSTANTIATE_TEST_SUITE_P(
    ClassDef, ClassDefVisibleTest,
    ::testing::Values(VisibleRow{"NoBoundsSmallScale", "Unbounded", 1.0, true},
                      VisibleRow{"NoBoundsLargeScale", "Unbounded", 1e7, true},
                      VisibleRow{"AtMax", "Max5000", 5000.0, true},
                      VisibleRow{"AboveMax", "Max5000", 5001.0, false},
                      VisibleRow{"AtMin", "Min2500", 2500.0, true},
                      VisibleRow{"BelowMin", "Min2500", 2499.0, false},
                      VisibleRow{"LargeAboveMinOnly", "Min2500", 1e7, true},
                      VisibleRow{"NegativeBoundsNotApplied", "Negative", 2500.0, true},
                      VisibleRow{"FlagOff", "Off", 2500.0, false},
                      VisibleRow{"FlagKeepsLowByteOnly", "Flag256", 2500.0, false}),
    test::RowName<VisibleRow>);

TEST(ClassDefGrp, IsClassVisibleMatchesCaseAndLetsTheLastClassDecide) {
  TClassDefGrp grp;
  TClassDef* first = grp.Add(std::make_unique<TClassDef>("Ab", nullptr));
  TClassDef* last = grp.Add(std::make_unique<TClassDef>("Ab", nullptr));
  first->Visible = 1;
  EXPECT_FALSE(grp.IsClassVisible("Ab", 2500));
  last->Visible = 1;
  first->Visible = 0;
  EXPECT_TRUE(grp.IsClassVisible("Ab", 2500));
  EXPECT_FALSE(grp.IsClassVisible("AB", 2500));
  EXPECT_FALSE(grp.IsClassVisible("A", 2500));
  EXPECT_THROW(grp.Items(2), EListIndexError);
}

// without_loader.ini: symbol size "big", key b for b.bmp, class P of symbol B.
TEST_F(ClassDefTest, WithoutLoaderKeysStandButNoImagesLoad) {
  ASSERT_TRUE(Load("without_loader.ini"));
  ASSERT_EQ(grp.Images.Count(), 1);
  EXPECT_NE(grp.SymbolImage(0), nullptr);
  EXPECT_EQ(grp.SymbolImage(-1), nullptr);
  EXPECT_EQ(grp.SymbolImage(1), nullptr);
  ASSERT_TRUE(Load("without_loader.ini", nullptr));  // a reload drops the earlier images
  EXPECT_EQ(grp.Images.Count(), 0);
  EXPECT_EQ(grp.SymSize, 16);
  EXPECT_EQ(grp.Images.Height(), 16);
  EXPECT_EQ(grp.Items(0)->SymbolIndex, 0);
  EXPECT_EQ(grp.SymbolImage(0), nullptr);
}

// A wrong entry of a definition file is named with the file, its line and
// the entry, then the reader's words.
TEST_F(ClassDefTest, AnErrorNamesTheFileTheLineAndTheEntry) {
  test::TempDir dir;
  const std::string path = dir.File("bad.ini");
  test::WriteFile(path, "[Size]\r\nSymSize=16\r\n[C_1101]\r\nVisible=1,0,0\r\nPen=0,x,1\r\n");
  EXPECT_EQ(test::MessageOf<EConvertError>([&] { grp.LoadFromFile(path); }),
            "'" + path + "' の 5 行目 [C_1101] Pen: 'x' は数値ではありません");
}

}  // namespace
}  // namespace chizro
