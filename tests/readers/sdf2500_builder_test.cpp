// The SDF 1:2500 reader on sheets written by the generator (tools/sdfgen) at
// test time, on broken copies of them, on small hand-written sheets, and
// through the map model; and the definition and settings files in def/.
#include "readers/sdf2500_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "coords/datum.h"
#include "coords/projection.h"
#include "model/class_def.h"
#include "model/draw_class.h"
#include "model/map_leaf.h"
#include "model/map_project.h"
#include "platform/comma_text.h"
#include "platform/errors.h"
#include "platform/ini_file.h"
#include "platform/program_dir.h"
#include "platform/sjis.h"
#include "readers/text_filer.h"
#include "readers/topology.h"
#include "sdfgen/sdf_city.h"
#include "test_support.h"

namespace chizro {
namespace {

namespace fs = std::filesystem;
using sdf2500::TCommaFields;
using sdf2500::TDirIndex;
using sdf2500::TLineCursor;

const std::string kSourceDir = fs::path(CHIZRO_TEST_DATA_DIR).parent_path().parent_path().string();
std::string RepoPath(std::string_view rel) { return (fs::path(kSourceDir) / rel).string(); }

// ---------------------------------------------------------------------------
// Helpers

std::vector<std::string> FileLines(const std::string& path) {
  return TTextFiler::SplitLines(test::ReadFile(path));
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  test::WriteFile(path, text);
}

void EditLines(const std::string& path,
               const std::function<void(std::vector<std::string>&)>& edit) {
  auto lines = FileLines(path);
  edit(lines);
  WriteLines(path, lines);
}

std::vector<std::string> GroupNames(const TMapLeaf& leaf) {
  std::vector<std::string> names;
  for (const auto& g : leaf.FigGrps) names.push_back(g->Name);
  return names;
}

const TFigGrp* Group(const TMapLeaf& leaf, std::string_view name, TFigKind kind) {
  for (const auto& g : leaf.FigGrps)
    if (g->Name == name && g->Kind() == kind) return g.get();
  return nullptr;
}

// The groups of a fully loaded sheet, in the order of the layer table.
const std::vector<std::pair<std::string, TFigKind>>& FullOrder() {
  static const std::vector<std::pair<std::string, TFigKind>> order = {
      {"SITYO", TFigKind::Polygon},    {"TYOME", TFigKind::Polygon},
      {"SITYO", TFigKind::Polyline},   {"GAIKU", TFigKind::Polygon},
      {"GAIKU", TFigKind::Polyline},   {"ZYOUTI", TFigKind::Polygon},
      {"TETUDOU", TFigKind::Polyline}, {"OTHERS", TFigKind::Polyline},
      {"MIZU", TFigKind::Polygon},     {"MIZU", TFigKind::Polyline},
      {"TATEMONO", TFigKind::Polygon}, {"TATEMONO", TFigKind::Polyline},
      {"ROAD", TFigKind::Polyline},    {"EKI", TFigKind::Point},
      {"SANKAKU", TFigKind::Point},    {"ZUKAKU", TFigKind::Polyline},
      {"ZUKAKU", TFigKind::Point}};
  return order;
}

std::vector<std::pair<std::string, TFigKind>> Groups(const TMapLeaf& leaf) {
  std::vector<std::pair<std::string, TFigKind>> groups;
  for (const auto& g : leaf.FigGrps) groups.emplace_back(g->Name, g->Kind());
  return groups;
}

// The class definitions of def/Sdf25.ini.
const TClassDefGrp& SdfClasses() {
  static const std::unique_ptr<TClassDefGrp> defs = [] {
    auto d = std::make_unique<TClassDefGrp>();
    d->LoadFromFile(RepoPath("def/Sdf25.ini"));
    return d;
  }();
  return *defs;
}

// A theme-less leaf list and the reader, for direct calls.
struct Reader {
  TMapLeafGrp leaves{nullptr};
  TMapBuilder_Sdf2500 builder;

