#include "model/class_def.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "test_support.h"

namespace chizro {
namespace {

using test::TempDir;
using test::WriteFile;
using Names = std::vector<std::string>;

const std::string kGothicSjis =
    "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ ゴシック
const std::string kNameSjis = "\x96\xBC\x8F\xCC";         // 名称

class FakeBitmap final : public TBitmap {
public:
  explicit FakeBitmap(std::string path) : Path(std::move(path)) {}
  int Width() const override { return 16; }
  int Height() const override { return 16; }
  std::string Path;
};

// Records every request; a file whose name contains "broken" cannot be read.
class FakeLoader final : public TBitmapLoader {
public:
  std::unique_ptr<TBitmap> LoadBitmap(const std::string& path) override {
    return Load("bmp", path);
  }
  std::unique_ptr<TBitmap> LoadIcon(const std::string& path) override { return Load("ico", path); }
  Names Calls;

private:
  std::unique_ptr<TBitmap> Load(const std::string& kind, const std::string& path) {
    Calls.push_back(kind + " " + path);
    if (path.find("broken") != std::string::npos) return nullptr;
    return std::make_unique<FakeBitmap>(path);
  }
};

std::string PathOf(const TBitmap* image) {
  return image ? dynamic_cast<const FakeBitmap&>(*image).Path : std::string("(none)");
}

// A class section with working values for the four required keys, less the
// key `drop`, followed by the lines `extra`.
std::string ClassSection(const std::string& code, const std::string& extra = "",
                         const std::string& drop = "") {
  const std::pair<std::string, std::string> required[] = {{"Visible", "1,0,0"},
                                                          {"Pen", "0,0,1"},
                                                          {"Brush", "16777215,1"},
                                                          {"Font", "0,\"MS Gothic\",9,0,0,0,0,0"}};
  std::string s = "[C_" + code + "]\r\n";
  for (const auto& [key, value] : required)
    if (key != drop) s += key + "=" + value + "\r\n";
  return s + extra;
}

class ClassDefTest : public ::testing::Test {
protected:
  ClassDefTest() : previous_(GetBitmapLoader()) { SetBitmapLoader(&loader); }
  ~ClassDefTest() override { SetBitmapLoader(previous_); }

  bool Load(const std::string& text) {
    WriteFile(path, text);
    return grp.LoadFromFile(path);
  }
  Names Codes() const {
    Names codes;
    for (int i = 0; i < grp.Count(); ++i) codes.push_back(grp.Items(i)->Name);
    return codes;
  }
  const TClassDef& Class(const std::string& code) const {
    for (int i = 0; i < grp.Count(); ++i)
      if (grp.Items(i)->Name == code) return *grp.Items(i);
    throw std::runtime_error("no class " + code);
  }

