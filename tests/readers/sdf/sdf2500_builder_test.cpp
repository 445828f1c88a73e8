// The SDF 1:2500 reader on the committed sample sheets (samples/sdf), the
// first-edition sheets under tests/data/sdf/disc and a hand-written sheet
// against golden dumps; on copies of the samples broken one file at a time;
// and the folder scan.
#include "readers/sdf/sdf2500_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "model/map_leaf.h"
#include "platform/comma_text.h"
#include "platform/errors.h"
#include "readers/common/text_filer.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro::test {
namespace {

namespace fs = std::filesystem;

INSTANTIATE_TEST_SUITE_P(Sdf, ReaderGolden, ::testing::ValuesIn(GoldenRows("sdf/golden.tsv")),
                         RowName<GoldenCase>);

std::vector<std::string> FileLines(const std::string& path) {
  return TTextFiler::SplitLines(ReadFile(path));
}

void EditLines(const std::string& path,
               const std::function<void(std::vector<std::string>&)>& edit) {
  auto lines = FileLines(path);
  edit(lines);
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  WriteFile(path, text);
}

// Replaces item `i` of a comma line.
void SetItem(std::string& line, std::size_t i, const std::string& value) {
  auto f = SplitCommaText(line);
  f.at(i) = value;
  line.clear();
  for (const auto& x : f) line += (line.empty() ? "" : ",") + x;
}

std::vector<std::string> Groups(const TMapLeaf& leaf) {
  std::vector<std::string> groups;
  for (const auto& g : leaf.FigGrps) groups.push_back(g->Name);
  return groups;
}

// The groups of a fully loaded sample sheet, in the order of the layer table.
const std::vector<std::string> kFullOrder = {
    "SITYO", "TYOME",    "SITYO",    "GAIKU", "GAIKU", "ZYOUTI",  "TETUDOU", "OTHERS", "MIZU",
    "MIZU",  "TATEMONO", "TATEMONO", "ROAD",  "EKI",   "SANKAKU", "ZUKAKU",  "ZUKAKU"};

// A copy of the committed sample sheets in a scratch folder, and the reader.
class SdfTest : public ::testing::Test {
protected:
  SdfTest() { fs::copy(SourcePath("samples/sdf"), dir.Path(), fs::copy_options::recursive); }

  std::string Sheet(const std::string& name = "09LD183") const { return dir.File(name); }
  std::string File(const std::string& rel) const { return dir.File("09LD183/" + rel); }
  std::unique_ptr<TMapLeaf> Open(const std::string& path) { return reader.OpenFile(leaves, path); }
  std::unique_ptr<TMapLeaf> Load(const std::string& path, double scale = 2500) {
    auto leaf = Open(path);
    if (leaf) reader.LoadLeaf(*leaf, &ShippedClassDefs(kKindSdf2500), scale);
    return leaf;
  }