  std::unique_ptr<TMapLeaf> Open(const std::string& path) { return builder.OpenFile(leaves, path); }
  std::unique_ptr<TMapLeaf> Load(const std::string& path, float scale = 2500) {
    auto leaf = Open(path);
    if (leaf) builder.LoadLeaf(*leaf, &SdfClasses(), scale);
    return leaf;
  }
};

// Writes the committed sample sheets (09LD183, 09LD184) into a fresh folder.
class SampleDir {
public:
  SampleDir() { sdfgen::WriteCity(dir_.Path(), sdfgen::SampleOptions()); }
  std::string Root() const { return dir_.Path().string(); }
  std::string Sheet(std::string_view name = "09LD183") const {
    return (dir_.Path() / name).string();
  }
  std::string File(std::string_view rel, std::string_view sheet = "09LD183") const {
    return (dir_.Path() / sheet / rel).string();
  }

private:
  test::TempDir dir_;
};

// A minimal hand-written sheet folder: the description file and the given
// layer files (relative path, lines).
std::string WriteSheet(const fs::path& root, const std::string& name,
                       const std::vector<std::pair<std::string, std::vector<std::string>>>& files,
                       const std::string& line7 = "9,-100.0,0.0,0.0,200.0,0.0,0.0,-100.0,200.0,1") {
  const fs::path dir = root / name;
  fs::create_directories(dir);
  WriteLines((dir / (name + ".txt")).string(), {"a", "b", "c", "d", name, "2500", line7});
  for (const auto& [rel, lines] : files) {
    fs::create_directories((dir / rel).parent_path());
    WriteLines((dir / rel).string(), lines);
  }
  return dir.string();
}

const std::string kHeader = "FH,X,X,ARC,2500,2004,9,1,-100.00,0.00,0,0,0,0,0,0";

// ---------------------------------------------------------------------------
// Splitting fields and lines

TEST(SdfCommaFields, GiveTheFieldsOfTheSharedSplitter) {
  const std::vector<std::string> lines = {
      "",
      "   ",
      "L1101,0,12,3",
      "1234.56,789.01",
      " 12 , 34 ",
      "a,,b",
      "a,b,",
      ",a",
      ",,",
      "a b\tc",
      "\"quoted, with comma\",x",
      "x,\"a\"\"b\",y",
      "x,\"unterminated",
      "mid\"quote,z",
      "A1106,1,2,131010001,\x96\x7B\x92\xAC\x88\xEA\x92\x9A\x96\xDA",  // 本町一丁目
      "P7301,\x83\x5C,\x95\x5C",                                       // ソ, 表: trail byte 0x5C
      "\x81,x",       // a lead byte before a comma: one character
      "x,\x81",       // a lead byte at the very end
      "\x81\"a\",b",  // a lead byte before a quote
  };
  TCommaFields f;
  for (const std::string& line : lines) {
    f.Split(line);
    const auto expected = SplitCommaText(line);
    ASSERT_EQ(f.Count(), expected.size()) << line;
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(f[i], expected[i]) << line;
  }
}

TEST(SdfCommaFields, AgreeWithTheSharedSplitterOnRandomLines) {
  const std::string alphabet = std::string("ab1.-, \t\"") + '\x81' + '\x9F' + '\xE0' + '\x5C' +
                               '\x40' + '\xFC' + '\x20' + '\x2C';
  std::uint64_t state = 42;
  TCommaFields f;
  for (int round = 0; round < 20000; ++round) {
    std::string line;
    const int len = static_cast<int>(sdfgen::detail::Mix(state++) % 12);
    for (int i = 0; i < len; ++i) line += alphabet[sdfgen::detail::Mix(state++) % alphabet.size()];
    f.Split(line);
    const auto expected = SplitCommaText(line);
    ASSERT_EQ(f.Count(), expected.size()) << "round " << round;
    for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(f[i], expected[i]) << round;
  }
}

TEST(SdfCommaFields, AtAMissingFieldIsTheListIndexError) {
  TCommaFields f;
  f.Split("a,b");
  EXPECT_EQ(f.At(1), "b");
  try {
    f.At(2);
    ADD_FAILURE() << "no error";
  } catch (const EListIndexError& e) {
    EXPECT_EQ(e.Index(), 2);
  }
}

TEST(SdfLineCursor, GivesTheLinesOfTheTextFiler) {
  const std::vector<std::string> texts = {"",
                                          "a",
                                          "a\r\nb\r\n",
                                          "a\nb\n",
                                          "a\rb",
                                          "a\n\rb",
                                          "a\r\r\nb",
                                          "\r\n\r\n",
                                          std::string("ab\0cd\r\nef", 10),
                                          std::string("\0ab", 3),
                                          "last line without end"};
  std::uint64_t state = 7;
  std::vector<std::string> all = texts;
  for (int round = 0; round < 3000; ++round) {
    std::string t;
    const int len = static_cast<int>(sdfgen::detail::Mix(state++) % 10);
    for (int i = 0; i < len; ++i) t += "x\r\n,\0"[sdfgen::detail::Mix(state++) % 5];
    all.push_back(t);
  }
  for (const std::string& text : all) {
    auto cursor = TLineCursor::FromText(text);
    std::vector<std::string> got;
    std::string_view line;
    while (cursor.Next(line)) got.emplace_back(line);
    // The lines of the text filer, less those of blanks only.
    std::vector<std::string> want = TTextFiler::SplitLines(text);
    std::erase_if(want, [](const std::string& l) {
      return std::all_of(l.begin(), l.end(), [](char c) { return c >= 1 && c <= 32; });
    });
    EXPECT_EQ(got, want);
    EXPECT_EQ(cursor.Index(), static_cast<int>(got.size()));
    try {
      cursor.Need();
      ADD_FAILURE() << "Need past the end";
    } catch (const EListIndexError& e) {
      EXPECT_EQ(e.Index(), static_cast<long long>(got.size()));
    }
  }
}

TEST(SdfLineCursor, BlankLinesAndATrailingEndOfFileByteAreSkipped) {
  auto cursor = TLineCursor::FromText("h\r\n\r\n \t\r\nL1\r\n\r\n1,2\x1a\r\n\x1a");
  EXPECT_EQ(cursor.Need(), "h");
  EXPECT_EQ(cursor.Need(), "L1");
  EXPECT_EQ(cursor.Need(), "1,2");
  std::string_view line;
  EXPECT_FALSE(cursor.Next(line));
}

TEST(SdfLineCursor, AMissingFileOrAFolderHasNoLines) {
  test::TempDir dir;
  for (const std::string& path :
       {std::string("/no/such/file.ARC"), std::string(), dir.Path().string()}) {
    TLineCursor cursor(path);
    std::string_view line;
    EXPECT_FALSE(cursor.Next(line)) << path;
  }
  test::WriteFile(dir.File("a.ARC"), "h\r\nL1\r\n");
  TLineCursor cursor(dir.File("a.ARC"));
  EXPECT_EQ(cursor.Need(), "h");
  EXPECT_EQ(cursor.Need(), "L1");
}

TEST(SdfDirIndex, FindsEntriesWithoutRegardToCaseExactNameFirst) {
  test::TempDir dir;
  fs::create_directories(dir.Path() / "Gyousei");
  test::WriteFile(dir.File("gaiku.arc"), "x");
  test::WriteFile(dir.File("ROAD.ATR"), "x");
  test::WriteFile(dir.File("road.atr"), "x");
  const TDirIndex index(dir.Path().string());
  EXPECT_EQ(index.FindDir("GYOUSEI"), (dir.Path() / "Gyousei").string());
  EXPECT_EQ(index.FindFile("GYOUSEI"), "") << "a folder is not a file";
  EXPECT_EQ(index.FindFile("GAIKU.ARC"), dir.File("gaiku.arc"));
  EXPECT_EQ(index.FindFile("road.atr"), dir.File("road.atr"));
  EXPECT_EQ(index.FindFile("ROAD.ATR"), dir.File("ROAD.ATR"));
  EXPECT_EQ(index.FindFile("Road.Atr"), dir.File("ROAD.ATR")) << "name order: upper case first";
  EXPECT_EQ(index.Find("MIZU"), "");
  EXPECT_TRUE(TDirIndex("").Entries().empty());
  EXPECT_TRUE(TDirIndex(dir.File("none")).Entries().empty());
}

// ---------------------------------------------------------------------------
// Opening sheets

TEST(SdfOpen, ASheetFolderGivesALeafFromItsDescription) {
  SampleDir s;
  Reader r;
  const auto leaf = r.Open(s.Sheet("09LD184"));
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->SheetName, "09LD184");
  EXPECT_EQ(leaf->Name, "09LD184");
  EXPECT_EQ(leaf->FileName, s.Sheet("09LD184"));
  EXPECT_EQ(leaf->Owner, &r.leaves);
  EXPECT_EQ(leaf->CoordMode, 1);
  EXPECT_EQ(leaf->Zone, 9);
  EXPECT_EQ(leaf->Datum, 2);
  // corners 1 to 4: south-west, north-west, north-east, south-east
  EXPECT_EQ(leaf->Corners[0], (TFPoint{-6000, -36000}));
  EXPECT_EQ(leaf->Corners[1], (TFPoint{-6000, -34500}));
  EXPECT_EQ(leaf->Corners[2], (TFPoint{-4000, -34500}));
  EXPECT_EQ(leaf->Corners[3], (TFPoint{-4000, -36000}));
  EXPECT_EQ(leaf->Extent, (TFRect{-6000, -34500, -4000, -36000}));
  EXPECT_FALSE(leaf->Loaded);
  EXPECT_EQ(leaf->FigGrpCount(), 0) << "opening reads no layer";
  EXPECT_EQ(r.leaves.Count(), 0) << "OpenFile does not add the leaf";
}

TEST(SdfOpen, TheDescriptionFileOpensItsFolderWhateverTheCaseOfItsExtension) {
  SampleDir s;
  Reader r;
  const auto leaf = r.Open(s.File("09LD183.txt"));
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->FileName, s.Sheet("09LD183"));
  EXPECT_EQ(leaf->SheetName, "09LD183");
  // Disc file names are in capitals.
  fs::rename(s.File("09LD183.txt"), s.File("09LD183.TXT"));
  const auto upper = r.Open(s.File("09LD183.TXT"));
  ASSERT_TRUE(upper);
  EXPECT_EQ(upper->FileName, s.Sheet("09LD183"));
  EXPECT_TRUE(r.Open(s.Sheet("09LD183")));
}

