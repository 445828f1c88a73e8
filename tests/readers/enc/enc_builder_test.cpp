// The ENC chart reader on listings under tests/data/enc (with the attribute
// table of tests/data/enc/def): feature assembly, soundings, attributes, the
// order of areas and the leaf's extent against golden dumps, and the errors.
#include "readers/enc/enc_builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "model/map_leaf.h"
#include "platform/errors.h"
#include "support/leaf_dump.h"
#include "test_support.h"

namespace chizro::test {
namespace {

GoldenCase Enc(const char* name, const char* input) { return {name, kKindEnc, input, "enc"}; }

INSTANTIATE_TEST_SUITE_P(
    Enc, ReaderGolden,
    ::testing::Values(Enc("NamedAfterTheFileInLatLonOnWgs84", "enc/JP4TEST1.lst.txt"),
                      Enc("EdgesRunWithTheirNodesEitherWay", "enc/edges_both_ways.txt"),
                      Enc("EdgeWithOnePointerGivesItsOwnVertices", "enc/edge_one_pointer.txt"),
                      Enc("NodeThatCannotBeFoundIsLeftOut", "enc/node_missing.txt"),
                      // Tags in characters 2 to 5 (anything in 1 and 6); a vector
                      // record without its record start is none: node 1 is not
                      // found, nodes 2 and 3 are.
                      Enc("RecordLinesAndTheirTags", "enc/record_lines.txt"),
                      // Nodes join an edge of two pointers. Edge 1: a second pointer
                      // field replaces the first (nodes 3 and 4); edge 2: two
                      // declared, one present, the other empty (node 5 only); edge 3:
                      // one declared of two present (its own vertex only); edge 4:
                      // quoted items (nodes 8 and 1).
                      Enc("EdgePointersKeepTheirDeclaredCount", "enc/edge_pointers.txt"),
                      // The area bounded only by edges truncated at the data limit (USAG
                      // 3) comes first, being the smaller; holes (USAG 2) are left out.
                      Enc("AreasTakeTheExteriorBoundaryOnly", "enc/area_without_holes.txt"),
                      // Coast, then the north limit to the corner, then down the east
                      // limit; not a chord from the north limit back to the east one.
                      Enc("AreaCutByTheCellLimitRunsAlongIt", "enc/cut_by_limit.txt"),
                      Enc("BoundaryInTwoPointerFieldsIsOneArea", "enc/boundary_two_fields.txt"),
                      // Box areas of 20,000,000, 100, 4,000,000 and 9,000,000 square
                      // arc-seconds: as "%16.8f" texts the first would sort before the last.
                      Enc("SmallerAreasComeFirst", "enc/smaller_areas_first.txt"),
                      Enc("SoundingsGiveOnePointPerDepthWithOneDecimal", "enc/soundings.txt"),
                      // Types I and L, codes outside 1..499 and entries without a type set
                      // no property.
                      Enc("PointTakesItsNodesFirstVertexAndTypedAttributes",
                          "enc/point_attributes.txt"),
                      Enc("PointIsJudgedOnItsLastPointer", "enc/point_last_pointer.txt"),
                      Enc("WithoutAFeatureToDrawSaysWhy", "enc/no_features.txt"),
                      Enc("ExtentAreaCoversTheRest", "enc/extent_area_covers_the_rest.txt"),
                      Enc("ExtentNegativeLongitudes", "enc/extent_negative_longitudes.txt"),
                      Enc("ExtentLinesAndPointsOnly", "enc/extent_lines_and_points.txt"),
                      Enc("ExtentNothingBuilt", "enc/extent_nothing_built.txt")),
    GoldenName);

class EncTest : public ::testing::Test {
protected:
  std::unique_ptr<TMapLeaf> Open(const std::string& path) { return reader.OpenFile(leaves, path); }

  ScopedProgramDir program{DataPath("enc")};
  TMapLeafGrp leaves{nullptr};
  TMapBuilder_Enc reader;
};

TEST_F(EncTest, FactorsOfOneListingServeTheNextWithoutParameters) {
  const auto first = Open(DataPath("enc/factors_given.txt"));
  EXPECT_EQ(first->FigGrps.at(0)->Items(0)->Points, (TFPointGrp{{2, 3}}));
  const auto second = Open(DataPath("enc/factors_kept.txt"));
  EXPECT_EQ(second->FigGrps.at(0)->Items(0)->Points, (TFPointGrp{{5, 7}}));
}

class EncBadFeature : public EncTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(EncBadFeature, EndsTheLoadKeepingTheAreaReadBeforeIt) {
  TMapLeaf leaf(&leaves);
  leaf.FileName = DataPath(std::string("enc/bad/") + GetParam() + ".txt");
  EXPECT_THROW(reader.LoadLeaf(leaf, nullptr, 0), EConvertError);
  EXPECT_FALSE(leaf.Loaded);
  // The good area read before the bad record stays.
  ASSERT_GE(leaf.FigGrpCount(), 1);
  EXPECT_EQ(leaf.FigGrps[0]->Count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Fields, EncBadFeature,
                         ::testing::Values("objl", "prim_missing", "ornt_missing", "usag",
                                           "attl_missing", "atvl"));

TEST_F(EncTest, AttributeTableIsNeededAndMustHoldCodes) {
  TempDir dir;
  const ScopedProgramDir other(dir.Path().string());
  std::filesystem::create_directories(dir.Path() / "def");
  WriteFile(dir.File("def/EncAttr.ini"), "116,OBJNAM,S\r\nOBJNAM,116,S\r\n");
  EXPECT_THROW(Open(DataPath("enc/soundings.txt")), EConvertError);
  std::filesystem::remove(dir.File("def/EncAttr.ini"));
  EXPECT_THROW(Open(DataPath("enc/soundings.txt")), EInOutError);
}

TEST_F(EncTest, ChartCellInsteadOfItsListingIsRefusedWithAHint) {
  const std::string m = MessageOf<EInOutError>([&] { Open(DataPath("enc/JP4TEST1.000")); });
  EXPECT_NE(m.find("chizro-enclist"), std::string::npos) << m;
}

TEST_F(EncTest, FeaturesPointingAtOneEdgeWithoutEndAreRefused) {
  // One edge of 5000 vertices, and lines that point at it 300 times each:
  // far more vertices than any chart of this size can hold.
  std::string listing = "RECN 1\r\n VRID 1 8 RCNM=130 RCID=1\r\n SG2D 5000 0";
  for (int i = 0; i < 5000; ++i) listing += " 1 2";
  listing += "\r\n****\r\n";
  std::string fspt = " FSPT 300 0";
  for (int i = 0; i < 300; ++i) fspt += " NAME=0x8201000000 ORNT=1 USAG=255 MASK=255";
  for (int i = 0; i < 10; ++i)
    listing +=
        "RECN 1\r\n FRID 1 12 RCNM=100 RCID=1 PRIM=2 GRUP=2 OBJL=30 RVER=1 RUIN=1\r\n"
        " FOID 1 8 AGEN=550 FIDN=1 FIDS=1\r\n" +
        fspt + "\r\n****\r\n";
  TempDir dir;
  WriteFile(dir.File("long.txt"), listing);
  EXPECT_THROW(Open(dir.File("long.txt")), EInOutError);
}

}  // namespace
}  // namespace chizro::test