  TempDir dir;
  TMapLeafGrp leaves{nullptr};
  TMapBuilder_Sdf2500 reader;
};

TEST_F(SdfTest, TheDescriptionFileOpensItsFolderWithoutReadingALayer) {
  const auto check = [&](const std::string& path) {
    const auto leaf = Open(path);
    ASSERT_TRUE(leaf) << path;
    EXPECT_EQ(leaf->FileName, Sheet());
    EXPECT_EQ(leaf->SheetName, "09LD183");
    EXPECT_FALSE(leaf->Loaded);
    EXPECT_EQ(leaf->FigGrpCount(), 0);
  };
  check(File("09LD183.txt"));
  // Disc file names are in capitals.
  fs::rename(File("09LD183.txt"), File("09LD183.TXT"));
  check(File("09LD183.TXT"));
  check(Sheet());
  // Not a sheet folder, no such folder, a sheet without its description.
  EXPECT_FALSE(Open(dir.Path().string()));
  EXPECT_FALSE(Open(Sheet("09LD999")));
  fs::remove(File("09LD183.TXT"));
  EXPECT_FALSE(Open(Sheet()));
}

struct DescriptionCase {
  const char* Name;
  std::function<void(std::vector<std::string>&)> Edit;
  const char* Outcome;  // "datum N" of the leaf, "none", or the error as ErrorOf gives it
};

class SdfDescription : public SdfTest, public ::testing::WithParamInterface<DescriptionCase> {};

TEST_P(SdfDescription, DecidesTheSheetAndItsDatumOrStopsTheOpen) {
  EditLines(File("09LD183.txt"), GetParam().Edit);
  std::string outcome = "none";
  const std::string error = ErrorOf([&] {
    if (const auto leaf = Open(Sheet()))
      outcome = "datum " + std::to_string(CodeOfDatum(leaf->Datum));
  });
  EXPECT_EQ(error.empty() ? outcome : error, GetParam().Outcome);
}

auto DatumItem(const char* item) {
  return [item](std::vector<std::string>& l) { SetItem(l[6], 9, item); };
}

INSTANTIATE_TEST_SUITE_P(
    Edits, SdfDescription,
    ::testing::Values(
        // Line 5 names the sheet, compared after converting ASCII letters to
        // upper case.
        DescriptionCase{"AnotherSheetsName", [](auto& l) { l[4] = "09LD184"; }, "none"},
        DescriptionCase{"NameInSmallLetters", [](auto& l) { l[4] = "09ld183"; }, "datum 2"},
        DescriptionCase{"NoLineNamesTheSheet", [](auto& l) { l.resize(4); }, "none"},
        // Datum item 0 is TOKYO, anything else JGD2000.
        DescriptionCase{"DatumZero", DatumItem("0"), "datum 1"},
        DescriptionCase{"DatumOne", DatumItem("1"), "datum 2"},
        DescriptionCase{"DatumTwo", DatumItem("2"), "datum 2"},
        DescriptionCase{"DatumZeroZero", DatumItem("00"), "datum 2"},
        DescriptionCase{"DatumText", DatumItem("TOKYO"), "datum 2"},
        DescriptionCase{"NameAndScaleOnly", [](auto& l) { l.resize(6); }, "list 6"},
        DescriptionCase{"ZoneLineWithFourItems", [](auto& l) { l[6] = "9,1,2,3"; }, "list 4"},
        DescriptionCase{"Line6NotAReal", [](auto& l) { l[5] = "2,500"; }, "real '2,500'"},
        DescriptionCase{"ZoneNotAnInteger", [](auto& l) { l[6] = "9.0,1,2,3,4,5,6,7,8,1"; },
                        "integer '9.0'"},
        DescriptionCase{"CornerNotAReal", [](auto& l) { l[6] = "9,1,2,3,4,5,x6,7,8,1"; },
                        "real 'x6'"}),
    RowName<DescriptionCase>);

TEST_F(SdfTest, HiddenKeyClassesSkipTheirLayersUnread) {
  // Unreadable block and road files prove that the layers are not read.
  WriteFile(File("GAIKU/GAIKU.ARC"), "");
  WriteFile(File("ROAD/ROADNTWK.ARC"), "");
  for (double scale : {30000.0, 1.0e6}) {
    const auto leaf = Load(Sheet(), scale);
    ASSERT_TRUE(leaf->Loaded);
    const auto names = Groups(*leaf);
    EXPECT_EQ(std::count(names.begin(), names.end(), "GAIKU"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "ROAD"), 0);
    EXPECT_EQ(names.size(), kFullOrder.size() - 3);
  }
  // Without class definitions neither key class exists.
  auto leaf = Open(Sheet());
  reader.LoadLeaf(*leaf, nullptr, 0);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(leaf->FigGrpCount(), static_cast<int>(kFullOrder.size()) - 3);
}

TEST_F(SdfTest, FoldersAndFilesAreFoundWhateverTheirLetterCase) {
  const std::string expected = DumpLeaf(*Load(Sheet()));
  const auto lower = [](fs::path p) {
    std::string name = p.filename().string();
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    fs::rename(p, p.parent_path() / name);
  };
  for (const auto& layer : fs::directory_iterator(Sheet())) {
    if (!layer.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(layer.path())) lower(file.path());
    lower(layer.path());
  }
  fs::rename(File("09LD183.txt"), File("09ld183.TXT"));
  EXPECT_EQ(DumpLeaf(*Load(Sheet())), expected);
}

// ---------------------------------------------------------------------------
// Broken copies of a sample sheet: the load stops with the error, the lists
// attached so far stay, the leaf stays not loaded.

struct BrokenCase {
  const char* Name;
  const char* File;  // below the sheet folder
  std::function<void(const std::string& path)> Break;
  const char* Error;         // as ErrorOf gives it; "list end": the number of lines of the file
  std::size_t GroupsBefore;  // groups of kFullOrder attached before the failure
};

class SdfBrokenSheet : public SdfTest, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(SdfBrokenSheet, StopsWithTheErrorKeepingWhatWasAttached) {
  const BrokenCase& c = GetParam();
  c.Break(File(c.File));
  std::string error = c.Error;
  if (error == "list end") error = "list " + std::to_string(FileLines(File(c.File)).size());
  auto leaf = Open(Sheet());
  ASSERT_TRUE(leaf);
  EXPECT_EQ(ErrorOf([&] { reader.LoadLeaf(*leaf, &ShippedClassDefs(kKindSdf2500), 2500); }), error);
  EXPECT_FALSE(leaf->Loaded);
  EXPECT_EQ(Groups(*leaf),
            std::vector<std::string>(kFullOrder.begin(), kFullOrder.begin() + c.GroupsBefore));
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
// Sets item `item` of the first record line (the header is line 0).
auto SetFirstRecordItem(std::size_t item, std::string value) {
  return EditLine(1, [item, value](std::string& l) { SetItem(l, item, value); });
}
// Keeps the first `n` items of the first record line.
auto CutFirstRecord(std::size_t n) {
  return EditLine(1, [n](std::string& l) {
    auto f = SplitCommaText(l);
    f.resize(n);
    l.clear();
    for (const auto& x : f) l += (l.empty() ? "" : ",") + x;
  });
}
// Drops the last `n` lines.
auto DropLines(std::size_t n) {
  return
      [n](const std::string& path) { EditLines(path, [&](auto& l) { l.resize(l.size() - n); }); };
}
void Remove(const std::string& path) { fs::remove(path); }
void Empty(const std::string& path) { WriteFile(path, ""); }

INSTANTIATE_TEST_SUITE_P(
    Cases, SdfBrokenSheet,
    ::testing::Values(
        BrokenCase{"ShortArcHeader", "GYOUSEI/GYOUSEI.ARC",
                   SetLine(0, "FH,09LD183,GYOUSEI,ARC,2500,2004,9,1,-36000.00"), "list 9", 0},
        BrokenCase{"EmptyArcFile", "GYOUSEI/GYOUSEI.ARC", Empty, "list 0", 0},
        BrokenCase{"MissingDistrictAttributes", "GYOUSEI/TYOME.ATR", Remove, "list 0", 1},
        BrokenCase{"DistrictRefsRunPastTheEnd", "GYOUSEI/TYOME.PGN", DropLines(1), "list end", 1},
        BrokenCase{"BlockArcRunsPastTheEnd", "GAIKU/GAIKU.ARC", DropLines(2), "list end", 3},
        BrokenCase{"MissingBlockAttributes", "GAIKU/GAIKU.ATR", Remove, "list 0", 3},
        BrokenCase{"MissingGroundAttributes", "OTHERS/ZYOUTI.ATR", Remove, "list 0", 5},
        BrokenCase{"EmptyRailwayAttributes", "OTHERS/TETUDOU.ATR", Empty, "list 0", 6},
        BrokenCase{"WaterCoordinateNotAReal", "MIZU/MIZU.ARC",
                   EditLine(2, [](std::string& l) { l = "12a.5" + l.substr(l.find(',')); }),
                   "real '12a.5'", 8},
        BrokenCase{"BuildingArcCountNotAnInteger", "TATEMONO/TATEMONO.ARC",
                   SetFirstRecordItem(3, "x5"), "integer 'x5'", 10},
        BrokenCase{"BuildingKindNotAnInteger", "TATEMONO/TATEMONO.ARC",
                   SetFirstRecordItem(1, "1.0"), "integer '1.0'", 10},
        BrokenCase{"BuildingLabelNotAReal", "TATEMONO/TATEMONO.PGN", SetFirstRecordItem(4, "--1"),
                   "real '--1'", 10},
        BrokenCase{"BuildingPolygonWithoutCount", "TATEMONO/TATEMONO.PGN", CutFirstRecord(2),
                   "list 2", 10},
        BrokenCase{"MissingRoadNetwork", "ROAD/ROADNTWK.ARC", Remove, "list 0", 12},
        BrokenCase{"RoadAttributeWithoutName", "ROAD/ROAD.ATR", SetLine(-1, "L2110"), "list 1", 12},
        BrokenCase{"RoadAttributeCountNotAnInteger", "ROAD/ROAD.ATR", SetFirstRecordItem(2, "2x"),
                   "integer '2x'", 12},
        BrokenCase{"AttributeCountFarBeyondItsItems", "ROAD/ROAD.ATR",
                   SetFirstRecordItem(2, "2147483647"), "list 5", 12},
        BrokenCase{"MissingStationAttributes", "OTHERS/EKI.ATR", Remove, "list 0", 13},
        BrokenCase{"StationWithoutEasting", "OTHERS/EKI.PNT", CutFirstRecord(3), "list 3", 13},
        BrokenCase{"EmptyControlPointAttributes", "KIJUNTEN/SANKAKU.ATR", Empty, "list 0", 14},
        BrokenCase{"ControlPointNorthingNotAReal", "KIJUNTEN/SANKAKU.PNT",
                   SetFirstRecordItem(2, "1e"), "real '1e'", 14}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST_F(SdfTest, MissingOptionalFilesAreSkippedWithoutError) {
  for (const char* rel : {"GYOUSEI/SI_TYO.PGN", "GYOUSEI/SI_TYO.ATR", "OTHERS/TETUDOU.ATR",
                          "MIZU/MIZU.PGN", "MIZU/MIZU.ATR", "ROAD/ROAD.ATR"})
    fs::remove(File(rel));
  fs::remove_all(File("TATEMONO"));
  fs::remove_all(File("KIJUNTEN"));
  const auto leaf = Load(Sheet());
  ASSERT_TRUE(leaf);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(Groups(*leaf), (std::vector<std::string>{"TYOME", "SITYO", "GAIKU", "GAIKU", "ZYOUTI",
                                                     "OTHERS", "MIZU", "EKI", "ZUKAKU", "ZUKAKU"}));
}

TEST_F(SdfTest, AMissingSheetFolderGivesOnlyTheFrame) {
  auto leaf = Open(Sheet());
  fs::remove_all(Sheet());
  reader.LoadLeaf(*leaf, &ShippedClassDefs(kKindSdf2500), 2500);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(Groups(*leaf), (std::vector<std::string>{"ZUKAKU", "ZUKAKU"}));
}

// ---------------------------------------------------------------------------
// Scanning folders

// Folders of sheets that are descriptions only, under tests/data/sdf/scan.
struct ScanCase {
  const char* Name;
  const char* Folder;
  int Zone;  // the list's zone before the scan
  std::vector<std::string> Sheets;
};

class SdfScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(SdfScan, FindsTheSheetsOfTheFolder) {
  const ScanCase& c = GetParam();
  TMapBuilder_Sdf2500 reader;
  TMapLeafGrp leaves(nullptr);
  leaves.Zone = c.Zone;
  EXPECT_EQ(reader.OpenFolder(leaves, DataPath(std::string("sdf/scan/") + c.Folder)), &leaves);
  std::vector<std::string> names;
  for (int i = 0; i < leaves.Count(); ++i) names.push_back(leaves.Items(i)->SheetName);
  EXPECT_EQ(names, c.Sheets);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, SdfScan,
    ::testing::Values(
        // Entries in name order: "0-a" is searched before the first sheet,
        // "b" and ".hidden" not after it.
        ScanCase{"FoldersBeforeTheFirstSheetOnly", "order", 0, {"09AA001", "09AA002", "09AA004"}},
        // The first sheet fixes the zone; a sheet of another zone ends the
        // folder, also when the list's zone came from elsewhere.
        ScanCase{"ASheetOfAnotherZoneEndsTheFolder", "zones", 0, {"09AA001"}},
        ScanCase{"TheListsZoneCounts", "zones", 10, {}},
        // Seven characters, digits where they belong, a description of its
        // own: 09AA009 is searched, not a sheet itself.
        ScanCase{"OnlySevenCharacterNamesWithNumbers", "names", 0, {"09AA010"}},
        ScanCase{"ADescriptionOfAnotherSheetIsLeftOut", "other", 0, {"09AA003"}}),
    RowName<ScanCase>);

// tests/data/sdf/disc: 07MD623 and 07MD625 are good, 07MD624 between them
// has a scale that is no number.
TEST(SdfOpenFolder, ABadSheetIsReportedOnceAfterEveryGoodSheetOpened) {
  TMapBuilder_Sdf2500 reader;
  TMapLeafGrp leaves(nullptr);
  try {
    reader.OpenFolder(leaves, DataPath("sdf/disc"));
    ADD_FAILURE() << "the bad sheet went unreported";
  } catch (const EScanError& e) {
    EXPECT_EQ(e.Count(), 1u);
    const std::string message = e.what();
    // The description file and its line, counted by hand with the blank
    // line after the date: the scale is the eighth.
    EXPECT_NE(message.find("07MD624.TXT' の 8 行目: '2,500' は浮動小数点数ではありません"),
              std::string::npos)
        << message;
  }
  ASSERT_EQ(leaves.Count(), 2);
  EXPECT_EQ(leaves.Items(0)->SheetName, "07MD623");
  EXPECT_EQ(leaves.Items(1)->SheetName, "07MD625");
}

}  // namespace
}  // namespace chizro::test