// A first-edition sheet as the discs hold it (tests/data/sdf/disc/07MD623):
// capital file names, free text of six lines before the name, the unit line
// before the zone line "zone,SW,NE", blank lines and Ctrl-Z in every file.
TEST(SdfOpen, AFirstEditionSheetGivesItsCornersInTokyo) {
  const std::string sheet = std::string(CHIZRO_TEST_DATA_DIR) + "/sdf/disc/07MD623";
  Reader r;
  const auto leaf = r.Load(sheet + "/07MD623.TXT");
  ASSERT_TRUE(leaf);
  EXPECT_EQ(leaf->FileName, sheet);
  EXPECT_EQ(leaf->Zone, 7);
  EXPECT_EQ(leaf->Datum, 1) << "TOKYO";
  // X -81 ... -79.5 km (northing), Y -32 ... -30 km (easting).
  EXPECT_EQ(leaf->Corners[0], (TFPoint{-32000, -81000}));
  EXPECT_EQ(leaf->Corners[1], (TFPoint{-32000, -79500}));
  EXPECT_EQ(leaf->Corners[2], (TFPoint{-30000, -79500}));
  EXPECT_EQ(leaf->Corners[3], (TFPoint{-30000, -81000}));
  EXPECT_EQ(leaf->Extent, (TFRect{-32000, -79500, -30000, -81000}));

  ASSERT_TRUE(leaf->Loaded);
  const TFigGrp* building = nullptr;
  for (const auto& grp : leaf->FigGrps)
    if (grp->Kind() == TFigKind::Polygon && grp->Name == "TATEMONO") building = grp.get();
  ASSERT_NE(building, nullptr);
  ASSERT_EQ(building->Count(), 1);
  const TFigure& house = *building->Items(0);
  EXPECT_EQ(house.Points, (std::vector<TFPoint>{{-31800, -80900},
                                                {-31780, -80900},
                                                {-31780, -80880},
                                                {-31800, -80880},
                                                {-31800, -80900}}));
  EXPECT_EQ(house.Texts, (std::vector<std::string>{"2", Utf8ToSjis("町役場")}));
}

TEST(SdfOpen, ASheetIsRefusedWithoutItsOwnDescription) {
  SampleDir s;
  Reader r;
  EXPECT_FALSE(r.Open(s.Root())) << "not a sheet folder";
  EXPECT_FALSE(r.Open(s.Sheet("09LD999"))) << "no such folder";
  // line 5 names another sheet
  EditLines(s.File("09LD183.txt"), [](auto& l) { l[4] = "09LD184"; });
  EXPECT_FALSE(r.Open(s.Sheet("09LD183")));
  // compared after converting ASCII letters to upper case
  EditLines(s.File("09LD183.txt"), [](auto& l) { l[4] = "09ld183"; });
  EXPECT_TRUE(r.Open(s.Sheet("09LD183")));
  // no line names the sheet
  EditLines(s.File("09LD183.txt"), [](auto& l) { l.resize(4); });
  EXPECT_FALSE(r.Open(s.Sheet("09LD183")));
  // the description carries the folder's name
  fs::remove(s.File("09LD183.txt"));
  EXPECT_FALSE(r.Open(s.Sheet("09LD183")));
}

TEST(SdfOpen, DatumItemZeroIsTokyoAnythingElseJgd2000) {
  SampleDir s;
  Reader r;
  for (const auto& [datumItem, datum] : std::vector<std::pair<std::string, int>>{
           {"0", 1}, {"1", 2}, {"2", 2}, {"00", 2}, {"TOKYO", 2}}) {
    const std::string flag = datumItem;  // clang 14 cannot capture a structured binding
    EditLines(s.File("09LD183.txt"), [&](auto& l) {
      auto f = SplitCommaText(l[6]);
      f[9] = flag;
      std::string joined;
      for (const auto& x : f) joined += (joined.empty() ? "" : ",") + x;
      l[6] = joined;
    });
    const auto leaf = r.Open(s.Sheet());
    ASSERT_TRUE(leaf);
    EXPECT_EQ(leaf->Datum, datum) << flag;
  }
}

struct DescriptionCase {
  const char* Name;
  std::function<void(std::vector<std::string>&)> Edit;
  enum { List, Int, Real } Error;
  long long Index;  // list-index errors
};

