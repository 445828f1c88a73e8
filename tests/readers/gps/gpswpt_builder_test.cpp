// The GPS track reader on PCX5-style files under tests/data/gps against
// golden dumps: datums, hemisphere letters, signs and units, headers and
// tracks; and the errors of lines it cannot read.
#include "readers/gps/gpswpt_builder.h"

#include <gtest/gtest.h>

#include <string>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "support/leaf_dump.h"

namespace chizro::test {
namespace {

INSTANTIATE_TEST_SUITE_P(Gps, ReaderGolden, ::testing::ValuesIn(GoldenRows("gps/golden.tsv")),
                         RowName<GoldenCase>);

struct BadCase {
  const char* Name;
  bool IndexError;  // else a conversion error
};
void PrintTo(const BadCase& row, std::ostream* os) { *os << row.Name; }

class GpsBadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(GpsBadInput, EndsTheLoadKeepingThePointsBeforeIt) {
  const std::string path = DataPath(std::string("gps/bad/") + GetParam().Name + ".txt");
  TMapBuilder_GPSWPT reader;
  TMapLeafGrp leaves(nullptr);
  TMapLeaf leaf(&leaves);
  leaf.FileName = path;
  if (GetParam().IndexError) {
    EXPECT_THROW(reader.LoadLeaf(leaf, nullptr, 0), EListIndexError);
  } else {
    EXPECT_THROW(reader.LoadLeaf(leaf, nullptr, 0), EFloatConvertError);
  }
  EXPECT_FALSE(leaf.Loaded);
  ASSERT_GE(leaf.FigGrpCount(), 1);
  EXPECT_EQ(leaf.FigGrps.at(0)->Count(), 1) << "the track point before the bad line";
  EXPECT_ANY_THROW(reader.OpenFile(leaves, path));
}

INSTANTIATE_TEST_SUITE_P(Lines, GpsBadInput,
                         ::testing::Values(BadCase{"latitude_not_a_number", false},
                                           BadCase{"letter_alone", false},
                                           BadCase{"empty_quoted_item", false},
                                           BadCase{"beyond_single_precision", false},
                                           BadCase{"track_line_without_alt", true},
                                           BadCase{"datum_line_ends_at_its_column", true}),
                         [](const auto& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace chizro::test
