// The SDF 1:2500 reader on the committed sample sheets (samples/sdf), the
// first-edition sheets under tests/data/sdf/disc and a hand-written sheet
// against golden dumps; on copies of the samples broken one file at a time;
// and the folder scan.
#include "readers/sdf/sdf2500_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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

// Applies the edit of a table row (from `op` on) to the file at `path`, as
// the tables' heads describe it.
void Edit(const std::string& path, TableRow::const_iterator op) {
  if (*op == "remove") return void(fs::remove(path));
  auto lines = *op == "empty" ? std::vector<std::string>() : FileLines(path);
  const auto line = [&](const std::string& n) -> std::string& {
    const int i = std::stoi(n);
    return lines.at(i >= 0 ? i : lines.size() + i);
  };
  const auto items = [&](const std::string& n, const auto& change) {
    auto f = SplitCommaText(line(n));
    change(f);
    line(n).clear();
    for (const auto& x : f) line(n) += (line(n).empty() ? "" : ",") + x;
  };
  if (*op == "line") line(op[1]) = op[2];
  if (*op == "item") items(op[1], [&](auto& f) { f.at(std::stoul(op[2])) = op[3]; });
  if (*op == "cut") items(op[1], [&](auto& f) { f.resize(std::stoul(op[2])); });
  if (*op == "keep") lines.resize(std::stoul(op[1]));
  if (*op == "drop") lines.resize(lines.size() - std::stoul(op[1]));
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  WriteFile(path, text);
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
    if (leaf) reader.LoadLeaf(*leaf, &ShippedClassDefs(KindNumber(TKind::Sdf2500)), scale);
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

// The rows of tests/data/sdf/descriptions.tsv.
class SdfDescription : public SdfTest, public ::testing::WithParamInterface<TableRow> {};

TEST_P(SdfDescription, DecidesTheSheetAndItsDatumOrStopsTheOpen) {
  Edit(File("09LD183.txt"), GetParam().begin() + 2);
  std::string outcome = "none";
  const std::string error = ErrorOf([&] {
    if (const auto leaf = Open(Sheet()))
      outcome = "datum " + std::to_string(CodeOfDatum(leaf->Datum));
  });
  EXPECT_EQ(error.empty() ? outcome : error, GetParam().at(1));
}

INSTANTIATE_TEST_SUITE_P(Edits, SdfDescription,
                         ::testing::ValuesIn(ReadTable(DataPath("sdf/descriptions.tsv"))),
                         TableRowName);

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

// The rows of tests/data/sdf/broken.tsv.
class SdfBrokenSheet : public SdfTest, public ::testing::WithParamInterface<TableRow> {};

TEST_P(SdfBrokenSheet, StopsWithTheErrorKeepingWhatWasAttached) {
  const TableRow& r = GetParam();
  const std::string file = File(r.at(1));
  Edit(file, r.begin() + 4);
  std::string error = r.at(2);
  if (error == "list end") error = "list " + std::to_string(FileLines(file).size());
  auto leaf = Open(Sheet());
  ASSERT_TRUE(leaf);
  EXPECT_EQ(ErrorOf([&] { reader.LoadLeaf(*leaf, &ShippedClassDefs(KindNumber(TKind::Sdf2500)), 2500); }), error);
  EXPECT_FALSE(leaf->Loaded);
  EXPECT_EQ(Groups(*leaf),
            std::vector<std::string>(kFullOrder.begin(), kFullOrder.begin() + std::stoi(r.at(3))));
}

INSTANTIATE_TEST_SUITE_P(Cases, SdfBrokenSheet,
                         ::testing::ValuesIn(ReadTable(DataPath("sdf/broken.tsv"))), TableRowName);

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
  reader.LoadLeaf(*leaf, &ShippedClassDefs(KindNumber(TKind::Sdf2500)), 2500);
  EXPECT_TRUE(leaf->Loaded);
  EXPECT_EQ(Groups(*leaf), (std::vector<std::string>{"ZUKAKU", "ZUKAKU"}));
}

// ---------------------------------------------------------------------------
// Scanning folders

// The rows of tests/data/sdf/scans.tsv.
class SdfScan : public ::testing::TestWithParam<TableRow> {};

TEST_P(SdfScan, FindsTheSheetsOfTheFolder) {
  const TableRow& r = GetParam();
  TMapBuilder_Sdf2500 reader;
  TMapLeafGrp leaves(nullptr);
  leaves.Zone = TZone::OfStored(std::stoi(r.at(2)));
  EXPECT_EQ(reader.OpenFolder(leaves, DataPath("sdf/scan/" + r.at(1))), &leaves);
  std::vector<std::string> names;
  for (int i = 0; i < leaves.Count(); ++i) names.push_back(leaves.Items(i)->SheetName);
  EXPECT_EQ(names, std::vector<std::string>(r.begin() + 3, r.end()));
}

INSTANTIATE_TEST_SUITE_P(Folders, SdfScan,
                         ::testing::ValuesIn(ReadTable(DataPath("sdf/scans.tsv"))), TableRowName);

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