class SdfBadDescription : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(SdfBadDescription, StopsTheOpenWithTheErrorAndNoLeaf) {
  SampleDir s;
  EditLines(s.File("09LD183.txt"), GetParam().Edit);
  Reader r;
  try {
    r.Open(s.Sheet());
    ADD_FAILURE() << "no error";
  } catch (const EListIndexError& e) {
    EXPECT_EQ(GetParam().Error, DescriptionCase::List);
    EXPECT_EQ(e.Index(), GetParam().Index);
  } catch (const EConvertError&) {
    EXPECT_EQ(GetParam().Error, DescriptionCase::Int);
  } catch (const EFloatConvertError&) {
    EXPECT_EQ(GetParam().Error, DescriptionCase::Real);
  }
  EXPECT_EQ(r.leaves.Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SdfBadDescription,
    ::testing::Values(
        DescriptionCase{"NameAndScaleOnly", [](auto& l) { l.resize(6); }, DescriptionCase::List, 6},
        DescriptionCase{"ZoneLineWithFourItems", [](auto& l) { l[6] = "9,1,2,3"; },
                        DescriptionCase::List, 4},
        DescriptionCase{"Line6NotAReal", [](auto& l) { l[5] = "2,500"; }, DescriptionCase::Real, 0},
        DescriptionCase{"ZoneNotAnInteger", [](auto& l) { l[6] = "9.0,1,2,3,4,5,6,7,8,1"; },
                        DescriptionCase::Int, 0},
        DescriptionCase{"CornerNotAReal", [](auto& l) { l[6] = "9,1,2,3,4,5,x6,7,8,1"; },
                        DescriptionCase::Real, 0}),
    [](const auto& row) { return std::string(row.param.Name); });

// ---------------------------------------------------------------------------
// Scanning folders

TEST(SdfOpenFolder, FindsEverySheetOnceInNameOrderAndSetsTheZone) {
  SampleDir s;
  Reader r;
  EXPECT_EQ(r.builder.OpenFolder(r.leaves, s.Root()), &r.leaves);
  ASSERT_EQ(r.leaves.Count(), 2);
  EXPECT_EQ(r.leaves.Items(0)->SheetName, "09LD183");
  EXPECT_EQ(r.leaves.Items(1)->SheetName, "09LD184");
  EXPECT_EQ(r.leaves.Zone, 9);
  r.builder.OpenFolder(r.leaves, s.Root());
  EXPECT_EQ(r.leaves.Count(), 2) << "sheets already in the list are not opened again";
}

TEST(SdfOpenFolder, SearchesFoldersBeforeTheFirstSheetButNotAfterIt) {
  test::TempDir root;
  // Entries are taken in name order: "0-a" comes before the sheets, "b" after.
  WriteSheet(root.Path() / "0-a", "09AA001", {});
  WriteSheet(root.Path(), "09AA002", {});
  WriteSheet(root.Path() / "b", "09AA003", {});  // a folder after the first sheet
  WriteSheet(root.Path(), "09AA004", {});
  fs::create_directories(root.Path() / ".hidden");
  WriteSheet(root.Path() / ".hidden", "09AA005", {});
  Reader r;
  r.builder.OpenFolder(r.leaves, root.Path().string());
  std::vector<std::string> names;
  for (int i = 0; i < r.leaves.Count(); ++i) names.push_back(r.leaves.Items(i)->SheetName);
  EXPECT_EQ(names, (std::vector<std::string>{"09AA001", "09AA002", "09AA004"}));
}

TEST(SdfOpenFolder, TheFirstSheetFixesTheZoneAndASheetOfAnotherZoneEndsTheFolder) {
  test::TempDir root;
  WriteSheet(root.Path(), "09AA001", {});
  WriteSheet(root.Path(), "10AA001", {});
  WriteSheet(root.Path(), "11AA001", {});
  {
    Reader r;
    r.builder.OpenFolder(r.leaves, root.Path().string());
    ASSERT_EQ(r.leaves.Count(), 1);
    EXPECT_EQ(r.leaves.Items(0)->SheetName, "09AA001");
    EXPECT_EQ(r.leaves.Zone, 9);
  }
  {
    Reader r;
    r.leaves.Zone = 10;  // a list whose first sheet was of zone 10
    r.builder.OpenFolder(r.leaves, root.Path().string());
    EXPECT_EQ(r.leaves.Count(), 0) << "the zone 9 sheet listed first ends the scan";
    EXPECT_EQ(r.leaves.Zone, 10);
  }
}

TEST(SdfOpenFolder, OnlySevenCharacterNamesWithNumbersAndADescriptionAreSheets) {
  test::TempDir root;
  // not sheets: wrong length, letters where digits belong, no description
  WriteSheet(root.Path(), "09AA0001", {});
  WriteSheet(root.Path(), "0XAA001", {});
  fs::create_directories(root.Path() / "09AA009");
  WriteSheet(root.Path() / "09AA009", "09AA010", {});  // searched: not a sheet itself
  Reader r;
  r.builder.OpenFolder(r.leaves, root.Path().string());
  ASSERT_EQ(r.leaves.Count(), 1);
  EXPECT_EQ(r.leaves.Items(0)->SheetName, "09AA010");
}

// tests/data/sdf/disc: 07MD623 and 07MD625 are good, 07MD624 between them
// has a scale that is no number.
TEST(SdfOpenFolder, ABadSheetIsReportedOnceAfterEveryGoodSheetOpened) {
  const std::string disc = std::string(CHIZRO_TEST_DATA_DIR) + "/sdf/disc";
  Reader r;
  try {
    r.builder.OpenFolder(r.leaves, disc);
    ADD_FAILURE() << "the bad sheet went unreported";
  } catch (const EScanError& e) {
    EXPECT_EQ(e.Count(), 1u);
    const std::string message = e.what();
    EXPECT_NE(message.find("07MD624': '2,500' は浮動小数点数ではありません"), std::string::npos)
        << message;
  }
  ASSERT_EQ(r.leaves.Count(), 2);
  EXPECT_EQ(r.leaves.Items(0)->SheetName, "07MD623");
  EXPECT_EQ(r.leaves.Items(1)->SheetName, "07MD625");
}

TEST(SdfOpenFolder, ASheetWhoseDescriptionNamesAnotherSheetIsLeftOut) {
  test::TempDir root;
  const std::string dir = WriteSheet(root.Path(), "09AA001", {});
  EditLines(dir + "/09AA001.txt", [](auto& l) { l[4] = "09AA002"; });
  WriteSheet(root.Path(), "09AA003", {});
  Reader r;
  r.builder.OpenFolder(r.leaves, root.Path().string());
  ASSERT_EQ(r.leaves.Count(), 1);
  EXPECT_EQ(r.leaves.Items(0)->SheetName, "09AA003");
}

// ---------------------------------------------------------------------------
// Loading

TEST(SdfLoad, ASampleSheetGivesEveryLayerInTableOrder) {
  SampleDir s;
  Reader r;
  for (const char* sheet : {"09LD183", "09LD184"}) {
    const auto leaf = r.Load(s.Sheet(sheet));
    ASSERT_TRUE(leaf);
    EXPECT_TRUE(leaf->Loaded);
    EXPECT_EQ(Groups(*leaf), FullOrder()) << sheet;
  }
}

TEST(SdfLoad, FiguresMatchTheRecordsOfTheFiles) {
  SampleDir s;
  Reader r;
  const auto leaf = r.Load(s.Sheet());
  ASSERT_TRUE(leaf);
  // Count records of each file independently of the reader.
  auto records = [&](std::string_view rel, char letter) {
    int n = 0;
    const auto lines = FileLines(s.File(rel));
    for (std::size_t i = 1; i < lines.size(); ++i)
      if (!lines[i].empty() && lines[i][0] == letter) ++n;
    return n;
  };
  // arcs of kinds 0..4 of a file
  auto lineArcs = [&](std::string_view rel) {
    int n = 0;
    for (const std::string& l : FileLines(s.File(rel)))
      if (!l.empty() && l[0] == 'L') {
        const int kind = std::stoi(SplitCommaText(l)[1]);
        if (kind >= 0 && kind <= 4) ++n;
      }
    return n;
  };
  EXPECT_EQ(Group(*leaf, "SITYO", TFigKind::Polygon)->Count(), records("GYOUSEI/SI_TYO.PGN", 'A'));
  EXPECT_EQ(Group(*leaf, "TYOME", TFigKind::Polygon)->Count(), records("GYOUSEI/TYOME.PGN", 'A'));
  EXPECT_EQ(Group(*leaf, "SITYO", TFigKind::Polyline)->Count(), lineArcs("GYOUSEI/GYOUSEI.ARC"));
  EXPECT_EQ(Group(*leaf, "GAIKU", TFigKind::Polygon)->Count(), records("GAIKU/GAIKU.PGN", 'A'));
  EXPECT_EQ(Group(*leaf, "GAIKU", TFigKind::Polyline)->Count(), lineArcs("GAIKU/GAIKU.ARC"));
  EXPECT_EQ(Group(*leaf, "ZYOUTI", TFigKind::Polygon)->Count(), records("OTHERS/ZYOUTI.PGN", 'A'));
  EXPECT_EQ(Group(*leaf, "TETUDOU", TFigKind::Polyline)->Count(),
            records("OTHERS/TETUDOU.ATR", 'L'));
  EXPECT_EQ(Group(*leaf, "OTHERS", TFigKind::Polyline)->Count(), lineArcs("OTHERS/OTHERS.ARC"));
  EXPECT_EQ(Group(*leaf, "MIZU", TFigKind::Polygon)->Count(), records("MIZU/MIZU.PGN", 'A'));
  EXPECT_EQ(Group(*leaf, "TATEMONO", TFigKind::Polygon)->Count(),
            records("TATEMONO/TATEMONO.PGN", 'A'));
  EXPECT_EQ(Group(*leaf, "ROAD", TFigKind::Polyline)->Count(), records("ROAD/ROAD.ATR", 'L'));
  EXPECT_EQ(Group(*leaf, "EKI", TFigKind::Point)->Count(), records("OTHERS/EKI.PNT", 'P'));
  EXPECT_EQ(Group(*leaf, "SANKAKU", TFigKind::Point)->Count(),
            records("KIJUNTEN/SANKAKU.PNT", 'P'));
  // The railway arcs (kind 5) are lines only through TETUDOU.ATR.
  EXPECT_GT(Group(*leaf, "TETUDOU", TFigKind::Polyline)->Count(), 0);
  for (const auto& fig : Group(*leaf, "OTHERS", TFigKind::Polyline)->Figures())
    EXPECT_NE(fig->ClassCode, "2300");
  for (const auto& fig : Group(*leaf, "TETUDOU", TFigKind::Polyline)->Figures()) {
    EXPECT_EQ(fig->ClassCode, "2300");
    EXPECT_EQ(fig->PointCount(), 2);
    ASSERT_EQ(fig->Texts.size(), 1u);
  }
}

TEST(SdfLoad, CoordinatesAreTheFileOffsetsPlusTheHeaderOrigin) {
  SampleDir s;
  Reader r;
  const auto leaf = r.Load(s.Sheet("09LD184"));
  ASSERT_TRUE(leaf);
  // the first control point of the sheet, computed here from the text
  const auto lines = FileLines(s.File("KIJUNTEN/SANKAKU.PNT", "09LD184"));
  ASSERT_GE(lines.size(), 2u);
  const auto header = SplitCommaText(lines[0]);
  const auto rec = SplitCommaText(lines[1]);
  const float x =
      static_cast<float>(std::stod(rec[3]) + double{static_cast<float>(std::stod(header[9]))});
  const float y =
      static_cast<float>(std::stod(rec[2]) + double{static_cast<float>(std::stod(header[8]))});
  const TFigGrp* points = Group(*leaf, "SANKAKU", TFigKind::Point);
  bool found = false;
  for (const auto& fig : points->Figures()) {
    if (fig->Name != rec[1]) continue;
    found = true;
    EXPECT_EQ(fig->ClassCode, "7301");
    EXPECT_EQ(fig->Points, (TFPointGrp{{x, y}}));
    EXPECT_EQ(fig->LabelX, x);
    EXPECT_EQ(fig->LabelY, y);
    ASSERT_EQ(fig->Texts.size(), 5u);
    EXPECT_EQ(fig->Texts[3], Utf8ToSjis("街区多角点"));
  }
  EXPECT_TRUE(found);
  // every vertex lies on the sheet
  for (const auto& g : leaf->FigGrps)
    for (const auto& fig : g->Figures())
      for (const TFPoint& p : fig->Points) {
        ASSERT_GE(p.x, -6000.0f);
        ASSERT_LE(p.x, -4000.0f);
        ASSERT_GE(p.y, -36000.0f);
        ASSERT_LE(p.y, -34500.0f);
      }
}

TEST(SdfLoad, EveryClassCodeOfTheSamplesIsDefinedAndHasAnOutputEntry) {
  SampleDir s;
  Reader r;
  std::set<std::string> codes;
  for (const char* sheet : {"09LD183", "09LD184"}) {
    const auto leaf = r.Load(s.Sheet(sheet));
    for (const auto& g : leaf->FigGrps)
      for (const auto& fig : g->Figures()) codes.insert(fig->ClassCode);
  }
  std::set<std::string> defined;
  for (int i = 0; i < SdfClasses().Count(); ++i) defined.insert(SdfClasses().Items(i)->Name);
  for (const std::string& code : codes) EXPECT_TRUE(defined.count(code)) << code;
  for (const char* code : {"0000", "1103", "1105", "1106", "1108", "2110", "2300", "2420", "3500",
                           "5101", "6241", "7301"})
    EXPECT_TRUE(codes.count(code)) << "the samples show class " << code;
  // def/chizro.ini has an entry for every class of the definition file (and
  // for the classes of the other kinds)
  const TIniFile settings(RepoPath("def/chizro.ini"));
  EXPECT_EQ(settings.ReadString("Layers", "Output", ""), "L");
  std::set<std::string> elements;
  for (const std::string& key : settings.ReadSection("Elements")) {
    elements.insert(key);
    const auto fields = SplitCommaText(settings.ReadString("Elements", key, ""));
    ASSERT_EQ(fields.size(), 5u) << key;
    EXPECT_EQ(fields[1].size(), 1u) << key;
    EXPECT_NE(std::string("0123456789ABCDEF").find(fields[1]), std::string::npos) << key;
  }
  for (const std::string& code : defined) EXPECT_TRUE(elements.count(code)) << code;
}

TEST(SdfDefinitions, LoadWithSymbolsTitlesAndTheKeyClassesVisibleAt2500) {
  const TClassDefGrp& d = SdfClasses();
  EXPECT_EQ(d.Count(), 21);
  EXPECT_EQ(TIniFile(RepoPath("def/Sdf25.ini")).ReadString("MapTheme", "ThemeTitle", ""),
            Utf8ToSjis("数値地図2500（空間データ基盤）"));
  EXPECT_TRUE(d.IsClassVisible("1108", 2500));
  EXPECT_TRUE(d.IsClassVisible("2110", 2500));
  EXPECT_FALSE(d.IsClassVisible("1108", 25000)) << "blocks are not read zoomed far out";
  for (int i = 0; i < d.Count(); ++i) {
    const TClassDef* c = d.Items(i);
    EXPECT_FALSE(c->Title.empty()) << c->Name;
    if (i > 0) {
      EXPECT_LE(d.Items(i - 1)->Order, c->Order);
    }
    if (c->Name == "2420" || c->Name == "7301") {
      EXPECT_NE(c->SymbolIndex, -1) << c->Name;
      EXPECT_EQ(c->Font.Name, Utf8ToSjis("ＭＳ Ｐゴシック"));
    }
  }
  for (const char* bmp : {"def/Eki.bmp", "def/Sankaku.bmp"}) {
    const std::string bytes = test::ReadFile(RepoPath(bmp));
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(bytes.size(), 54u + 16 * 16 * 3);
  }
}

TEST(SdfLoad, HiddenKeyClassesSkipTheirLayersUnread) {
  SampleDir s;
  // Unreadable block and road files prove that the layers are not read.
  test::WriteFile(s.File("GAIKU/GAIKU.ARC"), "");
  test::WriteFile(s.File("ROAD/ROADNTWK.ARC"), "");
  Reader r;
  for (float scale : {30000.0f, 1.0e6f}) {
    const auto leaf = r.Load(s.Sheet(), scale);
    ASSERT_TRUE(leaf->Loaded);
    const auto names = GroupNames(*leaf);
    EXPECT_EQ(std::count(names.begin(), names.end(), "GAIKU"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "ROAD"), 0);
    EXPECT_EQ(names.size(), FullOrder().size() - 3);
  }
  // Without class definitions neither key class exists.
  auto leaf = r.Open(s.Sheet());
  r.builder.LoadLeaf(*leaf, nullptr, 0);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->FigGrpCount(), static_cast<int>(FullOrder().size()) - 3);
}

