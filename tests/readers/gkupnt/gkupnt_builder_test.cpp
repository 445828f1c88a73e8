// The block-point reader on the files under tests/data/gkupnt (the 14-column
// layout published today, the older 11-column one, and small files for its
// rules) against golden dumps, and the errors of broken records.
#include "readers/gkupnt/gkupnt_builder.h"

#include <gtest/gtest.h>

#include <string>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "support/leaf_dump.h"

namespace chizro::test {
namespace {

INSTANTIATE_TEST_SUITE_P(GkuPnt, ReaderGolden, ::testing::ValuesIn(GoldenRows("gkupnt/golden.tsv")),
                         RowName<GoldenCase>);

class GkuPntBadInput : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

// The zone is read from the first record, after its point is made: one
// point stays in the list in every row.
TEST_P(GkuPntBadInput, EndsTheLoadKeepingThePointsReadSoFar) {
  const auto& [name, error] = GetParam();
  const std::string path = DataPath(std::string("gkupnt/bad/") + name + ".csv");
  TMapBuilder_GkuPnt reader;
  TMapLeafGrp leaves(nullptr);
  TMapLeaf leaf(&leaves);
  leaf.FileName = path;
  EXPECT_EQ(ErrorOf([&] { reader.LoadLeaf(leaf, nullptr, 0); }), error);
  EXPECT_FALSE(leaf.Loaded);
  ASSERT_EQ(leaf.FigGrpCount(), 1) << "the list stays attached";
  EXPECT_EQ(leaf.FigGrps[0]->Count(), 1);
  EXPECT_EQ(ErrorOf([&] { reader.OpenFile(leaves, path); }), error);
}

INSTANTIATE_TEST_SUITE_P(
    Records, GkuPntBadInput,
    ::testing::Values(std::pair{"northing_not_a_number", "real '1O.5'"},
                      std::pair{"easting_empty", "real ''"},
                      std::pair{"easting_beyond_single_precision", "real '1e39'"},
                      std::pair{"zone_not_a_number", "integer 'IX'"},
                      std::pair{"zone_zero", "zone"}, std::pair{"zone_twenty", "zone"}),
    [](const auto& row) { return std::string(row.param.first); });

}  // namespace
}  // namespace chizro::test