  TempDir dir;
  test::ScopedProgramDir home{dir.Path().string()};
  std::string path = dir.File("Test.ini");
  FakeLoader loader;
  TClassDefGrp grp;

private:
  TBitmapLoader* previous_;
};

TEST_F(ClassDefTest, ReadsEveryFieldWithHexNumbers) {
  ASSERT_TRUE(Load("[C_2101]\r\nClassTitle=" + kNameSjis +
                   "\r\nOrder=0x1F\r\nVisible=1,500,$1388\r\nPen=$0000FF,1,2\r\n"
                   "Brush=$FF0000,6\r\nFont=$00FF00,\"" +
                   kGothicSjis + "\",12,1,01,2,1,3\r\nProp=1,1,0,LABEL\r\nSymbol=none\r\n"));
  ASSERT_EQ(grp.Count(), 1);
  const TClassDef& c = *grp.Items(0);
  EXPECT_EQ(c.Name, "2101");
  EXPECT_EQ(c.Group, &grp);
  EXPECT_EQ(c.Title, kNameSjis);
  EXPECT_EQ(c.Order, 31);
  EXPECT_EQ(c.Visible, 1);
  EXPECT_EQ(c.MinScale, 500.0f);
  EXPECT_EQ(c.MaxScale, 5000.0f);
  EXPECT_EQ(c.Pen.Color, 255u);  // red
  EXPECT_EQ(c.Pen.Style, kPenDash);
  EXPECT_EQ(c.Pen.Width, 2);
  EXPECT_EQ(c.Brush.Color, 16711680u);  // blue
  EXPECT_EQ(c.Brush.Style, kBrushCross);
  EXPECT_EQ(c.Font.Color, MakeColor(0, 255, 0));
  EXPECT_EQ(c.Font.Name, kGothicSjis);  // quoted, so the blank stays inside the name
  EXPECT_EQ(c.Font.Size, 12);
  // Styles are on only for exactly "1": "01" and "2" leave italic and underline off.
  EXPECT_TRUE(c.Font.Bold);
  EXPECT_FALSE(c.Font.Italic);
  EXPECT_FALSE(c.Font.Underline);
  EXPECT_TRUE(c.Font.StrikeOut);
  EXPECT_EQ(c.OpaqueText, 3);
  EXPECT_EQ(c.SymbolName, "none");
  EXPECT_EQ(c.SymbolIndex, -1);  // no such key in [Symbols]
}

TEST_F(ClassDefTest, UnquotedFaceNameWithABlankShiftsTheFollowingFields) {
  ASSERT_TRUE(Load(ClassSection("A", "", "Font") + "Font=0,Arial 10,9,1,0,0,0,0\r\n"));
  const TFont& f = grp.Items(0)->Font;
  EXPECT_EQ(f.Name, "Arial");
  EXPECT_EQ(f.Size, 10);
  EXPECT_FALSE(f.Bold);  // "9"
  EXPECT_TRUE(f.Italic);
}

TEST_F(ClassDefTest, SectionsDeclareClassesOnlyWithUpperCasePrefix) {
  ASSERT_TRUE(Load("[MapTheme]\r\nThemeTitle=t\r\n" + ClassSection("lower").replace(1, 1, "c") +
                   ClassSection("", "Order=1\r\n") + "[Other]\r\nVisible=1\r\n" +
                   ClassSection("1108", "Order=2\r\n")));
  EXPECT_EQ(Codes(), (Names{"", "1108"}));
  EXPECT_TRUE(grp.IsClassVisible("", 2500));
  EXPECT_FALSE(grp.IsClassVisible("lower", 2500));
}

TEST_F(ClassDefTest, FileWithoutClassesLoadsEmptyAndMissingFileEmptiesTheGroup) {
  ASSERT_TRUE(Load("[Symbols]\r\nk=a.bmp\r\n" + ClassSection("A")));
  ASSERT_EQ(grp.Count(), 1);
  EXPECT_FALSE(grp.LoadFromFile(dir.File("missing.ini")));
  EXPECT_EQ(grp.Count(), 0);
  EXPECT_EQ(grp.SymbolKeys.Count(), 0u);
  EXPECT_TRUE(Load("[MapTheme]\r\nThemeTitle=t\r\n"));
  EXPECT_EQ(grp.Count(), 0);
}

TEST_F(ClassDefTest, CodesAreCutAfter99Characters) {
  const std::string code99(99, 'x');
  ASSERT_TRUE(Load(ClassSection(code99)));
  EXPECT_EQ(grp.Items(0)->Name, code99);
  // One more character: the class is named by the cut code, and the section
  // of that name does not exist, so its first required key is missing.
  EXPECT_THROW(Load(ClassSection(code99 + "y")), EListIndexError);
  ASSERT_EQ(grp.Count(), 1);
  EXPECT_EQ(grp.Items(0)->Name, code99);
}

struct ErrorRow {
  std::string Name;
  std::string key;
  std::optional<std::string> value;  // none: the key is missing
  std::string message;
};

std::string IndexMessage(long long i) { return EListIndexError(i).what(); }
std::string ConvertMessage(const std::string& s) { return EConvertError(s).what(); }

class ClassDefErrorTest : public ClassDefTest, public ::testing::WithParamInterface<ErrorRow> {};

TEST_P(ClassDefErrorTest, FailsWithTheRuntimeMessage) {
  const ErrorRow& row = GetParam();
  const std::string line = row.value ? row.key + "=" + *row.value + "\r\n" : "";
  try {
    Load(ClassSection("A", line, row.key));
    FAIL() << "loaded without error";
  } catch (const EChizroError& e) {
    EXPECT_EQ(e.what(), row.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    ClassDef, ClassDefErrorTest,
    ::testing::Values(
        ErrorRow{"VisibleMissing", "Visible", std::nullopt, IndexMessage(0)},
        ErrorRow{"VisibleShort", "Visible", "1,0", IndexMessage(2)},
        ErrorRow{"PenMissing", "Pen", std::nullopt, IndexMessage(0)},
        ErrorRow{"PenShort", "Pen", "255,0", IndexMessage(2)},
        ErrorRow{"BrushShort", "Brush", "255", IndexMessage(1)},
        ErrorRow{"FontMissing", "Font", std::nullopt, IndexMessage(0)},
        ErrorRow{"FontWithoutOpaqueField", "Font", "0,Arial,9,0,0,0,0", IndexMessage(7)},
        ErrorRow{"PropOneField", "Prop", "1", IndexMessage(1)},
        ErrorRow{"PropEmpty", "Prop", "", IndexMessage(0)},
        ErrorRow{"VisibleNotANumber", "Visible", "1,abc,0", ConvertMessage("abc")},
        ErrorRow{"PenCStyleHex", "Pen", "0xFF,0,1", ConvertMessage("0xFF")},
        ErrorRow{"PropNotANumber", "Prop", "1,x", ConvertMessage("x")},
        // The unquoted name splits in two, and its second word lands on the size.
        ErrorRow{"FontUnquotedFaceWithBlank", "Font", "0," + kGothicSjis + ",9,0,0,0,0,0",
                 ConvertMessage("\x83\x53\x83\x56\x83\x62\x83\x4E")}),
    test::RowName<ErrorRow>);

TEST_F(ClassDefTest, ErrorLeavesEveryClassUnsortedAndLaterOnesAsConstructed) {
  EXPECT_THROW(Load(ClassSection("A", "Order=5\r\nClassTitle=first\r\n") +
                    ClassSection("B", "Order=1\r\nClassTitle=second\r\nPen=1,2\r\n", "Pen") +
                    ClassSection("C", "Order=0\r\nClassTitle=third\r\nSymbol=k\r\n") +
                    "[Symbols]\r\nk=k.bmp\r\n"),
               EListIndexError);
  EXPECT_EQ(Codes(), (Names{"A", "B", "C"}));
  const TClassDef& a = *grp.Items(0);
  EXPECT_EQ(a.Title, "first");
  EXPECT_EQ(a.Font.Name, "MS Gothic");
  const TClassDef& b = *grp.Items(1);
  EXPECT_EQ(b.Title, "second");  // read before the failing "Pen"
  EXPECT_EQ(b.Visible, 1);
  EXPECT_EQ(b.Font.Name, kDefaultFontName);
  const TClassDef& c = *grp.Items(2);
  EXPECT_EQ(c.Title, "");
  EXPECT_FALSE(c.IsVisibleAt(2500));
  EXPECT_EQ(c.SymbolIndex, -1);
}

struct VisibleRow {
  std::string Name;
  std::string visible;
  float scale;
  bool shown;
};

class ClassDefVisibleTest : public ClassDefTest,
                            public ::testing::WithParamInterface<VisibleRow> {};

TEST_P(ClassDefVisibleTest, IsClassVisibleAppliesTheInclusiveBounds) {
  const VisibleRow& row = GetParam();
  ASSERT_TRUE(Load(ClassSection("X", "Visible=" + row.visible + "\r\n", "Visible")));
  EXPECT_EQ(grp.IsClassVisible("X", row.scale), row.shown);
}

INSTANTIATE_TEST_SUITE_P(
    ClassDef, ClassDefVisibleTest,
    ::testing::Values(VisibleRow{"NoBoundsSmallScale", "1,0,0", 1.0f, true},
                      VisibleRow{"NoBoundsLargeScale", "1,0,0", 1e7f, true},
                      VisibleRow{"AtMax", "1,0,5000", 5000.0f, true},
                      VisibleRow{"AboveMax", "1,0,5000", 5001.0f, false},
                      VisibleRow{"AtMin", "1,2500,0", 2500.0f, true},
                      VisibleRow{"BelowMin", "1,2500,0", 2499.0f, false},
                      VisibleRow{"LargeAboveMinOnly", "1,2500,0", 1e7f, true},
                      VisibleRow{"NegativeBoundsNotApplied", "1,-1,-1", 2500.0f, true},
                      VisibleRow{"FlagOff", "0,0,0", 2500.0f, false},
                      VisibleRow{"FlagKeepsLowByteOnly", "256,0,0", 2500.0f, false}),
    test::RowName<VisibleRow>);

TEST(ClassDefGrp, IsClassVisibleMatchesCaseAndLetsTheLastClassDecide) {
  TClassDefGrp grp;
  EXPECT_EQ(grp.Add(nullptr), nullptr);
  TClassDef* first = grp.Add(std::make_unique<TClassDef>("Ab", nullptr));
  TClassDef* last = grp.Add(std::make_unique<TClassDef>("Ab", nullptr));
  EXPECT_EQ(last->Group, &grp);
  first->Visible = 1;
  EXPECT_FALSE(grp.IsClassVisible("Ab", 2500));
  last->Visible = 1;
  first->Visible = 0;
  EXPECT_TRUE(grp.IsClassVisible("Ab", 2500));
  EXPECT_FALSE(grp.IsClassVisible("AB", 2500));
  EXPECT_FALSE(grp.IsClassVisible("A", 2500));
  EXPECT_THROW(grp.Items(2), EListIndexError);
}

struct PropRow {
  std::string Name;
  std::optional<std::string> prop;
  int labelOn, source, index;
  std::string attrName;
};

class ClassDefPropTest : public ClassDefTest, public ::testing::WithParamInterface<PropRow> {};

TEST_P(ClassDefPropTest, ReadsTheLabelSettings) {
  const PropRow& row = GetParam();
  ASSERT_TRUE(Load(ClassSection("X", row.prop ? "Prop=" + *row.prop + "\r\n" : "")));
  const TClassDef& c = *grp.Items(0);
  EXPECT_EQ(c.LabelOn, row.labelOn);
  EXPECT_EQ(c.LabelSource, row.source);
  EXPECT_EQ(c.LabelAttrIndex, row.index);
  EXPECT_EQ(c.LabelAttrName, row.attrName);
}

INSTANTIATE_TEST_SUITE_P(
    ClassDef, ClassDefPropTest,
    ::testing::Values(PropRow{"Missing", std::nullopt, 0, 0, 0, ""},
                      PropRow{"ThirdText", "1,0,2", 1, 0, 2, ""},
                      PropRow{"NamedProperty", "1,1,0," + kNameSjis, 1, 1, 0, kNameSjis},
                      PropRow{"QuotedNameWithBlank", "1,1,0,\"road name\",x", 1, 1, 0, "road name"},
                      PropRow{"TwoFields", "1,1", 1, 1, 0, ""},
                      PropRow{"ThreeFieldsNoName", "1,1,4", 1, 1, 4, ""},
                      PropRow{"Off", "0,0,5", 0, 0, 5, ""},
                      PropRow{"KeepsLowBits", "257,65535,65537", 1, -1, 1, ""}),
    test::RowName<PropRow>);

TEST_F(ClassDefTest, SortsByOrderAndLeavesEqualOrdersWhereTheQuickSortPutsThem) {
  // A1 B0 C1 D1: the first pass (pivot B) swaps A and B; the second pass
  // over A1 C1 D1 (pivot C) swaps A and D, then C with itself: B D C A.
  ASSERT_TRUE(Load(ClassSection("A", "Order=1\r\n") + ClassSection("B", "Order=0\r\n") +
                   ClassSection("C", "Order=1\r\n") + ClassSection("D", "Order=1\r\n")));
  EXPECT_EQ(Codes(), (Names{"B", "D", "C", "A"}));

  // Orders at both ends of the range: their difference does not fit 32 bits.
  ASSERT_TRUE(Load(ClassSection("Max", "Order=2147483647\r\n") +
                   ClassSection("Min", "Order=-2147483648\r\n")));
  EXPECT_EQ(Codes(), (Names{"Min", "Max"}));
}

TEST_F(ClassDefTest, SymbolImagesBelongToTheirKeys) {
  std::filesystem::create_directories(dir.Path() / "sym");
  std::filesystem::create_directories(dir.Path() / "sub");
  for (const char* f : {"sym/a.ico", "b.bmp", "d.txt", "sub/e.BMP", "broken.bmp"})
    WriteFile(dir.File(f), "image");
  ASSERT_TRUE(
      Load("[Size]\r\nSymSize=0x20\r\n[Symbols]\r\nbeta=b.bmp\r\nAlpha=sym\\a.ico\r\n"
           "gamma=missing.bmp\r\nDelta=d.txt\r\neps=sub\\e.BMP\r\nZulu=broken.bmp\r\n" +
           ClassSection("P1", "Symbol=ALPHA\r\n") + ClassSection("P2", "Symbol=Gamma\r\n") +
           ClassSection("P3", "Symbol=zeta\r\n") + ClassSection("P4") +
           ClassSection("P5", "Symbol=EPS\r\n")));

  Names keys;
  for (std::size_t i = 0; i < grp.SymbolKeys.Count(); ++i) keys.push_back(grp.SymbolKeys[i].Key);
  EXPECT_EQ(keys, (Names{"Alpha", "beta", "Delta", "eps", "gamma", "Zulu"}));
  EXPECT_EQ(grp.SymbolFiles,
            (Names{"sym\\a.ico", "b.bmp", "d.txt", "sub\\e.BMP", "missing.bmp", "broken.bmp"}));
  // Only existing ".BMP" and ".ICO" files reach the loader.
  EXPECT_EQ(loader.Calls, (Names{"ico " + dir.File("sym/a.ico"), "bmp " + dir.File("b.bmp"),
                                 "bmp " + dir.File("sub/e.BMP"), "bmp " + dir.File("broken.bmp")}));
  EXPECT_EQ(grp.SymSize, 32);
  EXPECT_EQ(grp.Images.Width(), 32);
  EXPECT_EQ(grp.Images.Count(), 3);

  Names images;
  for (int i = -1; i <= 6; ++i) images.push_back(PathOf(grp.SymbolImage(i)));
  EXPECT_EQ(images, (Names{"(none)", dir.File("sym/a.ico"), dir.File("b.bmp"), "(none)",
                           dir.File("sub/e.BMP"), "(none)", "(none)", "(none)"}));

  EXPECT_EQ(Class("P1").SymbolIndex, 0);
  EXPECT_EQ(Class("P2").SymbolIndex, 4);  // a key without an image still counts
  EXPECT_EQ(Class("P3").SymbolIndex, -1);
  EXPECT_EQ(Class("P4").SymbolIndex, -1);
  EXPECT_EQ(Class("P5").SymbolIndex, 3);
  EXPECT_EQ(PathOf(grp.SymbolImage(Class("P5").SymbolIndex)), dir.File("sub/e.BMP"));
}

TEST_F(ClassDefTest, WithoutLoaderKeysStandButNoImagesLoad) {
  WriteFile(dir.File("b.bmp"), "image");
  const std::string text =
      "[Size]\r\nSymSize=big\r\n[Symbols]\r\nb=b.bmp\r\n" + ClassSection("P", "Symbol=B\r\n");
  ASSERT_TRUE(Load(text));
  ASSERT_EQ(grp.Images.Count(), 1);
  SetBitmapLoader(nullptr);
  ASSERT_TRUE(Load(text));  // a reload drops the earlier images
  EXPECT_EQ(grp.Images.Count(), 0);
  EXPECT_EQ(grp.SymSize, 16);
  EXPECT_EQ(grp.Images.Height(), 16);
  EXPECT_EQ(grp.Items(0)->SymbolIndex, 0);
  EXPECT_EQ(grp.SymbolImage(0), nullptr);
}

}  // namespace
}  // namespace chizro