TEST(SdfLoad, TheFrameIsAClosedRingThroughTheCornersAndAPointNamedAfterTheSheet) {
  SampleDir s;
  Reader r;
  const auto leaf = r.Load(s.Sheet("09LD184"));
  const TFigGrp* line = Group(*leaf, "ZUKAKU", TFigKind::Polyline);
  const TFigGrp* point = Group(*leaf, "ZUKAKU", TFigKind::Point);
  ASSERT_TRUE(line && point);
  ASSERT_EQ(line->Count(), 1);
  ASSERT_EQ(point->Count(), 1);
  const TFigure& ring = *line->Items(0);
  EXPECT_EQ(ring.ClassCode, "0000");
  EXPECT_EQ(ring.Name, "ZUKAKU");
  const auto& c = leaf->Corners;
  EXPECT_EQ(ring.Points, (TFPointGrp{c[0], c[1], c[2], c[3], c[0]}));
  const TFigure& p = *point->Items(0);
  EXPECT_EQ(p.ClassCode, "0000");
  EXPECT_EQ(p.Points, (TFPointGrp{{-5000, -35250}}));
  EXPECT_EQ(p.Texts, (std::vector<std::string>{"09LD184"}));
}

TEST(SdfLoad, RecordsOfAHandWrittenSheet) {
  test::TempDir root;
  const std::string dir = WriteSheet(
      root.Path(), "09XX001",
      {{"OTHERS/OTHERS.ARC",
        {kHeader, "L1234,2,78,3", "1.5,2.5", "3,4", "5,6", "X9999,1,2,3", "L6242,7,79,2", "0,0",
         "10,10", "L6242,-1,80,2", "0,0", "1,1", "L6242,0,81,2", "20,0", "20,30"}},
       {"OTHERS/ZYOUTI.PGN",
        {kHeader, "A6242,5,2,50.5,60.25", "79", "-81", "A6243,6,1,0,0", "nonexistent"}},
       {"OTHERS/ZYOUTI.ATR", {"FH", "A6242,5,3,park", "A6243,6,0", "Z0000,7,1,x"}}});
  Reader r;
  const auto leaf = r.Load(dir);
  ASSERT_TRUE(leaf);
  const TFigGrp* arcs = Group(*leaf, "OTHERS", TFigKind::Polyline);
  ASSERT_TRUE(arcs);
  // kinds 7 and -1 give no line of their own
  ASSERT_EQ(arcs->Count(), 2);
  const TFigure& a = *arcs->Items(0);
  EXPECT_EQ(a.ClassCode, "1234");
  EXPECT_EQ(a.Name, "78");
  EXPECT_EQ(a.Points, (TFPointGrp{{2.5f, -98.5f}, {4, -97}, {6, -95}}));
  EXPECT_EQ(arcs->Items(1)->Name, "81");

  const TFigGrp* pgns = Group(*leaf, "ZYOUTI", TFigKind::Polygon);
  ASSERT_TRUE(pgns);
  ASSERT_EQ(pgns->Count(), 2);
  const TFigure& park = *pgns->Items(0);
  EXPECT_EQ(park.ClassCode, "6242");
  EXPECT_EQ(park.LabelX, 60.25f);
  EXPECT_EQ(park.LabelY, -49.5f);
  // arc 79 forwards, then arc 81 backwards
  EXPECT_EQ(park.Points, (TFPointGrp{{0, -100}, {10, -90}, {30, -80}, {0, -80}}));
  // three values, two of them missing from the line
  EXPECT_EQ(park.Texts, (std::vector<std::string>{"park", "", ""}));
  EXPECT_TRUE(pgns->Items(1)->Points.empty());
  EXPECT_TRUE(pgns->Items(1)->Texts.empty());
  // no TETUDOU.ATR: no railway group
  const auto names = GroupNames(*leaf);
  EXPECT_EQ(names, (std::vector<std::string>{"ZYOUTI", "OTHERS", "ZUKAKU", "ZUKAKU"}));
}

