// The KSJ fixed-column reader on the files under tests/data/ksj: the sample
// files and small files for its column rules, against golden dumps, and the
// errors of broken records.
#include "readers/ksj/ksj_builder.h"

#include <gtest/gtest.h>

#include <string>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro::test {
namespace {

INSTANTIATE_TEST_SUITE_P(Ksj, ReaderGolden, ::testing::ValuesIn(GoldenRows("ksj/golden.tsv")),
                         RowName<GoldenCase>);

// The file name chooses what is built: the same file (ksj/items.txt) under
// each name, against ksj/items/<row>.dump.
class KsjDataItems : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(KsjDataItems, FileNameChoosesWhatIsBuilt) {
  const auto& [row, fileName] = GetParam();
  TempDir dir;
  WriteFile(dir.File(fileName), ReadFile(DataPath("ksj/items.txt")));
  const auto leaf = OpenLoaded(KindNumber(TKind::Ksj), dir.File(fileName));
  ASSERT_TRUE(leaf);
  ExpectGolden(DumpLeaf(*leaf), std::string("ksj/items/") + row + ".dump");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, KsjDataItems,
    ::testing::Values(std::pair{"Roads", "N01-95.txt"}, std::pair{"Coast", "C23.txt"},
                      std::pair{"Airports", "C28-07.txt"}, std::pair{"Wards", "N03-13.txt"},
                      std::pair{"UrbanAreas", "A09-13.txt"},
                      std::pair{"MetropolitanPlans", "A03-13.txt"},
                      std::pair{"NatureReserves", "A11-13.txt"},
                      std::pair{"SmallLettersName", "n03-13.txt"},
                      std::pair{"OtherCode", "P05-13.txt"}, std::pair{"ShortName", "N0"}),
    [](const auto& row) { return std::string(row.param.first); });

struct BadCase {
  const char* Name;
  bool IndexError;  // else a conversion error
};
void PrintTo(const BadCase& row, std::ostream* os) { *os << row.Name; }

class KsjBadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(KsjBadInput, EndsTheReadWithItsError) {
  const std::string path = DataPath(std::string("ksj/bad/N03-") + GetParam().Name + ".txt");
  TMapBuilder_Ksj reader;
  TMapLeafGrp leaves(nullptr);
  if (GetParam().IndexError) {
    EXPECT_THROW(reader.OpenFile(leaves, path), EListIndexError);
  } else {
    EXPECT_THROW(reader.OpenFile(leaves, path), EConvertError);
  }
  // A later load of a leaf that was fine gives no figure of the bad record.
  TMapLeaf leaf(&leaves);
  leaf.FileName = path;
  leaf.Name = "N03";
  EXPECT_ANY_THROW(reader.LoadLeaf(leaf, nullptr, 0));
  for (const auto& grp : leaf.FigGrps) EXPECT_EQ(grp->Count(), 0);
  EXPECT_FALSE(leaf.Loaded);
}

INSTANTIATE_TEST_SUITE_P(Records, KsjBadInput,
                         ::testing::Values(BadCase{"count_not_a_number", false},
                                           BadCase{"blank_after_digits", false},
                                           BadCase{"line_ends_before_count", false},
                                           BadCase{"coordinate_line_too_short", false},
                                           BadCase{"label_not_a_number", false},
                                           BadCase{"ends_inside_coordinates", true},
                                           BadCase{"ends_inside_references", true}),
                         [](const auto& row) { return std::string(row.param.Name); });

TEST(KsjReader, AFolderIsNoFile) {
  TMapBuilder_Ksj reader;
  TMapLeafGrp leaves(nullptr);
  EXPECT_EQ(reader.OpenFile(leaves, DataPath("ksj")), nullptr);
}

}  // namespace
}  // namespace chizro::test
