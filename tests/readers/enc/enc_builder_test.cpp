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

INSTANTIATE_TEST_SUITE_P(Enc, ReaderGolden, ::testing::ValuesIn(GoldenRows("enc/golden.tsv")),
                         RowName<GoldenCase>);

class EncTest : public ::testing::Test {
protected:
  std::unique_ptr<TMapLeaf> Open(const std::string& path) { return reader.OpenFile(leaves, path); }

  EncTest() { reader.SetProgramFolder(DataPath("enc")); }

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
                                           "attl_missing", "atvl"),
                         TextName);

TEST_F(EncTest, AttributeTableIsNeededAndMustHoldCodes) {
  TempDir dir;
  reader.SetProgramFolder(dir.Path().string());
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