TEST(SdfLoad, FoldersAndFilesAreFoundWhateverTheirLetterCase) {
  SampleDir s;
  Reader r;
  const auto expected = r.Load(s.Sheet());
  // lower-case every layer folder and file
  for (const auto& layer : fs::directory_iterator(s.Sheet())) {
    if (!layer.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(layer.path())) {
      std::string name = file.path().filename().string();
      std::transform(name.begin(), name.end(), name.begin(), ::tolower);
      fs::rename(file.path(), layer.path() / name);
    }
    std::string name = layer.path().filename().string();
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    fs::rename(layer.path(), layer.path().parent_path() / name);
  }
  fs::rename(s.File("09LD183.txt"), s.File("09ld183.TXT"));
  const auto leaf = r.Load(s.Sheet());
  ASSERT_TRUE(leaf);
  ASSERT_EQ(Groups(*leaf), Groups(*expected));
  for (int g = 0; g < leaf->FigGrpCount(); ++g) {
    ASSERT_EQ(leaf->FigGrps[g]->Count(), expected->FigGrps[g]->Count());
    for (int i = 0; i < leaf->FigGrps[g]->Count(); ++i)
      ASSERT_EQ(leaf->FigGrps[g]->Items(i)->Points, expected->FigGrps[g]->Items(i)->Points);
  }
}

// ---------------------------------------------------------------------------
// Broken copies of a sample sheet: the load stops with the error, the lists
// attached so far stay, the leaf stays not loaded.

struct BrokenCase {
  const char* Name;
  const char* File;  // below the sheet folder
  std::function<void(const std::string& path)> Break;
  enum { List, Int, Real } Error;
  long long Index;           // list-index errors; -1: the number of lines of the file
  std::size_t GroupsBefore;  // groups of FullOrder() attached before the failure
  const char* Text = "";     // conversion errors: the text quoted in the message
};

class SdfBrokenSheet : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(SdfBrokenSheet, StopsWithTheErrorKeepingWhatWasAttached) {
  const BrokenCase& c = GetParam();
  SampleDir s;
  const std::string path = s.File(c.File);
  c.Break(path);
  long long index = c.Index;
  if (index < 0) index = static_cast<long long>(FileLines(path).size());
  Reader r;
  auto leaf = r.Open(s.Sheet());
  ASSERT_TRUE(leaf);
  try {
    r.builder.LoadLeaf(*leaf, &SdfClasses(), 2500);
    ADD_FAILURE() << "no error";
  } catch (const EListIndexError& e) {
    EXPECT_EQ(c.Error, BrokenCase::List) << e.what();
    EXPECT_EQ(e.Index(), index);
  } catch (const EConvertError& e) {
    EXPECT_EQ(c.Error, BrokenCase::Int) << e.what();
    EXPECT_EQ(e.Text(), c.Text);
  } catch (const EFloatConvertError& e) {
    EXPECT_EQ(c.Error, BrokenCase::Real) << e.what();
    EXPECT_EQ(e.Text(), c.Text);
  }
  EXPECT_FALSE(leaf->Loaded);
  const auto& order = FullOrder();
  EXPECT_EQ(Groups(*leaf), decltype(Groups(*leaf))(order.begin(), order.begin() + c.GroupsBefore));
}

// Edits line `i` (0-based) of a file; negative counts from the end.
auto EditLine(int i, std::function<void(std::string&)> edit) {
  return [i, edit](const std::string& path) {
    EditLines(path, [&](auto& l) { edit(l[i >= 0 ? i : l.size() + i]); });
  };
}
auto SetLine(int i, std::string text) {
  return EditLine(i, [text](std::string& l) { l = text; });
}
// Keeps the first `n` lines (negative: drops that many from the end).
auto Truncate(int n) {
  return [n](const std::string& path) {
    EditLines(path, [&](auto& l) { l.resize(n >= 0 ? n : l.size() + n); });
  };
}
void Remove(const std::string& path) { fs::remove(path); }
void Empty(const std::string& path) { test::WriteFile(path, ""); }

// The first record line of a file (the header is line 0).
auto EditFirstRecord(std::function<void(std::vector<std::string>&)> edit) {
  return EditLine(1, [edit](std::string& l) {
    auto f = SplitCommaText(l);
    edit(f);
    std::string joined;
    for (const auto& x : f) joined += (joined.empty() ? "" : ",") + x;
    l = joined;
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SdfBrokenSheet,
    ::testing::Values(
        BrokenCase{"ShortArcHeader", "GYOUSEI/GYOUSEI.ARC",
                   SetLine(0, "FH,09LD183,GYOUSEI,ARC,2500,2004,9,1,-36000.00"), BrokenCase::List,
                   9, 0},
        BrokenCase{"EmptyArcFile", "GYOUSEI/GYOUSEI.ARC", Empty, BrokenCase::List, 0, 0},
        BrokenCase{"MissingDistrictAttributes", "GYOUSEI/TYOME.ATR", Remove, BrokenCase::List, 0,
                   1},
        BrokenCase{"DistrictRefsRunPastTheEnd", "GYOUSEI/TYOME.PGN", Truncate(-1), BrokenCase::List,
                   -1, 1},
        BrokenCase{"BlockArcRunsPastTheEnd", "GAIKU/GAIKU.ARC", Truncate(-2), BrokenCase::List, -1,
                   3},
        BrokenCase{"MissingBlockAttributes", "GAIKU/GAIKU.ATR", Remove, BrokenCase::List, 0, 3},
        BrokenCase{"MissingGroundAttributes", "OTHERS/ZYOUTI.ATR", Remove, BrokenCase::List, 0, 5},
        BrokenCase{"EmptyRailwayAttributes", "OTHERS/TETUDOU.ATR", Empty, BrokenCase::List, 0, 6},
        BrokenCase{"WaterCoordinateNotAReal", "MIZU/MIZU.ARC",
                   EditLine(2, [](std::string& l) { l = "12a.5" + l.substr(l.find(',')); }),
                   BrokenCase::Real, 0, 8, "12a.5"},
        BrokenCase{"BuildingArcCountNotAnInteger", "TATEMONO/TATEMONO.ARC",
                   EditFirstRecord([](auto& f) { f[3] = "x5"; }), BrokenCase::Int, 0, 10, "x5"},
        BrokenCase{"BuildingKindNotAnInteger", "TATEMONO/TATEMONO.ARC",
                   EditFirstRecord([](auto& f) { f[1] = "1.0"; }), BrokenCase::Int, 0, 10, "1.0"},
        BrokenCase{"BuildingLabelNotAReal", "TATEMONO/TATEMONO.PGN",
                   EditFirstRecord([](auto& f) { f[4] = "--1"; }), BrokenCase::Real, 0, 10, "--1"},
        BrokenCase{"BuildingPolygonWithoutCount", "TATEMONO/TATEMONO.PGN",
                   EditFirstRecord([](auto& f) { f.resize(2); }), BrokenCase::List, 2, 10},
        BrokenCase{"MissingRoadNetwork", "ROAD/ROADNTWK.ARC", Remove, BrokenCase::List, 0, 12},
        BrokenCase{"RoadAttributeWithoutName", "ROAD/ROAD.ATR", SetLine(-1, "L2110"),
                   BrokenCase::List, 1, 12},
        BrokenCase{"RoadAttributeCountNotAnInteger", "ROAD/ROAD.ATR",
                   EditFirstRecord([](auto& f) { f[2] = "2x"; }), BrokenCase::Int, 0, 12, "2x"},
        BrokenCase{"AttributeCountFarBeyondItsItems", "ROAD/ROAD.ATR",
                   EditFirstRecord([](auto& f) { f[2] = "2147483647"; }), BrokenCase::List, 5, 12},
        BrokenCase{"MissingStationAttributes", "OTHERS/EKI.ATR", Remove, BrokenCase::List, 0, 13},
        BrokenCase{"StationWithoutEasting", "OTHERS/EKI.PNT",
                   EditFirstRecord([](auto& f) { f.resize(3); }), BrokenCase::List, 3, 13},
        BrokenCase{"EmptyControlPointAttributes", "KIJUNTEN/SANKAKU.ATR", Empty, BrokenCase::List,
                   0, 14},
        BrokenCase{"ControlPointNorthingNotAReal", "KIJUNTEN/SANKAKU.PNT",
                   EditFirstRecord([](auto& f) { f[2] = "1e"; }), BrokenCase::Real, 0, 14, "1e"}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST(SdfBrokenSheet, MissingOptionalFilesAreSkippedWithoutError) {
  SampleDir s;
  for (const char* rel : {"GYOUSEI/SI_TYO.PGN", "GYOUSEI/SI_TYO.ATR", "OTHERS/TETUDOU.ATR",
                          "MIZU/MIZU.PGN", "MIZU/MIZU.ATR", "ROAD/ROAD.ATR"})
    fs::remove(s.File(rel));
  fs::remove_all(s.File("TATEMONO"));
  fs::remove_all(s.File("KIJUNTEN"));
  Reader r;
  const auto leaf = r.Load(s.Sheet());
  ASSERT_TRUE(leaf);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(GroupNames(*leaf),
            (std::vector<std::string>{"TYOME", "SITYO", "GAIKU", "GAIKU", "ZYOUTI", "OTHERS",
                                      "MIZU", "EKI", "ZUKAKU", "ZUKAKU"}));
}

TEST(SdfBrokenSheet, AMissingSheetFolderGivesOnlyTheFrame) {
  SampleDir s;
  Reader r;
  auto leaf = r.Open(s.Sheet());
  fs::remove_all(s.Sheet());
  r.builder.LoadLeaf(*leaf, &SdfClasses(), 2500);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(GroupNames(*leaf), (std::vector<std::string>{"ZUKAKU", "ZUKAKU"}));
}

// ---------------------------------------------------------------------------
// Through the map model

class SdfModelTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directories(program.Path() / "def");
    for (const char* f : {"Sdf25.ini", "Eki.bmp", "Sankaku.bmp"})
      fs::copy_file(RepoPath(std::string("def/") + f), program.Path() / "def" / f);
    SetProgramDir(program.Path().string());
  }
  void TearDown() override { SetProgramDir(""); }

  void PaintAt(float x, float y) {
    project.View->DeviceRect = {0, 0, 1000, 1000};
    project.View->PixelsPerInch = 96;
    project.SetScale(2500);
    project.View->CenterX = x;
    project.View->CenterY = y;
    project.Draw();
  }
  void PaintEveryLeaf(TMapTheme& theme) {
    for (int i = 0; i < theme.Leaves->Count(); ++i) {
      const TFRect e = theme.Leaves->Items(i)->Extent;
      PaintAt((e.left + e.right) / 2, (e.top + e.bottom) / 2);
    }
  }

  test::TempDir program;
  TMapProject project;
};

TEST_F(SdfModelTest, TheRegistryGivesKind11ThisReader) {
  const auto builder = CreateBuilder(kKindSdf2500);
  EXPECT_NE(dynamic_cast<TMapBuilder_Sdf2500*>(builder.get()), nullptr);
}

TEST_F(SdfModelTest, FolderModeLoadsEveryLeafWithTheLayersInTableOrder) {
  SampleDir s;
  project.Open(s.Root(), kKindSdf2500, 1);
  ASSERT_EQ(project.Themes->Count(), 1);
  TMapTheme& theme = *project.Themes->Items(0);
  EXPECT_EQ(theme.ClassDefs->Count(), 21);
  ASSERT_EQ(theme.Leaves->Count(), 2);
  EXPECT_EQ(theme.Leaves->Zone, 9);
  PaintEveryLeaf(theme);
  for (int i = 0; i < theme.Leaves->Count(); ++i) {
    const TMapLeaf& leaf = *theme.Leaves->Items(i);
    ASSERT_TRUE(leaf.Loaded) << leaf.SheetName;
    EXPECT_EQ(Groups(leaf), FullOrder()) << leaf.SheetName;
    EXPECT_EQ(leaf.Datum, 2);
    // the frame's ring and its label
    const TFigGrp* frame = Group(leaf, "ZUKAKU", TFigKind::Point);
    ASSERT_EQ(frame->Count(), 1);
    EXPECT_EQ(frame->Items(0)->Texts, (std::vector<std::string>{leaf.SheetName}));
    // every figure has the definition of its class
    ASSERT_TRUE(leaf.DrawClasses);
    for (const auto& g : leaf.FigGrps)
      for (const auto& fig : g->Figures()) {
        const TDrawClass* cls = leaf.DrawClasses->Find(fig->ClassCode);
        ASSERT_TRUE(cls);
        EXPECT_NE(cls->ClassDef, nullptr) << fig->ClassCode;
      }
  }
  // JGD2000 data in a JGD2000 project: nothing moved
  EXPECT_EQ(theme.Leaves->Items(0)->Extent, (TFRect{-8000, -34500, -6000, -36000}));
}

TEST_F(SdfModelTest, ATokyoSheetLandsShiftedByTheDatumShiftEverywhere) {
  test::TempDir dir;
  sdfgen::TCityOptions o = sdfgen::SampleOptions();
  o.Tokyo = true;
  sdfgen::WriteCity(dir.Path(), o);
  const std::string sheet = (dir.Path() / "09LD183").string();

  // The sheet as the reader gives it, converted here point by point.
  Reader r;
  const auto raw = r.Load(sheet);
  ASSERT_EQ(raw->Datum, 1);
  auto convert = [](TFPoint p) {
    ConvertPoint({kModePlane, 1, 9}, {kModePlane, 2, 9}, p.x, p.y);
    return p;
  };

  for (const int mode : {1, 2}) {
    TMapProject p;
    p.Open(mode == 1 ? dir.Path().string() : sheet, kKindSdf2500, mode);
    TMapTheme& theme = *p.Themes->Items(0);
    ASSERT_GE(theme.Leaves->Count(), 1);
    const TMapLeaf& leaf = *theme.Leaves->Items(0);
    ASSERT_EQ(leaf.SheetName, "09LD183");
    p.View->DeviceRect = {0, 0, 1000, 1000};
    p.View->PixelsPerInch = 96;
    p.SetScale(2500);
    p.View->CenterX = (leaf.Extent.left + leaf.Extent.right) / 2;
    p.View->CenterY = (leaf.Extent.top + leaf.Extent.bottom) / 2;
    p.Draw();
    ASSERT_TRUE(leaf.Loaded);
    EXPECT_EQ(leaf.Datum, 2);
    ASSERT_EQ(Groups(leaf), Groups(*raw));
    for (int g = 0; g < leaf.FigGrpCount(); ++g) {
      const TFigGrp& got = *leaf.FigGrps[g];
      const TFigGrp& src = *raw->FigGrps[g];
      ASSERT_EQ(got.Count(), src.Count());
      for (int i = 0; i < got.Count(); ++i) {
        const TFigure& a = *got.Items(i);
        const TFigure& b = *src.Items(i);
        ASSERT_EQ(a.Points.size(), b.Points.size());
        for (std::size_t k = 0; k < a.Points.size(); ++k)
          ASSERT_EQ(a.Points[k], convert(b.Points[k])) << got.Name << " " << i << " " << k;
        const TFPoint label = convert({b.LabelX, b.LabelY});
        EXPECT_EQ(a.LabelX, label.x);
        EXPECT_EQ(a.LabelY, label.y);
      }
    }
    // the frame too, and the leaf's corners: the shift is some 450 m here
    const TFigure& frame = *Group(leaf, "ZUKAKU", TFigKind::Polyline)->Items(0);
    EXPECT_EQ(frame.Points[0], leaf.Corners[0]);
    EXPECT_EQ(leaf.Corners[0], convert(raw->Corners[0]));
    const double shift =
        std::hypot(leaf.Corners[0].x - raw->Corners[0].x, leaf.Corners[0].y - raw->Corners[0].y);
    EXPECT_GT(shift, 300.0);
    EXPECT_LT(shift, 600.0);
    // independently of the model's conversion: TOKYO to JGD2000 by way of
    // latitude and longitude, within a centimetre
    double lat = 0, lon = 0, jlat = 0, jlon = 0, X = 0, Y = 0;
    XYToLatLon(kBessel1841, 9, lat, lon, double{raw->Corners[0].y}, double{raw->Corners[0].x});
    ConvertDatum(1, 2, lat, lon, jlat, jlon);
    LatLonToXY(kGrs80, 9, X, Y, jlat, jlon);
    EXPECT_NEAR(leaf.Corners[0].x, Y, 0.01);
    EXPECT_NEAR(leaf.Corners[0].y, X, 0.01);
  }
}

// ---------------------------------------------------------------------------
// The committed samples

TEST(SdfSamples, TheCommittedSamplesAreWhatTheGeneratorWrites) {
  const fs::path committed = RepoPath("samples/sdf");
  ASSERT_TRUE(fs::is_directory(committed)) << committed;
  test::TempDir dir;
  sdfgen::WriteCity(dir.Path(), sdfgen::SampleOptions());
  std::set<std::string> generated, present;
  for (const auto& e : fs::recursive_directory_iterator(dir.Path()))
    if (e.is_regular_file()) generated.insert(fs::relative(e.path(), dir.Path()).string());
  for (const auto& e : fs::recursive_directory_iterator(committed))
    if (e.is_regular_file()) present.insert(fs::relative(e.path(), committed).string());
  EXPECT_EQ(present, generated);
  for (const std::string& rel : generated) {
    if (!present.count(rel)) continue;
    EXPECT_TRUE(test::ReadFile((committed / rel).string()) ==
                test::ReadFile((dir.Path() / rel).string()))
        << rel << " differs: run sdfgen --sample --out samples/sdf";
  }
}

TEST(SdfSamples, TheGeneratorWritesTheSameBytesForEachSheetAloneOrInACity) {
  test::TempDir a, b;
  sdfgen::TCityOptions o = sdfgen::SampleOptions();
  sdfgen::WriteCity(a.Path(), o);
  o.Origin = "09LD184";
  o.SheetsX = 1;
  sdfgen::WriteCity(b.Path(), o);
  for (const char* rel : {"09LD184/09LD184.txt", "09LD184/GAIKU/GAIKU.ARC",
                          "09LD184/GYOUSEI/SI_TYO.PGN", "09LD184/ROAD/ROAD.ATR"})
    EXPECT_TRUE(test::ReadFile((a.Path() / rel).string()) ==
                test::ReadFile((b.Path() / rel).string()))
        << rel;
}

TEST(SdfSamples, SheetNamesFollowTheSevenCharacterRule) {
  sdfgen::TSheetId id;
  ASSERT_TRUE(sdfgen::ParseSheetName("07MD623", id));
  EXPECT_EQ(id.Bottom(), -81000);
  EXPECT_EQ(id.Left(), -32000);
  EXPECT_EQ(id.Top(), -79500);
  EXPECT_EQ(id.Right(), -30000);
  EXPECT_EQ(sdfgen::SheetName(id), "07MD623");
  ASSERT_TRUE(sdfgen::ParseSheetName("09LD183", id));
  EXPECT_EQ(id.Left(), -8000);
  EXPECT_EQ(id.Top(), -34500);
  EXPECT_FALSE(sdfgen::ParseSheetName("09LD185", id));
  EXPECT_FALSE(sdfgen::ParseSheetName("09LI181", id));
}

}  // namespace
}  // namespace chizro
